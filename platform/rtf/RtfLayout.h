#pragma once

#include <QtCore/QString>
#include <QtCore/QtGlobal>

class QTextDocument;

namespace movra {

// Qt lays a document that is not split into pages (as every text view lays its document out) as
// one page INT_MAX / 256 = 8,388,607 pixels tall; once the text runs past that page's end, its
// page-break arithmetic overflows its 26.6 fixed-point numbers and the layout never ends. A
// shown text therefore stays well below that height, whatever its fonts and margins make of it.
inline constexpr qreal MaxShownTextHeight = 1'000'000;

// The paragraph that ends a text cut by LimitLayoutHeight.
[[nodiscard]] QString CutTextNote();

// Lays doc out as a text view that wraps at word boundaries, or anywhere in a word wider than
// the line, lays it out at the given page width (text width plus the document's margins), and
// cuts it at the first line that would reach lower than maxHeight, ending it with the note.
// Laid out at that width or any wider one, the document then stays within maxHeight. The work
// is what the view's own layout costs, up to the cut. Returns whether doc was cut.
//
// doc must not have been laid out yet (no layout object): the lines measured here are the ones
// the view then lays out again, so that nothing can run away before the cut. Its default font
// and text option must be the view's, and it may hold no embedded object (U+FFFC): Qt sizes one
// through the document's layout, which is not there yet.
bool LimitLayoutHeight(QTextDocument& doc, qreal pageWidth, qreal maxHeight = MaxShownTextHeight);

} // namespace movra
