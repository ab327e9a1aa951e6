// Reading a result row by row, for readers that keep their own copy of every row (the record
// list): the values are taken straight from the statement, as a result table would store them.

#include "db/SQLiteDatabase.h"
#include "db/SQLiteStatement.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

namespace movra {

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

class TSQLiteRow final : public ISQLiteRow {
public:
    explicit TSQLiteRow(sqlite3_stmt* statement) : m_statement(statement) {}

    // The names and kinds, fixed on the first row as a result table fixes them.
    void ReadLayout() {
        const int n = sqlite3_column_count(m_statement);
        for (int c = 0; c < n; ++c) {
            const char* name = sqlite3_column_name(m_statement, c);
            std::string upper(name != nullptr ? name : "");
            for (char& ch : upper)
                ch = AsciiUpper(ch);
            m_names.push_back(std::move(upper));
            const char* declared = sqlite3_column_decltype(m_statement, c);
            m_kinds.push_back(declared != nullptr ? sqlite_detail::KindOfDeclaredType(declared)
                                                  : sqlite_detail::KindOfStorageClass(
                                                        sqlite3_column_type(m_statement, c)));
        }
    }

    [[nodiscard]] int Columns() const override { return static_cast<int>(m_kinds.size()); }

    [[nodiscard]] int ColumnOf(std::string_view name) const override {
        if (m_names.empty())
            throw ESQLiteException("Field " + std::string(name) + " Not found. Empty dataset");
        for (std::size_t c = 0; c < m_names.size(); ++c) {
            const std::string& n = m_names[c];
            bool same = n.size() == name.size();
            for (std::size_t i = 0; same && i < n.size(); ++i)
                same = AsciiUpper(n[i]) == AsciiUpper(name[i]);
            if (same)
                return static_cast<int>(c);
        }
        throw ESQLiteException("Field not found in dataset: " + std::string(name));
    }

    [[nodiscard]] TSQLiteColumnKind KindAt(int column) const override {
        Check(column);
        return m_kinds[static_cast<std::size_t>(column)];
    }

    [[nodiscard]] bool StoredAsText(int column) const override {
        Check(column);
        return sqlite3_column_type(m_statement, column) == SQLITE_TEXT;
    }

    void ShownBytes(std::span<const int> columns, std::span<std::string_view> out) const override {
        if (out.size() < columns.size())
            throw std::out_of_range("Fewer places than columns asked for");
        if (m_digits.size() < columns.size()) {
            // Sized before any place is handed out: growing later would move the texts.
            m_digits.resize(columns.size());
            m_floats.resize(columns.size());
        }
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const int column = columns[i];
            Check(column);
            switch (m_kinds[static_cast<std::size_t>(column)]) {
            case TSQLiteColumnKind::Integer: {
                // As TextAt: the decimal digits of the value (a NULL reads as 0).
                TDigits& digits = m_digits[i];
                const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(),
                                                     sqlite3_column_int64(m_statement, column));
                out[i] = std::string_view(digits.data(), std::size_t(end - digits.data()));
                break;
            }
            case TSQLiteColumnKind::Float:
                m_floats[i] = sqlite_detail::FloatText(sqlite3_column_double(m_statement, column));
                out[i] = m_floats[i];
                break;
            case TSQLiteColumnKind::Text:
                out[i] = TextBytes(column);
                break;
            case TSQLiteColumnKind::Blob:
                out[i] = BlobBytes(column);
                break;
            }
        }
    }

    [[nodiscard]] std::string TextAt(int column) const override {
        // A NULL reads as 0 through both calls, which is what a result table shows for it.
        switch (KindAt(column)) {
        case TSQLiteColumnKind::Integer:
            return std::to_string(sqlite3_column_int64(m_statement, column));
        case TSQLiteColumnKind::Float:
            return sqlite_detail::FloatText(sqlite3_column_double(m_statement, column));
        case TSQLiteColumnKind::Text:
        case TSQLiteColumnKind::Blob:
            break;
        }
        return std::string(BytesAt(column));
    }

    [[nodiscard]] std::string_view BytesAt(int column) const override {
        switch (KindAt(column)) {
        case TSQLiteColumnKind::Integer:
        case TSQLiteColumnKind::Float:
            throw ESQLiteException("Not a text or blob field");
        case TSQLiteColumnKind::Blob:
            return BlobBytes(column);
        case TSQLiteColumnKind::Text:
            break;
        }
        return TextBytes(column);
    }

private:
    // A number as text, as long as any 64-bit integer's.
    using TDigits = std::array<char, 24>;

    void Check(int column) const {
        if (column < 0 || static_cast<std::size_t>(column) >= m_kinds.size())
            ThrowOutOfRange(column);
    }
    // Out of line, so that the check on every value stays a compare and a branch.
    [[noreturn, gnu::noinline, gnu::cold]] void ThrowOutOfRange(int column) const {
        throw std::out_of_range("Column index " + std::to_string(column) +
                                " out of range (the table has " + std::to_string(m_kinds.size()) +
                                " columns)");
    }

    [[nodiscard]] std::string_view BlobBytes(int column) const {
        const void* data = sqlite3_column_blob(m_statement, column);
        const int size = sqlite3_column_bytes(m_statement, column);
        if (data == nullptr || size <= 0)
            return {};
        return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
    }

    // A text ends at its first zero byte, and the engine ends every text it hands out with one:
    // no second call for its size is needed.
    [[nodiscard]] std::string_view TextBytes(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        if (text == nullptr)
            return {};
        return {text, std::strlen(text)};
    }

    sqlite3_stmt* m_statement;
    std::vector<std::string> m_names;
    std::vector<TSQLiteColumnKind> m_kinds;
    mutable std::vector<TDigits> m_digits;
    mutable std::vector<std::string> m_floats;
};

// A streamed result is read with the engine's temporary store on disk, and the connection's own
// setting (memory) is put back afterwards. With the store in memory the engine's sorter never
// spills: an ORDER BY over a million rows sorts every row, each in a block of its own, in one
// list held beside the rows the reader keeps; on disk it sorts runs of its page cache's size in
// one buffer and merges them from temporary files, which is twice as fast and holds little
// memory. Should the setting not change (it cannot inside a transaction that already uses
// temporary storage), the query still runs, only slower.
class TTempStoreOnDisk {
public:
    explicit TTempStoreOnDisk(sqlite3* db) : m_db(db) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, "PRAGMA temp_store", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            m_before = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        if (m_before != kFile)
            sqlite3_exec(m_db, "PRAGMA temp_store = FILE;", nullptr, nullptr, nullptr);
    }
    ~TTempStoreOnDisk() {
        if (m_before == kDefault)
            sqlite3_exec(m_db, "PRAGMA temp_store = DEFAULT;", nullptr, nullptr, nullptr);
        else if (m_before != kFile)
            sqlite3_exec(m_db, "PRAGMA temp_store = MEMORY;", nullptr, nullptr, nullptr);
    }
    TTempStoreOnDisk(const TTempStoreOnDisk&) = delete;
    TTempStoreOnDisk& operator=(const TTempStoreOnDisk&) = delete;

private:
    static constexpr int kDefault = 0;
    static constexpr int kFile = 1;
    sqlite3* m_db;
    int m_before = kFile;
};

} // namespace

std::uint32_t TSQLiteDatabase::QueryEach(std::string_view sql,
                                         const std::function<void(const ISQLiteRow&)>& onRow) {
    return Watched([&] { return StepEach(sql, onRow); });
}

std::uint32_t TSQLiteDatabase::StepEach(std::string_view sql,
                                        const std::function<void(const ISQLiteRow&)>& onRow) {
    sqlite3* db = m_db.get();
    // Made before the statement and undone after it has been finalized.
    const TTempStoreOnDisk tempStore(db);
    sqlite_detail::TStatement statement = sqlite_detail::Prepare(db, sql, "Error executing SQL");
    TSQLiteRow row(statement.get());
    std::uint32_t rows = 0;
    int rc = sqlite3_step(statement.get());
    while (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY)
            throw ESQLiteException("Could not prepare SQL statement");
        if (rc != SQLITE_ROW)
            sqlite_detail::RaiseStatementError(db, "Could not retrieve data", sql);
        if (rows == std::numeric_limits<std::uint32_t>::max())
            throw ESQLiteException("Could not retrieve data: too many rows");
        if (rows++ == 0)
            row.ReadLayout();
        onRow(row);
        rc = sqlite3_step(statement.get());
    }
    return rows;
}

} // namespace movra
