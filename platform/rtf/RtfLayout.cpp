#include "platform/rtf/RtfLayout.h"

#include <QtGui/QTextBlock>
#include <QtGui/QTextBlockFormat>
#include <QtGui/QTextCharFormat>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtGui/QTextLayout>
#include <QtGui/QTextOption>

#include <algorithm>
#include <cmath>

namespace movra {

namespace {

// The text width a block's lines get: the page less the document's and the block's margins.
// A first-line indent is taken from every line: narrower lines are never fewer, so the measured
// height can only exceed the view's.
qreal lineWidth(const QTextDocument& doc, qreal pageWidth, const QTextBlockFormat& f) {
    const qreal w = pageWidth - 2 * doc.documentMargin() - std::max(f.leftMargin(), 0.0) -
                    std::max(f.rightMargin(), 0.0) - std::max(f.textIndent(), 0.0);
    return std::max(w, 0.0);
}

// Narrower lines are measured as if every character stood on its own line.
constexpr qreal MinMeasuredWidth = 32;

// Rounded up to whole pixels, as the view may place lines.
qreal lineHeight(const QTextLine& line) {
    return std::ceil(line.height() +
                     (line.leadingIncluded() ? 0.0 : std::max(line.leading(), 0.0)));
}

// The height of the note laid out in the document's default font.
qreal noteHeight(const QTextDocument& doc, qreal width) {
    QTextLayout layout(CutTextNote(), doc.defaultFont());
    layout.setTextOption(doc.defaultTextOption());
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true); // as the view's layout does
        line.setLineWidth(width);
        height += lineHeight(line);
    }
    layout.endLayout();
    return height;
}

// Lays the block's text out in lines of the given width, adding their heights to y; returns where
// the first line that ends lower than limit starts, or -1 when all fit.
int fitLines(QTextLayout& layout, const QTextOption& option, qreal width, qreal limit, qreal& y) {
    layout.setTextOption(option);
    int fit = -1;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true); // as the view's layout does
        line.setLineWidth(width);
        y += lineHeight(line);
        if (y > limit) {
            fit = line.textStart();
            break;
        }
    }
    layout.endLayout();
    return fit;
}

// Margins wider than the page leave a line no room: Qt then gives each line what it must hold
// and widens the page. Measured line by line that would be a line for every character, each
// costing as much as a line of words, so here every character counts as a line as tall as the
// block's tallest instead: never less than the view's height, and the cost of one line.
int fitEveryCharacterALine(QTextLayout& layout, int characters, const QTextOption& option,
                           qreal limit, qreal& y) {
    QTextOption unwrapped = option;
    unwrapped.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(unwrapped);
    qreal tallest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);         // as the view's layout does
        line.setLineWidth(MaxShownTextHeight); // any width: the line is not wrapped
        tallest = std::max(tallest, lineHeight(line));
    }
    layout.endLayout();
    if (tallest <= 0)
        return -1;
    characters = std::max(characters, 1);
    if (y + characters * tallest <= limit) {
        y += characters * tallest;
        return -1;
    }
    const int fit = std::clamp(static_cast<int>((limit - y) / tallest), 0, characters - 1);
    return layout.isValidCursorPosition(fit) ? fit : layout.previousCursorPosition(fit);
}

void cutAt(QTextDocument& doc, int position) {
    QTextCursor c(&doc);
    c.beginEditBlock();
    c.setPosition(position);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    if (!c.atBlockStart())
        c.insertBlock();
    // The note in plain text, whatever sizes and margins the cut paragraph had.
    c.setBlockFormat(QTextBlockFormat());
    c.setBlockCharFormat(QTextCharFormat());
    c.insertText(CutTextNote(), QTextCharFormat());
    c.endEditBlock();
}

} // namespace

QString CutTextNote() {
    return QStringLiteral("[Dalszą część tekstu pominięto: byłaby za długa, by ją pokazać.]");
}

bool LimitLayoutHeight(QTextDocument& doc, qreal pageWidth, qreal maxHeight) {
    const qreal margin = doc.documentMargin();
    const qreal limit =
        maxHeight - 2 * margin - noteHeight(doc, std::max(pageWidth - 2 * margin, 0.0));
    qreal y = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat f = block.blockFormat();
        y += std::max(f.topMargin(), 0.0);
        const qreal bottom = std::max(f.bottomMargin(), 0.0);
        const qreal width = lineWidth(doc, pageWidth, f);
        QTextLayout* layout = block.layout();
        // Before the document has a layout of its own, a block's text falls back on the
        // application's font where it names none, not on the document's. An empty paragraph's
        // line is as tall as the paragraph's own font, which the view takes from the block.
        layout->setFont(block.length() > 1 ? doc.defaultFont()
                                           : block.charFormat().font().resolve(doc.defaultFont()));
        QTextOption option = doc.defaultTextOption();
        option.setAlignment(f.alignment());
        option.setTabs(f.tabPositions());
        const int fit =
            width < MinMeasuredWidth
                ? fitEveryCharacterALine(*layout, block.length() - 1, option, limit - bottom, y)
                : fitLines(*layout, option, width, limit - bottom, y);
        y += bottom;
        if (fit >= 0) {
            cutAt(doc, block.position() + fit);
            return true;
        }
    }
    return false;
}

} // namespace movra
