#pragma once

#include <QtGui/QImage>

namespace movra {

// Bilinear resampling of src into dst at dst's present size, in fixed point with 15 fraction
// bits, channel by channel. Both pictures end up 24 bits per pixel (dst is converted in place,
// keeping its size). An empty source or destination is nothing to do: dst stays as it was.
void StretchBitmap(const QImage& src, QImage& dst);

} // namespace movra
