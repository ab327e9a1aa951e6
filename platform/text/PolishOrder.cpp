#include "platform/text/PolishOrder.h"

#include "platform/text/Cp1250.h"

#include <QtCore/QChar>

#include <array>
#include <cstdint>
#include <cstring>

namespace movra {
namespace {

// The alphabet, small letters in order. Each letter's primary weight lies above every byte.
constexpr std::u16string_view Alphabet = u"aąbcćdeęfghijklłmnńoóp"
                                         u"qrsśtuvwxyzźż";
constexpr std::uint16_t LetterBase = 0x100;
// A character without a Windows-1250 byte: after every letter.
constexpr std::uint32_t ForeignBase = 0x200;

struct TWeights {
    std::array<std::uint16_t, 256> Primary{};
    std::array<std::uint8_t, 256> Capital{};
    // Each byte's primary weight as its rank among all the weights, from 1: fewer than 256
    // weights exist (the bytes that are no letter, and the alphabet's letters), so a rank is one
    // byte, and 0 is left to end a key's part.
    std::array<std::uint8_t, 256> Rank{};
};

// The primary weight of a small letter, or 0 when it is no letter of the alphabet (nor one with a
// mark over a letter of it).
std::uint16_t LetterWeight(char16_t small) {
    const auto at = Alphabet.find(small);
    if (at != std::u16string_view::npos)
        return static_cast<std::uint16_t>(LetterBase + at);
    // Letters of the code page's other languages go with their base letter: á with a, ř with r.
    const QString parts = QChar(small).decomposition();
    if (!parts.isEmpty()) {
        const auto base = Alphabet.find(parts.at(0).unicode());
        if (base != std::u16string_view::npos)
            return static_cast<std::uint16_t>(LetterBase + base);
    }
    if (small == u'\u0111') // đ has no decomposition
        return static_cast<std::uint16_t>(LetterBase + Alphabet.find(u'd'));
    if (small == u'\u00DF') // ß reads as s
        return static_cast<std::uint16_t>(LetterBase + Alphabet.find(u's'));
    return 0;
}

TWeights MakeWeights() {
    TWeights w;
    std::array<char16_t, 256> units{};
    std::string bytes(256, '\0');
    for (int b = 0; b < 256; ++b)
        bytes[static_cast<std::size_t>(b)] = static_cast<char>(b);
    DecodeCp1250(bytes, units.data());
    for (int b = 0; b < 256; ++b) {
        const QChar c(units[static_cast<std::size_t>(b)]);
        const std::uint16_t letter = c.isLetter() ? LetterWeight(c.toLower().unicode()) : 0;
        w.Primary[static_cast<std::size_t>(b)] = letter ? letter : static_cast<std::uint16_t>(b);
        w.Capital[static_cast<std::size_t>(b)] = letter && c.isUpper() ? 1 : 0;
    }
    std::array<bool, 0x200> used{};
    for (const std::uint16_t p : w.Primary)
        used[p] = true;
    std::array<std::uint8_t, 0x200> rank{};
    int next = 1;
    for (std::size_t p = 0; p < used.size(); ++p)
        if (used[p])
            rank[p] = static_cast<std::uint8_t>(next++);
    for (std::size_t b = 0; b < 256; ++b)
        w.Rank[b] = rank[w.Primary[b]];
    return w;
}

const TWeights g_weights = MakeWeights();

int Sign(long long v) {
    return (v > 0) - (v < 0);
}

// One character's three weights: primary, letter case, and the unit it is told apart by last.
struct TCharWeights {
    std::uint32_t Primary;
    std::uint32_t Capital;
    std::uint32_t Raw;
};

TCharWeights WeightsOf(char16_t unit) {
    const int b = Cp1250ByteOf(unit);
    if (b < 0)
        return {ForeignBase + unit, 0, 0x100u + unit};
    const auto i = static_cast<std::size_t>(b);
    return {g_weights.Primary[i], g_weights.Capital[i], static_cast<std::uint32_t>(b)};
}

} // namespace

int ComparePolishCp1250(std::string_view a, std::string_view b) {
    const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
    const std::size_t n = std::min(a.size(), b.size());
    // Names mostly differ early: the common prefix needs no table, and the first letters that
    // differ usually decide.
    std::size_t i = 0;
    while (i < n && pa[i] == pb[i])
        ++i;
    for (std::size_t k = i; k < n; ++k) {
        const unsigned wa = g_weights.Primary[pa[k]];
        const unsigned wb = g_weights.Primary[pb[k]];
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (std::size_t k = i; k < n; ++k) {
        const unsigned ca = g_weights.Capital[pa[k]];
        const unsigned cb = g_weights.Capital[pb[k]];
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return n == i ? 0 : Sign(std::memcmp(pa + i, pb + i, n - i));
}

void PolishSortKeyCp1250(std::string_view text, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    out.resize(3 * n + 2);
    char* o = out.data();
    for (std::size_t i = 0; i < n; ++i)
        *o++ = static_cast<char>(g_weights.Rank[p[i]]);
    *o++ = 0;
    for (std::size_t i = 0; i < n; ++i)
        *o++ = static_cast<char>(1 + g_weights.Capital[p[i]]);
    *o++ = 0;
    std::memcpy(o, p, n);
}

int ComparePolish(QStringView a, QStringView b) {
    const char16_t* ua = a.utf16();
    const char16_t* ub = b.utf16();
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && ua[i] == ub[i])
        ++i;
    for (qsizetype k = i; k < n; ++k) {
        const std::uint32_t wa = WeightsOf(ua[k]).Primary;
        const std::uint32_t wb = WeightsOf(ub[k]).Primary;
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (qsizetype k = i; k < n; ++k) {
        const std::uint32_t ca = WeightsOf(ua[k]).Capital;
        const std::uint32_t cb = WeightsOf(ub[k]).Capital;
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    for (qsizetype k = i; k < n; ++k) {
        const std::uint32_t ra = WeightsOf(ua[k]).Raw;
        const std::uint32_t rb = WeightsOf(ub[k]).Raw;
        if (ra != rb)
            return ra < rb ? -1 : 1;
    }
    return 0;
}

char16_t FoldCase(char16_t unit) {
    if (unit < 0x80)
        return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
    return QChar(unit).toUpper().unicode();
}

} // namespace movra
