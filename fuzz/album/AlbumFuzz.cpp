// Opening a hostile album file. The bytes become a ".db3" file, which is opened and then used as
// the program uses an album after opening it: the record list in each of the three orders, every
// row as the grid shows it, every listed record shown in full (texts and photo), a record added,
// saved and deleted again, and the file regenerated. Any refusal by exception is fine; a crash,
// a sanitizer report, a hang or an allocation out of proportion to the file is not.

#include "album/AlbumFile.h"
#include "db/SQLiteInterfaces.h"
#include "fuzz/album/MemoryVfs.h"
#include "fuzz/support/FuzzFiles.h"
#include "platform/text/Jpeg.h"

#include <QtCore/QString>
#include <QtGui/QImage>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// MOVRA_FUZZ_VERBOSE=1 prints every refusal, for looking into one input.
void refused(const char* step, const std::exception& e) {
    static const bool verbose = std::getenv("MOVRA_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        std::fprintf(stderr, "%s: %s\n", step, e.what());
}

// Records shown per input: enough to reach every row of the small files the fuzzer makes, few
// enough that a file of many tiny rows stays quick.
constexpr std::size_t MaxShownRecords = 16;
// Photos above this are not shown by the harness: decoding tens of megapixels is the same code
// as decoding a few, only slower (fuzz_jpeg covers the decoder's limits).
constexpr long long FuzzMaxPixels = 65'536;

const QByteArray& placeholderJpeg() {
    static const QByteArray jpeg = [] {
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(0xFFC0C0C0);
        return movra::EncodeJpeg(image);
    }();
    return jpeg;
}

// Whether the photo in column 1 of the current row is one the harness decodes.
bool photoSmallEnough(const movra::ISQLiteTable& t) {
    if (t.IsNullAt(1) || t.KindAt(1) == movra::TSQLiteColumnKind::Integer ||
        t.KindAt(1) == movra::TSQLiteColumnKind::Float)
        return true;
    const std::string_view bytes = t.BytesAt(1);
    try {
        const movra::TJpegHeader h =
            movra::ReadJpegHeader(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        return static_cast<long long>(h.Width) * h.Height <= FuzzMaxPixels;
    } catch (const movra::EJpegError&) {
        return true; // refused by the header check, as ReadRecord will be
    }
}

// The IDs whose stored photo is too large for the harness to decode (see FuzzMaxPixels), read
// in one query; IDs stored as text are read as the grid would show them.
std::set<qint64> largePhotos(movra::ISQLiteDatabase& db) {
    std::set<qint64> large;
    try {
        const movra::ISQLiteTablePtr t = db.Query("SELECT ID, Picture FROM album");
        t->MoveToFirst();
        while (!t->AtEnd()) {
            if (!photoSmallEnough(*t))
                large.insert(QString::fromStdString(t->TextAt(0)).toLongLong());
            t->MoveNext();
        }
    } catch (const std::exception& e) {
        refused("photos", e);
    }
    return large;
}

// The record list in one order, each row read as the grid shows it; the IDs the program would
// show a record for (the grid's ID text read as a whole number) are collected.
void readList(movra::ISQLiteDatabase& db, int sortKey, std::set<qint64>& ids) {
    std::vector<movra::TAlbumListRow> rows;
    try {
        const movra::ISQLiteTablePtr table = movra::QueryRecordList(db, sortKey);
        table->MoveToFirst();
        if (table->RowTotal() == 0)
            return;
        const movra::TAlbumListColumns columns = movra::TAlbumListColumns::Of(*table);
        while (!table->AtEnd()) {
            rows.push_back(movra::ReadListRow(*table, columns));
            bool ok = false;
            const qint64 id = rows.back().Id.toLongLong(&ok);
            if (ok && ids.size() < MaxShownRecords)
                ids.insert(id);
            table->MoveNext();
        }
    } catch (const std::exception& e) {
        // A damaged file or an order the file cannot give: the program warns and shows no rows.
        refused("list", e);
        return;
    }
    // The main window fills its grid by stepping through the same query: it must show the very
    // rows the whole result holds.
    std::size_t next = 0;
    try {
        (void)movra::ReadRecordList(db, sortKey, [&](const movra::TAlbumListBytes& r) {
            if (next >= rows.size())
                movra::fuzz::Fail("fuzz_album", "the stepped list has more rows than the result");
            const movra::TAlbumListRow& t = rows[next++];
            if (movra::AlbumText(r.Id) != t.Id || movra::AlbumText(r.Imie) != t.Imie ||
                movra::AlbumText(r.Nazwisko) != t.Nazwisko ||
                movra::AlbumText(r.Ksywa) != t.Ksywa || movra::AlbumText(r.Notes) != t.Notes ||
                movra::AlbumText(r.Adres) != t.Adres)
                movra::fuzz::Fail("fuzz_album", "a stepped row differs from the result's");
        });
    } catch (const std::exception& e) {
        refused("stepped list", e);
        movra::fuzz::Fail("fuzz_album", "the stepped list failed where the result did not");
    }
    if (next != rows.size())
        movra::fuzz::Fail("fuzz_album", "the stepped list has fewer rows than the result");
}

void showRecord(movra::ISQLiteDatabase& db, qint64 id) {
    try {
        const movra::TAlbumRecord record = movra::ReadRecord(db, id);
        if (!record.Photo.IsNull() && record.Photo.Image().isNull())
            movra::fuzz::Fail("fuzz_album", "a shown photo has no picture");
    } catch (const std::exception& e) {
        // Shown in the error box; the record window does not open.
        refused("show", e);
    }
}

// Adding a record to the opened file, saving it again and deleting it: the commands a user runs
// next, each refused cleanly or done completely.
void editRecords(movra::ISQLiteDatabase& db, const std::set<qint64>& ids) {
    movra::TAlbumTexts texts;
    texts.Imie = QStringLiteral("Łucja");
    texts.Nazwisko = QStringLiteral("Żółkiewska-\"Nowak\"");
    texts.Ksywa = QStringLiteral("Ćma");
    texts.Notes = QStringLiteral("pierwsza\ndruga");
    texts.Adres = QStringLiteral("ul. Źródlana 1\r\nKraków");
    try {
        const qint64 id = movra::InsertRecord(db, texts, movra::TJpegPhoto(), placeholderJpeg());
        (void)movra::UpdateRecord(db, id, texts, movra::TJpegPhoto(), placeholderJpeg());
        if (!ids.empty())
            (void)movra::UpdateRecord(db, *ids.begin(), texts, movra::TJpegPhoto(),
                                      placeholderJpeg());
        movra::DeleteRecord(db, id);
    } catch (const std::exception& e) {
        refused("edit", e);
    }
    if (db.TransactionOpen())
        movra::fuzz::Fail("fuzz_album", "a failed command left its transaction open");
}

void regenerate(movra::ISQLiteDatabase& db) {
    try {
        const movra::ISQLiteTablePtr first = db.Query("SELECT ID FROM album ORDER BY ID LIMIT 1");
        if (first->Rows() != 0) {
            const qint64 id = first->Int64At(0);
            if (largePhotos(db).count(id) != 0)
                return;
        }
        (void)movra::Regenerate(db);
    } catch (const std::exception& e) {
        refused("regenerate", e);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The file lives in SQLite's memory file system unless MOVRA_FUZZ_ALBUM_DISK is set (to
    // replay an input on a real file in /dev/shm).
    static const bool onDisk = std::getenv("MOVRA_FUZZ_ALBUM_DISK") != nullptr;
    static const movra::fuzz::TScratchFile file("album.db3", {"-journal", "-wal", "-shm"});
    if (onDisk) {
        // A journal left by an earlier input would be rolled into this one.
        file.RemoveCompanions();
        file.Write(data, size);
    } else {
        movra::fuzz::InstallMemoryVfs();
        movra::fuzz::ResetMemoryFiles(file.Path(),
                                      std::string(reinterpret_cast<const char*>(data), size));
    }

    movra::ISQLiteDatabasePtr db;
    try {
        db = movra::OpenAlbumFile(QString::fromStdString(file.Path()));
    } catch (const std::exception& e) {
        refused("open", e);
        return 0;
    }
    // One order per input, chosen by its size: the list code is the same for all three, and the
    // fuzzer reaches each order by growing or shrinking an input.
    const int sortKey = movra::skImie + static_cast<int>(size % 3);
    std::set<qint64> ids;
    readList(*db, sortKey, ids);
    const std::set<qint64> large = largePhotos(*db);
    for (const qint64 id : ids) {
        if (large.count(id) == 0)
            showRecord(*db, id);
    }
    // Byte 71 is the low byte of the header's application ID, which SQLite does not read: its two
    // low bits choose the commands that write (they cost more than reading, so not every input
    // runs them; the fuzzer flips the bits at will).
    const std::uint8_t commands = size > 71 ? data[71] : 0;
    if ((commands & 1) != 0)
        editRecords(*db, ids);
    if ((commands & 2) != 0)
        regenerate(*db);
    db.reset();
    return 0;
}
