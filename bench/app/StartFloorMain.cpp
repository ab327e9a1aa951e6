// movra_start_floor <album> <rows> [first <n>]: the floor program of the start-up benchmark. It
// starts, shows the album's list in a QTableView and ends the process as soon as the list's first
// paint has completed. With "first n" it reads only the list's first n rows (ORDER BY ... LIMIT n),
// one screen as the program's first reading. Exit code 0: painted with <rows> rows (at most n);
// 3: painted with another count; 4: no paint within a minute; 2: bad arguments or an unreadable
// album.

#include "bench/app/PaintWatch.h"
#include "bench/app/StartFloor.h"

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

int main(int argc, char* argv[]) {
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "first") == 0)) {
        std::fprintf(stderr, "usage: %s <album> <rows> [first <n>]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const int first = argc == 5 ? std::atoi(argv[4]) : 0;
    const int expected = first > 0 ? std::min(std::atoi(argv[2]), first) : std::atoi(argv[2]);
    std::unique_ptr<QTableView> view;
    try {
        view = movra::bench::MakeFloorListView(QString::fromLocal8Bit(argv[1]), first);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    // Queued, so the process ends after the paint that was just seen has completed.
    movra::bench::TPaintWatch watch(view->viewport(), [&] {
        const int code = movra::bench::FloorListRows(*view) == expected ? 0 : 3;
        QMetaObject::invokeMethod(
            &app, [code] { std::_Exit(code); }, Qt::QueuedConnection);
    });
    QTimer::singleShot(60000, [] { std::_Exit(4); });
    view->show();
    return QApplication::exec();
}
