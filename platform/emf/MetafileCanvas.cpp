#include "platform/emf/Metafile.h"

#include "platform/canvas/TextLayout.h"
#include "platform/emf/Dib.h"
#include "platform/emf/EmfWriter.h"
#include "platform/emf/TextMeasure.h"

#include <QtGui/QFontMetrics>

#include <QtGui/QImage>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace movra {

using emf::BrushDesc;
using emf::EmfWriter;
using emf::FontDesc;
using emf::MappingDesc;
using emf::PenDesc;

namespace {

// Photos are resampled to at most this many dots per inch of the rectangle they fill.
constexpr double kMaxImageDpi = 300;

std::uint32_t colorRef(TColor c) {
    const QColor q = ToQColor(c);
    return static_cast<std::uint32_t>(q.red()) | (static_cast<std::uint32_t>(q.green()) << 8) |
           (static_cast<std::uint32_t>(q.blue()) << 16);
}

bool fits16(int v) {
    return v >= INT16_MIN && v <= INT16_MAX;
}

void put32(QByteArray& b, int at, std::uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

} // namespace

struct TMetafileCanvas::Impl {
    TMetafile& target;
    int dpiX;
    int dpiY;
    EmfWriter writer;
    MappingDesc mapping; // what the drawing code asked for
    QPoint penPos{0, 0};
    bool clipActive = false;
    bool finished = false;
    QRect used; // device pixels touched, for the header's bounds
    // Bitmaps recorded from 32-bit pictures, by their record's offset among the records: the
    // picture is exactly what the record decodes to, and is handed to the finished picture.
    std::vector<std::pair<std::uint32_t, QImage>> decoded;

    Impl(TMetafile& t, int x, int y) : target(t), dpiX(x), dpiY(y) {}

    // Logical to reference-device pixels through the current mapping.
    [[nodiscard]] QRectF toDevice(const QRectF& r) const {
        if (!mapping.anisotropic)
            return r.normalized();
        const double sx = double(mapping.viewportExt.width()) / mapping.windowExt.width();
        const double sy = double(mapping.viewportExt.height()) / mapping.windowExt.height();
        return QRectF(r.left() * sx + mapping.viewportOrg.x(),
                      r.top() * sy + mapping.viewportOrg.y(), r.width() * sx, r.height() * sy)
            .normalized();
    }
    U_RECTL deviceBounds(const QRectF& logical) {
        const QRect d = toDevice(logical).toAlignedRect();
        used = used.united(d);
        return U_RECTL{d.left(), d.top(), d.right(), d.bottom()};
    }
    void syncMapping() { writer.mapping(mapping); }
};

TMetafileCanvas::TMetafileCanvas(TMetafile& target, int refPixelsPerInchX, int refPixelsPerInchY)
    : d(std::make_unique<Impl>(target,
                               refPixelsPerInchX > 0 ? refPixelsPerInchX : ScreenPixelsPerInch(),
                               refPixelsPerInchY > 0 ? refPixelsPerInchY : ScreenPixelsPerInch())) {
    Font.PixelsPerInch = d->dpiY;
    Font.SetSize(8);
    // Baseline-aligned text, transparent text background (backgrounds are explicit rectangles)
    // and halftone stretching for readers that stretch bitmaps themselves.
    d->writer.textAlign(U_TA_BASELINE);
    d->writer.bkMode(U_TRANSPARENT);
    d->writer.append(U_EMRSETSTRETCHBLTMODE_set(U_STRETCH_HALFTONE));
}

TMetafileCanvas::~TMetafileCanvas() {
    try {
        Finish();
    } catch (...) {
        // A destructor cannot report; Finish is the call that reports.
    }
}

void TMetafileCanvas::Finish() {
    if (d->finished)
        return;
    d->finished = true;
    int w = d->target.Width();
    int h = d->target.Height();
    if (w <= 0 || h <= 0) {
        const QRect u = d->used.isValid() ? d->used : QRect(0, 0, 1, 1);
        w = std::max(1, u.right() + 1);
        h = std::max(1, u.bottom() + 1);
    }
    const QRect bounds(0, 0, w, h);
    const QRect frame(QPoint(0, 0), QPoint(MulDiv(w, 2540, d->dpiX), MulDiv(h, 2540, d->dpiY)));
    const QByteArray bytes = d->writer.finish(bounds, frame, d->dpiX, d->dpiY);
    d->target.SetBytes(bytes);
    std::uint32_t headerSize = 0;
    std::memcpy(&headerSize, bytes.constData() + 4, 4);
    for (const auto& [offset, image] : d->decoded)
        d->target.KeepDecoded(headerSize + offset, image);
    d->decoded.clear();
}

// ------------------------------------------------------------------------------------------
// State

namespace {

FontDesc fontDesc(const TFont& f) {
    FontDesc s;
    s.height = -std::max(1, std::abs(f.Height()));
    s.weight = (f.Style & fsBold) ? 700 : 400;
    s.italic = (f.Style & fsItalic) != 0;
    s.underline = (f.Style & fsUnderline) != 0;
    s.strikeOut = (f.Style & fsStrikeOut) != 0;
    s.charset = static_cast<std::uint8_t>(std::clamp(f.Charset, 0, 255));
    s.face = f.Name;
    return s;
}

PenDesc penDesc(const TPen& p) {
    PenDesc s;
    s.color = colorRef(p.Color);
    s.width = std::max(0, p.Width);
    switch (p.Style) {
    case TPenStyle::Clear:
        s.null = true;
        break;
    case TPenStyle::Dash:
        s.style = U_PS_DASH;
        break;
    case TPenStyle::Dot:
        s.style = U_PS_DOT;
        break;
    case TPenStyle::InsideFrame:
        s.style = U_PS_INSIDEFRAME;
        break;
    case TPenStyle::Solid:
        s.style = U_PS_SOLID;
        break;
    }
    return s;
}

std::uint32_t rop2(TPenMode m) {
    switch (m) {
    case TPenMode::Xor:
        return U_R2_XORPEN;
    case TPenMode::Not:
        return U_R2_NOT;
    case TPenMode::Copy:
        break;
    }
    return U_R2_COPYPEN;
}

// No more detail than the page can show: at most kMaxImageDpi of the rectangle's size (dev, in
// pixels of the reference device).
QImage CappedToPage(const QRectF& dev, int dpiX, int dpiY, const QImage& img,
                    Qt::TransformationMode mode) {
    const int maxW = std::max(1, static_cast<int>(std::ceil(dev.width() / dpiX * kMaxImageDpi)));
    const int maxH = std::max(1, static_cast<int>(std::ceil(dev.height() / dpiY * kMaxImageDpi)));
    if (img.width() <= maxW && img.height() <= maxH)
        return img;
    return img.scaled(std::min(img.width(), maxW), std::min(img.height(), maxH),
                      Qt::IgnoreAspectRatio, mode);
}

} // namespace

// ------------------------------------------------------------------------------------------
// Shapes

namespace {

// A filled axis-aligned rectangle as a polygon: every reader fills polygons exactly, without the
// one-pixel-less rule of GDI's pen-less Rectangle.
char* rectPolygon(const U_RECTL& bounds, const TRect& r) {
    if (fits16(r.Left) && fits16(r.Top) && fits16(r.Right) && fits16(r.Bottom)) {
        const U_POINT16 pts[4] = {
            point16_set(static_cast<int16_t>(r.Left), static_cast<int16_t>(r.Top)),
            point16_set(static_cast<int16_t>(r.Right), static_cast<int16_t>(r.Top)),
            point16_set(static_cast<int16_t>(r.Right), static_cast<int16_t>(r.Bottom)),
            point16_set(static_cast<int16_t>(r.Left), static_cast<int16_t>(r.Bottom))};
        return U_EMRPOLYGON16_set(bounds, 4, pts);
    }
    const U_POINTL pts[4] = {point32_set(r.Left, r.Top), point32_set(r.Right, r.Top),
                             point32_set(r.Right, r.Bottom), point32_set(r.Left, r.Bottom)};
    return U_EMRPOLYGON_set(bounds, 4, pts);
}

} // namespace

void TMetafileCanvas::FillRect(const TRect& r) {
    if (d->finished || Brush.Style == TBrushStyle::Clear || r.IsEmpty())
        return;
    d->syncMapping();
    d->writer.rop2(U_R2_COPYPEN);
    d->writer.pen(PenDesc{true});
    d->writer.brush(BrushDesc{false, colorRef(Brush.Color)});
    d->writer.append(rectPolygon(d->deviceBounds(r.toQRect()), r));
}

void TMetafileCanvas::FrameRect(const TRect& r) {
    if (d->finished || Brush.Style == TBrushStyle::Clear || r.IsEmpty())
        return;
    if (r.Width() <= 2 || r.Height() <= 2) {
        FillRect(r);
        return;
    }
    FillRect(TRect(r.Left, r.Top, r.Right, r.Top + 1));
    FillRect(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
    FillRect(TRect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1));
    FillRect(TRect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1));
}

void TMetafileCanvas::Rectangle(const TRect& r) {
    if (d->finished)
        return;
    if (Pen.Style == TPenStyle::Clear) {
        // Without an outline the whole rectangle is filled, as on the painter canvas (GDI's
        // pen-less Rectangle would leave out the last row and column).
        FillRect(r);
        return;
    }
    d->syncMapping();
    d->writer.rop2(rop2(Pen.Mode));
    d->writer.pen(penDesc(Pen));
    d->writer.brush(Brush.Style == TBrushStyle::Clear ? BrushDesc{true}
                                                      : BrushDesc{false, colorRef(Brush.Color)});
    d->deviceBounds(r.toQRect());
    d->writer.append(U_EMRRECTANGLE_set(U_RECTL{r.Left, r.Top, r.Right, r.Bottom}));
}

void TMetafileCanvas::MoveTo(int x, int y) {
    d->penPos = QPoint(x, y);
}

void TMetafileCanvas::LineTo(int x, int y) {
    if (d->finished)
        return;
    d->syncMapping();
    d->writer.rop2(rop2(Pen.Mode));
    d->writer.pen(penDesc(Pen));
    d->writer.moveTo(d->penPos);
    d->deviceBounds(QRectF(QPointF(d->penPos), QPointF(x, y)));
    d->writer.lineTo(QPoint(x, y));
    d->penPos = QPoint(x, y);
}

QPoint TMetafileCanvas::PenPos() const {
    return d->penPos;
}

// ------------------------------------------------------------------------------------------
// Text

namespace {

// EXTTEXTOUTW with per-character advances, the reference point on the baseline.
QByteArray textRecord(const U_RECTL& bounds, QPoint baseline, const QString& text,
                      const std::vector<int>& dx, std::uint32_t options, const TRect* clip) {
    const auto n = static_cast<std::uint32_t>(text.size());
    const std::uint32_t fixed = 76;
    const std::uint32_t stringBytes = ((n * 2 + 3) / 4) * 4;
    const std::uint32_t size = fixed + stringBytes + n * 4;
    QByteArray rec(static_cast<qsizetype>(size), '\0');
    put32(rec, 0, U_EMR_EXTTEXTOUTW);
    put32(rec, 4, size);
    put32(rec, 8, static_cast<std::uint32_t>(bounds.left));
    put32(rec, 12, static_cast<std::uint32_t>(bounds.top));
    put32(rec, 16, static_cast<std::uint32_t>(bounds.right));
    put32(rec, 20, static_cast<std::uint32_t>(bounds.bottom));
    put32(rec, 24, U_GM_COMPATIBLE);
    // exScale, eyScale stay 0: only meaningful to printers in compatible mode
    put32(rec, 36, static_cast<std::uint32_t>(baseline.x()));
    put32(rec, 40, static_cast<std::uint32_t>(baseline.y()));
    put32(rec, 44, n);
    put32(rec, 48, fixed);
    put32(rec, 52, options);
    if (clip) {
        put32(rec, 56, static_cast<std::uint32_t>(clip->Left));
        put32(rec, 60, static_cast<std::uint32_t>(clip->Top));
        put32(rec, 64, static_cast<std::uint32_t>(clip->Right));
        put32(rec, 68, static_cast<std::uint32_t>(clip->Bottom));
    }
    put32(rec, 72, fixed + stringBytes);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint16_t c = text.at(static_cast<qsizetype>(i)).unicode();
        std::memcpy(rec.data() + fixed + 2 * i, &c, 2);
        put32(rec, static_cast<int>(fixed + stringBytes + 4 * i),
              static_cast<std::uint32_t>(dx[i]));
    }
    return rec;
}

} // namespace

void TMetafileCanvas::TextOut(int x, int y, const QString& text) {
    if (d->finished)
        return;
    if (text.isEmpty()) {
        d->penPos = QPoint(x, y);
        return;
    }
    const emf::TextMetrics m = emf::MeasureText(Font, text);
    if (Brush.Style == TBrushStyle::Solid)
        FillRect(TRect(x, y, x + m.width, y + m.height));
    d->syncMapping();
    d->writer.font(fontDesc(Font));
    d->writer.textColor(colorRef(Font.Color));
    d->writer.textAlign(U_TA_BASELINE);
    d->writer.bkMode(U_TRANSPARENT);
    // Some readers paint a text background whatever the mode: let it be the brush's.
    if (Brush.Style == TBrushStyle::Solid)
        d->writer.bkColor(colorRef(Brush.Color));
    const U_RECTL bounds = d->deviceBounds(QRectF(x, y, m.width, m.height));
    d->writer.appendRaw(
        textRecord(bounds, QPoint(x, y + m.ascent), text, m.dx, U_ETO_NONE, nullptr));
    d->penPos = QPoint(x + m.width, y);
}

void TMetafileCanvas::TextRect(const TRect& r, int x, int y, const QString& text) {
    if (d->finished)
        return;
    FillRect(r);
    if (text.isEmpty() || r.IsEmpty())
        return;
    const emf::TextMetrics m = emf::MeasureText(Font, text);
    d->syncMapping();
    // The clip as a clip region too: not every reader honours ETO_CLIPPED.
    d->writer.saveDc();
    d->writer.append(U_EMRINTERSECTCLIPRECT_set(U_RECTL{r.Left, r.Top, r.Right, r.Bottom}));
    d->writer.font(fontDesc(Font));
    d->writer.textColor(colorRef(Font.Color));
    d->writer.textAlign(U_TA_BASELINE);
    d->writer.bkMode(U_TRANSPARENT);
    if (Brush.Style == TBrushStyle::Solid)
        d->writer.bkColor(colorRef(Brush.Color));
    const U_RECTL bounds = d->deviceBounds(r.toQRect());
    d->writer.appendRaw(textRecord(bounds, QPoint(x, y + m.ascent), text, m.dx, U_ETO_CLIPPED, &r));
    d->writer.restoreDc();
}

int TMetafileCanvas::DrawText(TRect& r, const QString& text, unsigned flags) {
    // Laid out exactly as the painter canvas lays it out, so lines break at the same words.
    const QFontMetrics fm(Font.toQFont());
    const TextLayout layout = LayOutText(text, r.Width(), flags, fm);
    const int lineHeight = fm.height();
    const int height = lineHeight * static_cast<int>(layout.lines.size());
    if (flags & dtCalcRect) {
        r.Right = r.Left + layout.width;
        r.Bottom = r.Top + height;
        return height;
    }
    int top = r.Top;
    if (flags & dtSingleLine) {
        if (flags & dtBottom)
            top = r.Bottom - height;
        else if (flags & dtVCenter)
            top = r.Top + (r.Height() - height) / 2;
    }
    if (!d->finished && !layout.lines.empty()) {
        d->syncMapping();
        d->writer.saveDc();
        d->writer.append(U_EMRINTERSECTCLIPRECT_set(U_RECTL{r.Left, r.Top, r.Right, r.Bottom}));
        const QPoint penPos = d->penPos; // DrawText leaves the pen where it was
        int y = top;
        for (const QString& line : layout.lines) {
            const int w = fm.horizontalAdvance(line);
            int x = r.Left;
            if (flags & dtRight)
                x = r.Right - w;
            else if (flags & dtCenter)
                x = r.Left + (r.Width() - w) / 2;
            TextOut(x, y, line);
            y += lineHeight;
        }
        d->penPos = penPos;
        d->writer.restoreDc();
    }
    return (flags & dtSingleLine) ? top - r.Top + height : height;
}

QSize TMetafileCanvas::TextExtent(const QString& text) {
    const emf::TextMetrics m = emf::MeasureText(Font, text);
    return QSize(m.width, m.height);
}

// ------------------------------------------------------------------------------------------
// Pictures

void TMetafileCanvas::Draw(int x, int y, const QImage& img) {
    if (img.isNull())
        return;
    StretchDraw(TRect(x, y, x + img.width(), y + img.height()), img);
}

void TMetafileCanvas::DrawTransparent(int x, int y, const QImage& img, TColor transparent) {
    if (d->finished || img.isNull())
        return;
    const QRgb key = ToQColor(transparent).rgb() & 0xFFFFFF;
    if (Brush.Style == TBrushStyle::Solid) {
        // The key colour becomes the brush's.
        QImage copy = img.convertToFormat(QImage::Format_RGB32);
        const QRgb fill = ToQColor(Brush.Color).rgb();
        for (int row = 0; row < copy.height(); ++row) {
            auto* px = reinterpret_cast<QRgb*>(copy.scanLine(row));
            for (int col = 0; col < copy.width(); ++col)
                if ((px[col] & 0xFFFFFF) == key)
                    px[col] = fill;
        }
        Draw(x, y, copy);
        return;
    }
    // A clear brush: what lies under the key colour's pixels stays visible. A 24-bit bitmap has
    // no transparency, so the key travels with it (TRANSPARENTBLT) and the reader leaves it out.
    const TRect r(x, y, x + img.width(), y + img.height());
    QImage picture = img;
    if (picture.hasAlphaChannel()) {
        // What is transparent already stays so: it takes the key colour (the half-transparent
        // rest is laid over white paper, as every picture is).
        picture = picture.convertToFormat(QImage::Format_ARGB32);
        for (int row = 0; row < picture.height(); ++row) {
            auto* px = reinterpret_cast<QRgb*>(picture.scanLine(row));
            for (int col = 0; col < picture.width(); ++col)
                if (qAlpha(px[col]) == 0)
                    px[col] = qRgb(qRed(key), qGreen(key), qBlue(key));
        }
    }
    // Resampled like any picture when it is far finer than the page, but without blending: the
    // key colour must stay exactly the key colour.
    picture =
        CappedToPage(d->toDevice(r.toQRect()), d->dpiX, d->dpiY, picture, Qt::FastTransformation);
    const emf::Dib dib = emf::MakeDib24(picture);
    d->syncMapping();
    d->writer.rop2(U_R2_COPYPEN);
    const U_RECTL bounds = d->deviceBounds(r.toQRect());
    d->writer.append(U_EMRTRANSPARENTBLT_set(
        bounds, point32_set(r.Left, r.Top), point32_set(r.Width(), r.Height()), point32_set(0, 0),
        point32_set(picture.width(), picture.height()), xform_set(1, 0, 0, 1, 0, 0),
        colorref3_set(255, 255, 255), U_DIB_RGB_COLORS, colorRef(transparent),
        reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(dib.info.constData())),
        static_cast<uint32_t>(dib.bits.size()), const_cast<char*>(dib.bits.constData())));
}

void TMetafileCanvas::StretchDraw(const TRect& r, const QImage& img) {
    if (d->finished || img.isNull() || r.IsEmpty())
        return;
    // No more detail than the page can show: at most kMaxImageDpi of the rectangle's size on
    // the reference device.
    const QImage picture =
        CappedToPage(d->toDevice(r.toQRect()), d->dpiX, d->dpiY, img, Qt::SmoothTransformation);
    const emf::Dib dib = emf::MakeDib24(picture);
    d->syncMapping();
    d->writer.rop2(U_R2_COPYPEN);
    const U_RECTL bounds = d->deviceBounds(r.toQRect());
    const std::uint32_t offset = d->writer.recordBytes();
    d->writer.append(U_EMRSTRETCHDIBITS_set(
        bounds, point32_set(r.Left, r.Top), point32_set(r.Width(), r.Height()), point32_set(0, 0),
        point32_set(picture.width(), picture.height()), U_DIB_RGB_COLORS, U_SRCCOPY,
        reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(dib.info.constData())),
        static_cast<uint32_t>(dib.bits.size()), const_cast<char*>(dib.bits.constData())));
    // A 24-bit bitmap of 32-bit pixels decodes to those very pixels.
    if (picture.format() == QImage::Format_RGB32)
        d->decoded.emplace_back(offset, picture);
}

// ------------------------------------------------------------------------------------------
// Clipping and mapping

void TMetafileCanvas::SetClipRect(const TRect& r) {
    if (d->finished)
        return;
    if (d->clipActive)
        d->writer.restoreDc();
    d->syncMapping();
    d->writer.saveDc();
    d->writer.append(U_EMRINTERSECTCLIPRECT_set(U_RECTL{r.Left, r.Top, r.Right, r.Bottom}));
    d->clipActive = true;
}

void TMetafileCanvas::ResetClip() {
    if (d->finished || !d->clipActive)
        return;
    d->writer.restoreDc();
    d->clipActive = false;
}

void TMetafileCanvas::SetMapping(QSize windowExt, QSize viewportExt, QPoint viewportOrigin) {
    if (windowExt.width() == 0 || windowExt.height() == 0 || viewportExt.width() == 0 ||
        viewportExt.height() == 0)
        return;
    d->mapping = MappingDesc{true, windowExt, viewportExt, viewportOrigin};
    if (!d->finished)
        d->syncMapping();
}

void TMetafileCanvas::ResetMapping() {
    d->mapping = MappingDesc();
    if (!d->finished)
        d->syncMapping();
}

int TMetafileCanvas::PixelsPerInchX() const {
    return d->dpiX;
}
int TMetafileCanvas::PixelsPerInchY() const {
    return d->dpiY;
}

} // namespace movra
