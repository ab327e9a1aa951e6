#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringDecoder>

#include <map>

namespace movra::rtf {

// Code pages the reader turns 8-bit text into Unicode with. Anything outside this list (a
// damaged or exotic \ansicpg or \cpg) falls back to Windows-1252, so that a file can never make
// the reader build converters without bound.
[[nodiscard]] bool IsSupportedCodePage(int codePage);

// The code page of a font's \fcharset value; documentCodePage for DEFAULT_CHARSET (1) and for
// values that name no code page.
[[nodiscard]] int CodePageOfCharset(int charset, int documentCodePage);

// The code page that stands for the Symbol font's private characters (not a Windows number).
inline constexpr int SymbolCodePage = 42;

// Turns runs of bytes of one code page into text. Keeps one converter per code page used, so
// that a document switching fonts does not rebuild them.
class CodePageDecoder {
public:
    // The whole run is decoded on its own: a lead byte left at its end reads as a replacement
    // character rather than joining bytes of a later run.
    [[nodiscard]] QString Decode(const QByteArray& bytes, int codePage);

private:
    QStringDecoder* decoderFor(int codePage);
    std::map<int, QStringDecoder> m_decoders;
};

} // namespace movra::rtf
