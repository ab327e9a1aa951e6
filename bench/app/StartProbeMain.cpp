// movra_start_probe <program folder> <rows> [whole | sort | show]: the program's own start, as
// main.cpp does it, in a process that ends as soon as the record list's first paint with rows has
// completed (a list longer than a screen then shows its first screen; the rest is still on its
// way). With "whole" it ends once the whole list is in the grid and painted. With "sort" it then
// runs the sort by first name (Shift+F1) until the whole list is painted again, and prints the
// sort's real and CPU milliseconds to the whole list, the process's peak resident size (KiB)
// before and after it, and the milliseconds to the sort's first paint. Otherwise the peak resident
// size at the end is printed before the process ends. With "show" it never ends by itself (for
// watching the screen from outside). The only addition is the program folder, given here instead
// of being the executable's folder, so that the probe can stay in the build tree while the album
// and movra.ini lie elsewhere. Exit code 0: painted with <rows> records (the first paint: the
// first screen of them); 3: painted with another count; 4: no paint within a minute; 2: bad
// arguments.

#include "album/MovraApp.h"
#include "album/Unit1.h"
#include "bench/app/PaintWatch.h"
#include "grid/Fajny.h"
#include "platform/core/ProgramFolder.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The process's peak resident size so far, in KiB.
long PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The process's CPU time so far (user and system), in seconds.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop, without spinning, until the whole list is in the grid; then until the grid
// has been painted with it.
bool WaitForWholeList(movra::TForm1& form1) {
    QElapsedTimer clock;
    clock.start();
    while (!form1.RecordListComplete()) {
        if (clock.elapsed() > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    movra::bench::TPaintWatch painted(form1.Grid()->viewport());
    form1.Grid()->viewport()->update();
    return movra::bench::WaitForPaint(painted);
}

} // namespace

int main(int argc, char* argv[]) {
    const char* mode = argc == 4 ? argv[3] : "";
    if (argc != 3 &&
        !(argc == 4 && (std::strcmp(mode, "whole") == 0 || std::strcmp(mode, "sort") == 0 ||
                        std::strcmp(mode, "show") == 0))) {
        std::fprintf(stderr, "usage: %s <program folder> <rows> [whole | sort | show]\n", argv[0]);
        return 2;
    }
    const bool sort = std::strcmp(mode, "sort") == 0;
    const bool whole = sort || std::strcmp(mode, "whole") == 0;
    const bool show = std::strcmp(mode, "show") == 0;
    QApplication app(argc, argv);
    const int expected = std::atoi(argv[2]);
    movra::SetProgramFolderOverride(QString::fromLocal8Bit(argv[1]));
    movra::InitApplication(app);
    movra::TMovraApp windows;
    movra::TForm1& form1 = windows.Form1();
    movra::TFajny* grid = form1.Grid();
    const auto shown = [&] { return grid->RowCount() - grid->FixedRows(); };
    // Queued, so the process ends after the paint that was just seen has completed.
    movra::bench::TPaintWatch watch(grid->viewport(), [&] {
        if (show)
            return;
        QMetaObject::invokeMethod(
            &app,
            [&] {
                if (!whole) {
                    // The first screen, or the whole list when it is no longer.
                    const bool first = form1.RecordListComplete()
                                           ? shown() == expected
                                           : shown() > 0 && shown() < expected;
                    std::printf("%ld\n", PeakKiB());
                    std::fflush(stdout);
                    std::_Exit(first ? 0 : 3);
                }
                if (!WaitForWholeList(form1))
                    std::_Exit(4);
                if (!sort || shown() != expected) {
                    std::printf("%ld\n", PeakKiB());
                    std::fflush(stdout);
                    std::_Exit(shown() == expected ? 0 : 3);
                }
                const long before = PeakKiB();
                movra::bench::TPaintWatch again(grid->viewport());
                const double cpuBefore = CpuSeconds();
                QElapsedTimer clock;
                clock.start();
                form1.SortCommand(2);
                if (!movra::bench::WaitForPaint(again))
                    std::_Exit(4);
                const qint64 firstMs = clock.elapsed();
                if (!WaitForWholeList(form1))
                    std::_Exit(4);
                const qint64 ms = clock.elapsed();
                const double cpuMs = (CpuSeconds() - cpuBefore) * 1000.0;
                const bool complete = shown() == expected && grid->SortColumn() == 2;
                std::printf("%lld %.0f %ld %ld %lld\n", static_cast<long long>(ms), cpuMs, before,
                            PeakKiB(), static_cast<long long>(firstMs));
                std::fflush(stdout);
                std::_Exit(complete ? 0 : 3);
            },
            Qt::QueuedConnection);
    });
    if (!show)
        QTimer::singleShot(60000, [] { std::_Exit(4); });
    form1.show();
    return QApplication::exec();
}
