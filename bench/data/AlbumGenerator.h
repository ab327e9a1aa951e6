#pragma once

#include <QtCore/QString>

namespace movra::bench {

// What an album for the benchmarks holds: Count records (the first, as in every new album,
// without a photo), Polish names in Windows-1250, notes of a few CR LF lines, and a photo in
// every other record: 640 x 480 as a rule, 4000 x 3000 in every LargeEvery-th record (0: none,
// 1: all). A handful of encoded JPEGs is reused, so generation is fast.
// Photos false: no record has one (a million records with photos would not fit a test machine).
struct TAlbumShape {
    int Count = 1000;
    int LargeEvery = 100;
    bool Photos = true;
};

// Writes a new album file at path (which must not exist) through the program's own album code.
void MakeAlbum(const QString& path, const TAlbumShape& shape);

// The album for shape in the cache folder ($MOVRA_BENCH_ALBUMS, else $TMPDIR/movra-bench-albums,
// else /tmp/movra-bench-albums), made first if it is not there yet.
[[nodiscard]] QString CachedAlbum(const TAlbumShape& shape);

} // namespace movra::bench
