#include "platform/core/Font.h"
#include "preview/PrintPreview.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QWheelEvent>
#include <QtTest/QtTest>
#include <QtWidgets/QScrollBar>

using namespace movra;

namespace {

// A shown preview of the given size with `pages` recorded pages.
std::unique_ptr<TPrintPreview> MakePreview(QSize size, int pages = 1) {
    auto pp = std::make_unique<TPrintPreview>();
    pp->resize(size);
    pp->show();
    pp->BeginDoc();
    for (int i = 1; i < pages; ++i)
        pp->NewPage();
    pp->EndDoc();
    return pp;
}

void Wheel(TPrintPreview& pp, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier,
           Qt::MouseButtons buttons = Qt::NoButton) {
    const QPointF local(pp.width() / 2.0, pp.height() / 2.0);
    QWheelEvent e(local, pp.mapToGlobal(local), QPoint(), QPoint(0, delta), buttons, mods,
                  Qt::NoScrollPhase, false);
    // Wheel events reach the scrolling area through its viewport.
    QApplication::sendEvent(pp.viewport(), &e);
}

void Key(TPrintPreview& pp, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(&pp, &e);
}

void Mouse(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), w.mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

} // namespace

class TestPreviewLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (ScreenPixelsPerInch() != 96)
            QSKIP("these figures are for a screen of 96 pixels per inch");
    }

    void zoomClamping() {
        auto pp = MakePreview(QSize(600, 600));
        int changes = 0;
        pp->OnZoomChange = [&](TPrintPreview* s) {
            QCOMPARE(s, pp.get());
            ++changes;
        };
        pp->SetZoom(5);
        QCOMPARE(pp->Zoom(), 10);
        QCOMPARE(pp->ZoomState(), zsZoomOther);
        QCOMPARE(changes, 1);
        pp->SetZoom(10);
        QCOMPARE(changes, 0 + 1);
        pp->SetZoom(9000);
        QCOMPARE(pp->Zoom(), 500);
        pp->SetZoomMax(300); // the zoom follows a lower bound
        QCOMPARE(pp->Zoom(), 300);
        pp->SetZoomMin(400); // above the maximum: ignored
        QCOMPARE(pp->ZoomMin(), 10);
        pp->SetZoomMin(0);
        QCOMPARE(pp->ZoomMin(), 10);
        pp->SetZoomMax(5); // below the minimum: ignored
        QCOMPARE(pp->ZoomMax(), 300);
        pp->SetZoom(100);
        const QSize px = pp->PagePixelSize();
        const TPaperPreview* view = pp->PaperViewControl();
        QCOMPARE(view->size(), QSize(px.width() + 5, px.height() + 5));
    }

    void fittingTheWindow() {
        // Taller than the page's proportions: the sheet fills the width.
        auto pp = MakePreview(QSize(400, 900));
        const TPaperPreview* view = pp->PaperViewControl();
        QCOMPARE(pp->ZoomState(), zsZoomToFit);
        QCOMPARE(view->width(), pp->ClientWidth());
        QVERIFY(view->height() < pp->ClientHeight());
        QVERIFY(!pp->CanDragHorizontally() && !pp->CanDragVertically());
        const int inner = view->height() - 5;
        QCOMPARE(pp->Zoom(), qRound(inner * 100.0 / 1123));
        QCOMPARE(view->cursor().shape(), Qt::ArrowCursor);
        // Wider: the sheet fills the height, and it is centred.
        pp->resize(1000, 500);
        QCOMPARE(view->height(), 500);
        QVERIFY(view->width() < 1000);
        QCOMPARE(view->x(), (1000 - view->width()) / 2);
        QCOMPARE(view->y(), 0);
        QCOMPARE(pp->Zoom(), qRound((500 - 5) * 100.0 / 1123)); // may lie below ZoomMin
        // Width and height states.
        pp->SetZoomState(zsZoomToWidth);
        QCOMPARE(view->width(), pp->ClientWidth());
        QVERIFY(pp->CanDragVertically());
        QVERIFY(pp->VertBarVisible());
        QCOMPARE(view->cursor().shape(), Qt::OpenHandCursor);
        pp->SetZoomState(zsZoomToHeight);
        QCOMPARE(view->height(), pp->ClientHeight());
        QVERIFY(!pp->VertBarVisible());
    }

    void centringOddLeftover() {
        auto pp = MakePreview(QSize(700, 900));
        pp->SetZoom(50);
        const TPaperPreview* view = pp->PaperViewControl();
        const int w = view->width();
        const int h = view->height();
        QCOMPARE(w, MulDiv(794, 50, 100) + 5);
        QVERIFY(w < 700 && h < 900);
        // Odd leftovers: the extra pixel goes to the right and the bottom.
        pp->resize(w + 101, h + 51);
        QCOMPARE(view->x(), 50);
        QCOMPARE(view->y(), 25);
        QCOMPARE(pp->width() - view->x() - w, 51);
        QCOMPARE(view->cursor().shape(), Qt::ArrowCursor);
    }

    void zoomKeepsTheMiddle() {
        auto pp = MakePreview(QSize(500, 500));
        pp->SetZoom(100);
        QVERIFY(pp->CanDragHorizontally() && pp->CanDragVertically());
        const int maxH = pp->HorzRange() - pp->ClientWidth();
        const int maxV = pp->VertRange() - pp->ClientHeight();
        pp->SetHorzPosition(maxH / 2);
        pp->SetVertPosition(maxV / 2);
        pp->SetZoom(200);
        const int maxH2 = pp->HorzRange() - pp->ClientWidth();
        const int maxV2 = pp->VertRange() - pp->ClientHeight();
        QVERIFY(maxH2 > 2 * maxH);
        QVERIFY(std::abs(pp->HorzPosition() - maxH2 / 2) <= maxH2 / 100 + 1);
        QVERIFY(std::abs(pp->VertPosition() - maxV2 / 2) <= maxV2 / 100 + 1);
        // Without keeping the position the view starts at the corner.
        pp->SetZoomSavePos(false);
        pp->SetZoom(150);
        QCOMPARE(pp->HorzPosition(), 0);
        QCOMPARE(pp->VertPosition(), 0);
    }

    void zoomFromFitToLargeReservesBothBars() {
        // From a sheet fitted to the width of a tall window to a zoom that is both wider and
        // taller: both directions can be dragged at once.
        auto pp = MakePreview(QSize(300, 900));
        pp->SetZoom(200);
        QVERIFY(pp->CanDragHorizontally());
        QVERIFY(pp->CanDragVertically());
        QVERIFY(pp->HorzBarVisible() && pp->VertBarVisible());
        QCOMPARE(pp->PaperViewControl()->y(), 0);
    }

    void wheel() {
        auto pp = MakePreview(QSize(500, 500), 3);
        pp->SetZoom(100);
        Wheel(*pp, -60);
        QCOMPARE(pp->VertPosition(), 0);
        Wheel(*pp, -60);
        QCOMPARE(pp->VertPosition(), pp->ScrollIncrement());
        Wheel(*pp, 120);
        QCOMPARE(pp->VertPosition(), 0);
        Wheel(*pp, -240, Qt::ControlModifier);
        QCOMPARE(pp->Zoom(), 80);
        Wheel(*pp, 120, Qt::ControlModifier);
        QCOMPARE(pp->Zoom(), 90);
        Wheel(*pp, -120, Qt::ShiftModifier);
        QCOMPARE(pp->CurrentPage(), 2);
        Wheel(*pp, -120, Qt::NoModifier, Qt::MiddleButton);
        QCOMPARE(pp->CurrentPage(), 3);
        Wheel(*pp, 360, Qt::ShiftModifier);
        QCOMPARE(pp->CurrentPage(), 1);
        // Other combinations do nothing.
        const int v = pp->VertPosition();
        Wheel(*pp, -120, Qt::AltModifier);
        Wheel(*pp, -120, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pp->VertPosition(), v);
        QCOMPARE(pp->Zoom(), 90);
        QCOMPARE(pp->CurrentPage(), 1);
    }

    // Over the scroll bars the wheel keeps the control's table: one notch is one increment,
    // Ctrl zooms.
    void wheelOverTheScrollBars() {
        auto pp = MakePreview(QSize(500, 500));
        pp->SetZoom(100);
        QVERIFY(pp->VertBarVisible() && pp->HorzBarVisible());
        for (QScrollBar* bar : {pp->verticalScrollBar(), pp->horizontalScrollBar()}) {
            pp->SetVertPosition(0);
            pp->SetHorzPosition(0);
            const QPointF local(bar->width() / 2.0, bar->height() / 2.0);
            QWheelEvent down(local, bar->mapToGlobal(local), QPoint(), QPoint(0, -120),
                             Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &down);
            QCOMPARE(pp->VertPosition(), pp->ScrollIncrement());
            QCOMPARE(pp->HorzPosition(), 0);
            const int zoom = pp->Zoom();
            QWheelEvent zoomIn(local, bar->mapToGlobal(local), QPoint(), QPoint(0, 120),
                               Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &zoomIn);
            QCOMPARE(pp->Zoom(), zoom + pp->ZoomStep());
            pp->SetZoom(100);
        }
    }

    // The area around a smaller sheet shows the control's colour.
    void surroundingsInTheControlsColour() {
        auto pp = MakePreview(QSize(600, 600));
        pp->SetZoom(30);
        pp->SetColor(RGBColor(0, 0, 160));
        const QImage img = pp->grab().toImage();
        const QRect sheet = pp->PaperViewControl()->geometry();
        QVERIFY(sheet.left() > 10 && sheet.top() > 10);
        for (const QPoint p : {QPoint(2, 2), QPoint(sheet.left() - 3, sheet.center().y()),
                               QPoint(sheet.center().x(), sheet.bottom() + 4)})
            QCOMPARE(img.pixelColor(p), QColor(0, 0, 160));
    }

    void keys() {
        auto pp = MakePreview(QSize(400, 400), 3);
        pp->SetZoom(100);
        int changes = 0;
        pp->OnChange = [&](TPrintPreview*) { ++changes; };
        const int maxH = pp->HorzRange() - pp->ClientWidth();
        const int maxV = pp->VertRange() - pp->ClientHeight();
        Key(*pp, Qt::Key_End);
        QCOMPARE(pp->HorzPosition(), maxH);
        Key(*pp, Qt::Key_Home);
        QCOMPARE(pp->HorzPosition(), 0);
        Key(*pp, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(pp->VertPosition(), maxV);
        Key(*pp, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(pp->VertPosition(), 0);
        Key(*pp, Qt::Key_Right);
        QCOMPARE(pp->HorzPosition(), pp->ScrollIncrement());
        Key(*pp, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(pp->HorzPosition(), pp->ScrollIncrement() + 1);
        Key(*pp, Qt::Key_Left, Qt::ShiftModifier);
        Key(*pp, Qt::Key_Left);
        QCOMPARE(pp->HorzPosition(), 0);
        Key(*pp, Qt::Key_Left); // kept within the range
        QCOMPARE(pp->HorzPosition(), 0);
        Key(*pp, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(pp->VertPosition(), pp->ClientHeight());
        Key(*pp, Qt::Key_Up);
        QCOMPARE(pp->VertPosition(), pp->ClientHeight() - pp->ScrollIncrement());
        Key(*pp, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(pp->HorzPosition(), std::min(maxH, pp->ClientWidth()));

        Key(*pp, Qt::Key_PageUp); // on page 1: nothing
        QCOMPARE(changes, 0);
        Key(*pp, Qt::Key_PageDown);
        QCOMPARE(pp->CurrentPage(), 2);
        Key(*pp, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(pp->CurrentPage(), 3);
        QCOMPARE(changes, 2);
        Key(*pp, Qt::Key_PageDown); // on the last page: nothing
        QCOMPARE(changes, 2);
        Key(*pp, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(pp->CurrentPage(), 1);

        Key(*pp, Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(pp->Zoom(), 110);
        Key(*pp, Qt::Key_Minus, Qt::KeypadModifier);
        Key(*pp, Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(pp->Zoom(), 90);
        Key(*pp, Qt::Key_Plus); // the main keyboard's plus is not the zoom key
        QCOMPARE(pp->Zoom(), 90);
    }

    void draggingWiderSheetMovesHorizontallyOnly() {
        auto pp = MakePreview(QSize(500, 1300));
        pp->SetZoom(100);
        QVERIFY(pp->CanDragHorizontally());
        QVERIFY(!pp->CanDragVertically());
        TPaperPreview* view = pp->PaperViewControl();
        QCOMPARE(view->cursor().shape(), Qt::OpenHandCursor);
        QList<QPoint> downs;
        pp->OnMouseDown = [&](QObject* s, Qt::MouseButton, Qt::KeyboardModifiers, Qt::MouseButtons,
                              int x, int y) {
            QCOMPARE(s, pp.get());
            downs << QPoint(x, y);
        };
        pp->SetHorzPosition(100);
        const QPoint viewPos = view->pos();
        Mouse(*view, QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(pp->Dragging());
        QCOMPARE(pp->window()->focusWidget(), pp.get()); // a press on the sheet focuses
        QCOMPARE(view->cursor().shape(), Qt::ClosedHandCursor);
        QCOMPARE(downs, QList<QPoint>{viewPos + QPoint(300, 300)});
        Mouse(*view, QEvent::MouseMove, QPoint(260, 340), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(pp->HorzPosition(), 140); // moved with the mouse, leftwards
        QCOMPARE(pp->VertPosition(), 0);
        QCOMPARE(view->y(), viewPos.y());
        // The sheet follows under the mouse: further moves keep the grip where it was taken.
        const QPoint grip = viewPos + QPoint(300, 300);
        Mouse(*view, QEvent::MouseMove, grip - QPoint(80, 0) - view->pos(), Qt::NoButton,
              Qt::LeftButton);
        QCOMPARE(pp->HorzPosition(), 180);
        Mouse(*view, QEvent::MouseMove, grip - QPoint(50, 0) - view->pos(), Qt::NoButton,
              Qt::LeftButton);
        QCOMPARE(pp->HorzPosition(), 150);
        // Moves without the left button do not drag.
        Mouse(*view, QEvent::MouseMove, QPoint(200, 300), Qt::NoButton, Qt::NoButton);
        QCOMPARE(pp->HorzPosition(), 150);
        Mouse(*view, QEvent::MouseButtonRelease, QPoint(300, 300), Qt::LeftButton, Qt::NoButton);
        QVERIFY(!pp->Dragging());
        QCOMPARE(view->cursor().shape(), Qt::OpenHandCursor);
    }

    void clicksReportedAsTheControls() {
        auto pp = MakePreview(QSize(400, 500));
        int clicks = 0;
        int doubles = 0;
        pp->OnClick = [&](QObject* s) {
            QCOMPARE(s, pp.get());
            ++clicks;
        };
        pp->OnDblClick = [&](QObject*) { ++doubles; };
        TPaperPreview* view = pp->PaperViewControl();
        Mouse(*view, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!pp->Dragging()); // the fitted sheet cannot be dragged
        Mouse(*view, QEvent::MouseButtonRelease, QPoint(20, 20), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(clicks, 1);
        Mouse(*view, QEvent::MouseButtonDblClick, QPoint(20, 20), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(doubles, 1);
    }

    void oversizedZoomFallsBack() {
        auto pp = std::make_unique<TPrintPreview>();
        pp->resize(600, 600);
        pp->show();
        pp->SetUnits(mmLoMetric);
        pp->SetPaperSize(30000, 30000); // three metres square
        pp->BeginDoc();
        pp->EndDoc();
        pp->SetZoom(20);
        QCOMPARE(pp->Zoom(), 20);
        int changes = 0;
        pp->OnZoomChange = [&](TPrintPreview*) { ++changes; };
        pp->SetZoom(100); // 11339 pixels square: no buffer that large
        QCOMPARE(pp->Zoom(), 20);
        QCOMPARE(changes, 0);
        QVERIFY(pp->PaperViewControl()->BufferValid());
        QCOMPARE(pp->PaperViewControl()->width(), MulDiv(11339, 20, 100) + 5);
    }

    void degenerateSizesDoNotBreakTheLayout() {
        // A paper of one hundredth of a millimetre has no pixels; a window of no size has no
        // area. Nothing divides by zero and no size turns negative.
        auto pp = std::make_unique<TPrintPreview>();
        pp->SetPaperSize(1, 1);
        QCOMPARE(pp->PagePixelSize(), QSize(0, 0));
        pp->resize(0, 0);
        pp->show();
        pp->BeginDoc();
        pp->EndDoc();
        QVERIFY(pp->PaperViewControl()->width() >= 0);
        QVERIFY(pp->PaperViewControl()->height() >= 0);
        pp->SetZoomState(zsZoomToWidth);
        pp->SetZoomState(zsZoomToHeight);
        pp->SetZoom(500);
        pp->resize(300, 200);
        pp->SetZoomState(zsZoomToFit);
        QVERIFY(pp->Zoom() >= 0);
        Key(*pp, Qt::Key_End);
        Wheel(*pp, -120);
        (void)pp->grab();
    }

    void paperViewOptionsRelayout() {
        auto pp = MakePreview(QSize(600, 600));
        pp->SetZoom(50);
        const QSize before = pp->PaperViewControl()->size();
        TPaperPreviewOptions o;
        o.SetBorderWidth(4);
        o.SetShadowWidth(0);
        pp->SetPaperView(o);
        QCOMPARE(pp->PaperViewControl()->size(), before + QSize(3, 3));
        QCOMPARE(pp->PaperViewControl()->BorderSize(), 4);
    }
};

QTEST_MAIN(TestPreviewLayout)
#include "tst_preview_layout.moc"
