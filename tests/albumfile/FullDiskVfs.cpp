#include "FullDiskVfs.h"

#include <sys/stat.h>

#include <algorithm>

namespace movra::test {

namespace {

std::int64_t g_allowance = -1;
std::int64_t g_grown = 0;
std::int64_t g_peak = 0;

struct TFile {
    sqlite3_file Base;
    sqlite3_file* Real; // placed right after this struct, in the space the engine allocates
    bool DeleteOnClose;
};

sqlite3_file* Real(sqlite3_file* f) {
    return reinterpret_cast<TFile*>(f)->Real;
}

// Space a file gives back is free again, as on a real disk.
void GiveBack(sqlite3_file* real, sqlite3_int64 newSize) {
    sqlite3_int64 size = 0;
    if (real->pMethods->xFileSize(real, &size) == SQLITE_OK && size > newSize)
        g_grown -= size - newSize;
}

int Close(sqlite3_file* f) {
    if (reinterpret_cast<TFile*>(f)->DeleteOnClose)
        GiveBack(Real(f), 0);
    return Real(f)->pMethods->xClose(Real(f));
}
int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}
int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    sqlite3_int64 size = 0;
    const int rc = Real(f)->pMethods->xFileSize(Real(f), &size);
    if (rc != SQLITE_OK)
        return rc;
    const std::int64_t growth = std::max<std::int64_t>(0, offset + amount - size);
    if (g_allowance >= 0 && growth > g_allowance - g_grown)
        return SQLITE_FULL;
    g_grown += growth;
    g_peak = std::max(g_peak, g_grown);
    return Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    GiveBack(Real(f), size);
    return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
    return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
    return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xUnlock(Real(f), level);
}
int CheckReservedLock(sqlite3_file* f, int* out) {
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
    return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) {
    return Real(f)->pMethods->xSectorSize(Real(f));
}
int DeviceCharacteristics(sqlite3_file* f) {
    return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}

// Version 1: no shared memory (the album uses a rollback journal) and no memory mapping.
const sqlite3_io_methods kMethods = {1,
                                     Close,
                                     Read,
                                     Write,
                                     Truncate,
                                     Sync,
                                     FileSize,
                                     Lock,
                                     Unlock,
                                     CheckReservedLock,
                                     FileControl,
                                     SectorSize,
                                     DeviceCharacteristics,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr};

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* real = static_cast<sqlite3_vfs*>(vfs->pAppData);
    auto* f = reinterpret_cast<TFile*>(file);
    f->Base.pMethods = nullptr;
    f->Real = reinterpret_cast<sqlite3_file*>(f + 1);
    f->DeleteOnClose = (flags & SQLITE_OPEN_DELETEONCLOSE) != 0;
    const int rc = real->xOpen(real, name, f->Real, flags, outFlags);
    if (f->Real->pMethods != nullptr)
        f->Base.pMethods = &kMethods;
    return rc;
}

int Delete(sqlite3_vfs* vfs, const char* name, int syncDir) {
    auto* real = static_cast<sqlite3_vfs*>(vfs->pAppData);
    struct stat info {};
    if (::stat(name, &info) == 0)
        g_grown -= info.st_size;
    return real->xDelete(real, name, syncDir);
}

} // namespace

TFullDiskVfs::TFullDiskVfs() {
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    m_vfs = *real;
    m_vfs.iVersion = std::min(real->iVersion, 2);
    m_vfs.zName = "movra-test-full-disk";
    m_vfs.szOsFile = static_cast<int>(sizeof(TFile)) + real->szOsFile;
    m_vfs.pAppData = real;
    m_vfs.xOpen = Open;
    m_vfs.xDelete = Delete;
    m_vfs.pNext = nullptr;
    sqlite3_vfs_register(&m_vfs, 1);
    SetAllowance(-1);
}

TFullDiskVfs::~TFullDiskVfs() {
    sqlite3_vfs_unregister(&m_vfs);
    g_allowance = -1;
}

void TFullDiskVfs::SetAllowance(std::int64_t bytes) {
    g_allowance = bytes;
    g_grown = 0;
    g_peak = 0;
}

std::int64_t TFullDiskVfs::Grown() const {
    return g_grown;
}

std::int64_t TFullDiskVfs::Peak() const {
    return g_peak;
}

} // namespace movra::test
