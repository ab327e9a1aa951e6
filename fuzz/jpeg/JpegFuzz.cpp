// The photo import path with hostile files: the bytes are written to a .jpg file and read the way
// the record window's "Import obrazu JPG z pliku.." reads it (TJpegPhoto::FromFile). Any input
// ends in a photo or in EJpegError: no crash, no other exception, no sanitizer report, no
// allocation beyond what the picture's size calls for. A photo that imports keeps the file's
// bytes unchanged (they are what the album stores and the export writes) and its picture is what
// the window shows, turned upright as its EXIF orientation tag asks (the tag is read by libexif
// on every import, so hostile APP1 segments reach it); the header's size is the upright one too.
// A small photo is encoded again, as a picture without JPEG bytes would be.

#include "fuzz/support/FuzzFiles.h"
#include "platform/text/Jpeg.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <cstddef>
#include <cstdint>

namespace {

// Pictures above this are refused by the harness before the import: decoding tens of megapixels
// is the same code as decoding a few, only slower, and would leave the fuzzer a handful of runs
// per second. The import's own refusal of pictures above MaxJpegPixels is still reached.
constexpr long long FuzzMaxPixels = 65'536;
// Encoding again costs more than decoding; small pictures show every shape the encoder meets.
constexpr long long FuzzMaxEncodePixels = 4'096;

[[noreturn]] void fail(const char* what) {
    movra::fuzz::Fail("fuzz_jpeg", what);
}

void checkPhoto(const movra::TJpegPhoto& photo, const QByteArray& bytes,
                const movra::TJpegHeader& header) {
    if (photo.IsNull() || photo.Jpeg() != bytes)
        fail("an imported photo does not keep the file's bytes");
    const QImage& image = photo.Image();
    if (image.isNull() || image.format() != QImage::Format_RGB32)
        fail("an imported photo has no RGB32 picture");
    if (photo.Width() != header.Width || photo.Height() != header.Height)
        fail("an imported photo's size differs from its header");
}

void encodeAgain(const QImage& image) {
    if (static_cast<long long>(image.width()) * image.height() > FuzzMaxEncodePixels)
        return;
    const movra::TJpegPhoto again = movra::TJpegPhoto::FromImage(image);
    if (again.Image().size() != image.size())
        fail("a photo encoded again changed size");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // The header alone, as the program reads it before any allocation.
    movra::TJpegHeader header;
    bool headerRead = true;
    try {
        header = movra::ReadJpegHeader(bytes);
    } catch (const movra::EJpegError&) {
        headerRead = false;
    }
    if (headerRead && (header.Width <= 0 || header.Height <= 0 ||
                       static_cast<long long>(header.Width) * header.Height > movra::MaxJpegPixels))
        fail("the header check let a size through that it must refuse");
    if (headerRead && static_cast<long long>(header.Width) * header.Height > FuzzMaxPixels)
        return 0;

    static const movra::fuzz::TScratchFile file("import.jpg");
    file.Write(data, size);
    movra::TJpegPhoto photo;
    bool imported = true;
    try {
        photo = movra::TJpegPhoto::FromFile(QString::fromStdString(file.Path()));
    } catch (const movra::EJpegError&) {
        imported = false;
    }
    if (!imported)
        return 0;
    // Whatever imports has a header the program can read.
    if (!headerRead)
        fail("a file imported whose header is refused");
    checkPhoto(photo, bytes, header);
    encodeAgain(photo.Image());
    return 0;
}
