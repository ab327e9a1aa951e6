#pragma once

#include <QtCore/QString>
#include <QtCore/QStringView>

#include <optional>
#include <string>
#include <string_view>

namespace movra {

// The album's texts are Windows-1250 bytes. These convert both ways, exactly, for every
// character of the code page.
[[nodiscard]] QString FromCp1250(std::string_view bytes);

// The Windows-1250 bytes of text, or nothing when text holds a character the code page cannot
// hold (never a silent question mark). firstBad, when given, receives the position of the first
// such character.
[[nodiscard]] std::optional<std::string> ToCp1250(const QString& text, int* firstBad = nullptr);

// As ToCp1250, but throws EMovraError naming the first character that cannot be stored.
[[nodiscard]] std::string ToCp1250OrThrow(const QString& text);

// The Polish message for a text whose character at position (a UTF-16 index, as firstBad gives
// it) has no Windows-1250 byte; it names the character and its code point. ToCp1250OrThrow
// throws exactly this text, so a caller that checks first can show the same words.
[[nodiscard]] QString Cp1250ErrorMessage(const QString& text, int position);

// Whether every character of text has a Windows-1250 byte.
[[nodiscard]] bool IsCp1250(const QString& text);
[[nodiscard]] bool IsCp1250(QStringView text);

// Raw conversions for stores that keep many texts as bytes: `out` has room for one unit (byte
// or UTF-16 code unit) per input unit. EncodeCp1250 answers false, part written, at the first
// character the code page cannot hold.
void DecodeCp1250(std::string_view bytes, char16_t* out);
[[nodiscard]] bool EncodeCp1250(QStringView text, char* out);

// The Windows-1250 byte of one UTF-16 code unit, or -1 when the code page has none.
[[nodiscard]] int Cp1250ByteOf(char16_t unit);

} // namespace movra
