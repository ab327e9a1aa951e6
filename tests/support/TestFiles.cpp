#include "tests/support/TestFiles.h"

#include "platform/core/ProgramFolder.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtGui/QPainter>

namespace movra::test {

TempProgramFolder::TempProgramFolder() {
    if (m_dir.isValid())
        SetProgramFolderOverride(m_dir.path());
}

TempProgramFolder::~TempProgramFolder() {
    SetProgramFolderOverride(QString());
}

QString TempProgramFolder::path() const {
    return m_dir.path() + QLatin1Char('/');
}

QString TempProgramFolder::file(const QString& name) const {
    return m_dir.filePath(name);
}

bool TempProgramFolder::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray TempProgramFolder::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QImage MakeTestImage(int width, int height, const QColor& base) {
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    image.fill(base);
    QPainter p(&image);
    QLinearGradient g(0, 0, image.width(), image.height());
    g.setColorAt(0, QColor(255, 255, 255, 160));
    g.setColorAt(1, QColor(0, 0, 80, 160));
    p.fillRect(image.rect(), g);
    p.setPen(Qt::black);
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

QByteArray MakeJpeg(int width, int height, const QColor& color, bool patterned, int quality) {
    QImage image;
    if (patterned) {
        image = MakeTestImage(width, height, color);
    } else {
        image = QImage(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
        image.fill(color);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", quality))
        return QByteArray();
    return bytes;
}

bool WriteJpeg(const QString& path, int width, int height, const QColor& color, bool patterned) {
    const QByteArray bytes = MakeJpeg(width, height, color, patterned);
    if (bytes.isEmpty())
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray MakeQuadrantJpegWithOrientation(int width, int height, int orientation) {
    QImage image(width, height, QImage::Format_RGB32);
    const int hw = width / 2;
    const int hh = height / 2;
    image.fill(Qt::white);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (x < hw || y < hh)
                image.setPixel(
                    x, y, x < hw ? (y < hh ? qRgb(255, 0, 0) : qRgb(0, 0, 255)) : qRgb(0, 255, 0));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 95) || jpeg.size() < 2)
        return QByteArray();
    if (orientation == 0)
        return jpeg;

    // "Exif\0\0", TIFF header (MM, 42, first directory at 8), one entry: tag 0x0112, type
    // SHORT, count 1, the value left-aligned in the 4-byte field; no next directory.
    QByteArray body("Exif\0\0"                 // APP1 identifier
                    "MM\0\x2A\0\0\0\x08"       // big-endian TIFF, first directory at 8
                    "\0\x01"                   // one entry
                    "\x01\x12\0\x03\0\0\0\x01" // Orientation, SHORT, count 1
                    "\0\0\0\0"                 // its value (set below)
                    "\0\0\0\0",                // no next directory
                    32);
    body[25] = static_cast<char>(orientation);
    QByteArray app1("\xFF\xE1", 2);
    const int length = static_cast<int>(body.size()) + 2;
    app1.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
    app1.append(body);
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

} // namespace movra::test
