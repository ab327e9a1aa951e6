#include "platform/emf/EmfWriter.h"

#include "platform/emf/Metafile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace movra::emf {

namespace {

const char* const kNoMemory = "Za mało pamięci na tworzenie nowej strony";

U_COLORREF colorRef(std::uint32_t c) {
    return colorref3_set(static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                         static_cast<uint8_t>((c >> 16) & 0xFF));
}

U_SIZEL sizel(QSize s) {
    return sizel_set(s.width(), s.height());
}
U_POINTL pointl(QPoint p) {
    return point32_set(p.x(), p.y());
}

} // namespace

EmfWriter::EmfWriter() {
    if (emf_htable_create(64, 64, &m_handles) != 0 || !m_handles)
        throw EMetafileError(kNoMemory);
}

EmfWriter::~EmfWriter() {
    if (m_handles)
        emf_htable_free(&m_handles);
}

void EmfWriter::append(char* record) {
    if (!record)
        throw EMetafileError(kNoMemory);
    std::uint32_t size = 0;
    std::memcpy(&size, record + 4, 4);
    m_buf.append(record, size);
    std::free(record);
    ++m_records;
}

void EmfWriter::appendRaw(const QByteArray& record) {
    m_buf.append(record);
    ++m_records;
}

bool EmfWriter::referenced(std::uint32_t handle) const {
    auto uses = [handle](const Dc& dc) {
        return dc.font == handle || dc.pen == handle || dc.brush == handle;
    };
    return uses(m_dc) || std::any_of(m_saved.begin(), m_saved.end(), uses);
}

void EmfWriter::release(std::uint32_t handle) {
    if (handle == 0 || referenced(handle))
        return;
    std::uint32_t ih = handle;
    append(deleteobject_set(&ih, m_handles));
}

void EmfWriter::select(std::uint32_t handle) {
    append(selectobject_set(handle, m_handles));
}

void EmfWriter::font(const FontDesc& f) {
    if (m_dc.fontSet && m_dc.fontDesc == f)
        return;
    U_LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = f.height;
    lf.lfWeight = f.weight;
    lf.lfItalic = f.italic ? 1 : 0;
    lf.lfUnderline = f.underline ? 1 : 0;
    lf.lfStrikeOut = f.strikeOut ? 1 : 0;
    lf.lfCharSet = f.charset;
    lf.lfOutPrecision = U_OUT_TT_PRECIS;
    lf.lfClipPrecision = U_CLIP_DEFAULT_PRECIS;
    lf.lfQuality = U_ANTIALIASED_QUALITY;
    lf.lfPitchAndFamily = U_DEFAULT_PITCH | U_FF_SWISS;
    const int n = std::min<int>(static_cast<int>(f.face.size()), U_LF_FACESIZE - 1);
    for (int i = 0; i < n; ++i)
        lf.lfFaceName[i] = f.face.at(i).unicode();
    std::uint32_t ih = 0;
    append(extcreatefontindirectw_set(&ih, m_handles, reinterpret_cast<const char*>(&lf), nullptr));
    select(ih);
    const std::uint32_t old = m_dc.font;
    m_dc.font = ih;
    m_dc.fontDesc = f;
    m_dc.fontSet = true;
    release(old);
}

void EmfWriter::pen(const PenDesc& p) {
    if (m_dc.penSet && m_dc.penDesc == p)
        return;
    std::uint32_t ih = 0;
    if (p.null) {
        select(U_NULL_PEN);
    } else {
        U_POINT width{static_cast<int32_t>(std::max(0, p.width)), 0};
        append(createpen_set(&ih, m_handles, logpen_set(p.style, width, colorRef(p.color))));
        select(ih);
    }
    const std::uint32_t old = m_dc.pen;
    m_dc.pen = ih;
    m_dc.penDesc = p;
    m_dc.penSet = true;
    release(old);
}

void EmfWriter::brush(const BrushDesc& b) {
    if (m_dc.brushSet && m_dc.brushDesc == b)
        return;
    std::uint32_t ih = 0;
    if (b.null) {
        select(U_NULL_BRUSH);
    } else {
        append(createbrushindirect_set(&ih, m_handles,
                                       logbrush_set(U_BS_SOLID, colorRef(b.color), 0)));
        select(ih);
    }
    const std::uint32_t old = m_dc.brush;
    m_dc.brush = ih;
    m_dc.brushDesc = b;
    m_dc.brushSet = true;
    release(old);
}

void EmfWriter::textColor(std::uint32_t c) {
    if (m_dc.textColor == c)
        return;
    append(U_EMRSETTEXTCOLOR_set(colorRef(c)));
    m_dc.textColor = c;
}

void EmfWriter::bkMode(std::uint32_t mode) {
    if (m_dc.bkMode == mode)
        return;
    append(U_EMRSETBKMODE_set(mode));
    m_dc.bkMode = mode;
}

void EmfWriter::bkColor(std::uint32_t c) {
    if (m_dc.bkColor == c)
        return;
    append(U_EMRSETBKCOLOR_set(colorRef(c)));
    m_dc.bkColor = c;
}

void EmfWriter::textAlign(std::uint32_t align) {
    if (m_dc.textAlign == align)
        return;
    append(U_EMRSETTEXTALIGN_set(align));
    m_dc.textAlign = align;
}

void EmfWriter::rop2(std::uint32_t mode) {
    if (m_dc.rop2 == mode)
        return;
    append(U_EMRSETROP2_set(mode));
    m_dc.rop2 = mode;
}

void EmfWriter::mapping(const MappingDesc& m) {
    MappingDesc& cur = m_dc.mapping;
    if (cur == m)
        return;
    if (!m.anisotropic) {
        if (cur.anisotropic)
            append(U_EMRSETMAPMODE_set(U_MM_TEXT));
        if (cur.viewportOrg != QPoint(0, 0))
            append(U_EMRSETVIEWPORTORGEX_set(pointl(QPoint(0, 0))));
        cur = MappingDesc();
        return;
    }
    const bool modeChanged = !cur.anisotropic;
    if (modeChanged)
        append(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    if (modeChanged || cur.windowExt != m.windowExt)
        append(U_EMRSETWINDOWEXTEX_set(sizel(m.windowExt)));
    if (modeChanged || cur.viewportExt != m.viewportExt)
        append(U_EMRSETVIEWPORTEXTEX_set(sizel(m.viewportExt)));
    if (cur.viewportOrg != m.viewportOrg)
        append(U_EMRSETVIEWPORTORGEX_set(pointl(m.viewportOrg)));
    cur = m;
}

void EmfWriter::moveTo(QPoint p) {
    if (m_dc.pos == p)
        return;
    append(U_EMRMOVETOEX_set(pointl(p)));
    m_dc.pos = p;
}

void EmfWriter::lineTo(QPoint p) {
    append(U_EMRLINETO_set(pointl(p)));
    m_dc.pos = p;
}

void EmfWriter::saveDc() {
    append(U_EMRSAVEDC_set());
    m_saved.push_back(m_dc);
}

void EmfWriter::restoreDc() {
    if (m_saved.empty())
        return;
    append(U_EMRRESTOREDC_set(-1));
    const Dc inner = m_dc;
    m_dc = m_saved.back();
    m_saved.pop_back();
    // The restored state selects its own objects again; those chosen inside are now free.
    release(inner.font);
    release(inner.pen);
    release(inner.brush);
}

QByteArray EmfWriter::finish(const QRect& bounds, const QRect& frame, int dpiX, int dpiY) {
    while (!m_saved.empty())
        restoreDc();
    // Stock objects back into the context, then nothing of ours stays alive.
    const Dc last = m_dc;
    if (last.font)
        select(U_DEVICE_DEFAULT_FONT);
    if (last.pen)
        select(U_BLACK_PEN);
    if (last.brush)
        select(U_WHITE_BRUSH);
    m_dc = Dc();
    release(last.font);
    release(last.pen);
    release(last.brush);

    EMFTRACK track;
    std::memset(&track, 0, sizeof track);
    append(U_EMREOF_set(0, nullptr, &track));

    // A reference device of 20 x 15 inches at the reference resolution: its size in
    // millimetres is exact, so readers derive the resolution without rounding.
    const QSize device(dpiX * 20, dpiY * 15);
    const QSize millimeters(508, 381);
    static const uint16_t description[] = {'M', 'o', 'v', 'r', 'a', 0, 'S',
                                           't', 'r', 'o', 'n', 'a', 0, 0};
    constexpr U_CBSTR descriptionLength = sizeof description / sizeof description[0];
    const U_RECTL rb{bounds.left(), bounds.top(), bounds.right(), bounds.bottom()};
    const U_RECTL rf{frame.left(), frame.top(), frame.right(), frame.bottom()};
    char* header =
        U_EMRHEADER_set(rb, rf, nullptr, descriptionLength, const_cast<uint16_t*>(description),
                        sizel(device), sizel(millimeters), 0);
    if (!header)
        throw EMetafileError(kNoMemory);
    std::uint32_t headerSize = 0;
    std::memcpy(&headerSize, header + 4, 4);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(headerSize) + m_buf.size());
    out.append(header, headerSize);
    std::free(header);
    out.append(m_buf);
    m_buf.clear();

    auto* h = reinterpret_cast<U_EMRHEADER*>(out.data());
    h->nBytes = static_cast<uint32_t>(out.size());
    h->nRecords = m_records + 1;
    h->nHandles = static_cast<uint16_t>(std::min<std::uint32_t>(m_handles->peak + 1, 0xFFFF));
    h->nPalEntries = 0;
    return out;
}

} // namespace movra::emf
