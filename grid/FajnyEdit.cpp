// Inserting, deleting, moving and exchanging rows and columns; emptying, hiding and showing
// them; going to a cell.

#include "grid/Fajny.h"

#include <algorithm>

namespace movra {

const TOldRowColValue* TOldRowColValueList::Find(TOldRowColKind kind, int index) const {
    for (const TOldRowColValue& v : m_items) {
        if (v.Kind == kind && v.Index == index)
            return &v;
    }
    return nullptr;
}

bool TOldRowColValueList::RemoveLast(TOldRowColKind kind, int index) {
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if (it->Kind == kind && it->Index == index) {
            m_items.erase(std::next(it).base());
            return true;
        }
    }
    return false;
}

void TOldRowColValueList::Shift(TOldRowColKind kind, int from, int delta) {
    for (TOldRowColValue& v : m_items) {
        if (v.Kind == kind && v.Index >= from)
            v.Index += delta;
    }
}

template <class Fn> void TFajny::WithoutAlwaysShowEditor(Fn fn) {
    const TGridOptions before = Options();
    const bool had = (before & goAlwaysShowEditor) != 0;
    if (had)
        SetOptions(before & ~TGridOptions{goAlwaysShowEditor});
    struct Restore {
        TFajny* grid;
        bool had;
        ~Restore() {
            if (had)
                grid->SetOptions(grid->Options() | goAlwaysShowEditor);
        }
    } restore{this, had};
    fn();
}

namespace {

// Drops every record of a row or column that is going away, and moves the later ones up.
void ForgetAndShift(TOldRowColValueList& list, TOldRowColKind kind, int index) {
    while (list.RemoveLast(kind, index)) {
    }
    list.Shift(kind, index + 1, -1);
}

} // namespace

// ---- rows ------------------------------------------------------------------------------------

void TFajny::InsertRowAt(int index) {
    if (index < 0 || index > RowCount())
        return;
    SetRowCount(RowCount() + 1);
    m_hidden.Shift(rcRow, index, 1);
    MoveRowTo(RowCount() - 1, index);
    SetRows(index, QStringList());
    SetRow(index);
    if (OnRowInsert)
        OnRowInsert(this, index);
}

bool TFajny::InsertRowsAt(int index, int count) {
    if (index < 0 || index >= RowCount())
        return false;
    for (int i = 0; i < count; ++i)
        InsertRowAt(index);
    return true;
}

void TFajny::DeleteRowAt(int index) {
    if (index < 0 || index >= RowCount())
        return;
    RemoveRowFromSelection(index);
    SetRows(index, QStringList());
    ForgetAndShift(m_hidden, rcRow, index);
    WithoutAlwaysShowEditor([&] { DeleteRow(index); });
    if (m_rememberedRow == index)
        RememberCurrentCell(); // its record is gone: nothing of it is left to validate
    else if (m_rememberedRow > index)
        --m_rememberedRow;
    if (OnRowDelete)
        OnRowDelete(this, index);
    if (RowCount() - FixedRows() < m_footerRows)
        SetFooterRows(RowCount() - FixedRows());
}

bool TFajny::DeleteRowRange(int from, int to) {
    if (from < 0 || from >= RowCount() || from > to || to >= RowCount())
        return false;
    for (int r = to; r >= from; --r)
        DeleteRowAt(r);
    return true;
}

void TFajny::MoveRowTo(int from, int to) {
    if (from < 0 || from >= RowCount() || to < 0 || to >= RowCount())
        return;
    WithoutAlwaysShowEditor([&] { MoveRow(from, to); });
}

// Moves by program or by the user's dragging: the remembered cell goes with its record.
void TFajny::RowMoved(int from, int to) {
    TStringGrid::RowMoved(from, to);
    RememberedRowMoved(from, to);
}

void TFajny::ColumnMoved(int from, int to) {
    TStringGrid::ColumnMoved(from, to);
    RememberedColMoved(from, to);
}

void TFajny::SwapRows(int a, int b) {
    if (a < 0 || a >= RowCount() || b < 0 || b >= RowCount())
        return;
    if (a < b) {
        MoveRowTo(b, a);
        MoveRowTo(a + 1, b);
    } else if (b < a) {
        MoveRowTo(a, b);
        MoveRowTo(b + 1, a);
    }
}

// ---- columns ---------------------------------------------------------------------------------

void TFajny::InsertColumnAt(int index) {
    if (index < 0 || index > ColCount())
        return;
    SetColCount(ColCount() + 1);
    m_hidden.Shift(rcColumn, index, 1);
    MoveColumnTo(ColCount() - 1, index);
    SetCols(index, QStringList());
    SetCol(index);
    if (OnColumnInsert)
        OnColumnInsert(this, index);
}

bool TFajny::InsertColumnsAt(int index, int count) {
    if (index < 0 || index >= ColCount())
        return false;
    for (int i = 0; i < count; ++i)
        InsertColumnAt(index);
    return true;
}

void TFajny::DeleteColumnAt(int index) {
    if (index < 0 || index >= ColCount())
        return;
    SetCols(index, QStringList());
    ForgetAndShift(m_hidden, rcColumn, index);
    WithoutAlwaysShowEditor([&] { DeleteColumn(index); });
    if (m_rememberedCol == index)
        RememberCurrentCell();
    else if (m_rememberedCol > index)
        --m_rememberedCol;
    if (OnColumnDelete)
        OnColumnDelete(this, index);
}

bool TFajny::DeleteColumnRange(int from, int to) {
    if (from < 0 || from >= ColCount() || from > to || to >= ColCount())
        return false;
    for (int c = to; c >= from; --c)
        DeleteColumnAt(c);
    return true;
}

void TFajny::MoveColumnTo(int from, int to) {
    if (from < 0 || from >= ColCount() || to < 0 || to >= ColCount())
        return;
    WithoutAlwaysShowEditor([&] { MoveColumn(from, to); });
}

void TFajny::SwapColumns(int a, int b) {
    if (a < 0 || a >= ColCount() || b < 0 || b >= ColCount())
        return;
    if (a < b) {
        MoveColumnTo(b, a);
        MoveColumnTo(a + 1, b);
    } else if (b < a) {
        MoveColumnTo(a, b);
        MoveColumnTo(b + 1, a);
    }
}

// ---- going to a cell, emptying ---------------------------------------------------------------

void TFajny::GoToCell(int col, int row) {
    col = std::max(col, FixedCols());
    row = std::max(row, FixedRows());
    if (col >= ColCount() || row >= RowCount())
        return;
    FocusCell(col, row);
}

bool TFajny::ClearRowRange(int from, int to) {
    if (from < 0 || from >= RowCount() || from > to || to >= RowCount())
        return false;
    for (int r = from; r <= to; ++r)
        SetRows(r, QStringList());
    // Only the stored direction: the symbol is not reloaded until the next change.
    m_sortDirection = sdAscending;
    return true;
}

void TFajny::ClearRows() {
    (void)ClearRowRange(0, RowCount() - 1);
}

void TFajny::ClearRowsFrom(int row) {
    (void)ClearRowRange(row, RowCount() - 1);
}

bool TFajny::ClearColumnRange(int from, int to) {
    if (from < 0 || from >= ColCount() || from > to || to >= ColCount())
        return false;
    for (int c = from; c <= to; ++c)
        SetCols(c, QStringList());
    return true;
}

// ---- hiding and showing ----------------------------------------------------------------------

void TFajny::HideRows(int from, int to) {
    if (from < 0 || to >= RowCount())
        return;
    for (int r = from; r <= to; ++r) {
        m_hidden.Append(rcRow, r, RowHeights(r));
        SetRowHeights(r, 0);
    }
}

void TFajny::ShowRows(int from, int to) {
    if (from < 0 || to >= RowCount())
        return;
    for (int r = from; r <= to; ++r) {
        if (RowHeights(r) != 0)
            continue;
        if (const TOldRowColValue* v = m_hidden.Find(rcRow, r)) {
            const int size = v->Size;
            m_hidden.RemoveLast(rcRow, r);
            SetRowHeights(r, size);
        }
    }
}

void TFajny::HideColumns(int from, int to) {
    if (from < 0 || to >= ColCount())
        return;
    for (int c = from; c <= to; ++c) {
        m_hidden.Append(rcColumn, c, ColWidths(c));
        SetColWidths(c, 0);
    }
}

void TFajny::ShowColumns(int from, int to) {
    if (from < 0 || to >= ColCount())
        return;
    for (int c = from; c <= to; ++c) {
        if (ColWidths(c) != 0)
            continue;
        if (const TOldRowColValue* v = m_hidden.Find(rcColumn, c)) {
            const int size = v->Size;
            m_hidden.RemoveLast(rcColumn, c);
            SetColWidths(c, size);
        }
    }
}

} // namespace movra
