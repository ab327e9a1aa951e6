#pragma once

// The album the crash harness starts from: made once per run, then copied for the children.

#include "tests/crash/CrashCheck.h"

#include <QtCore/QString>

namespace movra::crash {

// Makes a new album file at path holding exactly `records` records, every one with a small photo
// from the pool, and returns what it holds. The file is created by the program's own
// CreateAlbumFile (schema and first record) and StorePicture; the rest is written in one
// transaction through the sqlite3 library with the same statement shape and storage classes as
// the add command (texts as Windows-1250 text, the photo as a blob), since 10,000 separate
// commits would take minutes. A few more records than asked for are inserted and some deleted
// again, so the file has free pages and IDs with gaps, as a used album does. Throws
// std::runtime_error on failure.
[[nodiscard]] TModel MakeSeedAlbum(const QString& path, int records,
                                   const std::vector<QByteArray>& pool, std::uint64_t seed);

} // namespace movra::crash
