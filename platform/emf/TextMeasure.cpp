#include "platform/emf/TextMeasure.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QTextLayout>

#include <cmath>

namespace movra::emf {

namespace {

// Positions of the cursor before every UTF-16 unit and after the last, as Qt places glyphs
// (kerning included) when it draws the string in one go.
std::vector<double> cursorPositions(const QFont& font, const QString& text) {
    std::vector<double> pos(static_cast<std::size_t>(text.size()) + 1, 0.0);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setLineWidth(1e6);
    layout.endLayout();
    if (!line.isValid())
        return pos;
    for (qsizetype i = 0; i <= text.size(); ++i)
        pos[static_cast<std::size_t>(i)] = line.cursorToX(static_cast<int>(i));
    return pos;
}

} // namespace

TextMetrics MeasureText(const TFont& tfont, const QString& text) {
    const QFont font = tfont.toQFont();
    const QFontMetrics fm(font);
    TextMetrics m;
    m.ascent = fm.ascent();
    m.height = fm.height();
    m.width = fm.horizontalAdvance(text);
    m.dx.assign(static_cast<std::size_t>(text.size()), 0);
    if (text.isEmpty())
        return m;
    const std::vector<double> pos = cursorPositions(font, text);
    const double span = pos.back() - pos.front();
    // The glyph positions scaled onto the rounded width, so that the last edge is the width.
    const double scale = span > 0 ? m.width / span : 0.0;
    long previous = 0;
    qsizetype last = 0;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype next = i + 1;
        if (text.at(i).isHighSurrogate() && next < text.size() && text.at(next).isLowSurrogate())
            ++next;
        const long edge = std::lround((pos[static_cast<std::size_t>(next)] - pos.front()) * scale);
        m.dx[static_cast<std::size_t>(i)] = static_cast<int>(edge - previous);
        previous = edge;
        last = i;
        i = next;
    }
    m.dx[static_cast<std::size_t>(last)] += static_cast<int>(m.width - previous);
    return m;
}

} // namespace movra::emf
