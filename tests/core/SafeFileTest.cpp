#include "platform/core/SafeFile.h"
#include "tests/support/SmallDisk.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <sys/stat.h>

using namespace movra;
using namespace movra::test;

namespace {

QString g_mountsError; // why this process has no mounts of its own, if it has none

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class SafeFileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(g_mountsError.isEmpty(), qPrintable(g_mountsError)); }

    // The old contents stay byte for byte when the disk is full, and the user is told why.
    void aFullDiskKeepsTheOldFile() {
        QTemporaryDir dir;
        SmallDisk disk(dir.path(), 64);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        const QString path = dir.filePath(QStringLiteral("movra.ini"));
        const QByteArray old = "[Plik]\nNazwa=klasa.db3\n";
        WriteFileAtomically(path, old);
        QVERIFY(disk.fill());
        try {
            WriteFileAtomically(path, QByteArray(1000, 'n'));
            QFAIL("written to a full disk");
        } catch (const ESafeFileError& e) {
            QCOMPARE(e.Message(),
                     QStringLiteral("Nie można zapisać pliku „%1”: Brak miejsca na dysku. "
                                    "Poprzednia zawartość pliku pozostała bez zmian.")
                         .arg(path));
        }
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(disk.files(), QStringList{QStringLiteral("movra.ini")});
    }

    // A new file that does not fit is not left behind in part.
    void aNewFileThatDoesNotFitIsNotLeft() {
        QTemporaryDir dir;
        SmallDisk disk(dir.path(), 64);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        QVERIFY(disk.fill(4096));
        const QString path = dir.filePath(QStringLiteral("fotka.jpg"));
        try {
            WriteFileAtomically(path, QByteArray(15000, 'j'));
            QFAIL("15 kB written into 4 kB");
        } catch (const ESafeFileError& e) {
            QCOMPARE(e.Reason(),
                     QStringLiteral("Brak miejsca na dysku. Plik nie został utworzony."));
        }
        QCOMPARE(disk.files(), QStringList());
        QCOMPARE(disk.freeBytes(), 4096);
    }

    // A streamed writer ignores what its device says; the failure is kept until Commit().
    void aStreamThatRunsOutOfRoomFailsOnCommit() {
        QTemporaryDir dir;
        SmallDisk disk(dir.path(), 64);
        QVERIFY2(disk.error().isEmpty(), qPrintable(disk.error()));
        const QString path = dir.filePath(QStringLiteral("strona.pdf"));
        WriteFileAtomically(path, "old");
        QVERIFY(disk.fill(8192));
        {
            TSafeFile file(path);
            for (int i = 0; i < 10; ++i)
                static_cast<void>(file.write(QByteArray(1024, 'p')));
            QVERIFY_THROWS_EXCEPTION(ESafeFileError, file.Commit());
        }
        QCOMPARE(ReadAll(path), QByteArray("old"));
        QCOMPARE(disk.files(), QStringList{QStringLiteral("strona.pdf")});
    }

    // A replaced file keeps who may read it; a new one gets the user's usual permissions.
    void replacingKeepsThePermissions() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tajne.txt"));
        WriteFileAtomically(path, "a");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        WriteFileAtomically(path, "bb");
        struct stat s {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &s) == 0);
        QCOMPARE(s.st_mode & 07777, 0640u);
        QCOMPARE(ReadAll(path), QByteArray("bb"));

        const mode_t mask = ::umask(022);
        WriteFileAtomically(dir.filePath(QStringLiteral("nowy.txt")), "c");
        ::umask(mask);
        QVERIFY(::stat(QFile::encodeName(dir.filePath(QStringLiteral("nowy.txt"))).constData(),
                       &s) == 0);
        QCOMPARE(s.st_mode & 07777, 0644u);
        // No file of the write is left beside them.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("nowy.txt"), QStringLiteral("tajne.txt")}));
    }
};

int main(int argc, char** argv) {
    g_mountsError = EnterPrivateMounts();
    QCoreApplication app(argc, argv);
    SafeFileTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SafeFileTest.moc"
