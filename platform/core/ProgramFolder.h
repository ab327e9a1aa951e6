#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace movra {

// The folder of the program's own files (settings file, album files), with a trailing separator:
// the executable's folder, or, for an installed copy or one that may not write there, the user's
// data folder for Movra, created when missing.
[[nodiscard]] QString ProgramFolder();

// The executable's folder, with a trailing separator.
[[nodiscard]] QString ExecutableFolder();

// The choice ProgramFolder() makes for an executable in the given folder: that folder when it is
// writable and no installation, else the user's data folder for Movra. Both with a trailing
// separator. An installation is recognised by its help text in InstalledDataFolder(): a shared
// bin/ folder is never the place for one user's settings, even when that user may write to it
// (root under /usr, anyone under a prefix of their own such as ~/.local).
[[nodiscard]] QString ProgramFolderFor(const QString& executableFolder);

// True when the executable in the given folder is an installed copy (see ProgramFolderFor).
[[nodiscard]] bool IsInstalledCopy(const QString& executableFolder);

// The user's data folder for Movra (created when missing), with a trailing separator.
[[nodiscard]] QString UserDataFolder();

// The data folder of an installed copy: share/movra/ beside the executable's bin/ folder, so
// that any installation prefix works (/usr, /usr/local, /opt/movra or an unpacked package).
[[nodiscard]] QString InstalledDataFolder(const QString& executableFolder);

// The folders a help file is looked for in, in this order, for an executable in the given
// folder: that folder (a copy run where it was built or unpacked); the user's data folder, where
// an installed copy keeps its own files; the installed data folder. No folder twice.
[[nodiscard]] QStringList HelpFileFolders(const QString& executableFolder);

// The first of HelpFileFolders(executableFolder) that holds a file of that name, or empty.
[[nodiscard]] QString FindHelpFileFor(const QString& name, const QString& executableFolder);

// FindHelpFileFor the running executable.
[[nodiscard]] QString FindHelpFile(const QString& name);

// Makes ProgramFolder() (and the second place FindHelpFile looks) answer the given folder, for
// tests; an empty string removes the override.
void SetProgramFolderOverride(const QString& folder);

} // namespace movra
