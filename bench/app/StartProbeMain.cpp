// movra_start_probe <program folder> <rows>: the program's own start, as main.cpp does it, in a
// process that ends as soon as the record list's first paint has completed. The only addition is
// the program folder, given here instead of being the executable's folder, so that the probe can
// stay in the build tree while the album and movra.ini lie elsewhere. Exit code 0: painted with
// <rows> records; 3: painted with another count; 4: no paint within a minute; 2: bad arguments.

#include "album/MovraApp.h"
#include "album/Unit1.h"
#include "bench/app/PaintWatch.h"
#include "grid/Fajny.h"
#include "platform/core/ProgramFolder.h"

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <program folder> <rows>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const int expected = std::atoi(argv[2]);
    movra::SetProgramFolderOverride(QString::fromLocal8Bit(argv[1]));
    movra::InitApplication(app);
    movra::TMovraApp windows;
    movra::TFajny* grid = windows.Form1().Grid();
    // Queued, so the process ends after the paint that was just seen has completed.
    movra::bench::TPaintWatch watch(grid->viewport(), [&] {
        const int code = grid->RowCount() - grid->FixedRows() == expected ? 0 : 3;
        QMetaObject::invokeMethod(
            &app, [code] { std::_Exit(code); }, Qt::QueuedConnection);
    });
    QTimer::singleShot(60000, [] { std::_Exit(4); });
    windows.Form1().show();
    return QApplication::exec();
}
