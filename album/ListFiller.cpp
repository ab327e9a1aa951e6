#include "album/ListFiller.h"

#include "platform/gridbase/StringGrid.h"

#include <algorithm>
#include <charconv>

namespace movra {

TListFiller::TListFiller(TStringGrid& grid) : m_grid(&grid) {
    m_first = m_number.size() - 1;
    m_number[m_first] = '0';
}

void TListFiller::Reserve(int more) {
    const int needed = m_grid->FixedRows() + m_rows + std::max(0, more);
    if (needed > m_grid->RowCount())
        m_grid->SetRowCount(needed);
}

void TListFiller::Append(const TAlbumListBytes& row) {
    std::size_t digit = m_number.size() - 1;
    while (m_number[digit] == '9' && digit > m_first)
        m_number[digit--] = '0';
    if (m_number[digit] == '9') { // all nines: one digit more
        m_number[digit] = '0';
        m_number[--m_first] = '1';
    } else {
        ++m_number[digit];
    }
    Put(m_rows, std::string_view(m_number.data() + m_first, m_number.size() - m_first), row);
    ++m_rows;
}

void TListFiller::Rewrite(int index, const TAlbumListBytes& row) {
    if (index < 0 || index >= m_rows)
        return;
    std::array<char, 12> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), index + 1);
    Put(index, std::string_view(digits.data(), static_cast<std::size_t>(end - digits.data())), row);
}

void TListFiller::Truncate(int index) {
    if (index < 0 || index >= m_rows)
        return;
    m_rows = index;
    std::array<char, 12> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), index);
    const std::size_t size = static_cast<std::size_t>(end - digits.data());
    m_first = m_number.size() - size;
    std::copy(digits.data(), end, m_number.data() + m_first);
    Fit();
}

void TListFiller::Fit() {
    m_grid->SetRowCount(m_grid->FixedRows() + m_rows);
}

void TListFiller::Put(int index, std::string_view number, const TAlbumListBytes& row) {
    const std::array<std::string_view, 7> cells{number,    row.Id,    row.Imie, row.Nazwisko,
                                                row.Ksywa, row.Notes, row.Adres};
    m_grid->SetRowCp1250(m_grid->FixedRows() + index, cells);
}

} // namespace movra
