#pragma once

#include <QtGui/QColor>

#include <cstdint>

namespace movra {

// A colour value as album settings store it: 0x00BBGGRR (red in the lowest byte), or, with the
// top byte 0x80, a system colour named by the index in the low byte. Values are kept in this form
// everywhere and turned into a QColor only when painting, so settings round-trip exactly.
using TColor = std::int32_t;

constexpr TColor RGBColor(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clMaroon = RGBColor(128, 0, 0);
constexpr TColor clGreen = RGBColor(0, 128, 0);
constexpr TColor clLime = RGBColor(0, 255, 0);
constexpr TColor clBlue = RGBColor(0, 0, 255);
constexpr TColor clAqua = RGBColor(0, 255, 255);
constexpr TColor clSilver = RGBColor(192, 192, 192);
constexpr TColor clWhite = RGBColor(255, 255, 255);
constexpr TColor clGray = RGBColor(128, 128, 128);

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(index & 0xFF));
}
constexpr TColor clWindow = SystemColor(5);         // window background
constexpr TColor clWindowText = SystemColor(8);     // window text
constexpr TColor clHighlight = SystemColor(13);     // selection background
constexpr TColor clHighlightText = SystemColor(14); // selection text
constexpr TColor clBtnFace = SystemColor(15);       // button face
constexpr TColor clBtnShadow = SystemColor(16);     // button shadow
constexpr TColor clBtnHighlight = SystemColor(20);  // button highlight

constexpr bool IsSystemColor(TColor c) {
    return (static_cast<std::uint32_t>(c) & 0xFF000000u) == 0x80000000u;
}

// The colour to paint with: plain values directly, system colours through the application
// palette (so they follow the desktop's theme).
[[nodiscard]] QColor ToQColor(TColor c);

// A plain colour value for a painted colour (alpha dropped).
[[nodiscard]] TColor FromQColor(const QColor& c);

// How well text of one painted colour reads on another: the ratio of their relative
// luminances (each plus 0.05), from 1 (the same) to 21 (black on white). 4.5 is the least for
// ordinary text.
[[nodiscard]] double ContrastRatio(TColor a, TColor b);

} // namespace movra
