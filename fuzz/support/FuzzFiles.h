#pragma once

// What the file-reading fuzz targets share: one scratch file per process in memory-backed
// storage (/dev/shm when it can be written, else /tmp), rewritten for every input and removed
// when the process ends, and a failure that libFuzzer records as a crash.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace movra::fuzz {

[[noreturn]] inline void Fail(const char* target, const char* what) {
    std::fprintf(stderr, "%s: %s\n", target, what);
    std::abort();
}

// A path <dir>/movra-fuzz-<pid>-<name>; the files named here are removed at exit (with any
// companions given, such as a database's journal).
class TScratchFile {
public:
    explicit TScratchFile(const std::string& name, std::vector<std::string> companionSuffixes = {})
        : m_suffixes(std::move(companionSuffixes)) {
        const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        m_path = std::string(dir) + "/movra-fuzz-" + std::to_string(::getpid()) + "-" + name;
    }
    ~TScratchFile() { RemoveAll(); }
    TScratchFile(const TScratchFile&) = delete;
    TScratchFile& operator=(const TScratchFile&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }

    void Write(const std::uint8_t* data, std::size_t size) const {
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            Fail("fuzz", "cannot write the scratch file");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            if (n <= 0)
                Fail("fuzz", "cannot write the scratch file");
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }

    // Removes the companions (left by the code under test) but keeps the file itself.
    void RemoveCompanions() const {
        for (const std::string& s : m_suffixes)
            ::unlink((m_path + s).c_str());
    }

    void RemoveAll() const {
        RemoveCompanions();
        ::unlink(m_path.c_str());
    }

private:
    std::string m_path;
    std::vector<std::string> m_suffixes;
};

} // namespace movra::fuzz
