#include "tests/crash/CrashPhotos.h"

#include "platform/text/Jpeg.h"
#include "tests/crash/CrashCommon.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtGui/QImage>

#include <cmath>

namespace movra::crash {

namespace {

QString PhotoFile(const QString& folder, int index) {
    return QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(index, 2, 10, QLatin1Char('0')));
}

// A face-like picture: a background gradient, a lighter oval, and grain whose strength decides
// how well the picture compresses.
QImage Portrait(int width, int height, int seed, int grain) {
    TRandom random(static_cast<std::uint64_t>(seed));
    QImage image(width, height, QImage::Format_RGB32);
    const int r0 = random.Between(40, 200);
    const int g0 = random.Between(40, 200);
    const int b0 = random.Between(40, 200);
    const double cx = width / 2.0;
    const double cy = height * 0.45;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double dx = (x - cx) / (width * 0.3);
            const double dy = (y - cy) / (height * 0.35);
            const bool face = dx * dx + dy * dy < 1.0;
            const int noise = grain > 0 ? random.Between(-grain, grain) : 0;
            const int shade = (x * 60 / width) + (y * 40 / height);
            const auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
            if (face) {
                row[x] = qRgb(clamp(230 - shade / 3 + noise), clamp(190 - shade / 3 + noise),
                              clamp(160 - shade / 3 + noise));
            } else {
                row[x] = qRgb(clamp(r0 + shade + noise), clamp(g0 + shade / 2 + noise),
                              clamp(b0 - shade / 2 + noise));
            }
        }
    }
    return image;
}

// The smallest picture of this kind, growing by steps, whose JPEG is at least target bytes.
QByteArray PhotoOfSize(int target, int seed, int grain, int startWidth, int quality) {
    int width = startWidth;
    for (;;) {
        const int height = width * 5 / 4;
        QByteArray jpeg = EncodeJpeg(Portrait(width, height, seed, grain), quality);
        if (jpeg.size() >= target) {
            return jpeg;
        }
        width = std::max(width + 4,
                         static_cast<int>(width * std::sqrt(1.0 * target / jpeg.size()) * 0.98));
    }
}

} // namespace

std::vector<QByteArray> MakePhotoPool() {
    std::vector<QByteArray> pool;
    QImage white(2, 2, QImage::Format_RGB32);
    white.fill(Qt::white);
    pool.push_back(EncodeJpeg(white));
    // Mostly small ones near the low end, so the 10,000-record album stays a few tens of MB.
    const int smallTargets[kSmallPhotos] = {2000, 2100, 2200, 2300, 2400, 2500,
                                            2600, 2800, 3000, 3300, 5000, 7800};
    for (int i = 0; i < kSmallPhotos; ++i) {
        pool.push_back(PhotoOfSize(smallTargets[i], 100 + i, 6, 24, 75));
    }
    const int largeTargets[kLargePhotos] = {210'000, 290'000, 380'000, 480'000};
    for (int i = 0; i < kLargePhotos; ++i) {
        pool.push_back(PhotoOfSize(largeTargets[i], 200 + i, 40, 300, 92));
    }
    return pool;
}

bool WritePhotoPool(const QString& folder, const std::vector<QByteArray>& pool) {
    for (int i = 0; i < static_cast<int>(pool.size()); ++i) {
        QFile f(PhotoFile(folder, i));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(pool[i]) != pool[i].size())
            return false;
    }
    return true;
}

std::vector<QByteArray> LoadPhotoPool(const QString& folder) {
    std::vector<QByteArray> pool;
    for (int i = 0; i < kPhotoCount; ++i) {
        QFile f(PhotoFile(folder, i));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        pool.push_back(f.readAll());
    }
    return pool;
}

} // namespace movra::crash
