#include "tests/crash/CrashSeed.h"

#include "album/AlbumFile.h"
#include "tests/crash/CrashPhotos.h"
#include "tests/crash/CrashTexts.h"

#include <QtCore/QFile>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace movra::crash {

namespace {

struct TCloseDb {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct TFinalize {
    void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
};

void Check(sqlite3* db, int rc, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

int SmallPhoto(TRandom& random) {
    return kFirstSmallPhoto + static_cast<int>(random.Below(kSmallPhotos));
}

} // namespace

TModel MakeSeedAlbum(const QString& path, int records, const std::vector<QByteArray>& pool,
                     std::uint64_t seed) {
    TRandom random(seed);
    TModel model;

    // The first record as a new file gets it at program start, then given a photo as the user
    // would by saving it.
    {
        const TAlbumTexts start{QStringLiteral("pusty"), QStringLiteral("zero"),
                                QStringLiteral("zero"), QString(), QString()};
        ISQLiteDatabasePtr db = CreateAlbumFile(path, start);
        const int photo = SmallPhoto(random);
        StorePicture(*db, 1, TJpegPhoto::FromJpeg(pool[photo]), pool[kPlaceholderPhoto]);
        model[1] = TExpected{StoredBytes(start), photo};
    }

    sqlite3* raw = nullptr;
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, TCloseDb> db(raw);
    Check(db.get(), rc, "opening the seed album");
    Check(db.get(), sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr), "BEGIN");

    sqlite3_stmt* insertRaw = nullptr;
    Check(db.get(),
          sqlite3_prepare_v2(db.get(),
                             "INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres,Picture) "
                             "VALUES (NULL,?,?,?,?,?,?)",
                             -1, &insertRaw, nullptr),
          "preparing the insert");
    std::unique_ptr<sqlite3_stmt, TFinalize> insert(insertRaw);
    const int extra = records / 30;
    for (int i = 1; i < records + extra; ++i) {
        TExpected record{StoredBytes(RandomTexts(random)), SmallPhoto(random)};
        for (int f = 0; f < kTextFields; ++f) {
            sqlite3_bind_text64(insert.get(), f + 1, record.Texts[f].data(), record.Texts[f].size(),
                                SQLITE_STATIC, SQLITE_UTF8);
        }
        const QByteArray& photo = pool[record.Photo];
        sqlite3_bind_blob64(insert.get(), 6, photo.constData(),
                            static_cast<sqlite3_uint64>(photo.size()), SQLITE_STATIC);
        Check(db.get(), sqlite3_step(insert.get()), "inserting a seed record");
        sqlite3_reset(insert.get());
        model[sqlite3_last_insert_rowid(db.get())] = std::move(record);
    }

    sqlite3_stmt* removeRaw = nullptr;
    Check(db.get(),
          sqlite3_prepare_v2(db.get(), "DELETE FROM album WHERE ID=?", -1, &removeRaw, nullptr),
          "preparing the delete");
    std::unique_ptr<sqlite3_stmt, TFinalize> remove(removeRaw);
    while (static_cast<int>(model.size()) > records) {
        auto victim = model.begin();
        std::advance(victim, static_cast<long>(random.Below(model.size())));
        sqlite3_bind_int64(remove.get(), 1, victim->first);
        Check(db.get(), sqlite3_step(remove.get()), "deleting a seed record");
        sqlite3_reset(remove.get());
        model.erase(victim);
    }
    insert.reset();
    remove.reset();
    Check(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), "COMMIT");
    return model;
}

} // namespace movra::crash
