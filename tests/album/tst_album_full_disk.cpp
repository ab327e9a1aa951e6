// A full disk as the user meets it: leaving the program, saving a record, exporting a photo or
// the people, copying the album. Each runs on a small real file system of the test's own, filled
// up, and must keep the old file and say why.
#include "tests/album/AlbumFixture.h"
#include "tests/support/SmallDisk.h"

#include "grid/Fajny.h"
#include "record/Unit2.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAction>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>

using namespace movra;
using namespace movra::test;

namespace {

QString g_mountsError; // why this process has no mounts of its own, if it has none

void selectRow(TForm1& w, int row) {
    w.Grid()->FocusCell(2, row);
    w.G1Click();
}

// The error box of an export into out that found the disk full.
bool toldDiskFull(const TestDialogs& dialogs, const QString& out) {
    return dialogs.last().msgKind == MsgKind::Error &&
           dialogs.last().text ==
               QStringLiteral("Nie można zapisać pliku „%1”: Brak miejsca na dysku. Plik nie "
                              "został utworzony.")
                   .arg(out);
}

} // namespace

class TestAlbumFullDisk : public QObject {
    Q_OBJECT

    QByteArray photo;

    // An album whose only record has the photo, shown in the record window.
    void showPhoto(AlbumFixture& f) {
        WriteRawAlbum(f.folder.file("klasa.db3"), {{"Celina", "Czarnecka", "Cela", "", "", photo}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        selectRow(f.form1(), 1);
        f.form1().PokazRekordu1Click();
        QCOMPARE(f.form2().Photo().Jpeg(), photo);
    }

private slots:
    void initTestCase() {
        QVERIFY2(g_mountsError.isEmpty(), qPrintable(g_mountsError));
        InitApplication(*qApp);
        // Smaller than the buffer a Qt file device fills before it writes anything: the size
        // at which a failed write went unnoticed.
        photo = MakeJpeg(400, 300, QColor(10, 120, 200), true);
        QVERIFY2(photo.size() > 8192 && photo.size() < 16384,
                 qPrintable(QString::number(photo.size())));
    }

    void settingsOnAFullDiskKeepTheOldFileAndSaySo() {
        AlbumFixture f;
        SmallDisk disk(f.folder.path(), 64);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        const QByteArray old = "[Form1]\nLeft=10\nTop=20\nWidth=700\nHeight=500\n\n"
                               "[Plik]\nNazwa=brak\nSort=2\n";
        QVERIFY(f.folder.write("movra.ini", old));
        f.start();
        QVERIFY(disk.fill());

        f.dialogs->expectBox(MsgResult::Ok);
        QVERIFY(f.form1().close());
        QCOMPARE(f.dialogs->shown().size(), std::size_t(1));
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Ustawienia programu nie zostały zapisane.\nNie można zapisać "
                                "pliku „%1”: Brak miejsca na dysku. Poprzednia zawartość pliku "
                                "pozostała bez zmian.")
                     .arg(f.folder.file("movra.ini")));
        QCOMPARE(f.folder.read("movra.ini"), old);
        QCOMPARE(disk.files(), QStringList{QStringLiteral("movra.ini")});
        f.stop();
    }

    // The engine cannot grow its journal: the user reads that the disk is full (not that the
    // album is read-only), and the album keeps what it held.
    void aSaveOnAFullDiskSaysTheDiskIsFull() {
        AlbumFixture f;
        SmallDisk disk(f.folder.path(), 256);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        showPhoto(f);
        const QByteArray before = f.folder.read("klasa.db3");
        QVERIFY(disk.fill());

        f.form2().Edit3()->setText(QStringLiteral("Celinka"));
        f.form2().SetChanged(true);
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().SaveRecord();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        const QString text = f.dialogs->last().text;
        QVERIFY2(text.startsWith(QStringLiteral("Nie udało się zapisać zmian w rekordzie: na "
                                                "dysku zabrakło miejsca.\n\n")),
                 qPrintable(text));
        QCOMPARE(f.folder.read("klasa.db3"), before);
    }

    void aPhotoExportedOverAFileOnAFullDiskKeepsTheFile() {
        AlbumFixture f;
        showPhoto(f);
        QTemporaryDir target;
        SmallDisk disk(target.path(), 64);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        const QString out = target.filePath(QStringLiteral("fotka.jpg"));
        const QByteArray old = MakeJpeg(16, 16);
        QFile file(out);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        QVERIFY(disk.fill());

        f.dialogs->expectSaveFile(out).expectBox(MsgResult::Yes).expectBox(MsgResult::Ok);
        f.form1().ExportPicture();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Nie można zapisać pliku „%1”: Brak miejsca na dysku. Poprzednia "
                                "zawartość pliku pozostała bez zmian.")
                     .arg(out));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(disk.files(), QStringList{QStringLiteral("fotka.jpg")});
    }

    void aPhotoExportedToANewFileThatDoesNotFitLeavesNothing() {
        AlbumFixture f;
        showPhoto(f);
        QTemporaryDir target;
        SmallDisk disk(target.path(), 64);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        QVERIFY(disk.fill(4096)); // room for a part of the photo only
        const QString out = target.filePath(QStringLiteral("fotka.jpg"));

        f.dialogs->expectSaveFile(out).expectBox(MsgResult::Ok);
        f.form1().ExportPicture();
        QVERIFY2(toldDiskFull(*f.dialogs, out), qPrintable(f.dialogs->last().text));
        QCOMPARE(disk.files(), QStringList());
    }

    // A copy of the album that does not fit: the old copy stays as it was, nothing is left
    // beside it, and the message says the disk is full.
    void aCopyOfTheAlbumOnAFullDiskKeepsTheOldCopy() {
        AlbumFixture f;
        std::vector<RawRecord> people;
        for (int i = 0; i < 8; ++i)
            people.push_back(
                {QStringLiteral("Osoba %1").arg(i), QStringLiteral("Żak"), "", "", "", photo});
        WriteRawAlbum(f.folder.file("klasa.db3"), people);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        QTemporaryDir target;
        SmallDisk disk(target.path(), 128);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        const QString out = target.filePath(QStringLiteral("kopia.db3"));
        const QByteArray old = "stara kopia albumu";
        QFile file(out);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        QVERIFY(disk.fill(32768)); // room for a part of the album only
        QVERIFY(QFileInfo(f.folder.file("klasa.db3")).size() > 65536);

        f.dialogs->expectSaveFile(out).expectBox(MsgResult::Ok);
        f.form1().Action(QStringLiteral("ZapiszKopie1"))->trigger();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        QVERIFY2(f.dialogs->last().text.startsWith(
                     QStringLiteral("Nie udało się zapisać kopii albumu: na dysku zabrakło "
                                    "miejsca")),
                 qPrintable(f.dialogs->last().text));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(disk.files(), QStringList{QStringLiteral("kopia.db3")});
        // The album itself is untouched and still open.
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("8"));
    }

    void peopleExportedToAFileThatDoesNotFitLeaveNothing() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"), {{"Celina", "Czarnecka", "Cela", "", "", photo},
                                                   {"Adam", "Adamczyk", "", "", "", photo}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        QTemporaryDir target;
        SmallDisk disk(target.path(), 64);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        QVERIFY(disk.fill(4096)); // room for a part of the first photo only
        const QString out = target.filePath(QStringLiteral("osoby.vcf"));

        f.dialogs->expectSaveFile(out).expectBox(MsgResult::Ok);
        f.form1().Action(QStringLiteral("EksportVCard1"))->trigger();
        QVERIFY2(toldDiskFull(*f.dialogs, out), qPrintable(f.dialogs->last().text));
        QCOMPARE(disk.files(), QStringList());
    }
};

int main(int argc, char** argv) {
    // Before Qt starts any thread.
    g_mountsError = EnterPrivateMounts();
    QApplication app(argc, argv);
    TestAlbumFullDisk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_album_full_disk.moc"
