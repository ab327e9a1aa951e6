#include "db/SQLiteDatabase.h"

#include "db/SQLiteStatement.h"
#include "db/SQLiteTable.h"

#include <algorithm>
#include <exception>

namespace movra {

using sqlite_detail::Bind;
using sqlite_detail::Prepare;
using sqlite_detail::RaiseStatementError;
using sqlite_detail::TStatement;

namespace {

// Engine steps between two calls of a compaction's progress handler: often enough for a window to
// stay responsive, rarely enough to cost nothing measurable.
constexpr int kProgressSteps = 50;

// The share of a compaction's time, in percent, spent rebuilding the copy (about a third, measured
// on albums of 0.2 to 4 GB): the engine then copies it back into the file in a single step the
// progress handler never sees.
constexpr sqlite3_int64 kRebuildShare = 30;

struct TCompactProgress {
    sqlite3* Db = nullptr;
    const TSQLiteProgress* Report = nullptr;
    // The rebuild reads every page in use once, each one a page the cache misses.
    sqlite3_int64 PagesInUse = 1;
    int MissesBefore = 0;
    std::exception_ptr Error;
};

int CacheMisses(sqlite3* db) {
    int current = 0;
    int highest = 0;
    sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_MISS, &current, &highest, 0);
    return current;
}

int OnCompactProgress(void* context) noexcept {
    auto* p = static_cast<TCompactProgress*>(context);
    const sqlite3_int64 done = CacheMisses(p->Db) - p->MissesBefore;
    const int percent = static_cast<int>(
        std::clamp<sqlite3_int64>(done * kRebuildShare / p->PagesInUse, 0, kRebuildShare));
    try {
        return (*p->Report)(percent) ? 0 : 1;
    } catch (...) {
        // Nothing may cross the engine's C frames: stop it and raise the error afterwards.
        p->Error = std::current_exception();
        return 1;
    }
}

// Puts the connection back as normal statements expect it, whatever way the compaction ended.
class TCompactionScope {
public:
    explicit TCompactionScope(sqlite3* db) : m_db(db) {}
    ~TCompactionScope() {
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        sqlite3_exec(m_db, "PRAGMA temp_store = MEMORY;", nullptr, nullptr, nullptr);
    }
    TCompactionScope(const TCompactionScope&) = delete;
    TCompactionScope& operator=(const TCompactionScope&) = delete;

private:
    sqlite3* m_db;
};

} // namespace

TSQLiteDatabase::TSQLiteDatabase(const std::string& fileName, TSQLiteOpenMode mode) {
    // Without SQLITE_OPEN_CREATE a missing file is an open error, so a mistyped or vanished
    // album never turns into a new empty file.
    int flags = SQLITE_OPEN_READWRITE;
    if (mode == TSQLiteOpenMode::Create) {
        flags |= SQLITE_OPEN_CREATE;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(fileName.c_str(), &raw, flags, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK) {
        if (!m_db) {
            throw ESQLiteException("Failed to open database \"" + fileName + "\" : unknown error");
        }
        throw ESQLiteException("Failed to open database \"" + fileName +
                               "\" : " + sqlite3_errmsg(m_db.get()));
    }
    // Statements cannot write the schema table or other internals directly, so a crafted
    // statement cannot corrupt the file.
    sqlite3_db_config(m_db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    // No busy timeout: another process holding the file makes statements fail at once.
    Execute("PRAGMA SYNCHRONOUS=NORMAL;");
    Execute("PRAGMA temp_store = MEMORY;");
}

TSQLiteDatabase::~TSQLiteDatabase() {
    if (m_transactionOpen) {
        try {
            Execute("ROLLBACK;");
        } catch (...) {
            // Closing the handle rolls back whatever is still open.
        }
    }
}

void TSQLiteDatabase::Run(std::string_view sql, const TSQLiteParams* params) {
    TStatement statement = Prepare(m_db.get(), sql, "Error executing SQL");
    if (params != nullptr) {
        Bind(m_db.get(), statement.get(), sql, *params);
    }
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        RaiseStatementError(m_db.get(), "Error executing SQL statement", sql);
    }
}

void TSQLiteDatabase::Execute(std::string_view sql) {
    Run(sql, nullptr);
}

void TSQLiteDatabase::Execute(std::string_view sql, const TSQLiteParams& params) {
    Run(sql, &params);
}

ISQLiteTablePtr TSQLiteDatabase::Query(std::string_view sql) {
    return std::make_shared<TSQLiteTable>(m_db.get(), sql);
}

ISQLiteTablePtr TSQLiteDatabase::Query(std::string_view sql, const TSQLiteParams& params) {
    return std::make_shared<TSQLiteTable>(m_db.get(), sql, &params);
}

std::int64_t TSQLiteDatabase::QueryInt64(std::string_view sql) {
    return Query(sql)->Int64At(0);
}

std::string TSQLiteDatabase::QueryString(std::string_view sql) {
    return Query(sql)->StringAt(0);
}

void TSQLiteDatabase::StoreBlob(std::string_view sql, TBlobStream& stream) {
    if (sql.find('?') == std::string_view::npos) {
        RaiseStatementError(m_db.get(), "SQL must include a ? parameter", sql);
    }
    TStatement statement = Prepare(m_db.get(), sql, "Could not prepare SQL statement");
    const std::size_t size = stream.Size();
    if (size == 0) {
        throw ESQLiteException("Error getting memory to save blob");
    }
    std::string buffer;
    try {
        buffer.resize(size);
    } catch (const std::bad_alloc&) {
        throw ESQLiteException("Error getting memory to save blob");
    }
    stream.Rewind();
    buffer.resize(stream.Read(buffer.data(), size));
    if (sqlite3_bind_blob64(statement.get(), 1, buffer.data(), buffer.size(), SQLITE_STATIC) !=
        SQLITE_OK) {
        RaiseStatementError(m_db.get(), "Error binding blob to database", sql);
    }
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        RaiseStatementError(m_db.get(), "Error executing SQL statement", sql);
    }
}

void TSQLiteDatabase::StartTransaction() {
    if (m_transactionOpen) {
        throw ESQLiteException("Transaction already open");
    }
    Execute("BEGIN TRANSACTION;");
    m_transactionOpen = true;
}

void TSQLiteDatabase::CommitTransaction() {
    EndTransaction("COMMIT;");
}

void TSQLiteDatabase::RollbackTransaction() {
    EndTransaction("ROLLBACK;");
}

void TSQLiteDatabase::EndTransaction(std::string_view sql) {
    try {
        Execute(sql);
    } catch (...) {
        // A COMMIT that fails on a damaged file may already have rolled the transaction back
        // (and a ROLLBACK then finds none). The flag follows the engine, so that the next
        // command on this connection can start its own transaction.
        m_transactionOpen = sqlite3_get_autocommit(m_db.get()) == 0;
        throw;
    }
    m_transactionOpen = false;
}

bool TSQLiteDatabase::HasTable(std::string_view name) {
    // The name is bound, never pasted into the statement.
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return Query("select [sql] from sqlite_master where [type] = 'table' and lower(name) = ? ",
                 {TSQLiteParam::Text(std::move(lower))})
               ->Rows() > 0;
}

std::int64_t TSQLiteDatabase::LastRowId() const {
    return sqlite3_last_insert_rowid(m_db.get());
}

std::int64_t TSQLiteDatabase::Changes() const {
    return sqlite3_changes64(m_db.get());
}

void TSQLiteDatabase::Compact(const TSQLiteProgress& progress) {
    // With temp_store MEMORY, which the connection otherwise keeps, VACUUM would build its copy
    // of the whole file in memory. In a temporary file the memory stays that of the page caches.
    Execute("PRAGMA temp_store = FILE;");
    TCompactionScope scope(m_db.get());
    TCompactProgress state;
    if (progress) {
        state.Db = m_db.get();
        state.Report = &progress;
        state.PagesInUse = std::max<sqlite3_int64>(1, QueryInt64("PRAGMA page_count") -
                                                          QueryInt64("PRAGMA freelist_count"));
        state.MissesBefore = CacheMisses(m_db.get());
        sqlite3_progress_handler(m_db.get(), kProgressSteps, OnCompactProgress, &state);
    }
    try {
        // A plain VACUUM: this engine takes a name after it as an attached database's.
        Execute("VACUUM");
    } catch (const ESQLiteException&) {
        if (state.Error) {
            std::rethrow_exception(state.Error);
        }
        throw;
    }
}

void TSQLiteDatabase::SetBusyWait(std::int32_t milliseconds) {
    sqlite3_busy_timeout(m_db.get(), milliseconds);
}

std::string TSQLiteDatabase::EngineVersion() const {
    return sqlite3_libversion();
}

ISQLiteDatabasePtr OpenSQLiteDatabase(const std::string& fileName, TSQLiteOpenMode mode) {
    return std::make_shared<TSQLiteDatabase>(fileName, mode);
}

} // namespace movra
