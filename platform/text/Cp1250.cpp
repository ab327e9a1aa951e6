#include "platform/text/Cp1250.h"

#include "platform/core/ErrorBox.h"

#include <array>
#include <cstdint>

namespace movra {
namespace {

// The upper half of Windows-1250. The five bytes the code page leaves undefined (0x81, 0x83,
// 0x88, 0x90, 0x98) read as the C1 control with the same number, so that whatever an old file
// holds there comes back byte for byte when the record is saved again.
constexpr std::array<char16_t, 128> HighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 0x98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // 0xA0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // 0xA8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // 0xF8
};

constexpr std::array<char16_t, 256> MakeDecodeTable() {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 128; ++b)
        table[b] = static_cast<char16_t>(b);
    for (int b = 0; b < 128; ++b)
        table[128 + b] = HighHalf[b];
    return table;
}

constexpr auto DecodeTable = MakeDecodeTable();

// Every character of the code page lies below U+2123 (the trade mark sign is the highest), so
// one flat table answers the reverse question with a single load. A zero entry means "no byte",
// except for U+0000 itself.
constexpr std::size_t EncodeLimit = 0x2123;

constexpr std::array<std::uint8_t, EncodeLimit> MakeEncodeTable() {
    std::array<std::uint8_t, EncodeLimit> table{};
    for (int b = 0; b < 256; ++b)
        table[DecodeTable[b]] = static_cast<std::uint8_t>(b);
    return table;
}

constexpr auto EncodeTable = MakeEncodeTable();

// The byte of one UTF-16 code unit, or -1 when the code page has none (surrogates included).
inline int ByteOf(char16_t unit) {
    if (unit >= EncodeLimit)
        return -1;
    const std::uint8_t b = EncodeTable[unit];
    if (b == 0 && unit != 0)
        return -1;
    return b;
}

// Position of the first character without a byte, or -1.
qsizetype FirstUnencodable(QStringView text) {
    const char16_t* units = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (ByteOf(units[i]) < 0)
            return i;
    }
    return -1;
}

} // namespace

int Cp1250ByteOf(char16_t unit) {
    return ByteOf(unit);
}

void DecodeCp1250(std::string_view bytes, char16_t* out) {
    for (const char c : bytes)
        *out++ = DecodeTable[static_cast<unsigned char>(c)];
}

bool EncodeCp1250(QStringView text, char* out) {
    for (const QChar unit : text) {
        const int b = ByteOf(unit.unicode());
        if (b < 0)
            return false;
        *out++ = static_cast<char>(b);
    }
    return true;
}

QString FromCp1250(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    DecodeCp1250(bytes, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

std::optional<std::string> ToCp1250(const QString& text, int* firstBad) {
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    std::string bytes(static_cast<std::size_t>(n), '\0');
    for (qsizetype i = 0; i < n; ++i) {
        const int b = ByteOf(units[i]);
        if (b < 0) {
            if (firstBad)
                *firstBad = static_cast<int>(i);
            return std::nullopt;
        }
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(b);
    }
    if (firstBad)
        *firstBad = -1;
    return bytes;
}

QString Cp1250ErrorMessage(const QString& text, int position) {
    if (position < 0 || position >= text.size())
        return QStringLiteral("Tekstu nie da się zapisać w stronie kodowej Windows-1250.");
    // A character outside the Basic Multilingual Plane (an emoji) is a surrogate pair: name it
    // whole, not by its halves.
    char32_t code = text.at(position).unicode();
    QString shown = text.mid(position, 1);
    if (text.at(position).isHighSurrogate() && position + 1 < text.size() &&
        text.at(position + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text.at(position), text.at(position + 1));
        shown = text.mid(position, 2);
    } else if (text.at(position).isSurrogate()) {
        shown.clear(); // half a pair cannot be shown
    }
    const QString codeText = QStringLiteral("U+%1")
                                 .arg(static_cast<qulonglong>(code), 4, 16, QLatin1Char('0'))
                                 .toUpper();
    const QString character =
        shown.isEmpty() ? codeText : QStringLiteral("„%1” (%2)").arg(shown, codeText);
    return QStringLiteral("Znaku %1 na pozycji %2 nie można zapisać w pliku albumu: pliki albumu "
                          "przechowują tekst w stronie kodowej Windows-1250, która go nie "
                          "zawiera. Usuń ten znak albo zastąp go innym.")
        .arg(character)
        .arg(position + 1);
}

std::string ToCp1250OrThrow(const QString& text) {
    int bad = -1;
    std::optional<std::string> bytes = ToCp1250(text, &bad);
    if (!bytes)
        throw EMovraError(Cp1250ErrorMessage(text, bad));
    return std::move(*bytes);
}

bool IsCp1250(const QString& text) {
    return FirstUnencodable(text) < 0;
}

bool IsCp1250(QStringView text) {
    return FirstUnencodable(text) < 0;
}

} // namespace movra
