#pragma once

// The texts of a grid's cells, kept compact: a list of a million records must not cost a
// QString (24 bytes and a heap block of its own) per cell.
//
// Each row is one block: a header, the end offset of every cell, then the texts one after
// another, as Windows-1250 bytes when every character of the row has one (the album's texts
// always do), else as UTF-16. An empty row has no block at all. Cells are converted to QString
// only when read, and only the cells asked for: painting reads a screenful, a search or a sort
// one column.
//
// Rows set whole from bytes (SetRowCp1250: a list read from a file) are laid one after another
// into large shared chunks instead of a heap block each: a million rows then cost no million
// allocations to make and to free, nor the allocator's few bytes per block. A pooled row that
// is replaced or dropped leaves its bytes unused in its chunk. Once no row lies in the chunks
// (the store was cleared for a new list), the next rows fill the same chunks again, so reading
// a list anew (another order) touches no fresh memory; chunks the last list did not reach are
// freed then.

#include <QtCore/QString>
#include <QtCore/QStringView>

#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace movra {

class TCellStore {
public:
    TCellStore(int cols, int rows);

    [[nodiscard]] int Cols() const { return m_cols; }
    [[nodiscard]] int Rows() const { return static_cast<int>(m_rows.size()); }

    [[nodiscard]] QString Text(int col, int row) const;
    // The same text into out, reusing its buffer: a loop over many cells allocates once.
    void TextInto(int col, int row, QString& out) const;
    [[nodiscard]] bool TextEquals(int col, int row, QStringView text) const;
    // The cell's Windows-1250 bytes as kept (valid until the row changes), for reading many rows
    // without converting them; nothing when the row is kept as UTF-16 or the cell is a number.
    [[nodiscard]] std::optional<std::string_view> BytesCp1250(int col, int row) const;
    [[nodiscard]] bool RowEmpty(int row) const { return !m_rows[Index(row)]; }

    void SetText(int col, int row, QStringView text);
    // Sets every cell of the row; cells beyond texts become empty.
    void SetRow(int row, std::span<const QStringView> texts);
    // Sets every cell of the row from Windows-1250 bytes, as they come from an album file;
    // cells beyond bytes become empty.
    void SetRowCp1250(int row, std::span<const std::string_view> bytes);

    // Keeps the cells inside both the old and the new size; new cells are empty.
    void Resize(int cols, int rows);
    void ClearAll();
    void EraseRow(int row);
    // The row at `from` moves to `to`; the rows between shift by one.
    void MoveRow(int from, int to);
    // Row first + i takes the texts of row sources[i] (a permutation, checked by the caller).
    void PermuteRows(int first, const std::vector<int>& sources);
    // In every row, the cell at `from` moves to `to`; the cells between shift by one.
    void MoveColumn(int from, int to);

    // From row firstRow on, column col reads as each row's number, counting from 1 at firstRow:
    // what is stored there is not read. So numbers that count the rows stay right when a row is
    // added, removed or moved, without a write to every row after it. A col of -1: none.
    void SetNumberedColumn(int col, int firstRow);
    [[nodiscard]] int NumberedColumn() const { return m_numberCol; }

    // Gives back what an emptied store keeps for the next rows: the chunks (the few rows left,
    // such as titles, move to blocks of their own) and the row list's spare room.
    void ReleaseUnused();

    // Bytes held for the texts (blocks and the row list), for the curious.
    [[nodiscard]] std::size_t MemoryBytes() const;

private:
    // Frees a row's own heap block; a pooled row's bytes belong to its chunk.
    struct TFree {
        void operator()(char* p) const noexcept;
    };
    using TRowBlock = std::unique_ptr<char, TFree>;
    struct TChunkFree {
        void operator()(char* p) const noexcept { std::free(p); }
    };

    [[nodiscard]] static std::size_t Index(int row) { return static_cast<std::size_t>(row); }
    [[nodiscard]] bool Numbered(int col, int row) const {
        return col == m_numberCol && row >= m_numberFrom;
    }
    [[nodiscard]] QString NumberOf(int row) const {
        return QString::number(row - m_numberFrom + 1);
    }
    [[nodiscard]] static bool Pooled(const TRowBlock& block);
    [[nodiscard]] std::vector<QString> RowTexts(int row) const;
    [[nodiscard]] TRowBlock Encode(std::span<const QStringView> texts) const;
    // A block of the given size for a row in the chunks (marked pooled by the caller), or nullptr
    // when it is better given a heap block of its own.
    [[nodiscard]] char* PoolAllocate(std::size_t bytes);
    // The row's block becomes block; the chunks are reused once no row lies in them.
    void Replace(std::size_t row, TRowBlock block);
    // Counts the rows in [first, last) as gone (before they are dropped).
    void ForgetRows(std::size_t first, std::size_t last);
    // Drops the rows from first on.
    void DropRowsFrom(std::size_t first);
    // With no row in the chunks, the next rows fill them again from the first; chunks the last
    // rows did not reach are freed.
    void ReuseChunksIfUnused();

    int m_cols;
    int m_numberCol = -1;
    int m_numberFrom = 0;
    // Declared before the rows: a pooled row's block is read (its header) while it is destroyed.
    struct TChunk {
        std::unique_ptr<char, TChunkFree> Bytes;
        std::size_t Size = 0;
    };
    std::vector<TChunk> m_chunks;
    std::size_t m_chunkBytes = 0; // bytes of all chunks
    std::size_t m_chunkInUse = 0; // the chunk new rows go to
    char* m_poolNext = nullptr;
    std::size_t m_poolLeft = 0;
    std::size_t m_pooledRows = 0;
    std::size_t m_heapRows = 0; // rows with a heap block of their own
    std::vector<TRowBlock> m_rows;
};

} // namespace movra
