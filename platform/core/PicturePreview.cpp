#include "platform/core/PicturePreview.h"

#include <QtCore/QFileInfo>
#include <QtGui/QImageReader>

namespace movra {

QImage PicturePreview(const QString& path, QSize box) {
    if (path.isEmpty() || !QFileInfo(path).isFile() || box.isEmpty())
        return QImage();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > box.width() || full.height() > box.height()))
        reader.setScaledSize(full.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        return image;
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace movra
