#pragma once

#include "platform/core/Font.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <vector>

namespace movra::emf {

// A single-line text measured as Qt lays it out in the font's units (the canvas's logical
// units): the advance of every UTF-16 unit (0 for the second half of a surrogate pair), rounded
// so that their running sum stays within half a unit of the exact glyph positions.
struct TextMetrics {
    std::vector<int> dx;
    int width = 0;
    int ascent = 0;
    int descent = 0;
};

[[nodiscard]] TextMetrics MeasureText(const TFont& font, const QString& text);

// Text split into the lines the canvas's DrawText draws (flags as TDrawTextFlags), with the
// widest line's width and the line height.
struct TextBlock {
    QStringList lines;
    int width = 0;
    int lineHeight = 0;
};

[[nodiscard]] TextBlock LayoutText(const TFont& font, const QString& text, int width, unsigned flags);

} // namespace movra::emf
