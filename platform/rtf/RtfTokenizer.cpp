#include "platform/rtf/RtfTokenizer.h"

#include <algorithm>

namespace movra::rtf {

namespace {

bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int hexValue(unsigned char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Token Tokenizer::Next() {
    Token t;
    if (atEnd())
        return t;
    const unsigned char c = peek();
    if (c == '{') {
        ++m_pos;
        t.Kind = TokenKind::GroupOpen;
        return t;
    }
    if (c == '}') {
        ++m_pos;
        t.Kind = TokenKind::GroupClose;
        return t;
    }
    if (c != '\\') {
        ++m_pos;
        t.Kind = TokenKind::Text;
        t.Byte = c;
        return t;
    }
    ++m_pos; // the backslash
    if (atEnd()) {
        // A lone backslash at the very end: nothing to read, and nothing lost.
        return t;
    }
    const unsigned char n = peek();
    if (isLetter(n))
        return controlWord();
    ++m_pos;
    if (n == '\'') {
        if (m_pos + 2 <= m_data.size()) {
            const int hi = hexValue(peek());
            const int lo = hexValue(peek(1));
            if (hi >= 0 && lo >= 0) {
                m_pos += 2;
                t.Kind = TokenKind::HexByte;
                t.Byte = static_cast<unsigned char>(hi * 16 + lo);
                return t;
            }
        }
        // A damaged \' (no two hex digits follow): dropped, the characters after it stay text.
        t.Kind = TokenKind::Symbol;
        t.Symbol = 0;
        return t;
    }
    t.Kind = TokenKind::Symbol;
    t.Symbol = static_cast<char>(n);
    return t;
}

Token Tokenizer::controlWord() {
    Token t;
    t.Kind = TokenKind::Word;
    const size_t start = m_pos;
    while (!atEnd() && isLetter(peek()))
        ++m_pos;
    t.Word = m_data.substr(start, m_pos - start);

    bool negative = false;
    if (!atEnd() && peek() == '-' && m_pos + 1 < m_data.size() && isDigit(peek(1))) {
        negative = true;
        ++m_pos;
    }
    if (!atEnd() && isDigit(peek())) {
        t.HasParam = true;
        long long value = 0;
        while (!atEnd() && isDigit(peek())) {
            value = std::min<long long>(value * 10 + (peek() - '0'), MaxParam);
            ++m_pos;
        }
        t.Param = static_cast<int>(negative ? -value : value);
    }
    if (!atEnd() && peek() == ' ')
        ++m_pos; // the delimiter belongs to the control word

    if (t.Word == "bin" && t.HasParam) {
        // The next Param bytes are data, whatever they look like (braces included).
        const size_t len =
            std::min<size_t>(static_cast<size_t>(std::max(t.Param, 0)), m_data.size() - m_pos);
        t.Kind = TokenKind::Binary;
        t.Word = m_data.substr(m_pos, len);
        m_pos += len;
    }
    return t;
}

} // namespace movra::rtf
