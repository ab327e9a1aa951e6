#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace movra {

// A value bound to a "?" parameter of a statement. Texts and blobs are bytes, bound as they are
// (no conversion): a text parameter is stored with the text storage class, an empty text stays
// an empty text and never becomes NULL.
class TSQLiteParam {
public:
    enum class TKind { Null, Integer, Float, Text, Blob };

    [[nodiscard]] static TSQLiteParam Null() { return TSQLiteParam(TKind::Null); }
    [[nodiscard]] static TSQLiteParam Integer(std::int64_t value) {
        TSQLiteParam p(TKind::Integer);
        p.m_integer = value;
        return p;
    }
    [[nodiscard]] static TSQLiteParam Float(double value) {
        TSQLiteParam p(TKind::Float);
        p.m_float = value;
        return p;
    }
    [[nodiscard]] static TSQLiteParam Text(std::string bytes) {
        TSQLiteParam p(TKind::Text);
        p.m_bytes = std::move(bytes);
        return p;
    }
    [[nodiscard]] static TSQLiteParam Blob(std::string bytes) {
        TSQLiteParam p(TKind::Blob);
        p.m_bytes = std::move(bytes);
        return p;
    }

    [[nodiscard]] TKind Kind() const { return m_kind; }
    [[nodiscard]] std::int64_t IntegerValue() const { return m_integer; }
    [[nodiscard]] double FloatValue() const { return m_float; }
    [[nodiscard]] const std::string& Bytes() const { return m_bytes; }

private:
    explicit TSQLiteParam(TKind kind) : m_kind(kind) {}

    TKind m_kind;
    std::int64_t m_integer = 0;
    double m_float = 0.0;
    std::string m_bytes;
};

using TSQLiteParams = std::vector<TSQLiteParam>;

} // namespace movra
