#include "platform/text/Jpeg.h"

#include "platform/text/JpegInternal.h"
#include "platform/text/TurboJpegHandle.h"

#include <QtGui/QPainter>

#include <new>

namespace movra {
namespace {

// Decoding settings: the progressive-scan limit guards against files built to take minutes
// (thousands of tiny scans); everything else is TurboJPEG's default, which already uses the
// accurate IDCT when decompressing.
constexpr int DecodeFlags = TJFLAG_LIMITSCANS;

QString TurboJpegError(tjhandle handle) {
    return jpegmsg::Detail(QString::fromUtf8(tjGetErrorStr2(handle)));
}

tj::Handle NewDecompressor() {
    tj::Handle handle(tjInitDecompress());
    if (!handle)
        throw EJpegError(jpegmsg::LibraryFailed(TurboJpegError(nullptr)).toStdString());
    return handle;
}

tj::Handle NewCompressor() {
    tj::Handle handle(tjInitCompress());
    if (!handle)
        throw EJpegError(jpegmsg::LibraryFailed(TurboJpegError(nullptr)).toStdString());
    return handle;
}

struct THeaderInfo {
    int Width = 0;
    int Height = 0;
    int Colorspace = TJCS_YCbCr;
};

// A warning the library gave for a file it could still read, kept (the first one) when the
// caller asked for it.
void NoteWarning(tjhandle handle, QString* warning) {
    if (warning && warning->isEmpty())
        *warning = TurboJpegError(handle);
}

THeaderInfo ReadHeader(tjhandle handle, const QByteArray& jpeg, long long maxPixels,
                       const QString* file, QString* warning = nullptr) {
    if (jpeg.isEmpty())
        throw EJpegError(jpegmsg::NotJpeg(file, jpegmsg::EmptyDetail()).toStdString());
    THeaderInfo info;
    int subsamp = 0;
    const int rc =
        tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                            static_cast<unsigned long>(jpeg.size()), &info.Width, &info.Height,
                            &subsamp, &info.Colorspace);
    // A warning while reading the header still leaves a usable size; only a fatal error or a
    // size that makes no sense is a refusal.
    if (rc != 0 && (tjGetErrorCode(handle) != TJERR_WARNING || info.Width <= 0))
        throw EJpegError(jpegmsg::NotJpeg(file, TurboJpegError(handle)).toStdString());
    if (rc != 0)
        NoteWarning(handle, warning);
    if (info.Width <= 0 || info.Height <= 0)
        throw EJpegError(jpegmsg::NotJpeg(file, jpegmsg::NoSizeDetail()).toStdString());
    if (static_cast<long long>(info.Width) * info.Height > maxPixels)
        throw EJpegError(jpegmsg::TooLarge(file, info.Width, info.Height, maxPixels).toStdString());
    return info;
}

// Runs tjDecompress2 into dst; a warning (a damaged file that still decodes, such as one cut
// short) is accepted, the picture then holds what could be read, and the warning is noted.
void Decompress(tjhandle handle, const QByteArray& jpeg, unsigned char* dst, int width, int pitch,
                int height, int pixelFormat, const QString* file, QString* warning) {
    const int rc = tjDecompress2(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                                 static_cast<unsigned long>(jpeg.size()), dst, width, pitch, height,
                                 pixelFormat, DecodeFlags);
    if (rc != 0 && tjGetErrorCode(handle) != TJERR_WARNING)
        throw EJpegError(jpegmsg::Damaged(file, TurboJpegError(handle)).toStdString());
    if (rc != 0)
        NoteWarning(handle, warning);
}

QImage NewImage(int width, int height, const QString* file) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw EJpegError(jpegmsg::OutOfMemory(file, width, height).toStdString());
    return image;
}

// TurboJPEG does not turn CMYK (or YCCK) into RGB itself, so those files are decoded to CMYK
// and converted here. The samples follow the Adobe convention that such files use in practice
// (and that TurboJPEG writes): stored inverted, so 255 means no ink.
QImage DecodeCmyk(tjhandle handle, const QByteArray& jpeg, const THeaderInfo& info,
                  const QString* file, QString* warning) {
    QImage image = NewImage(info.Width, info.Height, file);
    const std::size_t rowBytes = static_cast<std::size_t>(info.Width) * 4;
    std::unique_ptr<unsigned char[]> cmyk(new (std::nothrow) unsigned char[rowBytes * info.Height]);
    if (!cmyk)
        throw EJpegError(jpegmsg::OutOfMemory(file, info.Width, info.Height).toStdString());
    Decompress(handle, jpeg, cmyk.get(), info.Width, static_cast<int>(rowBytes), info.Height,
               TJPF_CMYK, file, warning);
    for (int y = 0; y < info.Height; ++y) {
        const unsigned char* in = cmyk.get() + rowBytes * y;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < info.Width; ++x, in += 4) {
            const unsigned k = in[3];
            out[x] = qRgb(int((in[0] * k + 127) / 255), int((in[1] * k + 127) / 255),
                          int((in[2] * k + 127) / 255));
        }
    }
    return image;
}

QImage DecodeStored(const QByteArray& jpeg, long long maxPixels, const QString* file,
                    QString* warning) {
    tj::Handle handle = NewDecompressor();
    const THeaderInfo info = ReadHeader(handle.get(), jpeg, maxPixels, file, warning);
    if (info.Colorspace == TJCS_CMYK || info.Colorspace == TJCS_YCCK)
        return DecodeCmyk(handle.get(), jpeg, info, file, warning);
    // Straight into the picture's own rows, in the format pixmaps and the smooth scaler use as they
    // are: RGB32 is B, G, R, X in memory on little-endian machines (X, R, G, B on big-endian ones),
    // and TurboJPEG fills X with 0xFF, as RGB32 requires.
    QImage image = NewImage(info.Width, info.Height, file);
    Decompress(handle.get(), jpeg, image.bits(), info.Width, static_cast<int>(image.bytesPerLine()),
               info.Height, Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB, file, warning);
    return image;
}

} // namespace

namespace detail {

QImage DecodeJpeg(const QByteArray& jpeg, long long maxPixels, const QString* file,
                  QString* warning) {
    // Phones store a portrait photo as landscape rows with a tag saying how to turn it; the
    // picture every caller gets (shown, printed, laid out, measured) is the upright one, while
    // the bytes kept and exported stay the file's own.
    QImage stored = DecodeStored(jpeg, maxPixels, file, warning);
    const QSize size = stored.size();
    QImage upright = ApplyOrientation(std::move(stored), ReadJpegOrientation(jpeg));
    if (upright.isNull())
        throw EJpegError(jpegmsg::OutOfMemory(file, size.width(), size.height()).toStdString());
    return upright;
}

} // namespace detail

TJpegHeader ReadJpegHeader(const QByteArray& jpeg) {
    tj::Handle handle = NewDecompressor();
    const THeaderInfo info = ReadHeader(handle.get(), jpeg, MaxJpegPixels, nullptr);
    if (detail::SwapsSides(detail::ReadJpegOrientation(jpeg)))
        return {info.Height, info.Width};
    return {info.Width, info.Height};
}

QImage DecodeJpeg(const QByteArray& jpeg) {
    return detail::DecodeJpeg(jpeg, MaxJpegPixels, nullptr);
}

QImage DecodeJpeg(const QByteArray& jpeg, long long maxPixels) {
    return detail::DecodeJpeg(jpeg, maxPixels, nullptr);
}

QImage DecodeJpegAtLeast(const QByteArray& jpeg, QSize atLeast) {
    tj::Handle handle = NewDecompressor();
    const THeaderInfo info = ReadHeader(handle.get(), jpeg, MaxJpegPixels, nullptr);
    const int orientation = detail::ReadJpegOrientation(jpeg);
    if (info.Colorspace == TJCS_CMYK || info.Colorspace == TJCS_YCCK)
        return detail::DecodeJpeg(jpeg, MaxJpegPixels, nullptr);
    // The rows as stored: a photo on its side needs the other side covered.
    if (detail::SwapsSides(orientation))
        atLeast.transpose();
    int width = info.Width;
    int height = info.Height;
    for (const int denominator : {2, 4, 8}) {
        // The decoder's own rounding of a reduced side.
        const int w = (info.Width + denominator - 1) / denominator;
        const int h = (info.Height + denominator - 1) / denominator;
        if (w < atLeast.width() || h < atLeast.height())
            break;
        width = w;
        height = h;
    }
    QImage image = NewImage(width, height, nullptr);
    Decompress(handle.get(), jpeg, image.bits(), width, static_cast<int>(image.bytesPerLine()),
               height, Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB, nullptr, nullptr);
    QImage upright = detail::ApplyOrientation(std::move(image), orientation);
    if (upright.isNull())
        throw EJpegError(jpegmsg::OutOfMemory(nullptr, width, height).toStdString());
    return upright;
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
    if (image.isNull())
        throw EJpegError(jpegmsg::NoPicture().toStdString());
    if (quality < 1 || quality > 100)
        throw EJpegError(jpegmsg::BadQuality(quality).toStdString());

    // Feed the pixels as they are where TurboJPEG reads the layout directly; anything else is
    // converted once. Transparent pixels are laid on white, as a viewer would show them.
    QImage source;
    int pixelFormat = TJPF_RGB;
    int subsamp = TJSAMP_444;
    switch (image.format()) {
    case QImage::Format_RGB888:
        source = image;
        break;
    case QImage::Format_Grayscale8:
        source = image;
        pixelFormat = TJPF_GRAY;
        subsamp = TJSAMP_GRAY;
        break;
    case QImage::Format_RGB32:
        source = image;
        pixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
        break;
    case QImage::Format_RGBX8888:
        source = image;
        pixelFormat = TJPF_RGBX;
        break;
    default:
        if (image.hasAlphaChannel()) {
            source = QImage(image.size(), QImage::Format_RGB888);
            if (source.isNull())
                throw EJpegError(
                    jpegmsg::OutOfMemory(nullptr, image.width(), image.height()).toStdString());
            source.fill(Qt::white);
            QPainter painter(&source);
            painter.drawImage(0, 0, image);
        } else {
            source = image.convertToFormat(QImage::Format_RGB888);
        }
        break;
    }
    if (source.isNull())
        throw EJpegError(
            jpegmsg::OutOfMemory(nullptr, image.width(), image.height()).toStdString());

    tj::Handle handle = NewCompressor();
    unsigned char* raw = nullptr;
    unsigned long size = 0;
    // 4:4:4 keeps the full colour resolution: at quality 100 the point is fidelity, and a
    // photo's coloured edges (a red scarf, printed text) would blur with halved chroma.
    const int rc = tjCompress2(handle.get(), source.constBits(), source.width(),
                               static_cast<int>(source.bytesPerLine()), source.height(),
                               pixelFormat, &raw, &size, subsamp, quality, TJFLAG_ACCURATEDCT);
    tj::Buffer buffer(raw);
    if (rc != 0)
        throw EJpegError(jpegmsg::EncodeFailed(TurboJpegError(handle.get())).toStdString());
    return QByteArray(reinterpret_cast<const char*>(buffer.get()), static_cast<qsizetype>(size));
}

} // namespace movra
