#include "platform/canvas/PainterCanvas.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtTest/QtTest>

using namespace movra;

namespace {

constexpr QRgb white = 0xFFFFFFFF;

QImage blank(int w = 40, int h = 40) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(white);
    return img;
}

// Runs a drawing routine on a fresh white image through a painter canvas.
template <typename F> QImage paint(F&& draw, int w = 40, int h = 40) {
    QImage img = blank(w, h);
    QPainter p(&img);
    TPainterCanvas canvas(&p);
    draw(canvas);
    p.end();
    return img;
}

QRgb px(const QImage& img, int x, int y) {
    return img.pixel(x, y) | 0xFF000000u;
}

QRgb rgb(TColor c) {
    return ToQColor(c).rgb() | 0xFF000000u;
}

} // namespace

class CanvasTest : public QObject {
    Q_OBJECT
private slots:
    void lineToLeavesEndPointUnpainted();
    void rectanglesExcludeRightAndBottom();
    void widePensStayInsideWithInsideFrame();
    void textOutPaintsBrushBehindText();
    void drawTransparentShowsBrush();
    void clippingAndReset();
    void mappingScalesAndMoves();
    void thinLinesSurviveScaling();
    void drawTextLaysOutAndMeasures();
    void measuringCanvasMatchesPainter();
    void pixelsPerInchComeFromDevice();
};

void CanvasTest::lineToLeavesEndPointUnpainted() {
    const QImage img = paint([](TCanvas& c) {
        c.Pen.Color = clBlack;
        c.MoveTo(2, 5);
        c.LineTo(10, 5); // horizontal, rightwards
        c.MoveTo(30, 2);
        c.LineTo(30, 12); // vertical, downwards
        c.MoveTo(20, 20);
        c.LineTo(12, 20); // horizontal, leftwards
        c.MoveTo(0, 25);
        c.LineTo(6, 31); // slanted
        QCOMPARE(c.PenPos(), QPoint(6, 31));
    });
    for (int x = 2; x < 10; ++x)
        QCOMPARE(px(img, x, 5), rgb(clBlack));
    QCOMPARE(px(img, 10, 5), white);
    QCOMPARE(px(img, 1, 5), white);
    QCOMPARE(px(img, 2, 4), white); // one pixel thick
    QCOMPARE(px(img, 2, 6), white);
    QCOMPARE(px(img, 30, 2), rgb(clBlack));
    QCOMPARE(px(img, 30, 11), rgb(clBlack));
    QCOMPARE(px(img, 30, 12), white);
    QCOMPARE(px(img, 20, 20), rgb(clBlack));
    QCOMPARE(px(img, 13, 20), rgb(clBlack));
    QCOMPARE(px(img, 12, 20), white);
    QCOMPARE(px(img, 0, 25), rgb(clBlack));
    QCOMPARE(px(img, 5, 30), rgb(clBlack));
    QCOMPARE(px(img, 6, 31), white);
}

void CanvasTest::rectanglesExcludeRightAndBottom() {
    const QImage img = paint([](TCanvas& c) {
        c.Brush.Color = clBlue;
        c.FillRect(TRect(2, 3, 6, 8));
        c.Brush.Color = clMaroon;
        c.FrameRect(TRect(10, 10, 16, 15));
        c.Brush.Color = clLime;
        c.Pen.Color = clBlack;
        c.Rectangle(20, 20, 26, 25);
        c.Brush.Style = TBrushStyle::Clear;
        c.FillRect(TRect(30, 30, 35, 35)); // a clear brush fills nothing
    });
    QCOMPARE(px(img, 2, 3), rgb(clBlue));
    QCOMPARE(px(img, 5, 7), rgb(clBlue));
    QCOMPARE(px(img, 6, 7), white);
    QCOMPARE(px(img, 5, 8), white);
    QCOMPARE(px(img, 1, 3), white);

    QCOMPARE(px(img, 10, 10), rgb(clMaroon));
    QCOMPARE(px(img, 15, 14), rgb(clMaroon));
    QCOMPARE(px(img, 11, 11), white); // only the frame
    QCOMPARE(px(img, 16, 14), white);
    QCOMPARE(px(img, 15, 15), white);

    QCOMPARE(px(img, 20, 20), rgb(clBlack)); // outline in the pen
    QCOMPARE(px(img, 25, 24), rgb(clBlack));
    QCOMPARE(px(img, 21, 21), rgb(clLime)); // interior in the brush
    QCOMPARE(px(img, 26, 24), white);
    QCOMPARE(px(img, 25, 25), white);
    QCOMPARE(px(img, 32, 32), white);
}

void CanvasTest::widePensStayInsideWithInsideFrame() {
    const QImage img = paint([](TCanvas& c) {
        c.Brush.Color = clWhite;
        c.Pen.Color = clBlack;
        c.Pen.Width = 3;
        c.Pen.Style = TPenStyle::InsideFrame;
        c.Rectangle(10, 10, 30, 30);
    });
    QCOMPARE(px(img, 9, 15), white);
    QCOMPARE(px(img, 10, 15), rgb(clBlack));
    QCOMPARE(px(img, 12, 15), rgb(clBlack));
    QCOMPARE(px(img, 13, 15), white);
    QCOMPARE(px(img, 29, 15), rgb(clBlack));
    QCOMPARE(px(img, 27, 15), rgb(clBlack));
    QCOMPARE(px(img, 26, 15), white);
    QCOMPARE(px(img, 30, 15), white);
    QCOMPARE(px(img, 15, 29), rgb(clBlack));
    QCOMPARE(px(img, 15, 30), white);
}

void CanvasTest::textOutPaintsBrushBehindText() {
    QSize extent;
    QPoint pen;
    const QImage img = paint(
        [&](TCanvas& c) {
            c.Font = TFont(QStringLiteral("Arial"), 12);
            c.Font.Color = clBlack;
            c.Brush.Color = clAqua;
            extent = c.TextExtent(QStringLiteral("Wyg"));
            c.TextOut(5, 5, QStringLiteral("Wyg"));
            pen = c.PenPos();
            c.Brush.Style = TBrushStyle::Clear;
            c.TextOut(5, 40, QStringLiteral("Wyg"));
        },
        80, 80);
    QVERIFY(extent.width() > 10);
    QVERIFY(extent.height() > 10);
    QCOMPARE(pen, QPoint(5 + extent.width(), 5));
    // The text cell (advance x height) is the brush colour except where glyphs are.
    QCOMPARE(px(img, 5 + extent.width() - 1, 5), rgb(clAqua));
    QCOMPARE(px(img, 5, 5 + extent.height() - 1), rgb(clAqua));
    QCOMPARE(px(img, 5 + extent.width(), 6), white);
    QCOMPARE(px(img, 6, 5 + extent.height()), white);
    QCOMPARE(px(img, 4, 6), white);
    int ink = 0;
    for (int y = 5; y < 5 + extent.height(); ++y)
        for (int x = 5; x < 5 + extent.width(); ++x)
            if (qGray(img.pixel(x, y)) < 100)
                ++ink;
    QVERIFY(ink > 10);
    // A clear brush leaves the background alone.
    QCOMPARE(px(img, 5 + extent.width() - 1, 40), white);
    int clearInk = 0;
    for (int y = 40; y < 40 + extent.height(); ++y)
        for (int x = 5; x < 5 + extent.width(); ++x)
            if (qGray(img.pixel(x, y)) < 100)
                ++clearInk;
    QVERIFY(clearInk > 10);
}

void CanvasTest::drawTransparentShowsBrush() {
    QImage symbol(4, 4, QImage::Format_RGB32);
    symbol.fill(qRgb(0, 255, 255));
    symbol.setPixel(1, 1, qRgb(255, 0, 0));
    const QImage img = paint([&](TCanvas& c) {
        c.Brush.Color = clLime;
        c.DrawTransparent(2, 2, symbol, clAqua);
        c.Draw(10, 10, symbol);
        c.StretchDraw(TRect(20, 20, 28, 28), symbol);
    });
    QCOMPARE(px(img, 2, 2), rgb(clLime));
    QCOMPARE(px(img, 5, 5), rgb(clLime));
    QCOMPARE(px(img, 3, 3), qRgb(255, 0, 0));
    QCOMPARE(px(img, 6, 6), white);
    QCOMPARE(px(img, 10, 10), qRgb(0, 255, 255)); // plain Draw keeps every pixel
    QCOMPARE(px(img, 11, 11), qRgb(255, 0, 0));
    QCOMPARE(px(img, 22, 22), qRgb(255, 0, 0)); // stretched twice: (1,1) covers 22..23
    QCOMPARE(px(img, 23, 23), qRgb(255, 0, 0));
    QCOMPARE(px(img, 27, 27), qRgb(0, 255, 255));
    QCOMPARE(px(img, 28, 28), white);
}

void CanvasTest::clippingAndReset() {
    const QImage img = paint([](TCanvas& c) {
        c.SetClipRect(TRect(0, 0, 5, 5));
        c.Brush.Color = clBlue;
        c.FillRect(TRect(0, 0, 40, 40));
        c.ResetClip();
        c.Brush.Color = clMaroon;
        c.FillRect(TRect(10, 10, 12, 12));
        c.SetClipRect(TRect(20, 20, 25, 25));
        c.TextRect(TRect(18, 18, 30, 30), 18, 18, QStringLiteral("x"));
    });
    QCOMPARE(px(img, 4, 4), rgb(clBlue));
    QCOMPARE(px(img, 5, 5), white);
    QCOMPARE(px(img, 5, 0), white);
    QCOMPARE(px(img, 10, 10), rgb(clMaroon));
    // TextRect fills its rectangle, but only inside the canvas's clip.
    QCOMPARE(px(img, 19, 19), white);
    QCOMPARE(px(img, 24, 24), rgb(clMaroon));
    QCOMPARE(px(img, 26, 26), white);
}

void CanvasTest::mappingScalesAndMoves() {
    const QImage img = paint(
        [](TCanvas& c) {
            c.SetMapping(QSize(100, 100), QSize(50, 50), QPoint(0, 0));
            c.Brush.Color = clBlue;
            c.FillRect(TRect(20, 20, 40, 40));
            c.SetMapping(QSize(100, 100), QSize(50, 50), QPoint(30, 0));
            c.Brush.Color = clMaroon;
            c.FillRect(TRect(0, 0, 10, 10));
            c.ResetMapping();
            c.Brush.Color = clLime;
            c.FillRect(TRect(0, 35, 2, 37));
        },
        60, 60);
    QCOMPARE(px(img, 10, 10), rgb(clBlue));
    QCOMPARE(px(img, 19, 19), rgb(clBlue));
    QCOMPARE(px(img, 20, 20), white);
    QCOMPARE(px(img, 9, 9), white);
    QCOMPARE(px(img, 30, 0), rgb(clMaroon));
    QCOMPARE(px(img, 34, 4), rgb(clMaroon));
    QCOMPARE(px(img, 35, 5), white);
    QCOMPARE(px(img, 29, 0), white);
    QCOMPARE(px(img, 1, 36), rgb(clLime));
    QCOMPARE(px(img, 2, 36), white);
}

void CanvasTest::thinLinesSurviveScaling() {
    // At a quarter scale a one-unit line is still one device pixel, and its end stays out.
    const QImage img = paint(
        [](TCanvas& c) {
            c.SetMapping(QSize(400, 400), QSize(100, 100), QPoint(0, 0));
            c.Pen.Color = clBlack;
            c.MoveTo(40, 41);
            c.LineTo(200, 41);
            c.Brush.Color = clBlue;
            c.FrameRect(TRect(40, 100, 200, 200));
            c.Brush.Style = TBrushStyle::Clear;
            c.Rectangle(40, 240, 200, 360);
        },
        100, 100);
    int dark = 0;
    for (int x = 0; x < 100; ++x)
        if (px(img, x, 10) == rgb(clBlack))
            ++dark;
    QVERIFY(dark >= 38 && dark <= 40);
    QCOMPARE(px(img, 50, 10), white);
    QCOMPARE(px(img, 10, 9), white);
    QCOMPARE(px(img, 10, 11), white);
    QCOMPARE(px(img, 10, 25), rgb(clBlue)); // the frame's left edge
    QCOMPARE(px(img, 30, 35), white);       // not filled
    QCOMPARE(px(img, 10, 70), rgb(clBlack));
    QCOMPARE(px(img, 30, 75), white);
}

void CanvasTest::drawTextLaysOutAndMeasures() {
    QImage img = blank(200, 200);
    QPainter p(&img);
    TPainterCanvas c(&p);
    c.Font = TFont(QStringLiteral("Arial"), 10);
    const int lineHeight = c.TextHeight(QStringLiteral("x"));
    const int wordWidth = c.TextWidth(QStringLiteral("mmmm"));

    // Word break in a column one word wide: three lines, width shrinks to the widest line.
    TRect r(0, 0, wordWidth + 2, 0);
    const int h = c.DrawText(r, QStringLiteral("mmmm mmmm mmmm"), dtCalcRect | dtWordBreak);
    QCOMPARE(h, 3 * lineHeight);
    QCOMPARE(r.Height(), 3 * lineHeight);
    QCOMPARE(r.Width(), wordWidth);

    // A word longer than the column widens the rectangle instead of being cut.
    TRect narrow(0, 0, 5, 0);
    c.DrawText(narrow, QStringLiteral("mmmm"), dtCalcRect | dtWordBreak);
    QCOMPARE(narrow.Width(), wordWidth);
    QCOMPARE(narrow.Height(), lineHeight);

    // Line breaks count without word break; single line ignores them.
    TRect lines(0, 0, 500, 0);
    c.DrawText(lines, QStringLiteral("a\r\nb\nc"), dtCalcRect);
    QCOMPARE(lines.Height(), 3 * lineHeight);
    TRect single(0, 0, 500, 0);
    c.DrawText(single, QStringLiteral("a\r\nb"), dtCalcRect | dtSingleLine);
    QCOMPARE(single.Height(), lineHeight);

    // Right alignment puts the ink at the right edge, and nothing is drawn outside r.
    c.Brush.Style = TBrushStyle::Clear;
    TRect box(0, 100, 150, 100 + lineHeight);
    c.DrawText(box, QStringLiteral("mm"), dtRight | dtSingleLine);
    p.end();
    int leftInk = 0;
    int rightInk = 0;
    for (int y = 100; y < 100 + lineHeight; ++y) {
        for (int x = 0; x < 150; ++x) {
            if (qGray(img.pixel(x, y)) < 128)
                (x < 75 ? leftInk : rightInk)++;
        }
    }
    QCOMPARE(leftInk, 0);
    QVERIFY(rightInk > 0);
}

void CanvasTest::measuringCanvasMatchesPainter() {
    TPainterCanvas measuring;
    QVERIFY(measuring.IsMeasuring());
    measuring.Font = TFont(QStringLiteral("Arial"), 10, fsBold);
    const QFontMetrics fm(measuring.Font.toQFont());
    QCOMPARE(measuring.TextExtent(QStringLiteral("Nazwisko")),
             QSize(fm.horizontalAdvance(QStringLiteral("Nazwisko")), fm.height()));
    TRect r(0, 0, 30, 0);
    measuring.DrawText(r, QStringLiteral("Ala ma kota"), dtCalcRect | dtWordBreak);

    QImage img = blank();
    QPainter p(&img);
    TPainterCanvas painting(&p);
    painting.Font = measuring.Font;
    TRect r2(0, 0, 30, 0);
    painting.DrawText(r2, QStringLiteral("Ala ma kota"), dtCalcRect | dtWordBreak);
    QCOMPARE(r, r2);
    QVERIFY(r.Height() > measuring.TextHeight(QStringLiteral("A")));
    // Drawing on a measuring canvas does nothing and does not crash.
    measuring.FillRect(TRect(0, 0, 10, 10));
    measuring.TextOut(0, 0, QStringLiteral("x"));
    measuring.LineTo(5, 5);
    QCOMPARE(measuring.PenPos(), QPoint(5, 5));
    QVERIFY(measuring.Painter() == nullptr);
}

void CanvasTest::pixelsPerInchComeFromDevice() {
    QImage img = blank();
    img.setDotsPerMeterX(qRound(200 / 0.0254));
    img.setDotsPerMeterY(qRound(300 / 0.0254));
    QPainter p(&img);
    TPainterCanvas c(&p);
    QCOMPARE(c.PixelsPerInchX(), 200);
    QCOMPARE(c.PixelsPerInchY(), 300);
    QCOMPARE(c.Painter(), &p);
    TPainterCanvas measuring;
    QCOMPARE(measuring.PixelsPerInchY(), ScreenPixelsPerInch());
}

QTEST_MAIN(CanvasTest)
#include "CanvasTest.moc"
