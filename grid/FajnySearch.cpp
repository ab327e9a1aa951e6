// Searching cell texts, and filling a row or column from one delimited text.

#include "grid/Fajny.h"
#include "grid/GridText.h"

namespace movra {

bool TFajny::StartSearch(const QString& s) {
    m_searchText = s;
    m_searchExists = true;
    m_sRow = m_sFirstRow;
    m_sCol = m_sFirstCol;
    // An empty area (a row or column that does not exist, or a grid of fixed cells only) has
    // nothing to examine.
    m_sRemain = m_sFirstRow <= m_sLastRow && m_sFirstCol <= m_sLastCol;
    return m_sRemain;
}

bool TFajny::FindFirst(const QString& s, bool byRows, int& aCol, int& aRow) {
    m_sByRows = byRows;
    m_sFirstRow = m_useFixed == hfNot ? SavedFixedRows() : 0;
    m_sFirstCol = m_useFixed == hfNot ? SavedFixedCols() : 0;
    m_sLastRow = RowCount() - 1;
    m_sLastCol = ColCount() - 1;
    StartSearch(s);
    return FindNext(aCol, aRow);
}

bool TFajny::FindFirstInRow(const QString& s, int row, int& aCol, int& aRow) {
    m_sByRows = true;
    const bool exists = row >= 0 && row < RowCount();
    m_sFirstRow = row;
    m_sLastRow = exists ? row : row - 1;
    m_sFirstCol = m_useFixed == hfNot ? FixedCols() : 0;
    m_sLastCol = ColCount() - 1;
    StartSearch(s);
    return FindNext(aCol, aRow);
}

bool TFajny::FindFirstInCol(const QString& s, int col, int& aCol, int& aRow) {
    m_sByRows = false;
    const bool exists = col >= 0 && col < ColCount();
    m_sFirstCol = col;
    m_sLastCol = exists ? col : col - 1;
    m_sFirstRow = m_useFixed == hfNot ? FixedRows() : 0;
    m_sLastRow = RowCount() - 1;
    StartSearch(s);
    return FindNext(aCol, aRow);
}

bool TFajny::MatchesCell(QStringView cell) const {
    if (m_searchSubstring) {
        if (m_keyType == soString)
            return ContainsFolded(cell, m_searchText);
        return ContainsExactly(cell, m_searchText);
    }
    const qsizetype start = std::max(m_keyPos, 1) - 1;
    QStringView part;
    if (start < cell.size() && m_keyLen > 0)
        part = cell.sliced(start, std::min<qsizetype>(m_keyLen, cell.size() - start));
    if (m_keyType == soString)
        return SameTextIgnoringCase(part, m_searchText);
    return part == QStringView(m_searchText);
}

bool TFajny::FindNext(int& aCol, int& aRow) {
    if (!m_sRemain) {
        aCol = -1;
        aRow = -1;
        return false;
    }
    if (m_keyType == soString && m_searchSubstring)
        m_searchText = CaseFolded(m_searchText);
    // The scan keeps its position in locals (the cell reads are calls the compiler cannot see
    // through) and hands it back to the search state when it stops.
    int col = m_sCol;
    int row = m_sRow;
    const auto step = [this, &col, &row]() {
        if (m_sByRows) {
            if (++col > m_sLastCol) {
                col = m_sFirstCol;
                return ++row <= m_sLastRow;
            }
        } else if (++row > m_sLastRow) {
            row = m_sFirstRow;
            return ++col <= m_sLastCol;
        }
        return true;
    };
    QString text; // one buffer for every cell visited
    for (;;) {
        // A cell gone since the search started (the grid shrank) reads as an empty text.
        ReadCell(col, row, text);
        if (MatchesCell(text)) {
            aCol = col;
            aRow = row;
            m_sRemain = step();
            m_sCol = col;
            m_sRow = row;
            return true;
        }
        if (!step()) {
            m_sRemain = false;
            m_sCol = col;
            m_sRow = row;
            aCol = -1;
            aRow = -1;
            return false;
        }
    }
}

bool TFajny::LocateText(const QString& s, int& aCol, int& aRow) {
    const int rows = RowCount();
    for (int c = 0; c < ColCount(); ++c) {
        for (int r = 0; r < rows; ++r) {
            if (SameTextIgnoringCase(Cells(c, r), s)) {
                aCol = c;
                aRow = r;
                return true;
            }
        }
    }
    return false;
}

namespace {

// Splits s at every occurrence of delimiter and hands the fields to put(index, text) in order;
// returns the number of fields. An empty delimiter gives s as the only field.
template <class Put> int SplitFields(const QString& s, const QString& delimiter, Put put) {
    if (delimiter.isEmpty()) {
        put(0, s);
        return 1;
    }
    int index = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = s.indexOf(delimiter, from);
        if (at < 0)
            break;
        put(index++, s.mid(from, at - from));
        from = at + delimiter.size();
    }
    put(index, s.mid(from));
    return index + 1;
}

} // namespace

int TFajny::ModifyRow(int row, const QString& s, const QString& delimiter) {
    if (row < 0 || row >= RowCount())
        return 0;
    const int cols = ColCount();
    return SplitFields(s, delimiter, [&](int c, const QString& text) {
        if (c < cols)
            SetCells(c, row, text);
    });
}

int TFajny::ModifyCol(int col, const QString& s, const QString& delimiter) {
    if (col < 0 || col >= ColCount())
        return 0;
    const int rows = RowCount();
    return SplitFields(s, delimiter, [&](int r, const QString& text) {
        if (r < rows)
            SetCells(col, r, text);
    });
}

} // namespace movra
