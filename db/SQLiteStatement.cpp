#include "db/SQLiteStatement.h"

#include "db/SQLiteInterfaces.h"

#include <climits>
#include <cstdio>
#include <string>

namespace movra::sqlite_detail {

namespace {

// Values and statement texts are cut at their first zero byte where a C text is expected.
std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

} // namespace

// The declared type decides the kind, compared as a whole word and case-sensitively: a column
// declared "integer" in lower case is a text column.
TSQLiteColumnKind KindOfDeclaredType(std::string_view declared) {
    if (declared == "INTEGER" || declared == "BOOLEAN") {
        return TSQLiteColumnKind::Integer;
    }
    if (declared == "NUMERIC" || declared == "FLOAT" || declared == "DOUBLE" ||
        declared == "REAL") {
        return TSQLiteColumnKind::Float;
    }
    if (declared == "BLOB") {
        return TSQLiteColumnKind::Blob;
    }
    return TSQLiteColumnKind::Text;
}

TSQLiteColumnKind KindOfStorageClass(int type) {
    switch (type) {
    case SQLITE_INTEGER:
        return TSQLiteColumnKind::Integer;
    case SQLITE_FLOAT:
        return TSQLiteColumnKind::Float;
    case SQLITE_BLOB:
        return TSQLiteColumnKind::Blob;
    default:
        return TSQLiteColumnKind::Text;
    }
}

std::string FloatText(double value) {
    // General form with up to 15 significant digits; snprintf follows the user's decimal
    // separator once the application has adopted the user's locale.
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

void RaiseStatementError(sqlite3* db, std::string_view base, std::string_view sql) {
    std::string message(base);
    int code = 0;
    int systemErrno = 0;
    if (db != nullptr && sqlite3_errcode(db) != SQLITE_OK) {
        message += " \"";
        message += UpToZero(sql);
        message += "\" : ";
        message += sqlite3_errmsg(db);
        code = sqlite3_extended_errcode(db);
        systemErrno = sqlite3_system_errno(db);
    }
    throw ESQLiteException(message, code, systemErrno);
}

TStatement Prepare(sqlite3* db, std::string_view sql, std::string_view failedBase) {
    sql = UpToZero(sql);
    if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
        throw ESQLiteException(std::string(failedBase));
    }
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    TStatement statement(raw);
    if (rc != SQLITE_OK) {
        RaiseStatementError(db, failedBase, sql);
    }
    if (!statement) {
        RaiseStatementError(db, "Could not prepare SQL statement", sql);
    }
    return statement;
}

void Bind(sqlite3* db, sqlite3_stmt* statement, std::string_view sql, const TSQLiteParams& params) {
    const int expected = sqlite3_bind_parameter_count(statement);
    if (static_cast<std::size_t>(expected) != params.size()) {
        throw ESQLiteException("Statement \"" + std::string(UpToZero(sql)) + "\" takes " +
                               std::to_string(expected) + " parameters, " +
                               std::to_string(params.size()) + " given");
    }
    int index = 1;
    for (const TSQLiteParam& p : params) {
        int rc = SQLITE_OK;
        // The parameters outlive the statement's steps, so the library need not copy them.
        switch (p.Kind()) {
        case TSQLiteParam::TKind::Null:
            rc = sqlite3_bind_null(statement, index);
            break;
        case TSQLiteParam::TKind::Integer:
            rc = sqlite3_bind_int64(statement, index, p.IntegerValue());
            break;
        case TSQLiteParam::TKind::Float:
            rc = sqlite3_bind_double(statement, index, p.FloatValue());
            break;
        case TSQLiteParam::TKind::Text:
            rc = sqlite3_bind_text64(statement, index, p.Bytes().data(), p.Bytes().size(),
                                     SQLITE_STATIC, SQLITE_UTF8);
            break;
        case TSQLiteParam::TKind::Blob:
            rc = sqlite3_bind_blob64(statement, index, p.Bytes().data(), p.Bytes().size(),
                                     SQLITE_STATIC);
            break;
        }
        if (rc != SQLITE_OK) {
            RaiseStatementError(db, "Error binding parameter to database", sql);
        }
        ++index;
    }
}

} // namespace movra::sqlite_detail
