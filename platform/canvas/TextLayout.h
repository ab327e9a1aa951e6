#pragma once

#include <QtCore/QString>

#include <vector>

class QFontMetrics;

namespace movra {

// The lines a DrawText call writes and the width of the widest: paragraphs end at CR LF, LF or
// CR (unless dtSingleLine, which keeps one line); with dtWordBreak a paragraph wraps at blanks to
// fit width, a word longer than width standing alone on its line (and widening the result).
// Every canvas back end lays text out through this, so the screen, a picture and a printout
// break lines at the same places.
struct TextLayout {
    std::vector<QString> lines;
    int width = 0;
};

[[nodiscard]] TextLayout LayOutText(const QString& text, int width, unsigned flags,
                                    const QFontMetrics& fm);

} // namespace movra
