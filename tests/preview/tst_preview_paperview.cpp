#include "platform/canvas/PainterCanvas.h"
#include "preview/PaperPreview.h"

#include <QtTest/QtTest>

using namespace movra;

class TestPaperView : public QObject {
    Q_OBJECT
private slots:
    void defaults() {
        TPaperPreview view;
        QCOMPARE(view.size(), QSize(110, 153));
        QCOMPARE(view.PaperWidth(), 105);
        QCOMPARE(view.PaperHeight(), 148);
        QCOMPARE(view.GetPageRect(), TRect(1, 1, 106, 149));
        QCOMPARE(view.PaperColor(), clWhite);
        QCOMPARE(view.BorderColor(), clBlack);
        QCOMPARE(view.ShadowColor(), clBtnShadow);
        QCOMPARE(view.BorderSize(), 1);
        QCOMPARE(view.ShadowSize(), 3);
        QCOMPARE(view.focusPolicy(), Qt::NoFocus);
        QVERIFY(view.BufferValid());
    }

    void paintedSheet() {
        TPaperPreview view;
        view.SetColor(RGBColor(0, 0, 255));
        view.SetShadowColor(RGBColor(0, 128, 0));
        TRect painted;
        int paints = 0;
        view.OnPaint = [&](TPaperPreview* s, TCanvas& c, const TRect& r) {
            QCOMPARE(s, &view);
            painted = r;
            ++paints;
            c.Brush.Color = RGBColor(255, 0, 0);
            c.FillRect(TRect(r.Left, r.Top, r.Left + 10, r.Top + 10));
            // The clip keeps drawing on the paper.
            c.FillRect(TRect(-50, 140, 500, 500));
        };
        const QImage img = view.grab().toImage();
        QCOMPARE(paints, 1);
        QCOMPARE(painted, TRect(1, 1, 106, 149));
        QCOMPARE(img.pixel(0, 0), qRgb(0, 0, 0));         // border
        QCOMPARE(img.pixel(106, 50), qRgb(0, 0, 0));      // right border line (x = 110-3-1)
        QCOMPARE(img.pixel(1, 1), qRgb(255, 0, 0));       // content
        QCOMPARE(img.pixel(50, 50), qRgb(255, 255, 255)); // paper
        QCOMPARE(img.pixel(50, 148), qRgb(255, 0, 0));    // content clipped to the paper...
        QCOMPARE(img.pixel(50, 149), qRgb(0, 0, 0));      // ...not over the border
        QCOMPARE(img.pixel(108, 50), qRgb(0, 128, 0));    // right shadow
        QCOMPARE(img.pixel(50, 151), qRgb(0, 128, 0));    // bottom shadow
        QCOMPARE(img.pixel(108, 1), qRgb(0, 0, 255));     // free corner top right
        QCOMPARE(img.pixel(1, 151), qRgb(0, 0, 255));     // free corner bottom left
        QCOMPARE(img.pixel(108, 3), qRgb(0, 128, 0));     // shadow starts S below the top

        // Repainting from the buffer does not ask for the content again...
        (void)view.grab();
        QCOMPARE(paints, 1);
        // ...an invalidation does.
        view.Invalidate();
        (void)view.grab();
        QCOMPARE(paints, 2);
        // The same colour again changes nothing.
        view.SetPaperColor(clWhite);
        (void)view.grab();
        QCOMPARE(paints, 2);
        view.SetPaperColor(RGBColor(250, 250, 200));
        const QImage yellowish = view.grab().toImage();
        QCOMPARE(paints, 3);
        QCOMPARE(yellowish.pixel(50, 50), qRgb(250, 250, 200));
    }

    void borderAndShadowSizes() {
        TPaperPreview view;
        view.SetBorderSize(0);
        QCOMPARE(view.PaperWidth(), 105);
        QCOMPARE(view.width(), 108);
        QCOMPARE(view.GetPageRect(), TRect(0, 0, 105, 148));
        view.SetColor(RGBColor(0, 0, 255));
        QImage img = view.grab().toImage();
        QCOMPARE(img.pixel(0, 0), qRgb(255, 255, 255)); // no border line
        view.SetShadowSize(0);
        QCOMPARE(view.size(), QSize(105, 148));
        img = view.grab().toImage();
        QCOMPARE(img.pixel(104, 0), qRgb(255, 255, 255)); // no shadow, no corner fill
        QCOMPARE(img.pixel(104, 147), qRgb(255, 255, 255));
        view.SetBorderSize(4);
        QCOMPARE(view.size(), QSize(113, 156));
        QCOMPARE(view.GetPageRect(), TRect(4, 4, 109, 152));
        img = view.grab().toImage();
        QCOMPARE(img.pixel(3, 3), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(112, 155), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(4, 4), qRgb(255, 255, 255));
        view.SetPaperWidth(200);
        QCOMPARE(view.width(), 208);
        view.SetBorderSize(-3); // a width is never negative
        QCOMPARE(view.BorderSize(), 0);
    }

    void oversizedBufferIsNotValid() {
        TPaperPreview view;
        int resizes = 0;
        view.OnResize = [&](QObject*) { ++resizes; };
        view.show();
        view.resize(20000, 20000); // 400 megapixels
        QVERIFY(!view.BufferValid());
        (void)view.grab(); // paints nothing, and does not crash
        view.resize(300, 400);
        QVERIFY(view.BufferValid());
        QVERIFY(resizes >= 2);
    }

    void cursors() {
        QCOMPARE(CursorForId(crDefault).shape(), Qt::ArrowCursor);
        QCOMPARE(CursorForId(crHand).shape(), Qt::OpenHandCursor);
        QCOMPARE(CursorForId(crGrab).shape(), Qt::ClosedHandCursor);
        TPaperPreview view;
        view.SetCursorId(crHand);
        QCOMPARE(view.cursor().shape(), Qt::OpenHandCursor);
    }

    void optionsNotifyOnChangesOnly() {
        TPaperPreviewOptions a;
        QCOMPARE(a.BorderColor(), clBlack);
        QCOMPARE(a.BorderWidth(), 1);
        QCOMPARE(a.Cursor(), crDefault);
        QCOMPARE(a.DragCursor(), crHand);
        QCOMPARE(a.GrabCursor(), crGrab);
        QCOMPARE(a.PaperColor(), clWhite);
        QCOMPARE(a.PopupMenu(), nullptr);
        QCOMPARE(a.ShadowColor(), clBtnShadow);
        QCOMPARE(a.ShadowWidth(), 3);
        int changes = 0;
        a.OnChange = [&](TPaperPreviewOptions* s) {
            QCOMPARE(s, &a);
            ++changes;
        };
        TPaperPreviewOptions b;
        b.SetShadowWidth(7);
        a.Assign(b);
        QCOMPARE(changes, 1);
        QCOMPARE(a.ShadowWidth(), 7);
        a.Assign(b);
        QCOMPARE(changes, 1);
        b.SetPaperColor(clSilver);
        b.SetBorderColor(clGray);
        b.SetGrabCursor(crHand);
        b.AssignTo(a);
        QCOMPARE(changes, 4);
        a.SetShadowWidth(7);
        QCOMPARE(changes, 4);
    }

    void optionsToView() {
        TPaperPreviewOptions o;
        o.SetBorderWidth(2);
        o.SetShadowWidth(5);
        o.SetPaperColor(clSilver);
        o.SetCursor(crHand);
        o.SetDragCursor(crDefault); // not carried: the preview sets the hands itself
        TPaperPreview view;
        o.AssignTo(view);
        QCOMPARE(view.BorderSize(), 2);
        QCOMPARE(view.ShadowSize(), 5);
        QCOMPARE(view.PaperColor(), clSilver);
        QCOMPARE(view.CursorId(), crHand);
        QCOMPARE(view.PaperWidth(), 105); // the paper keeps its size
        QCOMPARE(view.width(), 105 + 4 + 5);
    }
};

QTEST_MAIN(TestPaperView)
#include "tst_preview_paperview.moc"
