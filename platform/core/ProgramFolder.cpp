#include "platform/core/ProgramFolder.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QStandardPaths>

namespace movra {

namespace {

QString g_override;

QString withSeparator(const QString& folder) {
    QString f = QDir::fromNativeSeparators(folder);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

QString executableFolderPath() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Before the application object exists the kernel still knows where we were started from.
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return QFileInfo(self.symLinkTarget()).absolutePath();
    return QDir::currentPath();
}

// The user's data folder for Movra; the application's name is fixed here rather than read from
// QCoreApplication, so that a test executable finds the same folder as the program.
QString dataFolderPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = base.isEmpty() ? QDir::homePath() + QStringLiteral("/.movra")
                                          : base + QStringLiteral("/Movra");
    QDir().mkpath(folder);
    return withSeparator(folder);
}

} // namespace

QString ExecutableFolder() {
    return withSeparator(executableFolderPath());
}

QString UserDataFolder() {
    return dataFolderPath();
}

bool IsInstalledCopy(const QString& executableFolder) {
    // The help text is the one file every installation puts into its data folder.
    return QFileInfo(InstalledDataFolder(executableFolder) + QStringLiteral("Movra.rtf")).isFile();
}

QString ProgramFolderFor(const QString& executableFolder) {
    const QString exe = withSeparator(executableFolder);
    if (QFileInfo(exe).isWritable() && !IsInstalledCopy(exe))
        return exe;
    return UserDataFolder();
}

QString ProgramFolder() {
    if (!g_override.isEmpty())
        return g_override;
    return ProgramFolderFor(executableFolderPath());
}

QString InstalledDataFolder(const QString& executableFolder) {
    return withSeparator(
        QDir::cleanPath(withSeparator(executableFolder) + QStringLiteral("../share/movra")));
}

QStringList HelpFileFolders(const QString& executableFolder) {
    QStringList folders;
    folders << withSeparator(executableFolder);
    folders << (g_override.isEmpty() ? UserDataFolder() : g_override);
    folders << InstalledDataFolder(executableFolder);
    folders.removeDuplicates();
    return folders;
}

QString FindHelpFileFor(const QString& name, const QString& executableFolder) {
    for (const QString& folder : HelpFileFolders(executableFolder)) {
        const QString path = folder + name;
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QString FindHelpFile(const QString& name) {
    return FindHelpFileFor(name, executableFolderPath());
}

void SetProgramFolderOverride(const QString& folder) {
    g_override = folder.isEmpty() ? QString() : withSeparator(folder);
}

} // namespace movra
