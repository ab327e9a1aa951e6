// Compacting a database file without holding it in memory and without a pause the user cannot
// watch: VACUUM INTO rebuilds the file into a temporary copy, then the backup interface copies
// the copy back over the file a few pages at a time, inside one write transaction of this
// connection. Either step can be stopped between engine steps; the rollback journal puts the
// file back as it was on every failure, and a process killed midway leaves a hot journal that
// the next opening rolls back.

#include "db/SQLiteCompaction.h"
#include "db/SQLiteDatabase.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace movra {

namespace {

// Engine steps between two calls of the progress handler while the copy is rebuilt: often
// enough for a window to stay responsive, rarely enough to cost nothing measurable.
constexpr int kProgressSteps = 50;
// Pages copied back between two reports (256 KB with the default page size).
constexpr int kPagesPerStep = 64;
// The share of the work, in percent, that the rebuild takes; the copy back takes the rest.
constexpr sqlite3_int64 kRebuildShare = 50;

constexpr const char* kCopyPrefix = "movra-compact-";

struct TRebuildProgress {
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

// Nothing may cross the engine's C frames: an exception from the report stops the engine and is
// raised again afterwards.
bool Report(const TSQLiteProgress& report, int percent, std::exception_ptr& error) noexcept {
    try {
        return report(percent);
    } catch (...) {
        error = std::current_exception();
        return false;
    }
}

int OnRebuildProgress(void* context) noexcept {
    auto* p = static_cast<TRebuildProgress*>(context);
    const sqlite3_int64 done = CacheMisses(p->Db) - p->MissesBefore;
    const int percent = static_cast<int>(
        std::clamp<sqlite3_int64>(done * kRebuildShare / p->PagesInUse, 0, kRebuildShare));
    return Report(*p->Report, percent, p->Error) ? 0 : 1;
}

// Puts the connection back as normal statements expect it, whatever way the compaction ended:
// its own progress handler (the watch of its statements) and temp_store.
class TConnectionScope {
public:
    TConnectionScope(sqlite3* db, std::function<void()> restoreHandler)
        : m_db(db), m_restoreHandler(std::move(restoreHandler)) {}
    ~TConnectionScope() {
        m_restoreHandler();
        sqlite3_exec(m_db, "PRAGMA temp_store = MEMORY;", nullptr, nullptr, nullptr);
    }
    TConnectionScope(const TConnectionScope&) = delete;
    TConnectionScope& operator=(const TConnectionScope&) = delete;

private:
    sqlite3* m_db;
    std::function<void()> m_restoreHandler;
};

std::filesystem::path TempFolder() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::filesystem::path("/tmp") : folder;
}

// The engine may keep files of its own beside a copy while it writes it (a journal); they carry
// no lock, so they go only together with a copy nobody holds any more.
void RemoveWithCompanions(const std::string& path) {
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        ::unlink((path + suffix).c_str());
    ::unlink(path.c_str());
}

// A copy is abandoned when its lock can be taken: a running compaction holds it from the copy's
// first moment (see TCopyFile), and the kernel lets it go with the process however it ends.
void RemoveAbandoned(const std::filesystem::path& folder) {
    const std::size_t copyNameLength = std::char_traits<char>::length(kCopyPrefix) + 6;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    for (const std::filesystem::directory_iterator end; !error && entries != end;
         entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (name.size() != copyNameLength || name.rfind(kCopyPrefix, 0) != 0)
            continue;
        // Without O_NONBLOCK a pipe given that name by someone else would stop the program here.
        const int fd =
            ::open(entries->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held {};
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
            RemoveWithCompanions(entries->path().string());
        ::close(fd);
    }
}

// The rebuilt copy: a new file in the temporary folder, locked (flock) while this process uses
// it and removed on every way out. Copies that no process holds any more (their compaction was
// killed) are removed before a new one is made.
class TCopyFile {
public:
    TCopyFile() {
        const std::filesystem::path folder = TempFolder();
        RemoveAbandoned(folder);
        // Another process clearing abandoned copies can take a new copy for one in the moment
        // between its creation and its lock, and unlink it; a copy whose name no longer leads to
        // it is given up and another one made.
        for (int attempt = 0; attempt < 16; ++attempt) {
            std::string name = (folder / (std::string(kCopyPrefix) + "XXXXXX")).string();
            const int fd = mkstemp(name.data());
            if (fd < 0)
                break;
            flock(fd, LOCK_EX);
            struct stat held {};
            struct stat named {};
            if (fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                m_fd = fd;
                m_path = std::move(name);
                return;
            }
            ::close(fd);
        }
        throw ESQLiteException("Could not create a temporary file to compact the database in " +
                                   folder.string(),
                               SQLITE_CANTOPEN);
    }
    ~TCopyFile() {
        RemoveWithCompanions(m_path);
        ::close(m_fd);
    }
    TCopyFile(const TCopyFile&) = delete;
    TCopyFile& operator=(const TCopyFile&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
};

struct TConnectionCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};

[[noreturn]] void RaiseCompactError(int rc, const char* message) {
    // The extended code stays: it tells a file moved away (SQLITE_READONLY_DBMOVED) from one
    // that is read-only.
    throw ESQLiteException(std::string("Error compacting the database : ") + message, rc);
}

} // namespace

void RemoveAbandonedCompactionCopies() noexcept {
    try {
        RemoveAbandoned(TempFolder());
    } catch (...) {
        // No memory for a name: the copies wait for the next time.
    }
}

void TSQLiteDatabase::Compact(const TSQLiteProgress& progress) {
    // With temp_store MEMORY, which the connection otherwise keeps, the engine would sort and
    // hold temporary data of the rebuild in memory.
    RefuseWhileWatching();
    Execute("PRAGMA temp_store = FILE;");
    TConnectionScope scope(m_db.get(), [this] { InstallWatch(); });
    const TCopyFile copy;

    // 1. The rebuild, into the copy. The file itself is only read.
    TRebuildProgress state;
    if (progress) {
        state.Db = m_db.get();
        state.Report = &progress;
        state.PagesInUse = std::max<sqlite3_int64>(1, QueryInt64("PRAGMA page_count") -
                                                          QueryInt64("PRAGMA freelist_count"));
        state.MissesBefore = CacheMisses(m_db.get());
        sqlite3_progress_handler(m_db.get(), kProgressSteps, OnRebuildProgress, &state);
    }
    try {
        Execute("VACUUM INTO ?", {TSQLiteParam::Text(copy.Path())});
    } catch (const ESQLiteException&) {
        if (state.Error)
            std::rethrow_exception(state.Error);
        throw;
    }
    if (progress)
        sqlite3_progress_handler(m_db.get(), 0, nullptr, nullptr);

    // 2. The copy back, a few pages at a time, in one write transaction of the file.
    sqlite3* rawSource = nullptr;
    const int opened =
        sqlite3_open_v2(copy.Path().c_str(), &rawSource, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, TConnectionCloser> source(rawSource);
    if (opened != SQLITE_OK)
        RaiseCompactError(opened, source ? sqlite3_errmsg(source.get()) : sqlite3_errstr(opened));
    sqlite3_backup* backup = sqlite3_backup_init(m_db.get(), "main", source.get(), "main");
    if (backup == nullptr)
        RaiseCompactError(sqlite3_errcode(m_db.get()), sqlite3_errmsg(m_db.get()));
    std::exception_ptr error;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_backup_step(backup, kPagesPerStep)) == SQLITE_OK) {
        if (!progress)
            continue;
        const int total = std::max(1, sqlite3_backup_pagecount(backup));
        const int done = total - sqlite3_backup_remaining(backup);
        const int percent = static_cast<int>(kRebuildShare + (100 - kRebuildShare) * done / total);
        if (!Report(progress, std::min(percent, 99), error)) {
            rc = SQLITE_INTERRUPT;
            break;
        }
    }
    // Before the copy is whole, finishing rolls the file's transaction back.
    const int finished = sqlite3_backup_finish(backup);
    if (error)
        std::rethrow_exception(error);
    if (rc == SQLITE_INTERRUPT)
        RaiseCompactError(SQLITE_INTERRUPT, sqlite3_errstr(SQLITE_INTERRUPT));
    if (rc != SQLITE_DONE)
        RaiseCompactError(rc, sqlite3_errstr(rc));
    if (finished != SQLITE_OK)
        RaiseCompactError(finished, sqlite3_errmsg(m_db.get()));
    if (progress)
        (void)Report(progress, 100, error);
}

} // namespace movra
