#pragma once

#include <QtCore/QString>

namespace movra {

// The folder of the program's own files (settings file, album files), with a trailing separator:
// the executable's folder, or, when the program may not write there (an installed copy), the
// user's data folder for Movra, created when missing.
[[nodiscard]] QString ProgramFolder();

// The executable's folder, with a trailing separator.
[[nodiscard]] QString ExecutableFolder();

// The choice ProgramFolder() makes for an executable in the given folder: that folder when it is
// writable, else the user's data folder for Movra. Both with a trailing separator.
[[nodiscard]] QString ProgramFolderFor(const QString& executableFolder);

// The user's data folder for Movra (created when missing), with a trailing separator.
[[nodiscard]] QString UserDataFolder();

// A help file looked for beside the executable, then in the user's data folder; empty when
// neither has it.
[[nodiscard]] QString FindHelpFile(const QString& name);

// Makes ProgramFolder() (and the second place FindHelpFile looks) answer the given folder, for
// tests; an empty string removes the override.
void SetProgramFolderOverride(const QString& folder);

} // namespace movra
