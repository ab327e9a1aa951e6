#include "platform/core/SafeFile.h"
#include "tests/support/SmallDisk.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

using namespace movra;
using namespace movra::test;

namespace {

QString g_mountsError; // why this process has no mounts of its own, if it has none

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The syncs asked for while a SyncWatch lives: "file" for a file, and for a folder its path and
// what the watched file held at that moment.
QStringList* g_syncs = nullptr;
QString g_watchedFile;

class SyncWatch {
public:
    explicit SyncWatch(const QString& file) {
        g_watchedFile = file;
        g_syncs = &syncs;
    }
    ~SyncWatch() { g_syncs = nullptr; }
    SyncWatch(const SyncWatch&) = delete;
    SyncWatch& operator=(const SyncWatch&) = delete;
    QStringList syncs;
};

} // namespace

// The test's own fsync: a definition in the executable is bound before the C library's, so every
// sync the writer asks for passes here (no hook in the program, no LD_PRELOAD) and then on to the
// kernel. Only a sync can make a file's contents or a rename last a power cut, and neither shows
// in any file while the machine runs.
extern "C" int fsync(int fd) {
    if (g_syncs != nullptr) {
        struct stat s {};
        char link[64];
        char target[4096];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t n = ::readlink(link, target, sizeof target);
        if (::fstat(fd, &s) == 0 && S_ISDIR(s.st_mode) && n > 0)
            *g_syncs << QStringLiteral("folder %1 with %2")
                            .arg(QFile::decodeName(QByteArray(target, n)),
                                 QString::fromUtf8(ReadAll(g_watchedFile)));
        else
            *g_syncs << QStringLiteral("file");
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

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

    // A power cut right after the write finds either file whole: the new contents reach the disk
    // before their name does, and the folder is synced once the name points at them (else the
    // old file comes back after the cut).
    void theNewFileIsOnTheDiskBeforeAndUnderItsName() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("movra.ini"));
        WriteFileAtomically(path, "[Plik]\nNazwa=stara.db3\n");
        SyncWatch watch(path);
        WriteFileAtomically(path, "[Plik]\nNazwa=nowa.db3\n");
        QCOMPARE(watch.syncs, (QStringList{QStringLiteral("file"),
                                           QStringLiteral("folder %1 with [Plik]\nNazwa=nowa.db3\n")
                                               .arg(QFileInfo(dir.path()).canonicalFilePath())}));
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
