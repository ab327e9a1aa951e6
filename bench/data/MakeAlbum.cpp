// movra_make_album <path> <count> [large-every | none]: writes an album for benchmarks and trials
// ("none": no photos at all).

#include "bench/data/AlbumGenerator.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFileInfo>

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(
            stderr,
            "usage: %s <path> <count> [large-every (default 100, 0: no large ones) | none (no "
            "photos)]\n",
            argv[0]);
        return 2;
    }
    movra::bench::TAlbumShape shape;
    try {
        shape.Count = std::stoi(argv[2]);
        if (argc == 4 && std::string(argv[3]) == "none") {
            shape.Photos = false;
        } else if (argc == 4) {
            shape.LargeEvery = std::stoi(argv[3]);
        }
    } catch (const std::exception&) {
        std::fprintf(stderr, "count and large-every must be numbers\n");
        return 2;
    }
    if (shape.Count < 1 || shape.LargeEvery < 0) {
        std::fprintf(stderr, "count must be at least 1, large-every at least 0\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    try {
        QElapsedTimer timer;
        timer.start();
        movra::bench::MakeAlbum(path, shape);
        std::printf("%s: %d records, %lld bytes, %.1f s\n", argv[1], shape.Count,
                    static_cast<long long>(QFileInfo(path).size()), timer.elapsed() / 1000.0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
