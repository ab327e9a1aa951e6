#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QRect>
#include <QtCore/QRectF>
#include <QtCore/QSize>
#include <QtCore/QString>

#include <QtGui/QImage>

#include <cstddef>
#include <cstdint>
#include <unordered_map>

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

// Bitmaps of one picture already decoded, by the offset of their record: a page shown again
// (repaints, zoom steps) decodes its photos once. Valid only for the bytes it was filled from;
// the owner of the bytes drops it when they change.
class ImageCache {
public:
    [[nodiscard]] const QImage* find(std::uint32_t recordOffset) const;
    // Keeps img unless the cache would then hold more than kMaxPixels.
    void insert(std::uint32_t recordOffset, const QImage& img);
    [[nodiscard]] std::size_t size() const { return m_images.size(); }

    static constexpr std::int64_t kMaxPixels = 24ll * 1024 * 1024;

private:
    std::unordered_map<std::uint32_t, QImage> m_images;
    std::int64_t m_pixels = 0;
};

// How a picture is played beyond its bytes.
struct PlayOptions {
    // The bytes passed Play's checks before (TMetafile::SetBytes) and have not changed since:
    // the structural checks of every record are not repeated. The bounds checks that keep
    // reading inside each record stay, whatever this says.
    bool checked = false;
    ImageCache* images = nullptr; // decoded bitmaps to reuse and to fill, or none
};

// Plays the EMF in bytes (a whole picture, header first) onto painter stretched to target (in
// the painter's device coordinates). With painter null nothing is drawn: every record is still
// checked as playing would check it, which is how a picture is validated. Drawing stops at the
// first unsound record; unknown records are skipped.
PlayOutcome Play(const QByteArray& bytes, QPainter* painter, const QRectF& target,
                 const PlayOptions& options = {});

} // namespace movra::emf
