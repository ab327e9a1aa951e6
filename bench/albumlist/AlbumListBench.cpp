// Loading the record list: the goal is that QueryRecordList (the whole list into a result table)
// costs at most 1.3 times plain sqlite3 calls stepping the same query and copying the same
// columns, and that filling the grid's row texts from it costs at most 1.3 times the same plain
// loop converting straight to QStrings. Then the peak memory of one load, measured in a fresh
// process, for albums with small and with large photos: the list must not grow with the photos.
//
// Albums are made on first use in the cache folder (see bench/data/AlbumGenerator.h); the
// 100,000-record album takes a few minutes and about 4 GB.

#include "album/AlbumFile.h"
#include "bench/data/AlbumGenerator.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include "bench/support/MedianReporter.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace movra;

namespace {

constexpr const char* kListSql =
    "SELECT ID, Imie, Nazwisko, Ksywa, Notes, Adres FROM album ORDER BY Nazwisko";

struct TRawConnection {
    sqlite3* Db = nullptr;
    explicit TRawConnection(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &Db, SQLITE_OPEN_READWRITE,
                            nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
            std::exit(1);
        }
    }
    ~TRawConnection() { sqlite3_close_v2(Db); }
    TRawConnection(const TRawConnection&) = delete;
    TRawConnection& operator=(const TRawConnection&) = delete;
};

struct TFloorRow {
    sqlite3_int64 Id;
    std::string Imie, Nazwisko, Ksywa, Notes, Adres;
};

std::string Column(sqlite3_stmt* s, int c) {
    const void* data = sqlite3_column_blob(s, c);
    return data != nullptr ? std::string(static_cast<const char*>(data),
                                         static_cast<std::size_t>(sqlite3_column_bytes(s, c)))
                           : std::string();
}

// The floor: the same statement stepped by hand, every value copied once.
std::vector<TFloorRow> FloorList(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, kListSql, -1, &s, nullptr);
    std::vector<TFloorRow> rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
        rows.push_back(TFloorRow{sqlite3_column_int64(s, 0), Column(s, 1), Column(s, 2),
                                 Column(s, 3), Column(s, 4), Column(s, 5)});
    }
    sqlite3_finalize(s);
    return rows;
}

QString FromBytes(sqlite3_stmt* s, int c) {
    const void* data = sqlite3_column_blob(s, c);
    return AlbumText(
        std::string_view(static_cast<const char*>(data),
                         data != nullptr ? std::size_t(sqlite3_column_bytes(s, c)) : 0));
}

void BM_Floor(benchmark::State& state, QString path) {
    TRawConnection raw(path);
    for (auto _ : state) {
        std::vector<TFloorRow> rows = FloorList(raw.Db);
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_QueryRecordList(benchmark::State& state, QString path) {
    ISQLiteDatabasePtr db = OpenAlbumFile(path);
    for (auto _ : state) {
        ISQLiteTablePtr table = QueryRecordList(*db, skNazwisko);
        benchmark::DoNotOptimize(table.get());
    }
}

void BM_FloorRowTexts(benchmark::State& state, QString path) {
    TRawConnection raw(path);
    for (auto _ : state) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(raw.Db, kListSql, -1, &s, nullptr);
        std::vector<TAlbumListRow> rows;
        while (sqlite3_step(s) == SQLITE_ROW) {
            rows.push_back(TAlbumListRow{QString::number(sqlite3_column_int64(s, 0)),
                                         FromBytes(s, 1), FromBytes(s, 2), FromBytes(s, 3),
                                         FromBytes(s, 4), FromBytes(s, 5)});
        }
        sqlite3_finalize(s);
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_ListRowTexts(benchmark::State& state, QString path) {
    ISQLiteDatabasePtr db = OpenAlbumFile(path);
    for (auto _ : state) {
        ISQLiteTablePtr table = QueryRecordList(*db, skNazwisko);
        std::vector<TAlbumListRow> rows;
        rows.reserve(table->Rows());
        const TAlbumListColumns columns = TAlbumListColumns::Of(*table);
        for (; !table->AtEnd(); table->MoveNext()) {
            rows.push_back(ReadListRow(*table, columns));
        }
        benchmark::DoNotOptimize(rows.data());
    }
}

using movra::bench::TMedianReporter;

long StatusKiB(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// In a fresh process: the growth of the peak resident size caused by one load of the list
// (what), and the bytes of text held.
int MemoryProbe(const QString& what, const QString& path) {
    ISQLiteDatabasePtr db = OpenAlbumFile(path);
    const long before = StatusKiB("VmHWM");
    long long textBytes = 0;
    std::uint32_t rows = 0;
    if (what == QLatin1String("list")) {
        ISQLiteTablePtr table = QueryRecordList(*db, skNazwisko);
        rows = table->Rows();
        for (; !table->AtEnd(); table->MoveNext()) {
            for (int c = 1; c < 6; ++c) {
                textBytes += static_cast<long long>(table->BytesAt(c).size());
            }
        }
    } else { // every column, photos included, as a list query reading whole rows would
        ISQLiteTablePtr table = db->Query(std::string("SELECT * FROM album ORDER BY Nazwisko"));
        rows = table->Rows();
    }
    const long after = StatusKiB("VmHWM");
    std::printf("%ld %u %lld\n", after - before, rows, textBytes);
    return 0;
}

void ReportMemory(const char* self, const char* label, const QString& what, const QString& path) {
    const std::string command = std::string("'") + self + "' --memory-probe " + what.toStdString() +
                                " '" + path.toStdString() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    long kib = -1;
    unsigned rows = 0;
    long long textBytes = 0;
    if (pipe == nullptr || std::fscanf(pipe, "%ld %u %lld", &kib, &rows, &textBytes) != 3) {
        std::printf("%-44s probe failed\n", label);
    } else {
        std::printf("%-44s %7u rows  file %6.0f MB  peak +%8.1f MB  (texts %.1f MB)\n", label, rows,
                    QFileInfo(path).size() / 1048576.0, kib / 1024.0, textBytes / 1048576.0);
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--memory-probe") == 0) {
        return MemoryProbe(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }

    const std::vector<int> sizes{1000, 10000, 100000};
    std::map<int, QString> albums;
    for (int n : sizes) {
        std::printf("album of %d records...\n", n);
        std::fflush(stdout);
        albums[n] = bench::CachedAlbum({n, 100});
    }
    for (int n : sizes) {
        const std::string suffix = "/" + std::to_string(n);
        const auto add = [&](const std::string& name, void (*fn)(benchmark::State&, QString)) {
            benchmark::RegisterBenchmark((name + suffix).c_str(), fn, albums[n])
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        };
        add("Floor", BM_Floor);
        add("QueryRecordList", BM_QueryRecordList);
        add("FloorRowTexts", BM_FloorRowTexts);
        add("ListRowTexts", BM_ListRowTexts);
    }
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // On a machine shared with other work the real time carries the others' load; the CPU time
    // of this process is shown beside it.
    std::printf("\nRatios of medians, real time and CPU time (goal: at most 1.30)\n");
    for (int n : sizes) {
        const std::string suffix = "/" + std::to_string(n);
        const auto ratio = [&](const char* goal, const char* floor) {
            const double g = reporter.Medians[goal + suffix];
            const double f = reporter.Medians[floor + suffix];
            const double gc = reporter.CpuMedians[goal + suffix];
            const double fc = reporter.CpuMedians[floor + suffix];
            if (g > 0 && f > 0 && gc > 0 && fc > 0) {
                std::printf("  %-26s / %-20s = %.3f real, %.3f CPU\n", (goal + suffix).c_str(),
                            (floor + suffix).c_str(), g / f, gc / fc);
            }
        };
        ratio("QueryRecordList", "Floor");
        ratio("ListRowTexts", "FloorRowTexts");
    }

    std::printf("\nPeak memory of one list load, each in a fresh process\n");
    const QString small = bench::CachedAlbum({1000, 0});
    const QString large = bench::CachedAlbum({1000, 1});
    ReportMemory(argv[0], "1,000 records, 640 x 480 photos: list", "list", small);
    ReportMemory(argv[0], "1,000 records, 4000 x 3000 photos: list", "list", large);
    ReportMemory(argv[0], "1,000 records, 4000 x 3000 photos: SELECT *", "all", large);
    ReportMemory(argv[0], "100,000 records, mixed photos: list", "list", albums[100000]);
    return 0;
}
