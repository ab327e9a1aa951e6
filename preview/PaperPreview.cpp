#include "preview/PaperPreview.h"

#include "platform/canvas/PainterCanvas.h"

#include <QtGui/QContextMenuEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QMenu>

#include <algorithm>

namespace movra {

QCursor CursorForId(int id) {
    switch (id) {
    case crHand:
        return QCursor(Qt::OpenHandCursor);
    case crGrab:
        return QCursor(Qt::ClosedHandCursor);
    case -3: // cross
        return QCursor(Qt::CrossCursor);
    case -4: // text
        return QCursor(Qt::IBeamCursor);
    case -11: // hourglass
        return QCursor(Qt::WaitCursor);
    case -21: // pointing hand
        return QCursor(Qt::PointingHandCursor);
    default:
        return QCursor(Qt::ArrowCursor);
    }
}

TPaperPreview::TPaperPreview(QWidget* parent) : QWidget(parent) {
    // The view paints every pixel itself from its buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    SetFrameSize(105, 148);
    ResizeBuffer();
}

TPaperPreview::~TPaperPreview() = default;

int TPaperPreview::PaperWidth() const {
    return width() - 2 * m_borderSize - m_shadowSize;
}
int TPaperPreview::PaperHeight() const {
    return height() - 2 * m_borderSize - m_shadowSize;
}

void TPaperPreview::SetFrameSize(int paperWidth, int paperHeight) {
    const int frame = 2 * m_borderSize + m_shadowSize;
    resize(std::max(0, paperWidth + frame), std::max(0, paperHeight + frame));
}

void TPaperPreview::SetPaperWidth(int v) {
    SetFrameSize(v, PaperHeight());
}
void TPaperPreview::SetPaperHeight(int v) {
    SetFrameSize(PaperWidth(), v);
}

void TPaperPreview::SetPaperColor(TColor c) {
    if (c == m_paperColor)
        return;
    m_paperColor = c;
    m_frameDrawn = false;
    Invalidate();
}

void TPaperPreview::SetBorderColor(TColor c) {
    if (c == m_borderColor)
        return;
    m_borderColor = c;
    m_frameDrawn = false;
    Invalidate();
}

void TPaperPreview::SetShadowColor(TColor c) {
    if (c == m_shadowColor)
        return;
    m_shadowColor = c;
    m_frameDrawn = false;
    Invalidate();
}

void TPaperPreview::SetColor(TColor c) {
    if (c == m_color)
        return;
    m_color = c;
    m_frameDrawn = false;
    Invalidate();
}

void TPaperPreview::SetBorderSize(int v) {
    v = std::max(0, v);
    if (v == m_borderSize)
        return;
    const int pw = PaperWidth();
    const int ph = PaperHeight();
    m_borderSize = v;
    m_frameDrawn = false;
    SetFrameSize(pw, ph);
    Invalidate();
}

void TPaperPreview::SetShadowSize(int v) {
    v = std::max(0, v);
    if (v == m_shadowSize)
        return;
    const int pw = PaperWidth();
    const int ph = PaperHeight();
    m_shadowSize = v;
    m_frameDrawn = false;
    SetFrameSize(pw, ph);
    Invalidate();
}

void TPaperPreview::SetCursorId(int id) {
    m_cursorId = id;
    setCursor(CursorForId(id));
}

void TPaperPreview::Invalidate() {
    m_pageDrawn = false;
    update();
}

bool TPaperPreview::BufferValid() {
    // A hidden view gets its resize event only when shown; the layout asks before that.
    if (m_bufferFor != size() || m_bufferRatio != devicePixelRatioF())
        ResizeBuffer();
    return m_bufferValid;
}

void TPaperPreview::ResizeBuffer() {
    const qreal dpr = devicePixelRatioF();
    m_bufferFor = size();
    m_bufferRatio = dpr;
    const qint64 w = static_cast<qint64>(width() * dpr + 0.5);
    const qint64 h = static_cast<qint64>(height() * dpr + 0.5);
    m_bufferValid = false;
    if (w > 0 && h > 0 && w * h <= MaxPaperBufferPixels) {
        QImage buffer(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
        if (!buffer.isNull()) {
            buffer.setDevicePixelRatio(dpr);
            m_buffer = std::move(buffer);
            m_bufferValid = true;
            m_frameDrawn = false;
            m_pageDrawn = false;
        }
    }
    if (!m_bufferValid)
        m_buffer = QImage(); // give the memory back at once
}

void TPaperPreview::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (m_bufferFor != size() || m_bufferRatio != devicePixelRatioF())
        ResizeBuffer();
    if (OnResize)
        OnResize(this);
}

TRect TPaperPreview::GetPageRect() const {
    const int b = m_borderSize;
    const int s = m_shadowSize;
    return TRect(b, b, width() - b - s, height() - b - s);
}

void TPaperPreview::DrawPageBorder() {
    QPainter p(&m_buffer);
    const int w = width();
    const int h = height();
    const int b = m_borderSize;
    const int s = m_shadowSize;
    if (b > 0) {
        // The line lies inside the rectangle (0, 0, w - s, h - s).
        const QColor c = ToQColor(m_borderColor);
        const int rw = w - s;
        const int rh = h - s;
        p.fillRect(QRect(0, 0, rw, std::min(b, rh)), c);
        p.fillRect(QRect(0, std::max(0, rh - b), rw, std::min(b, rh)), c);
        p.fillRect(QRect(0, 0, std::min(b, rw), rh), c);
        p.fillRect(QRect(std::max(0, rw - b), 0, std::min(b, rw), rh), c);
    }
    if (s > 0) {
        const QColor shadow = ToQColor(m_shadowColor);
        p.fillRect(QRect(w - s, s, s, h - s), shadow);
        p.fillRect(QRect(s, h - s, w - s, s), shadow);
        const QColor own = ToQColor(m_color);
        p.fillRect(QRect(w - s, 0, s, s), own);
        p.fillRect(QRect(0, h - s, s, s), own);
    }
}

void TPaperPreview::paintEvent(QPaintEvent*) {
    if (!BufferValid())
        return;
    if (!m_frameDrawn) {
        DrawPageBorder();
        m_frameDrawn = true;
        m_pageDrawn = false;
    }
    if (!m_pageDrawn) {
        const TRect r = GetPageRect();
        QPainter p(&m_buffer);
        p.setClipRect(r.toQRect());
        p.fillRect(r.toQRect(), ToQColor(m_paperColor));
        if (OnPaint) {
            TPainterCanvas canvas(&p);
            OnPaint(this, canvas, r);
        }
        p.setClipping(false);
        m_pageDrawn = true;
    }
    QPainter screen(this);
    screen.drawImage(QPoint(0, 0), m_buffer);
}

void TPaperPreview::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        m_pressedInside = true;
    if (OnMouseDown) {
        const QPoint pos = e->position().toPoint();
        OnMouseDown(this, e->button(), e->modifiers(), e->buttons(), pos.x(), pos.y());
    }
}

void TPaperPreview::mouseMoveEvent(QMouseEvent* e) {
    if (OnMouseMove) {
        const QPoint pos = e->position().toPoint();
        OnMouseMove(this, Qt::NoButton, e->modifiers(), e->buttons(), pos.x(), pos.y());
    }
}

void TPaperPreview::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    // A click is a left press and release over the view.
    const bool click = e->button() == Qt::LeftButton && m_pressedInside && rect().contains(pos);
    if (e->button() == Qt::LeftButton)
        m_pressedInside = false;
    if (click && OnClick)
        OnClick(this);
    if (OnMouseUp)
        OnMouseUp(this, e->button(), e->modifiers(), e->buttons(), pos.x(), pos.y());
}

void TPaperPreview::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
    mousePressEvent(e);
}

void TPaperPreview::contextMenuEvent(QContextMenuEvent* e) {
    if (m_popupMenu) {
        m_popupMenu->popup(e->globalPos());
        e->accept();
        return;
    }
    QWidget::contextMenuEvent(e);
}

void TPaperPreviewOptions::Changed() {
    if (OnChange)
        OnChange(this);
}

#define MOVRA_OPTION_SETTER(Name, Type, member)                                                    \
    void TPaperPreviewOptions::Set##Name(Type v) {                                                 \
        if (v == member)                                                                           \
            return;                                                                                \
        member = v;                                                                                \
        Changed();                                                                                 \
    }

MOVRA_OPTION_SETTER(BorderColor, TColor, m_borderColor)
MOVRA_OPTION_SETTER(Cursor, int, m_cursor)
MOVRA_OPTION_SETTER(DragCursor, int, m_dragCursor)
MOVRA_OPTION_SETTER(GrabCursor, int, m_grabCursor)
MOVRA_OPTION_SETTER(PaperColor, TColor, m_paperColor)
MOVRA_OPTION_SETTER(PopupMenu, QMenu*, m_popupMenu)
MOVRA_OPTION_SETTER(ShadowColor, TColor, m_shadowColor)
#undef MOVRA_OPTION_SETTER

void TPaperPreviewOptions::SetBorderWidth(int v) {
    v = std::max(0, v);
    if (v == m_borderWidth)
        return;
    m_borderWidth = v;
    Changed();
}

void TPaperPreviewOptions::SetShadowWidth(int v) {
    v = std::max(0, v);
    if (v == m_shadowWidth)
        return;
    m_shadowWidth = v;
    Changed();
}

void TPaperPreviewOptions::Assign(const TPaperPreviewOptions& source) {
    if (&source == this)
        return;
    SetBorderColor(source.BorderColor());
    SetBorderWidth(source.BorderWidth());
    SetCursor(source.Cursor());
    SetDragCursor(source.DragCursor());
    SetGrabCursor(source.GrabCursor());
    SetPaperColor(source.PaperColor());
    SetPopupMenu(source.PopupMenu());
    SetShadowColor(source.ShadowColor());
    SetShadowWidth(source.ShadowWidth());
}

void TPaperPreviewOptions::AssignTo(TPaperPreview& view) const {
    view.SetPaperColor(m_paperColor);
    view.SetBorderColor(m_borderColor);
    view.SetBorderSize(m_borderWidth);
    view.SetShadowColor(m_shadowColor);
    view.SetShadowSize(m_shadowWidth);
    view.SetCursorId(m_cursor);
    view.SetPopupMenu(m_popupMenu);
}

} // namespace movra
