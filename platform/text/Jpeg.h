#pragma once

#include <QtCore/QByteArray>
#include <QtGui/QImage>

#include <stdexcept>

namespace movra {

// A picture that cannot be read or written as JPEG; the message is Polish and fit for the error
// box.
class EJpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TJpegHeader {
    int Width = 0;
    int Height = 0;
};

// Pictures larger than this are refused before any allocation.
constexpr long long MaxJpegPixels = 120'000'000LL;

// Reads the size from the header, as the picture is shown: width and height swapped when the
// EXIF orientation tag turns it on its side. Throws EJpegError for data that is not a readable JPEG
// or that exceeds MaxJpegPixels.
[[nodiscard]] TJpegHeader ReadJpegHeader(const QByteArray& jpeg);
// Decodes at full size, turned upright as the EXIF orientation tag asks, into QImage::Format_RGB32,
// the format Qt's pixmaps and smooth scaling work in, so showing or scaling a photo converts
// nothing. Throws EJpegError; never ends the process.
[[nodiscard]] QImage DecodeJpeg(const QByteArray& jpeg);
// As DecodeJpeg, with a lower limit than MaxJpegPixels (for callers that want small pictures
// only, such as fuzzing).
[[nodiscard]] QImage DecodeJpeg(const QByteArray& jpeg, long long maxPixels);
// As DecodeJpeg, at the smallest of the decoder's own reductions (1/2, 1/4, 1/8) whose upright
// picture still covers atLeast on both sides (the whole picture when none does): a photo drawn
// at a known resolution never needs a camera's whole picture in memory.
[[nodiscard]] QImage DecodeJpegAtLeast(const QByteArray& jpeg, QSize atLeast);
// Encodes at the given quality (100 by default), with full-resolution colour (4:4:4; a
// grayscale picture as grayscale). Transparent pixels are laid on white. Throws EJpegError, also
// for a null picture.
[[nodiscard]] QByteArray EncodeJpeg(const QImage& image, int quality = 100);

// A photo: its original JPEG bytes (EXIF tags and all) and the decoded, upright picture. Storing
// or exporting a photo writes Jpeg() unchanged.
class TJpegPhoto {
public:
    TJpegPhoto() = default;
    // Decodes the bytes (throws EJpegError; the photo is then unchanged).
    static TJpegPhoto FromJpeg(const QByteArray& jpeg);
    // Encodes a picture at quality 100; Image() is then the decoded result of those bytes.
    static TJpegPhoto FromImage(const QImage& image);
    static TJpegPhoto FromFile(const QString& path); // throws EJpegError with a Polish message

    // Why a photo read from a file may show less than the file meant to hold: the decoder's
    // warning (Polish, such as "plik jest niepełny (urwany)."), empty when the file decoded
    // cleanly. A damaged file that still decodes (cut short, say) gives a picture whose missing
    // part is grey; whoever imports it decides whether to take it. Photos read from the album
    // (FromJpeg) are shown as they are and carry none.
    [[nodiscard]] const QString& DamageWarning() const { return m_warning; }

    [[nodiscard]] bool IsNull() const { return m_jpeg.isEmpty(); }
    [[nodiscard]] const QByteArray& Jpeg() const { return m_jpeg; }
    [[nodiscard]] const QImage& Image() const { return m_image; }
    [[nodiscard]] int Width() const { return m_image.width(); }
    [[nodiscard]] int Height() const { return m_image.height(); }

private:
    QByteArray m_jpeg;
    QImage m_image;
    QString m_warning;
};

} // namespace movra
