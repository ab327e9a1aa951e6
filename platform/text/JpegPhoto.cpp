#include "platform/text/Jpeg.h"

#include "platform/text/JpegInternal.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace movra {
namespace {

// No photo the program can show comes near this; a larger file is a mistake (a film, a disk
// image) and reading it whole would only exhaust memory.
constexpr qint64 MaxJpegFileBytes = 1024LL * 1024 * 1024;

} // namespace

TJpegPhoto TJpegPhoto::FromJpeg(const QByteArray& jpeg) {
    TJpegPhoto photo;
    photo.m_image = DecodeJpeg(jpeg);
    photo.m_jpeg = jpeg;
    return photo;
}

// The picture kept is the decoded result of the bytes written, not the picture given, so that
// what the photo shows now is exactly what it shows after a trip through the album file.
TJpegPhoto TJpegPhoto::FromImage(const QImage& image) {
    return FromJpeg(EncodeJpeg(image, 100));
}

TJpegPhoto TJpegPhoto::FromFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        throw EJpegError(jpegmsg::FileMissing(path).toStdString());
    if (info.isFile() && info.size() > MaxJpegFileBytes)
        throw EJpegError(jpegmsg::FileTooLarge(path, info.size()).toStdString());
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw EJpegError(jpegmsg::FileUnreadable(path, info.isDir()
                                                           ? QStringLiteral("to jest folder")
                                                           : file.errorString())
                             .toStdString());
    QByteArray jpeg = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EJpegError(jpegmsg::FileUnreadable(path, file.errorString()).toStdString());

    TJpegPhoto photo;
    photo.m_image = detail::DecodeJpeg(jpeg, MaxJpegPixels, &path, &photo.m_warning);
    photo.m_jpeg = std::move(jpeg);
    return photo;
}

} // namespace movra
