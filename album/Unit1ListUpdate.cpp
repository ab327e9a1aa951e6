// Keeping the record list up after this program's own add, save or delete, without reading the
// whole list again: at a million records a new reading takes over a second, the change itself a
// few milliseconds.

#include "album/Unit1.h"

#include "album/AlbumFile.h"
#include "grid/Fajny.h"
#include "platform/text/Cp1250.h"
#include "platform/text/PolishOrder.h"

#include <QtWidgets/QLabel>

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace movra {

namespace {

// A list row's place in the order the list query gives: its sort key by the alphabet, then its
// ID.
struct TListPlace {
    std::string Key;
    std::int64_t Id = 0;
};

int Compare(const TListPlace& a, const TListPlace& b) {
    if (const int c = ComparePolishCp1250(a.Key, b.Key); c != 0)
        return c;
    return (a.Id > b.Id) - (a.Id < b.Id);
}

} // namespace

bool TForm1::PlaceListRow(std::int64_t id, bool added) {
    if (!m_database || !m_listFollowsFile)
        return false;
    // Another program's change since the list was read (an added or deleted record, or a name
    // that moved) is in no row here: only a new reading shows it.
    if (OutsideChangeCounter(*m_database) != m_listChangeCounter)
        return false;
    TFajny& g = *m_g1;
    const int keyCol = m_sortKey;
    std::optional<std::array<std::string, 7>> cells;
    bool keyIsText = true;
    bool exists = false;
    (void)ReadRecordListRow(*m_database, m_sortKey, id, [&](const TAlbumListBytes& r) {
        exists = true;
        keyIsText = r.KeyIsText;
        // A record the filter does not let through has no row, as in a new reading.
        if (!m_filter.Matches(r))
            return;
        cells = std::array<std::string, 7>{std::string(),        std::string(r.Id),
                                           std::string(r.Imie),  std::string(r.Nazwisko),
                                           std::string(r.Ksywa), std::string(r.Notes),
                                           std::string(r.Adres)};
    });
    if (!keyIsText)
        return false;

    // A record just added has no row yet: no need to look through a million rows for it.
    const int oldRow = added ? -1 : RowOfId(id);
    if (!exists && oldRow < 0)
        return false; // deleted, yet not in the list: the list is not what this program thinks
    if (added && exists)
        ++m_albumRecords;
    else if (!exists)
        --m_albumRecords;
    if (!cells) { // deleted, or no longer let through by the filter
        if (oldRow >= 0)
            g.DeleteRow(oldRow);
    } else {
        const TListPlace place{(*cells)[static_cast<std::size_t>(keyCol)], id};
        // The first row that goes after the record, the record's own old row left out.
        const int first = g.FixedRows();
        int lo = first;
        int hi = g.RowCount() - (oldRow >= 0 ? 1 : 0);
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            const int probe = oldRow >= 0 && mid >= oldRow ? mid + 1 : mid;
            const std::optional<std::string> key = ToCp1250(g.Cells(keyCol, probe));
            if (!key)
                return false; // not a row this program read from the file
            if (Compare(TListPlace{*key, g.Cells(1, probe).toLongLong()}, place) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        // lo is the record's row once in place: the rows before it are those that go before.
        int row = oldRow;
        if (row < 0) {
            g.SetRowCount(g.RowCount() + 1);
            row = g.RowCount() - 1;
        }
        std::array<std::string_view, 7> views;
        for (std::size_t c = 0; c < views.size(); ++c)
            views[c] = (*cells)[c];
        g.SetRowCp1250(row, views);
        g.MoveRow(row, lo);
    }
    SetRecordCount(g.RowCount() - g.FixedRows());
    g.InvalidateGrid();
    return true;
}

void TForm1::ListReadWhole(std::uint8_t textNames) {
    m_listTextNames = textNames;
    m_listFollowsFile = (textNames & NameTextBit(m_sortKey)) != 0;
}

bool TForm1::SortListInPlace(int key) {
    if (!m_database || !RecordListComplete() || !m_listFollowsFile ||
        (m_listTextNames & NameTextBit(key)) == 0)
        return false;
    if (OutsideChangeCounter(*m_database) != m_listChangeCounter)
        return false;
    TFajny& g = *m_g1;
    const int first = g.FixedRows();
    const auto rows = static_cast<std::size_t>(std::max(0, g.RowCount() - first));
    // Every row's sort key back to back in one buffer, and its ID: the order the list query
    // gives (the key's bytes, then the ID), sorted here without a row read again.
    std::string keys;
    std::vector<std::uint32_t> ends(rows);
    std::vector<std::int64_t> ids(rows);
    std::string one;
    for (std::size_t i = 0; i < rows; ++i) {
        const int row = first + static_cast<int>(i);
        const std::optional<std::string_view> name = g.CellBytesCp1250(key, row);
        const std::optional<std::string_view> id = g.CellBytesCp1250(1, row);
        if (!name || !id)
            return false;
        const auto [end, ec] = std::from_chars(id->data(), id->data() + id->size(), ids[i]);
        if (ec != std::errc() || end != id->data() + id->size())
            return false;
        PolishSortKeyCp1250(*name, one);
        keys += one;
        if (keys.size() > std::numeric_limits<std::uint32_t>::max())
            return false;
        ends[i] = static_cast<std::uint32_t>(keys.size());
    }
    const auto keyOf = [&](std::size_t i) {
        const std::size_t start = i == 0 ? 0 : ends[i - 1];
        return std::string_view(keys).substr(start, ends[i] - start);
    };
    std::vector<int> order(rows);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const auto ia = static_cast<std::size_t>(a);
        const auto ib = static_cast<std::size_t>(b);
        if (const int c = keyOf(ia).compare(keyOf(ib)); c != 0)
            return c < 0;
        return ids[ia] < ids[ib];
    });
    for (int& source : order)
        source += first;
    if (!g.PermuteRows(first, order))
        return false;
    m_sortKey = key;
    m_listFollowsFile = true;
    g.SetSortDirection(sdAscending);
    g.SetSortColumn(key);
    // As after a reading: the list from its top, the first row current.
    if (rows > 0) {
        g.SetTopRow(first);
        g.SetRow(first);
    }
    g.InvalidateGrid();
    G1Click();
    return true;
}

void TForm1::RefreshListAfterWrite(std::int64_t id, bool added) {
    bool placed = false;
    try {
        placed = PlaceListRow(id, added);
    } catch (const std::exception&) {
        // The change itself is written; a list that could not follow it is read anew below.
    }
    if (!placed)
        ReloadRecordList();
    else
        G1Click();
}

} // namespace movra
