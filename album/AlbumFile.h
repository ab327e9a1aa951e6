#pragma once

// The album file: its schema, every statement the program sends to it, how the record window's
// texts become stored bytes, and how a record travels between the file and the program.
//
// Texts are stored as Windows-1250 bytes with the text storage class; the photo is the bytes of a
// JPEG file in Picture (blob), or NULL for a record never saved with a picture. Errors: the
// database layer's ESQLiteException, EMovraError for texts the code page cannot hold and for bad
// arguments.

#include "album/DatabaseErrorText.h"
#include "db/SQLiteInterfaces.h"
#include "platform/core/ErrorBox.h"
#include "platform/text/Jpeg.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movra {

// The five texts of a record, as the record window's fields hold them.
struct TAlbumTexts {
    QString Imie;
    QString Nazwisko;
    QString Ksywa;
    QString Notes; // "Adnotacje i uwagi:"
    QString Adres; // "Adres i źródła kontaktu:"

    friend bool operator==(const TAlbumTexts&, const TAlbumTexts&) = default;
};

// The bytes of a record's five texts as the file holds them; no value for a text not read from
// the file (or NULL there).
struct TStoredTexts {
    std::optional<std::string> Imie;
    std::optional<std::string> Nazwisko;
    std::optional<std::string> Ksywa;
    std::optional<std::string> Notes;
    std::optional<std::string> Adres;
    // Saving leaves Picture as the file holds it instead of storing the window's photo: the
    // stored value is no readable photo and the user imported none, so there is nothing better
    // to put there and the value may still mean something to whoever stored it. Adding a record
    // ignores it.
    bool KeepPicture = false;
};

// One value of a row as the program reads it: the column's name (upper case), the value's kind
// (none for NULL) and its bytes (texts and blobs as stored, a float as its 8 bytes, an integer in
// decimal).
struct TStoredValue {
    std::string Column;
    std::optional<TSQLiteColumnKind> Kind;
    QByteArray Bytes;

    friend bool operator==(const TStoredValue&, const TStoredValue&) = default;
};
// A whole row of album as read, every column in the file's order. The photo's bytes are shared
// with the decoded photo, not copied.
using TStoredRow = std::vector<TStoredValue>;

// One row of table album. A null Photo stands for a NULL Picture, or for a Picture that is no
// readable JPEG (a number, a text, damaged bytes), which PhotoUnreadable then tells.
struct TAlbumRecord {
    qint64 Id = 0;
    TAlbumTexts Texts;
    TStoredTexts Stored; // the bytes Texts were read from
    TJpegPhoto Photo;
    bool PhotoUnreadable = false;
    TStoredRow Row; // the whole row as read
};

// A record as the record window showed it when it was filled from the file: its ID, the texts
// its fields then held, the bytes they were read from, the whole row as it then was (what a
// save checks the file against) and whether its stored photo could not be shown. No ID while
// the window has shown no record of the open album.
struct TShownRecord {
    std::optional<qint64> Id;
    TAlbumTexts Shown;
    TStoredTexts Stored;
    TStoredRow Row;
    bool PhotoUnreadable = false;
};

// The stored bytes of each field whose text is still the one shown. Such a field is written
// back as it was read: a lone CR or LF that another tool stored in a note stays, as the stored
// form below would change it although the user changed nothing.
[[nodiscard]] TStoredTexts UnchangedFields(const TAlbumTexts& current, const TShownRecord& shown);

// The sort keys of the record list: the grid column the list is ordered by.
enum TAlbumSortKey : int { skImie = 2, skNazwisko = 3, skKsywa = 4 };

// What a new file holds: exactly this table, then one first record.
inline constexpr std::string_view AlbumCreateTableSql =
    "CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko VARCHAR(20), Ksywa "
    "VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB COLLATE NOCASE);";

// The stored form of typed texts, as the add and save commands write them: in the two notes
// every line break (CR LF, a lone CR or a lone LF) becomes CR LF. Nothing else changes: a
// double quote is stored as typed, since the values are bound parameters and never part of the
// statement's text. (Texts an older version stored with two apostrophes for a double quote keep
// them, like every text the user does not change.)
void QuoteRecordFields(TAlbumTexts& texts);
// The same for the fields that keep their stored bytes; those are left as they are.
void QuoteRecordFields(TAlbumTexts& texts, const TStoredTexts& kept);

// Every line break (CR LF, lone CR, lone LF) written as CR LF, the form notes are stored in.
[[nodiscard]] QString WithCrLfBreaks(const QString& text);

// The stored bytes of a text; throws EMovraError (Polish, naming the field when given) for a
// character Windows-1250 cannot hold.
[[nodiscard]] std::string AlbumBytes(const QString& text, const QString& fieldName = {});
[[nodiscard]] QString AlbumText(std::string_view bytes);

// Told of a new connection before anything is read from its file (to watch its statements).
using TAlbumConnectionHook = std::function<void(const ISQLiteDatabasePtr&)>;

// Opens an existing album file; never creates one (a missing file is the open error). A file
// that would run code of its own on the program's statements (album a view or with computed
// columns, CHECK constraints, indexes on expressions or partial ones, any trigger) and a file
// without table album or its columns are refused with EMovraError before anything else is read.
[[nodiscard]] ISQLiteDatabasePtr OpenAlbumFile(const QString& path,
                                               const TAlbumConnectionHook& opened = {});

// Creates a new album file at path holding the album table and one first record with the given
// texts (stored as given apart from line breaks, which become CR LF) and no picture. Refuses a
// path where a file exists. On any failure the file just created is removed and the error
// raised: nothing half-made is left behind.
[[nodiscard]] ISQLiteDatabasePtr CreateAlbumFile(const QString& path,
                                                 const TAlbumTexts& firstRecord);

// The record list ordered by first name (2), last name (3) or nickname (4), with the columns
// ID, Imie, Nazwisko, Ksywa, Notes and Adres (the photos stay in the file). Any other key
// raises EMovraError.
[[nodiscard]] ISQLiteTablePtr QueryRecordList(ISQLiteDatabase& db, int sortKey);

// One row of the record list as stored: the ID in decimal, the texts as their Windows-1250
// bytes (valid only during the call that hands the row over).
struct TAlbumListBytes {
    std::string_view Id;
    std::string_view Imie;
    std::string_view Nazwisko;
    std::string_view Ksywa;
    std::string_view Notes;
    std::string_view Adres;
    // Whether the sort key is stored as a text: only texts sort by the alphabet (the engine puts
    // NULL, then numbers, before every text, and blobs after).
    bool KeyIsText = true;
    // Which of the three names are stored as texts: NameTextBit of each sort key.
    std::uint8_t TextNames = 7;
};

// The bit of TAlbumListBytes::TextNames for the name a list can be sorted by (2, 3 or 4).
[[nodiscard]] constexpr std::uint8_t NameTextBit(int sortKey) {
    return sortKey >= 2 && sortKey <= 4 ? static_cast<std::uint8_t>(1U << (sortKey - 2)) : 0;
}

// Which records the list shows: all of them, or those a filter text matches (FilterPatternCp1250
// of platform/text/TextFilter.h, in the first name, last name, nickname, notes or address).
struct TListFilter {
    bool On = false;
    // Nothing: the typed text holds a character no album text can hold, so nothing matches.
    std::optional<std::string> Pattern;

    // Whether the filter lets that row of the list through.
    [[nodiscard]] bool Matches(const TAlbumListBytes& row) const;
};

// The same list as QueryRecordList, handed to onRow one row at a time as the file yields it, so
// that a reader keeping its own copy needs no second one. Raises as QueryRecordList does (a bad
// key before anything is read); an error from onRow ends the reading. Answers the rows read.
std::uint32_t ReadRecordList(ISQLiteDatabase& db, int sortKey,
                             const std::function<void(const TAlbumListBytes&)>& onRow,
                             const TListFilter& filter = {});
// The first rows of that list, exactly as ReadRecordList starts it (the order is total: equal
// names are ordered by ID). One pass over the table whatever its size, with no sorting of the
// rest: what a screenful of the list costs.
std::uint32_t ReadRecordListHead(ISQLiteDatabase& db, int sortKey, std::uint32_t rows,
                                 const std::function<void(const TAlbumListBytes&)>& onRow,
                                 const TListFilter& filter = {});

// How many records the album holds.
[[nodiscard]] std::int64_t CountRecords(ISQLiteDatabase& db);
// An estimate of that number that costs no pass over the table: the highest row number, which
// counts every record ever added unless rows were deleted (0 when there is none to read).
[[nodiscard]] std::int64_t EstimateRecords(ISQLiteDatabase& db);

// Record id's row of the list, as ReadRecordList would hand it over; false, calling nothing, when
// no record has that ID.
[[nodiscard]] bool ReadRecordListRow(ISQLiteDatabase& db, int sortKey, qint64 id,
                                     const std::function<void(const TAlbumListBytes&)>& onRow);

// The file's change counter as this connection sees it: it moves when another connection
// (another program, or another copy of this one) commits a change, never for this one's own.
[[nodiscard]] std::int64_t OutsideChangeCounter(ISQLiteDatabase& db);

// Column indexes of a record list table, looked up once for reading many rows.
struct TAlbumListColumns {
    int Id = 0;
    int Imie = 1;
    int Nazwisko = 2;
    int Ksywa = 3;
    int Notes = 4;
    int Adres = 5;

    // Raises as ColumnOf does (a table without rows: "Field ID Not found. Empty dataset").
    [[nodiscard]] static TAlbumListColumns Of(const ISQLiteTable& table);
};

// The current row of a record list as the grid shows it: the ID in decimal, the texts converted.
struct TAlbumListRow {
    QString Id;
    QString Imie;
    QString Nazwisko;
    QString Ksywa;
    QString Notes;
    QString Adres;
};
[[nodiscard]] TAlbumListRow ReadListRow(const ISQLiteTable& table,
                                        const TAlbumListColumns& columns);

// The record with that ID, complete (texts and decoded photo), or an exception: a missing ID
// raises "Field ID Not found. Empty dataset". A Picture that does not decode as a JPEG leaves
// Photo null and sets PhotoUnreadable, so the person's texts can still be seen and edited.
[[nodiscard]] TAlbumRecord ReadRecord(ISQLiteDatabase& db, qint64 id);
// The current row of a table of whole album rows (SELECT *).
[[nodiscard]] TAlbumRecord ReadRecord(const ISQLiteTable& table);
// The record with that ID without decoding its photo (Photo stays null; Row holds its bytes), or
// nothing when no record has that ID.
[[nodiscard]] std::optional<TAlbumRecord> ReadStoredRecord(ISQLiteDatabase& db, qint64 id);

// Stores the photo's JPEG bytes unchanged, or placeholderJpeg when the photo is null, as record
// id's Picture.
void StorePicture(ISQLiteDatabase& db, qint64 id, const TJpegPhoto& photo,
                  const QByteArray& placeholderJpeg);

// Adds a record (texts in their stored form, then bound; a field with kept bytes is written as
// those bytes) with its picture in one transaction; returns its ID. On any failure nothing is
// changed and no transaction is left open.
[[nodiscard]] qint64 InsertRecord(ISQLiteDatabase& db, const TAlbumTexts& texts,
                                  const TJpegPhoto& photo, const QByteArray& placeholderJpeg,
                                  const TStoredTexts& kept = {});

// A record to add from outside the record window: its texts and its photo's JPEG bytes (empty:
// the placeholder).
struct TNewRecord {
    TAlbumTexts Texts;
    QByteArray Jpeg;
};

// Adds the records, each with its picture, in one transaction: all of them or none. progress is
// told how many are done before each one and may answer false to stop: then nothing is added
// and the answer is empty. On any failure nothing is changed and no transaction is left open.
[[nodiscard]] std::optional<std::vector<qint64>>
InsertRecords(ISQLiteDatabase& db, const std::vector<TNewRecord>& records,
              const QByteArray& placeholderJpeg,
              const std::function<bool(std::size_t done)>& progress = {});

// The records with these IDs in the given order, texts and the whole row as stored (photos not
// decoded), read in one transaction so that they are one state of the file. An ID no longer in
// the file is passed over. onRecord may answer false to stop; the answer is then false.
[[nodiscard]] bool ReadRecordsInOrder(ISQLiteDatabase& db, const std::vector<qint64>& ids,
                                      const std::function<bool(const TAlbumRecord&)>& onRecord);

// Writes texts (as InsertRecord does) and picture (unless kept.KeepPicture) into record id in
// one transaction. Returns false, changing nothing, when no record has that ID (deleted
// meanwhile). On any failure nothing is changed and no transaction is left open.
[[nodiscard]] bool UpdateRecord(ISQLiteDatabase& db, qint64 id, const TAlbumTexts& texts,
                                const TJpegPhoto& photo, const QByteArray& placeholderJpeg,
                                const TStoredTexts& kept = {});

enum class TUpdateResult {
    Written,
    Missing, // no record has that ID (deleted meanwhile); nothing written
    Changed  // the row is no longer as it was shown (another program saved it); nothing written
};
struct TUpdateOutcome {
    TUpdateResult Result = TUpdateResult::Written;
    TStoredRow Now; // Changed: the row as the file holds it now
};

// UpdateRecord for a record the user saw: written only if the file still holds record id
// exactly as shown (every column, the photo included, byte for byte), so that a change another
// copy of the program saved meanwhile is never overwritten unseen. The check and the writing are
// one transaction that locks the file for writing before it reads, so nothing can come between.
// On any failure nothing is changed and no transaction is left open.
[[nodiscard]] TUpdateOutcome UpdateShownRecord(ISQLiteDatabase& db, qint64 id,
                                               const TStoredRow& shown, const TAlbumTexts& texts,
                                               const TJpegPhoto& photo,
                                               const QByteArray& placeholderJpeg,
                                               const TStoredTexts& kept = {});

// The fields whose stored values differ between two reads of a row, as the record window names
// them ("Nazwisko", "zdjęcie"; a column the program does not know by its own name).
[[nodiscard]] QStringList ChangedFields(const TStoredRow& before, const TStoredRow& after);

void DeleteRecord(ISQLiteDatabase& db, qint64 id);

// The user stopped a compaction; the message tells that the file stayed as it was.
class ERegenerateCancelled : public ECommandCancelled {
public:
    ERegenerateCancelled();
};

// Compacts the whole file, then reads the first record in ID order; nothing for an empty album.
// Memory does not grow with the file (the rebuilt copy goes to a temporary file). progress is
// told the estimated percent now and then and may answer false to stop: that raises
// ERegenerateCancelled. A full disk or a file another program is using raise EMovraError with a
// Polish message. On every failure the file is left exactly as it was.
[[nodiscard]] std::optional<TAlbumRecord> Regenerate(ISQLiteDatabase& db,
                                                     const TSQLiteProgress& progress = {});

} // namespace movra
