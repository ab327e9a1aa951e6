// Any bytes given to the JPEG decoder end in a picture or in EJpegError: no crash, no other
// exception, no unbounded allocation. Whatever decodes is encoded again, so the encoder sees
// every picture shape the decoder can produce.

#include "platform/text/Jpeg.h"

#include <cstddef>
#include <cstdint>

namespace {

// Small enough that one input decodes in milliseconds; the size checks themselves are the same
// code as with the program's limit.
constexpr long long FuzzMaxPixels = 4'000'000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QImage image;
    try {
        image = movra::DecodeJpeg(bytes, FuzzMaxPixels);
    } catch (const movra::EJpegError&) {
        return 0;
    }
    if (image.isNull() || image.format() != QImage::Format_RGB32)
        __builtin_trap();
    if (static_cast<long long>(image.width()) * image.height() <= 1'000'000) {
        const QByteArray again = movra::EncodeJpeg(image, 90);
        const QImage back = movra::DecodeJpeg(again);
        if (back.size() != image.size())
            __builtin_trap();
    }
    return 0;
}
