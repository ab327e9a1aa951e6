#pragma once

// Shared by the JPEG files of this folder: the decoder with a file name for its messages, and
// the Polish texts of every JPEG failure.

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtGui/QImage>

namespace movra {

namespace detail {
// DecodeJpeg with a pixel limit; file, when given, is named in the messages. warning, when
// given, gets the library's first warning (Polish where known; empty when there was none): the
// file was damaged but decoded, the picture holding what could be read.
// The picture turned upright as the file's EXIF orientation tag asks (JpegOrientation.cpp).
QImage DecodeJpeg(const QByteArray& jpeg, long long maxPixels, const QString* file,
                  QString* warning = nullptr);

// The EXIF orientation (1 to 8) of a JPEG file's bytes; 1 (as stored) when the file has no
// readable tag.
int ReadJpegOrientation(const QByteArray& jpeg);
// The decoded picture as the orientation asks it to be shown.
QImage ApplyOrientation(QImage image, int orientation);
// Whether the orientation turns the picture on its side, swapping width and height.
bool SwapsSides(int orientation);
} // namespace detail

namespace jpegmsg {

// TurboJPEG's own text ("tjDecompressHeader3(): Not a JPEG file: ..."), without the function
// name that means nothing to a user.
QString Detail(const QString& libraryText);
QString EmptyDetail();
QString NoSizeDetail();

QString LibraryFailed(const QString& detail);
QString NotJpeg(const QString* file, const QString& detail);
QString Damaged(const QString* file, const QString& detail);
QString TooLarge(const QString* file, int width, int height, long long maxPixels);
QString OutOfMemory(const QString* file, int width, int height);
QString NoPicture();
QString BadQuality(int quality);
QString EncodeFailed(const QString& detail);

QString FileMissing(const QString& file);
QString FileUnreadable(const QString& file, const QString& reason);
QString FileTooLarge(const QString& file, long long bytes);

} // namespace jpegmsg
} // namespace movra
