#include "album/ListFiller.h"

#include "platform/gridbase/StringGrid.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace movra {

void TListFiller::Reserve(int more) {
    const int needed = m_grid->FixedRows() + m_rows + std::max(0, more);
    if (needed > m_grid->RowCount())
        m_grid->SetRowCount(needed);
}

void TListFiller::Append(const TAlbumListBytes& row) {
    Put(m_rows, row);
    ++m_rows;
}

void TListFiller::Rewrite(int index, const TAlbumListBytes& row) {
    if (index >= 0 && index < m_rows)
        Put(index, row);
}

void TListFiller::Truncate(int index) {
    if (index < 0 || index >= m_rows)
        return;
    m_rows = index;
    Fit();
}

void TListFiller::Fit() {
    m_grid->SetRowCount(m_grid->FixedRows() + m_rows);
}

void TListFiller::Put(int index, const TAlbumListBytes& row) {
    m_textNames &= row.TextNames;
    const std::array<std::string_view, 7> cells{
        std::string_view(), row.Id, row.Imie, row.Nazwisko, row.Ksywa, row.Notes, row.Adres};
    m_grid->SetRowCp1250(m_grid->FixedRows() + index, cells);
}

} // namespace movra
