#include "platform/emf/Dib.h"

#include <QtGui/QPainter>

#include <array>
#include <cstring>

namespace movra::emf {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kDibRgbColors = 0;

template <typename T> T load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void put32(QByteArray& b, int at, std::uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}
void put16(QByteArray& b, int at, std::uint16_t v) {
    std::memcpy(b.data() + at, &v, 2);
}

// One channel of a BI_BITFIELDS mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0)
            return;
        while (((m >> shift) & 1u) == 0)
            ++shift;
        max = m >> shift;
    }
    [[nodiscard]] int value(std::uint32_t px) const {
        if (max == 0)
            return 0;
        const std::uint64_t v = (px & mask) >> shift;
        return static_cast<int>((v * 255 + max / 2) / max);
    }
};

} // namespace

Dib MakeDib24(const QImage& source) {
    QImage img = source;
    if (img.hasAlphaChannel()) {
        QImage flat(img.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter p(&flat);
        p.drawImage(0, 0, img);
        p.end();
        img = flat;
    }
    // 32-bit pixels (photos, window pictures) are laid out here directly: Qt's conversion to
    // 24 bits goes through a general path that costs more than the rest of recording a page.
    const bool direct = img.format() == QImage::Format_RGB32;
    if (!direct)
        img = img.convertToFormat(QImage::Format_BGR888);
    const int w = img.width();
    const int h = img.height();
    const int stride = ((w * 3 + 3) / 4) * 4;

    Dib dib;
    dib.info = QByteArray(40, '\0');
    put32(dib.info, 0, 40);
    put32(dib.info, 4, static_cast<std::uint32_t>(w));
    put32(dib.info, 8, static_cast<std::uint32_t>(h)); // positive: bottom-up, as every reader knows
    put16(dib.info, 12, 1);
    put16(dib.info, 14, 24);
    put32(dib.info, 16, kBiRgb);
    put32(dib.info, 20, static_cast<std::uint32_t>(stride * h));
    put32(dib.info, 24, 3780); // 96 dpi, informative only
    put32(dib.info, 28, 3780);

    dib.bits = QByteArray(static_cast<qsizetype>(stride) * h, Qt::Uninitialized);
    const int rowBytes = w * 3;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<unsigned char*>(dib.bits.data() +
                                                     static_cast<qsizetype>(h - 1 - y) * stride);
        if (direct) {
            const auto* from = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                const QRgb px = from[x];
                row[3 * x] = static_cast<unsigned char>(qBlue(px));
                row[3 * x + 1] = static_cast<unsigned char>(qGreen(px));
                row[3 * x + 2] = static_cast<unsigned char>(qRed(px));
            }
        } else {
            std::memcpy(row, img.constScanLine(y), static_cast<size_t>(rowBytes));
        }
        std::memset(row + rowBytes, 0, static_cast<size_t>(stride - rowBytes)); // the padding
    }
    return dib;
}

DibStatus DecodeDib(const char* record, std::uint32_t recordSize, std::uint32_t offBmi,
                    std::uint32_t cbBmi, std::uint32_t offBits, std::uint32_t cbBits,
                    std::uint32_t usage, bool decode, QImage* out, bool* bottomUp) {
    const std::uint64_t size = recordSize;
    if (cbBmi < 4 || std::uint64_t(offBmi) + cbBmi > size || std::uint64_t(offBits) + cbBits > size)
        return DibStatus::Bad;
    const char* bmi = record + offBmi;
    const std::uint32_t biSize = load<std::uint32_t>(bmi);
    if (biSize == 12)
        return DibStatus::Unsupported; // OS/2 core header: never written by anything we read
    if (biSize < 40 || biSize > cbBmi)
        return DibStatus::Bad;
    const std::int32_t width = load<std::int32_t>(bmi + 4);
    const std::int32_t rawHeight = load<std::int32_t>(bmi + 8);
    const std::uint16_t planes = load<std::uint16_t>(bmi + 12);
    const std::uint16_t bpp = load<std::uint16_t>(bmi + 14);
    const std::uint32_t compression = load<std::uint32_t>(bmi + 16);
    const std::uint32_t clrUsed = load<std::uint32_t>(bmi + 32);

    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || planes != 1)
        return DibStatus::Bad;
    const bool topDown = rawHeight < 0;
    if (bottomUp)
        *bottomUp = !topDown;
    const std::int64_t height = topDown ? -std::int64_t(rawHeight) : rawHeight;
    if (std::int64_t(width) * height > kMaxDibPixels || width > 65535 || height > 65535)
        return DibStatus::Bad;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return DibStatus::Bad;
    if (compression != kBiRgb && compression != kBiBitfields)
        return DibStatus::Unsupported; // RLE, JPEG, PNG
    if (compression == kBiBitfields && bpp != 16 && bpp != 32)
        return DibStatus::Bad;
    if (bpp <= 8 && usage != kDibRgbColors)
        return DibStatus::Unsupported; // palette indices need a logical palette we do not keep

    // Colour table or masks right after the header.
    std::uint32_t tableEntries = 0;
    if (bpp <= 8) {
        tableEntries = 1u << bpp;
        if (clrUsed != 0 && clrUsed < tableEntries)
            tableEntries = clrUsed;
    }
    std::uint32_t masks[3] = {0, 0, 0};
    if (compression == kBiBitfields) {
        if (biSize >= 52) {
            for (int i = 0; i < 3; ++i)
                masks[i] = load<std::uint32_t>(bmi + 40 + 4 * i);
        } else {
            if (std::uint64_t(biSize) + 12 > cbBmi)
                return DibStatus::Bad;
            for (int i = 0; i < 3; ++i)
                masks[i] = load<std::uint32_t>(bmi + biSize + 4 * i);
        }
    }
    if (std::uint64_t(biSize) + std::uint64_t(tableEntries) * 4 > cbBmi)
        return DibStatus::Bad;

    const std::uint64_t stride = ((std::uint64_t(width) * bpp + 31) / 32) * 4;
    if (stride * std::uint64_t(height) > cbBits)
        return DibStatus::Bad;
    if (!decode)
        return DibStatus::Ok;

    QImage img(width, static_cast<int>(height), QImage::Format_RGB32);
    if (img.isNull())
        return DibStatus::Bad;
    std::array<QRgb, 256> table{};
    for (std::uint32_t i = 0; i < tableEntries; ++i) {
        const auto* q = reinterpret_cast<const unsigned char*>(bmi + biSize + 4 * i);
        table[i] = qRgb(q[2], q[1], q[0]);
    }
    Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    if (compression != kBiBitfields) {
        if (bpp == 16) {
            red = Channel(0x7C00);
            green = Channel(0x03E0);
            blue = Channel(0x001F);
        }
    }

    const auto* bits = reinterpret_cast<const unsigned char*>(record + offBits);
    if (bpp == 24) {
        // The form every picture is recorded in (MakeDib24): a loop of its own, without the
        // per-pixel choice of format below, since a page's photo is decoded on its first paint.
        for (std::int64_t y = 0; y < height; ++y) {
            const unsigned char* q = bits + (topDown ? y : height - 1 - y) * stride;
            auto* dst = reinterpret_cast<QRgb*>(img.scanLine(static_cast<int>(y)));
            for (std::int32_t x = 0; x < width; ++x, q += 3)
                dst[x] = 0xFF000000u | (QRgb(q[2]) << 16) | (QRgb(q[1]) << 8) | QRgb(q[0]);
        }
        if (out)
            *out = std::move(img);
        return DibStatus::Ok;
    }
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t srcRow = topDown ? y : height - 1 - y;
        const unsigned char* row = bits + srcRow * stride;
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(static_cast<int>(y)));
        for (std::int32_t x = 0; x < width; ++x) {
            switch (bpp) {
            case 1: {
                const unsigned idx = (row[x >> 3] >> (7 - (x & 7))) & 1u;
                dst[x] = idx < tableEntries ? table[idx] : qRgb(0, 0, 0);
                break;
            }
            case 4: {
                const unsigned idx = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
                dst[x] = idx < tableEntries ? table[idx] : qRgb(0, 0, 0);
                break;
            }
            case 8: {
                const unsigned idx = row[x];
                dst[x] = idx < tableEntries ? table[idx] : qRgb(0, 0, 0);
                break;
            }
            case 16: {
                const std::uint32_t px =
                    std::uint32_t(row[2 * x]) | (std::uint32_t(row[2 * x + 1]) << 8);
                dst[x] = qRgb(red.value(px), green.value(px), blue.value(px));
                break;
            }
            case 24: {
                const unsigned char* q = row + 3 * std::int64_t(x);
                dst[x] = qRgb(q[2], q[1], q[0]);
                break;
            }
            default: {
                const unsigned char* q = row + 4 * std::int64_t(x);
                if (compression == kBiBitfields) {
                    const std::uint32_t px = load<std::uint32_t>(reinterpret_cast<const char*>(q));
                    dst[x] = qRgb(red.value(px), green.value(px), blue.value(px));
                } else {
                    dst[x] = qRgb(q[2], q[1], q[0]);
                }
                break;
            }
            }
        }
    }
    if (out)
        *out = std::move(img);
    return DibStatus::Ok;
}

} // namespace movra::emf
