#include "tests/crash/CrashCheck.h"

#include <sqlite3.h>

#include <cstring>
#include <memory>

namespace movra::crash {

namespace {

const char* const kFieldNames[kTextFields] = {"Imie", "Nazwisko", "Ksywa", "Notes", "Adres"};

struct TCloseDb {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct TFinalize {
    void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
};
using TDb = std::unique_ptr<sqlite3, TCloseDb>;
using TStmt = std::unique_ptr<sqlite3_stmt, TFinalize>;

std::string Bytes(sqlite3_stmt* s, int column) {
    const void* data = sqlite3_column_blob(s, column);
    const int size = sqlite3_column_bytes(s, column);
    return data != nullptr ? std::string(static_cast<const char*>(data), size) : std::string();
}

// A short, printable view of bytes for a failure report.
std::string Shown(const std::string& bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < 60; ++i) {
        const unsigned char c = bytes[i];
        if (c >= 32 && c < 127) {
            text += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            text += hex;
        }
    }
    if (bytes.size() > 60)
        text += "... (" + std::to_string(bytes.size()) + " bytes)";
    return '"' + text + '"';
}

const char* TypeName(int type) {
    switch (type) {
    case SQLITE_INTEGER:
        return "integer";
    case SQLITE_FLOAT:
        return "real";
    case SQLITE_TEXT:
        return "text";
    case SQLITE_BLOB:
        return "blob";
    default:
        return "NULL";
    }
}

bool SamePicture(const TFoundRow& found, const QByteArray& photo) {
    return found.PictureType == SQLITE_BLOB &&
           found.Picture.size() == static_cast<std::size_t>(photo.size()) &&
           std::memcmp(found.Picture.data(), photo.constData(), found.Picture.size()) == 0;
}

} // namespace

std::string Mismatch(const TFoundRow& found, const TExpected& expected,
                     const std::vector<QByteArray>& pool) {
    std::string what;
    for (int i = 0; i < kTextFields; ++i) {
        if (found.TextTypes[i] != SQLITE_TEXT || found.Texts[i] != expected.Texts[i]) {
            what += std::string(" ") + kFieldNames[i] + " is " + TypeName(found.TextTypes[i]) +
                    ' ' + Shown(found.Texts[i]) + ", expected text " + Shown(expected.Texts[i]) +
                    ';';
        }
    }
    const QByteArray& photo = pool.at(static_cast<std::size_t>(expected.Photo));
    if (!SamePicture(found, photo)) {
        what += std::string(" Picture is ") + TypeName(found.PictureType) + " of " +
                std::to_string(found.Picture.size()) + " bytes, expected photo " +
                std::to_string(expected.Photo) + " of " + std::to_string(photo.size()) + " bytes;";
    }
    return what;
}

TCheckResult CheckAlbum(const std::string& path, bool recover, const TModel& model,
                        const std::vector<QByteArray>& pool) {
    TCheckResult result;
    sqlite3* raw = nullptr;
    const int flags = recover ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    TDb db(raw);
    if (rc != SQLITE_OK) {
        result.Problems.push_back("cannot open the album: " +
                                  std::string(db ? sqlite3_errmsg(db.get()) : "no memory"));
        return result;
    }
    // The whole file fits in the cache, so the scan after the integrity check reads no page twice
    // from the disk.
    sqlite3_exec(db.get(), "PRAGMA cache_size=-262144; PRAGMA mmap_size=536870912;", nullptr,
                 nullptr, nullptr);

    const auto prepare = [&](const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db.get(), sql, -1, &s, nullptr) != SQLITE_OK) {
            result.Problems.push_back(std::string("cannot prepare ") + sql + ": " +
                                      sqlite3_errmsg(db.get()));
        }
        return TStmt(s);
    };

    if (TStmt integrity = prepare("PRAGMA integrity_check")) {
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(integrity.get())) == SQLITE_ROW) {
            if (!result.Integrity.empty())
                result.Integrity += " | ";
            result.Integrity += Bytes(integrity.get(), 0);
        }
        if (step != SQLITE_DONE)
            result.Integrity +=
                std::string(" (integrity_check failed: ") + sqlite3_errmsg(db.get()) + ')';
    }
    if (result.Integrity != "ok")
        return result;

    TStmt rows = prepare("SELECT ID, Imie, Nazwisko, Ksywa, Notes, Adres, Picture FROM album "
                         "ORDER BY ID");
    if (!rows)
        return result;
    auto expected = model.begin();
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(rows.get())) == SQLITE_ROW) {
        TFoundRow found;
        found.Id = sqlite3_column_int64(rows.get(), 0);
        for (int i = 0; i < kTextFields; ++i) {
            found.TextTypes[i] = sqlite3_column_type(rows.get(), 1 + i);
            found.Texts[i] = Bytes(rows.get(), 1 + i);
        }
        found.PictureType = sqlite3_column_type(rows.get(), 6);
        const void* picture = sqlite3_column_blob(rows.get(), 6);
        const int pictureSize = sqlite3_column_bytes(rows.get(), 6);
        ++result.Rows;

        // Every record of this album has its photo: a record without one is half added.
        if (found.PictureType != SQLITE_BLOB || pictureSize == 0) {
            result.Problems.push_back("record " + std::to_string(found.Id) +
                                      " has no picture (Picture is " + TypeName(found.PictureType) +
                                      ")");
        }
        while (expected != model.end() && expected->first < found.Id) {
            result.Differences.push_back({expected->first, true, std::nullopt});
            ++expected;
        }
        const bool inModel = expected != model.end() && expected->first == found.Id;
        bool same = false;
        if (inModel) {
            const QByteArray& photo = pool.at(static_cast<std::size_t>(expected->second.Photo));
            same = found.PictureType == SQLITE_BLOB && pictureSize == photo.size() &&
                   std::memcmp(picture, photo.constData(), photo.size()) == 0;
            for (int i = 0; same && i < kTextFields; ++i) {
                same = found.TextTypes[i] == SQLITE_TEXT &&
                       found.Texts[i] == expected->second.Texts[i];
            }
            ++expected;
        }
        if (!same) {
            // Only rows that differ keep their picture's bytes, for the report and for
            // deciding whether the command in flight was applied whole.
            if (picture != nullptr)
                found.Picture.assign(static_cast<const char*>(picture), pictureSize);
            result.Differences.push_back({found.Id, inModel, std::move(found)});
        }
    }
    if (step != SQLITE_DONE) {
        result.Problems.push_back(std::string("reading the album failed: ") +
                                  sqlite3_errmsg(db.get()));
    }
    for (; expected != model.end(); ++expected)
        result.Differences.push_back({expected->first, true, std::nullopt});
    return result;
}

} // namespace movra::crash
