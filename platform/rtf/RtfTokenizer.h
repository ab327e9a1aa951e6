#pragma once

#include <QtCore/QByteArray>

#include <cstdint>
#include <string_view>

namespace movra::rtf {

enum class TokenKind {
    GroupOpen,  // {
    GroupClose, // }
    Word,       // \word or \wordN
    Symbol,     // \ followed by one non-letter (\~ \- \_ \{ \} \\ \* ...; a line break too)
    HexByte,    // \'hh
    Text,       // one byte of plain text
    Binary,     // the data of \binN
    End,
};

struct Token {
    TokenKind Kind = TokenKind::End;
    std::string_view Word; // Word: the letters; Binary: the data
    bool HasParam = false;
    int Param = 0;          // bounded to +-MaxParam
    char Symbol = 0;        // Symbol: the character after the backslash
    unsigned char Byte = 0; // HexByte, Text
};

// Control word parameters are 16-bit in the format but some writers use 32-bit values (colour
// numbers, sizes); anything larger is a damaged file, so it is held at this bound rather than
// overflowing.
inline constexpr int MaxParam = 2'000'000'000;

// Splits RTF bytes into tokens. Every call consumes at least one byte until End, so a loop over
// Next() ends after at most size() + 1 calls whatever the input holds.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view data) : m_data(data) {}

    [[nodiscard]] Token Next();
    [[nodiscard]] size_t Position() const { return m_pos; }

private:
    [[nodiscard]] bool atEnd() const { return m_pos >= m_data.size(); }
    [[nodiscard]] unsigned char peek(size_t ahead = 0) const {
        return static_cast<unsigned char>(m_data[m_pos + ahead]);
    }
    Token controlWord();

    std::string_view m_data;
    size_t m_pos = 0;
};

} // namespace movra::rtf
