#include "platform/core/Font.h"
#include "preview/Units.h"

#include <QtTest/QtTest>

using namespace movra;

class TestPreviewUnits : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (ScreenPixelsPerInch() != 96)
            QSKIP("these figures are for a screen of 96 pixels per inch");
    }

    void conversions_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("expected");
        // The exact steps within a family truncate; the general rule rounds.
        QTest::newRow("hi->lo metric truncates")
            << 19 << 96 << int(mmHiMetric) << int(mmLoMetric) << 1;
        QTest::newRow("hi metric->lo english rounds")
            << 19 << 96 << int(mmHiMetric) << int(mmLoEnglish) << 1;
        QTest::newRow("lo metric->pixel") << 2970 << 96 << int(mmLoMetric) << int(mmPixel) << 1123;
        QTest::newRow("pixel->pixel same screen")
            << 100 << 96 << int(mmPixel) << int(mmPixel) << 100;
        QTest::newRow("pixel->pixel printer") << 100 << 600 << int(mmPixel) << int(mmPixel) << 625;
        QTest::newRow("lo->hi metric") << 2100 << 96 << int(mmLoMetric) << int(mmHiMetric) << 21000;
        QTest::newRow("lo->hi english")
            << 850 << 96 << int(mmLoEnglish) << int(mmHiEnglish) << 8500;
        QTest::newRow("hi->lo english truncates")
            << 8509 << 96 << int(mmHiEnglish) << int(mmLoEnglish) << 850;
        QTest::newRow("twips->points truncates") << 39 << 96 << int(mmTWIPS) << int(mmPoints) << 1;
        QTest::newRow("points->twips") << 12 << 96 << int(mmPoints) << int(mmTWIPS) << 240;
        QTest::newRow("same unit unchanged")
            << 12345 << 96 << int(mmHiEnglish) << int(mmHiEnglish) << 12345;
        QTest::newRow("hi english->lo metric")
            << 8500 << 96 << int(mmHiEnglish) << int(mmLoMetric) << 2159;
        QTest::newRow("negative rounds away")
            << -19 << 96 << int(mmHiMetric) << int(mmLoEnglish) << -1;
        QTest::newRow("unknown unit unchanged") << 77 << 96 << 42 << int(mmPixel) << 77;
        QTest::newRow("printer pixels of A4")
            << 2100 << 600 << int(mmLoMetric) << int(mmPixel) << 4961;
    }
    void conversions() {
        QFETCH(int, n);
        QFETCH(int, dpi);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, expected);
        QCOMPARE(ConvertUnits(n, dpi, TUnits(from), TUnits(to)), expected);
    }

    void noOverflowOrDivisionByZero() {
        // A pixel count at a resolution of 0 has no inch to divide by.
        QCOMPARE(ConvertUnits(100, 0, mmPixel, mmLoMetric), 0);
        // Products beyond 32 bits do not wrap.
        QCOMPARE(ConvertUnits(2000000000, 96, mmLoMetric, mmHiMetric), INT32_MAX);
        QCOMPARE(ConvertUnits(-2000000000, 96, mmPoints, mmTWIPS), INT32_MIN);
        QCOMPARE(ConvertUnits(2000000000, 96, mmPoints, mmHiMetric), INT32_MAX);
        QCOMPARE(ConvertUnits(2000000000, 2540, mmHiMetric, mmPixel), 2000000000);
    }

    void paperTable() {
        // The table has every format in order, with its printer paper number.
        QCOMPARE(PaperTypeCount, 67);
        QCOMPARE(PaperSizeOf(pLetter).Id, 1);
        QCOMPARE(PaperSizeOf(pA4).Id, 9);
        QCOMPARE(PaperSizeOf(pA4).Width, 2100);
        QCOMPARE(PaperSizeOf(pA4).Height, 2970);
        QCOMPARE(PaperSizeOf(pA4).Units, mmLoMetric);
        QCOMPARE(PaperSizeOf(pEnvInvite).Id, 47);
        QCOMPARE(PaperSizeOf(pLetterExtra).Id, 50);
        QCOMPARE(PaperSizeOf(TabloidExtra).Width, 11690);
        QCOMPARE(PaperSizeOf(pEnvB6).Width, 1760); // wider than tall, as listed
        QCOMPARE(PaperSizeOf(pA3ExtraTransverse).Id, 68);
        QCOMPARE(PaperSizeOf(pCustom).Id, 256);
        for (int i = 0; i < pCustom; ++i) {
            const TPaperSize& row = PaperSizeOf(TPaperType(i));
            QVERIFY2(row.Width > 0 && row.Height > 0, qPrintable(QString::number(i)));
            QVERIFY(row.Units == mmLoMetric || row.Units == mmHiEnglish);
            if (i > 0)
                QVERIFY(row.Id > PaperSizeOf(TPaperType(i - 1)).Id);
        }
    }

    void lookups() {
        // The first matching row wins: A4 is pA4, not pA4Small or pA4Transverse.
        QCOMPARE(PaperTypeForSize(21000, 29700, mmHiMetric, 96), pA4);
        QCOMPARE(PaperTypeForSize(2100, 2970, mmLoMetric, 96), pA4);
        QCOMPARE(PaperTypeForSize(2159, 2794, mmLoMetric, 96), pLetter);
        QCOMPARE(PaperTypeForSize(850, 1100, mmLoEnglish, 96), pLetter);
        QCOMPARE(PaperTypeForSize(1000, 1000, mmLoMetric, 96), pCustom);
        QCOMPARE(PaperTypeForSize(2970, 2100, mmLoMetric, 96), pCustom); // landscape: no row
        QCOMPARE(PaperTypeForSize(1760, 1250, mmLoMetric, 96), pEnvB6);
        QCOMPARE(PaperTypeForId(9), pA4);
        QCOMPARE(PaperTypeForId(1), pLetter);
        QCOMPARE(PaperTypeForId(52), TabloidExtra);
        QCOMPARE(PaperTypeForId(48), pCustom); // a gap in the numbers
        QCOMPARE(PaperTypeForId(256), pCustom);
        QCOMPARE(PaperTypeForId(0), pCustom);
    }
};

QTEST_MAIN(TestPreviewUnits)
#include "tst_preview_units.moc"
