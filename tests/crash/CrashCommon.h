#pragma once

// What the crash harness and its child share: a seeded random source whose sequence depends on
// nothing but the seed, the line protocol the child reports its commands with, and the small
// encodings those lines use.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movra::crash {

// splitmix64: a well-mixed seed from any number, so neighbouring seeds give unrelated runs.
inline std::uint64_t MixSeed(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// xoshiro256**: the same numbers for the same seed on every build, so a failing run can be
// repeated from its printed seed.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) {
        for (std::uint64_t& s : m_state) {
            seed = MixSeed(seed);
            s = seed;
        }
    }
    std::uint64_t Next() {
        const std::uint64_t result = Rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = Rotl(m_state[3], 45);
        return result;
    }
    // 0 .. n-1 (n > 0).
    std::uint64_t Below(std::uint64_t n) { return Next() % n; }
    int Between(int low, int high) { return low + static_cast<int>(Below(high - low + 1)); }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    bool Chance(double p) { return Unit() < p; }
    template <class T, std::size_t N> const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t m_state[4] = {};
};

// FNV-1a, 64 bits: the child names the photo it stores by this, the parent checks the name
// against its own copy of the photo.
inline std::uint64_t Digest(std::string_view bytes) {
    std::uint64_t h = 0xCBF29CE484222325ULL;
    for (unsigned char c : bytes) {
        h = (h ^ c) * 0x100000001B3ULL;
    }
    return h;
}

// Bytes as one blank-free token: "x" followed by two hex digits per byte ("x" alone is empty).
inline std::string HexToken(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string token = "x";
    token.reserve(1 + 2 * bytes.size());
    for (unsigned char c : bytes) {
        token += digits[c >> 4];
        token += digits[c & 15];
    }
    return token;
}

inline std::optional<std::string> FromHexToken(std::string_view token) {
    if (token.empty() || token[0] != 'x' || token.size() % 2 != 1) {
        return std::nullopt;
    }
    const auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string bytes;
    bytes.reserve(token.size() / 2);
    for (std::size_t i = 1; i + 1 < token.size(); i += 2) {
        const int hi = value(token[i]);
        const int lo = value(token[i + 1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return bytes;
}

inline std::vector<std::string_view> SplitBlanks(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            parts.push_back(line.substr(start, i - start));
    }
    return parts;
}

// The album commands the child runs, as the main window runs them.
enum class TCommand { Add, Save, Delete, Regenerate };
inline constexpr int kCommandKinds = 4;

inline const char* CommandName(TCommand c) {
    switch (c) {
    case TCommand::Add:
        return "add";
    case TCommand::Save:
        return "save";
    case TCommand::Delete:
        return "delete";
    case TCommand::Regenerate:
        return "regenerate";
    }
    return "?";
}

inline std::optional<TCommand> CommandOf(std::string_view name) {
    for (TCommand c : {TCommand::Add, TCommand::Save, TCommand::Delete, TCommand::Regenerate}) {
        if (name == CommandName(c))
            return c;
    }
    return std::nullopt;
}

// The child's lines, one per write, each ending in a line feed:
//   "S"                                   the process is up (before the album is opened)
//   "O <rows>"                            album opened and its list read (a hot journal left by
//                                         the previous child has been rolled back by now)
//   "B <seq> <command> <id> <photo> <digest> <t1> <t2> <t3> <t4> <t5>"
//                                         about to run a command: for add the ID the engine will
//                                         give the record, for save and delete the record's ID,
//                                         0 for regenerate; the photo's number in the pool and
//                                         its digest in hex (-1 and 0 when the command stores
//                                         none); the five texts' stored bytes as hex tokens
//                                         (Imie, Nazwisko, Ksywa, Notes, Adres; "x" when unused)
//   "K <seq> <id>"                        the command returned (for add: the ID it gave)
//   "F <seq> <message>"                   the command threw (seq 0: opening or reading failed)
inline constexpr int kTextFields = 5;

} // namespace movra::crash
