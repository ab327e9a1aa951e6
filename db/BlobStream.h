#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace movra {

// An in-memory byte stream with a read/write position, the form in which blobs travel to and
// from the database. Result tables own theirs; a reader leaves the position where it stopped,
// so callers that read a stream rewind it first.
class TBlobStream {
public:
    TBlobStream() = default;
    explicit TBlobStream(std::string bytes) : m_bytes(std::move(bytes)) {}
    TBlobStream(const void* data, std::size_t size)
        : m_bytes(static_cast<const char*>(data), size) {}

    [[nodiscard]] std::size_t Size() const { return m_bytes.size(); }
    [[nodiscard]] std::size_t Position() const { return m_position; }
    // Positions past the end are clamped to the end.
    void Seek(std::size_t position) { m_position = position < Size() ? position : Size(); }
    void Rewind() { m_position = 0; }

    // Copies up to size bytes from the position into buffer and advances; returns the count.
    std::size_t Read(void* buffer, std::size_t size);
    // Writes at the position, overwriting and extending as needed, and advances.
    void Write(const void* data, std::size_t size);
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }

    // All bytes, independent of the position.
    [[nodiscard]] const std::string& Bytes() const { return m_bytes; }
    [[nodiscard]] std::string_view View() const { return m_bytes; }

private:
    std::string m_bytes;
    std::size_t m_position = 0;
};

} // namespace movra
