#include "album/CommandLine.h"
#include "album/MovraApp.h"
#include "album/Unit1.h"

#include <QtCore/QFile>
#include <QtWidgets/QApplication>

int main(int argc, char* argv[]) {
    // Read before QApplication exists, so that --help and --version need no display.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QFile::decodeName(argv[i]));
    const movra::TCommandLine line = movra::ParseCommandLine(args);
    if (const int code = movra::AnswerCommandLine(line); code >= 0)
        return code;

    QApplication app(argc, argv);
    movra::InitApplication(app);
    movra::TMovraApp windows(line.AlbumPath);
    windows.Form1().show();
    return QApplication::exec();
}
