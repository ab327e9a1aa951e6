#pragma once

// The program's command line, read before any window or display exists: `movra [PLIK]`,
// `movra --help`, `movra --version`. Qt's own options (-platform, -style, -display, ...) are let
// through for QApplication to take.

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace movra {

struct TCommandLine {
    enum class TAction { Run, Help, Version, Error };
    TAction Action = TAction::Run;
    QString AlbumPath; // Run: the album named on the command line, empty for the last one
    QString Error;     // Error: a Polish sentence for stderr
};

// args as the program received them, the program's name first.
[[nodiscard]] TCommandLine ParseCommandLine(const QStringList& args);

// The texts printed for --help and --version.
[[nodiscard]] QString CommandLineHelp();
[[nodiscard]] QString CommandLineVersion();

// Handles everything but Run: prints help, version or the error (with a hint) and returns the
// exit code (0, or 2 for a command line the program does not understand). For Run returns -1.
int AnswerCommandLine(const TCommandLine& line);

} // namespace movra
