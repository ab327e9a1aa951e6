// The database layer against real files in a temporary folder.

#include "db/SQLiteDatabase.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

using namespace movra;

namespace {

// The message of the exception of type E that f throws, or a marker that makes the comparison
// fail when it throws nothing.
template <class E> std::string ThrownMessage(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "<nothing thrown>";
}

// A raw connection used to write and inspect files independently of the layer under test.
class TRaw {
public:
    explicit TRaw(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            qFatal("raw open failed");
        }
    }
    ~TRaw() { sqlite3_close_v2(m_db); }
    TRaw(const TRaw&) = delete;
    TRaw& operator=(const TRaw&) = delete;
    void Exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error != nullptr ? error : "?";
            sqlite3_free(error);
            qFatal("raw exec failed: %s: %s", sql, message.c_str());
        }
    }
    // The first column of the first row as text ("<null>" for NULL, "<none>" without rows).
    std::string Scalar(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK) {
            qFatal("raw prepare failed: %s", sql);
        }
        std::string result = "<none>";
        if (sqlite3_step(s) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
            result = text != nullptr
                         ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(s, 0)))
                         : "<null>";
        }
        sqlite3_finalize(s);
        return result;
    }
    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

int OpenDescriptorsOn(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
        if (QFile::symLinkTarget(fds.filePath(fd)) == target) {
            ++count;
        }
    }
    return count;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

// Denies every PRAGMA on connections opened while it is registered.
int DenyPragmas(void*, int action, const char*, const char*, const char*, const char*) {
    return action == SQLITE_PRAGMA ? SQLITE_DENY : SQLITE_OK;
}
int InstallPragmaDenier(sqlite3* db, char**, const sqlite3_api_routines*) {
    sqlite3_set_authorizer(db, DenyPragmas, nullptr);
    return SQLITE_OK;
}

} // namespace

class TstDb : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }

    // An album table as the program makes it, with two rows.
    ISQLiteDatabasePtr MakeAlbum(const char* name) {
        auto db = OpenSQLiteDatabase(Path(name), TSQLiteOpenMode::Create);
        db->Execute("CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko "
                    "VARCHAR(20), Ksywa VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB COLLATE "
                    "NOCASE);");
        db->Execute("INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres) VALUES "
                    "(NULL,'Jan','Kowalski','Kowal','a\r\nb','')");
        db->Execute("INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres,Picture) VALUES "
                    "(NULL,'Ola',NULL,'',NULL,'x',x'FFD8FF00E0')");
        return db;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void openingMissingFileFailsAndCreatesNothing() {
        const std::string path = Path("brak.db3");
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)OpenSQLiteDatabase(path); }),
                 "Failed to open database \"" + path + "\" : unable to open database file");
        QVERIFY(!QFile::exists(QString::fromStdString(path)));

        auto db = OpenSQLiteDatabase(path, TSQLiteOpenMode::Create);
        db->Execute("CREATE TABLE t (a)");
        db.reset();
        QVERIFY(QFile::exists(QString::fromStdString(path)));
        // Once it exists, the default mode opens it.
        QVERIFY(OpenSQLiteDatabase(path)->HasTable("T"));
    }

    void fileNameIsPassedAsBytes() {
        // "ł" in Windows-1250 is the single byte B3, which is not UTF-8: the name must reach the
        // file system unchanged.
        const std::string path = Path("album\xB3.db3");
        (void)OpenSQLiteDatabase(path, TSQLiteOpenMode::Create);
        struct stat st {};
        QCOMPARE(::stat(path.c_str(), &st), 0);
    }

    void pragmaFailureClosesTheHandle() {
        const std::string path = Path("pragma.db3");
        (void)OpenSQLiteDatabase(path, TSQLiteOpenMode::Create);
        const QString qpath = QString::fromStdString(path);
        QCOMPARE(OpenDescriptorsOn(qpath), 0);

        sqlite3_auto_extension(reinterpret_cast<void (*)()>(InstallPragmaDenier));
        const std::string message =
            ThrownMessage<ESQLiteException>([&] { (void)OpenSQLiteDatabase(path); });
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(InstallPragmaDenier));

        QCOMPARE(message, std::string("Error executing SQL \"PRAGMA SYNCHRONOUS=NORMAL;\" : "
                                      "not authorized"));
        QCOMPARE(OpenDescriptorsOn(qpath), 0);
    }

    void pragmasAreSetOnEveryConnection() {
        auto db = OpenSQLiteDatabase(Path("pragmas.db3"), TSQLiteOpenMode::Create);
        QCOMPARE(db->QueryInt64("PRAGMA synchronous"), 1); // NORMAL
        QCOMPARE(db->QueryInt64("PRAGMA temp_store"), 2);  // MEMORY
    }

    void defensiveModeProtectsTheSchema() {
        auto db = MakeAlbum("defensive.db3");
        db->Execute("PRAGMA writable_schema=ON");
        const std::string message = ThrownMessage<ESQLiteException>(
            [&] { db->Execute("UPDATE sqlite_master SET sql='CREATE TABLE album(x)'"); });
        QVERIFY2(message.starts_with("Error executing SQL"), message.c_str());
        QVERIFY(db->HasTable("album"));
        QCOMPARE(db->QueryString("SELECT sql FROM sqlite_master WHERE name='album'").substr(0, 25),
                 std::string("CREATE TABLE album (ID IN"));
    }

    void statementErrorsCarryTextAndLibraryMessage() {
        auto db = MakeAlbum("errors.db3");
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { db->Execute("SELEC 1"); }),
                 std::string("Error executing SQL \"SELEC 1\" : near \"SELEC\": syntax error"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)db->Query("SELECT * FROM nic"); }),
                 std::string("Error executing SQL \"SELECT * FROM nic\" : no such table: nic"));
        // A text that holds no statement.
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { db->Execute("  -- nic\n"); }),
                 std::string("Could not prepare SQL statement"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)db->Query(""); }),
                 std::string("Could not prepare SQL statement"));
        // A statement that yields a row is not an Execute.
        const std::string row =
            ThrownMessage<ESQLiteException>([&] { db->Execute("SELECT * FROM album"); });
        QVERIFY2(row.starts_with("Error executing SQL statement"), row.c_str());
        // A constraint failure on step.
        QCOMPARE(ThrownMessage<ESQLiteException>(
                     [&] { db->Execute("INSERT INTO album(ID) VALUES (1)"); }),
                 std::string("Error executing SQL statement \"INSERT INTO album(ID) VALUES (1)\" : "
                             "UNIQUE constraint failed: album.ID"));
        // Only the first statement of a text runs.
        db->Execute("DELETE FROM album WHERE ID=1; DELETE FROM album");
        QCOMPARE(db->QueryInt64("SELECT count(*) FROM album"), 1);
    }

    void emptyResultTable() {
        auto db = MakeAlbum("empty.db3");
        auto t = db->Query("SELECT * FROM album WHERE ID=99");
        QCOMPARE(t->Rows(), 0u);
        QCOMPARE(t->RowTotal(), 0u);
        QCOMPARE(t->Columns(), 0u);
        QVERIFY(t->AtEnd());
        QVERIFY(t->AtStart());
        QVERIFY(!t->MoveNext());
        QVERIFY(!t->MoveToFirst());
        QVERIFY(!t->MoveToLast());
        QCOMPARE(t->FirstAsInt(), 0);
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->ColumnOf("ID"); }),
                 std::string("Field ID Not found. Empty dataset"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->TextOf("Imie"); }),
                 std::string("Field Imie Not found. Empty dataset"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)db->QueryInt64("SELECT 1 WHERE 0"); }),
                 std::string("Table is at End of File"));
        QCOMPARE(
            ThrownMessage<ESQLiteException>([&] { (void)db->QueryString("SELECT 'a' WHERE 0"); }),
            std::string("Table is at End of File"));
    }

    void albumColumnKindsAndValues() {
        auto db = MakeAlbum("kinds.db3");
        auto t = db->Query("SELECT * FROM album ORDER BY ID");
        QCOMPARE(t->Rows(), 2u);
        QCOMPARE(t->Columns(), 7u);
        QCOMPARE(t->ColumnName(0), std::string("ID"));
        QCOMPARE(t->ColumnName(2), std::string("NAZWISKO"));
        QCOMPARE(t->KindAt(t->ColumnOf("id")), TSQLiteColumnKind::Integer);
        QCOMPARE(t->KindAt(t->ColumnOf("Imie")), TSQLiteColumnKind::Text);
        QCOMPARE(t->KindAt(t->ColumnOf("Notes")), TSQLiteColumnKind::Blob);
        QCOMPARE(t->KindAt(t->ColumnOf("PICTURE")), TSQLiteColumnKind::Blob);
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->ColumnOf("Zdjecie"); }),
                 std::string("Field not found in dataset: Zdjecie"));

        // Notes is stored as text but declared BLOB: read as a blob, the bytes come back whole.
        QCOMPARE(t->TextOf("Notes"), std::string("a\r\nb"));
        QCOMPARE(t->BlobTextAt(t->ColumnOf("Notes")), std::string("a\r\nb"));
        QCOMPARE(t->TextOf("ID"), std::string("1"));
        QCOMPARE(t->FirstAsInt(), 1);
        QVERIFY(t->IsNullAt(t->ColumnOf("Picture")));
        QVERIFY(t->BlobAt(t->ColumnOf("Picture")) == nullptr);
        // Empty text stays a (non-NULL) empty text.
        QVERIFY(t->IsNullAt(t->ColumnOf("Adres"))); // blob of zero bytes is absent
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->Int64At(1); }),
                 std::string("Not an integer or numeric field"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->DoubleAt(4); }),
                 std::string("Not an integer or numeric field"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->BlobAt(1); }),
                 std::string("Not a Blob field"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->BlobTextAt(0); }),
                 std::string("Not a Blob field"));
        QCOMPARE(t->BytesAt(1), std::string_view("Jan"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->BytesAt(0); }),
                 std::string("Not a text or blob field"));

        QVERIFY(t->MoveNext());
        QCOMPARE(t->Position(), 1u);
        QCOMPARE(t->StringAt(2), std::string()); // NULL text
        QCOMPARE(t->TextAt(2), std::string());
        QVERIFY(t->IsNullAt(2));
        // A NULL in a text column is no blob, not a wrong kind.
        QVERIFY(t->BlobAt(2) == nullptr);
        QCOMPARE(t->BlobTextAt(2), std::string());
        QVERIFY(!t->IsNullAt(3)); // '' is a value
        QCOMPARE(t->TextOf("Adres"), std::string("x"));
        TBlobStream* picture = t->BlobAt(6);
        QVERIFY(picture != nullptr);
        QCOMPARE(picture->Size(), std::size_t(5));
        char first[2] = {};
        QCOMPARE(picture->Read(first, 2), std::size_t(2));
        QCOMPARE(static_cast<unsigned char>(first[0]), 0xFF);
        // The table's own stream: a second reader sees where the first left it.
        QCOMPARE(t->BlobAt(6)->Position(), std::size_t(2));
        QCOMPARE(t->BlobTextAt(6).size(), std::size_t(5));

        // The last row: MoveNext still succeeds and leaves the table at its end.
        QVERIFY(t->MoveNext());
        QVERIFY(t->AtEnd());
        QVERIFY(!t->MoveNext());
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)t->TextAt(0); }),
                 std::string("Table is at End of File"));
        QCOMPARE(t->FirstAsInt(), 0);
        QVERIFY(t->MovePrior());
        QCOMPARE(t->TextOf("Imie"), std::string("Ola"));
        QVERIFY(t->MoveToFirst());
        QVERIFY(!t->MovePrior());
        QVERIFY(t->MoveToLast());
        QCOMPARE(t->Position(), 1u);
    }

    void declaredTypesDecideKinds() {
        auto db = OpenSQLiteDatabase(Path("decl.db3"), TSQLiteOpenMode::Create);
        // The engine reports its standard type names (INTEGER, REAL, BLOB, ...) in upper case
        // however they were written; other names are compared as declared.
        db->Execute(
            "CREATE TABLE t (a boolean, b INTEGER, c REAL, d BOOLEAN, e Numeric, f NUMERIC, "
            "g VARCHAR(15), h DOUBLE)");
        db->Execute("INSERT INTO t VALUES (NULL, NULL, 2.9, 1, 'x', -2.9, 5, 1)");
        auto t = db->Query("SELECT * FROM t");
        QCOMPARE(t->KindAt(0), TSQLiteColumnKind::Text); // lower-case "boolean" is no integer
        QCOMPARE(t->KindAt(1), TSQLiteColumnKind::Integer);
        QCOMPARE(t->KindAt(2), TSQLiteColumnKind::Float);
        QCOMPARE(t->KindAt(3), TSQLiteColumnKind::Integer);
        QCOMPARE(t->KindAt(4), TSQLiteColumnKind::Text); // "Numeric" is not "NUMERIC"
        QCOMPARE(t->KindAt(5), TSQLiteColumnKind::Float);
        QCOMPARE(t->KindAt(6), TSQLiteColumnKind::Text);
        QCOMPARE(t->KindAt(7), TSQLiteColumnKind::Float);
        QCOMPARE(t->TextAt(6), std::string("5"));
        QCOMPARE(t->TextAt(0), std::string());
        QCOMPARE(t->TextAt(1), std::string("0")); // NULL integer shows 0
        QCOMPARE(t->StringAt(1), std::string());
        QCOMPARE(t->Int64At(2), 2);
        QCOMPARE(t->Int64At(5), -2);
        QCOMPARE(t->DoubleAt(1), 0.0);
        QCOMPARE(t->DoubleAt(3), 1.0);
        QCOMPARE(t->TextAt(2), std::string("2.9"));

        // Expression columns take the storage class of their first value; NULL makes text.
        auto e = db->Query("SELECT 7, 1.5, 'x', x'00', NULL UNION ALL SELECT 'a', 2, 3, 4, 5");
        QCOMPARE(e->KindAt(0), TSQLiteColumnKind::Integer);
        QCOMPARE(e->KindAt(1), TSQLiteColumnKind::Float);
        QCOMPARE(e->KindAt(2), TSQLiteColumnKind::Text);
        QCOMPARE(e->KindAt(3), TSQLiteColumnKind::Blob);
        QCOMPARE(e->KindAt(4), TSQLiteColumnKind::Text);
        QCOMPARE(e->BlobTextAt(3), std::string(1, '\0'));
        QVERIFY(e->MoveNext());
        QCOMPARE(e->Int64At(0), 0); // the engine's conversion of 'a'
        QCOMPARE(e->TextAt(4), std::string("5"));
    }

    void textsEndAtZeroBlobsStayWhole() {
        auto db = OpenSQLiteDatabase(Path("zero.db3"), TSQLiteOpenMode::Create);
        db->Execute("CREATE TABLE t (a VARCHAR(5), b BLOB)");
        const std::string bytes("ab\0cd\xB3", 6);
        db->Execute("INSERT INTO t VALUES (?, ?)",
                    {TSQLiteParam::Text(bytes), TSQLiteParam::Blob(bytes)});
        auto t = db->Query("SELECT a, b, typeof(a), typeof(b) FROM t");
        QCOMPARE(t->TextAt(0), std::string("ab"));
        QCOMPARE(t->TextAt(1), bytes);
        QCOMPARE(t->TextAt(2), std::string("text"));
        QCOMPARE(t->TextAt(3), std::string("blob"));
    }

    // Stepping through a result gives every value exactly as the result table holds it.
    void rowsSteppedThroughMatchTheTable() {
        auto db = MakeAlbum("each.db3");
        db->Execute("CREATE TABLE t (a VARCHAR(5), b BLOB, c INTEGER, d REAL)");
        const std::string bytes("ab\0cd\xB3", 6);
        db->Execute("INSERT INTO t VALUES (?, ?, NULL, 2.5)",
                    {TSQLiteParam::Text(bytes), TSQLiteParam::Blob(bytes)});
        for (const char* sql : {"SELECT * FROM album ORDER BY Imie DESC", "SELECT * FROM t",
                                "SELECT 7, 'x', NULL UNION ALL SELECT 'a', 2, 3"}) {
            auto table = db->Query(sql);
            std::uint32_t seen = 0;
            const std::uint32_t rows = db->QueryEach(sql, [&](const ISQLiteRow& row) {
                if (seen == 0) // a big ORDER BY spills to files, not to memory
                    QCOMPARE(db->QueryInt64("PRAGMA temp_store"), 1);
                QCOMPARE(static_cast<std::uint32_t>(row.Columns()), table->Columns());
                // All columns at once, backwards, so each place is filled after the others.
                std::vector<int> columns;
                for (int c = row.Columns() - 1; c >= 0; --c)
                    columns.push_back(c);
                std::vector<std::string_view> shown(columns.size());
                row.ShownBytes(columns, shown);
                for (std::size_t i = 0; i < columns.size(); ++i) {
                    const int c = columns[i];
                    const bool number = table->KindAt(c) == TSQLiteColumnKind::Integer ||
                                        table->KindAt(c) == TSQLiteColumnKind::Float;
                    QCOMPARE(std::string(shown[i]),
                             number ? table->TextAt(c) : std::string(table->BytesAt(c)));
                }
                for (int c = 0; c < row.Columns(); ++c) {
                    QCOMPARE(row.KindAt(c), table->KindAt(c));
                    QCOMPARE(row.TextAt(c), table->TextAt(c));
                    const bool numeric = table->KindAt(c) == TSQLiteColumnKind::Integer ||
                                         table->KindAt(c) == TSQLiteColumnKind::Float;
                    if (!numeric)
                        QCOMPARE(row.BytesAt(c), table->BytesAt(c));
                    QCOMPARE(row.ColumnOf(table->ColumnName(c)),
                             table->ColumnOf(table->ColumnName(c)));
                }
                ++seen;
                table->MoveNext();
            });
            QCOMPARE(rows, table->Rows());
            QCOMPARE(seen, table->Rows());
        }
        QCOMPARE(ThrownMessage<ESQLiteException>([&] {
                     (void)db->QueryEach("SELECT * FROM album", [](const ISQLiteRow& row) {
                         (void)row.ColumnOf("Zdjecie");
                     });
                 }),
                 std::string("Field not found in dataset: Zdjecie"));
        QCOMPARE(ThrownMessage<ESQLiteException>([&] {
                     (void)db->QueryEach("SELECT * FROM brak", [](const ISQLiteRow&) {});
                 }).rfind("Error executing SQL", 0),
                 std::size_t(0));
        // An error from the reader ends the statement: the connection is free for the next one.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 (void)db->QueryEach("SELECT * FROM album", [](const ISQLiteRow&) {
                                     throw std::runtime_error("stop");
                                 }));
        // The sort of a stepped-through result goes to disk, but the connection keeps its own
        // setting for every other statement, whichever way the reading ended.
        QCOMPARE(db->QueryInt64("PRAGMA temp_store"), 2); // MEMORY
        db->Execute("DROP TABLE t");
    }

    void columnIndexAndConversionErrors() {
        auto db = MakeAlbum("index.db3");
        auto t = db->Query("SELECT Imie, ID FROM album ORDER BY ID");
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)t->TextAt(2));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)t->TextAt(-1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, (void)t->ColumnName(5));
        QCOMPARE(ThrownMessage<std::invalid_argument>([&] { (void)t->FirstAsInt(); }),
                 std::string("'Jan' is not a valid integer value"));
        QCOMPARE(db->Query("SELECT 2147483647")->FirstAsInt(), 2147483647);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 (void)db->Query("SELECT 2147483648")->FirstAsInt());
    }

    void storeBlob() {
        auto db = MakeAlbum("blob.db3");
        TBlobStream empty;
        QCOMPARE(ThrownMessage<ESQLiteException>(
                     [&] { db->StoreBlob("UPDATE album SET picture = 1 WHERE ID = 1", empty); }),
                 std::string("SQL must include a ? parameter"));
        QCOMPARE(ThrownMessage<ESQLiteException>(
                     [&] { db->StoreBlob("UPDATE album SET picture = ? WHERE ID = 1", empty); }),
                 std::string("Error getting memory to save blob"));
        QVERIFY(db->Query("SELECT picture FROM album WHERE ID=1")->IsNullAt(0));
        QCOMPARE(
            ThrownMessage<ESQLiteException>([&] { db->StoreBlob("UPDATE nic SET a = ?", empty); }),
            std::string("Could not prepare SQL statement \"UPDATE nic SET a = ?\" : "
                        "no such table: nic"));

        const std::string bytes("\xFF\xD8\0\x01zz", 6);
        TBlobStream stream;
        stream.Write(bytes);
        db->StoreBlob("UPDATE album SET picture = ? WHERE ID = 1", stream);
        QCOMPARE(stream.Position(), bytes.size());
        auto t = db->Query("SELECT picture, typeof(picture) FROM album WHERE ID=1");
        QCOMPARE(t->BlobTextAt(0), bytes);
        QCOMPARE(t->TextAt(1), std::string("blob"));
    }

    void transactions() {
        const std::string path = Path("tx.db3");
        {
            auto db = MakeAlbum("tx.db3");
            db->StartTransaction();
            QVERIFY(db->TransactionOpen());
            QCOMPARE(ThrownMessage<ESQLiteException>([&] { db->StartTransaction(); }),
                     std::string("Transaction already open"));
            db->Execute("INSERT INTO album(Imie) VALUES ('w transakcji')");
            QVERIFY_THROWS_EXCEPTION(ESQLiteException,
                                     db->Execute("INSERT INTO album(ID) VALUES (1)"));
            QVERIFY(db->TransactionOpen()); // a failed statement leaves it open
            db->RollbackTransaction();
            QVERIFY(!db->TransactionOpen());
            QCOMPARE(db->QueryInt64("SELECT count(*) FROM album"), 2);

            db->StartTransaction();
            db->Execute("INSERT INTO album(Imie) VALUES ('zatwierdzony')");
            db->CommitTransaction();
            QVERIFY(!db->TransactionOpen());
            QCOMPARE(db->LastRowId(), 3);

            // Commit without a transaction fails and keeps the flag as it was.
            QVERIFY_THROWS_EXCEPTION(ESQLiteException, db->CommitTransaction());
            QVERIFY(!db->TransactionOpen());

            // Released with a transaction open: rolled back.
            db->StartTransaction();
            db->Execute("INSERT INTO album(Imie) VALUES ('porzucony')");
        }
        auto again = OpenSQLiteDatabase(path);
        QCOMPARE(again->QueryInt64("SELECT count(*) FROM album"), 3);
        QCOMPARE(again->QueryString("SELECT max(Imie) FROM album"), std::string("zatwierdzony"));
    }

    // A damaged album file (found by fuzzing): the INSERT and the picture succeed, the COMMIT
    // fails and the engine rolls the transaction back itself. The connection must know, or every
    // later add or save would be refused with "Transaction already open".
    void failedCommitOnDamagedFileEndsTheTransaction() {
        const QByteArray damaged =
            QByteArray::fromHex("53514c69746520666f726d617420330002000101004020200000000300000002"
                                "00000000000000000000000200000004b5192500406000000000000100000000"
                                "0000000000000000000063000000000000000000000000000000000000000003"
                                "002e63010d00000001014f00014f000000000000000000000000000000000000"
                                "0000000000000000002088010070600000000000000000000000000000000000"
                                "0000000000000000000000000000000000000000000000000000000000000000"
                                "0000000000000000000000000000000000000000000000000000000000000000"
                                "0000000000000000000000000000000000000000000000000000000000000000"
                                "0000000000000000000000000000000000000000000000000000000000000000"
                                "0000000000000000002000000000000000000000000000000000000000000000"
                                "000000000000000000000000000000812e010717171701823b7461626c65616c"
                                "62756d616c62756d02435245415445205441424c4520616c62756d2028494420"
                                "494e5445474552205052494d525941204b45592c496d69652056415243484152"
                                "283136292c4e617a7769736b6f2056415243484152283230292c204b73797761"
                                "2056415243484152283230292c4e6f74657320424c4f422c416472657320424c"
                                "4f422c205069637475726520424c4f4220434f4c4c415445204e4f4341534529"
                                "0d0000000101e90001e900005245000000001565726f7a65726f");
        const std::string path = Path("uszkodzony.db3");
        {
            QFile f(QString::fromStdString(path));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(damaged), damaged.size());
        }
        auto db = OpenSQLiteDatabase(path);
        db->StartTransaction();
        db->Execute(
            "INSERT INTO album(ID,Imie,Nazwisko,Ksywa,Notes,Adres) VALUES (NULL,?, ?,?, ?,?);",
            {TSQLiteParam::Text("a"), TSQLiteParam::Text("b"), TSQLiteParam::Text("c"),
             TSQLiteParam::Text("d"), TSQLiteParam::Text("e")});
        const char jpeg[] = "\xFF\xD8\xFF\xD9";
        TBlobStream picture(jpeg, 4);
        db->StoreBlob("UPDATE album SET picture = ? WHERE ID = " + std::to_string(db->LastRowId()),
                      picture);
        QVERIFY_THROWS_EXCEPTION(ESQLiteException, db->CommitTransaction());
        QVERIFY(!db->TransactionOpen());
        // The next command starts and ends its own transaction as usual.
        db->StartTransaction();
        QVERIFY(db->TransactionOpen());
        db->RollbackTransaction();
        QVERIFY(!db->TransactionOpen());
    }

    void hasTableBindsTheName() {
        auto db = MakeAlbum("hastable.db3");
        QVERIFY(db->HasTable("album"));
        QVERIFY(db->HasTable("ALBUM"));
        QVERIFY(!db->HasTable("albumy"));
        QVERIFY(!db->HasTable("x' or '1'='1"));
        QVERIFY(!db->HasTable("'"));
    }

    void parametersAndChanges() {
        auto db = MakeAlbum("params.db3");
        QVERIFY_THROWS_EXCEPTION(ESQLiteException, db->Execute("UPDATE album SET Imie=? WHERE ID=?",
                                                               {TSQLiteParam::Text("x")}));
        db->Execute(
            "UPDATE album SET Imie=?, Ksywa=? WHERE ID=?",
            {TSQLiteParam::Text(""), TSQLiteParam::Text("Notes"), TSQLiteParam::Integer(1)});
        QCOMPARE(db->Changes(), 1);
        auto t = db->Query("SELECT typeof(Imie), Imie, Ksywa FROM album WHERE ID=?",
                           {TSQLiteParam::Integer(1)});
        QCOMPARE(t->TextAt(0), std::string("text"));
        QCOMPARE(t->TextAt(2), std::string("Notes"));
        db->Execute("UPDATE album SET Imie=? WHERE ID=?",
                    {TSQLiteParam::Null(), TSQLiteParam::Integer(99)});
        QCOMPARE(db->Changes(), 0);
        QCOMPARE(db->EngineVersion(), std::string(sqlite3_libversion()));
    }

    void lockedFileFailsAtOnce() {
        const std::string path = Path("locked.db3");
        MakeAlbum("locked.db3").reset();
        const QByteArray before = FileBytes(QString::fromStdString(path));
        auto db = OpenSQLiteDatabase(path);
        TRaw other(path);
        other.Exec("BEGIN EXCLUSIVE");
        // A new connection fails already while setting its pragmas.
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { (void)OpenSQLiteDatabase(path); }),
                 std::string("Error executing SQL \"PRAGMA SYNCHRONOUS=NORMAL;\" : "
                             "database is locked"));
        QElapsedTimer timer;
        timer.start();
        const std::string read =
            ThrownMessage<ESQLiteException>([&] { (void)db->Query("SELECT * FROM album"); });
        QVERIFY2(read.find("database is locked") != std::string::npos ||
                     read == "Could not prepare SQL statement",
                 read.c_str());
        const std::string write =
            ThrownMessage<ESQLiteException>([&] { db->Execute("DELETE FROM album"); });
        QVERIFY2(write.find("database is locked") != std::string::npos, write.c_str());
        QVERIFY(timer.elapsed() < 1000);
        other.Exec("ROLLBACK");
        QCOMPARE(FileBytes(QString::fromStdString(path)), before);
        QCOMPARE(db->QueryInt64("SELECT count(*) FROM album"), 2);
    }

    // A statement that would run for ever inside the engine is stopped when the watch says so;
    // its transaction is undone and the connection stays usable. The watch cannot run
    // statements of its own connection.
    void aWatchStopsALongStatement() {
        const std::string path = Path("watch.db3");
        auto db = MakeAlbum("watch.db3");
        const QByteArray before = FileBytes(QString::fromStdString(path));
        const char* endless = "UPDATE album SET Ksywa = (WITH RECURSIVE c(x) AS (SELECT 1 UNION "
                              "ALL SELECT x + 1 FROM c) SELECT count(*) FROM c)";
        int asked = 0;
        db->SetWatch([&] { return ++asked < 5; });
        db->StartTransaction();
        db->Execute("INSERT INTO album(Imie) VALUES ('w transakcji')");
        try {
            db->Execute(endless);
            QFAIL("the statement was not stopped");
        } catch (const ESQLiteException& e) {
            QCOMPARE(e.ResultCode(), SQLITE_INTERRUPT);
        }
        QCOMPARE(asked, 5);
        try {
            db->RollbackTransaction(); // the watch still says stop: a rollback runs all the same
        } catch (const ESQLiteException&) {
            // The engine may have ended the transaction itself already.
        }
        QVERIFY(!db->TransactionOpen());
        QCOMPARE(FileBytes(QString::fromStdString(path)), before);

        db->SetWatch([&]() -> bool { return db->QueryInt64("SELECT 1") == 1; });
        QCOMPARE(ThrownMessage<ESQLiteException>([&] { db->Execute(endless); }),
                 std::string("Another statement of this connection is running"));
        db->SetWatch({});
        QCOMPARE(db->QueryInt64("SELECT count(*) FROM album"), 2);
        QCOMPARE(FileBytes(QString::fromStdString(path)), before);
    }

    // A copy of an open database is one committed state of it: a change another connection
    // commits while the copy runs makes it start again (never half of each), a change not yet
    // committed is never copied, and the other connection commits between the copy's steps.
    // A stop from the progress leaves the copy unfinished (SQLITE_INTERRUPT).
    void aBackupCopiesOneCommittedState() {
        const std::string path = Path("backup.db3");
        auto db = MakeAlbum("backup.db3");
        // More pages than one step copies.
        db->Execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)"
            " INSERT INTO album(Imie, Picture) SELECT 'osoba' || i, randomblob(3000) FROM n");
        TRaw other(path);
        other.Exec("BEGIN IMMEDIATE");
        other.Exec("UPDATE album SET Imie = 'niezapisane' WHERE ID = 1");
        int reports = 0;
        bool committed = false;
        db->BackupTo(Path("kopia.db3"), [&](int percent) {
            ++reports;
            if (percent < 0 || percent > 100)
                return false;
            // Half-way the other connection gives up its change and commits one of its own.
            if (!committed && percent > 0 && percent < 100) {
                other.Exec("ROLLBACK");
                other.Exec("UPDATE album SET Nazwisko = 'zapisane' WHERE ID = 2");
                committed = true;
            }
            return true;
        });
        QVERIFY(committed);
        QVERIFY(reports > 2);
        TRaw copy(Path("kopia.db3"));
        QCOMPARE(copy.Scalar("PRAGMA integrity_check"), std::string("ok"));
        QCOMPARE(copy.Scalar("SELECT count(*) FROM album"), std::string("302"));
        QCOMPARE(copy.Scalar("SELECT Imie FROM album WHERE ID = 1"), std::string("Jan"));
        QCOMPARE(copy.Scalar("SELECT Nazwisko FROM album WHERE ID = 2"), std::string("zapisane"));
        QCOMPARE(copy.Scalar("SELECT sum(length(Picture)) FROM album"),
                 other.Scalar("SELECT sum(length(Picture)) FROM album"));

        try {
            db->BackupTo(Path("przerwana.db3"), [](int) { return false; });
            QFAIL("the copy was not stopped");
        } catch (const ESQLiteException& e) {
            QCOMPARE(e.ResultCode(), SQLITE_INTERRUPT);
        }
        // The database itself is as it was and still usable.
        QCOMPARE(db->QueryInt64("SELECT count(*) FROM album"), 302);
    }
};

QTEST_GUILESS_MAIN(TstDb)
#include "tst_db.moc"
