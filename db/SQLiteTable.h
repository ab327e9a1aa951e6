#pragma once

#include "db/SQLiteInterfaces.h"

#include <sqlite3.h>

#include <variant>
#include <vector>

namespace movra {

// A query's whole result, read into memory when the table is made; the connection is not
// needed afterwards. Values are stored by their column's kind (fixed from the declared type, or
// from the first row's value for an expression column).
class TSQLiteTable final : public ISQLiteTable {
public:
    // Runs sql on db and reads every row; raises ESQLiteException when the statement fails.
    TSQLiteTable(sqlite3* db, std::string_view sql, const TSQLiteParams* params = nullptr);

    [[nodiscard]] std::string TextAt(int column) const override;
    [[nodiscard]] bool AtEnd() const override { return m_row >= m_rows; }
    [[nodiscard]] bool AtStart() const override { return m_row == 0; }
    [[nodiscard]] std::string ColumnName(int column) const override;
    [[nodiscard]] std::string TextOf(std::string_view name) const override;
    [[nodiscard]] int ColumnOf(std::string_view name) const override;
    [[nodiscard]] std::uint32_t Rows() const override { return m_rows; }
    [[nodiscard]] std::int32_t FirstAsInt() const override;
    [[nodiscard]] std::uint32_t Columns() const override { return m_columns; }
    [[nodiscard]] std::uint32_t Position() const override { return m_row; }
    [[nodiscard]] std::uint32_t RowTotal() const override { return m_rows; }
    [[nodiscard]] std::int64_t Int64At(int column) const override;
    [[nodiscard]] TBlobStream* BlobAt(int column) override;
    [[nodiscard]] std::string BlobTextAt(int column) const override;
    [[nodiscard]] bool IsNullAt(int column) const override;
    [[nodiscard]] std::string StringAt(int column) const override;
    [[nodiscard]] double DoubleAt(int column) const override;
    bool MoveNext() override;
    bool MovePrior() override;
    bool MoveToFirst() override;
    bool MoveToLast() override;
    [[nodiscard]] std::string_view BytesAt(int column) const override;
    [[nodiscard]] TSQLiteColumnKind KindAt(int column) const override;

private:
    // NULL, or the value as its column's kind stores it. A zero-byte blob is stored as NULL.
    using TValue = std::variant<std::monostate, std::int64_t, double, std::string, TBlobStream>;

    void ReadFirstRowLayout(sqlite3_stmt* statement);
    void ReadRow(sqlite3_stmt* statement);
    // The current row's value of column; raises at the end and for a bad index.
    [[nodiscard]] const TValue& ValueAt(int column) const;
    void CheckColumn(int column) const;
    [[nodiscard]] const TBlobStream* BlobOf(int column) const;

    // Values row by row in fixed-size chunks, so that a large result grows without moving the
    // values already read.
    static constexpr std::size_t kChunkValues = 4096;
    template <class... Args> void Emplace(Args&&... args);
    [[nodiscard]] const TValue& Stored(std::size_t index) const {
        return m_chunks[index / kChunkValues][index % kChunkValues];
    }
    std::vector<std::vector<TValue>> m_chunks;
    std::vector<std::string> m_names;
    std::vector<TSQLiteColumnKind> m_kinds;
    std::uint32_t m_rows = 0;
    std::uint32_t m_columns = 0;
    std::uint32_t m_row = 0;
};

} // namespace movra
