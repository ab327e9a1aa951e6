#pragma once

#include "platform/core/Font.h"

#include <QtCore/QString>

#include <vector>

namespace movra::emf {

// A single-line text measured as the painter canvas measures and draws it (integer font metrics
// of the screen, in the font's units = the canvas's logical units): the advance of every UTF-16
// unit (0 for the second half of a surrogate pair) from Qt's own glyph positions, rounded so
// that their running sum stays within half a unit of those positions and ends at the width.
struct TextMetrics {
    std::vector<int> dx;
    int width = 0;
    int ascent = 0;
    int height = 0;
};

[[nodiscard]] TextMetrics MeasureText(const TFont& font, const QString& text);

} // namespace movra::emf
