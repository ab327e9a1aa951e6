// Ways into an album from outside the program's folder: the command line, the list of albums
// opened last, and what the user reads when the album file refuses a command.
#include "tests/album/AlbumFixture.h"

#include "album/CommandLine.h"
#include "record/Unit2.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAction>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>

#include <sqlite3.h>

using namespace movra;
using namespace movra::test;

namespace {

RawRecord person(const QString& nazwisko) {
    return {QStringLiteral("Jan"), nazwisko, QStringLiteral("J"), {}, {}, std::nullopt};
}

} // namespace

class TestAlbumOutside : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitApplication(*qApp); }

    void commandLineLeavesQtOptionsAndTakesOnePath() {
        const auto parse = [](QStringList rest) {
            rest.prepend(QStringLiteral("movra"));
            return ParseCommandLine(rest);
        };
        // A Qt option's value is not the album; "--" lets a name start with a dash.
        TCommandLine line = parse({"-platform", "offscreen", "a.db3"});
        QCOMPARE(line.Action, TCommandLine::TAction::Run);
        QCOMPARE(line.AlbumPath, QStringLiteral("a.db3"));
        line = parse({"--", "-dziwna.db3"});
        QCOMPARE(line.AlbumPath, QStringLiteral("-dziwna.db3"));
        QCOMPARE(parse({"--nieznana"}).Action, TCommandLine::TAction::Error);
        QCOMPARE(parse({"a.db3", "b.db3"}).Action, TCommandLine::TAction::Error);
        QCOMPARE(parse({"a.db3", "--version"}).Action, TCommandLine::TAction::Version);
    }

    void aMissingAlbumNamedAtStartIsReportedAndNeverCreated() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"), {person("Nowak")});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        QTemporaryDir elsewhere;
        const QString missing = elsewhere.filePath("nie-ma.db3");
        f.dialogs->expectBox(MsgResult::Ok);
        f.start(missing);
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QVERIFY2(f.dialogs->last().text.startsWith(
                     QStringLiteral("Błąd podczas odczytu bazy danych!\nNie udało się otworzyć "
                                    "albumu: takiego pliku nie ma")),
                 qPrintable(f.dialogs->last().text));
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("0"));
    }

    void anAlbumNamedAtStartOpensFromAnyFolderAndIsRemembered() {
        AlbumFixture f;
        QTemporaryDir elsewhere;
        const QString path = QDir(elsewhere.path()).filePath("rodzina.db3");
        WriteRawAlbum(path, {person("Kowalski"), person("Nowak")});
        f.start(path);
        QVERIFY(f.dialogs->empty());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("2"));
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("rodzina.db3"));
        f.stop();
        QVERIFY(
            f.folder.read("movra.ini")
                .contains("Nazwa=" +
                          QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toUtf8()));
        // Started again without a name: the same album.
        f.start();
        QCOMPARE(f.form1().AlbumPath(), QFileInfo(path).absoluteFilePath());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("2"));
    }

    void recentAlbumsAreNewestFirstCappedAndSurviveARestart() {
        AlbumFixture f;
        QTemporaryDir elsewhere;
        QStringList paths;
        for (int i = 1; i <= 9; ++i) {
            paths << QDir(elsewhere.path()).filePath(QStringLiteral("album%1.db3").arg(i));
            WriteRawAlbum(paths.back(), {person(QStringLiteral("Osoba%1").arg(i))});
        }
        f.start();
        for (const QString& p : paths) {
            f.dialogs->expectOpenFile(p);
            f.form1().OtwieramDB1Click();
        }
        // Opening one again moves it to the top instead of listing it twice.
        f.dialogs->expectOpenFile(paths[4]);
        f.form1().OtwieramDB1Click();
        const QStringList expected{paths[4], paths[8], paths[7], paths[6],
                                   paths[5], paths[3], paths[2], paths[1]};
        QCOMPARE(f.form1().RecentAlbums(), expected);
        f.stop();

        f.start();
        QCOMPARE(f.form1().RecentAlbums(), expected);
        QAction* second = f.form1().Action(QStringLiteral("mnuOstatni2"));
        QVERIFY(second && second->isVisible());
        QVERIFY(second->text().startsWith(QStringLiteral("&2 album9.db3")));

        // Chosen while the record window is open: refused, nothing changes.
        f.form1().PokazRekordu1Click();
        QVERIFY(f.form2().isVisible());
        f.dialogs->expectBox(MsgResult::Ok);
        second->trigger();
        QCOMPARE(f.form1().AlbumPath(), paths[4]);
        f.form2().CloseQuietly();

        second->trigger();
        QCOMPARE(f.form1().AlbumPath(), paths[8]);
        QCOMPARE(f.column(3), QStringList{QStringLiteral("Osoba9")});
        QCOMPARE(f.form1().RecentAlbums().front(), paths[8]);

        // An album that is gone is dropped with a message, and the open album stays.
        QVERIFY(QFile::remove(paths[6]));
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Action(QStringLiteral("mnuOstatni4"))->trigger();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QVERIFY(f.dialogs->last().text.contains(QDir::toNativeSeparators(paths[6])));
        QVERIFY(!f.form1().RecentAlbums().contains(paths[6]));
        QCOMPARE(f.form1().RecentAlbums().size(), 7);
        QCOMPARE(f.form1().AlbumPath(), paths[8]);
        QVERIFY(!QFileInfo::exists(paths[6]));
        f.stop();
        f.start();
        QVERIFY(!f.form1().RecentAlbums().contains(paths[6]));
    }

    void aSaveIntoALockedAlbumSaysSoInPolish() {
        AlbumFixture f;
        const QString path = f.folder.file("klasa.db3");
        WriteRawAlbum(path, {person("Nowak")});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        f.form1().PokazRekordu1Click();
        f.form2().Edit1()->setText(QStringLiteral("Zmieniony"));
        f.form2().SetChanged(true);

        // Another program holds the album with an exclusive lock.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().SaveRecord();
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);

        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        const QString text = f.dialogs->last().text;
        QVERIFY2(text.startsWith(QStringLiteral("Nie udało się zapisać zmian w rekordzie: album "
                                                "jest zablokowany przez inny program")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("database is locked")), qPrintable(text));
        QVERIFY(f.form2().isVisible());
        QVERIFY(f.form2().Changed());
        QCOMPARE(RawValue(path, 1, "Imie"), QByteArray("Jan"));
    }
};

QTEST_MAIN(TestAlbumOutside)
#include "tst_album_outside.moc"
