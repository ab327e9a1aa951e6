#pragma once

// Internal to the database layer: prepared statements as owned handles and the common way a
// failed statement becomes an exception.

#include "db/SQLiteInterfaces.h"
#include "db/SQLiteParam.h"

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

namespace movra::sqlite_detail {

struct TStatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
// Finalized on every path out of the scope that holds it.
using TStatement = std::unique_ptr<sqlite3_stmt, TStatementFinalizer>;

// Raises ESQLiteException with base, followed by " \"sql\" : library message" when the
// connection's last result is an error.
[[noreturn]] void RaiseStatementError(sqlite3* db, std::string_view base, std::string_view sql);

// Prepares the first statement of sql. A rejected text raises with failedBase, a text that holds
// no statement with "Could not prepare SQL statement".
[[nodiscard]] TStatement Prepare(sqlite3* db, std::string_view sql, std::string_view failedBase);

// Binds one value per parameter; a count that differs from the statement's raises.
void Bind(sqlite3* db, sqlite3_stmt* statement, std::string_view sql, const TSQLiteParams& params);

// A column's kind from its declared type (a whole word, compared case-sensitively), or from the
// storage class of its first value when it has none.
[[nodiscard]] TSQLiteColumnKind KindOfDeclaredType(std::string_view declared);
[[nodiscard]] TSQLiteColumnKind KindOfStorageClass(int type);
// A float in general form with up to 15 significant digits.
[[nodiscard]] std::string FloatText(double value);

} // namespace movra::sqlite_detail
