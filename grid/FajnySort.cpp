// Sorting the data rows by one column, and undoing the last sort.

#include "grid/Fajny.h"
#include "grid/GridText.h"
#include "grid/MergeSort.h"

#include "platform/text/PolishOrder.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <optional>

namespace movra {
namespace {

// The options of the sort in progress, shared by every grid. A sort started from inside a
// comparison (a CompareFunc or an event handler) stacks its own options and puts the outer ones
// back when it ends, so the outer comparison is never disturbed.
const TSortOptions* g_sortSlot = nullptr;

class SortSlotScope {
public:
    explicit SortSlotScope(const TSortOptions& options) : m_previous(g_sortSlot) {
        g_sortSlot = &options;
    }
    ~SortSlotScope() { g_sortSlot = m_previous; }
    SortSlotScope(const SortSlotScope&) = delete;
    SortSlotScope& operator=(const SortSlotScope&) = delete;

private:
    const TSortOptions* m_previous;
};

using Converter = std::optional<double> (*)(QStringView);

Converter ConverterFor(TSortKind kind) {
    switch (kind) {
    case stNumber:
        return &ToNumber;
    case stDateTime:
        return &ToDateTime;
    case stTime:
        return &ToTime;
    default:
        return nullptr;
    }
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

// Positions 0..n-1 of the entries in sorted order. Every comparison below is a strict total
// order (the old index breaks ties), so std::sort is safe and its result fully determined.
// Texts whose keys are equal (keys upper-cased for a sort that ignores case) are told apart by
// textOf(old index), the cell itself, before their former order: so such a sort gives exactly
// the order the record list is read from the file in, small letters before capitals.
std::vector<int> SortPositions(const TSortedList& entries, const TSortOptions& o,
                               const std::function<QString(int)>& textOf) {
    const int n = static_cast<int>(entries.size());
    std::vector<int> pos(static_cast<std::size_t>(n));
    std::iota(pos.begin(), pos.end(), 0);
    const bool desc = o.Direction == sdDescending;
    // Primary result -1/0/1 in ascending terms, tie-break on the old index, direction applied to
    // the primary result only (equal keys keep their order in both directions).
    const auto order = [desc, &entries](int a, int b, int primary) {
        if (primary == 0)
            return entries[static_cast<std::size_t>(a)].OldIndex <
                   entries[static_cast<std::size_t>(b)].OldIndex;
        return desc ? primary > 0 : primary < 0;
    };

    if (o.SortKind == stCustom) {
        const TCompareFunc& fn = o.CompareFunc;
        SafeMergeSort(pos, [&](int a, int b) {
            const int primary = fn ? Sign(fn(entries[static_cast<std::size_t>(a)].Key,
                                             entries[static_cast<std::size_t>(b)].Key))
                                   : 0;
            return order(a, b, primary);
        });
        return pos;
    }

    if (const Converter convert = ConverterFor(o.SortKind)) {
        // Keys that do not convert form one class that goes before every converted key (in
        // ascending order) and compares equal within itself.
        std::vector<double> value(static_cast<std::size_t>(n));
        std::vector<char> ok(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const auto v = convert(entries[static_cast<std::size_t>(i)].Key);
            ok[static_cast<std::size_t>(i)] = v.has_value();
            value[static_cast<std::size_t>(i)] = v.value_or(0.0);
        }
        std::sort(pos.begin(), pos.end(), [&](int a, int b) {
            const auto ia = static_cast<std::size_t>(a);
            const auto ib = static_cast<std::size_t>(b);
            int primary = 0;
            if (ok[ia] && ok[ib])
                primary = (value[ia] > value[ib]) - (value[ia] < value[ib]);
            else if (ok[ia] != ok[ib])
                primary = ok[ia] ? 1 : -1;
            return order(a, b, primary);
        });
        return pos;
    }

    // Text: the Polish alphabetical order, the same the record list is read from the file in.
    std::sort(pos.begin(), pos.end(), [&](int a, int b) {
        const TSortedListEntry& ea = entries[static_cast<std::size_t>(a)];
        const TSortedListEntry& eb = entries[static_cast<std::size_t>(b)];
        int primary = ComparePolish(ea.Key, eb.Key);
        if (primary == 0 && !o.CaseSensitive)
            primary = ComparePolish(textOf(ea.OldIndex), textOf(eb.OldIndex));
        return order(a, b, primary);
    });
    return pos;
}

} // namespace

void TFajny::SortByColumn(int col, TSortOptions options) {
    if (EditorMode() || RowCount() - FixedRows() <= 1)
        return;
    if (col < 0 || col >= ColCount())
        return;
    if (options.SortKind == stAuto)
        options.SortKind = DetectSortKind(col);
    if (OnBeginSort)
        OnBeginSort(this, col, options);
    ExecuteSort(col, options);
    if (OnEndSort)
        OnEndSort(this, col);
}

TSortKind TFajny::DetectSortKind(int col) {
    bool number = true;
    bool dateTime = true;
    bool time = true;
    const int first = FixedRows();
    const int last = RowCount() - 1 - m_excludedFooter;
    for (int r = first; r <= last && (number || dateTime || time); ++r) {
        const QString text = Cells(col, r);
        if (number)
            number = ToNumber(text).has_value();
        if (time)
            time = ToTime(text).has_value();
        if (dateTime)
            dateTime = ToDateTime(text).has_value();
    }
    if (number)
        return stNumber;
    if (dateTime)
        return stDateTime;
    if (time)
        return stTime;
    return stText;
}

void TFajny::ExecuteSort(int col, const TSortOptions& options) {
    m_sorted.clear();
    if (col < 0 || col >= ColCount())
        return;
    const SortSlotScope slot(options);
    SetSortDirection(options.Direction);
    m_sortColumn = col;

    const int first = FixedRows();
    const int last = RowCount() - 1 - m_excludedFooter;
    TSortedList entries;
    if (last >= first) {
        entries.reserve(static_cast<std::size_t>(last - first + 1));
        for (int r = first; r <= last; ++r) {
            QString key = Cells(col, r);
            if (!g_sortSlot->CaseSensitive)
                key = key.toUpper();
            entries.push_back({std::move(key), r});
        }
    }

    const std::vector<int> pos =
        SortPositions(entries, *g_sortSlot, [this, col](int row) { return Cells(col, row); });
    TSortedList sorted;
    sorted.reserve(entries.size());
    std::vector<int> perm;
    perm.reserve(entries.size());
    for (int p : pos) {
        sorted.push_back(std::move(entries[static_cast<std::size_t>(p)]));
        perm.push_back(sorted.back().OldIndex);
    }

    if (!PermuteRows(first, perm))
        return; // cannot happen: the positions are a permutation of the data rows
    RememberedRowsPermuted(first, perm);

    // The current cell follows its record.
    const int current = Row();
    for (std::size_t i = 0; i < perm.size(); ++i) {
        if (perm[i] == current) {
            GoToCell(Col(), first + static_cast<int>(i));
            break;
        }
    }
    m_sorted = std::move(sorted);
    m_sortedFirstRow = first;
    RepaintTitleRow();
}

bool TFajny::UnsortAvailable() {
    const int n = static_cast<int>(m_sorted.size());
    const int d = RowCount() - FixedRows();
    // Entries made over other rows (fewer or more data rows, or another number of fixed rows)
    // no longer describe the grid.
    if (n != d || m_sortedFirstRow != FixedRows()) {
        m_sorted.clear();
        return false;
    }
    return true;
}

void TFajny::RestoreUnsortedOrder() {
    if (!UnsortAvailable())
        return;
    const int first = FixedRows();
    const int n = static_cast<int>(m_sorted.size());
    // perm[i]: the row whose content now stands at row first + i goes back to OldIndex.
    // Build the inverse: new row j takes the content of the row now holding the entry with
    // OldIndex j.
    std::vector<int> inverse(static_cast<std::size_t>(n), -1);
    for (int i = 0; i < n; ++i) {
        const int old = m_sorted[static_cast<std::size_t>(i)].OldIndex;
        if (old < first || old >= first + n ||
            inverse[static_cast<std::size_t>(old - first)] != -1) {
            // Not a permutation of the data rows: nothing to restore safely.
            m_sorted.clear();
            return;
        }
        inverse[static_cast<std::size_t>(old - first)] = first + i;
    }
    const int current = Row();
    const int currentCol = Col();
    if (!PermuteRows(first, inverse))
        return; // checked above to be a permutation
    RememberedRowsPermuted(first, inverse);
    if (current >= first && current < first + n)
        GoToCell(currentCol, m_sorted[static_cast<std::size_t>(current - first)].OldIndex);
    m_sorted.clear();
}

} // namespace movra
