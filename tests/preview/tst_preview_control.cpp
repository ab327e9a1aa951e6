#include "PreviewTestPages.h"

#include "platform/canvas/PainterCanvas.h"
#include "platform/core/Font.h"
#include "preview/PrintPreview.h"

#include <QtTest/QtTest>

using namespace movra;
using namespace movra::test;

namespace {

// The last column (from the right) in row y that is darker than light gray, or -1.
int RightmostDark(const QImage& img, int y) {
    for (int x = img.width() - 1; x >= 0; --x)
        if (qGray(img.pixel(x, y)) < 160)
            return x;
    return -1;
}

} // namespace

class TestPreviewControl : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (ScreenPixelsPerInch() != 96)
            QSKIP("these figures are for a screen of 96 pixels per inch");
    }

    void newControl() {
        TPrintPreview pp;
        QCOMPARE(pp.Units(), mmHiMetric);
        QCOMPARE(pp.PaperWidth(), 21000);
        QCOMPARE(pp.PaperHeight(), 29700);
        QCOMPARE(pp.PaperType(), pA4);
        QCOMPARE(pp.Orientation(), poPortrait);
        QCOMPARE(pp.PageCount(), 0);
        QCOMPARE(pp.CurrentPage(), 0);
        QVERIFY(pp.PaperViewControl()->isHidden());
        QCOMPARE(pp.Zoom(), 40);
        QCOMPARE(pp.ZoomState(), zsZoomToFit);
        QCOMPARE(pp.ZoomMin(), 10);
        QCOMPARE(pp.ZoomMax(), 500);
        QCOMPARE(pp.ZoomStep(), 10);
        QVERIFY(pp.ZoomSavePos());
        QCOMPARE(pp.Font().Name, QStringLiteral("Arial"));
        QCOMPARE(pp.Font().Size(), 8);
        QCOMPARE(pp.State(), psIdle);
        QVERIFY(pp.focusPolicy() & Qt::TabFocus);
        QCOMPARE(pp.PaperViewControl()->focusPolicy(), Qt::NoFocus);
        QCOMPARE(pp.PagePixelSize(), QSize(794, 1123));
        QCOMPARE(pp.Pages(1), nullptr);
    }

    void unitsAndOrientation() {
        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        QCOMPARE(QSize(pp.PaperWidth(), pp.PaperHeight()), QSize(2100, 2970));
        pp.SetOrientation(poLandscape);
        QCOMPARE(QSize(pp.PaperWidth(), pp.PaperHeight()), QSize(2970, 2100));
        QCOMPARE(pp.PagePixelSize(), QSize(1123, 794));
        pp.SetUnits(mmHiMetric);
        QCOMPARE(QSize(pp.PaperWidth(), pp.PaperHeight()), QSize(29700, 21000));
        // A custom size is converted, not looked up.
        pp.SetUnits(mmLoMetric);
        pp.SetPaperSize(1000, 1500);
        QCOMPARE(pp.PaperType(), pCustom);
        pp.SetUnits(mmHiMetric);
        QCOMPARE(QSize(pp.PaperWidth(), pp.PaperHeight()), QSize(10000, 15000));
        pp.SetPaperType(pLetter); // landscape letter in hundredths of a millimetre
        QCOMPARE(QSize(pp.PaperWidth(), pp.PaperHeight()), QSize(27940, 21590));
    }

    void paperSizes() {
        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        pp.SetPaperWidth(2159);
        pp.SetPaperHeight(2794);
        QCOMPARE(pp.PaperType(), pLetter);
        pp.SetPaperSize(1000, 1000);
        QCOMPARE(pp.PaperType(), pCustom);
        pp.SetPaperWidth(-5);
        QCOMPARE(pp.PaperWidth(), 1);
        pp.SetPaperHeight(40000);
        QCOMPARE(pp.PaperHeight(), 32767);
        // Landscape sizes are looked up turned back to portrait.
        pp.SetOrientation(poLandscape);
        pp.SetPaperSize(2970, 2100);
        QCOMPARE(pp.PaperType(), pA4);
    }

    void recordingFourPages() {
        TPrintPreview pp;
        QStringList events;
        int currentWhenFirstStored = -1;
        pp.OnBeginDoc = [&](TPrintPreview* s) {
            QCOMPARE(s, &pp);
            events << "begin";
        };
        pp.OnNewPage = [&](TPrintPreview*) { events << "new"; };
        pp.OnEndPage = [&](TPrintPreview*) { events << "end page"; };
        pp.OnEndDoc = [&](TPrintPreview*) { events << "end doc"; };
        pp.OnChange = [&](TPrintPreview*) {
            events << "change";
            if (currentWhenFirstStored < 0 && pp.PageCount() > 0)
                currentWhenFirstStored = pp.CurrentPage();
        };
        pp.BeginDoc();
        QCOMPARE(pp.State(), psRecording);
        for (int i = 0; i < 4; ++i) {
            pp.Canvas().TextOut(1000, 1000, QStringLiteral("Strona %1").arg(i + 1));
            if (i < 3)
                pp.NewPage();
        }
        pp.EndDoc();
        QCOMPARE(pp.State(), psIdle);
        QCOMPARE(pp.PageCount(), 4);
        QCOMPARE(currentWhenFirstStored, 1);
        QCOMPARE(pp.CurrentPage(), 1);
        QVERIFY(!pp.PaperViewControl()->isHidden());
        // Clear at BeginDoc reports the empty store first.
        QCOMPARE(events, (QStringList{"change", "begin", "new", "end page", "change", "new",
                                      "end page", "change", "new", "end page", "change", "new",
                                      "end page", "change", "end doc"}));
        QVERIFY(pp.Pages(4) != nullptr);
        QCOMPARE(pp.Pages(5), nullptr);
        QCOMPARE(pp.Pages(0), nullptr);
        QCOMPARE(pp.Pages(4)->Width(), 794);
        QCOMPARE(pp.Pages(4)->Height(), 1123);
    }

    void outOfOrderCallsDoNothing() {
        TPrintPreview pp;
        int events = 0;
        pp.OnNewPage = [&](TPrintPreview*) { ++events; };
        pp.OnEndDoc = [&](TPrintPreview*) { ++events; };
        pp.OnEndPage = [&](TPrintPreview*) { ++events; };
        pp.NewPage();
        pp.EndDoc();
        QCOMPARE(events, 0);
        QCOMPARE(pp.PageCount(), 0);
        pp.BeginDoc();
        int begins = 0;
        pp.OnBeginDoc = [&](TPrintPreview*) { ++begins; };
        pp.BeginDoc(); // not idle: ignored
        QCOMPARE(begins, 0);
        // Paper changes while recording are ignored.
        pp.SetPaperType(pLetter);
        pp.SetPaperWidth(5000);
        pp.SetOrientation(poLandscape);
        QCOMPARE(pp.PaperType(), pA4);
        QCOMPARE(pp.PaperWidth(), 21000);
        QCOMPARE(pp.Orientation(), poPortrait);
        pp.EndDoc();
        QCOMPARE(pp.PageCount(), 1);
    }

    void abortDiscardsPages() {
        TPrintPreview pp;
        int aborts = 0;
        int endDocs = 0;
        pp.OnAbort = [&](TPrintPreview*) { ++aborts; };
        pp.OnEndDoc = [&](TPrintPreview*) { ++endDocs; };
        pp.BeginDoc();
        pp.NewPage();
        pp.NewPage();
        QCOMPARE(pp.PageCount(), 2);
        pp.Abort();
        pp.Abort(); // once only
        QCOMPARE(aborts, 1);
        QCOMPARE(pp.PageCount(), 0);
        QCOMPARE(pp.CurrentPage(), 0);
        QVERIFY(pp.PaperViewControl()->isHidden());
        QCOMPARE(pp.State(), psRecording);
        pp.EndDoc();
        QCOMPARE(pp.State(), psIdle);
        QCOMPARE(pp.PageCount(), 0);
        QCOMPARE(endDocs, 1);
        pp.Abort(); // idle: nothing
        QCOMPARE(aborts, 1);
    }

    void unitsChangeWhileDrawing() {
        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        pp.BeginDoc();
        TCanvas& c = pp.Canvas();
        c.Pen.Width = 10; // one millimetre
        c.MoveTo(0, 500);
        c.LineTo(1000, 500);
        pp.SetUnits(mmHiMetric);
        QCOMPARE(pp.Canvas().Pen.Width, 100);
        pp.Canvas().MoveTo(0, 10000);
        pp.Canvas().LineTo(10000, 10000);
        pp.EndDoc();
        const QImage img = Render(*pp.Pages(1), 794, 1123);
        const int y1 = MulDiv(500, 96, 254);
        const int y2 = MulDiv(10000, 96, 2540);
        const int end1 = RightmostDark(img, y1);
        const int end2 = RightmostDark(img, y2);
        QVERIFY(end1 > 300);
        QVERIFY2(std::abs(end1 - end2) <= 1,
                 qPrintable(QStringLiteral("%1 vs %2").arg(end1).arg(end2)));
        QVERIFY(std::abs(end1 - 378) <= 3); // 100 mm at 96 pixels per inch
    }

    void pointSizesKeepTheirPhysicalHeight() {
        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        pp.BeginDoc();
        TCanvas& c = pp.Canvas();
        QCOMPARE(c.Font.PixelsPerInch, 254);
        c.Font.SetSize(72); // one inch
        QCOMPARE(c.Font.Size(), 72);
        // One inch is 254 tenths of a millimetre: the character height is about that.
        QVERIFY(std::abs(c.Font.Height()) >= 240 && std::abs(c.Font.Height()) <= 260);
        pp.EndDoc();
    }

    void playbackMatchesDirectDrawing() {
        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        pp.SetOrientation(poLandscape);
        auto draw = [](TCanvas& c) {
            c.Font.SetSize(20);
            c.Font.Color = clBlue;
            c.Font.Style = fsBold;
            c.TextOut(900, 120, QStringLiteral("Zestawienie danych osobowych"));
            c.Brush.Color = RGBColor(0, 128, 0);
            c.FillRect(TRect(250, 400, 1250, 1900));
            c.Pen.Color = clBlack;
            c.Pen.Width = 5;
            c.Brush.Style = TBrushStyle::Clear;
            c.Rectangle(1600, 550, 2650, 1050);
            c.MoveTo(1600, 1250);
            c.LineTo(2650, 1750);
        };
        pp.BeginDoc();
        draw(pp.Canvas());
        pp.EndDoc();
        const QSize px = pp.PagePixelSize();
        const QImage played = Render(*pp.Pages(1), px.width(), px.height());

        QImage direct(px, QImage::Format_RGB32);
        direct.fill(Qt::white);
        {
            QPainter p(&direct);
            TPainterCanvas c(&p);
            c.Font = pp.Font();
            pp.PrepareCanvas(c);
            draw(c);
        }
        const double diff = DifferentPixels(played, direct);
        QVERIFY2(diff < 0.01, qPrintable(QString::number(diff)));
        // And the drawing is really there.
        QCOMPARE(QColor(played.pixel(MulDiv(700, 96, 254), MulDiv(1000, 96, 254))),
                 QColor(0, 128, 0));
    }

    void currentPageFollowsStore() {
        TPrintPreview pp;
        pp.BeginDoc();
        pp.NewPage();
        pp.NewPage();
        pp.EndDoc();
        int changes = 0;
        pp.OnChange = [&](TPrintPreview*) { ++changes; };
        pp.SetCurrentPage(7);
        QCOMPARE(pp.CurrentPage(), 3);
        QCOMPARE(changes, 1);
        pp.SetCurrentPage(3);
        QCOMPARE(changes, 1);
        pp.SetCurrentPage(-2);
        QCOMPARE(pp.CurrentPage(), 1);
        QCOMPARE(changes, 2);
        // A change to a stored page is written back and reported.
        auto replacement = RecordPage(794, 1123, 4, 2);
        pp.Pages(2)->SetBytes(replacement->Bytes());
        QCOMPARE(changes, 3);
        QCOMPARE(pp.Pages(2)->Bytes(), replacement->Bytes());
        pp.Clear();
        QCOMPARE(pp.CurrentPage(), 0);
        QVERIFY(pp.PaperViewControl()->isHidden());
        QCOMPARE(changes, 4);
        pp.SetCurrentPage(1); // no pages: ignored
        QCOMPARE(pp.CurrentPage(), 0);
        QCOMPARE(changes, 4);
    }

    void annotationAndBackground() {
        TPrintPreview pp;
        pp.resize(500, 700);
        pp.show();
        pp.BeginDoc();
        pp.Canvas().Brush.Color = clBlue;
        pp.Canvas().FillRect(TRect(10000, 10000, 15000, 15000));
        pp.NewPage();
        pp.EndDoc();
        QList<int> annotated;
        pp.OnAnnotation = [&](TPrintPreview* s, int page, TCanvas& c) {
            QCOMPARE(s, &pp);
            annotated << page;
            c.Brush.Color = RGBColor(255, 0, 0);
            c.FillRect(TRect(0, 0, 5000, 5000));
        };
        pp.OnBackground = [&](TPrintPreview*, int, TCanvas& c) {
            c.Brush.Color = RGBColor(255, 255, 0);
            c.FillRect(TRect(0, 0, 21000, 29700));
        };
        TPaperPreview* view = pp.PaperViewControl();
        const TRect r = view->GetPageRect();
        auto at = [&](int x100mm, int y100mm) {
            const QImage img = view->grab().toImage();
            return QColor(img.pixel(r.Left + MulDiv(x100mm, r.Width(), 21000),
                                    r.Top + MulDiv(y100mm, r.Height(), 29700)));
        };
        QCOMPARE(at(2500, 2500), QColor(Qt::white));
        pp.SetAnnotation(true);
        QCOMPARE(annotated, QList<int>{1});
        QCOMPARE(at(2500, 2500), QColor(255, 0, 0));
        QCOMPARE(at(12500, 12500), QColor(0, 0, 255));
        QCOMPARE(at(18000, 25000), QColor(Qt::white));
        pp.SetBackground(true);
        QCOMPARE(at(18000, 25000), QColor(255, 255, 0));
        QCOMPARE(at(12500, 12500), QColor(0, 0, 255)); // the page lies over the background
        QCOMPARE(at(2500, 2500), QColor(255, 0, 0));   // the annotation over the page
        pp.SetCurrentPage(2);
        QCOMPARE(annotated, (QList<int>{1, 2}));
        QCOMPARE(at(12500, 12500), QColor(255, 255, 0));
        pp.SetGrayscale(gsPreview);
        const QColor gray = at(18000, 25000);
        QCOMPARE(gray.red(), gray.green());
        QCOMPARE(gray.green(), gray.blue());
        pp.SetAnnotation(false);
        pp.SetBackground(false);
        pp.SetGrayscale(0);
        QCOMPARE(at(2500, 2500), QColor(Qt::white));
    }

    void noMemoryMessage() {
        QCOMPARE(NoMemoryForPageMessage(),
                 QStringLiteral("Za mało pamięci na tworzenie nowej strony"));
        const EOutOfMemory e(NoMemoryForPageMessage());
        QCOMPARE(ErrorText(e), NoMemoryForPageMessage());
    }
};

QTEST_MAIN(TestPreviewControl)
#include "tst_preview_control.moc"
