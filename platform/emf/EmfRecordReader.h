#pragma once

#include <QtCore/QPointF>
#include <QtGui/QColor>

#include <cstdint>
#include <cstring>

namespace movra::emf {

// A view of one record. Readers take offsets from the record's start; callers check has()
// before reading, so no field is read outside the record.
class Rec {
public:
    Rec(const char* data, std::uint32_t size) : m_data(data), m_size(size) {}

    [[nodiscard]] const char* data() const { return m_data; }
    [[nodiscard]] std::uint32_t size() const { return m_size; }
    [[nodiscard]] bool has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }

    [[nodiscard]] std::uint32_t u32(std::uint32_t at) const { return load<std::uint32_t>(at); }
    [[nodiscard]] std::int32_t i32(std::uint32_t at) const { return load<std::int32_t>(at); }
    [[nodiscard]] std::uint16_t u16(std::uint32_t at) const { return load<std::uint16_t>(at); }
    [[nodiscard]] std::int16_t i16(std::uint32_t at) const { return load<std::int16_t>(at); }
    [[nodiscard]] std::uint8_t u8(std::uint32_t at) const { return load<std::uint8_t>(at); }
    [[nodiscard]] float f32(std::uint32_t at) const { return load<float>(at); }
    [[nodiscard]] QPointF pointL(std::uint32_t at) const { return QPointF(i32(at), i32(at + 4)); }
    // COLORREF: red, green, blue, reserved.
    [[nodiscard]] QColor colorRef(std::uint32_t at) const {
        return QColor(u8(at), u8(at + 1), u8(at + 2));
    }

private:
    template <typename T> [[nodiscard]] T load(std::uint32_t at) const {
        T v{};
        if (has(at, sizeof(T)))
            std::memcpy(&v, m_data + at, sizeof(T));
        return v;
    }

    const char* m_data;
    std::uint32_t m_size;
};

} // namespace movra::emf
