#include "platform/text/Cp1250.h"
#include "platform/core/ErrorBox.h"

#include <QtCore/QSet>
#include <QtCore/QStringDecoder>
#include <QtCore/QStringEncoder>
#include <QtTest/QTest>

#include <string>

using namespace Qt::StringLiterals;
using movra::FromCp1250;
using movra::ToCp1250;

namespace {

constexpr unsigned char Undefined[] = {0x81, 0x83, 0x88, 0x90, 0x98};

bool IsUndefined(int b) {
    for (const unsigned char u : Undefined)
        if (u == b)
            return true;
    return false;
}

std::string Byte(int b) {
    return std::string(1, static_cast<char>(b));
}

} // namespace

class Cp1250Test : public QObject {
    Q_OBJECT

private slots:
    void everyByteRoundTrips();
    void agreesWithIcu();
    void polishLettersHaveTheirBytes();
    void typographicCharactersOfTheCodePage();
    void refusesCharactersOutsideTheCodePage_data();
    void refusesCharactersOutsideTheCodePage();
    void throwsWithAPolishMessageNamingTheCharacter();
    void loneSurrogateIsRefusedAndNamedByCode();
    void embeddedZerosAndLineBreaksPass();
    void emptyText();
};

void Cp1250Test::everyByteRoundTrips() {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const QString text = FromCp1250(all);
    QCOMPARE(text.size(), 256);
    const auto back = ToCp1250(text);
    QVERIFY(back.has_value());
    QVERIFY(*back == all);

    for (int b = 0; b < 256; ++b) {
        const QString one = FromCp1250(Byte(b));
        QCOMPARE(one.size(), 1);
        if (b < 0x80)
            QCOMPARE(one.at(0).unicode(), char16_t(b));
        const auto again = ToCp1250(one);
        QVERIFY2(again && *again == Byte(b), qPrintable(u"byte 0x%1"_s.arg(b, 2, 16)));
    }
    // The undefined bytes read as their C1 controls, so an old file's stray byte survives a save.
    for (const unsigned char b : Undefined)
        QCOMPARE(FromCp1250(Byte(b)).at(0).unicode(), char16_t(b));
}

// An independent table (ICU, through Qt) for every defined byte, both ways; and no character
// that ICU cannot put in the code page is accepted, apart from the five C1 controls above.
void Cp1250Test::agreesWithIcu() {
    QStringDecoder decoder("windows-1250");
    QStringEncoder encoder("windows-1250");
    if (!decoder.isValid() || !encoder.isValid())
        QSKIP("This Qt has no Windows-1250 codec");

    QSet<char16_t> icuCharacters;
    for (int b = 0; b < 256; ++b) {
        if (IsUndefined(b))
            continue;
        const QByteArray in(1, static_cast<char>(b));
        const QString icu = decoder.decode(in);
        QVERIFY(!decoder.hasError());
        QCOMPARE(icu.size(), 1);
        QVERIFY2(FromCp1250(in.toStdString()) == icu,
                 qPrintable(u"byte 0x%1: ICU U+%2, ours U+%3"_s.arg(b, 2, 16)
                                .arg(icu.at(0).unicode(), 4, 16)
                                .arg(FromCp1250(in.toStdString()).at(0).unicode(), 4, 16)));
        const QByteArray icuBack = encoder.encode(icu);
        QVERIFY(!encoder.hasError());
        QCOMPARE(icuBack, in);
        icuCharacters.insert(icu.at(0).unicode());
    }
    QCOMPARE(icuCharacters.size(), 251);

    for (int u = 0; u < 0x10000; ++u) {
        const QChar c(static_cast<char16_t>(u));
        const bool ours = movra::IsCp1250(QString(c));
        const bool expected =
            icuCharacters.contains(char16_t(u)) || (u >= 0x80 && u < 0xA0 && IsUndefined(u));
        QVERIFY2(ours == expected, qPrintable(u"U+%1"_s.arg(u, 4, 16, QChar(u'0'))));
    }
}

void Cp1250Test::polishLettersHaveTheirBytes() {
    const QString letters = u"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"_s;
    const std::string bytes = "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF"
                              "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF";
    const auto encoded = ToCp1250(letters);
    QVERIFY(encoded.has_value());
    QVERIFY(*encoded == bytes);
    QCOMPARE(FromCp1250(bytes), letters);

    QVERIFY(*ToCp1250(u"Zieliński Łukasz"_s) == "Zieli\xF1ski \xA3ukasz");
}

void Cp1250Test::typographicCharactersOfTheCodePage() {
    // Euro, the Polish quotation marks, dashes, ellipsis, no-break space, degree, section.
    const QString text = u"€„”–—…\u00A0°§"_s;
    const auto encoded = ToCp1250(text);
    QVERIFY(encoded.has_value());
    QVERIFY(*encoded == "\x80\x84\x94\x96\x97\x85\xA0\xB0\xA7");
    QCOMPARE(FromCp1250(*encoded), text);
}

void Cp1250Test::refusesCharactersOutsideTheCodePage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::newRow("emoji") << u"Ala 😀 ma kota"_s << 4;
    QTest::newRow("cyrillic") << u"Józef Жуков"_s << 6;
    QTest::newRow("chinese") << u"中"_s << 0;
    QTest::newRow("last character") << u"Kowalski€ß→"_s << 10;
    QTest::newRow("other C1 control") << u"a\u0085b"_s << 1;
    QTest::newRow("latin outside") << u"Æ"_s << 0;
}

void Cp1250Test::refusesCharactersOutsideTheCodePage() {
    QFETCH(QString, text);
    QFETCH(int, position);
    int bad = 12345;
    QVERIFY(!ToCp1250(text, &bad).has_value());
    QCOMPARE(bad, position);
    QVERIFY(!movra::IsCp1250(text));
    QVERIFY_THROWS_EXCEPTION(movra::EMovraError, (void)movra::ToCp1250OrThrow(text));

    // And the position is reset on success.
    QVERIFY(ToCp1250(u"ok"_s, &bad).has_value());
    QCOMPARE(bad, -1);
}

void Cp1250Test::throwsWithAPolishMessageNamingTheCharacter() {
    try {
        (void)movra::ToCp1250OrThrow(u"Ala 😀"_s);
        QFAIL("no error");
    } catch (const movra::EMovraError& e) {
        const QString m = e.Message();
        QVERIFY2(m.contains(u"„😀”"_s), qPrintable(m));
        QVERIFY2(m.contains(u"U+1F600"_s), qPrintable(m));
        QVERIFY2(m.contains(u"pozycji 5"_s), qPrintable(m));
        QVERIFY2(m.contains(u"Windows-1250"_s), qPrintable(m));
        QCOMPARE(QString::fromUtf8(e.what()), m);
    }
    try {
        (void)movra::ToCp1250OrThrow(u"Жанна"_s);
        QFAIL("no error");
    } catch (const movra::EMovraError& e) {
        QVERIFY2(e.Message().contains(u"„Ж” (U+0416)"_s), qPrintable(e.Message()));
        QVERIFY(e.Message().contains(u"pozycji 1 "_s));
        QCOMPARE(e.Message(), movra::Cp1250ErrorMessage(u"Жанна"_s, 0));
    }
}

void Cp1250Test::loneSurrogateIsRefusedAndNamedByCode() {
    QString text = u"ab"_s;
    text.insert(1, QChar(char16_t(0xD83D)));
    int bad = -1;
    QVERIFY(!ToCp1250(text, &bad));
    QCOMPARE(bad, 1);
    const QString m = movra::Cp1250ErrorMessage(text, bad);
    QVERIFY2(m.contains(u"U+D83D"_s), qPrintable(m));
    QVERIFY(!m.contains(QChar(char16_t(0xD83D))));
}

void Cp1250Test::embeddedZerosAndLineBreaksPass() {
    const std::string bytes("a\0b\r\nc\xB9\0", 8);
    const QString text = FromCp1250(bytes);
    QCOMPARE(text.size(), 8);
    QCOMPARE(text.at(1), QChar(u'\0'));
    QCOMPARE(text.mid(3, 2), u"\r\n"_s);
    QCOMPARE(text.at(6), QChar(u'ą'));
    const auto back = ToCp1250(text);
    QVERIFY(back.has_value());
    QCOMPARE(back->size(), std::size_t(8));
    QVERIFY(*back == bytes);

    // Lone CR and lone LF are not touched either: line-break policy is the caller's.
    QVERIFY(*ToCp1250(u"a\rb\nc"_s) == "a\rb\nc");
}

void Cp1250Test::emptyText() {
    QVERIFY(FromCp1250({}).isEmpty());
    const auto empty = ToCp1250(QString());
    QVERIFY(empty.has_value());
    QVERIFY(empty->empty());
    QVERIFY(movra::ToCp1250OrThrow(QString()).empty());
    QVERIFY(movra::IsCp1250(QString()));
}

QTEST_GUILESS_MAIN(Cp1250Test)
#include "Cp1250Test.moc"
