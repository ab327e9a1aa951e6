#pragma once

#include "album/AlbumFile.h"

namespace movra {

class TStringGrid;

// Writes the record list into the grid's rows after its fixed rows, one after another: the ID,
// the names and both notes as the file stores them (column 0 is the grid's own row number).
class TListFiller {
public:
    explicit TListFiller(TStringGrid& grid) : m_grid(&grid) {}

    // Rows written so far.
    [[nodiscard]] int Rows() const { return m_rows; }
    // The names stored as texts in every row written so far (NameTextBit of each): a list can
    // follow saves in place, or be sorted where it is, by such a name only.
    [[nodiscard]] std::uint8_t TextNames() const { return m_textNames; }
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
    void Put(int index, const TAlbumListBytes& row);

    TStringGrid* m_grid;
    int m_rows = 0;
    std::uint8_t m_textNames = 7;
};

} // namespace movra
