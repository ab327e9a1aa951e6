#include "platform/canvas/PainterCanvas.h"

#include "platform/canvas/TextLayout.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QPaintDevice>
#include <QtGui/QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace movra {

namespace {

Qt::PenStyle qtPenStyle(TPenStyle s) {
    switch (s) {
    case TPenStyle::Dash:
        return Qt::DashLine;
    case TPenStyle::Dot:
        return Qt::DotLine;
    case TPenStyle::Clear:
        return Qt::NoPen;
    case TPenStyle::Solid:
    case TPenStyle::InsideFrame:
        break;
    }
    return Qt::SolidLine;
}

// Restores the painter's state when a drawing call has changed it for itself.
class PainterState {
public:
    explicit PainterState(QPainter* p) : m_p(p) { m_p->save(); }
    ~PainterState() { m_p->restore(); }
    PainterState(const PainterState&) = delete;
    PainterState& operator=(const PainterState&) = delete;

private:
    QPainter* m_p;
};

} // namespace

TPainterCanvas::TPainterCanvas(QPainter* painter) : m_painter(painter) {}

void TPainterCanvas::SetPainter(QPainter* painter) {
    m_painter = painter;
}

QFont TPainterCanvas::qfont() const {
    return Font.toQFont();
}

QPaintDevice* TPainterCanvas::device() const {
    return m_painter != nullptr ? m_painter->device() : nullptr;
}

void TPainterCanvas::applyPenMode() {
    switch (Pen.Mode) {
    case TPenMode::Copy:
        m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case TPenMode::Xor:
        m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    case TPenMode::Not:
        m_painter->setCompositionMode(QPainter::RasterOp_NotDestination);
        break;
    }
}

bool TPainterCanvas::scaled() const {
    const QTransform t = m_painter->combinedTransform();
    return t.type() > QTransform::TxTranslate;
}

QPen TPainterCanvas::strokePen(const QColor& c, int width) const {
    QPen pen(c);
    pen.setStyle(qtPenStyle(Pen.Style));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    const QTransform t = m_painter->combinedTransform();
    const double scale = std::min(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    // Thinner than a device pixel: one pixel, as the original platform draws thin pens.
    pen.setWidthF(width * scale < 1.5 ? 0.0 : width);
    return pen;
}

void TPainterCanvas::fill(const QRect& r, const QColor& c) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    m_painter->fillRect(r, c);
}

void TPainterCanvas::FillRect(const TRect& r) {
    if (m_painter == nullptr || Brush.Style == TBrushStyle::Clear)
        return;
    fill(r.toQRect(), ToQColor(Brush.Color));
}

void TPainterCanvas::FrameRect(const TRect& r) {
    if (m_painter == nullptr || Brush.Style == TBrushStyle::Clear || r.IsEmpty())
        return;
    const QColor c = ToQColor(Brush.Color);
    if (scaled()) {
        PainterState state(m_painter);
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setPen(strokePen(c, 1));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawRect(QRectF(r.Left + 0.5, r.Top + 0.5, r.Width() - 1, r.Height() - 1));
        return;
    }
    fill(QRect(r.Left, r.Top, r.Width(), 1), c);
    fill(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    fill(QRect(r.Left, r.Top, 1, r.Height()), c);
    fill(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void TPainterCanvas::Rectangle(const TRect& r) {
    if (m_painter == nullptr)
        return;
    if (Brush.Style != TBrushStyle::Clear)
        fill(r.toQRect(), ToQColor(Brush.Color));
    if (Pen.Style == TPenStyle::Clear || r.IsEmpty())
        return;
    PainterState state(m_painter);
    applyPenMode();
    const QColor c = ToQColor(Pen.Color);
    const int w = std::max(1, Pen.Width);
    if (scaled()) {
        // The outline's centre line: inside by half the pen for InsideFrame, on the edge
        // pixels otherwise.
        const double inset = Pen.Style == TPenStyle::InsideFrame ? w / 2.0 : 0.5;
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setPen(strokePen(c, w));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawRect(
            QRectF(r.Left + inset, r.Top + inset, r.Width() - 2 * inset, r.Height() - 2 * inset));
        return;
    }
    if (Pen.Style == TPenStyle::Solid || Pen.Style == TPenStyle::InsideFrame) {
        // A wide solid pen straddles the outline; InsideFrame keeps it within r.
        TRect o = r;
        if (Pen.Style == TPenStyle::Solid && w > 1) {
            o = TRect(r.Left - w / 2, r.Top - w / 2, r.Right + (w - 1) / 2, r.Bottom + (w - 1) / 2);
        }
        const int ww = std::min(w, o.Width());
        const int wh = std::min(w, o.Height());
        fill(QRect(o.Left, o.Top, o.Width(), wh), c);
        fill(QRect(o.Left, o.Bottom - wh, o.Width(), wh), c);
        fill(QRect(o.Left, o.Top, ww, o.Height()), c);
        fill(QRect(o.Right - ww, o.Top, ww, o.Height()), c);
        return;
    }
    QPen pen(c);
    pen.setStyle(qtPenStyle(Pen.Style));
    pen.setWidth(w <= 1 ? 0 : w);
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(pen);
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void TPainterCanvas::MoveTo(int x, int y) {
    m_penPos = QPoint(x, y);
}

void TPainterCanvas::LineTo(int x, int y) {
    const QPoint from = m_penPos;
    m_penPos = QPoint(x, y);
    if (m_painter == nullptr || Pen.Style == TPenStyle::Clear || from == m_penPos)
        return;
    PainterState state(m_painter);
    applyPenMode();
    const QColor c = ToQColor(Pen.Color);
    const int w = std::max(1, Pen.Width);
    const int dx = x - from.x();
    const int dy = y - from.y();
    const bool solid = Pen.Style == TPenStyle::Solid || Pen.Style == TPenStyle::InsideFrame;
    if (scaled()) {
        // One logical unit short of the end on the longer axis, as a stroke.
        QPointF end(x, y);
        if (std::abs(dx) >= std::abs(dy))
            end = QPointF(x - (dx > 0 ? 1.0 : -1.0), y - (dx > 0 ? 1.0 : -1.0) * dy / double(dx));
        else
            end = QPointF(x - (dy > 0 ? 1.0 : -1.0) * dx / double(dy), y - (dy > 0 ? 1.0 : -1.0));
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setPen(strokePen(c, w));
        m_painter->drawLine(QPointF(from) + QPointF(0.5, 0.5), end + QPointF(0.5, 0.5));
        return;
    }
    if (solid && dy == 0) {
        // Horizontal: the pixels from the start up to, not including, the end.
        const int l = dx > 0 ? from.x() : x + 1;
        fill(QRect(l, from.y() - (w - 1) / 2, std::abs(dx), w), c);
        return;
    }
    if (solid && dx == 0) {
        const int t = dy > 0 ? from.y() : y + 1;
        fill(QRect(from.x() - (w - 1) / 2, t, w, std::abs(dy)), c);
        return;
    }
    if (solid && w == 1) {
        // A slanted hair line, pixel by pixel (Bresenham), stopping before its end.
        const int sx = dx > 0 ? 1 : -1;
        const int sy = dy > 0 ? 1 : -1;
        const int ax = std::abs(dx);
        const int ay = std::abs(dy);
        int px = from.x();
        int py = from.y();
        int err = ax - ay;
        while (px != x || py != y) {
            fill(QRect(px, py, 1, 1), c);
            const int e2 = 2 * err;
            if (e2 > -ay) {
                err -= ay;
                px += sx;
            }
            if (e2 < ax) {
                err += ax;
                py += sy;
            }
        }
        return;
    }
    // A wide or patterned line stops one step short of its end on the longer axis.
    QPointF end(x, y);
    if (std::abs(dx) >= std::abs(dy)) {
        const double step = dx > 0 ? -1.0 : 1.0;
        end = QPointF(x + step, y + step * dy / static_cast<double>(dx));
    } else {
        const double step = dy > 0 ? -1.0 : 1.0;
        end = QPointF(x + step * dx / static_cast<double>(dy), y + step);
    }
    QPen pen(c);
    pen.setStyle(qtPenStyle(Pen.Style));
    pen.setWidth(w <= 1 ? 0 : w);
    pen.setCapStyle(Qt::FlatCap);
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(pen);
    m_painter->drawLine(QPointF(from), end);
}

void TPainterCanvas::textLine(int x, int y, const QString& text) {
    const QFont f = qfont();
    const QFontMetrics fm(f, device());
    if (Brush.Style != TBrushStyle::Clear)
        fill(QRect(x, y, fm.horizontalAdvance(text), fm.height()), ToQColor(Brush.Color));
    if (text.isEmpty())
        return;
    m_painter->setFont(f);
    m_painter->setPen(ToQColor(Font.Color));
    m_painter->drawText(QPoint(x, y + fm.ascent()), text);
}

void TPainterCanvas::TextOut(int x, int y, const QString& text) {
    const int width = TextExtent(text).width();
    if (m_painter != nullptr) {
        PainterState state(m_painter);
        m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        textLine(x, y, text);
    }
    m_penPos = QPoint(x + width, y);
}

void TPainterCanvas::TextRect(const TRect& r, int x, int y, const QString& text) {
    if (m_painter == nullptr)
        return;
    PainterState state(m_painter);
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (Brush.Style != TBrushStyle::Clear)
        fill(r.toQRect(), ToQColor(Brush.Color));
    if (r.IsEmpty() || text.isEmpty())
        return;
    m_painter->setClipRect(r.toQRect(), Qt::IntersectClip);
    const QFont f = qfont();
    const QFontMetrics fm(f, device());
    m_painter->setFont(f);
    m_painter->setPen(ToQColor(Font.Color));
    m_painter->drawText(QPoint(x, y + fm.ascent()), text);
}

int TPainterCanvas::DrawText(TRect& r, const QString& text, unsigned flags) {
    const QFont f = qfont();
    const QFontMetrics fm(f, device());
    const TextLayout layout = LayOutText(text, r.Width(), flags, fm);
    const int lineHeight = fm.height();
    const int height = lineHeight * static_cast<int>(layout.lines.size());
    if ((flags & dtCalcRect) != 0) {
        r.Right = r.Left + layout.width;
        r.Bottom = r.Top + height;
        return height;
    }
    if (m_painter == nullptr)
        return height;
    int top = r.Top;
    if ((flags & dtSingleLine) != 0) {
        if ((flags & dtBottom) != 0)
            top = r.Bottom - height;
        else if ((flags & dtVCenter) != 0)
            top = r.Top + (r.Height() - height) / 2;
    }
    PainterState state(m_painter);
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter->setClipRect(r.toQRect(), Qt::IntersectClip);
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const QString& line = layout.lines[i];
        const int w = fm.horizontalAdvance(line);
        int left = r.Left;
        if ((flags & dtRight) != 0)
            left = r.Right - w;
        else if ((flags & dtCenter) != 0)
            left = r.Left + (r.Width() - w) / 2;
        textLine(left, top + static_cast<int>(i) * lineHeight, line);
    }
    return (flags & dtSingleLine) != 0 ? top - r.Top + height : height;
}

QSize TPainterCanvas::TextExtent(const QString& text) {
    const QFontMetrics fm(qfont(), device());
    return QSize(fm.horizontalAdvance(text), fm.height());
}

void TPainterCanvas::Draw(int x, int y, const QImage& img) {
    if (m_painter == nullptr || img.isNull())
        return;
    m_painter->drawImage(QPoint(x, y), img);
}

QImage TPainterCanvas::ReplaceColor(const QImage& img, TColor transparent, const QColor& fill) {
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQColor(transparent).rgb() & 0x00FFFFFFu;
    const QRgb with = fill.isValid() ? fill.rgba() : qRgba(0, 0, 0, 0);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == key && qAlpha(line[x]) != 0)
                line[x] = with;
        }
    }
    return out;
}

void TPainterCanvas::DrawTransparent(int x, int y, const QImage& img, TColor transparent) {
    if (m_painter == nullptr || img.isNull())
        return;
    const QColor fill = Brush.Style == TBrushStyle::Clear ? QColor() : ToQColor(Brush.Color);
    m_painter->drawImage(QPoint(x, y), ReplaceColor(img, transparent, fill));
}

void TPainterCanvas::StretchDraw(const TRect& r, const QImage& img) {
    if (m_painter == nullptr || img.isNull() || r.IsEmpty())
        return;
    m_painter->drawImage(r.toQRect(), img);
}

void TPainterCanvas::SetClipRect(const TRect& r) {
    if (m_painter == nullptr)
        return;
    m_painter->setClipRect(r.toQRect());
}

void TPainterCanvas::ResetClip() {
    if (m_painter == nullptr)
        return;
    m_painter->setClipping(false);
}

void TPainterCanvas::SetMapping(QSize windowExt, QSize viewportExt, QPoint viewportOrigin) {
    if (m_painter == nullptr)
        return;
    m_painter->setWindow(QRect(QPoint(0, 0), windowExt));
    m_painter->setViewport(QRect(viewportOrigin, viewportExt));
    m_painter->setViewTransformEnabled(true);
}

void TPainterCanvas::ResetMapping() {
    if (m_painter == nullptr)
        return;
    m_painter->setViewTransformEnabled(false);
}

int TPainterCanvas::PixelsPerInchX() const {
    if (QPaintDevice* d = device())
        return d->logicalDpiX();
    return ScreenPixelsPerInch();
}

int TPainterCanvas::PixelsPerInchY() const {
    if (QPaintDevice* d = device())
        return d->logicalDpiY();
    return ScreenPixelsPerInch();
}

} // namespace movra
