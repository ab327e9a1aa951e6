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

} // namespace movra::test
