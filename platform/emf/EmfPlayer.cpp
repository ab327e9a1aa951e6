#include "platform/emf/EmfPlayer.h"

#include "platform/emf/Dib.h"
#include "platform/emf/EmfRecordReader.h"

#include <uemf.h>
#include <uemf_endian.h>
#include <uemf_safe.h>

#include <QtGui/QFontMetricsF>
#include <QtGui/QGlyphRun>
#include <QtGui/QImage>
#include <QtGui/QPaintDevice>
#include <QtGui/QPaintEngine>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRawFont>
#include <QtGui/QTransform>

#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <vector>

namespace movra::emf {

namespace {

// Limits that keep a damaged or hostile page from hanging or exhausting the program.
constexpr int kMaxRecords = 4'000'000;
constexpr int kMaxSaveDepth = 4096;
constexpr int kMaxTextChars = 100'000;
constexpr double kMaxDeviceCoord = 1e7;
constexpr double kMaxPenWidth = 32000; // QPen refuses 32768 and more
// Qt may keep a picture of every glyph at the size drawn; 4000 pixels (120 points at 2400 dpi)
// keeps those in megabytes, where 20000 took gigabytes.
constexpr double kMaxFontPixels = 4000;
constexpr std::size_t kMaxTextFonts = 64;
constexpr int kMaxPathElements = 1'000'000;
constexpr std::uint32_t kMaxRegionRects = 1'000'000;
// What one playing draws at most: past these, texts and bitmaps are left out (the page is
// not a page any more but an attempt to keep the program busy).
constexpr std::int64_t kTextBudget = 2'000'000;
constexpr std::int64_t kPixelBudget = 512ll * 1024 * 1024;

bool finite(const QTransform& t) {
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
           std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy()) &&
           std::isfinite(t.m13()) && std::isfinite(t.m23()) && std::isfinite(t.m33());
}

// A pen width Qt accepts: finite, not negative, not absurdly wide.
double penWidth(double w) {
    if (!std::isfinite(w) || w < 0)
        return 0;
    return std::min(w, kMaxPenWidth);
}

bool saneDeviceRect(const QRectF& r) {
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) &&
           std::isfinite(r.bottom()) && std::abs(r.left()) < kMaxDeviceCoord &&
           std::abs(r.right()) < kMaxDeviceCoord && std::abs(r.top()) < kMaxDeviceCoord &&
           std::abs(r.bottom()) < kMaxDeviceCoord;
}

QRectF rectFromEdges(double l, double t, double r, double b) {
    return QRectF(QPointF(l, t), QPointF(r, b)).normalized();
}

// ------------------------------------------------------------------------------------------
// Objects and device context state

struct PenObj {
    bool null = false;
    std::uint32_t style = U_PS_SOLID;
    double width = 0; // logical units
    QColor color = Qt::black;
    bool geometric = false; // EXTCREATEPEN with PS_GEOMETRIC: caps and joins from the style
    bool logPen = true;     // CREATEPEN: round caps and joins when wide
};

struct BrushObj {
    std::uint32_t style = U_BS_SOLID;
    QColor color = Qt::white;
    std::uint32_t hatch = 0;
    QImage pattern;
};

struct FontObj {
    std::int32_t height = 0; // LOGFONT height, logical units
    std::int32_t escapement = 0;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString face = QStringLiteral("Arial");
    friend bool operator==(const FontObj&, const FontObj&) = default;
};

// A selected font made ready for drawing at one device size: built once per play and font,
// not once per text record.
struct TextFont {
    FontObj source;
    double ky = 0; // device pixels per logical unit, vertically
    bool drawable = false;
    QFont font;
    std::optional<QFontMetricsF> metrics;
    QRawFont raw; // the font's own glyphs, for drawing a run in one call
};

struct Object {
    enum class Kind { None, Pen, Brush, Font, Other } kind = Kind::None;
    PenObj pen;
    BrushObj brush;
    FontObj font;
};

// The clip in the target's device coordinates: a rectangle while it stays one, else a path.
struct Clip {
    bool isRect = true;
    QRectF rect;
    QPainterPath path;

    [[nodiscard]] QPainterPath asPath() const {
        if (!isRect)
            return path;
        QPainterPath p;
        p.addRect(rect);
        return p;
    }
    void setPath(const QPainterPath& p) {
        isRect = false;
        path = p;
    }
    void intersect(const QPainterPath& other, bool otherIsRect, const QRectF& otherRect) {
        if (isRect && otherIsRect) {
            rect = rect.intersected(otherRect);
            if (rect.isEmpty())
                rect = QRectF();
            return;
        }
        setPath(asPath().intersected(other));
    }
};

struct Dc {
    std::uint32_t mapMode = U_MM_TEXT;
    QPointF winOrg{0, 0};
    QPointF vpOrg{0, 0};
    QSizeF winExt{1, 1};
    QSizeF vpExt{1, 1};
    QTransform world;
    Clip clip;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    std::uint32_t bkMode = U_OPAQUE;
    std::uint32_t textAlign = 0;
    std::uint32_t polyFill = U_ALTERNATE;
    std::uint32_t rop2 = U_R2_COPYPEN;
    std::uint32_t arcDirection = 1; // counter-clockwise
    PenObj pen;
    BrushObj brush;
    FontObj font;
    QPointF cur{0, 0};
};

bool stockObject(std::uint32_t index, Object& out) {
    out = Object();
    switch (index) {
    case 0x80000000: // WHITE_BRUSH
    case 0x80000001: // LTGRAY_BRUSH
    case 0x80000002: // GRAY_BRUSH
    case 0x80000003: // DKGRAY_BRUSH
    case 0x80000004: // BLACK_BRUSH
    case 0x80000012: // DC_BRUSH
    {
        static const int grays[] = {255, 192, 128, 64, 0};
        out.kind = Object::Kind::Brush;
        const int g = index == 0x80000012 ? 255 : grays[index & 0xF];
        out.brush.color = QColor(g, g, g);
        return true;
    }
    case 0x80000005: // NULL_BRUSH
        out.kind = Object::Kind::Brush;
        out.brush.style = U_BS_NULL;
        return true;
    case 0x80000006: // WHITE_PEN
    case 0x80000007: // BLACK_PEN
    case 0x80000013: // DC_PEN
        out.kind = Object::Kind::Pen;
        out.pen.color = index == 0x80000006 ? Qt::white : Qt::black;
        return true;
    case 0x80000008: // NULL_PEN
        out.kind = Object::Kind::Pen;
        out.pen.null = true;
        return true;
    case 0x8000000A: // OEM_FIXED_FONT
    case 0x8000000B: // ANSI_FIXED_FONT
    case 0x80000010: // SYSTEM_FIXED_FONT
        out.kind = Object::Kind::Font;
        out.font.face = QStringLiteral("Courier New");
        out.font.height = 13;
        return true;
    case 0x8000000C: // ANSI_VAR_FONT
    case 0x8000000D: // SYSTEM_FONT
    case 0x8000000E: // DEVICE_DEFAULT_FONT
    case 0x80000011: // DEFAULT_GUI_FONT
        out.kind = Object::Kind::Font;
        out.font.height = -13;
        return true;
    case 0x8000000F: // DEFAULT_PALETTE
        out.kind = Object::Kind::Other;
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------------------------------------------------

class Player {
public:
    Player(const char* data, std::uint32_t size, const HeaderInfo& header, QPainter* painter,
           const QRectF& target, const PlayOptions& options)
        : m_data(data), m_size(size), m_header(header), m_p(painter), m_target(target),
          m_checked(options.checked), m_images(options.images) {}

    PlayOutcome run();

private:
    // One record; false when it is unsound.
    bool record(const Rec& r, std::uint32_t type);

    // Mapping
    [[nodiscard]] QTransform pageToDevice() const;
    [[nodiscard]] const QTransform& full();
    void mappingChanged() { m_fullValid = false; }

    // Painter state
    void applyClip();
    void clipChanged() { ++m_clipGeneration; }
    void beginLogical();
    void beginDevice();
    [[nodiscard]] QPen makePen(const PenObj& pen);
    [[nodiscard]] QBrush makeBrush(const BrushObj& brush) const;
    void applyRop2();

    // Drawing
    bool drawable(const QRectF& logicalBounds);
    void drawPolyline(const QPolygonF& pts);
    void thinLine(QPoint from, QPoint to, const QPen& pen);
    void drawPolygon(const QPolygonF& pts);
    void drawPath(const QPainterPath& logical, bool fill, bool stroke);
    void drawRectangle(const QRectF& box);
    void fillLogicalRect(const QRectF& r, const QColor& c);

    // Record groups
    bool objectRecord(const Rec& r, std::uint32_t type);
    bool polyRecord(const Rec& r, std::uint32_t type);
    bool polyPolyRecord(const Rec& r, std::uint32_t type);
    bool textRecord(const Rec& r, bool wide);
    const TextFont& textFont(const FontObj& fo, double ky);
    void drawGlyphs(const TextFont& tf, const QString& text, const std::vector<double>& adv,
                    const std::vector<double>& advY, double startX, double baseY, double kx,
                    double ky);
    bool bitmapRecord(const Rec& r, std::uint32_t type);
    bool arcRecord(const Rec& r, std::uint32_t type);
    bool clipRegionRecord(const Rec& r);
    bool fillRegionRecord(const Rec& r, std::uint32_t type);
    bool pathRecord(std::uint32_t type, const Rec& r);

    bool readRegion(const Rec& r, std::uint32_t off, std::uint32_t cb, std::vector<QRectF>& rects);
    void drawImage(const QRectF& dest, const QImage& img, const QRectF& src, std::uint32_t rop);
    void patBlt(const QRectF& dest, std::uint32_t rop);
    void saveDc();
    void restoreDc(std::int32_t relative);

    // Path bracket (device coordinates)
    void pathMoveTo(const QPointF& logical);
    void pathLineTo(const QPointF& logical);
    void pathAdd(const QPainterPath& logical);
    [[nodiscard]] bool pathFull() const { return m_path.elementCount() > kMaxPathElements; }

    const char* m_data;
    std::uint32_t m_size;
    HeaderInfo m_header;
    QPainter* m_p;
    QRectF m_target;
    bool m_checked;
    ImageCache* m_images;

    Dc m_dc;
    std::vector<Dc> m_saved;
    std::vector<Object> m_objects;
    QTransform m_devToTarget;
    QTransform m_full;
    bool m_fullValid = false;
    double m_pxPerMmX = 96 / 25.4;
    double m_pxPerMmY = 96 / 25.4;
    Clip m_baseClip;
    quint64 m_clipGeneration = 1;
    quint64 m_appliedClip = 0;
    bool m_inPath = false;
    QPainterPath m_path;
    bool m_rasterOps = false;
    bool m_glyphRuns = false;
    std::int64_t m_textBudget = kTextBudget;
    std::int64_t m_pixelBudget = kPixelBudget;
    std::vector<TextFont> m_fonts;
    // Reused by every text record.
    std::vector<quint32> m_lookup;
    std::vector<double> m_adv;
    std::vector<double> m_advY;
    QList<quint32> m_glyphs;
    QList<QPointF> m_glyphPositions;
};

PlayOutcome Player::run() {
    PlayOutcome out;
    // Reference device resolution and the frame that maps onto the target.
    const QSize dev = m_header.devicePixels;
    if (m_header.deviceMicrometers.width() > 0 && m_header.deviceMicrometers.height() > 0 &&
        dev.width() > 0 && dev.height() > 0) {
        m_pxPerMmX = dev.width() * 1000.0 / m_header.deviceMicrometers.width();
        m_pxPerMmY = dev.height() * 1000.0 / m_header.deviceMicrometers.height();
    } else if (m_header.deviceMillimeters.width() > 0 && m_header.deviceMillimeters.height() > 0 &&
               dev.width() > 0 && dev.height() > 0) {
        m_pxPerMmX = double(dev.width()) / m_header.deviceMillimeters.width();
        m_pxPerMmY = double(dev.height()) / m_header.deviceMillimeters.height();
    }
    double frameL = m_header.frame.left();
    double frameT = m_header.frame.top();
    double frameW = double(m_header.frame.right()) - m_header.frame.left();
    double frameH = double(m_header.frame.bottom()) - m_header.frame.top();
    if (frameW <= 0 || frameH <= 0) {
        // No usable frame: the bounds (device pixels) stand in for it.
        frameL = m_header.bounds.left() * 100.0 / m_pxPerMmX;
        frameT = m_header.bounds.top() * 100.0 / m_pxPerMmY;
        frameW =
            (double(m_header.bounds.right()) - m_header.bounds.left() + 1) * 100.0 / m_pxPerMmX;
        frameH =
            (double(m_header.bounds.bottom()) - m_header.bounds.top() + 1) * 100.0 / m_pxPerMmY;
    }
    if (!(frameW > 0) || !(frameH > 0)) {
        frameW = 1;
        frameH = 1;
    }
    // The frame in reference pixels, its size rounded as Width and Height report it: a page
    // played at its own pixel size then maps one to one, without a rounding drift.
    const double leftPx = frameL * m_pxPerMmX / 100;
    const double topPx = frameT * m_pxPerMmY / 100;
    const double widthPx = std::max(1.0, std::round(frameW * m_pxPerMmX / 100));
    const double heightPx = std::max(1.0, std::round(frameH * m_pxPerMmY / 100));
    const double sx = m_target.width() / widthPx;
    const double sy = m_target.height() / heightPx;
    m_devToTarget =
        QTransform(sx, 0, 0, sy, m_target.left() - leftPx * sx, m_target.top() - topPx * sy);

    m_objects.resize(m_header.nHandles);

    if (m_p) {
        m_p->save();
        QPainterPath base;
        base.addRect(m_target);
        if (m_p->hasClipping()) {
            const QPainterPath existing = m_p->transform().map(m_p->clipPath());
            m_baseClip.setPath(base.intersected(existing));
        } else {
            m_baseClip.rect = m_target;
        }
        m_p->setRenderHint(QPainter::Antialiasing, false);
        m_p->setRenderHint(QPainter::TextAntialiasing, true);
        m_p->setRenderHint(QPainter::SmoothPixmapTransform, true);
        m_p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_rasterOps =
            m_p->paintEngine() && m_p->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
        // Glyph runs only onto pixels (the screen, images): a printer or PDF is given the
        // characters themselves, so that its text stays text.
        m_glyphRuns = m_p->paintEngine() && m_p->paintEngine()->type() == QPaintEngine::Raster;
    } else {
        m_baseClip.rect = m_target;
    }
    m_dc.clip = m_baseClip;
    Object stock;
    stockObject(0x8000000D, stock);
    m_dc.font = stock.font;

    const std::uint32_t limit = std::min<std::uint32_t>(m_size, m_header.nBytes);
    std::uint32_t offset = 0;
    int index = 0;
    bool sawEof = false;
    while (offset < limit) {
        if (index >= kMaxRecords) {
            out.error = QStringLiteral("za dużo rekordów");
            break;
        }
        if (limit - offset < 8) {
            out.error = QStringLiteral("niepełny rekord");
            break;
        }
        std::uint32_t nSize = 0;
        std::uint32_t iType = 0;
        std::memcpy(&iType, m_data + offset, 4);
        std::memcpy(&nSize, m_data + offset + 4, 4);
        if (nSize < 8 || nSize % 4 != 0 || nSize > limit - offset) {
            out.error = QStringLiteral("błędny rozmiar rekordu");
            break;
        }
        std::uint32_t checkedSize = 0;
        std::uint32_t checkedType = 0;
        // libUEMF knows the minimum size of every type it names; others are only skipped.
        const bool known = iType >= U_EMR_MIN && iType <= U_EMR_MAX;
        if (known && !m_checked &&
            (!U_emf_record_sizeok(m_data + offset, m_data + limit, &checkedSize, &checkedType, 1) ||
             checkedSize != nSize)) {
            out.error = QStringLiteral("błędny rozmiar rekordu");
            break;
        }
        if (index == 0 && iType != U_EMR_HEADER) {
            out.error = QStringLiteral("brak nagłówka");
            break;
        }
        if (index > 0 && iType == U_EMR_HEADER) {
            out.error = QStringLiteral("drugi nagłówek");
            break;
        }
        const Rec rec(m_data + offset, nSize);
        if (!record(rec, iType)) {
            out.error = QStringLiteral("uszkodzony rekord typu %1").arg(iType);
            break;
        }
        offset += nSize;
        ++index;
        if (iType == U_EMR_EOF) {
            sawEof = true;
            break;
        }
    }
    if (out.error.isEmpty() && !sawEof)
        out.error = m_header.nBytes > m_size ? QStringLiteral("obraz jest ucięty")
                                             : QStringLiteral("brak rekordu końca");
    if (out.error.isEmpty() && offset != m_header.nBytes)
        out.error = QStringLiteral("dane po rekordzie końca");
    out.complete = out.error.isEmpty();
    if (!out.complete)
        out.badRecord = index;
    if (m_p)
        m_p->restore();
    return out;
}

// ------------------------------------------------------------------------------------------
// Mapping

QTransform Player::pageToDevice() const {
    double sx = 1;
    double sy = 1;
    const double inchX = m_pxPerMmX * 25.4;
    const double inchY = m_pxPerMmY * 25.4;
    switch (m_dc.mapMode) {
    case U_MM_LOMETRIC:
        sx = m_pxPerMmX * 0.1;
        sy = -m_pxPerMmY * 0.1;
        break;
    case U_MM_HIMETRIC:
        sx = m_pxPerMmX * 0.01;
        sy = -m_pxPerMmY * 0.01;
        break;
    case U_MM_LOENGLISH:
        sx = inchX * 0.01;
        sy = -inchY * 0.01;
        break;
    case U_MM_HIENGLISH:
        sx = inchX * 0.001;
        sy = -inchY * 0.001;
        break;
    case U_MM_TWIPS:
        sx = inchX / 1440;
        sy = -inchY / 1440;
        break;
    case U_MM_ISOTROPIC:
    case U_MM_ANISOTROPIC:
        sx = m_dc.vpExt.width() / m_dc.winExt.width();
        sy = m_dc.vpExt.height() / m_dc.winExt.height();
        if (m_dc.mapMode == U_MM_ISOTROPIC) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    default:
        break;
    }
    return QTransform(sx, 0, 0, sy, m_dc.vpOrg.x() - m_dc.winOrg.x() * sx,
                      m_dc.vpOrg.y() - m_dc.winOrg.y() * sy);
}

const QTransform& Player::full() {
    if (!m_fullValid) {
        m_full = m_dc.world * pageToDevice() * m_devToTarget;
        m_fullValid = true;
    }
    return m_full;
}

// ------------------------------------------------------------------------------------------
// Painter state

void Player::applyClip() {
    if (m_appliedClip == m_clipGeneration)
        return;
    m_p->setWorldTransform(QTransform());
    if (m_dc.clip.isRect)
        m_p->setClipRect(m_dc.clip.rect);
    else
        m_p->setClipPath(m_dc.clip.path);
    m_appliedClip = m_clipGeneration;
}

void Player::beginLogical() {
    applyClip();
    m_p->setWorldTransform(full());
    applyRop2();
}

void Player::beginDevice() {
    applyClip();
    m_p->setWorldTransform(QTransform());
    applyRop2();
}

void Player::applyRop2() {
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (m_rasterOps) {
        if (m_dc.rop2 == U_R2_XORPEN)
            mode = QPainter::RasterOp_SourceXorDestination;
        else if (m_dc.rop2 == U_R2_NOT)
            mode = QPainter::RasterOp_NotDestination;
    }
    if (m_p->compositionMode() != mode)
        m_p->setCompositionMode(mode);
}

QPen Player::makePen(const PenObj& pen) {
    if (pen.null || (pen.style & U_PS_STYLE_MASK) == U_PS_NULL)
        return QPen(Qt::NoPen);
    const QTransform& t = full();
    const double scale = std::sqrt(std::abs(t.determinant()));
    const double deviceWidth = std::max(0.0, pen.width) * scale;
    QPen q(pen.color);
    const bool cosmetic = deviceWidth <= 1.5 || !std::isfinite(deviceWidth);
    const std::uint32_t style = pen.style & U_PS_STYLE_MASK;
    if (cosmetic) {
        q.setWidth(0);
        q.setCapStyle(Qt::FlatCap); // the end point of a thin line is not painted
        switch (style) {
        case U_PS_DASH:
            q.setDashPattern({18, 6});
            break;
        case U_PS_DOT:
        case U_PS_ALTERNATE:
            q.setDashPattern({3, 3});
            break;
        case U_PS_DASHDOT:
            q.setDashPattern({9, 6, 3, 6});
            break;
        case U_PS_DASHDOTDOT:
            q.setDashPattern({9, 3, 3, 3, 3, 3});
            break;
        default:
            break;
        }
        return q;
    }
    q.setWidthF(penWidth(std::min(deviceWidth, kMaxPenWidth) / (scale > 0 ? scale : 1)));
    if (pen.geometric) {
        switch (pen.style & U_PS_ENDCAP_MASK) {
        case U_PS_ENDCAP_SQUARE:
            q.setCapStyle(Qt::SquareCap);
            break;
        case U_PS_ENDCAP_FLAT:
            q.setCapStyle(Qt::FlatCap);
            break;
        default:
            q.setCapStyle(Qt::RoundCap);
        }
        switch (pen.style & U_PS_JOIN_MASK) {
        case U_PS_JOIN_BEVEL:
            q.setJoinStyle(Qt::BevelJoin);
            break;
        case U_PS_JOIN_MITER:
            q.setJoinStyle(Qt::MiterJoin);
            break;
        default:
            q.setJoinStyle(Qt::RoundJoin);
        }
    } else {
        q.setCapStyle(Qt::RoundCap);
        q.setJoinStyle(Qt::RoundJoin);
    }
    if (style == U_PS_DASH)
        q.setStyle(Qt::DashLine);
    else if (style == U_PS_DOT || style == U_PS_ALTERNATE)
        q.setStyle(Qt::DotLine);
    else if (style == U_PS_DASHDOT)
        q.setStyle(Qt::DashDotLine);
    else if (style == U_PS_DASHDOTDOT)
        q.setStyle(Qt::DashDotDotLine);
    return q;
}

QBrush Player::makeBrush(const BrushObj& b) const {
    switch (b.style) {
    case U_BS_NULL:
        return QBrush(Qt::NoBrush);
    case U_BS_HATCHED: {
        Qt::BrushStyle s = Qt::HorPattern;
        switch (b.hatch) {
        case U_HS_VERTICAL:
            s = Qt::VerPattern;
            break;
        case U_HS_FDIAGONAL:
            s = Qt::FDiagPattern;
            break;
        case U_HS_BDIAGONAL:
            s = Qt::BDiagPattern;
            break;
        case U_HS_CROSS:
            s = Qt::CrossPattern;
            break;
        case U_HS_DIAGCROSS:
            s = Qt::DiagCrossPattern;
            break;
        default:
            break;
        }
        return QBrush(b.color, s);
    }
    case U_BS_PATTERN:
    case U_BS_DIBPATTERN:
    case U_BS_DIBPATTERNPT:
        if (!b.pattern.isNull())
            return QBrush(b.pattern);
        return QBrush(Qt::NoBrush);
    default:
        return QBrush(b.color);
    }
}

// ------------------------------------------------------------------------------------------
// Drawing

bool Player::drawable(const QRectF& logicalBounds) {
    if (!m_p)
        return false;
    const QTransform& t = full();
    if (!finite(t))
        return false;
    return saneDeviceRect(t.mapRect(logicalBounds));
}

void Player::fillLogicalRect(const QRectF& r, const QColor& c) {
    if (!drawable(r))
        return;
    beginLogical();
    m_p->setPen(Qt::NoPen);
    m_p->setBrush(c);
    m_p->drawRect(r);
}

void Player::drawPolyline(const QPolygonF& pts) {
    if (pts.size() < 2 || !drawable(pts.boundingRect()))
        return;
    const QPen pen = makePen(m_dc.pen);
    if (pen.style() == Qt::NoPen)
        return;
    if (pen.widthF() > 0 || full().type() > QTransform::TxScale) {
        beginLogical();
        m_p->setPen(pen);
        m_p->setBrush(Qt::NoBrush);
        m_p->drawPolyline(pts);
        return;
    }
    // A thin line as GDI draws it: on whole device pixels, from its start up to but not
    // including its end.
    beginDevice();
    const QTransform& t = full();
    for (qsizetype i = 1; i < pts.size(); ++i) {
        const QPointF a = t.map(pts[i - 1]);
        const QPointF b = t.map(pts[i]);
        thinLine(QPoint(qRound(a.x()), qRound(a.y())), QPoint(qRound(b.x()), qRound(b.y())), pen);
    }
}

void Player::thinLine(QPoint from, QPoint to, const QPen& pen) {
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    if (dx == 0 && dy == 0)
        return;
    if (pen.style() == Qt::SolidLine && dy == 0) {
        m_p->fillRect(QRect(dx > 0 ? from.x() : to.x() + 1, from.y(), std::abs(dx), 1),
                      pen.color());
        return;
    }
    if (pen.style() == Qt::SolidLine && dx == 0) {
        m_p->fillRect(QRect(from.x(), dy > 0 ? from.y() : to.y() + 1, 1, std::abs(dy)),
                      pen.color());
        return;
    }
    // Qt's thin flat-capped line leaves out its last pixel, as GDI does.
    m_p->setPen(pen);
    m_p->setBrush(Qt::NoBrush);
    m_p->drawLine(from, to);
}

void Player::drawPolygon(const QPolygonF& pts) {
    if (pts.size() < 2 || !drawable(pts.boundingRect()))
        return;
    beginLogical();
    m_p->setPen(makePen(m_dc.pen));
    m_p->setBrush(makeBrush(m_dc.brush));
    m_p->drawPolygon(pts, m_dc.polyFill == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill);
}

void Player::drawPath(const QPainterPath& logical, bool fill, bool stroke) {
    if (!drawable(logical.controlPointRect()))
        return;
    beginLogical();
    m_p->setPen(stroke ? makePen(m_dc.pen) : QPen(Qt::NoPen));
    m_p->setBrush(fill ? makeBrush(m_dc.brush) : QBrush(Qt::NoBrush));
    m_p->drawPath(logical);
}

// A rectangle as GDI draws it: the outline of a thin pen on the pixels just inside the right
// and bottom edges, and without a pen one pixel less in each direction.
void Player::drawRectangle(const QRectF& box) {
    if (!drawable(box))
        return;
    const QTransform& t = full();
    const QPen pen = makePen(m_dc.pen);
    const QBrush brush = makeBrush(m_dc.brush);
    if (t.type() > QTransform::TxScale) {
        beginLogical();
        m_p->setPen(pen);
        m_p->setBrush(brush);
        m_p->drawRect(box);
        return;
    }
    const QRectF d = t.mapRect(box);
    const int l = qRound(d.left());
    const int top = qRound(d.top());
    const int r = qRound(d.right());
    const int b = qRound(d.bottom());
    beginDevice();
    if (pen.style() == Qt::NoPen) {
        if (r - l > 1 && b - top > 1) {
            m_p->setPen(Qt::NoPen);
            m_p->setBrush(brush);
            m_p->drawRect(QRect(l, top, r - l - 1, b - top - 1));
        }
        return;
    }
    if (r - l < 1 || b - top < 1)
        return;
    m_p->setPen(Qt::NoPen);
    m_p->setBrush(brush);
    m_p->drawRect(QRect(l, top, r - l, b - top));
    const double scale = std::sqrt(std::abs(t.determinant()));
    const double w = pen.widthF() * scale;
    QPen devicePen = pen;
    m_p->setBrush(Qt::NoBrush);
    if (pen.widthF() == 0) {
        m_p->setPen(devicePen);
        m_p->drawRect(QRect(l, top, r - l - 1, b - top - 1));
        return;
    }
    devicePen.setWidthF(penWidth(w));
    devicePen.setJoinStyle(Qt::MiterJoin);
    m_p->setPen(devicePen);
    QRectF outline(l, top, r - l, b - top);
    if ((m_dc.pen.style & U_PS_STYLE_MASK) == U_PS_INSIDEFRAME)
        outline.adjust(w / 2, w / 2, -w / 2, -w / 2);
    m_p->drawRect(outline);
}

// ------------------------------------------------------------------------------------------
// Paths

void Player::pathMoveTo(const QPointF& logical) {
    if (pathFull())
        return;
    m_path.moveTo(full().map(logical));
}

void Player::pathLineTo(const QPointF& logical) {
    if (pathFull())
        return;
    if (m_path.elementCount() == 0)
        m_path.moveTo(full().map(m_dc.cur));
    m_path.lineTo(full().map(logical));
}

void Player::pathAdd(const QPainterPath& logical) {
    if (pathFull())
        return;
    m_path.addPath(full().map(logical));
}

bool Player::pathRecord(std::uint32_t type, const Rec& r) {
    switch (type) {
    case U_EMR_BEGINPATH:
        m_inPath = true;
        m_path = QPainterPath();
        return true;
    case U_EMR_ENDPATH:
        m_inPath = false;
        return true;
    case U_EMR_ABORTPATH:
        m_inPath = false;
        m_path = QPainterPath();
        return true;
    case U_EMR_CLOSEFIGURE:
        if (m_inPath)
            m_path.closeSubpath();
        return true;
    case U_EMR_FLATTENPATH:
    case U_EMR_WIDENPATH:
        return true;
    case U_EMR_SELECTCLIPPATH: {
        if (!r.has(8, 4))
            return false;
        const std::uint32_t mode = r.u32(8);
        QPainterPath p = m_path;
        p.setFillRule(m_dc.polyFill == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        m_path = QPainterPath();
        switch (mode) {
        case U_RGN_AND:
            m_dc.clip.intersect(p, false, {});
            break;
        case U_RGN_OR:
            m_dc.clip.setPath(m_dc.clip.asPath().united(p).intersected(m_baseClip.asPath()));
            break;
        case U_RGN_XOR: {
            const QPainterPath c = m_dc.clip.asPath();
            m_dc.clip.setPath(c.united(p).subtracted(c.intersected(p)));
            break;
        }
        case U_RGN_DIFF:
            m_dc.clip.setPath(m_dc.clip.asPath().subtracted(p));
            break;
        case U_RGN_COPY:
            m_dc.clip.setPath(m_baseClip.asPath().intersected(p));
            break;
        default:
            return true;
        }
        clipChanged();
        return true;
    }
    default: { // FILLPATH, STROKEPATH, STROKEANDFILLPATH
        const QPainterPath p = m_path;
        m_path = QPainterPath();
        if (!m_p || p.isEmpty() || !saneDeviceRect(p.controlPointRect()))
            return true;
        const bool fill = type != U_EMR_STROKEPATH;
        const bool stroke = type != U_EMR_FILLPATH;
        beginDevice();
        QPainterPath filled = p;
        filled.setFillRule(m_dc.polyFill == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        QPen pen = stroke ? makePen(m_dc.pen) : QPen(Qt::NoPen);
        if (pen.style() != Qt::NoPen && pen.widthF() > 0)
            pen.setWidthF(penWidth(pen.widthF() * std::sqrt(std::abs(full().determinant()))));
        m_p->setPen(pen);
        m_p->setBrush(fill ? makeBrush(m_dc.brush) : QBrush(Qt::NoBrush));
        m_p->drawPath(filled);
        return true;
    }
    }
}

// ------------------------------------------------------------------------------------------
// Device context

void Player::saveDc() {
    if (m_saved.size() >= kMaxSaveDepth)
        return;
    m_saved.push_back(m_dc);
}

void Player::restoreDc(std::int32_t relative) {
    std::size_t keep = 0; // how many saved states remain after the restore
    const auto depth = static_cast<std::int64_t>(m_saved.size());
    if (relative < 0) {
        if (-std::int64_t(relative) > depth)
            return;
        keep = static_cast<std::size_t>(depth + relative);
    } else {
        if (relative == 0 || relative > depth)
            return;
        keep = static_cast<std::size_t>(relative - 1);
    }
    m_dc = m_saved[keep];
    m_saved.resize(keep);
    mappingChanged();
    clipChanged();
}

// ------------------------------------------------------------------------------------------
// Objects

bool Player::objectRecord(const Rec& r, std::uint32_t type) {
    if (!r.has(8, 4))
        return false;
    const std::uint32_t ih = r.u32(8);
    if (type == U_EMR_SELECTOBJECT || type == U_EMR_DELETEOBJECT) {
        if (ih & U_STOCK_OBJECT) {
            if (type == U_EMR_DELETEOBJECT)
                return true; // stock objects are never deleted
            Object stock;
            if (!stockObject(ih, stock))
                return true; // unknown stock object: nothing to select
            if (stock.kind == Object::Kind::Pen)
                m_dc.pen = stock.pen;
            else if (stock.kind == Object::Kind::Brush)
                m_dc.brush = stock.brush;
            else if (stock.kind == Object::Kind::Font)
                m_dc.font = stock.font;
            return true;
        }
        if (ih == 0 || ih >= m_objects.size())
            return false;
        Object& o = m_objects[ih];
        if (type == U_EMR_DELETEOBJECT) {
            o = Object();
            return true;
        }
        if (o.kind == Object::Kind::Pen)
            m_dc.pen = o.pen;
        else if (o.kind == Object::Kind::Brush)
            m_dc.brush = o.brush;
        else if (o.kind == Object::Kind::Font)
            m_dc.font = o.font;
        return true;
    }
    // Creation: the index must lie inside the table the header announced.
    if (ih == 0 || ih >= m_objects.size())
        return false;
    Object o;
    switch (type) {
    case U_EMR_CREATEPEN:
        if (!r.has(12, 16))
            return false;
        o.kind = Object::Kind::Pen;
        o.pen.style = r.u32(12);
        o.pen.width = r.i32(16);
        o.pen.color = r.colorRef(24);
        o.pen.null = (o.pen.style & U_PS_STYLE_MASK) == U_PS_NULL;
        break;
    case U_EMR_EXTCREATEPEN: {
        if (!r.has(12, 40))
            return false;
        const std::uint32_t offBmi = r.u32(12);
        const std::uint32_t cbBmi = r.u32(16);
        const std::uint32_t offBits = r.u32(20);
        const std::uint32_t cbBits = r.u32(24);
        if (cbBmi != 0 && DecodeDib(r.data(), r.size(), offBmi, cbBmi, offBits, cbBits, 0, false,
                                    nullptr) == DibStatus::Bad)
            return false;
        const std::uint32_t entries = r.u32(48);
        if (!r.has(52, std::uint64_t(entries) * 4))
            return false;
        o.kind = Object::Kind::Pen;
        o.pen.style = r.u32(28);
        o.pen.width = r.u32(32) > 0x7FFFFFFF ? 0 : double(r.u32(32));
        o.pen.color = r.colorRef(40);
        o.pen.geometric = (o.pen.style & U_PS_TYPE_MASK) == U_PS_GEOMETRIC;
        o.pen.logPen = false;
        o.pen.null = (o.pen.style & U_PS_STYLE_MASK) == U_PS_NULL || r.u32(36) == U_BS_NULL;
        break;
    }
    case U_EMR_CREATEBRUSHINDIRECT:
        if (!r.has(12, 12))
            return false;
        o.kind = Object::Kind::Brush;
        o.brush.style = r.u32(12);
        o.brush.color = r.colorRef(16);
        o.brush.hatch = r.u32(20);
        if (o.brush.style != U_BS_SOLID && o.brush.style != U_BS_NULL &&
            o.brush.style != U_BS_HATCHED)
            o.brush.style = U_BS_SOLID;
        break;
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH: {
        if (!r.has(12, 20))
            return false;
        o.kind = Object::Kind::Brush;
        o.brush.style = U_BS_DIBPATTERNPT;
        QImage img;
        const DibStatus s = DecodeDib(r.data(), r.size(), r.u32(16), r.u32(20), r.u32(24),
                                      r.u32(28), r.u32(12), m_p != nullptr, &img);
        if (s == DibStatus::Bad)
            return false;
        if (s == DibStatus::Ok && m_p) {
            o.brush.pattern = img;
        } else {
            o.brush.style = U_BS_SOLID;
            o.brush.color = Qt::gray;
        }
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW: {
        if (!r.has(12, 92))
            return false;
        o.kind = Object::Kind::Font;
        o.font.height = r.i32(12);
        o.font.escapement = r.i32(20);
        o.font.weight = r.i32(28);
        o.font.italic = r.u8(32) != 0;
        o.font.underline = r.u8(33) != 0;
        o.font.strikeOut = r.u8(34) != 0;
        QString face;
        for (int i = 0; i < 32; ++i) {
            const std::uint16_t c = r.u16(40 + 2 * static_cast<std::uint32_t>(i));
            if (c == 0)
                break;
            face.append(QChar(c));
        }
        o.font.face = face.isEmpty() ? QStringLiteral("Arial") : face;
        break;
    }
    default: // palettes, colour spaces: kept so that their handles stay valid
        o.kind = Object::Kind::Other;
        break;
    }
    m_objects[ih] = std::move(o);
    return true;
}

// ------------------------------------------------------------------------------------------
// Lines and shapes

bool Player::polyRecord(const Rec& r, std::uint32_t type) {
    if (!r.has(24, 4))
        return false;
    const std::uint32_t count = r.u32(24);
    const bool small = type >= U_EMR_POLYBEZIER16;
    const std::uint32_t pointSize = small ? 4 : 8;
    if (!r.has(28, std::uint64_t(count) * pointSize))
        return false;
    QPolygonF pts;
    pts.reserve(static_cast<qsizetype>(count));
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = 28 + i * pointSize;
        pts.append(small ? QPointF(r.i16(at), r.i16(at + 2)) : QPointF(r.i32(at), r.i32(at + 4)));
    }
    const std::uint32_t base = small ? type - (U_EMR_POLYBEZIER16 - U_EMR_POLYBEZIER) : type;
    const bool toForm = base == U_EMR_POLYLINETO || base == U_EMR_POLYBEZIERTO;
    if (toForm)
        pts.prepend(m_dc.cur);
    if (pts.isEmpty())
        return true;

    QPainterPath bezier;
    const bool isBezier = base == U_EMR_POLYBEZIER || base == U_EMR_POLYBEZIERTO;
    if (isBezier) {
        bezier.moveTo(pts[0]);
        for (qsizetype i = 1; i + 2 < pts.size(); i += 3)
            bezier.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    }
    if (toForm)
        m_dc.cur = isBezier ? bezier.currentPosition() : pts.last();

    if (m_inPath) {
        if (isBezier) {
            if (toForm && m_path.elementCount() > 0 && !pathFull())
                m_path.connectPath(full().map(bezier));
            else
                pathAdd(bezier);
        } else {
            if (!toForm || m_path.elementCount() == 0)
                pathMoveTo(pts[0]);
            for (qsizetype i = 1; i < pts.size(); ++i)
                pathLineTo(pts[i]);
            if (base == U_EMR_POLYGON && !pathFull())
                m_path.closeSubpath();
        }
        return true;
    }
    if (!m_p)
        return true;
    if (isBezier)
        drawPath(bezier, false, true);
    else if (base == U_EMR_POLYGON)
        drawPolygon(pts);
    else
        drawPolyline(pts);
    return true;
}

bool Player::polyPolyRecord(const Rec& r, std::uint32_t type) {
    if (!r.has(24, 8))
        return false;
    const std::uint32_t nPolys = r.u32(24);
    const std::uint32_t cpts = r.u32(28);
    const bool small = type == U_EMR_POLYPOLYLINE16 || type == U_EMR_POLYPOLYGON16;
    const std::uint32_t pointSize = small ? 4 : 8;
    if (!r.has(32, std::uint64_t(nPolys) * 4))
        return false;
    const std::uint64_t pointsAt = 32 + std::uint64_t(nPolys) * 4;
    if (!r.has(pointsAt, std::uint64_t(cpts) * pointSize))
        return false;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < nPolys; ++i)
        total += r.u32(32 + 4 * i);
    if (total > cpts)
        return false;
    const bool polygon = type == U_EMR_POLYPOLYGON || type == U_EMR_POLYPOLYGON16;
    QPainterPath path;
    path.setFillRule(m_dc.polyFill == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    std::uint64_t at = pointsAt;
    for (std::uint32_t i = 0; i < nPolys; ++i) {
        const std::uint32_t n = r.u32(32 + 4 * i);
        QPolygonF poly;
        poly.reserve(static_cast<qsizetype>(n));
        for (std::uint32_t k = 0; k < n; ++k, at += pointSize) {
            const auto a = static_cast<std::uint32_t>(at);
            poly.append(small ? QPointF(r.i16(a), r.i16(a + 2)) : QPointF(r.i32(a), r.i32(a + 4)));
        }
        if (poly.isEmpty())
            continue;
        if (polygon) {
            path.addPolygon(poly);
            path.closeSubpath();
        } else {
            path.addPolygon(poly);
        }
    }
    if (m_inPath) {
        pathAdd(path);
        return true;
    }
    if (m_p && !path.isEmpty())
        drawPath(path, polygon, true);
    return true;
}

bool Player::arcRecord(const Rec& r, std::uint32_t type) {
    if (!r.has(8, 32))
        return false;
    const QRectF box = rectFromEdges(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
    const QPointF start(r.i32(24), r.i32(28));
    const QPointF end(r.i32(32), r.i32(36));
    if (box.width() <= 0 || box.height() <= 0)
        return true;
    const QPointF c = box.center();
    const double rx = box.width() / 2;
    const double ry = box.height() / 2;
    auto angle = [&](const QPointF& p) {
        return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180 / std::numbers::pi;
    };
    const double a0 = angle(start);
    double sweep = angle(end) - a0;
    if (m_dc.arcDirection == 2) { // clockwise
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    QPainterPath path;
    const double rad0 = a0 * std::numbers::pi / 180;
    const QPointF first(c.x() + rx * std::cos(rad0), c.y() - ry * std::sin(rad0));
    if (type == U_EMR_PIE) {
        path.moveTo(c);
        path.lineTo(first);
    } else if (type == U_EMR_ARCTO) {
        path.moveTo(m_dc.cur);
        path.lineTo(first);
    } else {
        path.moveTo(first);
    }
    path.arcTo(box, a0, sweep);
    if (type == U_EMR_PIE || type == U_EMR_CHORD)
        path.closeSubpath();
    if (type == U_EMR_ARCTO)
        m_dc.cur = path.currentPosition();
    if (m_inPath) {
        pathAdd(path);
        return true;
    }
    if (m_p)
        drawPath(path, type == U_EMR_PIE || type == U_EMR_CHORD, true);
    return true;
}

// ------------------------------------------------------------------------------------------
// Regions

bool Player::readRegion(const Rec& r, std::uint32_t off, std::uint32_t cb,
                        std::vector<QRectF>& rects) {
    if (cb < 32 || !r.has(off, cb))
        return false;
    const std::uint32_t count = r.u32(off + 8);
    if (count > kMaxRegionRects || std::uint64_t(count) * 16 > cb - 32)
        return false;
    rects.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = off + 32 + 16 * i;
        rects.push_back(rectFromEdges(r.i32(at), r.i32(at + 4), r.i32(at + 8), r.i32(at + 12)));
    }
    return true;
}

bool Player::clipRegionRecord(const Rec& r) {
    if (!r.has(8, 8))
        return false;
    const std::uint32_t cb = r.u32(8);
    const std::uint32_t mode = r.u32(12);
    if (cb == 0) {
        if (mode == U_RGN_COPY) {
            m_dc.clip = m_baseClip;
            clipChanged();
        }
        return true;
    }
    std::vector<QRectF> rects;
    if (!readRegion(r, 16, cb, rects))
        return false;
    // Clip regions are in device pixels of the reference device.
    QPainterPath rgn;
    for (const QRectF& rc : rects)
        rgn.addRect(m_devToTarget.mapRect(rc));
    rgn = rgn.simplified();
    const bool singleRect = rects.size() == 1;
    const QRectF rect = singleRect ? m_devToTarget.mapRect(rects.front()) : QRectF();
    switch (mode) {
    case U_RGN_AND:
        m_dc.clip.intersect(rgn, singleRect, rect);
        break;
    case U_RGN_OR:
        m_dc.clip.setPath(m_dc.clip.asPath().united(rgn).intersected(m_baseClip.asPath()));
        break;
    case U_RGN_XOR: {
        const QPainterPath c = m_dc.clip.asPath();
        m_dc.clip.setPath(c.united(rgn).subtracted(c.intersected(rgn)));
        break;
    }
    case U_RGN_DIFF:
        m_dc.clip.setPath(m_dc.clip.asPath().subtracted(rgn));
        break;
    case U_RGN_COPY:
        m_dc.clip = m_baseClip;
        m_dc.clip.intersect(rgn, singleRect, rect);
        break;
    default:
        return true;
    }
    clipChanged();
    return true;
}

bool Player::fillRegionRecord(const Rec& r, std::uint32_t type) {
    // FILLRGN: bounds, cbRgnData, ihBrush, region; PAINTRGN/INVERTRGN: bounds, cbRgnData, region;
    // FRAMERGN: bounds, cbRgnData, ihBrush, stroke size, region.
    if (!r.has(24, 4))
        return false;
    const std::uint32_t cb = r.u32(24);
    std::uint32_t regionAt = 28;
    BrushObj brush = m_dc.brush;
    if (type == U_EMR_FILLRGN || type == U_EMR_FRAMERGN) {
        if (!r.has(28, 4))
            return false;
        const std::uint32_t ih = r.u32(28);
        if (ih & U_STOCK_OBJECT) {
            Object stock;
            if (stockObject(ih, stock) && stock.kind == Object::Kind::Brush)
                brush = stock.brush;
        } else if (ih == 0 || ih >= m_objects.size()) {
            return false;
        } else if (m_objects[ih].kind == Object::Kind::Brush) {
            brush = m_objects[ih].brush;
        }
        regionAt = type == U_EMR_FILLRGN ? 32 : 40;
    }
    std::vector<QRectF> rects;
    if (!readRegion(r, regionAt, cb, rects))
        return false;
    if (!m_p || type == U_EMR_FRAMERGN || type == U_EMR_INVERTRGN)
        return true;
    QPainterPath p;
    for (const QRectF& rc : rects)
        p.addRect(rc);
    if (!drawable(p.controlPointRect()))
        return true;
    beginLogical();
    m_p->setPen(Qt::NoPen);
    m_p->setBrush(makeBrush(brush));
    m_p->drawPath(p);
    return true;
}

// ------------------------------------------------------------------------------------------
// Text

namespace {

// A character Qt draws, on its own, with the glyph its font maps it to: no shaping, no other
// font, nothing hidden. Everything else (marks, format and control characters, other scripts,
// surrogates) is shaped by Qt one character at a time.
bool plainChar(QChar ch) {
    const QChar::Script script = ch.script();
    if (script != QChar::Script_Common && script != QChar::Script_Latin)
        return false;
    switch (ch.category()) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

} // namespace

const TextFont& Player::textFont(const FontObj& fo, double ky) {
    for (const TextFont& tf : m_fonts)
        if (tf.ky == ky && tf.source == fo)
            return tf;
    if (m_fonts.size() >= kMaxTextFonts)
        m_fonts.clear(); // a page that keeps making fonts: no point in remembering them all
    TextFont tf;
    tf.source = fo;
    tf.ky = ky;
    QFont font(fo.face);
    font.setWeight(QFont::Weight(std::clamp(fo.weight <= 0 ? 400 : fo.weight, 1, 1000)));
    font.setItalic(fo.italic);
    font.setUnderline(fo.underline);
    font.setStrikeOut(fo.strikeOut);
    const QPaintDevice* device = m_p->device();
    const double dpiY = device ? device->logicalDpiY() : 96;
    // Font height in logical units: negative is the em height, positive the cell height.
    double em = std::abs(double(fo.height));
    if (fo.height == 0)
        em = 12;
    if (fo.height > 0) {
        QFont probe = font;
        probe.setPixelSize(100);
        const QFontMetricsF pm(probe);
        if (pm.ascent() + pm.descent() > 0)
            em = double(fo.height) * 100 / (pm.ascent() + pm.descent());
    }
    const double devEm = em * ky;
    if (devEm >= 0.3 && devEm <= kMaxFontPixels) {
        font.setPointSizeF(devEm * 72.0 / (dpiY > 0 ? dpiY : 96));
        tf.font = font;
        tf.metrics.emplace(font, device);
        // The very font engine the painter uses for this font on this device.
        tf.raw = QRawFont::fromFont(device ? QFont(font, device) : font);
        tf.drawable = true;
    }
    m_fonts.push_back(std::move(tf));
    return m_fonts.back();
}

bool Player::textRecord(const Rec& r, bool wide) {
    if (!r.has(36, 24))
        return false;
    const QPointF refIn(r.i32(36), r.i32(40));
    const std::uint32_t nChars = r.u32(44);
    const std::uint32_t offString = r.u32(48);
    const std::uint32_t options = r.u32(52);
    const bool noRect = (options & U_ETO_NO_RECT) != 0;
    const std::uint32_t offDxAt = noRect ? 56 : 72;
    if (!r.has(offDxAt, 4))
        return false;
    const QRectF rcl =
        noRect ? QRectF() : rectFromEdges(r.i32(56), r.i32(60), r.i32(64), r.i32(68));
    const std::uint32_t offDx = r.u32(offDxAt);
    const std::uint32_t charSize = wide ? 2 : 1;
    if (nChars > 0 && !r.has(offString, std::uint64_t(nChars) * charSize))
        return false;
    const bool pdy = (options & U_ETO_PDY) != 0;
    const std::uint64_t dxCount = std::uint64_t(nChars) * (pdy ? 2 : 1);
    const bool haveDx = offDx != 0 && nChars > 0;
    if (haveDx && !r.has(offDx, dxCount * 4))
        return false;
    if (!m_p)
        return true;
    if (m_inPath)
        return true;
    if ((options & U_ETO_OPAQUE) && !noRect)
        fillLogicalRect(rcl, m_dc.bkColor);
    if (nChars == 0 || (options & U_ETO_GLYPH_INDEX))
        return true;

    const QTransform& t = full();
    if (!finite(t))
        return true;
    QString text;
    const std::uint32_t n = std::min<std::uint32_t>(nChars, kMaxTextChars);
    if (m_textBudget < n)
        return true;
    m_textBudget -= n;
    text.resize(static_cast<qsizetype>(n));
    QChar* chars = text.data();
    if (wide) {
        for (std::uint32_t i = 0; i < n; ++i)
            chars[i] = QChar(r.u16(offString + 2 * i));
    } else {
        for (std::uint32_t i = 0; i < n; ++i)
            chars[i] = QChar::fromLatin1(static_cast<char>(r.u8(offString + i)));
    }

    const QPointF o = t.map(QPointF(0, 0));
    const QPointF vx = t.map(QPointF(1, 0)) - o;
    const QPointF vy = t.map(QPointF(0, 1)) - o;
    const double kx = std::hypot(vx.x(), vx.y());
    const double ky = std::hypot(vy.x(), vy.y());
    if (!(kx > 0) || !(ky > 0))
        return true;
    const TextFont& tf = textFont(m_dc.font, ky);
    if (!tf.drawable)
        return true;
    const FontObj& fo = tf.source;
    const QFontMetricsF& fm = *tf.metrics;

    // Advances in logical units.
    m_adv.assign(static_cast<std::size_t>(n), 0.0);
    m_advY.assign(static_cast<std::size_t>(n), 0.0);
    if (haveDx) {
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t at = offDx + 4 * (pdy ? 2 * i : i);
            m_adv[i] = r.i32(at);
            if (pdy)
                m_advY[i] = r.i32(at + 4);
        }
    } else {
        for (std::uint32_t i = 0; i < n; ++i)
            m_adv[i] = fm.horizontalAdvance(text.at(static_cast<qsizetype>(i))) / kx;
    }
    double total = 0;
    double totalY = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        total += m_adv[i];
        totalY += m_advY[i];
    }

    const std::uint32_t align = m_dc.textAlign;
    const bool updateCp = (align & U_TA_UPDATECP) != 0;
    const QPointF ref = updateCp ? m_dc.cur : refIn;
    double startX = 0;
    if ((align & U_TA_CENTER) == U_TA_CENTER)
        startX = -total / 2;
    else if (align & U_TA_RIGHT)
        startX = -total;
    if (updateCp) {
        if ((align & U_TA_CENTER) == U_TA_CENTER)
            ; // the current position stays
        else if (align & U_TA_RIGHT)
            m_dc.cur = QPointF(ref.x() - total, ref.y());
        else
            m_dc.cur = QPointF(ref.x() + total, ref.y() + totalY);
    }
    double baseY = 0; // device pixels below the reference point
    if ((align & U_TA_BASELINE) == U_TA_BASELINE)
        baseY = 0;
    else if (align & U_TA_BOTTOM)
        baseY = -fm.descent();
    else
        baseY = fm.ascent();

    // Text space: device pixels, x along the (mapped) logical x axis, glyphs kept upright.
    const QPointF devRef = t.map(ref);
    if (!saneDeviceRect(QRectF(devRef, QSizeF(1, 1))) || !std::isfinite(total) ||
        std::abs(total * kx) > kMaxDeviceCoord)
        return true;
    double angle = std::atan2(vx.y(), vx.x()) * 180 / std::numbers::pi;
    if (t.type() <= QTransform::TxScale)
        angle = 0;
    angle -= fo.escapement / 10.0;
    QTransform textSpace;
    textSpace.translate(devRef.x(), devRef.y());
    textSpace.rotate(angle);

    const bool clipped = (options & U_ETO_CLIPPED) && !noRect;
    if (clipped) {
        m_p->save();
        m_p->setWorldTransform(QTransform());
        applyClip();
        m_p->setClipRect(t.mapRect(rcl), Qt::IntersectClip);
    } else {
        applyClip();
    }
    m_p->setWorldTransform(textSpace);
    m_p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (m_dc.bkMode == U_OPAQUE) {
        m_p->setPen(Qt::NoPen);
        m_p->setBrush(m_dc.bkColor);
        m_p->drawRect(
            QRectF(startX * kx, baseY - fm.ascent(), total * kx, fm.ascent() + fm.descent()));
    }
    m_p->setPen(m_dc.textColor);
    m_p->setBrush(Qt::NoBrush);
    drawGlyphs(tf, text, m_adv, m_advY, startX, baseY, kx, ky);
    if (clipped) {
        m_p->restore();
        m_appliedClip = 0; // the painter's clip is the saved one again; reapply ours when needed
    }
    return true;
}

// Every character at its own place (the advances of the record, not the font's): the plain ones
// as one run of the font's glyphs, the others one by one through Qt's shaping, as the painter
// canvas would draw each of them.
void Player::drawGlyphs(const TextFont& tf, const QString& text, const std::vector<double>& adv,
                        const std::vector<double>& advY, double startX, double baseY, double kx,
                        double ky) {
    const FontObj& fo = tf.source;
    const bool lines = fo.underline || fo.strikeOut;
    const qsizetype n = text.size();
    // The font's glyph of every character, 0 where Qt has to shape it; one look-up for all.
    m_lookup.assign(static_cast<std::size_t>(n), 0);
    if (m_glyphRuns && tf.raw.isValid() && !lines) {
        int found = static_cast<int>(n);
        if (!tf.raw.glyphIndexesForChars(text.constData(), static_cast<int>(n), m_lookup.data(),
                                         &found) ||
            found != n) {
            // Surrogate pairs make fewer glyphs than characters: one character at a time.
            for (qsizetype i = 0; i < n; ++i) {
                m_lookup[static_cast<std::size_t>(i)] = 0;
                const QChar ch = text.at(i);
                int one = 1;
                if (!ch.isSurrogate())
                    (void)tf.raw.glyphIndexesForChars(&ch, 1,
                                                      &m_lookup[static_cast<std::size_t>(i)], &one);
            }
        }
    }
    bool fontSet = false;
    double x = startX;
    double y = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text.at(i);
        const auto k = static_cast<std::size_t>(i);
        double step = adv[k];
        double stepY = advY[k];
        const bool pair = ch.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate();
        if (pair) {
            step += adv[k + 1];
            stepY += advY[k + 1];
        }
        const bool visible = ch.unicode() > 0x20 || (lines && ch.unicode() == 0x20);
        // Advances that run back and forth can put a single glyph far off any device.
        const bool placeable =
            std::abs(x * kx) < kMaxDeviceCoord && std::abs(baseY - y * ky) < kMaxDeviceCoord;
        if (visible && placeable) {
            // Where Qt would put the glyph drawn on its own: its x first cut to Qt's grid of
            // 1/64 pixel (towards zero), then moved by the transformation.
            const QPointF at(static_cast<int>(x * kx * 64) / 64.0, baseY - y * ky);
            // Underlined and struck-out text is drawn by Qt glyph by glyph: a glyph run would
            // leave its lines out.
            const quint32 glyph = !pair && !lines && plainChar(ch) ? m_lookup[k] : 0;
            if (glyph != 0) {
                m_glyphs.append(glyph);
                m_glyphPositions.append(at);
            } else {
                if (!fontSet) {
                    m_p->setFont(tf.font);
                    fontSet = true;
                }
                m_p->drawText(at, pair ? QString(text.constData() + i, 2) : QString(ch));
            }
        }
        if (pair)
            ++i;
        x += step;
        y += stepY;
    }
    if (!m_glyphs.isEmpty()) {
        {
            QGlyphRun run;
            run.setRawFont(tf.raw);
            run.setGlyphIndexes(m_glyphs);
            run.setPositions(m_glyphPositions);
            m_p->drawGlyphRun(QPointF(0, 0), run);
        }
        m_glyphs.clear(); // unshared again: the capacity stays for the next record
        m_glyphPositions.clear();
    }
}

// ------------------------------------------------------------------------------------------
// Bitmaps

void Player::patBlt(const QRectF& dest, std::uint32_t rop) {
    if (!drawable(dest))
        return;
    beginLogical();
    m_p->setPen(Qt::NoPen);
    switch (rop) {
    case 0x00000042: // BLACKNESS
        m_p->setBrush(Qt::black);
        break;
    case 0x00FF0062: // WHITENESS
        m_p->setBrush(Qt::white);
        break;
    case 0x00550009: // DSTINVERT
        if (!m_rasterOps)
            return;
        m_p->setCompositionMode(QPainter::RasterOp_NotDestination);
        m_p->setBrush(Qt::black);
        break;
    case 0x00AA0029: // NOP
        return;
    default: // PATCOPY and the rest: the brush
        m_p->setBrush(makeBrush(m_dc.brush));
        break;
    }
    m_p->drawRect(dest);
}

void Player::drawImage(const QRectF& destIn, const QImage& imgIn, const QRectF& src,
                       std::uint32_t rop) {
    QRectF dest = destIn;
    QImage img = imgIn;
    const bool flipX = dest.width() < 0;
    const bool flipY = dest.height() < 0;
    dest = dest.normalized();
    if (dest.isEmpty() || !drawable(dest))
        return;
    QRectF source = src.isValid() ? src : QRectF(img.rect());
    if (flipX || flipY) {
        img = img.copy(source.toAlignedRect()).mirrored(flipX, flipY);
        source = QRectF(img.rect());
    }
    if (rop == 0x00330008) { // NOTSRCCOPY
        img = img.copy(source.toAlignedRect());
        img.invertPixels();
        source = QRectF(img.rect());
    }
    beginLogical();
    if (rop == 0x008800C6) // SRCAND
        m_p->setCompositionMode(QPainter::CompositionMode_Multiply);
    else if (rop == 0x00EE0086) // SRCPAINT
        m_p->setCompositionMode(QPainter::CompositionMode_Lighten);
    else if (rop == 0x00660046 && m_rasterOps) // SRCINVERT
        m_p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    else
        m_p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_p->drawImage(dest, img, source);
}

// The bitmap with every pixel of the key colour made fully transparent.
QImage withoutKeyColour(const QImage& img, QRgb key) {
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    const QRgb rgb = key & 0x00FFFFFFu;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0x00FFFFFFu) == rgb)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return out;
}

bool Player::bitmapRecord(const Rec& r, std::uint32_t type) {
    QRectF dest;
    QRectF src;
    std::uint32_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0, usage = 0, rop = U_SRCCOPY;
    bool srcFromBottom = false; // DIB source origins of (STRETCH)DIBITS count from the bottom row
    bool keyed = false;         // TRANSPARENTBLT: pixels of the key colour are left out
    QRgb key = 0;
    switch (type) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_TRANSPARENTBLT: {
        if (!r.has(8, type == U_EMR_BITBLT ? 92 : 100))
            return false;
        const double x = r.i32(24), y = r.i32(28), cx = r.i32(32), cy = r.i32(36);
        dest = QRectF(x, y, cx, cy);
        rop = r.u32(40);
        if (type == U_EMR_TRANSPARENTBLT) {
            keyed = true;
            key = r.colorRef(40).rgb();
            rop = U_SRCCOPY;
        }
        const double sx = r.i32(44), sy = r.i32(48);
        usage = r.u32(80);
        offBmi = r.u32(84);
        cbBmi = r.u32(88);
        offBits = r.u32(92);
        cbBits = r.u32(96);
        if (type == U_EMR_BITBLT)
            src = QRectF(sx, sy, cx, cy);
        else
            src = QRectF(sx, sy, r.i32(100), r.i32(104));
        break;
    }
    case U_EMR_STRETCHDIBITS:
        if (!r.has(8, 72))
            return false;
        dest = QRectF(r.i32(24), r.i32(28), r.i32(72), r.i32(76));
        src = QRectF(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
        offBmi = r.u32(48);
        cbBmi = r.u32(52);
        offBits = r.u32(56);
        cbBits = r.u32(60);
        usage = r.u32(64);
        rop = r.u32(68);
        srcFromBottom = true;
        break;
    case U_EMR_SETDIBITSTODEVICE:
        if (!r.has(8, 68))
            return false;
        dest = QRectF(r.i32(24), r.i32(28), r.i32(40), r.i32(44));
        src = QRectF(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
        offBmi = r.u32(48);
        cbBmi = r.u32(52);
        offBits = r.u32(56);
        cbBits = r.u32(60);
        usage = r.u32(64);
        srcFromBottom = true;
        break;
    default:
        return true;
    }
    if (m_inPath)
        return true;
    if (cbBmi == 0) {
        if (type == U_EMR_BITBLT || type == U_EMR_STRETCHBLT) {
            if (m_p)
                patBlt(dest.normalized(), rop);
            return true;
        }
        return false;
    }
    QImage img;
    bool bottomUp = false;
    const bool decode = m_p != nullptr && drawable(dest.normalized()) && m_pixelBudget > 0;
    DibStatus s = DecodeDib(r.data(), r.size(), offBmi, cbBmi, offBits, cbBits, usage, false,
                            nullptr, &bottomUp);
    if (s == DibStatus::Ok && decode) {
        const auto recordOffset = static_cast<std::uint32_t>(r.data() - m_data);
        if (const QImage* cached = m_images ? m_images->find(recordOffset) : nullptr) {
            img = *cached;
        } else {
            s = DecodeDib(r.data(), r.size(), offBmi, cbBmi, offBits, cbBits, usage, true, &img,
                          &bottomUp);
            if (s == DibStatus::Ok && keyed)
                img = withoutKeyColour(img, key);
            if (s == DibStatus::Ok && m_images)
                m_images->insert(recordOffset, img);
        }
        m_pixelBudget -= std::int64_t(img.width()) * img.height();
    }
    if (s == DibStatus::Bad)
        return false;
    if (s != DibStatus::Ok || img.isNull() || !m_p)
        return true;
    QRectF source = src.normalized();
    if (srcFromBottom && bottomUp)
        source.moveTop(img.height() - source.top() - source.height());
    source = source.intersected(QRectF(img.rect()));
    if (source.isEmpty())
        return true;
    drawImage(dest, img, source, rop);
    return true;
}

// ------------------------------------------------------------------------------------------

bool Player::record(const Rec& r, std::uint32_t type) {
    // libUEMF's structural check for every type it knows and we act on (a checked picture
    // passed it when it was taken in).
    auto safe = [&]() { return m_checked || U_emf_record_safe(r.data()) != 0; };
    switch (type) {
    case U_EMR_HEADER:
    case U_EMR_EOF:
        return safe();
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
        return safe() && polyRecord(r, type);
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
        return safe() && polyPolyRecord(r, type);
    case U_EMR_SETWINDOWEXTEX:
    case U_EMR_SETVIEWPORTEXTEX: {
        if (!safe() || !r.has(8, 8))
            return false;
        const double cx = r.i32(8);
        const double cy = r.i32(12);
        if (cx == 0 || cy == 0)
            return true; // GDI refuses zero extents
        (type == U_EMR_SETWINDOWEXTEX ? m_dc.winExt : m_dc.vpExt) = QSizeF(cx, cy);
        mappingChanged();
        return true;
    }
    case U_EMR_SETWINDOWORGEX:
    case U_EMR_SETVIEWPORTORGEX:
        if (!safe() || !r.has(8, 8))
            return false;
        (type == U_EMR_SETWINDOWORGEX ? m_dc.winOrg : m_dc.vpOrg) = r.pointL(8);
        mappingChanged();
        return true;
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX: {
        if (!safe() || !r.has(8, 16))
            return false;
        const double xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
        if (xd == 0 || yd == 0 || xn == 0 || yn == 0)
            return true;
        if (m_dc.mapMode != U_MM_ISOTROPIC && m_dc.mapMode != U_MM_ANISOTROPIC)
            return true;
        QSizeF& ext = type == U_EMR_SCALEVIEWPORTEXTEX ? m_dc.vpExt : m_dc.winExt;
        ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
        mappingChanged();
        return true;
    }
    case U_EMR_SETMAPMODE:
        if (!safe() || !r.has(8, 4))
            return false;
        if (r.u32(8) >= U_MM_MIN && r.u32(8) <= U_MM_MAX) {
            m_dc.mapMode = r.u32(8);
            mappingChanged();
        }
        return true;
    case U_EMR_SETBKMODE:
        if (!safe() || !r.has(8, 4))
            return false;
        if (r.u32(8) == U_TRANSPARENT || r.u32(8) == U_OPAQUE)
            m_dc.bkMode = r.u32(8);
        return true;
    case U_EMR_SETPOLYFILLMODE:
        if (!safe() || !r.has(8, 4))
            return false;
        m_dc.polyFill = r.u32(8);
        return true;
    case U_EMR_SETROP2:
        if (!safe() || !r.has(8, 4))
            return false;
        m_dc.rop2 = r.u32(8);
        return true;
    case U_EMR_SETTEXTALIGN:
        if (!safe() || !r.has(8, 4))
            return false;
        m_dc.textAlign = r.u32(8);
        return true;
    case U_EMR_SETARCDIRECTION:
        if (!safe() || !r.has(8, 4))
            return false;
        m_dc.arcDirection = r.u32(8);
        return true;
    case U_EMR_SETTEXTCOLOR:
    case U_EMR_SETBKCOLOR:
        if (!safe() || !r.has(8, 4))
            return false;
        (type == U_EMR_SETTEXTCOLOR ? m_dc.textColor : m_dc.bkColor) = r.colorRef(8);
        return true;
    case U_EMR_MOVETOEX:
        if (!safe() || !r.has(8, 8))
            return false;
        m_dc.cur = r.pointL(8);
        if (m_inPath)
            pathMoveTo(m_dc.cur);
        return true;
    case U_EMR_LINETO: {
        if (!safe() || !r.has(8, 8))
            return false;
        const QPointF to = r.pointL(8);
        if (m_inPath)
            pathLineTo(to);
        else if (m_p)
            drawPolyline(QPolygonF({m_dc.cur, to}));
        m_dc.cur = to;
        return true;
    }
    case U_EMR_SETPIXELV: {
        if (!safe() || !r.has(8, 12))
            return false;
        const QPointF pt = r.pointL(8);
        if (m_p && !m_inPath && drawable(QRectF(pt, QSizeF(1, 1)))) {
            beginDevice();
            const QPointF d = full().map(pt);
            m_p->setPen(Qt::NoPen);
            m_p->setBrush(r.colorRef(16));
            m_p->drawRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1));
        }
        return true;
    }
    case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT: {
        if (!safe() || !r.has(8, 16))
            return false;
        const QRectF lr = rectFromEdges(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        const QTransform& t = full();
        if (!finite(t))
            return true;
        QPainterPath p;
        p.addPolygon(t.map(QPolygonF(lr)));
        p.closeSubpath();
        const bool axis = t.type() <= QTransform::TxScale;
        if (type == U_EMR_INTERSECTCLIPRECT)
            m_dc.clip.intersect(p, axis, axis ? t.mapRect(lr) : QRectF());
        else
            m_dc.clip.setPath(m_dc.clip.asPath().subtracted(p));
        clipChanged();
        return true;
    }
    case U_EMR_EXTSELECTCLIPRGN:
        return safe() && clipRegionRecord(r);
    case U_EMR_SAVEDC:
        if (!safe())
            return false;
        saveDc();
        return true;
    case U_EMR_RESTOREDC:
        if (!safe() || !r.has(8, 4))
            return false;
        restoreDc(r.i32(8));
        return true;
    case U_EMR_SETWORLDTRANSFORM:
    case U_EMR_MODIFYWORLDTRANSFORM: {
        if (!safe() || !r.has(8, type == U_EMR_SETWORLDTRANSFORM ? 24 : 28))
            return false;
        const QTransform x(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
        QTransform next = m_dc.world;
        if (type == U_EMR_SETWORLDTRANSFORM) {
            next = x;
        } else {
            switch (r.u32(32)) {
            case U_MWT_IDENTITY:
                next = QTransform();
                break;
            case U_MWT_LEFTMULTIPLY:
                next = x * m_dc.world;
                break;
            case U_MWT_RIGHTMULTIPLY:
                next = m_dc.world * x;
                break;
            case 4: // MWT_SET
                next = x;
                break;
            default:
                return true;
            }
        }
        if (finite(next) && next.determinant() != 0 && std::isfinite(next.determinant())) {
            m_dc.world = next;
            mappingChanged();
        }
        return true;
    }
    case U_EMR_SELECTOBJECT:
    case U_EMR_DELETEOBJECT:
    case U_EMR_CREATEPEN:
    case U_EMR_CREATEBRUSHINDIRECT:
    case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_EXTCREATEPEN:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEPALETTE:
        return safe() && objectRecord(r, type);
    case U_EMR_RECTANGLE:
    case U_EMR_ELLIPSE:
    case U_EMR_ROUNDRECT: {
        if (!safe() || !r.has(8, type == U_EMR_ROUNDRECT ? 24 : 16))
            return false;
        const QRectF box = rectFromEdges(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        QPainterPath p;
        if (type == U_EMR_RECTANGLE)
            p.addRect(box);
        else if (type == U_EMR_ELLIPSE)
            p.addEllipse(box);
        else
            p.addRoundedRect(box, std::abs(r.i32(24)) / 2.0, std::abs(r.i32(28)) / 2.0);
        if (m_inPath) {
            pathAdd(p);
            return true;
        }
        if (!m_p)
            return true;
        if (type == U_EMR_RECTANGLE)
            drawRectangle(box);
        else
            drawPath(p, true, true);
        return true;
    }
    case U_EMR_ARC:
    case U_EMR_CHORD:
    case U_EMR_PIE:
    case U_EMR_ARCTO:
        return safe() && arcRecord(r, type);
    case U_EMR_BEGINPATH:
    case U_EMR_ENDPATH:
    case U_EMR_CLOSEFIGURE:
    case U_EMR_FILLPATH:
    case U_EMR_STROKEANDFILLPATH:
    case U_EMR_STROKEPATH:
    case U_EMR_FLATTENPATH:
    case U_EMR_WIDENPATH:
    case U_EMR_SELECTCLIPPATH:
    case U_EMR_ABORTPATH:
        return safe() && pathRecord(type, r);
    case U_EMR_FILLRGN:
    case U_EMR_PAINTRGN:
    case U_EMR_FRAMERGN:
    case U_EMR_INVERTRGN:
        return safe() && fillRegionRecord(r, type);
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_TRANSPARENTBLT:
    case U_EMR_STRETCHDIBITS:
    case U_EMR_SETDIBITSTODEVICE:
        return safe() && bitmapRecord(r, type);
    case U_EMR_EXTTEXTOUTW:
    case U_EMR_EXTTEXTOUTA:
        return safe() && textRecord(r, type == U_EMR_EXTTEXTOUTW);
    default:
        return true; // unknown or not drawn: skipped
    }
}

} // namespace

// ------------------------------------------------------------------------------------------

bool ReadHeader(const char* data, std::size_t size, HeaderInfo& out, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (size < kMinHeaderSize)
        return fail(QStringLiteral("za mało danych na nagłówek"));
    const Rec head(data, static_cast<std::uint32_t>(std::min<std::size_t>(size, 0xFFFFFFFFu)));
    if (head.u32(0) != U_EMR_HEADER)
        return fail(QStringLiteral("brak nagłówka"));
    const std::uint32_t nSize = head.u32(4);
    if (nSize < kMinHeaderSize || nSize % 4 != 0 || nSize > size)
        return fail(QStringLiteral("błędny rozmiar nagłówka"));
    if (head.u32(40) != U_ENHMETA_SIGNATURE)
        return fail(QStringLiteral("brak podpisu EMF"));
    const Rec h(data, nSize);
    out = HeaderInfo();
    out.headerSize = nSize;
    out.bounds = QRect(QPoint(h.i32(8), h.i32(12)), QPoint(h.i32(16), h.i32(20)));
    out.frame = QRect(QPoint(h.i32(24), h.i32(28)), QPoint(h.i32(32), h.i32(36)));
    out.nBytes = h.u32(48);
    out.nRecords = h.u32(52);
    out.nHandles = h.u16(56);
    out.devicePixels = QSize(h.i32(72), h.i32(76));
    out.deviceMillimeters = QSize(h.i32(80), h.i32(84));
    if (nSize >= 108)
        out.deviceMicrometers = QSize(h.i32(100), h.i32(104));
    if (out.nBytes < nSize || out.nBytes % 4 != 0)
        return fail(QStringLiteral("błędna długość w nagłówku"));
    if (out.nBytes > kMaxMetafileBytes)
        return fail(QStringLiteral("obraz jest zbyt duży"));

    double pxPerMmX = 96 / 25.4;
    double pxPerMmY = 96 / 25.4;
    const QSize& dev = out.devicePixels;
    if (out.deviceMicrometers.width() > 0 && out.deviceMicrometers.height() > 0 &&
        dev.width() > 0 && dev.height() > 0) {
        pxPerMmX = dev.width() * 1000.0 / out.deviceMicrometers.width();
        pxPerMmY = dev.height() * 1000.0 / out.deviceMicrometers.height();
    } else if (out.deviceMillimeters.width() > 0 && out.deviceMillimeters.height() > 0 &&
               dev.width() > 0 && dev.height() > 0) {
        pxPerMmX = double(dev.width()) / out.deviceMillimeters.width();
        pxPerMmY = double(dev.height()) / out.deviceMillimeters.height();
    }
    const double fw = double(out.frame.right()) - out.frame.left();
    const double fh = double(out.frame.bottom()) - out.frame.top();
    if (fw > 0 && fh > 0) {
        out.width = static_cast<int>(std::clamp(std::round(fw * pxPerMmX / 100), 0.0, 1e9));
        out.height = static_cast<int>(std::clamp(std::round(fh * pxPerMmY / 100), 0.0, 1e9));
    } else {
        out.width = std::max(0, static_cast<int>(std::clamp(
                                    double(out.bounds.right()) - out.bounds.left() + 1, 0.0, 1e9)));
        out.height =
            std::max(0, static_cast<int>(std::clamp(
                            double(out.bounds.bottom()) - out.bounds.top() + 1, 0.0, 1e9)));
    }
    return true;
}

const QImage* ImageCache::find(std::uint32_t recordOffset) const {
    const auto it = m_images.find(recordOffset);
    return it == m_images.end() ? nullptr : &it->second;
}

void ImageCache::insert(std::uint32_t recordOffset, const QImage& img) {
    const std::int64_t pixels = std::int64_t(img.width()) * img.height();
    if (img.isNull() || m_pixels + pixels > kMaxPixels || m_images.count(recordOffset) != 0)
        return;
    m_images.emplace(recordOffset, img);
    m_pixels += pixels;
}

PlayOutcome Play(const QByteArray& bytes, QPainter* painter, const QRectF& target,
                 const PlayOptions& options) {
    PlayOutcome out;
    // Records are read through 32-bit fields; a picture that does not start on such a boundary
    // is copied first.
    QByteArray aligned = bytes;
    const char* data = bytes.constData();
    if (reinterpret_cast<std::uintptr_t>(data) % 8 != 0) {
        aligned = QByteArray(bytes.constData(), bytes.size());
        data = aligned.constData();
    }
    HeaderInfo header;
    if (!ReadHeader(data, static_cast<std::size_t>(bytes.size()), header, &out.error)) {
        out.badRecord = 0;
        return out;
    }
    if (painter && !painter->isActive())
        painter = nullptr;
    Player player(data, static_cast<std::uint32_t>(std::min<qsizetype>(bytes.size(), 0x7FFFFFFF)),
                  header, painter, target, options);
    return player.run();
}

} // namespace movra::emf
