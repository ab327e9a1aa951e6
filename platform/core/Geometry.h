#pragma once

#include <QtCore/QRect>

#include <cstdint>

namespace movra {

// A rectangle as the drawing code thinks of it: Right and Bottom lie just outside the area, so
// Width is Right - Left. QRect's inclusive right()/bottom() differ by one; convert only here.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}

    [[nodiscard]] constexpr int Width() const { return Right - Left; }
    [[nodiscard]] constexpr int Height() const { return Bottom - Top; }
    [[nodiscard]] constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    [[nodiscard]] QRect toQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    [[nodiscard]] static TRect fromQRect(const QRect& r) {
        return TRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
    }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// a * b / c with a 64-bit intermediate product, rounded to the nearest integer with halves away
// from zero; -1 when c is 0. Results beyond 32 bits saturate instead of wrapping.
[[nodiscard]] constexpr int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const std::int64_t p = static_cast<std::int64_t>(a) * b;
    std::int64_t ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
    std::int64_t ap = p < 0 ? -p : p;
    std::int64_t q = (ap + ac / 2) / ac;
    const bool negative = (p < 0) != (c < 0);
    if (negative)
        q = -q;
    if (q > INT32_MAX)
        return INT32_MAX;
    if (q < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(q);
}

} // namespace movra
