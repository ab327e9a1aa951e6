#include "fuzz/album/MemoryVfs.h"

#include <sqlite3.h>

#include <cstring>
#include <map>
#include <memory>

namespace movra::fuzz {
namespace {

// Files by name; unnamed temporary files own their bytes themselves.
std::map<std::string, std::shared_ptr<std::string>>& files() {
    static std::map<std::string, std::shared_ptr<std::string>> all;
    return all;
}

// No file may grow beyond this; an input that would make one (a huge VACUUM) fails with
// SQLITE_FULL, as a full disk would.
constexpr sqlite3_int64 MaxFileBytes = 64LL * 1024 * 1024;

struct TMemFile {
    sqlite3_file Base;
    std::shared_ptr<std::string>* Data; // owned: new'd in xOpen, deleted in xClose
};

std::string& bytesOf(sqlite3_file* f) {
    return **reinterpret_cast<TMemFile*>(f)->Data;
}

int memClose(sqlite3_file* f) {
    delete reinterpret_cast<TMemFile*>(f)->Data;
    return SQLITE_OK;
}

int memRead(sqlite3_file* f, void* out, int amount, sqlite3_int64 offset) {
    const std::string& d = bytesOf(f);
    if (offset < 0)
        return SQLITE_IOERR_READ;
    const auto at = static_cast<std::size_t>(offset);
    const std::size_t want = static_cast<std::size_t>(amount);
    const std::size_t have = at < d.size() ? std::min(want, d.size() - at) : 0;
    if (have > 0)
        std::memcpy(out, d.data() + at, have);
    if (have < want) {
        std::memset(static_cast<char*>(out) + have, 0, want - have);
        return SQLITE_IOERR_SHORT_READ;
    }
    return SQLITE_OK;
}

int memWrite(sqlite3_file* f, const void* in, int amount, sqlite3_int64 offset) {
    std::string& d = bytesOf(f);
    if (offset < 0 || offset + amount > MaxFileBytes)
        return SQLITE_FULL;
    const auto at = static_cast<std::size_t>(offset);
    if (d.size() < at + static_cast<std::size_t>(amount))
        d.resize(at + static_cast<std::size_t>(amount));
    std::memcpy(d.data() + at, in, static_cast<std::size_t>(amount));
    return SQLITE_OK;
}

int memTruncate(sqlite3_file* f, sqlite3_int64 size) {
    std::string& d = bytesOf(f);
    if (size < 0 || size > MaxFileBytes)
        return SQLITE_IOERR_TRUNCATE;
    if (static_cast<std::size_t>(size) < d.size())
        d.resize(static_cast<std::size_t>(size));
    return SQLITE_OK;
}

int memSync(sqlite3_file*, int) {
    return SQLITE_OK;
}

int memFileSize(sqlite3_file* f, sqlite3_int64* size) {
    *size = static_cast<sqlite3_int64>(bytesOf(f).size());
    return SQLITE_OK;
}

int memLock(sqlite3_file*, int) {
    return SQLITE_OK;
}

int memCheckReservedLock(sqlite3_file*, int* out) {
    *out = 0;
    return SQLITE_OK;
}

int memFileControl(sqlite3_file*, int, void*) {
    return SQLITE_NOTFOUND;
}

int memSectorSize(sqlite3_file*) {
    return 512;
}

int memDeviceCharacteristics(sqlite3_file*) {
    return 0;
}

const sqlite3_io_methods kMethods = {
    1,
    memClose,
    memRead,
    memWrite,
    memTruncate,
    memSync,
    memFileSize,
    memLock,
    memLock,
    memCheckReservedLock,
    memFileControl,
    memSectorSize,
    memDeviceCharacteristics,
};

int memOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<TMemFile*>(f);
    file->Base.pMethods = nullptr;
    std::shared_ptr<std::string> data;
    if (name == nullptr || (flags & SQLITE_OPEN_DELETEONCLOSE) != 0) {
        data = std::make_shared<std::string>();
    } else {
        auto it = files().find(name);
        if (it == files().end()) {
            if ((flags & SQLITE_OPEN_CREATE) == 0)
                return SQLITE_CANTOPEN;
            it = files().emplace(name, std::make_shared<std::string>()).first;
        }
        data = it->second;
    }
    file->Data = new std::shared_ptr<std::string>(std::move(data));
    file->Base.pMethods = &kMethods;
    if (outFlags != nullptr)
        *outFlags = flags;
    return SQLITE_OK;
}

int memDelete(sqlite3_vfs*, const char* name, int) {
    files().erase(name);
    return SQLITE_OK;
}

// As on disk, an empty file counts as missing (an empty journal is no hot journal).
int memAccess(sqlite3_vfs*, const char* name, int, int* out) {
    const auto it = files().find(name);
    *out = it != files().end() && !it->second->empty();
    return SQLITE_OK;
}

int memFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    sqlite3_snprintf(size, out, "%s", name);
    return SQLITE_OK;
}

sqlite3_vfs* realVfs() {
    static sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    return real;
}

int memRandomness(sqlite3_vfs*, int size, char* out) {
    // Deterministic, so that an input always runs the same way.
    std::memset(out, 0x5A, static_cast<std::size_t>(size));
    return size;
}

int memSleep(sqlite3_vfs*, int) {
    return 0;
}

int memCurrentTime(sqlite3_vfs* vfs, double* now) {
    return realVfs()->xCurrentTime(vfs, now);
}

int memGetLastError(sqlite3_vfs*, int, char*) {
    return 0;
}

int memCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now) {
    return realVfs()->xCurrentTimeInt64(vfs, now);
}

} // namespace

void InstallMemoryVfs() {
    static sqlite3_vfs vfs = [] {
        sqlite3_vfs v{};
        v.iVersion = 2;
        v.szOsFile = sizeof(TMemFile);
        v.mxPathname = 512;
        v.zName = "movra-fuzz-memory";
        v.xOpen = memOpen;
        v.xDelete = memDelete;
        v.xAccess = memAccess;
        v.xFullPathname = memFullPathname;
        v.xRandomness = memRandomness;
        v.xSleep = memSleep;
        v.xCurrentTime = memCurrentTime;
        v.xGetLastError = memGetLastError;
        v.xCurrentTimeInt64 = memCurrentTimeInt64;
        return v;
    }();
    static const bool installed = [] {
        // Without the per-connection lookaside buffers every allocation is the sanitizer's to
        // check, and opening a connection for each input costs far less.
        sqlite3_shutdown();
        sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);
        sqlite3_initialize();
        (void)realVfs();
        return sqlite3_vfs_register(&vfs, 1) == SQLITE_OK;
    }();
    (void)installed;
}

void ResetMemoryFiles(const std::string& path, const std::string& bytes) {
    files().clear();
    files().emplace(path, std::make_shared<std::string>(bytes));
}

} // namespace movra::fuzz
