// Albums that would keep the program at work for good or that are no albums at all: a file that
// runs code of its own is refused, a statement running long can be stopped with "Anuluj" leaving
// file and edits as they were, and a file that failed to open is never written.
#include "tests/album/AlbumFixture.h"

#include "grid/Fajny.h"
#include "record/Unit2.h"

#include <QtCore/QFileInfo>
#include <QtGui/QAction>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>

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
