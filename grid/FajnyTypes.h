#pragma once

#include "platform/core/Colors.h"
#include "platform/core/Font.h"
#include "platform/core/PrinterOrientation.h"

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace movra {

// Search key comparison: soString ignores case, soStringCaseSensitive compares exactly.
enum TMSortType : std::uint8_t { soString, soStringCaseSensitive };

// Whether the search includes fixed rows and columns.
enum HandleFixed : std::uint8_t { hfNot, hfYes };

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TVertAlignment : std::uint8_t { taTopJustify, taBottomJustify, taMiddle };
enum TCellBevelStyle : std::uint8_t { cbNone, cbRaised, cbLowered };
enum TSortSymbol : std::uint8_t { sgNone, sgArrow, sgGlyph, sgCustom };
enum TSortDirection : std::uint8_t { sdAscending, sdDescending };

// The comparison kind of one sort. Stored as a byte: a value outside the named ones compares as
// text, so that options read from elsewhere can never select an undefined comparison.
enum TSortKind : std::uint8_t { stAuto, stText, stNumber, stDateTime, stTime, stCustom };

// Compares two key texts: negative, zero or positive (first before, equal to, after the second).
using TCompareFunc = std::function<int(const QString&, const QString&)>;

struct TSortOptions {
    TSortKind SortKind = stAuto;
    TSortDirection Direction = sdAscending;
    bool CaseSensitive = false; // false: text keys compare by their upper-case forms
    TCompareFunc CompareFunc;   // used with stCustom only
};

// The format of one cell as the drawing code and OnGetCellFormat see it. Brush and Font point at
// the drawing canvas's own brush and font, so a handler that changes them changes the cell.
struct TFormatOptions {
    TBrush* Brush = nullptr;
    TFont* Font = nullptr;
    TAlignment AlignmentHorz = taLeftJustify;
    TVertAlignment AlignmentVert = taTopJustify;
    TCellBevelStyle BevelStyle = cbNone;
    TColor HighlightColor = clWindow; // top and left bevel edges
    TColor ShadowColor = clWindow;    // bottom and right bevel edges
    bool SuppressText = false;        // paint the background only
};

// One data row taking part in a sort: its key text and its index before the sort.
struct TSortedListEntry {
    QString Key;
    int OldIndex = 0;
};
using TSortedList = std::vector<TSortedListEntry>;

// The remembered size of a row or column hidden by HideRows / HideColumns and not shown again.
enum TOldRowColKind : std::uint8_t { rcRow = 1, rcColumn = 2 };

struct TOldRowColValue {
    TOldRowColKind Kind = rcRow;
    int Index = 0;
    int Size = 0;
    friend bool operator==(const TOldRowColValue&, const TOldRowColValue&) = default;
};

// The hidden-size records in the order they were made. Look-ups take the first record of a kind
// and index; removal takes the last one (so hiding an already hidden column twice and showing it
// once restores the size it had before the first hiding).
class TOldRowColValueList {
public:
    [[nodiscard]] const std::vector<TOldRowColValue>& Items() const { return m_items; }
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    void Append(TOldRowColKind kind, int index, int size) {
        m_items.push_back({kind, index, size});
    }
    // The first record of kind and index, or nullptr.
    [[nodiscard]] const TOldRowColValue* Find(TOldRowColKind kind, int index) const;
    // Removes the last record of kind and index; false when there is none.
    bool RemoveLast(TOldRowColKind kind, int index);
    // Indexes of kind that are >= from move by delta.
    void Shift(TOldRowColKind kind, int from, int delta);
    void Clear() { m_items.clear(); }

private:
    std::vector<TOldRowColValue> m_items;
};

// Print settings of the grid; the layout that reads them lives with the grid's printing.
enum TBorderStyle : std::uint8_t { bsNone, bsSingle };

struct TPrintOptions {
    QString JobTitle;
    QString PageTitle;
    std::uint32_t PageTitleMargin = 0;
    std::uint32_t Copies = 1;
    std::uint32_t PreviewPage = 1;
    std::uint32_t FromRow = 0;
    std::uint32_t ToRow = 0;
    TBorderStyle BorderStyle = bsNone;
    std::uint32_t Leftpadding = 2;
    std::uint32_t MarginBottom = 0;
    std::uint32_t MarginLeft = 0;
    std::uint32_t MarginTop = 0;
    std::uint32_t MarginRight = 0;
    QString PageFooter = QStringLiteral("date|time|page");
    QString DateFormat = QStringLiteral("d-mmm-yyyy");
    QString TimeFormat = QStringLiteral("h:nn");
    std::uint32_t HeaderSize = 0; // the owning grid sets it from its font
    std::uint32_t FooterSize = 0; // the owning grid sets it from its footer font
    TPrinterOrientation Orientation = poPortrait;
    QString Logo;
};

} // namespace movra
