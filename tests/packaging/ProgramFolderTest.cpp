// Where an installed copy finds its help text and keeps its own files.

#include "platform/core/ProgramFolder.h"
#include "tests/support/TestFiles.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>

#include <unistd.h>

using namespace movra;
using namespace movra::test;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An installation tree as a package puts it down: <prefix>/bin/ for the program and
// <prefix>/share/movra/ for its data.
struct Prefix {
    QTemporaryDir dir;
    QString bin() const { return dir.path() + QStringLiteral("/bin/"); }
    QString data() const { return dir.path() + QStringLiteral("/share/movra/"); }
    bool make() const { return QDir().mkpath(bin()) && QDir().mkpath(data()); }
};

const QString kHelp = QStringLiteral("Movra.rtf");

} // namespace

class ProgramFolderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void installedDataFolderIsBesideBin_data() {
        QTest::addColumn<QString>("executableFolder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("/usr") << "/usr/bin/"
                              << "/usr/share/movra/";
        QTest::newRow("no separator") << "/usr/bin"
                                      << "/usr/share/movra/";
        QTest::newRow("/usr/local") << "/usr/local/bin"
                                    << "/usr/local/share/movra/";
        QTest::newRow("/opt") << "/opt/movra/bin/"
                              << "/opt/movra/share/movra/";
        QTest::newRow("unpacked package") << "/tmp/root/usr/bin/"
                                          << "/tmp/root/usr/share/movra/";
    }

    void installedDataFolderIsBesideBin() {
        QFETCH(QString, executableFolder);
        QFETCH(QString, expected);
        QCOMPARE(InstalledDataFolder(executableFolder), expected);
    }

    void foldersInOrder() {
        TempProgramFolder program;
        QVERIFY(program.isValid());
        QCOMPARE(HelpFileFolders(QStringLiteral("/usr/bin")),
                 QStringList({QStringLiteral("/usr/bin/"), program.path(),
                              QStringLiteral("/usr/share/movra/")}));
        // A copy whose program folder is its own executable's folder looks there once.
        SetProgramFolderOverride(QStringLiteral("/usr/bin"));
        QCOMPARE(HelpFileFolders(QStringLiteral("/usr/bin/")),
                 QStringList({QStringLiteral("/usr/bin/"), QStringLiteral("/usr/share/movra/")}));
        SetProgramFolderOverride(QString());
        // Without an override the second place is the user's data folder.
        QCOMPARE(HelpFileFolders(QStringLiteral("/usr/bin")).value(1), UserDataFolder());
    }

    void installedCopyFindsItsHelpText() {
        Prefix prefix;
        QVERIFY(prefix.make());
        TempProgramFolder userData;
        QVERIFY(userData.isValid());

        // Nowhere yet.
        QCOMPARE(FindHelpFileFor(kHelp, prefix.bin()), QString());

        // The package's copy.
        QVERIFY(writeFile(prefix.data() + kHelp, "{\\rtf1 z pakietu}"));
        QCOMPARE(FindHelpFileFor(kHelp, prefix.bin()), prefix.data() + kHelp);
        // The same through a folder named without the separator or with a detour in its path.
        QCOMPARE(FindHelpFileFor(kHelp, prefix.dir.path() + QStringLiteral("/bin")),
                 prefix.data() + kHelp);
        QCOMPARE(FindHelpFileFor(kHelp, prefix.dir.path() + QStringLiteral("/share/../bin/")),
                 prefix.data() + kHelp);

        // A text of the user's own, in the folder that holds the settings, comes before it.
        QVERIFY(userData.write(kHelp, "{\\rtf1 moja}"));
        QCOMPARE(FindHelpFileFor(kHelp, prefix.bin()), userData.file(kHelp));

        // One beside the executable comes first of all (a copy run where it was built).
        QVERIFY(writeFile(prefix.bin() + kHelp, "{\\rtf1 obok}"));
        QCOMPARE(FindHelpFileFor(kHelp, prefix.bin()), prefix.bin() + kHelp);
    }

    void folderOfTheHelpFileNameIsNoHelpFile() {
        Prefix prefix;
        QVERIFY(prefix.make());
        TempProgramFolder userData;
        QVERIFY(QDir().mkpath(prefix.bin() + kHelp));
        QVERIFY(QDir().mkpath(userData.path() + kHelp));
        QCOMPARE(FindHelpFileFor(kHelp, prefix.bin()), QString());
        QVERIFY(writeFile(prefix.data() + kHelp, "{\\rtf1 z pakietu}"));
        QCOMPARE(FindHelpFileFor(kHelp, prefix.bin()), prefix.data() + kHelp);
    }

    void runningExecutableLooksInShareBesideItsBin() {
        // The test executable stands in for the program: its share/movra/ is the one looked in.
        TempProgramFolder userData;
        const QString exe = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        QCOMPARE(ExecutableFolder(), exe);
        const QString data = InstalledDataFolder(exe);
        const QString share = QFileInfo(QDir::cleanPath(data)).absolutePath();
        const bool hadShare = QFileInfo(share).isDir();
        const bool hadData = QFileInfo(data).isDir();
        const QString name =
            QStringLiteral("MovraPakiet-%1.rtf").arg(QCoreApplication::applicationPid());
        QCOMPARE(FindHelpFile(name), QString());
        QVERIFY(writeFile(data + name, "{\\rtf1 zainstalowany}"));
        const QString found = FindHelpFile(name);
        QFile::remove(data + name);
        if (!hadData)
            QDir().rmdir(data);
        if (!hadShare)
            QDir().rmdir(share);
        QCOMPARE(found, data + name);
    }

    void installedCopyKeepsFilesInUserDataEvenWhereItMayWrite() {
        // root under /usr, or a user who installed under a prefix of their own: bin/ is
        // writable, yet it is shared by everyone who runs the program.
        Prefix prefix;
        QVERIFY(prefix.make());
        QVERIFY(QFileInfo(prefix.bin()).isWritable());
        QVERIFY(!IsInstalledCopy(prefix.bin()));
        QCOMPARE(ProgramFolderFor(prefix.bin()), prefix.bin()); // a copy run where it lies

        // A folder of the help text's name is no installation.
        QVERIFY(QDir().mkpath(prefix.data() + kHelp));
        QVERIFY(!IsInstalledCopy(prefix.bin()));
        QVERIFY(QDir().rmdir(prefix.data() + kHelp));

        QVERIFY(writeFile(prefix.data() + kHelp, "{\\rtf1 z pakietu}"));
        QVERIFY(IsInstalledCopy(prefix.bin()));
        QVERIFY(IsInstalledCopy(prefix.dir.path() + QStringLiteral("/bin")));
        QCOMPARE(ProgramFolderFor(prefix.bin()), UserDataFolder());
    }

    void buildTreeIsNoInstallation() {
        // The tests run from the build folder: its program keeps its files beside it.
        QVERIFY(!IsInstalledCopy(ExecutableFolder()));
        QCOMPARE(ProgramFolderFor(ExecutableFolder()), ExecutableFolder());
    }

    void readOnlyInstallationKeepsFilesInUserData() {
        if (::geteuid() == 0)
            QSKIP("root may write to any folder; tests/packaging/deb_test.sh runs the installed "
                  "program as an unprivileged user instead");
        Prefix prefix;
        QVERIFY(prefix.make());
        TempProgramFolder helpPlace; // the second place help is looked in, empty
        QVERIFY(writeFile(prefix.data() + kHelp, "{\\rtf1 z pakietu}"));
        QVERIFY(QFile::setPermissions(prefix.bin(), QFile::ReadOwner | QFile::ExeOwner));
        const QString chosen = ProgramFolderFor(prefix.bin());
        const QString help = FindHelpFileFor(kHelp, prefix.bin());
        QVERIFY(QFile::setPermissions(prefix.bin(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(chosen, UserDataFolder());
        QVERIFY(chosen.endsWith(QStringLiteral("/Movra/")));
        QCOMPARE(help, prefix.data() + kHelp);
    }
};

QTEST_MAIN(ProgramFolderTest)
#include "ProgramFolderTest.moc"
