// Album files that are damaged, foreign or locked, and add/save commands that fail: each gives its
// exception, never a crash, and leaves the file exactly as it was.

#include "AlbumTestUtil.h"

#include "album/AlbumFile.h"
#include "platform/core/ErrorBox.h"

#include <QtCore/QRandomGenerator>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

using namespace movra;
using namespace movra::test;

namespace {

const TAlbumTexts kStartTexts{"pusty", "zero", "zero", "", ""};

// Reads everything the main window would read from the file: the list in every order, every
// row's texts and every record with its photo. Returns the first failure's message, prefixed by
// its kind, or "ok".
QString ReadEverything(const QString& path) {
    try {
        auto db = OpenAlbumFile(path);
        for (int key : {skImie, skNazwisko, skKsywa}) {
            auto list = QueryRecordList(*db, key);
            if (list->Rows() == 0) {
                continue;
            }
            const TAlbumListColumns columns = TAlbumListColumns::Of(*list);
            for (list->MoveToFirst(); !list->AtEnd(); list->MoveNext()) {
                (void)ReadListRow(*list, columns);
                if (key == skImie) {
                    (void)ReadRecord(*db, list->Int64At(columns.Id));
                }
            }
        }
        return QStringLiteral("ok");
    } catch (const ESQLiteException& e) {
        return QStringLiteral("sqlite: ") + QString::fromUtf8(e.what());
    } catch (const EJpegError& e) {
        return QStringLiteral("jpeg");
    } catch (const EMovraError& e) {
        return QStringLiteral("movra: ") + e.Message();
    }
}

// Denies INSERT statements on connections opened while registered.
int DenyInsert(void*, int action, const char*, const char*, const char*, const char*) {
    return action == SQLITE_INSERT ? SQLITE_DENY : SQLITE_OK;
}
int InstallInsertDenier(sqlite3* db, char**, const sqlite3_api_routines*) {
    sqlite3_set_authorizer(db, DenyInsert, nullptr);
    return SQLITE_OK;
}

} // namespace

class TstAlbumFileFaults : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_placeholder;
    int m_counter = 0;

    QString NewPath() { return m_dir.filePath(QStringLiteral("f%1.db3").arg(++m_counter)); }

    // A sound album of a few records with photos, large enough to span many pages.
    QString MakeAlbum() {
        const QString path = NewPath();
        auto db = CreateAlbumFile(path, kStartTexts);
        const TJpegPhoto photo = TJpegPhoto::FromJpeg(MakeJpeg(300, 200, Qt::darkGreen, true, 100));
        for (int i = 0; i < 12; ++i) {
            (void)InsertRecord(*db, TAlbumTexts{QString("Imię %1").arg(i), "Nazwisko", "", "", ""},
                               photo, m_placeholder);
        }
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_placeholder = MakeJpeg(2, 2, Qt::white);
    }

    void badFiles_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // start of ReadEverything's answer

        const QString empty = NewPath();
        QVERIFY(WriteFileBytes(empty, {}));
        const QString noAlbum =
            QStringLiteral("movra: Ten plik nie jest bazą albumu: to plik bazy danych SQLite, ale "
                           "nie ma w nim tabeli „album”");
        QTest::newRow("empty file") << empty << noAlbum;

        const QString random = NewPath();
        QByteArray noise(3 * 4096, '\0');
        QRandomGenerator generator(1234);
        for (char& c : noise) {
            c = static_cast<char>(generator.bounded(256));
        }
        QVERIFY(WriteFileBytes(random, noise));
        QTest::newRow("random bytes") << random
                                      << "sqlite: Error executing SQL \"PRAGMA "
                                         "SYNCHRONOUS=NORMAL;\" : file is not a database";

        const QString header = NewPath();
        const QByteArray whole = FileBytes(MakeAlbum());
        QVERIFY(WriteFileBytes(header, whole.left(4096)));
        QTest::newRow("only the first page") << header
                                             << "sqlite: Error executing SQL \"PRAGMA "
                                                "SYNCHRONOUS=NORMAL;\" : database disk image is "
                                                "malformed";

        const QString half = NewPath();
        QVERIFY(WriteFileBytes(half, whole.left(whole.size() / 2)));
        QTest::newRow("half an album") << half << "sqlite: ";

        const QString other = NewPath();
        {
            TRawDb raw(other);
            raw.Exec("CREATE TABLE osoby (ID INTEGER PRIMARY KEY, Imie TEXT)");
            raw.Exec("INSERT INTO osoby VALUES (1, 'Jan')");
        }
        QTest::newRow("no table album") << other << noAlbum;

        const QString types = NewPath();
        {
            TRawDb raw(types);
            raw.Exec(kAlbumSchema);
            raw.Exec("INSERT INTO album VALUES (1, x'41420043', 12, 2.5, 1.5, NULL, NULL)");
            raw.Exec("INSERT INTO album VALUES (2, 'Jan', 'Nowak', '', 7, x'', 'nie obraz')");
        }
        // Every value reads, the text in Picture as a photo that cannot be shown.
        QTest::newRow("unexpected value types") << types << "ok";

        const QString textIds = NewPath();
        {
            TRawDb raw(textIds);
            raw.Exec("CREATE TABLE album (ID INTEGER, Imie VARCHAR(15), Nazwisko VARCHAR(20), "
                     "Ksywa VARCHAR(20), Notes BLOB, Adres BLOB, Picture BLOB)");
            raw.Exec("INSERT INTO album VALUES ('abc', 'Jan', 'Nowak', '', '', '', NULL)");
        }
        QTest::newRow("text in ID") << textIds << "sqlite: Field ID Not found. Empty dataset";
    }

    void badFiles() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        const QByteArray before = FileBytes(path);
        const QString answer = ReadEverything(path);
        QVERIFY2(answer.startsWith(expected), qPrintable(answer));
        QCOMPARE(FileBytes(path), before);
        QVERIFY(!QFile::exists(path + "-journal"));
    }

    // Files whose album runs code of the file's own when read, which the program must refuse when
    // opening rather than hang or exhaust memory. The first is a 512-byte file whose
    // album is a view of endless rows, found with the album fuzz target.
    void albumThatRunsCodeIsRefused_data() {
        QTest::addColumn<QString>("path");

        const QString view = NewPath();
        QVERIFY(WriteFileBytes(
            view, QByteArray::fromHex(
                      "53514c69746520666f726d617420330002000101004020200000000100000001"
                      "0000000000000000000000010000000400000000000000000000000100000000"
                      "0000000000000000000000000000000000000000000000000000000000000001"
                      "002e63010d000000010129000129000000000000000000000000000000000000"
                      "0000000000000000000000000000000000000000000000000000000000000000"
                      "0000000000000000000000000000000000000000000000000000000000000000"
                      "0000000000000000000000000000000000000000000000000000000000000000"
                      "0000000000000000000000000000000000000000000000000000000000000000"
                      "0000000000000000000000000000000000000000000000000000000000000000"
                      "0000000000000000008154010715171708830b76696577616c62756d616c6275"
                      "6d435245415445205649455720616c62756d2041532057495448205245435552"
                      "534956452063287829204153202853454c454354203120554e494f4e20414c4c"
                      "2053454c45435420782b312046524f4d2063292053454c454354207820415320"
                      "49442c2027612720415320496d69652c20276227204153204e617a7769736b6f"
                      "2c20276327204153204b737977612c202727204153204e6f7465732c20272720"
                      "41532041647265732c204e554c4c20415320506963747572652046524f4d2063")));
        QTest::newRow("view of endless rows") << view;

        const QString computed = NewPath();
        {
            TRawDb raw(computed);
            raw.Exec("CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko "
                     "VARCHAR(20), Ksywa VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB COLLATE "
                     "NOCASE, Big BLOB AS (zeroblob(900000000)))");
            raw.Exec("INSERT INTO album(Imie) VALUES ('Jan')");
        }
        QTest::newRow("computed column of 900 MB") << computed;
    }

    void albumThatRunsCodeIsRefused() {
        QFETCH(QString, path);
        const QByteArray before = FileBytes(path);
        QCOMPARE(ThrownMessage<EMovraError>([&] { (void)OpenAlbumFile(path); }),
                 std::string("Ten plik nie jest bazą albumu: „album” jest w nim widokiem albo "
                             "ma kolumny obliczane."));
        QCOMPARE(FileBytes(path), before);
    }

    void unexpectedValueTypesReadAsTheirColumnsKind() {
        const QString path = NewPath();
        {
            TRawDb raw(path);
            raw.Exec(kAlbumSchema);
            raw.Exec("INSERT INTO album VALUES (1, x'41420043', 12, 2.5, 1.5, NULL, NULL)");
        }
        auto db = OpenAlbumFile(path);
        const TAlbumRecord r = ReadRecord(*db, 1);
        QCOMPARE(r.Texts.Imie, QString("AB")); // a text ends at its first zero byte
        QCOMPARE(r.Texts.Nazwisko, QString("12"));
        QCOMPARE(r.Texts.Ksywa, QString("2.5"));
        QCOMPARE(r.Texts.Notes, QString("1.5"));
        QCOMPARE(r.Texts.Adres, QString());
        QVERIFY(r.Photo.IsNull());
    }

    void missingFileIsNotCreated() {
        const QString path = m_dir.filePath("brak.db3");
        QCOMPARE(QString::fromStdString(
                     ThrownMessage<ESQLiteException>([&] { (void)OpenAlbumFile(path); })),
                 "Failed to open database \"" + path + "\" : unable to open database file");
        QVERIFY(!QFile::exists(path));
    }

    void lockedFile() {
        const QString path = MakeAlbum();
        const QByteArray before = FileBytes(path);
        auto db = OpenAlbumFile(path);
        {
            TRawDb other(path);
            other.Exec("BEGIN EXCLUSIVE");
            QVERIFY(ReadEverything(path).contains("database is locked"));
            QVERIFY_THROWS_EXCEPTION(ESQLiteException, (void)QueryRecordList(*db, skImie));
            QVERIFY_THROWS_EXCEPTION(
                ESQLiteException,
                (void)InsertRecord(*db, kStartTexts, TJpegPhoto(), m_placeholder));
            QVERIFY(!db->TransactionOpen());
            QVERIFY_THROWS_EXCEPTION(
                ESQLiteException,
                (void)UpdateRecord(*db, 1, kStartTexts, TJpegPhoto(), m_placeholder));
            QVERIFY(!db->TransactionOpen());
            other.Exec("ROLLBACK");
        }
        QCOMPARE(FileBytes(path), before);
        // The same connection works once the other lets go.
        QCOMPARE(InsertRecord(*db, kStartTexts, TJpegPhoto(), m_placeholder), 14);
    }

    void failedAddOrSaveChangesNothing() {
        const QString path = MakeAlbum();
        // The faults come from triggers another program adds to the open album (a file holding
        // triggers would not open).
        auto db = OpenAlbumFile(path);
        {
            TRawDb raw(path);
            raw.Exec("CREATE TRIGGER no_insert BEFORE INSERT ON album WHEN NEW.Imie = 'zly' "
                     "BEGIN SELECT RAISE(ABORT, 'odmowa wstawienia'); END");
            raw.Exec(
                "CREATE TRIGGER no_picture BEFORE UPDATE OF Picture ON album "
                "WHEN OLD.Imie = 'bez zdjecia' BEGIN SELECT RAISE(ABORT, 'odmowa zdjęcia'); END");
            raw.Exec("CREATE TRIGGER no_update BEFORE UPDATE OF Imie ON album WHEN NEW.Imie = "
                     "'zly' BEGIN SELECT RAISE(ABORT, 'odmowa zmiany'); END");
        }
        const QByteArray before = FileBytes(path);
        const TJpegPhoto photo = TJpegPhoto::FromJpeg(MakeJpeg(20, 20, Qt::yellow));

        const auto expectFailure = [&](const char* what, const std::function<void()>& f) {
            const std::string message = ThrownMessage<ESQLiteException>(f);
            QVERIFY2(message.find(what) != std::string::npos, message.c_str());
            QVERIFY(!db->TransactionOpen());
            QCOMPARE(FileBytes(path), before);
            QVERIFY(!QFile::exists(path + "-journal"));
        };
        expectFailure("odmowa wstawienia", [&] {
            (void)InsertRecord(*db, TAlbumTexts{"zly", "x", "", "", ""}, photo, m_placeholder);
        });
        // The text row is written, then its picture fails: the row goes too.
        expectFailure("odmowa zdjęcia", [&] {
            (void)InsertRecord(*db, TAlbumTexts{"bez zdjecia", "x", "", "", ""}, photo,
                               m_placeholder);
        });
        expectFailure("odmowa zmiany", [&] {
            (void)UpdateRecord(*db, 2, TAlbumTexts{"zly", "x", "", "", ""}, photo, m_placeholder);
        });
        // No photo and no placeholder: an empty picture cannot be stored.
        expectFailure("Error getting memory to save blob", [&] {
            (void)UpdateRecord(*db, 2, TAlbumTexts{"dobry", "x", "", "", ""}, TJpegPhoto(), {});
        });

        // The next add and save on the same connection work.
        const qint64 id =
            InsertRecord(*db, TAlbumTexts{"dobry", "x", "", "", ""}, photo, m_placeholder);
        QCOMPARE(id, 14);
        QVERIFY(UpdateRecord(*db, 2, TAlbumTexts{"lepszy", "x", "", "", ""}, photo, m_placeholder));
        QCOMPARE(ReadRecord(*db, 2).Texts.Imie, QString("lepszy"));
        QCOMPARE(ReadRecord(*db, id).Photo.Jpeg(), photo.Jpeg());
    }

    void failedNewFileLeavesNothing() {
        const QString path = NewPath();
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(InstallInsertDenier));
        const std::string message =
            ThrownMessage<ESQLiteException>([&] { (void)CreateAlbumFile(path, kStartTexts); });
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(InstallInsertDenier));
        QVERIFY2(message.find("not authorized") != std::string::npos, message.c_str());
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(path + "-journal"));
        // And the name is free for the next attempt.
        (void)CreateAlbumFile(path, kStartTexts);
        QVERIFY(QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TstAlbumFileFaults)
#include "tst_albumfile_faults.moc"
