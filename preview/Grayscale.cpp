#include "preview/Grayscale.h"

#include "platform/emf/Metafile.h"

#include <QtGui/QPainter>

#include <cmath>

namespace movra {

namespace {

int Gray(QRgb c) {
    return (qRed(c) * 30 + qGreen(c) * 59 + qBlue(c) * 11) / 100;
}

} // namespace

void ConvertToGrayscale(QImage& bitmap) {
    if (bitmap.isNull())
        return;
    if (bitmap.format() == QImage::Format_Indexed8) {
        QList<QRgb> table = bitmap.colorTable();
        for (QRgb& entry : table) {
            const int gray = Gray(entry);
            entry = qRgb(gray, gray, gray);
        }
        bitmap.setColorTable(table);
        return;
    }
    // A picture has more colours than a palette holds; rather than squeeze them into 256
    // (dithering the areas in between), each pixel takes the palette entry of its own gray.
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB32);
    QImage gray(rgb.size(), QImage::Format_Indexed8);
    if (gray.isNull())
        return;
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    gray.setColorTable(table);
    gray.setDevicePixelRatio(bitmap.devicePixelRatio());
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = gray.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = static_cast<uchar>(Gray(in[x]));
    }
    bitmap = std::move(gray);
}

void DrawBitmapStretched(QPainter& painter, const QImage& bitmap, const TRect& r) {
    if (bitmap.isNull() || r.IsEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(r.toQRect()), bitmap, QRectF(bitmap.rect()));
    painter.restore();
}

namespace {

QImage GrayscaleImage(const TRect& r, const TMetafile& picture, qreal scale) {
    qint64 w = static_cast<qint64>(std::lround(r.Width() * scale));
    qint64 h = static_cast<qint64>(std::lround(r.Height() * scale));
    if (w <= 0 || h <= 0)
        return {};
    if (w * h > MaxGrayscalePixels) {
        const double f = std::sqrt(static_cast<double>(MaxGrayscalePixels) / double(w * h));
        w = std::max<qint64>(1, static_cast<qint64>(w * f));
        h = std::max<qint64>(1, static_cast<qint64>(h * f));
    }
    QImage bitmap(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    if (bitmap.isNull())
        return {};
    bitmap.fill(Qt::white);
    {
        QPainter p(&bitmap);
        picture.Play(p, QRectF(0, 0, w, h));
    }
    ConvertToGrayscale(bitmap);
    return bitmap;
}

} // namespace

void DrawGrayscale(QPainter& painter, const TRect& r, const TMetafile& picture) {
    const qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage bitmap = GrayscaleImage(r, picture, scale);
    DrawBitmapStretched(painter, bitmap, r);
}

void DrawGrayscale(TCanvas& canvas, const TRect& r, const TMetafile& picture) {
    if (QPainter* p = canvas.Painter()) {
        DrawGrayscale(*p, r, picture);
        return;
    }
    const QImage bitmap = GrayscaleImage(r, picture, 1.0);
    if (!bitmap.isNull())
        canvas.StretchDraw(r, bitmap);
}

} // namespace movra
