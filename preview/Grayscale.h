#pragma once

#include "platform/canvas/Canvas.h"
#include "platform/core/Geometry.h"

#include <QtGui/QImage>

class QPainter;

namespace movra {

class TMetafile;

// Draws the picture into r in shades of gray (through an off-screen bitmap of r's size, at most
// MaxGrayscalePixels; a larger r is drawn from a smaller bitmap, stretched).
void DrawGrayscale(TCanvas& canvas, const TRect& r, const TMetafile& picture);
void DrawGrayscale(QPainter& painter, const TRect& r, const TMetafile& picture);

// Turns the bitmap into an 8-bit palette bitmap whose palette is gray:
// gray = (red * 30 + green * 59 + blue * 11) / 100, truncating. A palette bitmap keeps its
// pixels and has its palette turned gray; any other gets the 256 grays as its palette and each
// pixel the entry of its own gray.
void ConvertToGrayscale(QImage& bitmap);

// Copies the bitmap's pixels onto the target stretched to r, dropping or repeating pixels
// (no smoothing), as a plain copy.
void DrawBitmapStretched(QPainter& painter, const QImage& bitmap, const TRect& r);

// A printer page at full resolution would need hundreds of megabytes as a bitmap; 16 megapixels
// are about 300 pixels per inch on an A4 sheet.
inline constexpr qint64 MaxGrayscalePixels = 16LL * 1024 * 1024;

} // namespace movra
