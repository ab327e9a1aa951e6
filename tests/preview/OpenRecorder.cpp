// The fortified headers make open() an inline wrapper, which could not be replaced here.
#undef _FORTIFY_SOURCE

#include "OpenRecorder.h"

#include <dlfcn.h>
#include <fcntl.h>

#include <cstdarg>
#include <mutex>

namespace movra::test {
namespace {

std::mutex g_lock;
bool g_recording = false;
std::vector<TOpenedFile> g_opened;

void Record(const char* path, int flags) {
    const std::lock_guard guard(g_lock);
    if (g_recording && path)
        g_opened.push_back({path, flags});
}

template <class F> F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

mode_t ModeOf(int flags, va_list args) {
    const bool hasMode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
    return hasMode ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

} // namespace

TOpenRecording::TOpenRecording() {
    const std::lock_guard guard(g_lock);
    g_opened.clear();
    g_recording = true;
}

TOpenRecording::~TOpenRecording() {
    const std::lock_guard guard(g_lock);
    g_recording = false;
}

std::vector<TOpenedFile> TOpenRecording::Opened() const {
    const std::lock_guard guard(g_lock);
    return g_opened;
}

} // namespace movra::test

using movra::test::ModeOf;
using movra::test::Next;
using movra::test::Record;

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    Record(path, flags);
    static const auto next = Next<int (*)(const char*, int, ...)>("open");
    return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    Record(path, flags);
    static const auto next = Next<int (*)(const char*, int, ...)>("open64");
    return next(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    Record(path, flags);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    return next(dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    Record(path, flags);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat64");
    return next(dir, path, flags, mode);
}

} // extern "C"
