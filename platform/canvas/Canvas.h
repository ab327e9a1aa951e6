#pragma once

#include "platform/core/Colors.h"
#include "platform/core/Font.h"
#include "platform/core/Geometry.h"

#include <QtCore/QPoint>
#include <QtCore/QSize>
#include <QtCore/QString>
#include <QtGui/QImage>

class QPainter;

namespace movra {

// Flags for TCanvas::DrawText (the subset of word-processor style text layout the grid and its
// printing use).
enum TDrawTextFlags : unsigned {
    dtLeft = 0x0,
    dtCenter = 0x1,
    dtRight = 0x2,
    dtTop = 0x0,
    dtVCenter = 0x4,
    dtBottom = 0x8,
    dtWordBreak = 0x10,
    dtSingleLine = 0x20,
    dtCalcRect = 0x400, // measure only: widen/lengthen the rectangle, draw nothing
    dtNoPrefix = 0x800,
};

// A drawing surface with the state a drawing routine sets before each call: Font, Brush and
// Pen are public and read at every call (as on the original platform's canvas). Coordinates are
// logical units; SetMapping turns them into device pixels. Rectangles exclude their Right and
// Bottom edges. Back ends: TPainterCanvas (any QPainter: screen, image, printer) and the
// enhanced-metafile recording canvas.
class TCanvas {
public:
    virtual ~TCanvas() = default;

    TFont Font;
    TBrush Brush;
    TPen Pen;

    // Fills r with the brush (nothing with a clear brush).
    virtual void FillRect(const TRect& r) = 0;
    // A one-unit frame just inside r in the brush colour.
    virtual void FrameRect(const TRect& r) = 0;
    // Outline with the pen (InsideFrame keeps a wide pen inside r) and interior with the brush.
    virtual void Rectangle(const TRect& r) = 0;
    void Rectangle(int l, int t, int r, int b) { Rectangle(TRect(l, t, r, b)); }

    // The pen position for LineTo.
    virtual void MoveTo(int x, int y) = 0;
    // A line from the pen position to (x, y) in the pen; (x, y) itself is not painted; the pen
    // position becomes (x, y).
    virtual void LineTo(int x, int y) = 0;
    [[nodiscard]] virtual QPoint PenPos() const = 0;

    // Text with its top-left corner at (x, y), the brush behind it (none with a clear brush).
    virtual void TextOut(int x, int y, const QString& text) = 0;
    // Fills r with the brush, then writes text at (x, y) clipped to r.
    virtual void TextRect(const TRect& r, int x, int y, const QString& text) = 0;
    // Lays text out in r by the flags; with dtCalcRect r is set to the needed size and nothing is
    // drawn. Returns the text height.
    virtual int DrawText(TRect& r, const QString& text, unsigned flags) = 0;
    // Size of a single-line text in the current font (logical units).
    [[nodiscard]] virtual QSize TextExtent(const QString& text) = 0;
    [[nodiscard]] int TextWidth(const QString& text) { return TextExtent(text).width(); }
    [[nodiscard]] int TextHeight(const QString& text) { return TextExtent(text).height(); }

    // Draws img at natural size with its top-left corner at (x, y).
    virtual void Draw(int x, int y, const QImage& img) = 0;
    // As Draw, but pixels of the colour transparent show the brush colour instead.
    virtual void DrawTransparent(int x, int y, const QImage& img, TColor transparent) = 0;
    // Draws img stretched to fill r exactly.
    virtual void StretchDraw(const TRect& r, const QImage& img) = 0;

    // Restricts drawing to r (logical units) until ResetClip.
    virtual void SetClipRect(const TRect& r) = 0;
    virtual void ResetClip() = 0;

    // Anisotropic mapping: the window extent (logical) maps onto the viewport extent (device
    // pixels) with the logical origin at viewportOrigin (device pixels).
    virtual void SetMapping(QSize windowExt, QSize viewportExt, QPoint viewportOrigin) = 0;
    virtual void ResetMapping() = 0;

    // Device capabilities.
    [[nodiscard]] virtual int PixelsPerInchX() const = 0;
    [[nodiscard]] virtual int PixelsPerInchY() const = 0;
    // The unprintable margin of a printer (0, 0 elsewhere), device pixels.
    [[nodiscard]] virtual QPoint PhysicalOffset() const { return {0, 0}; }

    // The painter behind a painter canvas (nullptr for recording canvases).
    [[nodiscard]] virtual QPainter* Painter() { return nullptr; }
};

} // namespace movra
