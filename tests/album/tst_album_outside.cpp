// Ways into an album from outside the program's folder: the command line, the list of albums
// opened last, and what the user reads when the album file refuses a command.
#include "tests/album/AlbumFixture.h"

#include "album/CommandLine.h"
#include "album/RecentAlbums.h"
#include "platform/core/IniFile.h"
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

    // A file that failed to open or was refused is not open: the window says "brak", and
    // neither [Plik] nor [Ostatnie] of movra.ini keep it, so no later start meets it again. The
    // message says in Polish why the file is no album. Whichever way the file came: from
    // [Plik] at start, Ctrl+O, the list of albums opened last, the command line.
    void anAlbumThatFailedToOpenIsNeitherShownNorRemembered() {
        AlbumFixture f;
        const QString inna = f.folder.file("inna.db3");
        WriteRawAlbum(inna, {person("Obcy")});
        QVERIFY(RawExec(inna, "ALTER TABLE album RENAME TO osoby"));
        const QString klasa = f.folder.file("klasa.db3");
        WriteRawAlbum(klasa, {person("Nowak")});
        const QString trigger = f.folder.file("wyzwalacz.db3");
        WriteRawAlbum(trigger, {person("Kowalski")});
        QVERIFY(RawExec(trigger, "CREATE TRIGGER t AFTER UPDATE ON album BEGIN SELECT 1; END;"));
        QVERIFY(f.folder.write("movra.ini", ("[Plik]\nNazwa=inna.db3\n[Ostatnie]\nPlik1=" + inna +
                                             "\nPlik2=" + klasa + "\n")
                                                .toUtf8()));
        const auto remembered = [&f] {
            const TIniFile ini(f.folder.file("movra.ini"));
            return std::make_pair(
                ini.ReadString(QStringLiteral("Plik"), QStringLiteral("Nazwa"), QString()),
                ReadRecentAlbums(ini));
        };
        const QString notAlbum = QStringLiteral(
            "Błąd podczas odczytu bazy danych!\nNie udało się otworzyć albumu.\n\nTen plik nie "
            "jest bazą albumu: to plik bazy danych SQLite, ale nie ma w nim tabeli „album”, w "
            "której program Movra trzyma rekordy.");

        f.dialogs->expectBox(MsgResult::Ok, notAlbum);
        f.start();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("brak"));
        QCOMPARE(f.form1().RecentAlbums(), QStringList{klasa});
        f.stop();
        QCOMPARE(remembered(), std::make_pair(QStringLiteral("brak"), QStringList{klasa}));
        f.dialogs->clear();
        f.start();
        QVERIFY(f.dialogs->empty());
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("brak"));

        // Ctrl+O after an album was open: the failed file is not shown in its place.
        f.dialogs->expectOpenFile(klasa);
        f.form1().OtwieramDB1Click();
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("klasa.db3"));
        f.dialogs->expectOpenFile(trigger).expectBox(MsgResult::Ok);
        f.form1().OtwieramDB1Click();
        QVERIFY(f.dialogs->last().text.contains(QStringLiteral("zawiera wyzwalacze")));
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("brak"));
        QVERIFY(!f.form1().Database());
        QCOMPARE(f.form1().RecentAlbums(), QStringList{klasa});

        // Another program took a column away meanwhile: chosen from the list, it goes from it.
        QVERIFY(RawExec(klasa, "ALTER TABLE album DROP COLUMN Picture"));
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Action(QStringLiteral("mnuOstatni1"))->trigger();
        QVERIFY2(f.dialogs->last().text.endsWith(
                     QStringLiteral("Ten plik nie jest bazą albumu: jego tabela „album” nie ma "
                                    "kolumn, których program Movra potrzebuje (brakuje: "
                                    "Picture).")),
                 qPrintable(f.dialogs->last().text));
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("brak"));
        QVERIFY(f.form1().RecentAlbums().isEmpty());
        f.stop();
        QCOMPARE(remembered(), std::make_pair(QStringLiteral("brak"), QStringList{}));

        // movra inna.db3
        f.dialogs->expectBox(MsgResult::Ok, notAlbum);
        f.start(inna);
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("brak"));
        f.stop();
        QCOMPARE(remembered(), std::make_pair(QStringLiteral("brak"), QStringList{}));
    }

    // The album file was moved or deleted while open: the engine will not write it (the journal
    // would go beside the wrong file). The user reads what happened, not that the file is
    // read-only, and the edits stay in the record window.
    void aSaveIntoAnAlbumMovedAwaySaysWhatHappened() {
        AlbumFixture f;
        const QString path = f.folder.file("klasa.db3");
        WriteRawAlbum(path, {person("Nowak")});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        f.form1().PokazRekordu1Click();
        f.form2().Edit1()->setText(QStringLiteral("Zmieniony"));
        f.form2().SetChanged(true);

        QTemporaryDir elsewhere;
        const QString moved = elsewhere.filePath("klasa.db3");
        QVERIFY(QFile::rename(path, moved));
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().SaveRecord();

        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        const QString text = f.dialogs->last().text;
        QVERIFY2(text.startsWith(QStringLiteral(
                     "Nie udało się zapisać zmian w rekordzie: plik albumu przeniesiono, usunięto "
                     "albo zastąpiono innym, gdy był otwarty (jeśli go przeniesiono, otwórz go "
                     "ponownie z nowego miejsca).")),
                 qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("tylko do odczytu")));
        QVERIFY(f.form2().isVisible());
        QVERIFY(f.form2().Changed());
        QCOMPARE(f.form2().Imie(), QStringLiteral("Zmieniony"));
        QCOMPARE(RawValue(moved, 1, "Imie"), QByteArray("Jan"));
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!QFileInfo::exists(path + "-journal"));
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
