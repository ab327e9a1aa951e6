#include "platform/emf/TextMeasure.h"

#include "platform/canvas/Canvas.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QTextLayout>

#include <cmath>

namespace movra::emf {

namespace {

// Positions of the cursor before every UTF-16 unit and after the last, as Qt places glyphs
// (kerning included) when it draws the string in one go.
std::vector<double> cursorPositions(const QFont& font, const QString& text) {
    std::vector<double> pos(static_cast<std::size_t>(text.size()) + 1, 0.0);
    if (text.isEmpty())
        return pos;
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

QString stripPrefixes(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == u'&' && i + 1 < s.size()) {
            ++i; // "&&" gives "&", "&x" gives "x"
        }
        out.append(s.at(i));
    }
    return out;
}

} // namespace

TextMetrics MeasureText(const TFont& tfont, const QString& text) {
    const QFont font = tfont.toQFont();
    const QFontMetricsF fm(font);
    TextMetrics m;
    m.ascent = static_cast<int>(std::lround(fm.ascent()));
    m.descent = static_cast<int>(std::lround(fm.descent()));
    const std::vector<double> pos = cursorPositions(font, text);
    m.dx.assign(static_cast<std::size_t>(text.size()), 0);
    long previous = 0;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype next = i + 1;
        if (text.at(i).isHighSurrogate() && next < text.size() && text.at(next).isLowSurrogate())
            ++next;
        const long edge = std::lround(pos[static_cast<std::size_t>(next)] - pos[0]);
        m.dx[static_cast<std::size_t>(i)] = static_cast<int>(edge - previous);
        previous = edge;
        i = next;
    }
    m.width = static_cast<int>(previous);
    return m;
}

TextBlock LayoutText(const TFont& tfont, const QString& textIn, int width, unsigned flags) {
    TextBlock block;
    const TextMetrics probe = MeasureText(tfont, QStringLiteral("X"));
    block.lineHeight = probe.ascent + probe.descent;
    QString text = textIn;
    text.remove(u'\r');
    if (!(flags & dtNoPrefix))
        text = stripPrefixes(text);
    QStringList paragraphs;
    if (flags & dtSingleLine)
        paragraphs << QString(text).replace(u'\n', u' ');
    else
        paragraphs = text.split(u'\n');
    auto widthOf = [&](const QString& s) { return MeasureText(tfont, s).width; };
    for (const QString& para : paragraphs) {
        if (!(flags & dtWordBreak) || (flags & dtSingleLine)) {
            block.lines << para;
            continue;
        }
        // Greedy breaking at blanks; a word wider than the rectangle keeps a line of its own.
        QString line;
        const QStringList words = para.split(u' ');
        for (const QString& word : words) {
            const QString candidate = line.isEmpty() ? word : line + u' ' + word;
            if (!line.isEmpty() && widthOf(candidate) > width) {
                block.lines << line;
                line = word;
            } else {
                line = candidate;
            }
        }
        block.lines << line;
    }
    for (const QString& line : block.lines)
        block.width = std::max(block.width, widthOf(line));
    return block;
}

} // namespace movra::emf
