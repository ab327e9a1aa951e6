#include "platform/text/JpegInternal.h"

#include <libexif/exif-data.h>

#include <QtGui/QTransform>

#include <algorithm>
#include <memory>

namespace movra::detail {
namespace {

struct ExifDataDeleter {
    void operator()(ExifData* data) const noexcept { exif_data_unref(data); }
};
using ExifDataPtr = std::unique_ptr<ExifData, ExifDataDeleter>;

// Orientation is a tag of the first directory (IFD 0), one SHORT from 1 to 8.
constexpr int Upright = 1;
constexpr qsizetype MaxExifSearch = 1024 * 1024;

} // namespace

int ReadJpegOrientation(const QByteArray& jpeg) {
    if (jpeg.isEmpty())
        return Upright;
    ExifDataPtr data(exif_data_new());
    if (!data)
        return Upright;
    // Read what the file says, as it says it: no repairs or added tags (they cost time and
    // change nothing about the one tag read here), and maker notes, which only cameras read,
    // are left unparsed.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_set_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    // The tag stands in APP1, among the application segments before the picture data; a megabyte
    // holds more of them than any camera writes.
    const auto head = static_cast<unsigned int>(std::min<qsizetype>(jpeg.size(), MaxExifSearch));
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(jpeg.constData()), head);
    ExifContent* ifd0 = data->ifd[EXIF_IFD_0];
    if (!ifd0)
        return Upright;
    ExifEntry* entry = exif_content_get_entry(ifd0, EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || !entry->data ||
        entry->size < 2)
        return Upright;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    // Any other value is a damaged tag; the picture is shown as stored.
    return value >= 1 && value <= 8 ? value : Upright;
}

QImage ApplyOrientation(QImage image, int orientation) {
    // The tag tells how the stored rows must be turned to stand upright (counted clockwise).
    auto rotated = [](const QImage& img, int degrees) {
        return img.transformed(QTransform().rotate(degrees));
    };
    switch (orientation) {
    case 2: // mirrored left to right
        return image.mirrored(true, false);
    case 3: // upside down
        return image.mirrored(true, true);
    case 4: // mirrored top to bottom
        return image.mirrored(false, true);
    case 5: // mirrored along the main diagonal
        return rotated(image.mirrored(false, true), 90);
    case 6: // lying on its left side: turn a quarter clockwise
        return rotated(image, 90);
    case 7: // mirrored along the other diagonal
        return rotated(image.mirrored(true, false), 90);
    case 8: // lying on its right side: turn a quarter anticlockwise
        return rotated(image, 270);
    default:
        return image;
    }
}

bool SwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

} // namespace movra::detail
