// The record list's first screen beside DB Browser for SQLite's first rows of the same table, at
// 1,000,000 records (--records=N picks another album), on the X server given (run it through
// run-first-screen-on-xvfb.sh, which installs sqlitebrowser from Debian when it is missing):
//
//   movra <album>                     the program as a user starts it (a copy in a program
//                                     folder of its own, so no movra.ini of the build is read)
//   sqlitebrowser -t album <album>    DB Browser for SQLite browsing the table album
//
// Goal: the program's first rows painted no later than DB Browser's (ratio at most 1).
//
// Both are whole processes, timed from spawn until their rows are on the screen, and both are
// watched the same way, from outside, through the X server's pixels: each is first run to rest on
// an empty album of the same shape and on the big album, and the pixels that differ between those
// two pictures (the rows, their numbers and the counts) are what its rows look like. A run counts
// as shown from the first picture in which at least nine tenths of those pixels are as they are
// at rest; the screen is read every few milliseconds while the program starts. --trace=<folder>
// keeps every picture of one run of each, to check by eye what was counted.
//
// Repetitions alternate at random and the ratio is of medians.

#include "bench/data/AlbumGenerator.h"
#include "bench/support/Interleaved.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtCore/QThread>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

using namespace movra::bench;

namespace {

constexpr int kRepetitions = 5;
// The share of a program's row pixels that must be as at rest for its rows to count as shown.
constexpr double kShownShare = 0.9;
// Pause between two readings of the screen.
constexpr int kPollMs = 5;
// A program at rest: its picture unchanged this long, and it has run at least kLeastRestMs.
constexpr int kRestMs = 1500;
constexpr int kLeastRestMs = 3000;
constexpr int kGiveUpMs = 60000;

// ---- processes ---------------------------------------------------------------------------

class TChild {
public:
    // Starts args with a home folder of its own (settings of earlier runs are not read).
    explicit TChild(const std::vector<std::string>& args) {
        if (!m_home.isValid())
            throw std::runtime_error("no temporary folder");
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string_view v(*e);
            if (!v.starts_with("QT_QPA_PLATFORM=") && !v.starts_with("HOME=") &&
                !v.starts_with("XDG_CONFIG_HOME=") && !v.starts_with("XDG_CACHE_HOME=") &&
                !v.starts_with("XDG_DATA_HOME="))
                env.emplace_back(v);
        }
        const std::string home = m_home.path().toStdString();
        env.push_back("HOME=" + home);
        env.push_back("XDG_CONFIG_HOME=" + home + "/.config");
        env.push_back("XDG_CACHE_HOME=" + home + "/.cache");
        env.push_back("XDG_DATA_HOME=" + home + "/.local/share");
        env.emplace_back("QT_QPA_PLATFORM=xcb");
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        m_clock.start();
        const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            throw std::runtime_error("cannot start " + args[0]);
    }
    ~TChild() {
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    // Milliseconds since the spawn.
    [[nodiscard]] double Elapsed() const { return m_clock.nsecsElapsed() / 1e6; }
    [[nodiscard]] bool Running() const {
        int status = 0;
        return waitpid(m_pid, &status, WNOHANG) == 0;
    }

private:
    QTemporaryDir m_home;
    QElapsedTimer m_clock;
    pid_t m_pid = 0;
};

// ---- the screen --------------------------------------------------------------------------

QImage Grab(const QRect& r) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QRect WholeScreen() {
    return QGuiApplication::primaryScreen()->geometry();
}

// Waits until no window is left on the screen (the last one killed has gone).
void WaitForEmptyScreen() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        const QImage screen = Grab(WholeScreen());
        bool empty = true;
        for (int y = 0; y < screen.height() && empty; y += 4) {
            const auto* line = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
            for (int x = 0; x < screen.width(); x += 4)
                if (qGray(line[x]) != qGray(line[0])) {
                    empty = false;
                    break;
                }
        }
        if (empty)
            return;
        QThread::msleep(20);
    }
    throw std::runtime_error("a window stays on the screen");
}

// The program's picture once it has come to rest.
QImage AtRest(const std::vector<std::string>& args) {
    WaitForEmptyScreen();
    TChild child(args);
    QImage last;
    QElapsedTimer unchanged;
    unchanged.start();
    while (child.Elapsed() < kGiveUpMs) {
        QThread::msleep(250);
        if (!child.Running())
            throw std::runtime_error(args[0] + " ended by itself");
        QImage now = Grab(WholeScreen());
        if (now != last) {
            last = std::move(now);
            unchanged.restart();
        } else if (unchanged.elapsed() >= kRestMs && child.Elapsed() >= kLeastRestMs) {
            return last;
        }
    }
    throw std::runtime_error(args[0] + " never came to rest");
}

// What a program's rows look like: where its picture at rest on the big album differs from the
// one on the empty album.
struct TRowsLook {
    QRect Region;
    QImage Rest; // the region at rest on the big album
    std::vector<QPoint> Pixels;
};

TRowsLook LookOf(const std::vector<std::string>& full, const std::vector<std::string>& empty) {
    const QImage rest = AtRest(full);
    const QImage bare = AtRest(empty);
    TRowsLook look;
    std::vector<QPoint> pixels;
    QRect box;
    for (int y = 0; y < rest.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(rest.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(bare.constScanLine(y));
        for (int x = 0; x < rest.width(); ++x)
            if (a[x] != b[x]) {
                pixels.emplace_back(x, y);
                box |= QRect(x, y, 1, 1);
            }
    }
    if (pixels.size() < 200)
        throw std::runtime_error(full[0] + " shows nothing more on the big album");
    look.Region = box;
    look.Rest = rest.copy(box);
    for (const QPoint& p : pixels)
        look.Pixels.push_back(p - box.topLeft());
    return look;
}

double ShownShare(const QImage& frame, const TRowsLook& look) {
    std::size_t same = 0;
    for (const QPoint& p : look.Pixels)
        if (reinterpret_cast<const QRgb*>(frame.constScanLine(p.y()))[p.x()] ==
            reinterpret_cast<const QRgb*>(look.Rest.constScanLine(p.y()))[p.x()])
            ++same;
    return double(same) / double(look.Pixels.size());
}

// Milliseconds from the spawn to the first reading of the screen that shows the rows (the
// reading's start, so the paint came before it); traceFolder keeps every picture.
double TimeToRows(const std::vector<std::string>& args, const TRowsLook& look,
                  const QString& traceFolder = {}) {
    WaitForEmptyScreen();
    TChild child(args);
    int frame = 0;
    while (child.Elapsed() < kGiveUpMs) {
        const double at = child.Elapsed();
        const QImage now = Grab(look.Region);
        const double share = ShownShare(now, look);
        if (!traceFolder.isEmpty())
            now.save(QStringLiteral("%1/%2-%3ms-%4.png")
                         .arg(traceFolder)
                         .arg(frame++, 4, 10, QLatin1Char('0'))
                         .arg(at, 0, 'f', 0)
                         .arg(share, 0, 'f', 3));
        if (share >= kShownShare)
            return at;
        QThread::msleep(kPollMs);
    }
    throw std::runtime_error(args[0] + " never showed its rows");
}

// ---- the two programs --------------------------------------------------------------------

struct TContender {
    std::vector<std::string> Full;
    std::vector<std::string> Empty;
    TRowsLook Look;
};

std::map<std::string, TContender>& Contenders() {
    static std::map<std::string, TContender> contenders;
    return contenders;
}

void BM_FirstRows(benchmark::State& state, const std::string& name) {
    const TContender& c = Contenders().at(name);
    for (auto _ : state) {
        try {
            state.SetIterationTime(TimeToRows(c.Full, c.Look) / 1000.0);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
    }
}

std::string Which(const char* program) {
    for (const QString& dir : qEnvironmentVariable("PATH").split(u':')) {
        const QString path = QDir(dir).filePath(QString::fromLatin1(program));
        if (QFileInfo(path).isExecutable())
            return path.toStdString();
    }
    return {};
}

// An album of the same shape with no records.
QString EmptyAlbum(const QString& folder) {
    const QString path = folder + QStringLiteral("/pusty.db3");
    sqlite3* db = nullptr;
    const bool ok =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
        sqlite3_exec(db,
                     "CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko "
                     "VARCHAR(20), Ksywa VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB "
                     "COLLATE NOCASE);",
                     nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(db);
    if (!ok)
        throw std::runtime_error("cannot make the empty album");
    return path;
}

class TReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Medians;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                Medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

std::string TakeOption(int& argc, char** argv, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, n) != 0)
            continue;
        std::string value = argv[i] + n;
        std::copy(argv + i + 1, argv + argc, argv + i);
        --argc;
        return value;
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const std::string records = TakeOption(argc, argv, "--records=");
    const QString trace = QString::fromStdString(TakeOption(argc, argv, "--trace="));
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "no DISPLAY: run it through run-first-screen-on-xvfb.sh\n");
        return 1;
    }
    QGuiApplication app(argc, argv);
    if (!InitInterleaved(argc, argv))
        return 1;

    const int n = records.empty() ? 1000000 : std::stoi(records);
    QTemporaryDir folder;
    try {
        const std::string browser = Which("sqlitebrowser");
        if (browser.empty())
            throw std::runtime_error("sqlitebrowser is not installed (apt-get install "
                                     "sqlitebrowser; run-first-screen-on-xvfb.sh does it)");
        std::printf("album of %d records (no photos)...\n", n);
        std::fflush(stdout);
        const std::string album = CachedAlbum({n, 100, false}).toStdString();
        const std::string empty = EmptyAlbum(folder.path()).toStdString();
        // The program in a folder of its own, as installed by a user who unpacked it there.
        const QString movra = folder.path() + QStringLiteral("/movra");
        if (!QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/movra"), movra))
            throw std::runtime_error("no movra beside this benchmark");
        TContender& m = Contenders()["Movra"];
        m.Full = {movra.toStdString(), album};
        m.Empty = {movra.toStdString(), empty};
        TContender& d = Contenders()["DBBrowser"];
        d.Full = {browser, "-t", "album", album};
        d.Empty = {browser, "-t", "album", empty};
        for (auto& [name, c] : Contenders()) {
            std::printf("what %s's rows look like...\n", name.c_str());
            std::fflush(stdout);
            c.Look = LookOf(c.Full, c.Empty);
            std::printf("  %zu pixels in %dx%d at %d,%d\n", c.Look.Pixels.size(),
                        c.Look.Region.width(), c.Look.Region.height(), c.Look.Region.x(),
                        c.Look.Region.y());
            if (!trace.isEmpty()) {
                const QString dir = trace + QLatin1Char('/') + QString::fromStdString(name);
                QDir().mkpath(dir);
                c.Look.Rest.save(dir + QStringLiteral("/rest.png"));
                std::printf("  traced run: rows after %.0f ms\n", TimeToRows(c.Full, c.Look, dir));
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    for (const char* name : {"Movra", "DBBrowser"})
        benchmark::RegisterBenchmark((std::string("FirstRows/") + name).c_str(), BM_FirstRows,
                                     std::string(name))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(kRepetitions)
            ->ReportAggregatesOnly(true)
            ->UseManualTime();
    TReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double movra = reporter.Medians["FirstRows/Movra"];
    const double browser = reporter.Medians["FirstRows/DBBrowser"];
    if (movra > 0 && browser > 0)
        std::printf("\nFirst rows painted at %d records: Movra %.0f ms, DB Browser for SQLite %.0f "
                    "ms: ratio %.2f (goal 1.0)%s\n",
                    n, movra, browser, movra / browser, movra / browser > 1.0 ? "  OVER" : "");
    return 0;
}
