#include "db/SQLiteDatabase.h"

#include "db/SQLiteStatement.h"
#include "db/SQLiteTable.h"

namespace movra {

using sqlite_detail::Bind;
using sqlite_detail::Prepare;
using sqlite_detail::RaiseStatementError;
using sqlite_detail::TStatement;

namespace {

// Engine steps between two questions to the watch: a few microseconds of work, so a window kept
// up by the watch stays responsive, while the question itself costs nothing measurable.
constexpr int kWatchSteps = 1000;

} // namespace

TSQLiteDatabase::TSQLiteDatabase(const std::string& fileName, TSQLiteOpenMode mode) {
    // Without SQLITE_OPEN_CREATE a missing file is an open error, so a mistyped or vanished
    // album never turns into a new empty file.
    // A connection is only ever used by the thread that made it, so it takes no lock of its
    // own: reading a million-row list calls the library some ten million times.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (mode == TSQLiteOpenMode::Create) {
        flags |= SQLITE_OPEN_CREATE;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(fileName.c_str(), &raw, flags, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK) {
        if (!m_db) {
            throw ESQLiteException("Failed to open database \"" + fileName + "\" : unknown error",
                                   rc);
        }
        throw ESQLiteException(
            "Failed to open database \"" + fileName + "\" : " + sqlite3_errmsg(m_db.get()),
            sqlite3_extended_errcode(m_db.get()), sqlite3_system_errno(m_db.get()));
    }
    // Statements cannot write the schema table or other internals directly, so a crafted
    // statement cannot corrupt the file.
    sqlite3_db_config(m_db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    // No busy timeout: another process holding the file makes statements fail at once.
    Execute("PRAGMA SYNCHRONOUS=NORMAL;");
    Execute("PRAGMA temp_store = MEMORY;");
}

TSQLiteDatabase::~TSQLiteDatabase() {
    m_watch = nullptr;
    InstallWatch();
    if (m_transactionOpen) {
        try {
            Execute("ROLLBACK;");
        } catch (...) {
            // Closing the handle rolls back whatever is still open.
        }
    }
}

void TSQLiteDatabase::Run(std::string_view sql, const TSQLiteParams* params) {
    Watched([&] {
        TStatement statement = Prepare(m_db.get(), sql, "Error executing SQL");
        if (params != nullptr) {
            Bind(m_db.get(), statement.get(), sql, *params);
        }
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
            RaiseStatementError(m_db.get(), "Error executing SQL statement", sql);
        }
    });
}

void TSQLiteDatabase::Execute(std::string_view sql) {
    Run(sql, nullptr);
}

void TSQLiteDatabase::Execute(std::string_view sql, const TSQLiteParams& params) {
    Run(sql, &params);
}

ISQLiteTablePtr TSQLiteDatabase::Query(std::string_view sql) {
    return Watched(
        [&]() -> ISQLiteTablePtr { return std::make_shared<TSQLiteTable>(m_db.get(), sql); });
}

ISQLiteTablePtr TSQLiteDatabase::Query(std::string_view sql, const TSQLiteParams& params) {
    return Watched([&]() -> ISQLiteTablePtr {
        return std::make_shared<TSQLiteTable>(m_db.get(), sql, &params);
    });
}

std::int64_t TSQLiteDatabase::QueryInt64(std::string_view sql) {
    return Query(sql)->Int64At(0);
}

std::string TSQLiteDatabase::QueryString(std::string_view sql) {
    return Query(sql)->StringAt(0);
}

void TSQLiteDatabase::StoreBlob(std::string_view sql, TBlobStream& stream) {
    Watched([&] { StoreBlobUnwatched(sql, stream); });
}

void TSQLiteDatabase::StoreBlobUnwatched(std::string_view sql, TBlobStream& stream) {
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
    BeginTransaction("BEGIN TRANSACTION;");
}

void TSQLiteDatabase::StartWriteTransaction() {
    BeginTransaction("BEGIN IMMEDIATE;");
}

void TSQLiteDatabase::BeginTransaction(std::string_view sql) {
    if (m_transactionOpen) {
        throw ESQLiteException("Transaction already open");
    }
    Execute(sql);
    m_transactionOpen = true;
}

void TSQLiteDatabase::CommitTransaction() {
    EndTransaction("COMMIT;");
}

void TSQLiteDatabase::RollbackTransaction() {
    // Undoing must not be stopped: a watch that answers "stop" after the user pressed "Anuluj"
    // would otherwise leave the transaction open.
    const bool suspended = std::exchange(m_watchSuspended, true);
    try {
        EndTransaction("ROLLBACK;");
    } catch (...) {
        m_watchSuspended = suspended;
        throw;
    }
    m_watchSuspended = suspended;
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

void TSQLiteDatabase::SetBusyWait(std::int32_t milliseconds) {
    sqlite3_busy_timeout(m_db.get(), milliseconds);
}

std::string TSQLiteDatabase::EngineVersion() const {
    return sqlite3_libversion();
}

namespace {

void CallTextMap(sqlite3_context* context, int, sqlite3_value** args) {
    sqlite3_value* value = args[0];
    if (sqlite3_value_type(value) != SQLITE_TEXT) {
        sqlite3_result_value(context, value);
        return;
    }
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const int n = sqlite3_value_bytes(value);
    // One buffer for every row the statement maps: a sort maps each row once.
    thread_local std::string out;
    try {
        reinterpret_cast<TSQLiteTextMap>(sqlite3_user_data(context))(
            std::string_view(bytes != nullptr ? bytes : "", static_cast<std::size_t>(n)), out);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
        return;
    }
    sqlite3_result_text(context, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

std::string_view BytesOf(sqlite3_value* value) {
    const void* bytes = sqlite3_value_type(value) == SQLITE_BLOB ? sqlite3_value_blob(value)
                                                                 : sqlite3_value_text(value);
    const int n = sqlite3_value_bytes(value);
    return bytes != nullptr
               ? std::string_view(static_cast<const char*>(bytes), static_cast<std::size_t>(n))
               : std::string_view();
}

void CallTextTest(sqlite3_context* context, int count, sqlite3_value** args) {
    if (count < 1) {
        sqlite3_result_int(context, 0);
        return;
    }
    const auto test = reinterpret_cast<TSQLiteTextTest>(sqlite3_user_data(context));
    const std::string_view pattern = BytesOf(args[0]);
    for (int i = 1; i < count; ++i) {
        if (sqlite3_value_type(args[i]) != SQLITE_NULL && test(pattern, BytesOf(args[i]))) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

} // namespace

void TSQLiteDatabase::AddTestFunction(const std::string& name, TSQLiteTextTest test) {
    const int rc = sqlite3_create_function_v2(
        m_db.get(), name.c_str(), -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
        reinterpret_cast<void*>(test), &CallTextTest, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw ESQLiteException("Could not add function " + name + ": " + sqlite3_errstr(rc), rc);
}

void TSQLiteDatabase::AddTextFunction(const std::string& name, TSQLiteTextMap map) {
    const int rc = sqlite3_create_function_v2(
        m_db.get(), name.c_str(), 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
        reinterpret_cast<void*>(map), &CallTextMap, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw ESQLiteException("Could not add function " + name + ": " + sqlite3_errstr(rc), rc);
}

void TSQLiteDatabase::SetWatch(TSQLiteWatch watch) {
    RefuseWhileWatching();
    m_watch = std::move(watch);
    InstallWatch();
}

void TSQLiteDatabase::InstallWatch() noexcept {
    if (m_watch)
        sqlite3_progress_handler(m_db.get(), kWatchSteps, &TSQLiteDatabase::OnWatch, this);
    else
        sqlite3_progress_handler(m_db.get(), 0, nullptr, nullptr);
}

int TSQLiteDatabase::OnWatch(void* self) noexcept {
    auto* d = static_cast<TSQLiteDatabase*>(self);
    if (d->m_watching || d->m_watchSuspended || !d->m_watch)
        return 0;
    d->m_watching = true;
    bool goOn = false;
    try {
        goOn = d->m_watch();
    } catch (...) {
        d->m_watchError = std::current_exception();
    }
    d->m_watching = false;
    return goOn ? 0 : 1;
}

void TSQLiteDatabase::RefuseWhileWatching() const {
    // The engine forbids using a connection from inside its own progress handler; whatever the
    // watch lets happen meanwhile (a window handling events) must wait for the statement.
    if (m_watching)
        throw ESQLiteException("Another statement of this connection is running", SQLITE_MISUSE);
}

ISQLiteDatabasePtr OpenSQLiteDatabase(const std::string& fileName, TSQLiteOpenMode mode) {
    return std::make_shared<TSQLiteDatabase>(fileName, mode);
}

} // namespace movra
