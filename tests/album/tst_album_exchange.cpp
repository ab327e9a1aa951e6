// People out to and in from contacts programs (vCard) and spreadsheets (CSV): the readers and
// writers on their own, then the Baza menu's commands on real album files.
#include "tests/album/AlbumFixture.h"

#include "album/Csv.h"
#include "album/VCard.h"
#include "grid/Fajny.h"
#include "platform/text/Jpeg.h"
#include "record/Unit2.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QStringDecoder>
#include <QtGui/QAction>
#include <QtGui/QImage>
#include <QtTest/QTest>

using namespace movra;
using namespace movra::test;

namespace {

QByteArray sample(const char* name) {
    QFile f(QStringLiteral(MOVRA_EXCHANGE_DATA "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no sample %s", name);
    return f.readAll();
}

QString crlf(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

// Every printable character an album text can hold.
QString storableCharacters() {
    QString all;
    for (int b = 0x20; b <= 0xFF; ++b) {
        QStringDecoder decoder("windows-1250");
        const QString c = decoder.decode(QByteArray(1, static_cast<char>(b)));
        if (!decoder.hasError() && c.size() == 1 && c.at(0).isPrint())
            all += c;
    }
    return all;
}

QString randomText(QRandomGenerator& rng, int n, bool breaks) {
    static const QString chars = storableCharacters();
    QString t;
    while (t.size() < n) {
        if (breaks && rng.bounded(10) == 0)
            t += QStringLiteral("\r\n");
        else
            t += chars.at(rng.bounded(int(chars.size())));
    }
    return t;
}

// An address note the way people write them: contact lines and lines of free text.
QString randomAddress(QRandomGenerator& rng) {
    const QStringList forms{QStringLiteral("Tel.: +48 600 %1"),
                            QStringLiteral("Tel.: 22 %1 (domowy, służbowy)"),
                            QStringLiteral("E-mail: ktos%1@example.pl (służbowy)"),
                            QStringLiteral("WWW: https://example.pl/%1"),
                            QStringLiteral("Firma: Zakład %1 / Dział"),
                            QStringLiteral("Urodziny: 12 maja 19%1"),
                            QStringLiteral("Urodziny: około %1"),
                            QStringLiteral("Adres: ul. Długa %1, 00-001 Warszawa, Polska"),
                            QStringLiteral("Adres: Rynek %1, Kraków"),
                            QStringLiteral("Tel.:  %1"),
                            QStringLiteral("Adres: a, , %1"),
                            QStringLiteral("")};
    QStringList lines;
    for (int i = rng.bounded(6); i >= 0; --i)
        lines << (rng.bounded(3) == 0
                      ? randomText(rng, 20, false)
                      : forms.at(rng.bounded(int(forms.size()))).arg(rng.bounded(10, 99)));
    return crlf(lines);
}

QByteArray pngOf(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(20, 200, 40));
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    image.save(&b, "PNG");
    return b.data();
}

// A vCard 3.0 as an iPhone shares a contact: Apple's item groups, types in lower case, the photo
// as base64 folded with a blank.
QByteArray iosCard(const QByteArray& jpeg) {
    QByteArray photo = "PHOTO;ENCODING=b;TYPE=JPEG:" + jpeg.toBase64();
    QByteArray folded = photo.left(75);
    for (qsizetype i = 75; i < photo.size(); i += 74)
        folded += "\r\n " + photo.mid(i, 74);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.0//EN\r\n"
           "N:Nowak;Jan;Maria;;\r\nFN:Jan Maria Nowak\r\nNICKNAME:Johnny\r\n"
           "ORG:Nowak i Syn;Sprzeda\xC5\xBC;\r\n"
           "item1.TEL;type=pref:+48 601 222 333\r\nitem1.X-ABLabel:_$!<Mobile>!$_\r\n"
           "TEL;type=CELL;type=VOICE;type=pref:+48 602 000 111\r\n"
           "item2.EMAIL;type=INTERNET;type=WORK:jan@nowak.pl\r\n"
           "item3.URL;type=pref:https://nowak.pl\r\n"
           "NOTE:Linia 1\\nLinia 2\\, z przecinkiem\r\n" +
           folded + "\r\nEND:VCARD\r\n";
}

TAlbumTexts texts(const char* imie, const char* nazwisko, const char* ksywa, const QString& notes,
                  const QString& adres) {
    return {QString::fromUtf8(imie), QString::fromUtf8(nazwisko), QString::fromUtf8(ksywa), notes,
            adres};
}

// Read, written, read again: what the album keeps of each person comes back.
void checkRoundTrip(const std::vector<TExchangePerson>& people) {
    for (const TExchangePerson& p : people) {
        const std::vector<TExchangePerson> again = ReadVCards(WriteVCard(p));
        QCOMPARE(again.size(), std::size_t(1));
        QCOMPARE(again[0].Texts, p.Texts);
        QVERIFY(again[0].Jpeg == p.Jpeg);
    }
}

} // namespace

class TestAlbumExchange : public QObject {
    Q_OBJECT

    // An album of people with every kind of text the album holds, photos and one without.
    std::vector<RawRecord> people;

    // A command as the menu runs it: an error or a stop is shown in a box.
    static void run(AlbumFixture& f, const char* action) {
        QAction* a = f.form1().Action(QLatin1String(action));
        QVERIFY2(a, action);
        a->trigger();
    }

    QString path(AlbumFixture& f, const char* name) { return f.folder.file(QLatin1String(name)); }

    void openAlbum(AlbumFixture& f, const char* name) {
        f.dialogs->expectOpenFile(path(f, name));
        f.form1().OtwieramDB1Click();
    }

    // Every record of both files alike, ID aside, in ID order.
    static void compareRecords(const QString& a, const QString& b) {
        std::vector<QByteArrayList> ra = RawRecords(a);
        std::vector<QByteArrayList> rb = RawRecords(b);
        QCOMPARE(ra.size(), rb.size());
        for (std::size_t i = 0; i < ra.size(); ++i) {
            ra[i].removeFirst();
            rb[i].removeFirst();
            QCOMPARE(ra[i], rb[i]);
        }
    }

private slots:
    void initTestCase() {
        InitApplication(*qApp);
        QRandomGenerator rng(2112);
        const QByteArray photo = MakeJpeg(64, 48, QColor(10, 120, 200), true);
        const QByteArray photo2 = MakeJpeg(30, 40, QColor(200, 10, 20));
        for (int i = 0; i < 12; ++i)
            people.push_back({randomText(rng, 1 + rng.bounded(25), false),
                              QStringLiteral("Osoba%1").arg(i) + randomText(rng, 8, false),
                              randomText(rng, rng.bounded(15), false),
                              randomText(rng, rng.bounded(200), true), randomAddress(rng),
                              i % 2 ? photo : photo2});
        people.push_back({"Adam", "Adamczyk", "", "", "", std::nullopt}); // never given a photo
    }

    // ---- the readers and writers -------------------------------------------------------

    void readsWhatPhonesAndProgramsWrite() {
        const std::vector<TExchangePerson> android = ReadVCards(sample("android-2.1.vcf"));
        QCOMPARE(android.size(), std::size_t(2));
        QCOMPARE(android[0].Texts,
                 texts("Zofia", "Łukasik", "",
                       QStringLiteral("Poznałam ją na obozie w Zakopanem, dawno temu\r\n"
                                      "pamiętaj o urodzinach"),
                       crlf({QStringLiteral("Tel.: +48 600 100 200 (komórkowy)"),
                             QStringLiteral("Tel.: 22 555 01 02 (domowy)"),
                             QStringLiteral("E-mail: zofia@example.pl (domowy)"),
                             QStringLiteral("Adres: ul. Długa 5, 90-001 Łódź, Polska (domowy)"),
                             QStringLiteral("Urodziny: 12 maja 1990")})));
        QCOMPARE(android[1].Texts.Adres, QStringLiteral("Tel.: 22 555 09 09 (służbowy, faks)"));

        const std::vector<TExchangePerson> google = ReadVCards(sample("google-3.0.vcf"));
        QCOMPARE(google.size(), std::size_t(1));
        QCOMPARE(google[0].Texts,
                 texts("Anna", "Wiśniewska", "", QStringLiteral("Ze studiów; grupa 3"),
                       crlf({QStringLiteral("E-mail: anna@gmail.com (domowy)"),
                             QStringLiteral("Tel.: +48 700 800 900 (komórkowy)"),
                             QStringLiteral("Adres: ul. Kwiatowa 7, m. 3, 00-001 Warszawa, Polska "
                                            "(domowy)"),
                             QStringLiteral("Urodziny: 3 listopada 1985"),
                             QStringLiteral("WWW: http://anna.example.com")})));

        const std::vector<TExchangePerson> evolution = ReadVCards(sample("evolution-4.0.vcf"));
        QCOMPARE(evolution.size(), std::size_t(1));
        QCOMPARE(evolution[0].Texts,
                 texts("Piotr", "Zieliński", "Piotrek",
                       QStringLiteral("Zna się na sieciach.\r\nDzwonić po 16."),
                       crlf({QStringLiteral("Tel.: +48-22-123-45-67 (służbowy)"),
                             QStringLiteral("E-mail: piotr@firma.pl (służbowy)"),
                             QStringLiteral("Firma: Firma Sp. z o.o."),
                             QStringLiteral("Adres: Aleje Jerozolimskie 100, 00-807 Warszawa, "
                                            "mazowieckie, Polska (służbowy)"),
                             QStringLiteral("Urodziny: 4 lipca")})));
        // The PNG photo, converted to JPEG.
        QVERIFY(evolution[0].Jpeg.startsWith("\xFF\xD8"));
        QCOMPARE(DecodeJpeg(evolution[0].Jpeg).size(), QSize(2, 2));

        const QByteArray jpeg = MakeJpeg(20, 10, QColor(1, 2, 3));
        const std::vector<TExchangePerson> ios = ReadVCards(iosCard(jpeg));
        QCOMPARE(ios[0].Texts, texts("Jan Maria", "Nowak", "Johnny",
                                     QStringLiteral("Linia 1\r\nLinia 2, z przecinkiem"),
                                     crlf({QStringLiteral("Firma: Nowak i Syn / Sprzedaż"),
                                           QStringLiteral("Tel.: +48 601 222 333"),
                                           QStringLiteral("Tel.: +48 602 000 111 (komórkowy)"),
                                           QStringLiteral("E-mail: jan@nowak.pl (służbowy)"),
                                           QStringLiteral("WWW: https://nowak.pl")})));
        QVERIFY(ios[0].Jpeg == jpeg); // the photo's bytes as sent

        for (const QByteArray& file : {sample("android-2.1.vcf"), sample("google-3.0.vcf"),
                                       sample("evolution-4.0.vcf"), iosCard(jpeg)})
            checkRoundTrip(ReadVCards(file));
    }

    void writesTheContactPropertiesBack() {
        const QByteArray out = WriteVCard(ReadVCards(sample("android-2.1.vcf"))[0]);
        for (const char* line :
             {"VERSION:4.0", "FN:Zofia Łukasik", "N:Łukasik;Zofia;;;",
              "TEL;VALUE=text;TYPE=cell:+48 600 100 200", "EMAIL;TYPE=home:zofia@example.pl",
              "ADR;TYPE=home:;;ul. Długa 5;Łódź;;90-001;Polska", "BDAY:19900512",
              "NOTE:Poznałam ją na obozie w Zakopanem\\, dawno"})
            QVERIFY2(out.contains(QByteArray(line)), line);
        // Lines at most 75 octets, folded between characters, never inside one.
        const TExchangePerson longOne{texts("Ź", "Ż", "", QString(300, QChar(u'ż')), {}), {}, {}};
        const QByteArray folded = WriteVCard(longOne);
        for (const QByteArray& line : folded.split('\n')) {
            QVERIFY(line.size() <= 76);
            QStringDecoder utf8(QStringDecoder::Utf8);
            (void)utf8.decode(line);
            QVERIFY(!utf8.hasError());
        }
        QCOMPARE(ReadVCards(folded)[0].Texts, longOne.Texts);
        // The album's placeholder photo is no photo of the person.
        const QByteArray placeholder = MakeJpeg(2, 2);
        QVERIFY(!WriteVCard({texts("A", "B", "", {}, {}), placeholder, {}}, placeholder)
                     .contains("PHOTO"));
    }

    void everyStorableTextComesBack() {
        for (const RawRecord& r : people) {
            const TExchangePerson p{{r.imie, r.nazwisko, r.ksywa, r.notes, r.adres},
                                    r.picture.value_or(QByteArray()),
                                    {}};
            checkRoundTrip({p});
            const std::vector<TExchangePerson> csv = ReadCsv(CsvHeaderRow() + CsvRow(p.Texts));
            QCOMPARE(csv.size(), std::size_t(1));
            QCOMPARE(csv[0].Texts, p.Texts);
        }
    }

    void photosOfOtherFormatsAndDamagedOnes() {
        QString why;
        const std::optional<QByteArray> converted = PhotoAsJpeg(pngOf(5, 7), &why);
        QVERIFY(converted);
        QCOMPARE(DecodeJpeg(*converted).size(), QSize(5, 7));
        QVERIFY(!PhotoAsJpeg("\xFF\xD8 not a jpeg", &why));
        QVERIFY(!why.isEmpty());
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Kot;Ala;;;\r\n"
                                "PHOTO;ENCODING=b;TYPE=GIF:bm90IGEgcGljdHVyZQ==\r\n"
                                "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ola Kot\r\n"
                                "PHOTO:https://example.com/ola.jpg\r\nEND:VCARD\r\n";
        const std::vector<TExchangePerson> read = ReadVCards(card);
        QCOMPARE(read.size(), std::size_t(2));
        QVERIFY(read[0].Jpeg.isEmpty());
        QCOMPARE(read[0].Remarks.size(), 1);
        QVERIFY(read[0].Remarks[0].startsWith(QStringLiteral("zdjęcie pominięto")));
        QCOMPARE(read[1].Texts.Imie, QStringLiteral("Ola")); // from FN alone
        QCOMPARE(read[1].Texts.Nazwisko, QStringLiteral("Kot"));
        QVERIFY(read[1].Remarks.value(0).contains(QStringLiteral("nie zostało pobrane")));
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)ReadVCards("to nie jest wizytówka"));
    }

    void csvAsSpreadsheetsWriteIt() {
        const QByteArray row = CsvRow(texts("Jan", "Kowal;ski", "\"Kowal\"", "a\r\nb", ""));
        QCOMPARE(row, QByteArray("Jan;\"Kowal;ski\";\"\"\"Kowal\"\"\";\"a\r\nb\";\r\n"));
        QVERIFY(CsvHeaderRow().startsWith("\xEF\xBB\xBF"));
        // A Polish spreadsheet's own save: Windows-1250, no mark, columns in another order.
        const QByteArray cp1250 = "Nazwisko;IMI\xCA\r\n\xA3ukasik;Zofia\r\n";
        const std::vector<TExchangePerson> read = ReadCsv(cp1250);
        QCOMPARE(read.size(), std::size_t(1));
        QCOMPARE(read[0].Texts, texts("Zofia", "Łukasik", "", {}, {}));
        QVERIFY_THROWS_EXCEPTION(EMovraError, (void)ReadCsv("a;b;c\r\n1;2;3\r\n"));
    }

    void nearestFormForTextsTheAlbumCannotHold() {
        QCOMPARE(NearestCp1250(QStringLiteral("Muñoz Ā ø ﬁ 😀 Dvořák Łódź")),
                 QStringLiteral("Munoz A ? fi ? Dvořák Łódź"));
    }

    // ---- the commands -------------------------------------------------------------------

    void exportingAnAlbumAndImportingItGivesItBack() {
        AlbumFixture f;
        WriteRawAlbum(path(f, "klasa.db3"), people);
        WriteRawAlbum(path(f, "vcard.db3"), {});
        WriteRawAlbum(path(f, "csv.db3"), {});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        for (const char* name : {"EksportVCard1", "ImportVCard1", "EksportCSV1", "ImportCSV1"})
            QVERIFY(f.form1().Action(QLatin1String(name)));

        f.dialogs->expectSaveFile(path(f, "klasa.vcf")).expectBox(MsgResult::Ok);
        run(f, "EksportVCard1");
        QCOMPARE(f.dialogs->shown()[0].file.Filter.section(QLatin1Char('|'), 0, 0),
                 QStringLiteral("Wizytówki vCard (*.vcf *.vcard)"));
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Zapisano osób: 13 w pliku „klasa.vcf”."));
        f.dialogs->expectSaveFile(path(f, "klasa.csv")).expectBox(MsgResult::Ok);
        run(f, "EksportCSV1");
        const QByteArray csv = f.folder.read(QStringLiteral("klasa.csv"));
        QVERIFY(csv.startsWith("\xEF\xBB\xBF" + QStringLiteral("Imię;Nazwisko;Ksywa;Adnotacje i "
                                                               "uwagi;Adres i źródła kontaktu\r\n")
                                                    .toUtf8()));
        // One row per person in the list's order (by last name): Adamczyk first.
        QVERIFY(csv.mid(csv.indexOf('\n') + 1).startsWith("Adam;Adamczyk;;;\r\n"));

        openAlbum(f, "vcard.db3");
        f.dialogs->clear();
        f.dialogs->expectOpenFile(path(f, "klasa.vcf")).expectBox(MsgResult::Ok);
        run(f, "ImportVCard1");
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Dodano do albumu osób: 13."));
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("13")); // the list read anew
        // Every text and photo as it was; the person without a photo has the placeholder.
        const std::vector<QByteArrayList> imported = RawRecords(path(f, "vcard.db3"));
        const std::vector<QByteArrayList> original = RawRecords(path(f, "klasa.db3"));
        QCOMPARE(imported.size(), original.size());
        const auto byName = [](const std::vector<QByteArrayList>& records, const QByteArray& n) {
            for (const QByteArrayList& r : records)
                if (r.value(2) == n)
                    return r.mid(1);
            return QByteArrayList();
        };
        for (const QByteArrayList& o : original) {
            QByteArrayList expected = o.mid(1);
            if (expected.last() == "null:")
                expected.last() = "blob:" + f.form2().Placeholder().Jpeg();
            QCOMPARE(byName(imported, o.value(2)), expected);
        }

        openAlbum(f, "csv.db3");
        f.dialogs->expectOpenFile(path(f, "klasa.csv")).expectBox(MsgResult::Ok);
        run(f, "ImportCSV1");
        const std::vector<QByteArrayList> fromCsv = RawRecords(path(f, "csv.db3"));
        QCOMPARE(fromCsv.size(), original.size());
        for (const QByteArrayList& o : original) {
            const QByteArrayList row = byName(fromCsv, o.value(2));
            QCOMPARE(row.mid(0, 5), o.mid(1, 5));
            QCOMPARE(row.value(5), "blob:" + f.form2().Placeholder().Jpeg());
        }
    }

    void theShownPersonAloneOrTheWholeList() {
        AlbumFixture f;
        WriteRawAlbum(path(f, "klasa.db3"), people);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        // Stopped: no file.
        f.dialogs->expectSaveFile(path(f, "przerwany.vcf"))
            .expectProgress(1)
            .expectBox(MsgResult::Ok);
        run(f, "EksportVCard1");
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Przerwano eksport osób. Nie zapisano żadnego pliku."));
        QVERIFY(!QFile::exists(path(f, "przerwany.vcf")));
        f.dialogs->clear();

        f.form1().Grid()->FocusCell(2, 1);
        f.form1().PokazRekordu1Click();
        QVERIFY(f.form2().isVisible());
        f.dialogs->expectBox(MsgResult::Yes).expectSaveFile(path(f, "jeden.vcf"));
        f.dialogs->expectBox(MsgResult::Ok);
        run(f, "EksportVCard1");
        QVERIFY(f.dialogs->shown()[0].text.contains(QStringLiteral("Adam Adamczyk")));
        QCOMPARE(f.dialogs->shown()[1].file.FileName, QStringLiteral("Adam Adamczyk.vcf"));
        const std::vector<TExchangePerson> one =
            ReadVCards(f.folder.read(QStringLiteral("jeden.vcf")));
        QCOMPARE(one.size(), std::size_t(1));
        QCOMPARE(one[0].Texts.Nazwisko, QStringLiteral("Adamczyk"));
        QVERIFY(one[0].Jpeg.isEmpty());
        // Importing needs the record window closed, as the list is read anew.
        f.dialogs->expectBox(MsgResult::Ok);
        run(f, "ImportVCard1");
        QVERIFY(f.dialogs->last().text.startsWith(QStringLiteral("Importuję osoby tylko")));
    }

    void importAsksAboutTwinsAndCharactersAndCanBeStopped() {
        AlbumFixture f;
        WriteRawAlbum(path(f, "klasa.db3"), {{"Zofia", "ŁUKASIK", "", "", "", std::nullopt}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        QVERIFY(
            f.folder.write("obcy.vcf", sample("android-2.1.vcf") +
                                           "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Muñoz;Antonín;;;\r\n"
                                           "NOTE:😀\r\nEND:VCARD\r\n"));
        f.start();
        const QString vcf = path(f, "obcy.vcf");

        // Stopped at the second person: nothing added.
        f.dialogs->expectOpenFile(vcf)
            .expectBox(MsgResult::Yes)
            .expectBox(MsgResult::Yes)
            .expectProgress(2)
            .expectBox(MsgResult::Ok);
        run(f, "ImportVCard1");
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Przerwano import osób. Nie dodano nikogo; plik bazowy pozostał "
                                "bez zmian."));
        QCOMPARE(RawCount(path(f, "klasa.db3")), 1);

        // The odd characters' owner is skipped, the twin added all the same.
        f.dialogs->clear();
        f.dialogs->expectOpenFile(vcf)
            .expectBox(MsgResult::No)
            .expectBox(MsgResult::Yes)
            .expectBox(MsgResult::Ok);
        run(f, "ImportVCard1");
        const QString question = f.dialogs->shown()[1].text;
        QVERIFY(question.contains(QStringLiteral("- Antonín Muñoz: Nazwisko, Adnotacje i uwagi")));
        QVERIFY(question.contains(QStringLiteral("„ñ” jako „n”")));
        QVERIFY(f.dialogs->shown()[2].text.contains(QStringLiteral("\n- Zofia Łukasik\n")));
        QCOMPARE(RawCount(path(f, "klasa.db3")), 3);

        // Twins skipped, the nearest form stored.
        f.dialogs->clear();
        f.dialogs->expectOpenFile(vcf)
            .expectBox(MsgResult::Yes)
            .expectBox(MsgResult::No)
            .expectBox(MsgResult::Ok);
        run(f, "ImportVCard1");
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Dodano do albumu osób: 1."));
        QCOMPARE(RawCount(path(f, "klasa.db3")), 4);
        QCOMPARE(RawValue(path(f, "klasa.db3"), 4, "Nazwisko"), QByteArray("Munoz"));
        QCOMPARE(RawValue(path(f, "klasa.db3"), 4, "Notes"), QByteArray("?"));
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("4"));
    }
};

QTEST_MAIN(TestAlbumExchange)
#include "tst_album_exchange.moc"
