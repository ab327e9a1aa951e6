#pragma once

#include "platform/canvas/Canvas.h"

#include <QtGui/QFont>
#include <QtGui/QPen>

class QPaintDevice;

namespace movra {

// The canvas over a QPainter: a widget being painted, a QImage, a printer. Without a painter it
// is a measuring canvas: TextExtent and DrawText with dtCalcRect work, drawing does nothing.
//
// Units are logical; without a mapping one logical unit is one device pixel and a pen of width 1
// paints exactly one row of pixels (no antialiasing), so pictures match the original platform's
// pixel for pixel.
class TPainterCanvas : public TCanvas {
public:
    TPainterCanvas() = default;
    explicit TPainterCanvas(QPainter* painter);
    TPainterCanvas(const TPainterCanvas&) = delete;
    TPainterCanvas& operator=(const TPainterCanvas&) = delete;
    ~TPainterCanvas() override = default;

    // Binds the canvas to another painter (nullptr: measuring only). The caller keeps the
    // painter; Font, Brush and Pen stay as they are.
    void SetPainter(QPainter* painter);
    [[nodiscard]] bool IsMeasuring() const { return m_painter == nullptr; }

    void FillRect(const TRect& r) override;
    void FrameRect(const TRect& r) override;
    void Rectangle(const TRect& r) override;
    using TCanvas::Rectangle;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    [[nodiscard]] QPoint PenPos() const override { return m_penPos; }

    void TextOut(int x, int y, const QString& text) override;
    void TextRect(const TRect& r, int x, int y, const QString& text) override;
    int DrawText(TRect& r, const QString& text, unsigned flags) override;
    [[nodiscard]] QSize TextExtent(const QString& text) override;

    void Draw(int x, int y, const QImage& img) override;
    void DrawTransparent(int x, int y, const QImage& img, TColor transparent) override;
    void StretchDraw(const TRect& r, const QImage& img) override;

    void SetClipRect(const TRect& r) override;
    void ResetClip() override;

    void SetMapping(QSize windowExt, QSize viewportExt, QPoint viewportOrigin) override;
    void ResetMapping() override;

    [[nodiscard]] int PixelsPerInchX() const override;
    [[nodiscard]] int PixelsPerInchY() const override;

    [[nodiscard]] QPainter* Painter() override { return m_painter; }

    // The picture DrawTransparent paints: img with every pixel of the colour transparent
    // replaced by fill (or made see-through when fill is invalid).
    [[nodiscard]] static QImage ReplaceColor(const QImage& img, TColor transparent,
                                             const QColor& fill);

private:
    [[nodiscard]] QFont qfont() const;
    [[nodiscard]] QPaintDevice* device() const;
    // Fills r (logical) with a colour, whatever the painter's brush and pen.
    void fill(const QRect& r, const QColor& c);
    void applyPenMode();
    // Whether logical units are scaled (or rotated) on the way to the device; then thin lines
    // are drawn as strokes at least one device pixel wide instead of filled unit strips, which
    // could fall between pixels.
    [[nodiscard]] bool scaled() const;
    [[nodiscard]] QPen strokePen(const QColor& c, int width) const;
    // The text background and glyphs of one line whose cell starts at (x, y).
    void textLine(int x, int y, const QString& text);

    QPainter* m_painter = nullptr;
    QPoint m_penPos;
};

} // namespace movra
