#include "grid/GridPrintFormat.h"
#include "grid/StretchBitmap.h"

#include <QtCore/QLocale>
#include <QtTest/QtTest>

using namespace movra;

namespace {

// A 24-bit picture from rows of grey levels (each pixel r = g = b = level).
QImage Grey(const std::vector<std::vector<int>>& rows) {
    const int h = static_cast<int>(rows.size());
    const int w = static_cast<int>(rows.front().size());
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(rows[y][x], rows[y][x], rows[y][x]));
    return img;
}

std::vector<std::vector<int>> Levels(const QImage& img, int channel = 0) {
    std::vector<std::vector<int>> out;
    for (int y = 0; y < img.height(); ++y) {
        std::vector<int> row;
        const uchar* line = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x)
            row.push_back(line[x * 3 + channel]);
        out.push_back(row);
    }
    return out;
}

QString Show(const std::vector<std::vector<int>>& m) {
    QStringList rows;
    for (const auto& r : m) {
        QStringList cells;
        for (int v : r)
            cells << QString::number(v);
        rows << cells.join(QLatin1Char(' '));
    }
    return rows.join(QStringLiteral(" / "));
}

const QDateTime kMorning(QDate(2024, 1, 5), QTime(9, 7, 3, 45));
const QDateTime kAfternoon(QDate(2023, 11, 28), QTime(15, 30, 0));

} // namespace

class TestGridPrintBasics : public QObject {
    Q_OBJECT
private slots:
    // ---- StretchBitmap -----------------------------------------------------------------------

    void stretchTwoByOneToThree() {
        QImage dst(3, 1, QImage::Format_RGB888);
        StretchBitmap(Grey({{0, 255}}), dst);
        // Step 32768 / 3 = 10922: weights 0, 10922 and 21844 of 32768 on the right pixel.
        const auto got = Levels(dst);
        QCOMPARE(Show(got), QStringLiteral("0 84 169"));
    }

    void stretchTwoByTwoToFourByFour() {
        QImage dst(4, 4, QImage::Format_RGB888);
        // Left column 0, right column 200; top row adds nothing, bottom row 40 more.
        StretchBitmap(Grey({{0, 200}, {40, 240}}), dst);
        // Steps of 8192 both ways: a quarter of the way per pixel, the far edge never reached.
        QCOMPARE(Show(Levels(dst)),
                 QStringLiteral("0 50 100 150 / 10 60 110 160 / 20 70 120 170 / 30 80 130 180"));
    }

    void channelsAreResampledSeparately() {
        QImage src(2, 1, QImage::Format_RGB888);
        src.setPixel(0, 0, qRgb(255, 0, 100));
        src.setPixel(1, 0, qRgb(0, 255, 100));
        QImage dst(2, 1, QImage::Format_RGB888);
        StretchBitmap(src, dst);
        // Step 16384: the second pixel is half way.
        QCOMPARE(dst.pixel(0, 0), qRgb(255, 0, 100));
        QCOMPARE(dst.pixel(1, 0), qRgb(127, 127, 100));
    }

    void onePixelSourceFillsTheDestination() {
        QImage src(1, 1, QImage::Format_RGB888);
        src.setPixel(0, 0, qRgb(12, 34, 56));
        QImage dst(5, 3, QImage::Format_RGB888);
        dst.fill(Qt::white);
        StretchBitmap(src, dst);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(dst.pixel(x, y), qRgb(12, 34, 56));
    }

    void oneRowAndOneColumnSources() {
        QImage row(1, 3, QImage::Format_RGB888);
        StretchBitmap(Grey({{0, 100}}), row);
        QCOMPARE(Show(Levels(row)), QStringLiteral("0 / 0 / 0"));
        QImage col(3, 2, QImage::Format_RGB888);
        StretchBitmap(Grey({{0}, {90}}), col);
        // Vertical step 32768 / 2: the second row is half way down.
        QCOMPARE(Show(Levels(col)), QStringLiteral("0 0 0 / 45 45 45"));
    }

    void shrinking() {
        QImage dst(2, 1, QImage::Format_RGB888);
        StretchBitmap(Grey({{0, 40, 80, 120}}), dst);
        // Step 3 * 32768 / 2 = 49152: 1.5 source pixels per destination pixel.
        QCOMPARE(Show(Levels(dst)), QStringLiteral("0 60"));
    }

    void emptyPicturesAreNothingToDo() {
        QImage dst(2, 2, QImage::Format_RGB888);
        dst.fill(QColor(1, 2, 3));
        const QImage before = dst;
        StretchBitmap(QImage(), dst);
        QCOMPARE(dst, before);
        StretchBitmap(QImage(0, 5, QImage::Format_RGB888), dst);
        QCOMPARE(dst, before);
        QImage none;
        StretchBitmap(Grey({{1, 2}}), none);
        QVERIFY(none.isNull());
        QImage flat(4, 0, QImage::Format_RGB888);
        StretchBitmap(Grey({{1, 2}}), flat);
        QVERIFY(flat.isNull());
    }

    void widePicturesDoNotOverflow() {
        // (70000 - 1) * 32768 is beyond 32 bits: the step must still be right.
        QImage src(70000, 1, QImage::Format_RGB888);
        uchar* line = src.scanLine(0);
        for (int x = 0; x < 70000; ++x) {
            const int v = x < 35000 ? 10 : 250;
            line[x * 3] = line[x * 3 + 1] = line[x * 3 + 2] = static_cast<uchar>(v);
        }
        QImage dst(4, 1, QImage::Format_RGB888);
        StretchBitmap(src, dst);
        QCOMPARE(Show(Levels(dst)), QStringLiteral("10 10 130 250"));
    }

    void picturesBecomeTwentyFourBit() {
        QImage src(2, 1, QImage::Format_ARGB32);
        src.setPixel(0, 0, qRgb(0, 0, 0));
        src.setPixel(1, 0, qRgb(200, 200, 200));
        QImage dst(2, 1, QImage::Format_ARGB32);
        StretchBitmap(src, dst);
        QCOMPARE(dst.format(), QImage::Format_RGB888);
        QCOMPARE(dst.size(), QSize(2, 1));
        QCOMPARE(dst.pixel(1, 0), qRgb(100, 100, 100));
    }

    // ---- date and time pictures --------------------------------------------------------------

    void polishMonthNames() {
        const QLocale pl(QLocale::Polish, QLocale::Poland);
        QCOMPARE(pl.monthName(1, QLocale::ShortFormat), QStringLiteral("sty"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("d-mmm-yyyy"), kMorning),
                 QStringLiteral("5-sty-2024"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("d-mmm-yyyy"), kAfternoon),
                 QStringLiteral("28-") + pl.monthName(11, QLocale::ShortFormat) +
                     QStringLiteral("-2023"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("d mmmm yyyy"), kMorning),
                 QStringLiteral("5 ") + pl.monthName(1, QLocale::LongFormat) +
                     QStringLiteral(" 2024"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("dddd"), kMorning),
                 pl.dayName(5, QLocale::LongFormat));
    }

    void numericPictures() {
        QCOMPARE(FormatDateTimePicture(QStringLiteral("h:nn"), kMorning), QStringLiteral("9:07"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("hh:nn:ss"), kMorning),
                 QStringLiteral("09:07:03"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("dd.mm.yy"), kMorning),
                 QStringLiteral("05.01.24"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("d/m/yyyy"), kMorning),
                 QStringLiteral("5.1.2024"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("s.zzz"), kMorning), QStringLiteral("3.045"));
        // Upper-case letters mean the same.
        QCOMPARE(FormatDateTimePicture(QStringLiteral("D-M-YYYY"), kMorning),
                 QStringLiteral("5-1-2024"));
    }

    void minutesAfterAnHour() {
        QCOMPARE(FormatDateTimePicture(QStringLiteral("h:mm"), kMorning), QStringLiteral("9:07"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("hh mm, dd mm"), kMorning),
                 QStringLiteral("09 07, 05 01"));
    }

    void twelveHourClock() {
        QCOMPARE(FormatDateTimePicture(QStringLiteral("h:nn am/pm"), kAfternoon),
                 QStringLiteral("3:30 pm"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("hh:nn AM/PM"), kMorning),
                 QStringLiteral("09:07 AM"));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("h a/p"), kAfternoon), QStringLiteral("3 p"));
        const QDateTime midnight(QDate(2024, 1, 1), QTime(0, 5));
        QCOMPARE(FormatDateTimePicture(QStringLiteral("h:nn am/pm"), midnight),
                 QStringLiteral("12:05 am"));
    }

    void quotedAndOtherCharacters() {
        QCOMPARE(FormatDateTimePicture(QStringLiteral("'dnia' d \"mm\" yyyy!"), kMorning),
                 QStringLiteral("dnia 5 mm 2024!"));
        QCOMPARE(FormatDateTimePicture(QString(), kMorning), QString());
        QCOMPARE(FormatDateTimePicture(QStringLiteral("x[ ]"), kMorning), QStringLiteral("x[ ]"));
    }

    // ---- footers and page labels -------------------------------------------------------------

    void pageLabels() {
        QCOMPARE(PageLabel(1, 1, false), QStringLiteral("Strona 1"));
        QCOMPARE(PageLabel(1, 2, true), QStringLiteral("Strona 1-2"));
        QCOMPARE(PageLabel(2, 3, true), QStringLiteral("Strona 2-3"));
    }

    void footerItems_data() {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("default") << "date|time|page" << QStringList{"D", "T", "P"};
        QTest::newRow("page alone") << "page" << QStringList{"P", "", ""};
        QTest::newRow("page right") << "||page" << QStringList{"", "", "P"};
        QTest::newRow("date twice") << "date|date" << QStringList{"D", "D", ""};
        QTest::newRow("first only") << "date, date" << QStringList{"D, date", "", ""};
        QTest::newRow("case matters") << "Date Page|TIME" << QStringList{"Date Page", "TIME", ""};
        QTest::newRow("three items only") << "page|a|b|page" << QStringList{"P", "a", "b"};
        QTest::newRow("text around")
            << "Wydruk: date, godz. time" << QStringList{"Wydruk: D, godz. T", "", ""};
        QTest::newRow("each token once per item")
            << "pagepage|timetime" << QStringList{"Ppage", "Ttime", ""};
        QTest::newRow("empty") << "" << QStringList{"", "", ""};
    }

    void footerItems() {
        QFETCH(QString, templ);
        QFETCH(QStringList, items);
        const auto got =
            FooterItems(templ, QStringLiteral("D"), QStringLiteral("T"), QStringLiteral("P"));
        QCOMPARE((QStringList{got[0], got[1], got[2]}), items);
    }

    void replacementsDoNotFeedEachOther() {
        // The date comes first; a "time" inside the date text is then replaced (as written
        // order says), but a "page" inside the page label is not replaced again.
        const auto got = FooterItems(QStringLiteral("date|page"), QStringLiteral("time"),
                                     QStringLiteral("9:00"), QStringLiteral("page 1"));
        QCOMPARE(got[0], QStringLiteral("9:00"));
        QCOMPARE(got[1], QStringLiteral("page 1"));
    }
};

QTEST_GUILESS_MAIN(TestGridPrintBasics)
#include "tst_gridprint_basics.moc"
