#pragma once

#include "grid/Fajny.h"

#include <QtCore/QStringList>

#include <initializer_list>

namespace movra::test {

// A grid with one fixed title row, no fixed column, and the given column texts (one list per
// column, all of the same length) below the title row.
inline void FillColumns(TFajny& g, std::initializer_list<QStringList> columns, int fixedCols = 0) {
    const int cols = static_cast<int>(columns.size());
    const int rows = static_cast<int>(columns.begin()->size()) + 1;
    g.SetColCount(cols);
    g.SetRowCount(rows);
    g.SetFixedRows(1);
    g.SetFixedCols(fixedCols);
    int c = 0;
    for (const QStringList& col : columns) {
        g.SetCells(c, 0, QStringLiteral("T%1").arg(c));
        for (int r = 0; r < col.size(); ++r)
            g.SetCells(c, r + 1, col[r]);
        ++c;
    }
}

// The texts of a column from row `from` down.
inline QStringList Column(const TFajny& g, int col, int from = 1) {
    QStringList out;
    for (int r = from; r < g.RowCount(); ++r)
        out << g.Cells(col, r);
    return out;
}

} // namespace movra::test
