// A copy of an open database into another file through the engine's backup interface: one
// consistent state of the database, taken a few pages at a time so that other programs using
// the file are held up for no more than a step.
#include "db/SQLiteDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>

namespace movra {

namespace {

// Pages copied while the source stays locked for reading: small enough that another program's
// commit waits for a few milliseconds at most (it sets no busy timeout of its own and would fail
// at once on a longer lock), large enough to copy quickly.
constexpr int kPagesPerStep = 64;
// How long the copy waits for another program to finish its commit, in total, before it gives up.
constexpr int kBusyLimitMs = 10000;
constexpr int kBusyPauseMs = 20;

struct TConnectionCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};

// One backup from its start to its finish; an unfinished one is finished (and so released) on
// every way out.
class TBackup {
public:
    TBackup(sqlite3* destination, sqlite3* source)
        : m_handle(sqlite3_backup_init(destination, "main", source, "main")) {}
    ~TBackup() {
        if (m_handle != nullptr)
            sqlite3_backup_finish(m_handle);
    }
    TBackup(const TBackup&) = delete;
    TBackup& operator=(const TBackup&) = delete;

    [[nodiscard]] bool Valid() const { return m_handle != nullptr; }
    [[nodiscard]] int Step(int pages) { return sqlite3_backup_step(m_handle, pages); }
    [[nodiscard]] int Percent() const {
        const int total = sqlite3_backup_pagecount(m_handle);
        if (total <= 0)
            return 0;
        return static_cast<int>(100LL * (total - sqlite3_backup_remaining(m_handle)) / total);
    }
    [[nodiscard]] int Finish() {
        const int rc = sqlite3_backup_finish(m_handle);
        m_handle = nullptr;
        return rc;
    }

private:
    sqlite3_backup* m_handle;
};

[[noreturn]] void RaiseCopyError(int rc, const std::string& message, int systemErrno = 0) {
    throw ESQLiteException("Error copying the database : " + message, rc, systemErrno);
}

// An exception from the report must not cross the engine: it is kept and raised afterwards.
bool Ask(const TSQLiteProgress& progress, int percent, std::exception_ptr& error) noexcept {
    if (!progress)
        return true;
    try {
        return progress(percent);
    } catch (...) {
        error = std::current_exception();
        return false;
    }
}

} // namespace

void TSQLiteDatabase::BackupTo(const std::string& path, const TSQLiteProgress& progress) {
    RefuseWhileWatching();
    sqlite3* rawCopy = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &rawCopy,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const std::unique_ptr<sqlite3, TConnectionCloser> copy(rawCopy);
    if (opened != SQLITE_OK)
        RaiseCopyError(opened, copy ? sqlite3_errmsg(copy.get()) : sqlite3_errstr(opened),
                       copy ? sqlite3_system_errno(copy.get()) : 0);
    // The copy is a new file that nobody else uses; its caller syncs it to the disk as a whole
    // and discards it on any failure, so it needs no journal of its own.
    sqlite3_exec(copy.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;", nullptr,
                 nullptr, nullptr);

    std::exception_ptr error;
    int rc = SQLITE_OK;
    {
        TBackup backup(copy.get(), m_db.get());
        if (!backup.Valid())
            RaiseCopyError(sqlite3_extended_errcode(copy.get()), sqlite3_errmsg(copy.get()));
        int waited = 0;
        for (;;) {
            rc = backup.Step(kPagesPerStep);
            if (rc == SQLITE_OK) {
                waited = 0;
                if (!Ask(progress, std::min(backup.Percent(), 99), error)) {
                    rc = SQLITE_INTERRUPT;
                    break;
                }
                continue;
            }
            // Another program is committing (its lock keeps readers out for that moment).
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
                if (waited >= kBusyLimitMs)
                    break;
                if (!Ask(progress, -1, error)) {
                    rc = SQLITE_INTERRUPT;
                    break;
                }
                sqlite3_sleep(kBusyPauseMs);
                waited += kBusyPauseMs;
                continue;
            }
            break;
        }
        const int finished = backup.Finish();
        if (rc == SQLITE_DONE && finished != SQLITE_OK)
            rc = finished;
    }
    // Stopped at the very end the copy is whole, but the user has asked for none.
    if (rc == SQLITE_DONE && !Ask(progress, 100, error))
        rc = SQLITE_INTERRUPT;
    if (error)
        std::rethrow_exception(error);
    if (rc == SQLITE_DONE)
        return;
    if (rc == SQLITE_INTERRUPT)
        RaiseCopyError(SQLITE_INTERRUPT, sqlite3_errstr(SQLITE_INTERRUPT));
    // A failure writing the copy is the copy's connection's; a failure reading, the file's.
    const int copyCode = sqlite3_extended_errcode(copy.get());
    if (copyCode != SQLITE_OK && (copyCode & 0xff) == (rc & 0xff))
        RaiseCopyError(copyCode, sqlite3_errmsg(copy.get()), sqlite3_system_errno(copy.get()));
    RaiseCopyError(rc, sqlite3_errstr(rc));
}

} // namespace movra
