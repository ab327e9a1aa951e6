// The viewing side of the preview: the sheet's size and place for each zoom, the scroll bars,
// and moving through the page and between pages by keys, wheel and mouse.
#include "preview/PrintPreview.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyle>

#include <algorithm>
#include <cmath>

namespace movra {

namespace {

// Zoom is reported as a whole percentage, halves rounded to even.
int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

} // namespace

// ---- scrolling area ----

int TPrintPreview::ScrollBarExtent() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
}

int TPrintPreview::ClientWidth() const {
    return std::max(0, width() - 2 * frameWidth() - (m_vBarVisible ? ScrollBarExtent() : 0));
}

int TPrintPreview::ClientHeight() const {
    return std::max(0, height() - 2 * frameWidth() - (m_hBarVisible ? ScrollBarExtent() : 0));
}

int TPrintPreview::HorzPosition() const {
    return horizontalScrollBar()->value();
}
int TPrintPreview::VertPosition() const {
    return verticalScrollBar()->value();
}

void TPrintPreview::SetHorzPosition(int v) {
    horizontalScrollBar()->setValue(v);
    PlacePaperView();
}

void TPrintPreview::SetVertPosition(int v) {
    verticalScrollBar()->setValue(v);
    PlacePaperView();
}

void TPrintPreview::PlacePaperView() {
    m_paperView->move(m_sheetPos - QPoint(HorzPosition(), VertPosition()));
}

void TPrintPreview::scrollContentsBy(int, int) {
    PlacePaperView();
}

void TPrintPreview::UpdateScrollRanges() {
    if (m_rangeSuspended > 0)
        return;
    const bool sheet = m_pages->Count() > 0;
    m_hRange = sheet ? std::max(0, m_sheetPos.x() + m_paperView->width() + m_hMargin) : 0;
    m_vRange = sheet ? std::max(0, m_sheetPos.y() + m_paperView->height() + m_vMargin) : 0;
    const int w = width() - 2 * frameWidth();
    const int h = height() - 2 * frameWidth();
    const int extent = ScrollBarExtent();
    bool hBar = m_hRange > w;
    bool vBar = m_vRange > h;
    if (hBar && !vBar)
        vBar = m_vRange > h - extent;
    if (vBar && !hBar)
        hBar = m_hRange > w - extent;
    m_hBarVisible = hBar;
    m_vBarVisible = vBar;
    setHorizontalScrollBarPolicy(hBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    QScrollBar* hs = horizontalScrollBar();
    hs->setRange(0, std::max(0, m_hRange - cw));
    hs->setPageStep(std::max(1, cw));
    hs->setSingleStep(m_increment);
    QScrollBar* vs = verticalScrollBar();
    vs->setRange(0, std::max(0, m_vRange - ch));
    vs->setPageStep(std::max(1, ch));
    vs->setSingleStep(m_increment);
    PlacePaperView();
}

// ---- sheet size and layout ----

QSize TPrintPreview::CalculateViewSize(QSize available) {
    const int aw = std::max(0, available.width());
    const int ah = std::max(0, available.height());
    const int frame = 2 * m_paperView->BorderSize() + m_paperView->ShadowSize();
    auto frameOf = [frame](int v) { return v + frame; };
    auto innerOf = [frame](int v) { return std::max(0, v - frame); };
    // A page of no pixels (a tiny paper in large units) is laid out as one pixel.
    const int pw = std::max(1, m_pagePixels.width());
    const int ph = std::max(1, m_pagePixels.height());
    QSize sheet;
    auto toWidth = [&] { sheet = QSize(aw, frameOf(MulDiv(innerOf(aw), ph, pw))); };
    auto toHeight = [&] { sheet = QSize(frameOf(MulDiv(innerOf(ah), pw, ph)), ah); };
    switch (m_zoomState) {
    case zsZoomOther:
        sheet = QSize(frameOf(MulDiv(pw, m_zoom, 100)), frameOf(MulDiv(ph, m_zoom, 100)));
        break;
    case zsZoomToWidth:
        toWidth();
        break;
    case zsZoomToHeight:
        toHeight();
        break;
    case zsZoomToFit:
        // ah / aw > ph / pw, without dividing by a width of zero
        if (static_cast<qint64>(ah) * pw > static_cast<qint64>(ph) * aw)
            toWidth();
        else
            toHeight();
        break;
    }
    if (m_zoomState != zsZoomOther)
        m_zoom = RoundHalfEven(innerOf(sheet.height()) * 100.0 / ph);
    return sheet;
}

void TPrintPreview::UpdateZoom() {
    if (m_pages->Count() == 0)
        return;
    const int oldZoom = m_zoom;
    int aw = ClientWidth() - 2 * m_hMargin;
    int ah = ClientHeight() - 2 * m_vMargin;
    int hPercent = 0;
    int vPercent = 0;
    const bool keepPosition = m_zoomSavePos && m_currentPage != 0;
    if (keepPosition) {
        hPercent = std::max(0, MulDiv(HorzPosition(), 100, m_hRange - aw));
        vPercent = std::max(0, MulDiv(VertPosition(), 100, m_vRange - ah));
    }
    // The area as if no scroll bar were shown.
    const int extent = ScrollBarExtent();
    if (m_hBarVisible)
        ah += extent;
    if (m_vBarVisible)
        aw += extent;

    ++m_rangeSuspended;
    QSize sheet;
    try {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
        sheet = CalculateViewSize(QSize(aw, ah));
        m_canDragH = sheet.width() > aw;
        m_canDragV = sheet.height() > ah;
        // Make room for the bars the sheet needs, and fit again in what is left. Whether the
        // second bar is needed is judged by the new sheet, not by the one shown before.
        if (m_canDragH) {
            ah -= extent;
            if (sheet.height() > ah)
                aw -= extent;
            sheet = CalculateViewSize(QSize(aw, ah));
        } else if (m_canDragV) {
            aw -= extent;
            if (sheet.width() > aw)
                ah -= extent;
            sheet = CalculateViewSize(QSize(aw, ah));
        }
        m_canDragH = sheet.width() > aw;
        m_canDragV = sheet.height() > ah;
        int left = m_hMargin;
        if (sheet.width() <= aw)
            left += (aw - sheet.width()) / 2;
        int top = m_vMargin;
        if (sheet.height() <= ah)
            top += (ah - sheet.height()) / 2;
        m_sheetPos = QPoint(left, top);
        m_paperView->resize(sheet);
    } catch (...) {
        --m_rangeSuspended;
        UpdateScrollRanges();
        throw;
    }
    --m_rangeSuspended;
    UpdateScrollRanges();

    if (keepPosition) {
        if (m_canDragH)
            SetHorzPosition(MulDiv(hPercent, m_hRange - aw, 100));
        if (m_canDragV)
            SetVertPosition(MulDiv(vPercent, m_vRange - ah, 100));
    }
    m_dragging = false;
    m_paperView->SetCursorId(m_canDragH || m_canDragV ? m_paperViewOptions.DragCursor()
                                                      : m_paperViewOptions.Cursor());
    if (m_zoom != oldZoom && OnZoomChange)
        OnZoomChange(this);
}

void TPrintPreview::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateZoom();
    UpdateScrollRanges();
}

bool TPrintPreview::viewportEvent(QEvent* e) {
    // The viewport follows the scroll bars we show; its own resizing changes nothing here.
    return QAbstractScrollArea::viewportEvent(e);
}

// ---- zoom ----

void TPrintPreview::SetZoom(int v) {
    if (v < m_zoomMin)
        v = m_zoomMin;
    if (v > m_zoomMax)
        v = m_zoomMax;
    if (v == m_zoom && m_zoomState == zsZoomOther)
        return;
    const int old = m_zoom;
    m_zoom = v;
    m_zoomState = zsZoomOther;
    UpdateZoom();
    if (!m_paperView->BufferValid()) {
        // No memory for a sheet this large: stay at the zoom that worked.
        m_zoom = old;
        UpdateZoom();
    } else if (OnZoomChange) {
        OnZoomChange(this);
    }
}

void TPrintPreview::SetZoomMin(int v) {
    if (v == m_zoomMin || v <= 0 || v > m_zoomMax)
        return;
    m_zoomMin = v;
    if (m_zoomState == zsZoomOther && m_zoom < v)
        SetZoom(v);
}

void TPrintPreview::SetZoomMax(int v) {
    if (v == m_zoomMax || v < m_zoomMin)
        return;
    m_zoomMax = v;
    if (m_zoomState == zsZoomOther && m_zoom > v)
        SetZoom(v);
}

void TPrintPreview::SetZoomState(TZoomState v) {
    if (v == m_zoomState)
        return;
    m_zoomState = v;
    UpdateZoom();
}

// ---- keyboard ----

void TPrintPreview::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool none = mods == Qt::NoModifier;
    const bool shift = mods == Qt::ShiftModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    bool handled = true;
    switch (e->key()) {
    case Qt::Key_Home:
        if (none)
            SetHorzPosition(0);
        else if (ctrl)
            SetVertPosition(0);
        else
            handled = false;
        break;
    case Qt::Key_End:
        if (none)
            SetHorzPosition(m_hRange);
        else if (ctrl)
            SetVertPosition(m_vRange);
        else
            handled = false;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int sign = e->key() == Qt::Key_Left ? -1 : 1;
        if (none)
            SetHorzPosition(HorzPosition() + sign * m_increment);
        else if (shift)
            SetHorzPosition(HorzPosition() + sign);
        else if (ctrl)
            SetHorzPosition(HorzPosition() + sign * ClientWidth());
        else
            handled = false;
        break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int sign = e->key() == Qt::Key_Up ? -1 : 1;
        if (none)
            SetVertPosition(VertPosition() + sign * m_increment);
        else if (shift)
            SetVertPosition(VertPosition() + sign);
        else if (ctrl)
            SetVertPosition(VertPosition() + sign * ClientHeight());
        else
            handled = false;
        break;
    }
    case Qt::Key_PageDown:
        if (none)
            SetCurrentPage(m_currentPage + 1);
        else if (ctrl)
            SetCurrentPage(PageCount());
        else
            handled = false;
        break;
    case Qt::Key_PageUp:
        if (none)
            SetCurrentPage(m_currentPage - 1);
        else if (ctrl)
            SetCurrentPage(1);
        else
            handled = false;
        break;
    case Qt::Key_Plus:
        if (none && keypad)
            SetZoom(m_zoom + m_zoomStep);
        else
            handled = false;
        break;
    case Qt::Key_Minus:
        if (none && keypad)
            SetZoom(m_zoom - m_zoomStep);
        else
            handled = false;
        break;
    default:
        handled = false;
        break;
    }
    if (handled)
        e->accept();
    else
        QWidget::keyPressEvent(e);
}

// ---- mouse wheel ----

void TPrintPreview::wheelEvent(QWheelEvent* e) {
    if (!rect().contains(mapFromGlobal(e->globalPosition().toPoint()))) {
        e->ignore();
        return;
    }
    int delta = e->angleDelta().y();
    if (delta == 0)
        delta = e->angleDelta().x(); // some systems turn a Shift+wheel into a sideways one
    m_wheelAccumulator += delta;
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool middle = e->buttons() & Qt::MiddleButton;
    bool handled = true;
    while (std::abs(m_wheelAccumulator) >= 120) {
        const bool towardsUser = m_wheelAccumulator < 0;
        m_wheelAccumulator += towardsUser ? 120 : -120;
        if (mods == Qt::NoModifier && !middle)
            SetVertPosition(VertPosition() + (towardsUser ? m_increment : -m_increment));
        else if (mods == Qt::ShiftModifier || (mods == Qt::NoModifier && middle))
            SetCurrentPage(m_currentPage + (towardsUser ? 1 : -1));
        else if (mods == Qt::ControlModifier)
            SetZoom(m_zoom + (towardsUser ? -m_zoomStep : m_zoomStep));
        else
            handled = false;
    }
    if (handled)
        e->accept();
    else
        e->ignore();
}

bool TPrintPreview::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Wheel &&
        (watched == horizontalScrollBar() || watched == verticalScrollBar())) {
        wheelEvent(static_cast<QWheelEvent*>(e));
        return true; // never the bar's own scrolling
    }
    return QAbstractScrollArea::eventFilter(watched, e);
}

// ---- mouse on the sheet ----

QPoint TPrintPreview::PaperToControl(int x, int y) const {
    return m_paperView->mapTo(this, QPoint(x, y));
}

void TPrintPreview::PaperMouseDown(QObject*, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                   Qt::MouseButtons Buttons, int X, int Y) {
    if (!hasFocus() && isEnabled())
        setFocus(Qt::MouseFocusReason);
    if (m_canDragH || m_canDragV) {
        m_dragging = true;
        m_paperView->SetCursorId(m_paperViewOptions.GrabCursor());
    }
    m_dragOrigin = QPoint(X, Y);
    if (OnMouseDown) {
        const QPoint p = PaperToControl(X, Y);
        OnMouseDown(this, Button, Shift, Buttons, p.x(), p.y());
    }
}

void TPrintPreview::PaperMouseMove(QObject*, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                   Qt::MouseButtons Buttons, int X, int Y) {
    if (OnMouseMove) {
        const QPoint p = PaperToControl(X, Y);
        OnMouseMove(this, Button, Shift, Buttons, p.x(), p.y());
    }
    if (!(Buttons & Qt::LeftButton))
        return;
    if (m_canDragH) {
        const int dx = X - m_dragOrigin.x();
        if (m_hBarVisible) {
            SetHorzPosition(HorzPosition() - dx);
        } else {
            const int lowest = ClientWidth() - m_hMargin - m_paperView->width();
            const int left =
                std::clamp(m_paperView->x() + dx, std::min(lowest, m_hMargin), m_hMargin);
            m_sheetPos.setX(left + HorzPosition());
            PlacePaperView();
        }
    }
    if (m_canDragV) {
        const int dy = Y - m_dragOrigin.y();
        if (m_vBarVisible) {
            SetVertPosition(VertPosition() - dy);
        } else {
            const int lowest = ClientHeight() - m_vMargin - m_paperView->height();
            const int top =
                std::clamp(m_paperView->y() + dy, std::min(lowest, m_vMargin), m_vMargin);
            m_sheetPos.setY(top + VertPosition());
            PlacePaperView();
        }
    }
}

void TPrintPreview::PaperMouseUp(QObject*, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                 Qt::MouseButtons Buttons, int X, int Y) {
    if (OnMouseUp) {
        const QPoint p = PaperToControl(X, Y);
        OnMouseUp(this, Button, Shift, Buttons, p.x(), p.y());
    }
    if (m_dragging) {
        m_dragging = false;
        m_paperView->SetCursorId(m_paperViewOptions.DragCursor());
    }
}

} // namespace movra
