#pragma once

#include "platform/canvas/PainterCanvas.h"
#include "platform/emf/Metafile.h"

#include <QtCore/QRect>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace movra::test {

using DrawFn = std::function<void(TCanvas&)>;

// The drawing done straight on an image through the painter canvas.
inline QImage DrawDirect(QSize size, const DrawFn& draw) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    TPainterCanvas c(&p);
    draw(c);
    return img;
}

// The same drawing recorded into a picture of the given size (reference pixels).
inline TMetafile Record(QSize size, const DrawFn& draw, int dpi = 96) {
    TMetafile mf;
    mf.SetSize(size.width(), size.height());
    TMetafileCanvas c(mf, dpi, dpi);
    draw(c);
    c.Finish();
    return mf;
}

// Pixels of a and b inside region whose channels differ by more than tolerance.
inline int CountDifferent(const QImage& a, const QImage& b, const QRect& region,
                          int tolerance = 0) {
    int n = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance)
                ++n;
        }
    return n;
}

// Mean absolute channel difference inside region.
inline double MeanDifference(const QImage& a, const QImage& b, const QRect& region) {
    double sum = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * region.width() * region.height());
}

// The bounding box of the pixels in region for which pred holds.
inline QRect InkBox(const QImage& img, const QRect& region, const std::function<bool(QRgb)>& pred) {
    QRect box;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (pred(img.pixel(x, y)))
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

inline bool Dark(QRgb p) {
    return qGray(p) < 128;
}

inline bool Near(QRgb p, const QColor& c, int tol = 40) {
    return std::abs(qRed(p) - c.red()) <= tol && std::abs(qGreen(p) - c.green()) <= tol &&
           std::abs(qBlue(p) - c.blue()) <= tol;
}

// Little-endian field access for building and damaging pictures by hand.
inline std::uint32_t Get32(const QByteArray& b, int at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}
inline void Put32(QByteArray& b, int at, std::uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

// Offsets of the records of a picture, header first.
inline QList<int> RecordOffsets(const QByteArray& b) {
    QList<int> out;
    int at = 0;
    while (at + 8 <= b.size()) {
        out << at;
        const auto size = static_cast<int>(Get32(b, at + 4));
        if (size < 8)
            break;
        at += size;
    }
    return out;
}

// The first record of the given type, or -1.
inline int FindRecord(const QByteArray& b, std::uint32_t type, int nth = 0) {
    for (int at : RecordOffsets(b))
        if (Get32(b, at) == type && nth-- == 0)
            return at;
    return -1;
}

} // namespace movra::test
