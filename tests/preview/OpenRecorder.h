#pragma once

#include <string>
#include <vector>

namespace movra::test {

// Every file this process opens by name through the C library (open, open64, openat, openat64),
// with its flags, while a TOpenRecording lives. Stands in for the library's functions in the
// test program, so calls from Qt are seen too.
struct TOpenedFile {
    std::string Path;
    int Flags = 0;
};

class TOpenRecording {
public:
    TOpenRecording();
    ~TOpenRecording();
    TOpenRecording(const TOpenRecording&) = delete;
    TOpenRecording& operator=(const TOpenRecording&) = delete;

    [[nodiscard]] std::vector<TOpenedFile> Opened() const;
};

} // namespace movra::test
