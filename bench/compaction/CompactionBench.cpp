// Compacting a large album ("Regeneruj (odśwież) bazę"), beside its floor:
// - Movra: a child process (this program, started again with --compact-child) opens the album
//   and runs the compaction as the command does (Regenerate with a progress report); it prints
//   its resident size once the album is open (idle) and its peak afterwards;
// - floor: the sqlite3 shell running VACUUM on a copy of the same album, with its default
//   temporary store, its peak taken from the kernel's accounting of the child.
// Goal: the compaction's peak at most 64 MB above the idle size, whatever the album's size.
// The album (records with random 60 KB photos, every fifth record deleted) is made once in
// $MOVRA_BENCH_ALBUMS (else $TMPDIR, else /tmp) at the size given by --size_mb (default 1024) and
// deleted at the end, as are the copies each run works on.

#include "album/AlbumFile.h"

#include <QtCore/QFile>
#include <QtCore/QString>

#include "bench/support/ChildRun.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

extern char** environ;

using movra::bench::RunChild;
using movra::bench::StatusKb;
using movra::bench::TChild;

namespace {

constexpr int kPhotoBytes = 60 * 1024;
constexpr int kRepetitions = 3;

std::string g_self;
std::string g_album;
long g_sizeMb = 1024;

int CompactChild(const char* path) {
    try {
        const movra::ISQLiteDatabasePtr db = movra::OpenAlbumFile(QString::fromLocal8Bit(path));
        const long idle = StatusKb("VmRSS:");
        int reports = 0;
        auto last = std::chrono::steady_clock::now();
        (void)movra::Regenerate(*db, [&reports, &last](int) {
            ++reports;
            last = std::chrono::steady_clock::now();
            return true;
        });
        // How long the end ran without a report: the time a progress window cannot move.
        const double tail =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - last).count();
        std::printf("%ld %ld %d %f\n", idle, StatusKb("VmHWM:"), reports, tail);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "album generation: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// With plain sqlite3: the program's schema, texts, random photos.
void MakeAlbum(const std::string& path, long sizeMb) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db);
    Check(sqlite3_exec(db,
                       "CREATE TABLE album (ID INTEGER PRIMARY KEY,Imie VARCHAR(15),Nazwisko "
                       "VARCHAR(20), Ksywa VARCHAR(20),Notes BLOB,Adres BLOB, Picture BLOB "
                       "COLLATE NOCASE);",
                       nullptr, nullptr, nullptr),
          db);
    // The first record, as in every new album, has no photo (the others' are not JPEGs, and the
    // compaction reads the first record back).
    Check(sqlite3_exec(db,
                       "INSERT INTO album(Imie, Nazwisko, Ksywa, Notes, Adres) VALUES ('pusty', "
                       "'zero', 'zero', '', '')",
                       nullptr, nullptr, nullptr),
          db);
    const long records = sizeMb * 1024 * 1024 / kPhotoBytes;
    const std::string insert =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(records) +
        ") INSERT INTO album(Imie, Nazwisko, Ksywa, Notes, Adres, Picture) SELECT 'Imie' || i, "
        "'Nazwisko' || (i % 997), 'k', 'Uwagi o osobie ' || i, 'ul. Dluga ' || i, randomblob(" +
        std::to_string(kPhotoBytes) + ") FROM n";
    Check(sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr), db);
    Check(sqlite3_exec(db, "DELETE FROM album WHERE ID % 5 = 0", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

std::string FreshCopy() {
    const std::string copy = g_album + ".work.db3";
    std::filesystem::copy_file(g_album, copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

std::map<std::string, std::vector<double>> g_peaksMb;
std::vector<double> g_aboveIdleMb;

void BM_Compaction_Movra(benchmark::State& state) {
    for (auto _ : state) {
        const std::string copy = FreshCopy();
        const TChild child = RunChild({g_self, "--compact-child", copy});
        long idle = 0;
        long peak = 0;
        int reports = 0;
        double tail = 0;
        if (!child.Ok || std::sscanf(child.Output.c_str(), "%ld %ld %d %lf", &idle, &peak, &reports,
                                     &tail) != 4) {
            state.SkipWithError("the compaction failed");
            break;
        }
        state.SetIterationTime(child.Seconds);
        state.counters["idle_MB"] = idle / 1024.0;
        state.counters["peak_MB"] = peak / 1024.0;
        state.counters["above_idle_MB"] = (peak - idle) / 1024.0;
        state.counters["progress_reports"] = reports;
        state.counters["last_report_to_end_s"] = tail;
        g_peaksMb["movra"].push_back(peak / 1024.0);
        g_aboveIdleMb.push_back((peak - idle) / 1024.0);
        std::filesystem::remove(copy);
    }
}

void BM_Compaction_Sqlite3Shell(benchmark::State& state) {
    for (auto _ : state) {
        const std::string copy = FreshCopy();
        const TChild child = RunChild({"sqlite3", copy, "VACUUM"});
        if (!child.Ok) {
            state.SkipWithError("the sqlite3 shell failed (is it installed?)");
            break;
        }
        state.SetIterationTime(child.Seconds);
        state.counters["peak_MB"] = child.MaxRssKb / 1024.0;
        g_peaksMb["shell"].push_back(child.MaxRssKb / 1024.0);
        std::filesystem::remove(copy);
    }
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--compact-child") == 0)
        return CompactChild(argv[2]);
    g_self = "/proc/self/exe";
    {
        char path[4096];
        const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        if (n > 0)
            g_self.assign(path, static_cast<std::size_t>(n));
    }
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--size_mb=", 10) == 0)
            g_sizeMb = std::strtol(argv[i] + 10, nullptr, 10);
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    const char* folder = std::getenv("MOVRA_BENCH_ALBUMS");
    if (folder == nullptr)
        folder = std::getenv("TMPDIR");
    g_album = std::string(folder != nullptr ? folder : "/tmp") + "/movra-compaction-" +
              std::to_string(g_sizeMb) + "mb.db3";
    std::filesystem::remove(g_album);
    std::printf("making an album of %ld MB...\n", g_sizeMb);
    std::fflush(stdout);
    MakeAlbum(g_album, g_sizeMb);
    std::printf("album %s: %.0f MB\n", g_album.c_str(),
                std::filesystem::file_size(g_album) / 1048576.0);

    for (auto* b :
         {benchmark::RegisterBenchmark("Compaction/Movra", BM_Compaction_Movra),
          benchmark::RegisterBenchmark("Compaction/Sqlite3Shell", BM_Compaction_Sqlite3Shell)})
        b->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(g_album);

    const double movra = Median(g_peaksMb["movra"]);
    const double shell = Median(g_peaksMb["shell"]);
    const double above = Median(g_aboveIdleMb);
    if (shell > 0)
        std::printf("compaction of %ld MB: peak %.1f MB, %.1f MB above idle (goal: at most 64); "
                    "sqlite3 shell VACUUM peak %.1f MB; ratio of peaks %.2f\n",
                    g_sizeMb, movra, above, shell, movra / shell);
    return 0;
}
