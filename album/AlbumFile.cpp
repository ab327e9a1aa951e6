#include "album/AlbumFile.h"

#include "platform/core/ErrorBox.h"
#include "platform/text/Cp1250.h"
#include "platform/text/PolishOrder.h"
#include "platform/text/TextFilter.h"

#include <sqlite3.h>

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <array>
#include <string>

namespace movra {

namespace {

// The values travel as bound parameters, so a text equal to a column name ("Notes") or holding
// a double quote is stored as that text, never read as SQL.
constexpr std::string_view kInsertSql =
    "INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres) VALUES (NULL,?, ?,?, ?,?);";
constexpr std::string_view kUpdateSql =
    "UPDATE album SET Imie=?, Nazwisko=?, Ksywa=?,Notes=?, Adres=? WHERE ID=?;";
// The list leaves Picture out: the photos are read only when a record is shown.
constexpr std::string_view kListSql = "SELECT ID, Imie, Nazwisko, Ksywa, Notes, Adres FROM album";
// The live filter's test, in the connection as the sort key is.
constexpr std::string_view kFilterTest = "ZAWIERA";
constexpr std::string_view kFirstRecordSql = "SELECT * FROM album ORDER BY ID LIMIT 1";
// The list's alphabetical order, as a sort key whose bytes compare as the alphabet does, so the
// engine sorts by plain byte comparison. It lives in the connection, not in the file: the file
// keeps no index or anything else that names it, so other programs read and write the album as
// before. Equal names keep the order of their IDs, so a list read again is the same list.
constexpr std::string_view kPolishKey = "POLSKI";

std::string Decimal(qint64 id) {
    return std::to_string(id);
}

// Converts the five texts first, so that a text the code page cannot hold stops the command
// before anything is written. A field with kept bytes is written as them.
TSQLiteParams TextParams(const TAlbumTexts& t, const TStoredTexts& kept = {}) {
    TSQLiteParams params;
    params.reserve(6);
    const auto add = [&](const std::optional<std::string>& bytes, const QString& text,
                         const QString& fieldName) {
        params.push_back(TSQLiteParam::Text(bytes ? *bytes : AlbumBytes(text, fieldName)));
    };
    add(kept.Imie, t.Imie, QStringLiteral("Imię"));
    add(kept.Nazwisko, t.Nazwisko, QStringLiteral("Nazwisko"));
    add(kept.Ksywa, t.Ksywa, QStringLiteral("Ksywa"));
    add(kept.Notes, t.Notes, QStringLiteral("Adnotacje i uwagi"));
    add(kept.Adres, t.Adres, QStringLiteral("Adres i źródła kontaktu"));
    return params;
}

// A transaction that is rolled back unless committed, so that a failed add or save changes
// nothing and leaves the connection ready for the next one.
class TTransactionGuard {
public:
    enum TMode { Deferred, Write };
    explicit TTransactionGuard(ISQLiteDatabase& db, TMode mode = Deferred) : m_db(db) {
        if (mode == Write)
            m_db.StartWriteTransaction();
        else
            m_db.StartTransaction();
    }
    ~TTransactionGuard() {
        if (m_db.TransactionOpen()) {
            try {
                m_db.RollbackTransaction();
            } catch (...) {
                // Nothing better can be done here; the original error is what the user sees.
            }
        }
    }
    TTransactionGuard(const TTransactionGuard&) = delete;
    TTransactionGuard& operator=(const TTransactionGuard&) = delete;

    void Commit() { m_db.CommitTransaction(); }

private:
    ISQLiteDatabase& m_db;
};

// A list cell as the grid shows it: numbers in decimal, texts and notes converted from the
// stored bytes without an intermediate copy.
QString CellText(const ISQLiteTable& table, int column) {
    const TSQLiteColumnKind kind = table.KindAt(column);
    if (kind == TSQLiteColumnKind::Integer || kind == TSQLiteColumnKind::Float) {
        return QString::fromStdString(table.TextAt(column));
    }
    return AlbumText(table.BytesAt(column));
}

} // namespace

QString WithCrLfBreaks(const QString& text) {
    QString result;
    result.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            result += QStringLiteral("\r\n");
            if (i + 1 < text.size() && text.at(i + 1) == u'\n') {
                ++i;
            }
        } else if (c == u'\n') {
            result += QStringLiteral("\r\n");
        } else {
            result += c;
        }
    }
    return result;
}

void QuoteRecordFields(TAlbumTexts& texts) {
    QuoteRecordFields(texts, {});
}

void QuoteRecordFields(TAlbumTexts& texts, const TStoredTexts& kept) {
    // The names are stored as typed; a kept note keeps its own line breaks (a lone CR or LF
    // another tool stored).
    const auto note = [](const std::optional<std::string>& bytes, QString& text) {
        if (!bytes)
            text = WithCrLfBreaks(text);
    };
    note(kept.Notes, texts.Notes);
    note(kept.Adres, texts.Adres);
}

TStoredTexts UnchangedFields(const TAlbumTexts& current, const TShownRecord& shown) {
    const auto keep = [](const QString& now, const QString& then,
                         const std::optional<std::string>& bytes) {
        return now == then ? bytes : std::nullopt;
    };
    return {keep(current.Imie, shown.Shown.Imie, shown.Stored.Imie),
            keep(current.Nazwisko, shown.Shown.Nazwisko, shown.Stored.Nazwisko),
            keep(current.Ksywa, shown.Shown.Ksywa, shown.Stored.Ksywa),
            keep(current.Notes, shown.Shown.Notes, shown.Stored.Notes),
            keep(current.Adres, shown.Shown.Adres, shown.Stored.Adres)};
}

std::string AlbumBytes(const QString& text, const QString& fieldName) {
    try {
        return ToCp1250OrThrow(text);
    } catch (const EMovraError& e) {
        if (fieldName.isEmpty()) {
            throw;
        }
        throw EMovraError(QStringLiteral("Pole „%1”: %2").arg(fieldName, e.Message()));
    }
}

QString AlbumText(std::string_view bytes) {
    return FromCp1250(bytes);
}

namespace {

// The columns every command of the program reads or writes.
constexpr std::array<std::string_view, 7> kAlbumColumns = {"ID",    "Imie",  "Nazwisko", "Ksywa",
                                                           "Notes", "Adres", "Picture"};

constexpr bool IsWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c >= 0x80;
}

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// Whether a statement text holds keyword as a word of its own. The text is taken apart as the
// engine's tokeniser takes it, so the word inside a string ('check'), a quoted name ("check",
// [check], `check`) or a comment does not count: a column may well be called "Check".
bool HasKeyword(std::string_view sql, std::string_view keyword) {
    const std::size_t n = sql.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = sql[i];
        if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            const std::size_t end = sql.find('\n', i + 2);
            i = end == std::string_view::npos ? n : end + 1;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const std::size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? n : end + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            // A doubled closing quote stands for itself; brackets have no such escape.
            const char close = c == '[' ? ']' : c;
            std::size_t j = i + 1;
            for (;;) {
                j = sql.find(close, j);
                if (j == std::string_view::npos) {
                    j = n;
                    break;
                }
                if (close != ']' && j + 1 < n && sql[j + 1] == close) {
                    j += 2;
                    continue;
                }
                ++j;
                break;
            }
            i = j;
        } else if (IsWordByte(static_cast<unsigned char>(c))) {
            std::size_t j = i + 1;
            while (j < n && IsWordByte(static_cast<unsigned char>(sql[j])))
                ++j;
            if (SameWord(sql.substr(i, j - i), keyword))
                return true;
            i = j;
        } else {
            ++i;
        }
    }
    return false;
}

[[noreturn]] void RefuseAlbum(const QString& reason) {
    throw EMovraError(QStringLiteral("Ten plik nie jest bazą albumu: ") + reason);
}

// The statements of this program read and write table album, but a file can bring code that runs
// when they do: a view named album can yield rows without end (a recursive query), a computed
// column can build a value of any size for every row read, a trigger can run any query on every
// change, and a CHECK constraint, an index on an expression or a partial index's WHERE clause
// evaluate their expressions on every record written (six costly ones froze each save for
// seconds). A file with any of these (an album this program made has none) is refused before
// any of it runs; indexes on plain columns only cost a lookup and are accepted. So is a file
// without table album or without the columns the program reads: its first statement would fail
// with the engine's English words, which tell the user nothing. Only the schema is read here.
void CheckAlbumShape(ISQLiteDatabase& db) {
    if (db.QueryInt64("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'") > 0)
        RefuseAlbum(QStringLiteral(
            "zawiera wyzwalacze (triggery), czyli kod, który uruchamiałby się przy każdej zmianie "
            "w albumie. Program nie otwiera takich plików."));
    const ISQLiteTablePtr objects = db.Query(
        "SELECT type, sql FROM sqlite_master WHERE lower(name) = 'album' AND type IN ('table', "
        "'view')");
    if (objects->Rows() == 0)
        RefuseAlbum(QStringLiteral("to plik bazy danych SQLite, ale nie ma w nim tabeli „album”, "
                                   "w której program Movra trzyma rekordy."));
    objects->MoveToFirst();
    // Hidden 2 and 3 mark generated columns.
    if (objects->StringAt(0) != "table" ||
        db.QueryInt64("SELECT count(*) FROM pragma_table_xinfo('album') WHERE hidden IN (2, 3)") >
            0)
        RefuseAlbum(QStringLiteral("„album” jest w nim widokiem albo ma kolumny obliczane."));

    const ISQLiteTablePtr names = db.Query("SELECT name FROM pragma_table_xinfo('album')");
    QStringList missing;
    for (const std::string_view needed : kAlbumColumns) {
        bool found = false;
        for (names->MoveToFirst(); !found && !names->AtEnd(); names->MoveNext())
            found = SameWord(names->StringAt(0), needed);
        if (!found)
            missing << QString::fromLatin1(needed.data(), static_cast<qsizetype>(needed.size()));
    }
    if (!missing.isEmpty())
        RefuseAlbum(QStringLiteral("jego tabela „album” nie ma kolumn, których program Movra "
                                   "potrzebuje (brakuje: %1).")
                        .arg(missing.join(QStringLiteral(", "))));

    // A CHECK constraint, of the table or of a column, lives only in the table's statement.
    if (HasKeyword(objects->StringAt(1), "check"))
        RefuseAlbum(QStringLiteral(
            "tabela „album” ma ograniczenia CHECK, czyli kod, który uruchamiałby się przy każdym "
            "zapisie rekordu. Program nie otwiera takich plików."));
    // Column -2 of an index is an expression.
    if (db.QueryInt64("SELECT count(*) FROM pragma_index_list('album') AS l WHERE l.partial OR "
                      "EXISTS (SELECT 1 FROM pragma_index_xinfo(l.name) AS x WHERE x.cid = -2)") >
        0)
        RefuseAlbum(QStringLiteral(
            "tabela „album” ma indeks na wyrażeniu albo indeks częściowy (z warunkiem WHERE), "
            "czyli kod, który uruchamiałby się przy każdym zapisie rekordu. Program nie otwiera "
            "takich plików."));
}

ISQLiteDatabasePtr OpenExisting(const QString& path) {
    ISQLiteDatabasePtr db =
        OpenSQLiteDatabase(QFile::encodeName(path).toStdString(), TSQLiteOpenMode::Existing);
    db->AddTextFunction(std::string(kPolishKey), &PolishSortKeyCp1250);
    db->AddTestFunction(std::string(kFilterTest), &FilterMatchesCp1250);
    return db;
}

} // namespace

ISQLiteDatabasePtr OpenAlbumFile(const QString& path, const TAlbumConnectionHook& opened) {
    ISQLiteDatabasePtr db = OpenExisting(path);
    if (opened)
        opened(db);
    CheckAlbumShape(*db);
    return db;
}

ISQLiteDatabasePtr CreateAlbumFile(const QString& path, const TAlbumTexts& firstRecord) {
    // The first record is written as the window holds it, without the double-quote rule; only
    // its line breaks take the stored CR LF form.
    TAlbumTexts texts = firstRecord;
    texts.Notes = WithCrLfBreaks(texts.Notes);
    texts.Adres = WithCrLfBreaks(texts.Adres);
    const TSQLiteParams params = TextParams(texts);

    // Made exclusively: an existing file is never taken over, and so the cleanup below can only
    // ever remove a file this call created.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo::exists(path)) {
            throw EMovraError(QStringLiteral(
                "Plik taki już istnieje - proszę podaj inną nazwę lub zmień katalog!"));
        }
        throw EMovraError(QStringLiteral("Nie można utworzyć pliku bazowego „%1”: %2")
                              .arg(path, file.errorString()));
    }
    file.close();

    ISQLiteDatabasePtr db;
    try {
        db = OpenExisting(path); // empty yet: no album to check
        db->Execute(AlbumCreateTableSql);
        db->Execute(kInsertSql, params);
        return db;
    } catch (...) {
        db.reset();
        QFile::remove(path + QStringLiteral("-journal"));
        QFile::remove(path);
        throw;
    }
}

namespace {

std::string FilterSql(const TListFilter& filter) {
    if (!filter.On)
        return {};
    if (!filter.Pattern)
        return " WHERE 0";
    // The pattern goes in as a blob literal: its bytes reach the function as they are, and no
    // text typed can end the literal.
    std::string sql = " WHERE " + std::string(kFilterTest) + "(X'";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : *filter.Pattern) {
        const auto b = static_cast<unsigned char>(c);
        sql += kHex[b >> 4];
        sql += kHex[b & 15];
    }
    sql += "', Imie, Nazwisko, Ksywa, Notes, Adres)";
    return sql;
}

std::string RecordListSql(int sortKey, std::optional<std::uint32_t> limit = std::nullopt,
                          const TListFilter& filter = {}) {
    std::string sql(kListSql);
    sql += FilterSql(filter);
    switch (sortKey) {
    case skImie:
        sql += " ORDER BY " + std::string(kPolishKey) + "(Imie), ID";
        break;
    case skNazwisko:
        sql += " ORDER BY " + std::string(kPolishKey) + "(Nazwisko), ID";
        break;
    case skKsywa:
        sql += " ORDER BY " + std::string(kPolishKey) + "(Ksywa), ID";
        break;
    default:
        throw EMovraError(
            QStringLiteral("Nieznany porządek listy rekordów (%1): listę można uporządkować tylko "
                           "według imienia, nazwiska albo ksywy.")
                .arg(sortKey));
    }
    // With a limit the engine keeps only that many rows while it scans the table, instead of
    // sorting them all.
    if (limit)
        sql += " LIMIT " + std::to_string(*limit);
    return sql;
}

} // namespace

ISQLiteTablePtr QueryRecordList(ISQLiteDatabase& db, int sortKey) {
    return db.Query(RecordListSql(sortKey));
}

// The list's columns by name, from a result table or from a row being stepped through.
template <class TColumns> TAlbumListColumns ListColumnsOf(const TColumns& columns) {
    TAlbumListColumns c;
    c.Id = columns.ColumnOf("ID");
    c.Imie = columns.ColumnOf("Imie");
    c.Nazwisko = columns.ColumnOf("Nazwisko");
    c.Ksywa = columns.ColumnOf("Ksywa");
    c.Notes = columns.ColumnOf("Notes");
    c.Adres = columns.ColumnOf("Adres");
    return c;
}

namespace {

// Hands each row of a list query to onRow as the list shows it.
std::uint32_t ReadListRows(ISQLiteDatabase& db, const std::string& sql, int sortKey,
                           const std::function<void(const TAlbumListBytes&)>& onRow) {
    bool first = true;
    std::array<int, 6> columns{};
    std::uint8_t keyBit = 0;
    std::array<int, 3> names{};
    std::array<std::string_view, 6> cells;
    return db.QueryEach(sql, [&](const ISQLiteRow& row) {
        if (first) {
            const TAlbumListColumns c = ListColumnsOf(row);
            columns = {c.Id, c.Imie, c.Nazwisko, c.Ksywa, c.Notes, c.Adres};
            names = {c.Imie, c.Nazwisko, c.Ksywa};
            keyBit = NameTextBit(sortKey == skImie || sortKey == skKsywa ? sortKey : skNazwisko);
            first = false;
        }
        // The storage class is asked before the values are read: reading may convert them.
        std::uint8_t textNames = 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (row.StoredAsText(names[i]))
                textNames |= static_cast<std::uint8_t>(1U << i);
        row.ShownBytes(columns, cells);
        onRow(TAlbumListBytes{cells[0], cells[1], cells[2], cells[3], cells[4], cells[5],
                              (textNames & keyBit) != 0, textNames});
    });
}

} // namespace

std::uint32_t ReadRecordList(ISQLiteDatabase& db, int sortKey,
                             const std::function<void(const TAlbumListBytes&)>& onRow,
                             const TListFilter& filter) {
    return ReadListRows(db, RecordListSql(sortKey, std::nullopt, filter), sortKey, onRow);
}

std::uint32_t ReadRecordListHead(ISQLiteDatabase& db, int sortKey, std::uint32_t rows,
                                 const std::function<void(const TAlbumListBytes&)>& onRow,
                                 const TListFilter& filter) {
    return ReadListRows(db, RecordListSql(sortKey, rows, filter), sortKey, onRow);
}

std::int64_t CountRecords(ISQLiteDatabase& db) {
    return db.QueryInt64("SELECT count(*) FROM album");
}

std::int64_t EstimateRecords(ISQLiteDatabase& db) {
    try {
        return db.QueryInt64("SELECT max(rowid) FROM album");
    } catch (const ESQLiteException&) {
        return 0; // a table without row numbers
    }
}

bool TListFilter::Matches(const TAlbumListBytes& row) const {
    if (!On)
        return true;
    if (!Pattern)
        return false;
    for (const std::string_view text : {row.Imie, row.Nazwisko, row.Ksywa, row.Notes, row.Adres})
        if (FilterMatchesCp1250(*Pattern, text))
            return true;
    return false;
}

bool ReadRecordListRow(ISQLiteDatabase& db, int sortKey, qint64 id,
                       const std::function<void(const TAlbumListBytes&)>& onRow) {
    (void)RecordListSql(sortKey); // a bad key raises as the whole list's reading does
    return ReadListRows(db, std::string(kListSql) + " WHERE ID=" + Decimal(id), sortKey, onRow) > 0;
}

std::int64_t OutsideChangeCounter(ISQLiteDatabase& db) {
    return db.QueryInt64("PRAGMA data_version");
}

TAlbumListColumns TAlbumListColumns::Of(const ISQLiteTable& table) {
    return ListColumnsOf(table);
}

TAlbumListRow ReadListRow(const ISQLiteTable& table, const TAlbumListColumns& columns) {
    TAlbumListRow row;
    row.Id = CellText(table, columns.Id);
    row.Imie = CellText(table, columns.Imie);
    row.Nazwisko = CellText(table, columns.Nazwisko);
    row.Ksywa = CellText(table, columns.Ksywa);
    row.Notes = CellText(table, columns.Notes);
    row.Adres = CellText(table, columns.Adres);
    return row;
}

namespace {

TStoredRow StoredRowOf(const ISQLiteTable& table) {
    TStoredRow row;
    const int columns = static_cast<int>(table.Columns());
    row.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        TStoredValue value{table.ColumnName(c), std::nullopt, {}};
        if (!table.IsNullAt(c)) {
            const TSQLiteColumnKind kind = table.KindAt(c);
            value.Kind = kind;
            if (kind == TSQLiteColumnKind::Integer) {
                value.Bytes = QByteArray::number(table.Int64At(c));
            } else if (kind == TSQLiteColumnKind::Float) {
                const double d = table.DoubleAt(c);
                value.Bytes = QByteArray(reinterpret_cast<const char*>(&d), sizeof d);
            } else {
                const std::string_view bytes = table.BytesAt(c);
                value.Bytes = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
            }
        }
        row.push_back(std::move(value));
    }
    return row;
}

std::string RecordSql(qint64 id) {
    return "SELECT * FROM album WHERE ID=" + Decimal(id);
}

} // namespace

namespace {

// Everything of the current row but the decoded photo.
TAlbumRecord ReadStored(const ISQLiteTable& table) {
    TAlbumRecord record;
    record.Id = table.Int64At(table.ColumnOf("ID"));
    record.Row = StoredRowOf(table);
    const auto text = [&](const char* name, QString& shown, std::optional<std::string>& stored) {
        const int column = table.ColumnOf(name);
        if (table.IsNullAt(column))
            return;
        shown = CellText(table, column);
        const TSQLiteColumnKind kind = table.KindAt(column);
        if (kind == TSQLiteColumnKind::Text || kind == TSQLiteColumnKind::Blob)
            stored = std::string(table.BytesAt(column));
    };
    text("Imie", record.Texts.Imie, record.Stored.Imie);
    text("Nazwisko", record.Texts.Nazwisko, record.Stored.Nazwisko);
    text("Ksywa", record.Texts.Ksywa, record.Stored.Ksywa);
    text("Notes", record.Texts.Notes, record.Stored.Notes);
    text("Adres", record.Texts.Adres, record.Stored.Adres);
    return record;
}

} // namespace

TAlbumRecord ReadRecord(const ISQLiteTable& table) {
    // Everything is read into a local record first; the caller gets it whole or not at all.
    TAlbumRecord record = ReadStored(table);
    const int picture = table.ColumnOf("picture");
    if (!table.IsNullAt(picture)) {
        // The row's copy of the bytes is the photo's: one copy of a large photo, not two.
        try {
            record.Photo =
                TJpegPhoto::FromJpeg(record.Row[static_cast<std::size_t>(picture)].Bytes);
        } catch (const EJpegError&) {
            // A number, a text or damaged bytes another tool stored: the person's names and
            // notes must stay reachable all the same.
        }
        // An empty value decodes to no photo without complaint; it is no photo all the same.
        record.PhotoUnreadable = record.Photo.IsNull();
    }
    return record;
}

TAlbumRecord ReadRecord(ISQLiteDatabase& db, qint64 id) {
    const ISQLiteTablePtr table = db.Query(RecordSql(id));
    return ReadRecord(*table);
}

std::optional<TAlbumRecord> ReadStoredRecord(ISQLiteDatabase& db, qint64 id) {
    const ISQLiteTablePtr table = db.Query(RecordSql(id));
    if (table->Rows() == 0)
        return std::nullopt;
    return ReadStored(*table);
}

void StorePicture(ISQLiteDatabase& db, qint64 id, const TJpegPhoto& photo,
                  const QByteArray& placeholderJpeg) {
    const QByteArray& jpeg = photo.IsNull() ? placeholderJpeg : photo.Jpeg();
    TBlobStream stream(jpeg.constData(), static_cast<std::size_t>(jpeg.size()));
    db.StoreBlob("UPDATE album SET picture = ? WHERE ID = " + Decimal(id), stream);
}

qint64 InsertRecord(ISQLiteDatabase& db, const TAlbumTexts& texts, const TJpegPhoto& photo,
                    const QByteArray& placeholderJpeg, const TStoredTexts& kept) {
    TAlbumTexts quoted = texts;
    QuoteRecordFields(quoted, kept);
    const TSQLiteParams params = TextParams(quoted, kept);

    TTransactionGuard transaction(db);
    db.Execute(kInsertSql, params);
    const qint64 id = db.LastRowId();
    StorePicture(db, id, photo, placeholderJpeg);
    transaction.Commit();
    return id;
}

std::optional<std::vector<qint64>> InsertRecords(ISQLiteDatabase& db,
                                                 const std::vector<TNewRecord>& records,
                                                 const QByteArray& placeholderJpeg,
                                                 const std::function<bool(std::size_t)>& progress) {
    // Every text converted before anything is written: one the code page cannot hold stops the
    // whole import, not half of it.
    std::vector<TSQLiteParams> params;
    params.reserve(records.size());
    for (const TNewRecord& r : records) {
        TAlbumTexts quoted = r.Texts;
        QuoteRecordFields(quoted);
        params.push_back(TextParams(quoted));
    }
    std::vector<qint64> ids;
    ids.reserve(records.size());
    TTransactionGuard transaction(db);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (progress && !progress(i))
            return std::nullopt; // the guard rolls back
        db.Execute(kInsertSql, params[i]);
        const qint64 id = db.LastRowId();
        const QByteArray& jpeg = records[i].Jpeg.isEmpty() ? placeholderJpeg : records[i].Jpeg;
        TBlobStream stream(jpeg.constData(), static_cast<std::size_t>(jpeg.size()));
        db.StoreBlob("UPDATE album SET picture = ? WHERE ID = " + Decimal(id), stream);
        ids.push_back(id);
    }
    if (progress && !progress(records.size()))
        return std::nullopt;
    transaction.Commit();
    return ids;
}

bool ReadRecordsInOrder(ISQLiteDatabase& db, const std::vector<qint64>& ids,
                        const std::function<bool(const TAlbumRecord&)>& onRecord) {
    TTransactionGuard transaction(db);
    for (const qint64 id : ids) {
        const ISQLiteTablePtr table = db.Query(RecordSql(id));
        if (table->Rows() == 0)
            continue;
        if (!onRecord(ReadStored(*table)))
            return false; // the guard ends the reading
    }
    transaction.Commit();
    return true;
}

bool UpdateRecord(ISQLiteDatabase& db, qint64 id, const TAlbumTexts& texts, const TJpegPhoto& photo,
                  const QByteArray& placeholderJpeg, const TStoredTexts& kept) {
    TAlbumTexts quoted = texts;
    QuoteRecordFields(quoted, kept);
    TSQLiteParams params = TextParams(quoted, kept);
    params.push_back(TSQLiteParam::Integer(id));

    TTransactionGuard transaction(db);
    db.Execute(kUpdateSql, params);
    if (db.Changes() == 0) {
        return false; // the record is gone; the guard ends the transaction
    }
    if (!kept.KeepPicture)
        StorePicture(db, id, photo, placeholderJpeg);
    transaction.Commit();
    return true;
}

TUpdateOutcome UpdateShownRecord(ISQLiteDatabase& db, qint64 id, const TStoredRow& shown,
                                 const TAlbumTexts& texts, const TJpegPhoto& photo,
                                 const QByteArray& placeholderJpeg, const TStoredTexts& kept) {
    TAlbumTexts quoted = texts;
    QuoteRecordFields(quoted, kept);
    TSQLiteParams params = TextParams(quoted, kept);
    params.push_back(TSQLiteParam::Integer(id));

    // Locked for writing before the row is read: another copy of the program can neither save
    // this record between the check and the writing, nor find it half written.
    TTransactionGuard transaction(db, TTransactionGuard::Write);
    const ISQLiteTablePtr table = db.Query(RecordSql(id));
    if (table->Rows() == 0)
        return {TUpdateResult::Missing, {}};
    TStoredRow now = StoredRowOf(*table);
    if (now != shown)
        return {TUpdateResult::Changed, std::move(now)}; // the guard ends the transaction
    db.Execute(kUpdateSql, params);
    if (db.Changes() == 0)
        return {TUpdateResult::Missing, {}};
    if (!kept.KeepPicture)
        StorePicture(db, id, photo, placeholderJpeg);
    transaction.Commit();
    return {TUpdateResult::Written, {}};
}

QStringList ChangedFields(const TStoredRow& before, const TStoredRow& after) {
    static const struct {
        const char* column;
        const char16_t* name;
    } known[] = {{"IMIE", u"Imię"},
                 {"NAZWISKO", u"Nazwisko"},
                 {"KSYWA", u"Ksywa"},
                 {"NOTES", u"Adnotacje i uwagi"},
                 {"ADRES", u"Adres i źródła kontaktu"},
                 {"PICTURE", u"zdjęcie"}};
    const auto nameOf = [](const std::string& column) {
        for (const auto& k : known)
            if (column == k.column)
                return QString::fromUtf16(k.name);
        return QString::fromUtf8(column);
    };
    const auto find = [](const TStoredRow& row, const std::string& column) -> const TStoredValue* {
        for (const TStoredValue& v : row)
            if (v.Column == column)
                return &v;
        return nullptr;
    };
    QStringList names;
    for (const TStoredValue& v : before) {
        const TStoredValue* other = find(after, v.Column);
        if (!other || *other != v)
            names << nameOf(v.Column);
    }
    for (const TStoredValue& v : after)
        if (!find(before, v.Column))
            names << nameOf(v.Column);
    names.removeDuplicates();
    return names;
}

void DeleteRecord(ISQLiteDatabase& db, qint64 id) {
    db.Execute("DELETE FROM album WHERE ID=" + Decimal(id));
}

ERegenerateCancelled::ERegenerateCancelled() : ECommandCancelled(TAlbumCommand::Regenerate) {}

std::optional<TAlbumRecord> Regenerate(ISQLiteDatabase& db, const TSQLiteProgress& progress) {
    try {
        db.Compact(progress);
    } catch (const ESQLiteException& e) {
        switch (e.ResultCode()) {
        case SQLITE_INTERRUPT:
            throw ERegenerateCancelled();
        case SQLITE_FULL:
            // The rebuilt copy and the journal of the original each take about the file's size.
            throw EMovraError(QStringLiteral(
                "Za mało miejsca na dysku, by zregenerować bazę: potrzeba wolnego miejsca około "
                "dwa razy tyle, ile zajmuje plik bazowy. Plik bazowy pozostał bez zmian."));
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw EMovraError(QStringLiteral("Plik bazowy jest w tej chwili używany przez inny "
                                             "program, więc nie można go zregenerować. Plik "
                                             "bazowy pozostał bez zmian."));
        default:
            throw;
        }
    }
    const ISQLiteTablePtr table = db.Query(kFirstRecordSql);
    if (table->Rows() == 0) {
        return std::nullopt;
    }
    return ReadRecord(*table);
}

} // namespace movra
