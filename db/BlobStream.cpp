#include "db/BlobStream.h"

#include <algorithm>
#include <cstring>

namespace movra {

std::size_t TBlobStream::Read(void* buffer, std::size_t size) {
    const std::size_t count = std::min(size, m_bytes.size() - m_position);
    if (count > 0) {
        std::memcpy(buffer, m_bytes.data() + m_position, count);
    }
    m_position += count;
    return count;
}

void TBlobStream::Write(const void* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    const std::size_t end = m_position + size;
    if (end > m_bytes.size()) {
        m_bytes.resize(end);
    }
    std::memcpy(m_bytes.data() + m_position, data, size);
    m_position = end;
}

} // namespace movra
