#pragma once

// A disk that fills up: an SQLite file system, installed as the default for its lifetime, that
// passes everything to the real one but refuses, with SQLITE_FULL, any write that would grow a
// file once the allowance of new bytes is spent. Writes over bytes a file already has succeed,
// and space a file gives back (truncated, deleted) is free again, as on a real full disk.

#include <sqlite3.h>

#include <cstdint>

namespace movra::test {

class TFullDiskVfs {
public:
    TFullDiskVfs();
    ~TFullDiskVfs();
    TFullDiskVfs(const TFullDiskVfs&) = delete;
    TFullDiskVfs& operator=(const TFullDiskVfs&) = delete;

    // Bytes files may still grow by; negative: no limit.
    void SetAllowance(std::int64_t bytes);
    // Bytes files grew by since the last SetAllowance, less what they gave back.
    [[nodiscard]] std::int64_t Grown() const;
    // The most Grown() reached.
    [[nodiscard]] std::int64_t Peak() const;

private:
    sqlite3_vfs m_vfs{};
};

} // namespace movra::test
