#pragma once

#include "album/AlbumFile.h"

#include <array>
#include <cstddef>

namespace movra {

class TStringGrid;

// Writes the record list into the grid's rows after its fixed rows, one after another, each
// numbered in column 0 and followed by the ID, the names and both notes as the file stores them.
class TListFiller {
public:
    explicit TListFiller(TStringGrid& grid);

    // Rows written so far.
    [[nodiscard]] int Rows() const { return m_rows; }
    // Makes room in the grid for that many rows more than are written; Fit takes back what was
    // not used.
    void Reserve(int more);
    // The next row (room reserved).
    void Append(const TAlbumListBytes& row);
    // Row index (0 for the first record) written again.
    void Rewrite(int index, const TAlbumListBytes& row);
    // Drops the rows from index on.
    void Truncate(int index);
    // The grid's rows become exactly the rows written.
    void Fit();

private:
    void Put(int index, std::string_view number, const TAlbumListBytes& row);

    TStringGrid* m_grid;
    int m_rows = 0;
    // The row numbers count up one by one, so each is the last one's digits plus one (turning
    // every number into digits afresh cost some 120 instructions a row).
    std::array<char, 12> m_number{};
    std::size_t m_first = 0;
};

} // namespace movra
