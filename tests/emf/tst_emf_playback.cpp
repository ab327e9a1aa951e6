// Pages recorded into enhanced metafiles and played back must look like the same drawing done
// straight on an image through the painter canvas.

#include "EmfTestUtil.h"

#include "platform/emf/Dib.h"
#include "tests/support/TestFiles.h"

#include <QtTest/QtTest>

#include <uemf.h>

#include <sys/resource.h>

using namespace movra;
using namespace movra::test;

namespace {

// The record sheet as the sheet window lays it out: landscape A4 in tenths of a millimetre.
constexpr QSize kSheet(2970, 2100);
constexpr QSize kPagePixels(1123, 794);

// A memo snapshot: black lines of text on white.
QImage memoPicture(const QString& first) {
    QImage img(396, 189, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(4, 16, first);
    p.drawText(4, 34, QStringLiteral("ul. Długa 7, 00-950 Warszawa"));
    p.fillRect(QRect(300, 120, 60, 40), QColor(30, 90, 200));
    return img;
}

// The font of the page canvas set up as the preview sets it for a tenth-of-millimetre mapping
// on a 96 dpi reference: pixels per inch such that points give physical heights.
void pointsFont(TCanvas& c, int points, TColor color, int style) {
    c.Font.Name = QStringLiteral("Arial");
    c.Font.PixelsPerInch = MulDiv(96, kSheet.height(), kPagePixels.height());
    c.Font.SetSize(points);
    c.Font.Color = color;
    c.Font.Style = style;
}

struct SheetTexts {
    QString title = QStringLiteral("Zestawienie danych osobowych");
    QString first = QStringLiteral("Żaneta");
    QString last = QStringLiteral("Gęślińska");
    QString nick = QStringLiteral("brak");
};

void drawSheet(TCanvas& c, QSize viewport, const QImage& photo, const QImage& memo1,
               const QImage& memo2) {
    const SheetTexts t;
    c.SetMapping(kSheet, viewport, QPoint(0, 0));
    c.Brush.Color = clWhite;
    c.Brush.Style = TBrushStyle::Solid;
    pointsFont(c, 20, clBlue, fsBold);
    c.TextOut(900, 120, t.title);
    pointsFont(c, 16, clGreen, fsBold);
    c.TextOut(250, 250, QStringLiteral("Imię: "));
    c.TextOut(900, 250, QStringLiteral("Nazwisko: "));
    c.TextOut(1800, 250, QStringLiteral("Ksywa: "));
    pointsFont(c, 16, clBlack, fsBold);
    c.TextOut(450, 250, t.first);
    c.TextOut(1250, 250, t.last);
    c.TextOut(2100, 250, t.nick);
    c.StretchDraw(TRect(250, 400, 1250, 1900), photo);
    pointsFont(c, 16, clGreen, fsBold);
    c.TextOut(1590, 400, QStringLiteral("Adnotacje i uwagi:"));
    c.TextOut(1590, 1100, QStringLiteral("Adres i źródła kontaktu:"));
    c.StretchDraw(TRect(1600, 550, 2650, 1050), memo1);
    c.StretchDraw(TRect(1600, 1250, 2650, 1750), memo2);
}

// Device rectangle of a logical rectangle of the sheet at a viewport size.
QRect deviceRect(const TRect& r, QSize viewport) {
    const double sx = double(viewport.width()) / kSheet.width();
    const double sy = double(viewport.height()) / kSheet.height();
    return QRect(QPoint(qRound(r.Left * sx), qRound(r.Top * sy)),
                 QPoint(qRound(r.Right * sx) - 1, qRound(r.Bottom * sy) - 1));
}

void expectBoxesClose(const QRect& played, const QRect& direct, int tolerance, const char* what) {
    QVERIFY2(!played.isNull() && !direct.isNull(), what);
    const bool close = std::abs(played.left() - direct.left()) <= tolerance &&
                       std::abs(played.right() - direct.right()) <= tolerance &&
                       std::abs(played.top() - direct.top()) <= tolerance &&
                       std::abs(played.bottom() - direct.bottom()) <= tolerance;
    if (!close)
        qWarning() << what << "played" << played << "direct" << direct;
    QVERIFY2(close, what);
}

} // namespace

class TestEmfPlayback : public QObject {
    Q_OBJECT

private slots:
    void shapesMatchPainterCanvasExactly();
    void linesStopShortOfTheirEnd();
    void textSitsWhereThePainterCanvasPutsIt();
    void drawTextBreaksLinesLikeThePainterCanvas();
    void clipAndMappingSurviveEachOther();
    void recordSheetAtTwoSizes();
    void photoIsResampledToThreeHundredDpi();
    void dibIsBottomUpBgrAndPlaysUpright();
    void headerDescribesThePage();
    void objectsAreDeletedAndHandlesCounted();
    void renderIntoImageOfAnySize();
    void textDrawsEveryCharacterAsQtDrawsItAlone();
    void transparentColourLetsTheBackgroundThrough();
    void textBackgroundsAsThePainterCanvasPaintsThem();
    void hugeFontPlaysWithinModestMemory();
};

void TestEmfPlayback::shapesMatchPainterCanvasExactly() {
    const QImage sprite = MakeTestImage(40, 30);
    QImage keyed = MakeTestImage(20, 20);
    for (int i = 0; i < 20; ++i) {
        keyed.setPixel(i, i, qRgb(0, 255, 255));
        keyed.setPixel(19 - i, i, qRgb(0, 255, 255));
    }
    const DrawFn draw = [&](TCanvas& c) {
        c.Brush.Color = RGBColor(250, 200, 10);
        c.FillRect(TRect(10, 10, 110, 60));
        c.Brush.Color = RGBColor(0, 0, 160);
        c.FrameRect(TRect(120, 10, 200, 70));
        c.Brush.Color = RGBColor(200, 240, 200);
        c.Pen.Color = RGBColor(160, 0, 0);
        c.Pen.Width = 1;
        c.Rectangle(TRect(210, 10, 300, 80));
        c.Brush.Style = TBrushStyle::Clear;
        c.Rectangle(TRect(310, 10, 390, 50));
        c.FillRect(TRect(0, 0, 400, 300)); // a clear brush fills nothing
        c.Brush.Style = TBrushStyle::Solid;
        c.Pen.Style = TPenStyle::Clear;
        c.Brush.Color = RGBColor(0, 90, 0);
        c.Rectangle(TRect(10, 220, 60, 250));
        c.Pen.Style = TPenStyle::Solid;
        c.Pen.Color = clBlack;
        c.MoveTo(10, 100);
        c.LineTo(200, 100);
        c.LineTo(200, 180);
        c.Draw(220, 100, sprite);
        c.Brush.Color = RGBColor(255, 0, 255);
        c.DrawTransparent(280, 100, keyed, RGBColor(0, 255, 255));
        c.Brush.Color = RGBColor(90, 90, 90);
        c.FillRect(TRect(10, 200, 390, 201));
    };
    const QSize size(400, 300);
    const QImage direct = DrawDirect(size, draw);
    const TMetafile mf = Record(size, draw);
    QCOMPARE(mf.Width(), 400);
    QCOMPARE(mf.Height(), 300);
    const QImage played = RenderMetafile(mf, size);
    if (qEnvironmentVariableIsSet("EMF_DUMP")) {
        played.save("/tmp/emf-shapes-played.png");
        direct.save("/tmp/emf-shapes-direct.png");
        QRect diff;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                if (played.pixel(x, y) != direct.pixel(x, y)) {
                    if (diff.isNull())
                        qDebug() << "first" << x << y << Qt::hex << played.pixel(x, y)
                                 << direct.pixel(x, y);
                    diff = diff.united(QRect(x, y, 1, 1));
                }
        qDebug() << "diff box" << diff;
    }
    QCOMPARE(CountDifferent(played, direct, QRect(QPoint(0, 0), size)), 0);
}

void TestEmfPlayback::linesStopShortOfTheirEnd() {
    const DrawFn draw = [](TCanvas& c) {
        c.Pen.Color = clBlack;
        c.MoveTo(10, 10);
        c.LineTo(20, 10);
        c.MoveTo(30, 20);
        c.LineTo(30, 10);
        c.MoveTo(40, 10);
        c.LineTo(60, 30);
    };
    const QImage played = RenderMetafile(Record(QSize(80, 40), draw), QSize(80, 40));
    QVERIFY(Dark(played.pixel(10, 10)));
    QVERIFY(Dark(played.pixel(19, 10)));
    QVERIFY(!Dark(played.pixel(20, 10)));
    QVERIFY(Dark(played.pixel(30, 20)));
    QVERIFY(Dark(played.pixel(30, 11)));
    QVERIFY(!Dark(played.pixel(30, 10)));
    QVERIFY(Dark(played.pixel(40, 10)));
    QVERIFY(Dark(played.pixel(50, 20)));
    QVERIFY(Dark(played.pixel(59, 29)));
    QVERIFY(!Dark(played.pixel(60, 30)));
    int diagonal = 0;
    for (int i = 0; i <= 20; ++i)
        diagonal += Dark(played.pixel(40 + i, 10 + i)) ? 1 : 0;
    QCOMPARE(diagonal, 20);
    // Straight lines as the painter canvas draws them.
    const QImage direct = DrawDirect(QSize(80, 40), draw);
    QCOMPARE(CountDifferent(played, direct, QRect(0, 0, 35, 40)), 0);
}

void TestEmfPlayback::textSitsWhereThePainterCanvasPutsIt() {
    const DrawFn draw = [](TCanvas& c) {
        c.Font = TFont(QStringLiteral("Arial"), 14, fsBold, RGBColor(0, 0, 200));
        c.Brush.Color = RGBColor(255, 255, 150);
        c.TextOut(20, 20, QStringLiteral("Zażółć gęślą jaźń"));
        c.Font = TFont(QStringLiteral("Arial"), 10, fsItalic | fsUnderline, clBlack);
        c.Brush.Style = TBrushStyle::Clear;
        c.TextOut(20, 70, QStringLiteral("AVATAR Wolf, tak: 12345"));
        c.Brush.Style = TBrushStyle::Solid;
        c.Brush.Color = RGBColor(220, 220, 255);
        c.TextRect(TRect(20, 110, 120, 130), 25, 112,
                   QStringLiteral("Obcięty do prostokąta tekst"));
    };
    const QSize size(400, 150);
    const QImage direct = DrawDirect(size, draw);
    const QImage played = RenderMetafile(Record(size, draw), size);
    if (qEnvironmentVariableIsSet("EMF_DUMP")) {
        Record(size, draw).SaveToFile(QStringLiteral("/tmp/emf-text.emf"));
        played.save(QStringLiteral("/tmp/emf-text-played.png"));
    }

    // The text backgrounds are rectangles: exact.
    const auto yellow = [](QRgb p) { return p == qRgb(255, 255, 150); };
    QCOMPARE(InkBox(played, QRect(0, 0, 400, 60), yellow),
             InkBox(direct, QRect(0, 0, 400, 60), yellow));
    const auto lilac = [](QRgb p) { return p == qRgb(220, 220, 255); };
    QCOMPARE(InkBox(played, QRect(0, 100, 400, 50), lilac), QRect(20, 110, 100, 20));
    // Glyphs: antialiasing differs, their places do not.
    const auto blue = [](QRgb p) { return qBlue(p) > 120 && qRed(p) < 120 && qGreen(p) < 120; };
    expectBoxesClose(InkBox(played, QRect(0, 0, 400, 60), blue),
                     InkBox(direct, QRect(0, 0, 400, 60), blue), 1, "bold line");
    expectBoxesClose(InkBox(played, QRect(0, 60, 400, 40), Dark),
                     InkBox(direct, QRect(0, 60, 400, 40), Dark), 1, "italic underlined line");
    // Clipped text stays inside its rectangle.
    const QRect clipped = InkBox(played, QRect(0, 100, 400, 50), Dark);
    QVERIFY(!clipped.isNull());
    QVERIFY(QRect(20, 110, 100, 20).contains(clipped));
    expectBoxesClose(clipped, InkBox(direct, QRect(0, 100, 400, 50), Dark), 1, "clipped line");
}

void TestEmfPlayback::drawTextBreaksLinesLikeThePainterCanvas() {
    const QString text =
        QStringLiteral("Pierwszy akapit, który jest na tyle długi, że się zawinie.\n"
                       "Drugi akapit");
    TRect measuredDirect(10, 10, 200, 10);
    TRect measuredRecorded(10, 10, 200, 10);
    int directHeight = 0;
    int recordedHeight = 0;
    const auto draw = [&](TCanvas& c, TRect& calc, int& height) {
        c.Font = TFont(QStringLiteral("Arial"), 9, 0, clBlack);
        c.Brush.Style = TBrushStyle::Clear;
        height = c.DrawText(calc, text, dtWordBreak | dtCalcRect);
        TRect r(10, 10, 200, 290);
        c.DrawText(r, text, dtWordBreak | dtCenter);
        TRect one(210, 10, 390, 60);
        c.DrawText(one, QStringLiteral("Środek"), dtSingleLine | dtVCenter | dtRight);
    };
    const QSize size(400, 300);
    const QImage direct =
        DrawDirect(size, [&](TCanvas& c) { draw(c, measuredDirect, directHeight); });
    const QImage played = RenderMetafile(
        Record(size, [&](TCanvas& c) { draw(c, measuredRecorded, recordedHeight); }), size);
    QCOMPARE(measuredRecorded, measuredDirect);
    QCOMPARE(recordedHeight, directHeight);
    QVERIFY(directHeight > 3 * 10); // it did wrap
    for (int y = 0; y < 120; y += 12) {
        const QRect band(0, y, 205, 12);
        const QRect a = InkBox(played, band, Dark);
        const QRect b = InkBox(direct, band, Dark);
        if (a.isNull() && b.isNull())
            continue;
        expectBoxesClose(a, b, 1, "wrapped line");
    }
    expectBoxesClose(InkBox(played, QRect(205, 0, 195, 70), Dark),
                     InkBox(direct, QRect(205, 0, 195, 70), Dark), 1,
                     "single line, right and centred");
}

void TestEmfPlayback::clipAndMappingSurviveEachOther() {
    const DrawFn draw = [](TCanvas& c) {
        c.SetMapping(QSize(200, 100), QSize(400, 200), QPoint(0, 0));
        c.SetClipRect(TRect(10, 10, 60, 60));
        c.Brush.Color = RGBColor(255, 0, 0);
        c.FillRect(TRect(0, 0, 200, 100)); // only the clip rectangle
        c.ResetClip();
        // The mapping still holds after the clip is gone.
        c.Brush.Color = RGBColor(0, 128, 0);
        c.FillRect(TRect(100, 10, 150, 60));
        c.SetClipRect(TRect(160, 0, 170, 100));
        c.SetClipRect(TRect(180, 0, 190, 100)); // replaces, not narrows
        c.Brush.Color = RGBColor(0, 0, 255);
        c.FillRect(TRect(150, 70, 200, 90));
        c.ResetMapping();
        c.ResetClip();
        c.Brush.Color = clBlack;
        c.FillRect(TRect(0, 190, 10, 200));
    };
    const QSize size(400, 200);
    const QImage played = RenderMetafile(Record(size, draw), size);
    const auto red = [](QRgb p) { return p == qRgb(255, 0, 0); };
    const auto green = [](QRgb p) { return p == qRgb(0, 128, 0); };
    const auto blue = [](QRgb p) { return p == qRgb(0, 0, 255); };
    QCOMPARE(InkBox(played, played.rect(), red), QRect(20, 20, 100, 100));
    QCOMPARE(InkBox(played, played.rect(), green), QRect(200, 20, 100, 100));
    QCOMPARE(InkBox(played, played.rect(), blue), QRect(360, 140, 20, 40));
    QCOMPARE(InkBox(played, played.rect(), [](QRgb p) { return p == qRgb(0, 0, 0); }),
             QRect(0, 190, 10, 10));
    const QImage direct = DrawDirect(size, draw);
    QCOMPARE(CountDifferent(played, direct, played.rect()), 0);
}

void TestEmfPlayback::recordSheetAtTwoSizes() {
    const QImage photo = MakeTestImage(400, 600, QColor(40, 160, 90));
    const QImage memo1 = memoPicture(QStringLiteral("Lubi góry i żeglowanie."));
    const QImage memo2 = memoPicture(QStringLiteral("tel. 601 234 567"));
    const TMetafile mf =
        Record(kPagePixels, [&](TCanvas& c) { drawSheet(c, kPagePixels, photo, memo1, memo2); });
    QCOMPARE(mf.Width(), kPagePixels.width());
    QCOMPARE(mf.Height(), kPagePixels.height());

    for (const QSize size : {kPagePixels, kPagePixels * 2}) {
        const QImage played = RenderMetafile(mf, size);
        const QImage direct =
            DrawDirect(size, [&](TCanvas& c) { drawSheet(c, size, photo, memo1, memo2); });
        if (qEnvironmentVariableIsSet("EMF_DUMP")) {
            // For looking at by eye and for other readers (office suites, vector editors).
            const QString tag = QString::number(size.width());
            played.save(QStringLiteral("/tmp/emf-sheet-played-%1.png").arg(tag));
            direct.save(QStringLiteral("/tmp/emf-sheet-direct-%1.png").arg(tag));
            mf.SaveToFile(QStringLiteral("/tmp/emf-sheet.emf"));
        }
        const int tol = size.width() > kPagePixels.width() ? 3 : 2;
        // Pictures fill their rectangles.
        const QRect photoRect = deviceRect(TRect(250, 400, 1250, 1900), size);
        QVERIFY2(MeanDifference(played, direct, photoRect.adjusted(2, 2, -2, -2)) < 6, "photo");
        for (const TRect& r : {TRect(1600, 550, 2650, 1050), TRect(1600, 1250, 2650, 1750)}) {
            const QRect d = deviceRect(r, size);
            QVERIFY2(MeanDifference(played, direct, d.adjusted(2, 2, -2, -2)) < 12, "memo picture");
            // The memo's blue block sits where it should.
            const auto memoBlue = [](QRgb p) { return Near(p, QColor(30, 90, 200), 50); };
            expectBoxesClose(InkBox(played, d, memoBlue), InkBox(direct, d, memoBlue), tol,
                             "memo block");
        }
        // Texts: each label's ink where the painter canvas puts it.
        const auto blue = [](QRgb p) { return qBlue(p) > 150 && qRed(p) < 100 && qGreen(p) < 100; };
        const QRect titleBand = deviceRect(TRect(800, 100, 2970, 240), size);
        expectBoxesClose(InkBox(played, titleBand, blue), InkBox(direct, titleBand, blue), tol,
                         "title");
        const QRect nameBand = deviceRect(TRect(200, 240, 2970, 380), size);
        const auto green = [](QRgb p) { return qGreen(p) > 70 && qRed(p) < 90 && qBlue(p) < 90; };
        expectBoxesClose(InkBox(played, nameBand, green), InkBox(direct, nameBand, green), tol,
                         "labels");
        expectBoxesClose(InkBox(played, nameBand, Dark), InkBox(direct, nameBand, Dark), tol,
                         "names");
        const QRect headings = deviceRect(TRect(1580, 380, 2970, 540), size);
        expectBoxesClose(InkBox(played, headings, green), InkBox(direct, headings, green), tol,
                         "heading");
        // Per-character placement: the last name's ink ends where it ends directly.
        const QRect lastName = deviceRect(TRect(1240, 240, 1790, 380), size);
        expectBoxesClose(InkBox(played, lastName, Dark), InkBox(direct, lastName, Dark), tol,
                         "last name");
    }
}

void TestEmfPlayback::photoIsResampledToThreeHundredDpi() {
    QImage huge(4000, 3000, QImage::Format_RGB32);
    huge.fill(QColor(10, 120, 220));
    QPainter(&huge).fillRect(QRect(0, 0, 2000, 1500), QColor(230, 20, 20));
    const TMetafile mf = Record(kPagePixels, [&](TCanvas& c) {
        c.SetMapping(kSheet, kPagePixels, QPoint(0, 0));
        c.StretchDraw(TRect(250, 400, 1250, 1150), huge); // 100 x 75 mm
    });
    // 100 mm at 300 dpi is 1181 dots: the 4000-pixel photo must not be kept whole.
    const int at = FindRecord(mf.Bytes(), U_EMR_STRETCHDIBITS);
    QVERIFY(at >= 0);
    const int bmi = at + static_cast<int>(Get32(mf.Bytes(), at + 48));
    const auto w = static_cast<int>(Get32(mf.Bytes(), bmi + 4));
    const auto h = static_cast<int>(Get32(mf.Bytes(), bmi + 8));
    QVERIFY2(w <= 1182 && w >= 1100, qPrintable(QString::number(w)));
    QVERIFY2(h <= 887 && h >= 820, qPrintable(QString::number(h)));
    QVERIFY(mf.Bytes().size() < 4 * 1024 * 1024);
    const QImage played = RenderMetafile(mf, kPagePixels);
    const QRect photo = deviceRect(TRect(250, 400, 1250, 1150), kPagePixels);
    QVERIFY(Near(played.pixel(photo.left() + 20, photo.top() + 20), QColor(230, 20, 20), 10));
    QVERIFY(Near(played.pixel(photo.right() - 20, photo.bottom() - 20), QColor(10, 120, 220), 10));

    // A small picture is recorded as it is.
    const QImage small = MakeTestImage(50, 40);
    const TMetafile mf2 = Record(kPagePixels, [&](TCanvas& c) {
        c.SetMapping(kSheet, kPagePixels, QPoint(0, 0));
        c.StretchDraw(TRect(250, 400, 1250, 1150), small);
    });
    const int at2 = FindRecord(mf2.Bytes(), U_EMR_STRETCHDIBITS);
    const int bmi2 = at2 + static_cast<int>(Get32(mf2.Bytes(), at2 + 48));
    QCOMPARE(Get32(mf2.Bytes(), bmi2 + 4), 50u);
    QCOMPARE(Get32(mf2.Bytes(), bmi2 + 8), 40u);
}

void TestEmfPlayback::dibIsBottomUpBgrAndPlaysUpright() {
    QImage img(4, 2, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(255, 0, 0)); // top left red
    img.setPixel(1, 0, qRgb(255, 0, 0));
    img.setPixel(2, 0, qRgb(0, 255, 0)); // top right green
    img.setPixel(3, 0, qRgb(0, 255, 0));
    img.setPixel(0, 1, qRgb(0, 0, 255)); // bottom left blue
    img.setPixel(1, 1, qRgb(0, 0, 255));
    img.setPixel(2, 1, qRgb(255, 255, 0)); // bottom right yellow
    img.setPixel(3, 1, qRgb(255, 255, 0));
    const TMetafile mf =
        Record(QSize(40, 20), [&](TCanvas& c) { c.StretchDraw(TRect(0, 0, 40, 20), img); });
    const QByteArray& b = mf.Bytes();
    const int at = FindRecord(b, U_EMR_STRETCHDIBITS);
    QVERIFY(at >= 0);
    const int bmi = at + static_cast<int>(Get32(b, at + 48));
    QCOMPARE(static_cast<std::int32_t>(Get32(b, bmi + 8)), 2); // positive height: bottom-up
    QCOMPARE(Get32(b, bmi + 14) & 0xFFFF, 24u);
    QCOMPARE(Get32(b, bmi + 16), 0u); // BI_RGB
    const int bits = at + static_cast<int>(Get32(b, at + 56));
    // First row stored is the bottom one, blue then yellow, each pixel as blue, green, red.
    QCOMPARE(static_cast<unsigned char>(b[bits + 0]), 255);
    QCOMPARE(static_cast<unsigned char>(b[bits + 1]), 0);
    QCOMPARE(static_cast<unsigned char>(b[bits + 2]), 0);
    QCOMPARE(static_cast<unsigned char>(b[bits + 6]), 0);
    QCOMPARE(static_cast<unsigned char>(b[bits + 7]), 255);
    QCOMPARE(static_cast<unsigned char>(b[bits + 8]), 255);

    const QImage played = RenderMetafile(mf, QSize(40, 20));
    QVERIFY(Near(played.pixel(3, 3), Qt::red, 10));
    QVERIFY(Near(played.pixel(36, 3), Qt::green, 10));
    QVERIFY(Near(played.pixel(3, 16), Qt::blue, 10));
    QVERIFY(Near(played.pixel(36, 16), Qt::yellow, 10));

    // A top-down DIB (negative height) decodes upright too.
    emf::Dib dib = emf::MakeDib24(img);
    QByteArray rec(8, '\0');
    rec += dib.info;
    // Flip the rows into top-down order and mark the height negative.
    const int stride = 12;
    QByteArray topDown;
    topDown += dib.bits.mid(stride, stride);
    topDown += dib.bits.mid(0, stride);
    Put32(rec, 8 + 8, static_cast<std::uint32_t>(-2));
    const int offBits = static_cast<int>(rec.size());
    rec += topDown;
    QImage decoded;
    bool bottomUp = true;
    QCOMPARE(emf::DecodeDib(rec.constData(), static_cast<std::uint32_t>(rec.size()), 8, 40,
                            static_cast<std::uint32_t>(offBits),
                            static_cast<std::uint32_t>(topDown.size()), 0, true, &decoded,
                            &bottomUp),
             emf::DibStatus::Ok);
    QVERIFY(!bottomUp);
    QCOMPARE(decoded.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(decoded.pixel(3, 1), qRgb(255, 255, 0));
}

void TestEmfPlayback::headerDescribesThePage() {
    const TMetafile mf = Record(kPagePixels, [](TCanvas& c) {
        c.Font = TFont(QStringLiteral("Arial"), 12);
        c.Pen.Color = clBlack;
        c.Brush.Color = clSilver;
        c.Rectangle(TRect(10, 10, 100, 100));
        c.TextOut(10, 120, QStringLiteral("x"));
    });
    const QByteArray& b = mf.Bytes();
    QCOMPARE(Get32(b, 0), 1u);
    QCOMPARE(Get32(b, 40), 0x464D4520u);                          // " EMF"
    QCOMPARE(Get32(b, 48), static_cast<std::uint32_t>(b.size())); // nBytes
    QCOMPARE(Get32(b, 52), static_cast<std::uint32_t>(RecordOffsets(b).size()));
    // Frame in 0.01 mm from the page's pixel size at 96 dpi.
    QCOMPARE(Get32(b, 32), static_cast<std::uint32_t>(MulDiv(1123, 2540, 96)));
    QCOMPARE(Get32(b, 36), static_cast<std::uint32_t>(MulDiv(794, 2540, 96)));
    // Reference device: 96 dpi exactly.
    const double dpi = Get32(b, 72) / (Get32(b, 80) / 25.4);
    QCOMPARE(dpi, 96.0);
    const int desc = static_cast<int>(Get32(b, 64));
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData() + desc), 5),
             QStringLiteral("Movra"));
    QCOMPARE(Get32(b, 100), 508000u);                 // micrometres
    QCOMPARE(Get32(b, RecordOffsets(b).last()), 14u); // EOF last
}

void TestEmfPlayback::objectsAreDeletedAndHandlesCounted() {
    const TMetafile mf = Record(QSize(300, 300), [](TCanvas& c) {
        for (int i = 0; i < 50; ++i) {
            c.Font = TFont(QStringLiteral("Arial"), 8 + i % 7);
            c.Brush.Color = RGBColor(i * 5, 0, 0);
            c.Pen.Color = RGBColor(0, i * 5, 0);
            c.Rectangle(TRect(i, i, i + 20, i + 20));
            c.SetClipRect(TRect(0, 0, 200, 200));
            c.TextOut(i, 100, QStringLiteral("a"));
        }
        c.ResetClip();
    });
    const QByteArray& b = mf.Bytes();
    int created = 0;
    int deleted = 0;
    for (int at : RecordOffsets(b)) {
        const std::uint32_t t = Get32(b, at);
        if (t == U_EMR_CREATEPEN || t == U_EMR_CREATEBRUSHINDIRECT ||
            t == U_EMR_EXTCREATEFONTINDIRECTW)
            ++created;
        if (t == U_EMR_DELETEOBJECT)
            ++deleted;
    }
    QVERIFY(created >= 150);
    QCOMPARE(deleted, created);
    const auto nHandles = Get32(b, 56) & 0xFFFF;
    QVERIFY2(nHandles >= 4 && nHandles <= 12, qPrintable(QString::number(nHandles)));
}

void TestEmfPlayback::renderIntoImageOfAnySize() {
    const TMetafile mf = Record(QSize(100, 50), [](TCanvas& c) {
        c.Brush.Color = clBlack;
        c.FillRect(TRect(50, 0, 100, 50));
    });
    const QImage img = RenderMetafile(mf, QSize(30, 60), Qt::yellow);
    QCOMPARE(img.size(), QSize(30, 60));
    QCOMPARE(img.pixel(5, 30), QColor(Qt::yellow).rgb());
    QCOMPARE(img.pixel(25, 30), qRgb(0, 0, 0));
    // Playing into a painter respects the painter's own clip.
    QImage clipped(100, 50, QImage::Format_RGB32);
    clipped.fill(Qt::white);
    QPainter p(&clipped);
    p.setClipRect(QRect(0, 0, 70, 50));
    mf.Play(p, QRectF(0, 0, 100, 50));
    p.end();
    QCOMPARE(clipped.pixel(60, 10), qRgb(0, 0, 0));
    QCOMPARE(clipped.pixel(80, 10), qRgb(255, 255, 255));
    // An empty picture draws nothing.
    QCOMPARE(RenderMetafile(TMetafile(), QSize(10, 10)).pixel(5, 5), qRgb(255, 255, 255));
}

// The player draws a text run in one go where it can; the pixels must be those of every
// character drawn on its own by Qt at the place the record gives it (which is how other
// characters, with marks, other scripts or from fallback fonts, are still drawn).
void TestEmfPlayback::textDrawsEveryCharacterAsQtDrawsItAlone() {
    const QString text = QStringLiteral("Zażółć gęślą jaźń: AV, Wolf 1234! e\u0301 \u2603 "
                                        "\U0001F600 x\u00ADy\u00A0Ω Ж");
    const QSize page(400, 100);
    const TMetafile mf = Record(page, [&](TCanvas& c) {
        c.Brush.Style = TBrushStyle::Clear;
        c.Font = TFont(QStringLiteral("Arial"), 13, fsBold, RGBColor(20, 20, 120));
        c.TextOut(7, 20, text);
    });
    const QByteArray b = mf.Bytes();
    const int rec = FindRecord(b, U_EMR_EXTTEXTOUTW);
    const int font = FindRecord(b, U_EMR_EXTCREATEFONTINDIRECTW);
    QVERIFY(rec > 0 && font > 0);
    const auto n = static_cast<int>(Get32(b, rec + 44));
    QCOMPARE(n, text.size());
    const int offDx = rec + static_cast<int>(Get32(b, rec + 72));
    const auto refX = static_cast<std::int32_t>(Get32(b, rec + 36));
    const auto refY = static_cast<std::int32_t>(Get32(b, rec + 40));
    const auto height = static_cast<std::int32_t>(Get32(b, font + 12));
    QVERIFY(height < 0); // the em height

    // At sizes where glyphs fall between pixels.
    for (const QSize size : {QSize(548, 137), QSize(400, 100), QSize(333, 91)}) {
        const QImage played = RenderMetafile(mf, size);
        const double kx = double(size.width()) / page.width();
        const double ky = double(size.height()) / page.height();
        QImage expected(size, QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter p(&expected);
        QFont f(QStringLiteral("Arial"));
        f.setWeight(QFont::Bold);
        f.setPointSizeF(-height * ky * 72.0 / expected.logicalDpiY());
        p.setFont(f);
        p.setPen(QColor(20, 20, 120));
        p.translate(refX * kx, refY * ky);
        double x = 0;
        for (int i = 0; i < n; ++i) {
            const QChar ch = text.at(i);
            const bool pair = ch.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate();
            double step = static_cast<std::int32_t>(Get32(b, offDx + 4 * i));
            if (pair)
                step += static_cast<std::int32_t>(Get32(b, offDx + 4 * (i + 1)));
            if (ch.unicode() > 0x20)
                p.drawText(QPointF(x * kx, 0), pair ? text.mid(i, 2) : QString(ch));
            if (pair)
                ++i;
            x += step;
        }
        p.end();
        if (qEnvironmentVariableIsSet("EMF_DUMP")) {
            played.save(QStringLiteral("/tmp/emf-run-played-%1.png").arg(size.width()));
            expected.save(QStringLiteral("/tmp/emf-run-expected-%1.png").arg(size.width()));
        }
        QVERIFY(!InkBox(played, played.rect(), Dark).isNull());
        QCOMPARE(CountDifferent(played, expected, played.rect()), 0);
    }
}

void TestEmfPlayback::transparentColourLetsTheBackgroundThrough() {
    const QRgb key = qRgb(255, 0, 255);
    QImage sprite(30, 20, QImage::Format_RGB32);
    sprite.fill(key);
    QPainter(&sprite).fillRect(QRect(8, 5, 14, 10), QColor(0, 150, 0));
    const DrawFn draw = [&](TCanvas& c) {
        c.Brush.Color = RGBColor(255, 255, 0);
        c.FillRect(TRect(0, 0, 60, 50));
        c.Brush.Style = TBrushStyle::Clear;
        c.DrawTransparent(10, 10, sprite, RGBColor(255, 0, 255));
        c.Brush.Style = TBrushStyle::Solid;
        c.Brush.Color = RGBColor(0, 0, 255);
        c.DrawTransparent(70, 10, sprite, RGBColor(255, 0, 255)); // the key becomes the brush
    };
    const QSize size(120, 50);
    const QImage direct = DrawDirect(size, draw);
    const TMetafile mf = Record(size, draw);
    QVERIFY(FindRecord(mf.Bytes(), U_EMR_TRANSPARENTBLT) > 0);
    const QImage played = RenderMetafile(mf, size);
    QCOMPARE(played.pixel(12, 12), qRgb(255, 255, 0)); // the yellow under the key colour
    QCOMPARE(played.pixel(25, 20), qRgb(0, 150, 0));
    QCOMPARE(played.pixel(72, 12), qRgb(0, 0, 255));
    QCOMPARE(CountDifferent(played, direct, played.rect()), 0);
    // Enlarged, the key colour shows nowhere, not even blended into the edges.
    const QImage big = RenderMetafile(mf, size * 3, Qt::white);
    QCOMPARE(big.pixel(36, 36), qRgb(255, 255, 0));
    QVERIFY(InkBox(big, big.rect(), [](QRgb p) {
                return qRed(p) > 100 && qBlue(p) > 100 && qGreen(p) < 100;
            }).isNull());
}

// A solid brush paints behind every text exactly where the painter canvas paints it (the line
// of TextOut, each line of DrawText, the rectangle of TextRect), also on the sheet's mapping at
// any size of the page; a clear brush paints nothing behind the text.
void TestEmfPlayback::textBackgroundsAsThePainterCanvasPaintsThem() {
    const QRgb yellow = qRgb(255, 255, 150);
    const QRgb cyan = qRgb(150, 255, 255);
    const QRgb pink = qRgb(255, 150, 255);
    const QRgb lilac = qRgb(150, 150, 255);
    const auto draw = [&](TCanvas& c, QSize viewport) {
        c.SetMapping(kSheet, viewport, QPoint(0, 0));
        pointsFont(c, 16, clBlack, 0);
        c.Brush.Style = TBrushStyle::Solid;
        c.Brush.Color = RGBColor(255, 255, 150);
        c.TextOut(250, 250, QStringLiteral("Imię: Żaneta"));
        c.Brush.Color = RGBColor(150, 255, 255);
        TRect r(250, 500, 1200, 900);
        c.DrawText(r,
                   QStringLiteral("Pierwszy akapit, który jest na tyle długi, że się zawinie "
                                  "w wierszach."),
                   dtWordBreak | dtCenter);
        c.Brush.Color = RGBColor(255, 150, 255);
        c.TextRect(TRect(1300, 250, 1800, 400), 1310, 260,
                   QStringLiteral("Obcięty tekst w prostokącie"));
        pointsFont(c, 16, clBlack, fsItalic);
        c.Brush.Color = RGBColor(150, 150, 255);
        c.TextOut(1300, 600, QStringLiteral("Kursywa fff"));
        c.Brush.Style = TBrushStyle::Clear;
        c.Brush.Color = RGBColor(255, 0, 0);
        c.TextOut(1300, 800, QStringLiteral("Bez tła"));
    };
    const auto isCyanPixel = [cyan](QRgb p) { return p == cyan; };
    const TMetafile mf = Record(kPagePixels, [&](TCanvas& c) { draw(c, kPagePixels); });
    for (const QSize size : {kPagePixels, kPagePixels * 2, QSize(561, 397)}) {
        const QImage direct = DrawDirect(size, [&](TCanvas& c) { draw(c, size); });
        const QImage played = RenderMetafile(mf, size);
        for (const QRgb colour : {yellow, cyan, pink, lilac}) {
            const auto is = [colour](QRgb p) { return p == colour; };
            const QRect box = InkBox(played, played.rect(), is);
            QVERIFY(!box.isNull());
            QCOMPARE(box, InkBox(direct, direct.rect(), is));
        }
        // Each line of DrawText has its own background, as wide as the line: row by row the
        // same span of paint (background and the glyphs on it).
        const QRect cyanBox = InkBox(direct, direct.rect(), isCyanPixel);
        const auto painted = [](QRgb p) { return p != qRgb(255, 255, 255); };
        for (int y = cyanBox.top(); y <= cyanBox.bottom(); ++y) {
            const QRect row(0, y, size.width() * 1250 / kSheet.width(), 1);
            QCOMPARE(InkBox(played, row, painted), InkBox(direct, row, painted));
        }
        QVERIFY(
            InkBox(played, played.rect(), [](QRgb p) { return p == qRgb(255, 0, 0); }).isNull());
    }
}

// A page whose text asks for a font thousands of pixels high on the device (found by fuzzing):
// Qt's glyph cache made pictures of its glyphs of hundreds of megabytes each, about 1.8 GB in
// all. Such text is left out; the page plays in modest memory.
void TestEmfPlayback::hugeFontPlaysWithinModestMemory() {
    const QByteArray bytes =
        QByteArray::fromHex("01000000880000000000000000000000c7000000630000000000000000000000"
                            "ac140000560a000020454d4600000100ac03000020000000040000000e000000"
                            "6c0000000000008007000000a0050000fc0100007d0100000000000000000000"
                            "0000000060c0070048d005004d006f0076007200610000005300740072006f00"
                            "6e00610000000000160000000c00000018000000120000000c00000001000000"
                            "150000000c000000040000002700000018000000010000000000000000000000"
                            "00000000250000000c00000001000000250000000c0000000800008021000000"
                            "08000000110000000c000000020000002b00000018000000640000009cffffff"
                            "c800000038ffffff220000000c000000ffffffff270000001800000002000000"
                            "00000000ff00000000000000250000000c000000020000003d00000008000000"
                            "1b00000010000000640000000a00000036000000100000008c0000000a000000"
                            "36000000100000008c000000320000003d000000080000003c00000008000000"
                            "3e00000018000000640000000a0000008c000000320000004b00000040000000"
                            "300000000500000020000000010000000100000010000000960000000a000000"
                            "a000000014000000960000000a000000a0000000140000004c00000064000000"
                            "8c00000000000000c8000000280000008c000000000000003c00000028000000"
                            "2100f00000000000000000000000803f00000000000000000000803f00000000"
                            "000000000000000000000000000000000000000000000000000000004b000000"
                            "1000000000000000050000000f00000014000000be0000005a0000000000ff00"
                            "520000006800000003000000ecff000000000000000400000002000000020008"
                            "00000000000000004100720097ff9eff6c000000000000000000000000000000"
                            "0000000000000000000000000000000000000000000000000000000000000000"
                            "0000000000000000250000000c00000003000000120000000c00000001000000"
                            "160000000c000000000000005400000050000000000000000000000000000000"
                            "000000000100000000000000000000000a0000004e000000020000004c000000"
                            "00000000000000000000000000000000000000003c0000004809480016000000"
                            "0c0000000e000000540000005000000000000000000000000000000000000000"
                            "010000000000000000000000640000005f000000020000004c00000000000000"
                            "0000000000000000000000000000000000000000480048000e00000014000000"
                            "000000000000000014000000");
    TMetafile page;
    page.SetBytes(bytes);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (const QSize size : {QSize(64, 48), QSize(97, 31)}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        page.Play(p, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const long grownKb = after.ru_maxrss - before.ru_maxrss;
    QVERIFY2(grownKb < 256 * 1024, qPrintable(QString("grew by %1 MB").arg(grownKb / 1024)));
}

QTEST_MAIN(TestEmfPlayback)
#include "tst_emf_playback.moc"
