#pragma once

// The harness's side of the crash test: its model of what the album must hold, and the check of
// an album file against it through a connection of its own (the sqlite3 C library directly, none
// of the program's code).

#include "tests/crash/CrashCommon.h"

#include <QtCore/QByteArray>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace movra::crash {

// One record as the album must hold it: the five texts' stored bytes (Imie, Nazwisko, Ksywa,
// Notes, Adres) and the number of its photo in the pool.
struct TExpected {
    std::array<std::string, kTextFields> Texts;
    int Photo = -1;
};

using TModel = std::map<std::int64_t, TExpected>;

// One row as found in the file.
struct TFoundRow {
    std::int64_t Id = 0;
    std::array<std::string, kTextFields> Texts;
    std::array<int, kTextFields> TextTypes{}; // SQLITE_TEXT etc.
    int PictureType = 0;
    std::string Picture;
};

// A record where file and model disagree: Found is empty when the file lacks a record the model
// has; InModel is false when the file holds a record the model lacks.
struct TDifference {
    std::int64_t Id = 0;
    bool InModel = false;
    std::optional<TFoundRow> Found;
};

struct TCheckResult {
    std::string Integrity;             // "ok", or what integrity_check reported
    std::vector<std::string> Problems; // rows not in the album's format, failures to read
    std::vector<TDifference> Differences;
    std::int64_t Rows = 0;
};

// Checks the album file at path: integrity_check, then every row against the model (texts byte
// for byte with their storage class, the picture byte for byte against the pool). Opened
// read-only unless recover is set; a file left with a hot journal needs recover, since the
// first read rolls the journal back.
[[nodiscard]] TCheckResult CheckAlbum(const std::string& path, bool recover, const TModel& model,
                                      const std::vector<QByteArray>& pool);

// How a found row differs from the expected record; empty when it holds exactly that.
[[nodiscard]] std::string Mismatch(const TFoundRow& found, const TExpected& expected,
                                   const std::vector<QByteArray>& pool);

} // namespace movra::crash
