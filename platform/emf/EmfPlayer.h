#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QRect>
#include <QtCore/QRectF>
#include <QtCore/QSize>
#include <QtCore/QString>

#include <cstddef>
#include <cstdint>

class QPainter;

namespace movra::emf {

// What the header record of an enhanced metafile says.
struct HeaderInfo {
    QRect bounds;       // device pixels of the reference device, inclusive
    QRect frame;        // 0.01 mm
    QSize devicePixels; // reference device size
    QSize deviceMillimeters;
    QSize deviceMicrometers; // (0, 0) when the header is of the short kind
    std::uint32_t headerSize = 0;
    std::uint32_t nBytes = 0;
    std::uint32_t nRecords = 0;
    std::uint16_t nHandles = 0;
    int width = 0; // picture size in reference device pixels (from the frame)
    int height = 0;
};

// The largest picture we accept; a header claiming more is damaged rather than a page.
inline constexpr std::uint32_t kMaxMetafileBytes = 512u * 1024 * 1024;
// Smallest sound header record.
inline constexpr std::uint32_t kMinHeaderSize = 88;

// Reads and checks the header record at data (size bytes available). Returns false with a
// message on failure. nBytes may exceed size (the caller decides whether the rest must follow).
[[nodiscard]] bool ReadHeader(const char* data, std::size_t size, HeaderInfo& out, QString* error);

struct PlayOutcome {
    bool complete = false; // every record up to EOF was sound
    int badRecord = -1;    // index of the first unsound record
    QString error;         // why drawing stopped
};

// Plays the EMF in bytes (a whole picture, header first) onto painter stretched to target (in
// the painter's device coordinates). With painter null nothing is drawn: every record is still
// checked as playing would check it, which is how a picture is validated. Drawing stops at the
// first unsound record; unknown records are skipped.
PlayOutcome Play(const QByteArray& bytes, QPainter* painter, const QRectF& target);

} // namespace movra::emf
