// Albums that would keep the program at work for good or that are no albums at all: a file that
// runs code of its own is refused, a statement running long can be stopped with "Anuluj" leaving
// file and edits as they were, and a file that failed to open is never written. And one whose
// records are far from the usual size: the list holds each byte for byte in every order.
#include "tests/album/AlbumFixture.h"

#include "grid/Fajny.h"
#include "record/Unit2.h"

#include <QtCore/QFileInfo>
#include <QtGui/QAction>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>

#include <algorithm>
#include <map>

using namespace movra;
using namespace movra::test;

namespace {

std::vector<RawRecord> smallClass() {
    return {{"Łucja", "Łukasik", "Łuk", "ma psa", "Kraków", std::nullopt},
            {"Zenon", "Zieliński", "Zen", "", "", std::nullopt}};
}

// The small class in a file of the folder, changed by sql; answers the file's path.
QString ClassChangedBy(AlbumFixture& f, const char* name, const char* sql) {
    const QString path = f.folder.file(QString::fromLatin1(name));
    WriteRawAlbum(path, smallClass());
    if (!RawExec(path, sql))
        QTest::qFail("the album could not be changed", __FILE__, __LINE__);
    return path;
}

// Notes of the given length that differ from record to record and from place to place.
QString notesOf(int length, int seed) {
    QString notes(length, u' ');
    for (int i = 0; i < length; ++i)
        if (i % 9 != 8)
            notes[i] = QLatin1Char(static_cast<char>('a' + (i * 7 + seed * 13) % 26));
    return notes;
}

// How the list shown differs from the file (empty when it does not): every record once, each
// cell holding the file's bytes, ordered by the sort column.
QString listAgainstFile(const AlbumFixture& f, const QString& path, int sortColumn) {
    std::map<QByteArray, QByteArrayList> records; // by ID, each value without its storage class
    for (QByteArrayList r : RawRecords(path)) {
        for (QByteArray& v : r)
            v = v.mid(v.indexOf(':') + 1);
        records[r[0]] = r;
    }
    const TFajny& g = *f.form1().Grid();
    if (g.RowCount() - 1 != static_cast<int>(records.size()))
        return QStringLiteral("%1 rows").arg(g.RowCount() - 1);
    QStringList sorted;
    for (int row = 1; row < g.RowCount(); ++row) {
        const auto r = records.find(g.Cells(1, row).toLatin1());
        if (r == records.end())
            return QStringLiteral("row %1: ID %2").arg(row).arg(g.Cells(1, row));
        for (int col = 2; col <= 6; ++col)
            if (Cp1250Bytes(g.Cells(col, row)) != r->second[col - 1])
                return QStringLiteral("row %1, column %2").arg(row).arg(col);
        records.erase(r);
        sorted << g.Cells(sortColumn, row);
    }
    if (!std::is_sorted(sorted.begin(), sorted.end()))
        return QStringLiteral("not ordered by column %1").arg(sortColumn);
    return {};
}

} // namespace

class TestAlbumWayOut : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitApplication(*qApp); }

    // A trigger that counts to 10^10 on every change would freeze the first save.
    void anAlbumWithATriggerIsRefused() {
        AlbumFixture f;
        (void)ClassChangedBy(f, "wyzwalacz.db3",
                             "CREATE VIEW v AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                             "SELECT x + 1 FROM c WHERE x < 10000000000) SELECT count(*) FROM c;"
                             "CREATE TRIGGER t AFTER UPDATE ON album BEGIN SELECT * FROM v; END;");
        const QByteArray before = f.folder.read("wyzwalacz.db3");
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=wyzwalacz.db3\n"));
        f.dialogs->expectBox(MsgResult::Ok);
        f.start();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QVERIFY2(f.dialogs->last().text.contains(
                     QStringLiteral("Ten plik nie jest bazą albumu: zawiera wyzwalacze")),
                 qPrintable(f.dialogs->last().text));
        QVERIFY(!f.form1().Database());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("0"));
        QVERIFY(!f.form1().Action("Regeneruj1")->isEnabled());
        QCOMPARE(f.folder.read("wyzwalacz.db3"), before);
    }

    // An album whose IDs carry no index (made by hand): every save looks through all its records
    // inside one statement of the engine, which "Anuluj" stops.
    void aSaveStoppedWithAnulujChangesNothing() {
        AlbumFixture f;
        const QString path =
            ClassChangedBy(f, "duza.db3",
                           "CREATE TABLE bez (ID INTEGER, Imie VARCHAR(15), Nazwisko VARCHAR(20), "
                           "Ksywa VARCHAR(20), Notes BLOB, Adres BLOB, Picture BLOB);"
                           "INSERT INTO bez SELECT * FROM album;"
                           "WITH RECURSIVE c(x) AS (SELECT 100 UNION ALL SELECT x + 1 FROM c WHERE "
                           "x < 30000) INSERT INTO bez SELECT x, 'Osoba', 'Nazwisko' || x, '', '', "
                           "'', NULL FROM c;"
                           "DROP TABLE album; ALTER TABLE bez RENAME TO album; VACUUM;");
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\n"));
        f.start();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("29903"));
        // The number column counts the rows, across every added digit.
        QStringList numbers;
        for (int n = 1; n <= 29903; ++n)
            numbers << QString::number(n);
        QCOMPARE(f.column(0), numbers);
        const QByteArray before = f.folder.read("duza.db3");

        f.form1().Pierwszy1Click();
        QVERIFY(f.form2().isVisible());
        const qint64 id = f.form1().CurrentId();
        f.form2().Edit1()->setText(QStringLiteral("Nowe imię"));
        f.form2().SetChanged(true);
        f.dialogs->clear();
        f.dialogs->expectProgress(1).expectBox(MsgResult::Ok);
        f.form1().SaveRecord();
        QCOMPARE(f.dialogs->shown().front().kind, DialogKind::Progress);
        QCOMPARE(f.dialogs->shown().front().text, QStringLiteral("Zapisywanie zmian w rekordzie…"));
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Przerwano zapisywanie zmian w rekordzie. Plik bazowy pozostał "
                                "bez zmian, a zmiany czekają w oknie podglądu i edycji rekordu."));
        QCOMPARE(f.folder.read("duza.db3"), before);
        QVERIFY(!QFileInfo::exists(path + "-journal"));
        QVERIFY(f.form2().isVisible());
        QVERIFY(f.form2().Changed());
        QCOMPARE(f.form2().Imie(), QStringLiteral("Nowe imię"));
        QVERIFY(!f.form1().Database()->TransactionOpen());

        // Let run, the same save goes through.
        f.dialogs->clear();
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().SaveRecord();
        QVERIFY(f.dialogs->last().text.endsWith(QStringLiteral(" zostały zapisane.")));
        QCOMPARE(RawValue(path, id, "Imie"), Cp1250Bytes(QStringLiteral("Nowe imię")));
    }

    // The list's rows lie in shared blocks, the first of 16 KiB, the next ones as large as a row
    // needs, which each new order fills again from the start. One person's notes take more than
    // the second block that the first order made; by nickname the first two rows come 4 bytes
    // short of sharing the first block. Read in every order, each cell still holds the file's
    // bytes (the sanitizer build catches a row written past its block).
    void recordsLargerThanTheListsBlocksInEveryOrder() {
        AlbumFixture f;
        std::vector<RawRecord> records; // IDs 1 to 53
        for (int i = 0; i < 50; ++i)
            records.push_back({QString::asprintf("A%02d", i), QString::asprintf("N%02d", 49 - i),
                               QString::asprintf("K%02d", i * 7 % 50),
                               notesOf(200 + i * 53 % 400, i), QStringLiteral("Ulica %1").arg(i),
                               std::nullopt});
        // By first name after the small rows, which fill the first block; by last name first.
        records.push_back({"Bb", "Aa", "Zz", notesOf(20000, 51), "", std::nullopt});
        // By nickname rows 1 and 2: 32 bytes of offsets, the row number, the ID and three names
        // before the notes make them 7,864 and 8,192 bytes; the title row takes 332.
        records.push_back({"Cc", "Xx", "Aa", notesOf(7864 - 41, 52), "", std::nullopt});
        records.push_back({"Dd", "Yy", "Ab", notesOf(8192 - 41, 53), "", std::nullopt});
        const QString path = f.folder.file("klasa.db3");
        WriteRawAlbum(path, records);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\nSort=2\n"));
        f.start();
        QString differs = listAgainstFile(f, path, 2);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
        for (const int key : {4, 3, 2}) {
            f.form1().Action(QStringLiteral("mnuSortuj%1").arg(key))->trigger();
            differs = listAgainstFile(f, path, key);
            QVERIFY2(differs.isEmpty(), qPrintable(QString::number(key) + u' ' + differs));
        }
        // Started afresh by last name, the long notes come first into the first list.
        f.stop();
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\nSort=3\n"));
        f.start();
        differs = listAgainstFile(f, path, 3);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
    }

    // An SQLite file without table album fails to open; nothing may then write to it, least of
    // all a regeneration, which would rebuild the whole file.
    void aFileThatFailedToOpenIsNeverWritten() {
        AlbumFixture f;
        const QString path = ClassChangedBy(f, "obca.db3", "ALTER TABLE album RENAME TO osoby;");
        const QByteArray before = f.folder.read("obca.db3");
        WriteRawAlbum(f.folder.file("klasa.db3"), smallClass());
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        QVERIFY(f.form1().Action("Regeneruj1")->isEnabled());

        f.dialogs->expectOpenFile(path).expectBox(MsgResult::Ok);
        f.form1().OtwieramDB1Click();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QVERIFY(!f.form1().Action("Regeneruj1")->isEnabled());
        QVERIFY(!f.form1().Database());
        // The emptied list keeps no room for the rows it held.
        QVERIFY(f.form1().Grid()->CellMemoryBytes() < 1024);

        // Ctrl+R is disabled; the command itself, reached another way, refuses.
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Regeneruj1Click();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Nie ma otwartego albumu, więc nie ma czego regenerować. Otwórz "
                                "album i spróbuj ponownie."));
        // Saving what the record window holds (Ins works with the window hidden) writes nothing.
        f.form1().SaveRecord();
        QCOMPARE(f.folder.read("obca.db3"), before);
    }
};

QTEST_MAIN(TestAlbumWayOut)
#include "tst_album_wayout.moc"
