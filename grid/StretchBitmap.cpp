#include "grid/StretchBitmap.h"

#include <cstdint>

namespace movra {

namespace {

constexpr std::int64_t kOne = 32768; // 1.0 in 15-bit fixed point
constexpr int kChannels = 3;

} // namespace

void StretchBitmap(const QImage& src, QImage& dst) {
    if (src.isNull() || src.width() <= 0 || src.height() <= 0 || dst.isNull() || dst.width() <= 0 ||
        dst.height() <= 0)
        return;
    const QImage in =
        src.format() == QImage::Format_RGB888 ? src : src.convertToFormat(QImage::Format_RGB888);
    if (dst.format() != QImage::Format_RGB888)
        dst = dst.convertToFormat(QImage::Format_RGB888);

    const std::int64_t sw = in.width();
    const std::int64_t sh = in.height();
    const std::int64_t dw = dst.width();
    const std::int64_t dh = dst.height();
    // 64 bits: (width - 1) * 32768 leaves 32 bits for pictures wider than 65536 pixels.
    const std::int64_t xStep = ((sw - 1) * kOne) / dw;
    const std::int64_t yStep = ((sh - 1) * kOne) / dh;

    std::int64_t v = 0;
    for (std::int64_t y = 0; y < dh; ++y, v += yStep) {
        const std::int64_t upper = v / kOne;
        const std::int64_t lower = sh == 1 ? upper : upper + 1;
        const std::int64_t fy = v % kOne;
        const uchar* top = in.constScanLine(static_cast<int>(upper));
        const uchar* bottom = in.constScanLine(static_cast<int>(lower));
        uchar* out = dst.scanLine(static_cast<int>(y));
        std::int64_t u = 0;
        for (std::int64_t x = 0; x < dw; ++x, u += xStep) {
            const std::int64_t left = u / kOne;
            const std::int64_t right = sw == 1 ? left : left + 1;
            const std::int64_t fx = u % kOne;
            const std::int64_t wTopRight = fx * (kOne - fy) / kOne;
            const std::int64_t wTopLeft = (kOne - fy) - wTopRight;
            const std::int64_t wBottomRight = fx * fy / kOne;
            const std::int64_t wBottomLeft = fy - wBottomRight;
            const uchar* tl = top + left * kChannels;
            const uchar* tr = top + right * kChannels;
            const uchar* bl = bottom + left * kChannels;
            const uchar* br = bottom + right * kChannels;
            uchar* o = out + x * kChannels;
            for (int c = 0; c < kChannels; ++c) {
                o[c] = static_cast<uchar>((wTopLeft * tl[c] + wTopRight * tr[c] +
                                           wBottomLeft * bl[c] + wBottomRight * br[c]) /
                                          kOne);
            }
        }
    }
}

} // namespace movra
