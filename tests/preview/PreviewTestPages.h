#pragma once

#include "platform/emf/Metafile.h"

#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <cmath>
#include <memory>

namespace movra::test {

// A recorded page of w x h pixels: a frame, and `lines` lines of text, so that pages differ in
// size by their number of lines. The seed makes pages tell apart by their look.
inline std::unique_ptr<TMetafile> RecordPage(int w, int h, int lines, int seed = 0) {
    auto page = std::make_unique<TMetafile>();
    page->SetSize(w, h);
    TMetafileCanvas c(*page);
    c.Brush.Color = RGBColor((seed * 40) & 0xFF, 80, 160);
    c.FillRect(TRect(10, 10, 60, 60));
    c.Pen.Color = clBlack;
    c.MoveTo(0, 0);
    c.LineTo(w - 1, h - 1);
    c.Brush.Style = TBrushStyle::Clear;
    for (int i = 0; i < lines; ++i)
        c.TextOut(20, 70 + i * 14, QStringLiteral("Wiersz %1 strony %2").arg(i).arg(seed));
    c.Finish();
    return page;
}

// The picture played onto a white image of its own size.
inline QImage Render(const TMetafile& m, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    m.Play(p, QRectF(0, 0, w, h));
    return img;
}

// The share of pixels whose channels differ by more than `tolerance`.
inline double DifferentPixels(const QImage& a, const QImage& b, int tolerance = 48) {
    if (a.size() != b.size())
        return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 diff = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            if (std::abs(qRed(p[col]) - qRed(q[col])) > tolerance ||
                std::abs(qGreen(p[col]) - qGreen(q[col])) > tolerance ||
                std::abs(qBlue(p[col]) - qBlue(q[col])) > tolerance)
                ++diff;
        }
    }
    return double(diff) / (double(x.width()) * x.height());
}

} // namespace movra::test
