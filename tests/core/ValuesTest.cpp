#include "platform/core/Colors.h"
#include "platform/core/Font.h"
#include "platform/core/Geometry.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QPalette>
#include <QtTest/QTest>

#include <climits>

using namespace movra;

// The rounding rule is part of the contract and is used in constant expressions.
static_assert(MulDiv(5, 1, 2) == 3);
static_assert(MulDiv(-5, 1, 2) == -3);
static_assert(MulDiv(1, 1, 0) == -1);

class ValuesTest : public QObject {
    Q_OBJECT

private slots:
    void plainColoursExact() {
        QCOMPARE(clSilver, 12632256);
        QCOMPARE(clWhite, 16777215);
        QCOMPARE(clMaroon, 128);
        QCOMPARE(RGBColor(1, 2, 3), 0x030201);
        QCOMPARE(ToQColor(RGBColor(1, 2, 3)), QColor(1, 2, 3));
        QCOMPARE(ToQColor(clMaroon), QColor(128, 0, 0));
        QCOMPARE(ToQColor(16644814), QColor(0xCE, 0xFA, 0xFD));
        for (TColor c : {clBlack, clSilver, clWhite, 16644814, 13172735, 0x123456})
            QCOMPARE(FromQColor(ToQColor(c)), c);
        // Alpha is not part of a colour value.
        QCOMPARE(FromQColor(QColor(10, 20, 30, 40)), RGBColor(10, 20, 30));
        QVERIFY(!IsSystemColor(clWhite));
        QVERIFY(!IsSystemColor(clBlack));
    }

    void systemColoursSignedValues() {
        QCOMPARE(clBtnFace, -2147483633);
        QCOMPARE(clWindow, -2147483643);
        QCOMPARE(static_cast<std::uint32_t>(clBtnFace), 0x8000000Fu);
        QVERIFY(IsSystemColor(clBtnFace));
        QVERIFY(IsSystemColor(clWindow));
        QVERIFY(IsSystemColor(clWindowText));
        QVERIFY(IsSystemColor(clBtnShadow));
    }

    void systemColoursFollowPalette() {
        const QPalette saved = QGuiApplication::palette();
        QPalette p = saved;
        p.setColor(QPalette::Active, QPalette::Base, QColor(1, 2, 3));
        p.setColor(QPalette::Active, QPalette::Text, QColor(4, 5, 6));
        p.setColor(QPalette::Active, QPalette::Button, QColor(7, 8, 9));
        p.setColor(QPalette::Active, QPalette::Highlight, QColor(10, 11, 12));
        p.setColor(QPalette::Active, QPalette::HighlightedText, QColor(13, 14, 15));
        p.setColor(QPalette::Active, QPalette::Dark, QColor(16, 17, 18));
        QGuiApplication::setPalette(p);
        QCOMPARE(ToQColor(clWindow), QColor(1, 2, 3));
        QCOMPARE(ToQColor(clWindowText), QColor(4, 5, 6));
        QCOMPARE(ToQColor(clBtnFace), QColor(7, 8, 9));
        QCOMPARE(ToQColor(clHighlight), QColor(10, 11, 12));
        QCOMPARE(ToQColor(clHighlightText), QColor(13, 14, 15));
        QCOMPARE(ToQColor(clBtnShadow), QColor(16, 17, 18));
        // A theme change is seen at once: nothing is cached.
        p.setColor(QPalette::Active, QPalette::Button, QColor(90, 91, 92));
        QGuiApplication::setPalette(p);
        QCOMPARE(ToQColor(clBtnFace), QColor(90, 91, 92));
        QGuiApplication::setPalette(saved);
        // The value itself stays the system colour; only painting resolves it.
        QVERIFY(ToQColor(SystemColor(200)).isValid());
    }

    void mulDiv_data() {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("c");
        QTest::addColumn<int>("expected");
        QTest::newRow("exact") << 6 << 4 << 3 << 8;
        QTest::newRow("half up") << 5 << 1 << 2 << 3;
        QTest::newRow("one half") << 1 << 1 << 2 << 1;
        QTest::newRow("three halves") << 3 << 1 << 2 << 2;
        QTest::newRow("below half") << 7 << 1 << 3 << 2;
        QTest::newRow("above half") << 8 << 1 << 3 << 3;
        QTest::newRow("negative a half") << -5 << 1 << 2 << -3;
        QTest::newRow("negative b half") << 5 << -1 << 2 << -3;
        QTest::newRow("negative c half") << 5 << 1 << -2 << -3;
        QTest::newRow("two negatives") << -5 << -1 << 2 << 3;
        QTest::newRow("all negative") << -5 << -1 << -2 << -3;
        QTest::newRow("negative small half") << -1 << 1 << 2 << -1;
        QTest::newRow("negative below half") << -7 << 1 << 3 << -2;
        QTest::newRow("zero divisor") << 100 << 100 << 0 << -1;
        QTest::newRow("zero divisor zero product") << 0 << 0 << 0 << -1;
        QTest::newRow("64-bit product") << 100000 << 100000 << 1000 << 10000000;
        QTest::newRow("64-bit product 2") << INT_MAX << INT_MAX << INT_MAX << INT_MAX;
        QTest::newRow("64-bit negative") << INT_MIN << 2 << 4 << INT_MIN / 2;
        QTest::newRow("points to pixels 96") << 10 << 96 << 72 << 13;
        QTest::newRow("pixels to points") << 13 << 72 << 96 << 10;
        QTest::newRow("saturate high") << INT_MAX << 2 << 1 << INT_MAX;
        QTest::newRow("saturate low") << INT_MIN << 2 << 1 << INT_MIN;
        QTest::newRow("min by minus one") << INT_MIN << -1 << 1 << INT_MAX;
    }

    void mulDiv() {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, c);
        QFETCH(int, expected);
        QCOMPARE(MulDiv(a, b, c), expected);
    }

    void fontSizeAndHeightAt96() {
        TFont f;
        f.PixelsPerInch = 96;
        f.SetSize(8);
        QCOMPARE(f.Height(), -11);
        f.SetSize(10);
        QCOMPARE(f.Height(), -13);
        QCOMPARE(f.Size(), 10);
        f.SetHeight(-13);
        QCOMPARE(f.Size(), 10);
        // A positive height (cell height) converts the same way.
        f.SetHeight(16);
        QCOMPARE(f.Size(), 12);
        f.SetSize(14);
        QCOMPARE(f.Height(), -19);
    }

    void fontSizeRoundTrips_data() {
        QTest::addColumn<int>("ppi");
        for (int ppi : {72, 96, 120, 144, 192, 300, 600, 1200})
            QTest::addRow("%d ppi", ppi) << ppi;
    }

    void fontSizeRoundTrips() {
        QFETCH(int, ppi);
        TFont f;
        f.PixelsPerInch = ppi;
        for (int points = 1; points <= 96; ++points) {
            f.SetSize(points);
            QVERIFY(f.Height() < 0);
            QCOMPARE(f.Size(), points);
            QCOMPARE(f.Height(), -MulDiv(points, ppi, 72));
        }
    }

    void fontRescaledForMapping() {
        TFont f(QStringLiteral("Arial"), 10, fsBold, clMaroon);
        f.PixelsPerInch = 96;
        f.SetSize(10);
        QCOMPARE(f.Height(), -13);
        // Changing the resolution keeps the height...
        const int size = f.Size();
        f.PixelsPerInch = 600;
        QCOMPARE(f.Height(), -13);
        QCOMPARE(f.Size(), 2); // 13 * 72 / 600 = 1.56
        // ...and setting the remembered size again rescales the font for the new units.
        f.SetSize(size);
        QCOMPARE(f.Height(), -83);
        QCOMPARE(f.Size(), 10);
        QCOMPARE(f.Color, clMaroon);
        QCOMPARE(f.Style, int(fsBold));
    }

    void fontToAndFromQFont() {
        TFont f(QStringLiteral("Arial"), 12, fsBold | fsUnderline, clBlue);
        f.PixelsPerInch = 96;
        f.SetSize(12);
        const QFont q = f.toQFont();
        QCOMPARE(q.pixelSize(), 16);
        QVERIFY(q.bold());
        QVERIFY(!q.italic());
        QVERIFY(q.underline());
        QVERIFY(!q.strikeOut());
        QCOMPARE(q.family(), QStringLiteral("Arial"));

        TFont g;
        g.PixelsPerInch = 96;
        g.Color = clMaroon;
        QFont points(QStringLiteral("Times New Roman"));
        points.setPointSize(14);
        points.setItalic(true);
        points.setStrikeOut(true);
        g.assignQFont(points);
        QCOMPARE(g.Name, QStringLiteral("Times New Roman"));
        QCOMPARE(g.Size(), 14);
        QCOMPARE(g.Height(), -19);
        QCOMPARE(g.Style, fsItalic | fsStrikeOut);
        QCOMPARE(g.Color, clMaroon); // the colour is not the QFont's to change

        QFont pixels(QStringLiteral("Arial"));
        pixels.setPixelSize(20);
        g.assignQFont(pixels);
        QCOMPARE(g.Height(), -20);
        QCOMPARE(g.Style, 0);
    }

    void rectangles() {
        const TRect r(10, 20, 110, 70);
        QCOMPARE(r.Width(), 100);
        QCOMPARE(r.Height(), 50);
        const QRect q = r.toQRect();
        QCOMPARE(q.width(), 100);
        QCOMPARE(q.right(), 109); // QRect's right is inclusive
        QCOMPARE(TRect::fromQRect(q), r);
        QVERIFY(TRect(5, 5, 5, 10).IsEmpty());
        QVERIFY(TRect(5, 5, 4, 10).IsEmpty());
        QVERIFY(!r.IsEmpty());
    }
};

QTEST_MAIN(ValuesTest)
#include "ValuesTest.moc"
