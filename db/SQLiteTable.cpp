#include "db/SQLiteTable.h"

#include "db/SQLiteStatement.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace movra {

using sqlite_detail::FloatText;
using sqlite_detail::KindOfDeclaredType;
using sqlite_detail::KindOfStorageClass;

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = AsciiUpper(c);
    }
    return result;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

[[noreturn]] void RaiseAtEnd() {
    throw ESQLiteException("Table is at End of File");
}

} // namespace

TSQLiteTable::TSQLiteTable(sqlite3* db, std::string_view sql, const TSQLiteParams* params) {
    sqlite_detail::TStatement statement = sqlite_detail::Prepare(db, sql, "Error executing SQL");
    if (params != nullptr) {
        sqlite_detail::Bind(db, statement.get(), sql, *params);
    }
    int rc = sqlite3_step(statement.get());
    while (rc != SQLITE_DONE) {
        if (rc == SQLITE_BUSY) {
            throw ESQLiteException("Could not prepare SQL statement", SQLITE_BUSY);
        }
        if (rc != SQLITE_ROW) {
            sqlite_detail::RaiseStatementError(db, "Could not retrieve data", sql);
        }
        if (m_rows == std::numeric_limits<std::uint32_t>::max()) {
            throw ESQLiteException("Could not retrieve data: too many rows");
        }
        ++m_rows;
        if (m_rows == 1) {
            ReadFirstRowLayout(statement.get());
        }
        ReadRow(statement.get());
        rc = sqlite3_step(statement.get());
    }
    m_row = 0;
}

void TSQLiteTable::ReadFirstRowLayout(sqlite3_stmt* statement) {
    m_columns = static_cast<std::uint32_t>(sqlite3_column_count(statement));
    m_names.reserve(m_columns);
    m_kinds.reserve(m_columns);
    for (int c = 0; c < static_cast<int>(m_columns); ++c) {
        const char* name = sqlite3_column_name(statement, c);
        m_names.push_back(AsciiUpper(name != nullptr ? name : ""));
        const char* declared = sqlite3_column_decltype(statement, c);
        m_kinds.push_back(declared != nullptr
                              ? KindOfDeclaredType(declared)
                              : KindOfStorageClass(sqlite3_column_type(statement, c)));
    }
}

template <class... Args> void TSQLiteTable::Emplace(Args&&... args) {
    if (m_chunks.empty() || m_chunks.back().size() == kChunkValues) {
        m_chunks.emplace_back().reserve(kChunkValues);
    }
    m_chunks.back().emplace_back(std::forward<Args>(args)...);
}

void TSQLiteTable::ReadRow(sqlite3_stmt* statement) {
    for (int c = 0; c < static_cast<int>(m_columns); ++c) {
        if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
            Emplace();
            continue;
        }
        switch (m_kinds[static_cast<std::size_t>(c)]) {
        case TSQLiteColumnKind::Integer:
            Emplace(std::in_place_type<std::int64_t>, sqlite3_column_int64(statement, c));
            break;
        case TSQLiteColumnKind::Float:
            Emplace(std::in_place_type<double>, sqlite3_column_double(statement, c));
            break;
        case TSQLiteColumnKind::Blob: {
            const void* data = sqlite3_column_blob(statement, c);
            const int size = sqlite3_column_bytes(statement, c);
            if (size > 0 && data != nullptr) {
                Emplace(std::in_place_type<TBlobStream>, data, static_cast<std::size_t>(size));
            } else {
                Emplace();
            }
            break;
        }
        case TSQLiteColumnKind::Text: {
            // A text ends at its first zero byte.
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            if (text == nullptr) {
                Emplace(std::in_place_type<std::string>);
            } else {
                const int size = sqlite3_column_bytes(statement, c);
                const void* zero = std::memchr(text, '\0', static_cast<std::size_t>(size));
                const std::size_t length =
                    zero != nullptr
                        ? static_cast<std::size_t>(static_cast<const char*>(zero) - text)
                        : static_cast<std::size_t>(size);
                Emplace(std::in_place_type<std::string>, text, length);
            }
            break;
        }
        }
    }
}

void TSQLiteTable::CheckColumn(int column) const {
    if (column < 0 || static_cast<std::uint32_t>(column) >= m_columns) {
        throw std::out_of_range("Column index " + std::to_string(column) +
                                " out of range (the table has " + std::to_string(m_columns) +
                                " columns)");
    }
}

const TSQLiteTable::TValue& TSQLiteTable::ValueAt(int column) const {
    if (AtEnd()) {
        RaiseAtEnd();
    }
    CheckColumn(column);
    return Stored(static_cast<std::size_t>(m_row) * m_columns + static_cast<std::size_t>(column));
}

TSQLiteColumnKind TSQLiteTable::KindAt(int column) const {
    CheckColumn(column);
    return m_kinds[static_cast<std::size_t>(column)];
}

std::string TSQLiteTable::TextAt(int column) const {
    const TValue& value = ValueAt(column);
    switch (m_kinds[static_cast<std::size_t>(column)]) {
    case TSQLiteColumnKind::Integer:
        return std::to_string(Int64At(column));
    case TSQLiteColumnKind::Float:
        return FloatText(DoubleAt(column));
    case TSQLiteColumnKind::Blob:
        return BlobTextAt(column);
    case TSQLiteColumnKind::Text:
        break;
    }
    const auto* text = std::get_if<std::string>(&value);
    return text != nullptr ? *text : std::string();
}

std::string TSQLiteTable::ColumnName(int column) const {
    CheckColumn(column);
    return m_names[static_cast<std::size_t>(column)];
}

int TSQLiteTable::ColumnOf(std::string_view name) const {
    if (m_names.empty()) {
        throw ESQLiteException("Field " + std::string(name) + " Not found. Empty dataset");
    }
    for (std::size_t c = 0; c < m_names.size(); ++c) {
        if (EqualsIgnoringAsciiCase(m_names[c], name)) {
            return static_cast<int>(c);
        }
    }
    throw ESQLiteException("Field not found in dataset: " + std::string(name));
}

std::string TSQLiteTable::TextOf(std::string_view name) const {
    return TextAt(ColumnOf(name));
}

std::int32_t TSQLiteTable::FirstAsInt() const {
    if (AtEnd()) {
        return 0;
    }
    const std::string text = TextAt(0);
    std::int32_t result = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, result);
    if (text.empty() || error != std::errc() || stop != end) {
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    }
    return result;
}

std::int64_t TSQLiteTable::Int64At(int column) const {
    const TValue& value = ValueAt(column);
    if (std::holds_alternative<std::monostate>(value)) {
        return 0;
    }
    switch (m_kinds[static_cast<std::size_t>(column)]) {
    case TSQLiteColumnKind::Integer:
        return std::get<std::int64_t>(value);
    case TSQLiteColumnKind::Float: {
        // Truncated toward zero; values outside the 64-bit range saturate instead of being
        // undefined.
        const double d = std::trunc(std::get<double>(value));
        if (std::isnan(d)) {
            return 0;
        }
        if (d >= 9223372036854775807.0) {
            return std::numeric_limits<std::int64_t>::max();
        }
        if (d <= -9223372036854775808.0) {
            return std::numeric_limits<std::int64_t>::min();
        }
        return static_cast<std::int64_t>(d);
    }
    default:
        throw ESQLiteException("Not an integer or numeric field");
    }
}

double TSQLiteTable::DoubleAt(int column) const {
    const TValue& value = ValueAt(column);
    if (std::holds_alternative<std::monostate>(value)) {
        return 0.0;
    }
    switch (m_kinds[static_cast<std::size_t>(column)]) {
    case TSQLiteColumnKind::Integer:
        return static_cast<double>(std::get<std::int64_t>(value));
    case TSQLiteColumnKind::Float:
        return std::get<double>(value);
    default:
        throw ESQLiteException("Not an integer or numeric field");
    }
}

const TBlobStream* TSQLiteTable::BlobOf(int column) const {
    const TValue& value = ValueAt(column);
    // A missing value is no blob whatever the column's kind, so it is never an error.
    if (std::holds_alternative<std::monostate>(value)) {
        return nullptr;
    }
    if (m_kinds[static_cast<std::size_t>(column)] != TSQLiteColumnKind::Blob) {
        throw ESQLiteException("Not a Blob field");
    }
    return std::get_if<TBlobStream>(&value);
}

TBlobStream* TSQLiteTable::BlobAt(int column) {
    return const_cast<TBlobStream*>(BlobOf(column));
}

std::string TSQLiteTable::BlobTextAt(int column) const {
    const TBlobStream* stream = BlobOf(column);
    return stream != nullptr ? stream->Bytes() : std::string();
}

bool TSQLiteTable::IsNullAt(int column) const {
    return std::holds_alternative<std::monostate>(ValueAt(column));
}

std::string TSQLiteTable::StringAt(int column) const {
    return IsNullAt(column) ? std::string() : TextAt(column);
}

std::string_view TSQLiteTable::BytesAt(int column) const {
    const TValue& value = ValueAt(column);
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* blob = std::get_if<TBlobStream>(&value)) {
        return blob->View();
    }
    const TSQLiteColumnKind kind = m_kinds[static_cast<std::size_t>(column)];
    if (kind == TSQLiteColumnKind::Integer || kind == TSQLiteColumnKind::Float) {
        throw ESQLiteException("Not a text or blob field");
    }
    return {};
}

bool TSQLiteTable::MoveNext() {
    if (AtEnd()) {
        return false;
    }
    ++m_row;
    return true;
}

bool TSQLiteTable::MovePrior() {
    if (AtStart()) {
        return false;
    }
    --m_row;
    return true;
}

bool TSQLiteTable::MoveToFirst() {
    if (m_rows == 0) {
        return false;
    }
    m_row = 0;
    return true;
}

bool TSQLiteTable::MoveToLast() {
    if (m_rows == 0) {
        return false;
    }
    m_row = m_rows - 1;
    return true;
}

} // namespace movra
