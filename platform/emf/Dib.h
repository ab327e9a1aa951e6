#pragma once

#include <QtCore/QByteArray>
#include <QtGui/QImage>

#include <cstdint>

namespace movra::emf {

// A device-independent bitmap as enhanced metafiles carry it: the BITMAPINFO (header and colour
// table) and the pixel bits, separately, because the records place them at their own offsets.
struct Dib {
    QByteArray info; // BITMAPINFOHEADER (+ colour table)
    QByteArray bits;
};

// A 24-bit bottom-up BI_RGB bitmap of img: the form every reader accepts. Transparent pixels are
// laid over white (paper).
[[nodiscard]] Dib MakeDib24(const QImage& img);

enum class DibStatus {
    Ok,          // decoded (or, when only checking, decodable)
    Unsupported, // sound, but a kind we do not draw (RLE, palette indices, ...): skip it
    Bad,         // offsets, sizes or dimensions that do not fit the record
};

// Decodes the bitmap that a record of recordSize bytes at record carries at the given offsets
// (measured from the record's start). With decode false only the checks run. Every offset and
// size is checked against the record; pixel counts are capped.
[[nodiscard]] DibStatus DecodeDib(const char* record, std::uint32_t recordSize,
                                  std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                                  std::uint32_t cbBits, std::uint32_t usage, bool decode,
                                  QImage* out, bool* bottomUp = nullptr);

// Largest bitmap (in pixels) the player decodes.
inline constexpr std::int64_t kMaxDibPixels = 64ll * 1024 * 1024;

} // namespace movra::emf
