#include "grid/Fajny.h"

#include "grid/SortSymbols.h"
#include "platform/core/ErrorBox.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QScrollBar>

#include <algorithm>
#include <cmath>

namespace movra {

TFajny::TFajny(QWidget* parent) : TStringGrid(parent) {
    // The print font and brush are what the canvas starts with, before a host sets its own
    // font: printed rows begin from the interface font, not from the grid's font.
    m_printFont = Canvas().Font;
    m_printBrush = Canvas().Brush;
    m_printOptions.HeaderSize = static_cast<std::uint32_t>(std::max(0, Font().Size() + 2));
    m_printOptions.FooterSize = static_cast<std::uint32_t>(std::max(0, m_footerFont.Size() - 1));

    m_savedFixedRows = FixedRows();
    m_savedFixedCols = FixedCols();
    m_selRows.push_back(FixedRows());
    m_selAnchor = FixedRows();
    m_dragLastRow = FixedRows();
    m_lastTopRow = TopRow();
    RecomputeExcludedFooter();
    ReloadSortSymbol();
    RememberCurrentCell();
}

TFajny::~TFajny() = default;

// ---- repainting ------------------------------------------------------------------------------

void TFajny::RepaintAll() {
    InvalidateGrid();
}

void TFajny::InvalidateRow(int row) {
    if (row < 0 || row >= RowCount())
        return;
    for (int c = FixedCols(); c < ColCount(); ++c)
        InvalidateCell(c, row);
}

void TFajny::RepaintTitleRow() {
    // The symbol may stand over a fixed column too, so the whole title row is repainted.
    if (RowCount() <= 0)
        return;
    for (int c = 0; c < ColCount(); ++c)
        InvalidateCell(c, 0);
}

void TFajny::RepaintBottomRows(int count) {
    for (int r = std::max(0, RowCount() - count); r < RowCount(); ++r)
        InvalidateRow(r);
}

// ---- properties ------------------------------------------------------------------------------

void TFajny::SetAlignmentHorz(TAlignment a) {
    m_alignHorz = a;
    RepaintAll();
}

void TFajny::SetAlignmentVert(TVertAlignment a) {
    if (a == m_alignVert)
        return;
    m_alignVert = a;
    RepaintAll();
}

void TFajny::SetBevelStyle(TCellBevelStyle s) {
    if (s == m_bevelStyle)
        return;
    m_bevelStyle = s;
    RepaintAll();
}

void TFajny::SetProportionalScrollBars(bool on) {
    if (on == m_proportional)
        return;
    m_proportional = on;
    UpdateScrollBars();
}

void TFajny::SetWordWrap(bool on) {
    if (on == m_wordWrap)
        return;
    m_wordWrap = on;
    RepaintAll();
}

void TFajny::SetSortSymbol(TSortSymbol s) {
    if (s == m_sortSymbol)
        return;
    m_sortSymbol = s;
    ReloadSortSymbol();
    RepaintTitleRow();
}

void TFajny::SetSortSpacingHor(int px) {
    if (px == m_sortSpacingHor)
        return;
    m_sortSpacingHor = px;
    RepaintTitleRow();
}

void TFajny::SetSortSpacingVert(int px) {
    if (px == m_sortSpacingVert)
        return;
    m_sortSpacingVert = px;
    RepaintTitleRow();
}

void TFajny::SetSortDirection(TSortDirection d) {
    if (d == m_sortDirection)
        return;
    m_sortDirection = d;
    ReloadSortSymbol();
    RepaintTitleRow();
}

void TFajny::SetSortBitMapA(const QImage& img) {
    if (&img == &m_sortBitmapA || img == m_sortBitmapA)
        return;
    m_sortBitmapA = img;
    ReloadSortSymbol();
    RepaintTitleRow();
}

void TFajny::SetSortBitMapD(const QImage& img) {
    if (&img == &m_sortBitmapD || img == m_sortBitmapD)
        return;
    m_sortBitmapD = img;
    ReloadSortSymbol();
    RepaintTitleRow();
}

void TFajny::SetSortColumn(int col) {
    if (col == m_sortColumn || col < 0 || col >= ColCount())
        return;
    m_sortColumn = col;
    RepaintTitleRow();
}

void TFajny::SetSortOnClick(bool on) {
    if (on == m_sortOnClick)
        return;
    m_sortOnClick = on;
    RepaintTitleRow();
}

void TFajny::SetSortFooter(bool on) {
    m_sortFooter = on;
    RecomputeExcludedFooter();
}

void TFajny::RecomputeExcludedFooter() {
    m_excludedFooter = m_sortFooter ? 0 : m_footerRows;
}

void TFajny::SetFooterRows(int n) {
    if (n >= 0 && n <= RowCount() - FixedRows() && n != m_footerRows) {
        RepaintBottomRows(std::max(n, m_footerRows));
        m_footerRows = n;
    }
    RecomputeExcludedFooter();
}

void TFajny::SetFooterColor(TColor c) {
    if (c == m_footerColor)
        return;
    m_footerColor = c;
    RepaintBottomRows(m_footerRows);
}

void TFajny::SetFooterFont(const TFont& f) {
    if (&f == &m_footerFont || f == m_footerFont)
        return;
    m_footerFont = f;
    RepaintBottomRows(m_footerRows);
}

void TFajny::SetFooterBevelStyle(TCellBevelStyle s) {
    if (s == m_footerBevelStyle)
        return;
    m_footerBevelStyle = s;
    RepaintBottomRows(m_footerRows);
}

void TFajny::ReloadSortSymbol() {
    m_symbol = QImage();
    switch (m_sortSymbol) {
    case sgNone:
        break;
    case sgArrow:
        m_symbol = LoadSortSymbol(m_sortDirection == sdAscending ? SortUp : SortDown);
        break;
    case sgGlyph:
        m_symbol = LoadSortSymbol(m_sortDirection == sdAscending ? SortAZ : SortZA);
        break;
    case sgCustom:
        m_symbol = m_sortDirection == sdAscending ? m_sortBitmapA : m_sortBitmapD;
        if (!m_symbol.isNull())
            m_symbol = m_symbol.convertToFormat(QImage::Format_RGB32);
        break;
    }
}

// ---- row selection ---------------------------------------------------------------------------

bool TFajny::IsRowSelected(int row) const {
    return std::binary_search(m_selRows.begin(), m_selRows.end(), row);
}

void TFajny::ToggleRowSelection(int row) {
    const auto it = std::lower_bound(m_selRows.begin(), m_selRows.end(), row);
    if (it != m_selRows.end() && *it == row)
        m_selRows.erase(it);
    else
        m_selRows.insert(it, row);
    InvalidateRow(row);
}

void TFajny::SetRowSelected(int row, bool selected) {
    const auto it = std::lower_bound(m_selRows.begin(), m_selRows.end(), row);
    const bool present = it != m_selRows.end() && *it == row;
    if (present == selected)
        return;
    if (selected)
        m_selRows.insert(it, row);
    else
        m_selRows.erase(it);
    InvalidateRow(row);
}

void TFajny::SetRowRangeSelected(int a, int b, bool selected) {
    if (a > b)
        std::swap(a, b);
    for (int r = a; r <= b; ++r)
        SetRowSelected(r, selected);
}

void TFajny::RemoveRowFromSelection(int index) {
    const auto it = std::lower_bound(m_selRows.begin(), m_selRows.end(), index);
    if (it == m_selRows.end() || *it != index)
        return;
    InvalidateRow(index);
    const auto pos = m_selRows.erase(it);
    for (auto i = pos; i != m_selRows.end(); ++i)
        --*i;
}

// ---- scroll bars -----------------------------------------------------------------------------

// A bar counts rows (columns) from the first scrollable one, and Qt takes the page step for
// both the thumb's share of the track and the distance of a click in the track: one page is
// the rows (columns) fully in view, so the thumb is in proportion and a track click shows the
// very next row. Qt's thumb is always proportional; with ProportionalScrollBars off a track
// click still pages.
void TFajny::UpdateScrollBars() {
    const auto update = [](QScrollBar* bar, int visible) {
        if (bar == nullptr)
            return;
        bar->setPageStep(std::max(1, visible));
        bar->update();
    };
    const TScrollStyle s = ScrollBars();
    if (s == TScrollStyle::Vertical || s == TScrollStyle::Both)
        update(verticalScrollBar(), VisibleRowCount());
    if (s == TScrollStyle::Horizontal || s == TScrollStyle::Both)
        update(horizontalScrollBar(), VisibleColCount());
}

// ---- drawing ---------------------------------------------------------------------------------

void TFajny::PrepareCellFormat(int col, int row, TFormatOptions& format) {
    (void)col;
    TCanvas& cv = Canvas();
    if (IsFooterRow(row)) {
        cv.Font = m_footerFont;
        cv.Brush.Color = m_footerColor;
        format.BevelStyle = m_footerBevelStyle;
    } else {
        format.BevelStyle = m_bevelStyle;
    }
    format.SuppressText = false;
    format.Font = &cv.Font;
    format.Brush = &cv.Brush;
    format.AlignmentHorz = m_alignHorz;
    format.AlignmentVert = m_alignVert;
    switch (format.BevelStyle) {
    case cbRaised:
        format.HighlightColor = clBtnHighlight;
        format.ShadowColor = clBtnShadow;
        break;
    case cbLowered:
        format.HighlightColor = clBtnShadow;
        format.ShadowColor = clBtnHighlight;
        break;
    default:
        format.HighlightColor = clWindow;
        format.ShadowColor = clWindow;
        break;
    }
}

void TFajny::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    TCanvas& cv = Canvas();
    TFormatOptions f;
    PrepareCellFormat(col, row, f);
    const bool footer = IsFooterRow(row);
    const bool rowSelected = IsRowSelected(row);
    const TGridDrawState derived =
        (state & ~TGridDrawState{gdSelected}) | (rowSelected ? TGridDrawState{gdSelected} : 0u);
    if ((state & gdFixed) == 0 && !footer && (Options() & goRangeSelect) != 0) {
        if (rowSelected) {
            cv.Brush.Color = clHighlight;
            cv.Font.Color = clHighlightText;
        } else {
            cv.Brush.Color = clWindow;
            cv.Font.Color = clWindowText;
        }
    }
    if (OnGetCellFormat)
        OnGetCellFormat(this, col, row, state, f);
    if (!DefaultDrawing()) {
        TStringGrid::DrawCell(col, row, rect, derived);
        return;
    }

    const QString text = Cells(col, row);
    const bool symbol = m_sortSymbol != sgNone && row == 0 && col == m_sortColumn &&
                        FixedRows() > 0 && !m_symbol.isNull();
    const bool needWidth = f.AlignmentHorz != taLeftJustify || symbol;
    const bool needHeight = f.AlignmentVert != taTopJustify;
    QSize extent;
    if (needWidth || needHeight)
        extent = cv.TextExtent(text);
    const int w = rect.Width();
    const int h = rect.Height();
    int dx = 2;
    if (f.AlignmentHorz == taRightJustify)
        dx = w - extent.width() - 2;
    else if (f.AlignmentHorz == taCenter)
        dx = (w - extent.width()) / 2;
    int dy = 2;
    if (f.AlignmentVert == taBottomJustify)
        dy = h - extent.height() - 3;
    else if (f.AlignmentVert == taMiddle)
        dy = (h - extent.height()) / 2;
    cv.TextRect(rect, rect.Left + dx, rect.Top + dy, f.SuppressText ? QString() : text);

    if (symbol) {
        const TColor transparent =
            m_sortSymbol == sgCustom ? FromQColor(m_symbol.pixelColor(0, 0)) : clAqua;
        cv.DrawTransparent(rect.Left + dx + extent.width() + m_sortSpacingHor,
                           rect.Top + dy + m_sortSpacingVert, m_symbol, transparent);
    }

    if (f.BevelStyle != cbNone && col >= FixedCols() && row >= FixedRows()) {
        const TGridOptions o = Options();
        cv.Pen.Width = 1;
        cv.Pen.Style = TPenStyle::Solid;
        if (o & goFixedVertLine) {
            cv.Pen.Color = f.ShadowColor;
            cv.MoveTo(rect.Right - 1, rect.Top);
            cv.LineTo(rect.Right - 1, rect.Bottom);
        }
        if (o & goFixedHorzLine) {
            cv.Pen.Color = f.ShadowColor;
            cv.MoveTo(rect.Left, rect.Bottom - 1);
            cv.LineTo(rect.Right, rect.Bottom - 1);
        }
        if (o & goFixedVertLine) {
            cv.Pen.Color = f.HighlightColor;
            cv.MoveTo(rect.Left, rect.Top);
            cv.LineTo(rect.Left, rect.Bottom);
        }
        if (o & goFixedHorzLine) {
            cv.Pen.Color = f.HighlightColor;
            cv.MoveTo(rect.Left, rect.Top);
            cv.LineTo(rect.Right, rect.Top);
        }
    }

    if (OnDrawCell)
        OnDrawCell(this, col, row, rect, derived);
}

// ---- mouse -----------------------------------------------------------------------------------

void TFajny::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    TStringGrid::MouseDown(button, shift, x, y);
    if ((Options() & goRangeSelect) == 0 || button != Qt::LeftButton)
        return;
    int col = -1;
    int row = -1;
    MouseToCell(x, y, col, row);
    if (row < FixedRows() || row < 0)
        return;
    m_dragging = true;
    m_dragLastRow = row;
    if (shift & Qt::ControlModifier) {
        ToggleRowSelection(row);
        m_selAnchor = row;
    } else if (shift & Qt::ShiftModifier) {
        const int lo = std::min(m_selAnchor, row);
        const int hi = std::max(m_selAnchor, row);
        const std::vector<int> before = m_selRows;
        for (int r : before) {
            if (r < lo || r > hi)
                SetRowSelected(r, false);
        }
        SetRowRangeSelected(lo, hi, true);
    } else {
        m_selRows.assign(1, row);
        m_selAnchor = row;
        InvalidateGrid();
    }
}

void TFajny::DragSelectTo(int r) {
    const int a = m_selAnchor;
    const int l = m_dragLastRow;
    if ((l > a && r >= a && r < l) || (l < a && r <= a && r > l)) {
        // Back toward the anchor: the rows passed over leave; the pointer's row stays.
        const int step = l > a ? -1 : 1;
        for (int i = l; i != r; i += step)
            SetRowSelected(i, false);
    } else if ((l > a && r < a) || (l < a && r > a)) {
        // Across the anchor: the side left behind is emptied.
        const int step = l > a ? 1 : -1;
        for (int i = a + step; i != l + step; i += step)
            SetRowSelected(i, false);
        SetRowRangeSelected(a, r, true);
    } else {
        SetRowRangeSelected(a, r, true);
    }
    m_dragLastRow = r;
}

void TFajny::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y) {
    TStringGrid::MouseMove(buttons, shift, x, y);
    if (!m_dragging)
        return;
    int col = -1;
    int row = -1;
    MouseToCell(x, y, col, row);
    if (row < 0 || row < FixedRows() || row == m_dragLastRow)
        return;
    DragSelectTo(row);
}

void TFajny::TopLeftChanged() {
    TStringGrid::TopLeftChanged();
    const int top = TopRow();
    if (m_dragging && top > m_lastTopRow) {
        const int last = std::min(top + std::max(1, VisibleRowCount()) - 1, RowCount() - 1);
        if (last >= FixedRows()) {
            m_dragLastRow = last;
            SetRowRangeSelected(m_selAnchor, last, true);
        }
    }
    m_lastTopRow = top;
}

void TFajny::mouseReleaseEvent(QMouseEvent* e) {
    m_buttonsAtRelease = e->buttons();
    TStringGrid::mouseReleaseEvent(e);
}

namespace {

// The hourglass for the length of a sort, put back also when the sort fails.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void TFajny::ClickSort(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    const TGridState state = GridState();
    const bool busy = state == TGridState::RowSizing || state == TGridState::ColSizing ||
                      state == TGridState::RowMoving || state == TGridState::ColMoving;
    if (!hasFocus() || !m_sortOnClick || busy || FixedRows() < 1)
        return;
    if (shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return;
    if ((m_buttonsAtRelease & ~Qt::MouseButtons(button)) != Qt::NoButton)
        return;
    int col = -1;
    int row = -1;
    MouseToCell(x, y, col, row);
    if (col < 0 || row < 0 || row > FixedRows() - 1)
        return;
    TSortOptions options;
    options.SortKind = stAuto;
    options.Direction = button == Qt::RightButton ? sdDescending : sdAscending;
    options.CaseSensitive = m_caseSensitive;
    if (OnClickSort)
        OnClickSort(this, col, row, options);
    WaitCursor wait;
    SortByColumn(col, options);
}

void TFajny::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    // A click sort is a user command of its own: whatever fails in it is shown, not thrown
    // into the event loop.
    RunCommand(this, [&] { ClickSort(button, shift, x, y); });
    m_buttonsAtRelease = Qt::NoButton;
    TStringGrid::MouseUp(button, shift, x, y);
    m_dragging = false;
}

// ---- keys, focus, clicks ---------------------------------------------------------------------

void TFajny::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    const int pressed = key;
    TStringGrid::KeyDown(key, shift);
    if (!m_extendedKeys || EditorMode())
        return;
    const auto mods =
        shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (pressed == Qt::Key_Insert && mods == Qt::ControlModifier) {
        InsertRowAt(Row());
    } else if (pressed == Qt::Key_Delete && mods == Qt::ControlModifier) {
        if (FixedRows() + 1 < RowCount())
            DeleteRowAt(Row());
    } else if (pressed == Qt::Key_Insert && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        InsertColumnAt(Col());
    } else if (pressed == Qt::Key_Delete && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (FixedCols() + 1 < ColCount())
            DeleteColumnAt(Col());
    }
}

void TFajny::KeyPress(QChar& key) {
    if (key == QChar(u'\r'))
        ValidateCurrentCell();
    TStringGrid::KeyPress(key);
}

void TFajny::Click() {
    try {
        TStringGrid::Click();
    } catch (...) {
        if (m_hasFocus)
            ValidateCurrentCell();
        throw;
    }
    if (m_hasFocus)
        ValidateCurrentCell();
}

void TFajny::DoEnter() {
    m_hasFocus = true;
    try {
        TStringGrid::DoEnter();
    } catch (...) {
        RememberCurrentCell();
        throw;
    }
    RememberCurrentCell();
}

void TFajny::DoExit() {
    struct ClearFlag {
        bool& flag;
        ~ClearFlag() { flag = false; }
    } clear{m_hasFocus};
    Click();
    TStringGrid::DoExit();
}

// ---- notifications ---------------------------------------------------------------------------

void TFajny::ColWidthsChanged() {
    TStringGrid::ColWidthsChanged();
    if (OnColumnWidthsChanged)
        OnColumnWidthsChanged(this);
    UpdateScrollBars();
}

void TFajny::RowHeightsChanged() {
    TStringGrid::RowHeightsChanged();
    if (OnRowHeightsChanged)
        OnRowHeightsChanged(this);
    UpdateScrollBars();
}

void TFajny::SizeChanged(int oldColCount, int oldRowCount) {
    TStringGrid::SizeChanged(oldColCount, oldRowCount);
    if (OnSizeChanged)
        OnSizeChanged(this, oldColCount, oldRowCount);
    UpdateScrollBars();
}

void TFajny::Resized() {
    TStringGrid::Resized();
    UpdateScrollBars();
}

void TFajny::MouseEnter() {
    TStringGrid::MouseEnter();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TFajny::MouseLeave() {
    TStringGrid::MouseLeave();
    if (OnMouseLeave)
        OnMouseLeave(this);
}

} // namespace movra
