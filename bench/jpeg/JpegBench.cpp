// Opening a record decodes its photo; the goal is that our decoder (handle, header checks,
// QImage allocation, decode straight into the QImage) costs at most 10% more than TurboJPEG
// decoding the same bytes into a plain, freshly allocated buffer. A phone's portrait photo (an
// orientation tag read with libexif, then the quarter turn) has the same goal against the bare
// decode followed by a plain tiled turn.

#include "platform/text/Jpeg.h"

#include "bench/support/MedianReporter.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

// A camera-like picture: smooth light and colour gradients, a few hard-edged shapes and fine
// sensor-like noise, so that the entropy-coded data is as dense as a real photo's.
std::vector<unsigned char> PhotoLikePixels() {
    std::vector<unsigned char> rgb(std::size_t(Width) * Height * 3);
    std::uint32_t noise = 0x12345678u;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double fx = x / double(Width), fy = y / double(Height);
            double r = 120 + 80 * std::sin(fx * 6.1 + fy * 2.3) + 30 * std::cos(fy * 17.0);
            double g = 110 + 70 * std::sin(fy * 5.3 - fx * 1.7) + 25 * std::sin(fx * 23.0);
            double b = 100 + 90 * std::cos(fx * 3.7 + fy * 4.1);
            const int cx = x / 250, cy = y / 250;
            if ((cx * 7 + cy * 3) % 5 == 0) { // hard-edged blocks, like objects in a scene
                r = 255 - r;
                b = 0.5 * b;
            }
            const int n = int(noise & 31) - 16;
            unsigned char* p = &rgb[(std::size_t(y) * Width + x) * 3];
            p[0] = static_cast<unsigned char>(std::clamp(r + n, 0.0, 255.0));
            p[1] = static_cast<unsigned char>(std::clamp(g + n, 0.0, 255.0));
            p[2] = static_cast<unsigned char>(std::clamp(b + n, 0.0, 255.0));
        }
    }
    return rgb;
}

// Encoded once, as a camera would: 4:2:0 at quality 92.
const QByteArray& Photo() {
    static const QByteArray jpeg = [] {
        const std::vector<unsigned char> rgb = PhotoLikePixels();
        tjhandle handle = tjInitCompress();
        unsigned char* out = nullptr;
        unsigned long size = 0;
        if (tjCompress2(handle, rgb.data(), Width, 0, Height, TJPF_RGB, &out, &size, TJSAMP_420, 92,
                        0) != 0)
            throw std::runtime_error(tjGetErrorStr2(handle));
        QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
        tjFree(out);
        tjDestroy(handle);
        return bytes;
    }();
    return jpeg;
}

// The same photo as a phone stores a portrait one: an APP1 Exif segment right after the start
// marker whose orientation tag (6) asks for a quarter turn clockwise.
const QByteArray& PhonePhoto() {
    static const QByteArray jpeg = [] {
        QByteArray body(
            "Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 32);
        QByteArray app1("\xFF\xE1\0\x22", 4);
        return Photo().left(2) + app1 + body + Photo().mid(2);
    }();
    return jpeg;
}

void BM_BareTurboJpeg(benchmark::State& state) {
    const QByteArray& jpeg = Photo();
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        std::unique_ptr<unsigned char[]> rgb(new unsigned char[std::size_t(Width) * Height * 4]);
        if (tjDecompress2(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                          static_cast<unsigned long>(jpeg.size()), rgb.get(), Width, 0, Height,
                          TJPF_BGRX, TJFLAG_LIMITSCANS) != 0)
            state.SkipWithError(tjGetErrorStr2(handle));
        benchmark::DoNotOptimize(rgb.get());
        benchmark::ClobberMemory();
    }
    tjDestroy(handle);
}

// The floor for the phone's photo: the bare decode, then the quarter turn as a plain loop over
// 64 x 64 tiles (so that both buffers are walked in cache-sized pieces) into a second buffer.
void BM_BareTurboJpegTurned(benchmark::State& state) {
    const QByteArray& jpeg = PhonePhoto();
    tjhandle handle = tjInitDecompress();
    constexpr int Tile = 64;
    for (auto _ : state) {
        std::unique_ptr<std::uint32_t[]> px(new std::uint32_t[std::size_t(Width) * Height]);
        if (tjDecompress2(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                          static_cast<unsigned long>(jpeg.size()),
                          reinterpret_cast<unsigned char*>(px.get()), Width, 0, Height, TJPF_BGRX,
                          TJFLAG_LIMITSCANS) != 0)
            state.SkipWithError(tjGetErrorStr2(handle));
        // Turned: Height wide, Width high; source (x, y) lands at (Height - 1 - y, x).
        std::unique_ptr<std::uint32_t[]> turned(new std::uint32_t[std::size_t(Width) * Height]);
        for (int ty = 0; ty < Height; ty += Tile)
            for (int tx = 0; tx < Width; tx += Tile)
                for (int y = ty; y < std::min(ty + Tile, Height); ++y) {
                    const std::uint32_t* in = px.get() + std::size_t(y) * Width;
                    for (int x = tx; x < std::min(tx + Tile, Width); ++x)
                        turned[std::size_t(x) * Height + (Height - 1 - y)] = in[x];
                }
        benchmark::DoNotOptimize(turned.get());
        benchmark::ClobberMemory();
    }
    tjDestroy(handle);
}

void BM_DecodePhonePhoto(benchmark::State& state) {
    const QByteArray& jpeg = PhonePhoto();
    for (auto _ : state) {
        QImage image = movra::DecodeJpeg(jpeg);
        if (image.width() != Height)
            state.SkipWithError("the phone's photo was not turned");
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
}

void BM_DecodeJpeg(benchmark::State& state) {
    const QByteArray& jpeg = Photo();
    for (auto _ : state) {
        QImage image = movra::DecodeJpeg(jpeg);
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
}

void BM_PhotoFromJpeg(benchmark::State& state) {
    const QByteArray& jpeg = Photo();
    for (auto _ : state) {
        movra::TJpegPhoto photo = movra::TJpegPhoto::FromJpeg(jpeg);
        benchmark::DoNotOptimize(photo.Image().constBits());
        benchmark::ClobberMemory();
    }
}

constexpr int Repetitions = 5;

BENCHMARK(BM_BareTurboJpeg)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Repetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeJpeg)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Repetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PhotoFromJpeg)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Repetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BareTurboJpegTurned)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Repetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodePhonePhoto)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Repetitions)
    ->ReportAggregatesOnly(true);

using movra::bench::TMedianReporter;

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("Photo: %d x %d, %lld bytes of JPEG (4:2:0, quality 92)\n", Width, Height,
                static_cast<long long>(Photo().size()));
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double floor = reporter.Medians["BM_BareTurboJpeg"];
    if (floor <= 0)
        return 0;
    for (const char* name : {"BM_DecodeJpeg", "BM_PhotoFromJpeg"}) {
        const auto it = reporter.Medians.find(name);
        if (it != reporter.Medians.end())
            std::printf("%s / BM_BareTurboJpeg = %.3f (goal: at most 1.10)\n", name,
                        it->second / floor);
    }
    const double turnedFloor = reporter.Medians["BM_BareTurboJpegTurned"];
    const auto phone = reporter.Medians.find("BM_DecodePhonePhoto");
    if (turnedFloor > 0 && phone != reporter.Medians.end())
        std::printf("BM_DecodePhonePhoto / BM_BareTurboJpegTurned = %.3f (goal: at most 1.10)\n",
                    phone->second / turnedFloor);
    return 0;
}
