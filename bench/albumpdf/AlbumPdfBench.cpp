// "Zapisz album do PDF..." on a large album, against the program idle with the same album open.
//
// A child process (this program started again with --export-child) runs the program as a user
// does: its windows made, the album opened from the command line, the list loaded and shown. It
// takes its resident size then (the idle program with the album open), runs the command through
// the main window (the file dialog answered with a name in a temporary folder, the closing
// message with OK), and takes its peak resident size (the kernel's high-water mark) after it.
// Goal: the export's peak at most 64 MB above the idle size, whatever the number of people: the
// pages are written into the file as they are made, each record read, drawn and dropped.
//
// The album (bench/data: --people records, default 10,000; a 640 x 480 photo in every other one,
// a 4000 x 3000 one in every hundredth) is made once into the benchmarks' album cache.

#include "album/MovraApp.h"
#include "album/Unit1.h"
#include "bench/data/AlbumGenerator.h"
#include "platform/core/Dialogs.h"
#include "platform/core/ProgramFolder.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtWidgets/QApplication>

#include "bench/support/ChildRun.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

using movra::bench::RunChild;
using movra::bench::StatusKb;
using movra::bench::TChild;

namespace {

constexpr double kGoalMb = 64;

std::string g_self;
int g_people = 10000;
std::string g_album;

// Nobody is there: the file dialog names the document, every box is answered OK, and the
// errors among them are kept to tell a failed export from a finished one.
class TExportDialogs final : public movra::IDialogs {
public:
    explicit TExportDialogs(QString target) : m_target(std::move(target)) {
        movra::SetDialogs(this);
    }
    ~TExportDialogs() override { movra::SetDialogs(nullptr); }
    TExportDialogs(const TExportDialogs&) = delete;
    TExportDialogs& operator=(const TExportDialogs&) = delete;

    QStringList Errors;

    movra::MsgResult Box(QWidget*, movra::MsgKind kind, const QString& text, movra::MsgButtons,
                         const QString&) override {
        if (kind != movra::MsgKind::Information)
            Errors << text;
        return movra::MsgResult::Ok;
    }
    std::optional<QString> OpenFile(QWidget*, const movra::FileDialogOptions&) override {
        return {};
    }
    std::optional<QString> SaveFile(QWidget*, const movra::FileDialogOptions&) override {
        return m_target;
    }
    std::optional<QString> OpenPicture(QWidget*, const movra::FileDialogOptions&) override {
        return {};
    }
    std::optional<movra::TColor> ChooseColor(QWidget*, movra::TColor) override { return {}; }
    std::optional<movra::TFont> ChooseFont(QWidget*, const movra::TFont&) override { return {}; }
    bool PrinterSetup(QWidget*) override { return false; }
    int ExecModal(QDialog*) override { return 0; }

private:
    QString m_target;
};

int ExportChild(int argc, char** argv, const char* album) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    movra::InitApplication(app);
    QTemporaryDir folder;
    movra::SetProgramFolderOverride(folder.path() + QLatin1Char('/'));
    const QString pdf = folder.filePath(QStringLiteral("album.pdf"));
    TExportDialogs dialogs(pdf);
    long idle = 0;
    long peak = 0;
    double seconds = 0;
    {
        movra::TMovraApp program(QString::fromLocal8Bit(album));
        program.Form1().show();
        QCoreApplication::processEvents();
        if (program.Form1().RecordCount().toInt() <= 0) {
            std::fprintf(stderr, "the album did not open\n");
            return 1;
        }
        idle = StatusKb("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        program.Form1().Action(QStringLiteral("ZapiszAlbumPdf1"))->trigger();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        peak = StatusKb("VmHWM:");
        if (!dialogs.Errors.isEmpty() || !QFileInfo(pdf).isFile()) {
            std::fprintf(stderr, "the export failed: %s\n",
                         qPrintable(dialogs.Errors.join(QLatin1Char('\n'))));
            return 1;
        }
    }
    std::printf("%ld %ld %f %lld\n", idle, peak, seconds,
                static_cast<long long>(QFileInfo(pdf).size()));
    std::fflush(stdout);
    // The windows and the settings file are of no interest here.
    std::_Exit(0);
}

double g_aboveIdleMb = -1;

void BM_AlbumPdf_Movra(benchmark::State& state) {
    for (auto _ : state) {
        const TChild child = RunChild({g_self, "--export-child", g_album});
        long idle = 0;
        long peak = 0;
        double seconds = 0;
        long long bytes = 0;
        if (!child.Ok || std::sscanf(child.Output.c_str(), "%ld %ld %lf %lld", &idle, &peak,
                                     &seconds, &bytes) != 4) {
            state.SkipWithError("the export failed");
            break;
        }
        state.SetIterationTime(seconds);
        state.counters["people"] = g_people;
        state.counters["idle_MB"] = idle / 1024.0;
        state.counters["peak_MB"] = peak / 1024.0;
        state.counters["above_idle_MB"] = (peak - idle) / 1024.0;
        state.counters["pdf_MB"] = bytes / 1048576.0;
        state.counters["pages_per_s"] = seconds > 0 ? g_people / seconds : 0;
        g_aboveIdleMb = std::max(g_aboveIdleMb, (peak - idle) / 1024.0);
    }
}

} // namespace

int main(int argc, char** argv) {
    g_self = argv[0];
    if (argc >= 3 && std::strcmp(argv[1], "--export-child") == 0)
        return ExportChild(argc, argv, argv[2]);
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--people=", 9) == 0)
            g_people = std::max(2, std::atoi(argv[i] + 9));
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    {
        QCoreApplication app(argc, argv);
        std::printf("album of %d people (--people=N), made once into the album cache...\n",
                    g_people);
        std::fflush(stdout);
        try {
            g_album = movra::bench::CachedAlbum({g_people, 100, true}).toStdString();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    benchmark::RegisterBenchmark("AlbumPdf/Movra", BM_AlbumPdf_Movra)
        ->Iterations(1)
        ->Repetitions(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_aboveIdleMb < 0)
        return 1;
    std::printf("\nGoal: the export's peak at most %.0f MB above the idle program with the album "
                "open.\n%d people: %.1f MB above idle, %.2f of the goal (%s).\n",
                kGoalMb, g_people, g_aboveIdleMb, g_aboveIdleMb / kGoalMb,
                g_aboveIdleMb <= kGoalMb ? "met" : "NOT met");
    return 0;
}
