// movra_start_probe <program folder> <rows> [sort]: the program's own start, as main.cpp does it,
// in a process that ends as soon as the record list's first paint has completed. With "sort" it
// then runs the sort by first name (Shift+F1) until the list is painted again, and prints the
// sort's real and CPU milliseconds and the process's peak resident size (KiB) before and after
// it. Without it, the peak resident size at the first paint is printed before the process ends. The
// only addition is the program folder, given here instead of being the executable's folder, so that
// the probe can stay in the build tree while the album and movra.ini lie elsewhere. Exit code 0:
// painted with <rows> records; 3: painted with another count; 4: no paint within a minute; 2: bad
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

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "sort") == 0)) {
        std::fprintf(stderr, "usage: %s <program folder> <rows> [sort]\n", argv[0]);
        return 2;
    }
    const bool sort = argc == 4;
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
            &app,
            [&, code] {
                if (!sort || code != 0) {
                    std::printf("%ld\n", PeakKiB());
                    std::fflush(stdout);
                    std::_Exit(code);
                }
                const long before = PeakKiB();
                movra::bench::TPaintWatch again(grid->viewport());
                const double cpuBefore = CpuSeconds();
                QElapsedTimer clock;
                clock.start();
                windows.Form1().SortCommand(2);
                if (!movra::bench::WaitForPaint(again))
                    std::_Exit(4);
                const qint64 ms = clock.elapsed();
                const double cpuMs = (CpuSeconds() - cpuBefore) * 1000.0;
                const bool whole =
                    grid->RowCount() - grid->FixedRows() == expected && grid->SortColumn() == 2;
                std::printf("%lld %.0f %ld %ld\n", static_cast<long long>(ms), cpuMs, before,
                            PeakKiB());
                std::fflush(stdout);
                std::_Exit(whole ? 0 : 3);
            },
            Qt::QueuedConnection);
    });
    QTimer::singleShot(60000, [] { std::_Exit(4); });
    windows.Form1().show();
    return QApplication::exec();
}
