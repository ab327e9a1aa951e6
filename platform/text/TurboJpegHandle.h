#pragma once

// Ownership of TurboJPEG's C handles and buffers. Internal to the JPEG code of this folder.

#include <turbojpeg.h>

#include <memory>

namespace movra::tj {

struct HandleDeleter {
    void operator()(void* handle) const noexcept { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleDeleter>;

struct BufferDeleter {
    void operator()(unsigned char* buffer) const noexcept { tjFree(buffer); }
};
using Buffer = std::unique_ptr<unsigned char, BufferDeleter>;

} // namespace movra::tj
