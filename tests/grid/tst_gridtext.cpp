// Conversions, text comparison helpers and the comparator-safe merge sort of the grid.

#include "grid/GridText.h"
#include "grid/MergeSort.h"
#include "grid/SortSymbols.h"

#include "platform/text/Cp1250.h"
#include "platform/text/PolishOrder.h"

#include <QtTest/QtTest>

#include <algorithm>
#include <numeric>
#include <random>

using namespace movra;

class TstGridText : public QObject {
    Q_OBJECT
private slots:
    void numbers_data();
    void numbers();
    void times_data();
    void times();
    void dateTimes_data();
    void dateTimes();
    void dateTimeOrderIsExact();
    void substringMatching();
    void wholeTextIgnoringCase();
    void mergeSortIsStable();
    void mergeSortSurvivesInconsistentComparators();
    void sortSymbolsLoad();
};

void TstGridText::numbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "10" << true << 10.0;
    QTest::newRow("blanks around") << "  9 " << true << 9.0;
    QTest::newRow("decimal comma") << "1,5" << true << 1.5;
    QTest::newRow("leading comma") << ",25" << true << 0.25;
    QTest::newRow("trailing comma") << "7," << true << 7.0;
    QTest::newRow("negative") << "-3,75" << true << -3.75;
    QTest::newRow("plus") << "+2" << true << 2.0;
    QTest::newRow("exponent") << "1,5E3" << true << 1500.0;
    QTest::newRow("exponent lower") << "2e-2" << true << 0.02;
    QTest::newRow("decimal point is not Polish") << "1.5" << false << 0.0;
    QTest::newRow("two commas") << "1,2,3" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks only") << "   " << false << 0.0;
    QTest::newRow("comma only") << "," << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("inner blank") << "1 000" << false << 0.0;
    QTest::newRow("letters") << "12abc" << false << 0.0;
    QTest::newRow("out of range") << "1e999" << false << 0.0;
    QTest::newRow("inf is no number") << "inf" << false << 0.0;
    QTest::newRow("long exact") << "0,1000000000000000055511151231257827" << true << 0.1;
}

void TstGridText::numbers() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const auto v = ToNumber(text);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, value);
}

void TstGridText::times_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("seconds");
    QTest::newRow("h:mm") << "12:30" << true << 45000.0;
    QTest::newRow("h:mm:ss") << "7:05:09" << true << 25509.0;
    QTest::newRow("midnight") << "0:00" << true << 0.0;
    QTest::newRow("blanks") << " 23:59:59 " << true << 86399.0;
    QTest::newRow("hour 24") << "24:00" << false << 0.0;
    QTest::newRow("minute 60") << "10:60" << false << 0.0;
    QTest::newRow("no minutes") << "10:" << false << 0.0;
    QTest::newRow("three digit hour") << "100:00" << false << 0.0;
    QTest::newRow("date is no time") << "12.03.2020" << false << 0.0;
    QTest::newRow("dot separator") << "12.30" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
}

void TstGridText::times() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, seconds);
    const auto v = ToTime(text);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, seconds);
}

void TstGridText::dateTimes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("seconds");
    QTest::newRow("origin") << "30.12.1899" << true << 0.0;
    QTest::newRow("short day and month") << "1.1.1900" << true << 2.0 * 86400;
    QTest::newRow("date and time") << "31.12.1899 12:00" << true << 86400.0 + 43200.0;
    QTest::newRow("time alone") << "12:30" << true << 45000.0;
    QTest::newRow("leap day") << "29.02.2000" << true << 36585.0 * 86400;
    QTest::newRow("no leap day 1900") << "29.02.1900" << false << 0.0;
    QTest::newRow("no leap day 2023") << "29.02.2023" << false << 0.0;
    QTest::newRow("day 31 in April") << "31.04.2020" << false << 0.0;
    QTest::newRow("two digit year") << "1.1.20" << false << 0.0;
    QTest::newRow("month 13") << "1.13.2020" << false << 0.0;
    QTest::newRow("iso order") << "2020-01-01" << false << 0.0;
    QTest::newRow("time glued") << "1.1.2020X" << false << 0.0;
    QTest::newRow("bad time") << "1.1.2020 25:00" << false << 0.0;
    QTest::newRow("number") << "10" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
}

void TstGridText::dateTimes() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, seconds);
    const auto v = ToDateTime(text);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, seconds);
}

void TstGridText::dateTimeOrderIsExact() {
    // Every day of several years converts to consecutive day numbers, checked against QDate.
    const QDate origin(1899, 12, 30);
    for (QDate d(1999, 1, 1); d <= QDate(2001, 12, 31); d = d.addDays(1)) {
        const auto v = ToDateTime(d.toString(QStringLiteral("d.M.yyyy")));
        QVERIFY2(v.has_value(), qPrintable(d.toString()));
        QCOMPARE(*v, static_cast<double>(origin.daysTo(d)) * 86400.0);
    }
    QVERIFY(*ToDateTime(QStringLiteral("1.1.2000 0:00:01")) >
            *ToDateTime(QStringLiteral("31.12.1999 23:59:59")));
}

void TstGridText::substringMatching() {
    QCOMPARE(CaseFolded(QStringLiteral("abc-łódź-ąęśżźćń")), QStringLiteral("ABC-ŁÓDŹ-ĄĘŚŻŹĆŃ"));
    QVERIFY(ContainsFolded(QStringLiteral("xxabcxx"), QStringLiteral("ABC")));
    QVERIFY(!ContainsFolded(QStringLiteral("AB"), QStringLiteral("ABC")));
    QVERIFY(!ContainsFolded(QStringLiteral("abc"), QString()));
    QVERIFY(ContainsFolded(QStringLiteral("Kowalczyk-Łęcka"), CaseFolded(QStringLiteral("łęcka"))));
    QVERIFY(ContainsFolded(QStringLiteral("ławka"), CaseFolded(QStringLiteral("ŁAWKA"))));
    // A letter with a mark is a letter of its own: "Lodz" is not "Łódź".
    QVERIFY(!ContainsFolded(QStringLiteral("Łódź"), CaseFolded(QStringLiteral("lodz"))));
    QVERIFY(ContainsFolded(QStringLiteral("aaab"), QStringLiteral("AAB")));
    QVERIFY(ContainsExactly(QStringLiteral("Kowalski"), QStringLiteral("wal")));
    QVERIFY(!ContainsExactly(QStringLiteral("Kowalski"), QStringLiteral("WAL")));
}

void TstGridText::wholeTextIgnoringCase() {
    QVERIFY(SameTextIgnoringCase(u"Łódź", u"łÓDŹ"));
    QVERIFY(SameTextIgnoringCase(u"", u""));
    QVERIFY(!SameTextIgnoringCase(u"abc", u"ab"));
    QVERIFY(!SameTextIgnoringCase(u"Lodz", u"Łódź"));

    // The grid's order and the album file's order are one: on texts the code page holds, the
    // comparison of texts, of their Windows-1250 bytes and of the sort keys agree for every pair,
    // and the order is total (only equal texts compare equal).
    const QStringList words{"a", "A",   "ą",  "Ą",     "á",     "b",       "ć", "c",
                            "Ł", "l",   "ł",  "m",     "ó",     "o",       "ö", "ż",
                            "ź", "z",   "ž",  "Zenon", "zenon", "Łukasik", "",  " ",
                            "1", "a b", "ab", "Ab",    "Żak",   "Śliwa",   "ß", "ss"};
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const QString& x : words) {
        const std::string bx = *ToCp1250(x);
        for (const QString& y : words) {
            const std::string by = *ToCp1250(y);
            const int texts = sign(ComparePolish(x, y));
            QCOMPARE(sign(ComparePolishCp1250(bx, by)), texts);
            // The key the album file's query sorts by compares as its bytes do.
            std::string kx;
            std::string ky;
            PolishSortKeyCp1250(bx, kx);
            PolishSortKeyCp1250(by, ky);
            QCOMPARE(sign(kx.compare(ky)), texts);
            QCOMPARE(texts == 0, x == y);
            QCOMPARE(sign(ComparePolish(y, x)), -texts);
        }
    }
    QStringList sorted = words;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& x, const QString& y) { return ComparePolish(x, y) < 0; });
    // Letters first, then letter case, then the bytes: á goes with a, before the capital A.
    QCOMPARE(sorted,
             (QStringList{"",  " ",  "1",     "a", "á", "A",     "a b",     "ab", "Ab", "ą",  "Ą",
                          "b", "c",  "ć",     "l", "ł", "Ł",     "Łukasik", "m",  "o",  "ö",  "ó",
                          "ß", "ss", "Śliwa", "z", "ž", "zenon", "Zenon",   "ź",  "ż",  "Żak"}));
}

void TstGridText::mergeSortIsStable() {
    std::mt19937 rng(7);
    std::vector<std::pair<int, int>> v(1000);
    for (int i = 0; i < 1000; ++i)
        v[static_cast<std::size_t>(i)] = {static_cast<int>(rng() % 10), i};
    auto expected = v;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    SafeMergeSort(v, [](const auto& a, const auto& b) { return a.first < b.first; });
    QVERIFY(v == expected);
}

void TstGridText::mergeSortSurvivesInconsistentComparators() {
    for (int n : {0, 1, 2, 3, 17, 1000, 4097}) {
        std::vector<int> v(static_cast<std::size_t>(n));
        std::iota(v.begin(), v.end(), 0);
        std::mt19937 rng(static_cast<unsigned>(n));
        // A comparator that answers at random: no order at all.
        SafeMergeSort(v, [&](int, int) { return (rng() & 1) != 0; });
        std::vector<int> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> all(static_cast<std::size_t>(n));
        std::iota(all.begin(), all.end(), 0);
        QVERIFY2(sorted == all, "every element exactly once");
        // Always true: "everything goes before everything".
        SafeMergeSort(v, [](int, int) { return true; });
        sorted = v;
        std::sort(sorted.begin(), sorted.end());
        QVERIFY(sorted == all);
    }
}

void TstGridText::sortSymbolsLoad() {
    const struct {
        TSortSymbolResource which;
        QSize size;
        QPoint background;
    } symbols[] = {{SortUp, {8, 7}, {0, 0}},
                   {SortDown, {8, 7}, {0, 6}},
                   {SortAZ, {16, 16}, {15, 15}},
                   {SortZA, {16, 16}, {15, 15}}};
    for (const auto& s : symbols) {
        const QImage img = LoadSortSymbol(s.which);
        QCOMPARE(img.size(), s.size);
        // Aqua background (the transparent colour) in the corner, something drawn on it.
        QCOMPARE(img.pixelColor(s.background), QColor(0, 255, 255));
        int drawn = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                drawn += img.pixelColor(x, y) != QColor(0, 255, 255) ? 1 : 0;
        QVERIFY(drawn > 5);
    }
    // The up triangle is wide at the bottom, the down one at the top.
    const QImage up = LoadSortSymbol(SortUp);
    QVERIFY(up.pixelColor(0, 6) != QColor(0, 255, 255));
    QCOMPARE(up.pixelColor(0, 0), QColor(0, 255, 255));
    const QImage down = LoadSortSymbol(SortDown);
    QVERIFY(down.pixelColor(0, 0) != QColor(0, 255, 255));
}

QTEST_MAIN(TstGridText)
#include "tst_gridtext.moc"
