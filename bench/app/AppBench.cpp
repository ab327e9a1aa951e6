// The program as the user meets it, each goal beside its floor, on the 10,000-record album (Polish
// Windows-1250 names, CR LF notes, a 640 x 480 photo in most records and a 4000 x 3000 one in
// every hundredth):
//
// 1. Start-up to the whole list, painted (goal: at most 1.3 times the floor; the program shows
//    the list's first screen earlier, which bench_app_scale measures). Measured as whole
//    processes: the program cannot be told to stop after its first paint (it reads no command
//    line), so the probe movra_start_probe links the program's libraries and does exactly what
//    main.cpp does, quitting once the whole record list has been painted; the floor
//    movra_start_floor is a minimal Qt program that reads the same columns in the same order
//    with plain sqlite3 and shows them in a QTableView, quitting the same way. Both run on the
//    X server when DISPLAY names one (else offscreen), launched here one at a time, timed from
//    spawn to exit (both end with _Exit, so neither pays for tearing down). That counts what a user
//    waits for: loading the libraries, Qt's start, the fonts, the file, the windows. Their CPU time
//    comes from the kernel's accounting of each child. The same pair is also timed inside this
//    process (Qt started once, the windows made, shown and painted anew each time), which leaves
//    only the work that differs between the two.
// 2. Showing a record with a 4000 x 3000 photo: PokazRekordu1Click on its row, until the record
//    window has painted the photo, against a bare TurboJPEG decode of the same bytes (goal: at
//    most 1.2 times).
// 3. Saving a record and reloading the list: Zmiana1Click with the record window showing a record
//    (the message box answered OK), against plain sqlite3 running the same text UPDATE with bound
//    values, the picture UPDATE, COMMIT and the list query copying the same columns (goal: at
//    most 1.5 times). A second floor also turns the list's texts into QStrings, the least a
//    program that shows them has to do. The program now moves the saved row in place instead of
//    reading the list again, so it stays far below this floor; bench_listupdate measures the
//    update against the statements alone.
// 4. Opening the record sheet of the record with the large photo (Drukowanie1Click, until the
//    preview's paper view has painted the page), against drawing the same twelve steps straight
//    onto a 96-dpi landscape A4 QImage from the photo as the record window holds it, decoded
//    (goal: at most 2 times). The program never decodes the photo there, so neither does the
//    floor. bench_recordsheet (bench/preview) measures the sheet alone, also against a window.
//
// The machine is shared, so repetitions are interleaved at random (unless the command line says
// otherwise) and the ratios are of medians, of real time and of CPU time.

#include "album/MovraApp.h"
#include "album/Unit1.h"
#include "bench/app/BenchDialogs.h"
#include "bench/app/PaintWatch.h"
#include "bench/app/StartFloor.h"
#include "bench/support/Interleaved.h"
#include "bench/data/AlbumGenerator.h"
#include "grid/Fajny.h"
#include "platform/core/ProgramFolder.h"
#include "preview/PrintPreview.h"
#include "record/MemoSnapshot.h"
#include "record/Unit2.h"
#include "record/Unit3.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QStringDecoder>
#include <QtCore/QTemporaryDir>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPlainTextEdit>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <turbojpeg.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

using namespace movra;
using namespace movra::bench;

namespace {

constexpr int kRecords = 10000;
constexpr int kRepetitions = 15;

// ---- the album and the program folder ------------------------------------------------------

struct TRawDb {
    sqlite3* Db = nullptr;
    explicit TRawDb(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &Db, SQLITE_OPEN_READWRITE,
                            nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path.toStdString());
    }
    ~TRawDb() { sqlite3_close_v2(Db); }
    TRawDb(const TRawDb&) = delete;
    TRawDb& operator=(const TRawDb&) = delete;
    void Exec(const char* sql) const {
        if (sqlite3_exec(Db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(Db));
    }
};

struct TRawStmt {
    sqlite3_stmt* Stmt = nullptr;
    TRawStmt(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &Stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    ~TRawStmt() { sqlite3_finalize(Stmt); }
    TRawStmt(const TRawStmt&) = delete;
    TRawStmt& operator=(const TRawStmt&) = delete;
};

QByteArray ColumnBytes(sqlite3_stmt* s, int c) {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(s, c));
    return data != nullptr ? QByteArray(data, sqlite3_column_bytes(s, c)) : QByteArray();
}

// One record as stored: the five texts' bytes and the picture's.
struct TStoredRecord {
    qint64 Id = 0;
    std::array<QByteArray, 5> Texts;
    QByteArray Picture;
};

TStoredRecord ReadStored(const QString& path, const char* where) {
    TRawDb db(path);
    const std::string sql =
        std::string("SELECT ID, Imie, Nazwisko, Ksywa, Notes, Adres, Picture FROM album WHERE ") +
        where + " ORDER BY ID LIMIT 1";
    TRawStmt s(db.Db, sql.c_str());
    if (sqlite3_step(s.Stmt) != SQLITE_ROW)
        throw std::runtime_error("no record where " + std::string(where));
    TStoredRecord r;
    r.Id = sqlite3_column_int64(s.Stmt, 0);
    for (int i = 0; i < 5; ++i)
        r.Texts[static_cast<std::size_t>(i)] = ColumnBytes(s.Stmt, i + 1);
    r.Picture = ColumnBytes(s.Stmt, 6);
    return r;
}

// A program folder of its own: a private copy of the album (the save benchmark writes to it)
// and the settings file the program leaves after a run with that album open.
struct TProgramFolder {
    QTemporaryDir Dir;
    QString Folder;
    QString Album;
    TStoredRecord Large; // the first record with a 4000 x 3000 photo
    TStoredRecord Small; // the first record with a 640 x 480 photo

    TProgramFolder() {
        if (!Dir.isValid())
            throw std::runtime_error("no temporary folder");
        Folder = Dir.path() + QLatin1Char('/');
        Album = Folder + QStringLiteral("album.db3");
        const QString cached = CachedAlbum({kRecords, 100});
        if (!QFile::copy(cached, Album))
            throw std::runtime_error("cannot copy the album to " + Album.toStdString());
        QFile ini(Folder + QStringLiteral("movra.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write movra.ini");
        ini.write("[Form1]\nLeft=692\nTop=568\nWidth=543\nHeight=301\nWysRow=22\n"
                  "[Plik]\nNazwa=album.db3\nSort=3\n"
                  "[Kolor]\nFixedColor=-2147483633\n"
                  "[Fonty1]\nNazwa=Arial\nSize=10\nKolor=0\nFontStyle=0\n"
                  "[Kolumny]\nImie=100\nNazwisko=140\nKsywa=140\n"
                  "[Form2]\nLeft=10\nTop=10\nWidth=454\nHeight=714\nKolorF=-2147483633\n"
                  "KolorO=-2147483643\nLiteryF=0\nLiteryO=0\n");
        ini.close();
        Large = ReadStored(Album, "length(Picture) > 1000000");
        Small = ReadStored(Album, "length(Picture) BETWEEN 1000 AND 1000000");
    }
};

TProgramFolder& Folder() {
    static TProgramFolder folder;
    return folder;
}

// ---- the program, made once for benchmarks 2 to 4 ------------------------------------------

TBenchDialogs& BenchDialogs() {
    static TBenchDialogs dialogs;
    return dialogs;
}

// Made on first use, destroyed before the application object.
std::unique_ptr<TMovraApp> g_app;

TMovraApp& App() {
    if (!g_app) {
        g_app = std::make_unique<TMovraApp>();
        g_app->Form1().show();
        SettleEvents();
        g_app->Form1().CompleteRecordList();
    }
    return *g_app;
}

int RowOfId(const TForm1& f, qint64 id) {
    const QString text = QString::number(id);
    const TFajny& g = *f.Grid();
    for (int r = g.FixedRows(); r < g.RowCount(); ++r)
        if (g.Cells(1, r) == text)
            return r;
    throw std::runtime_error("record " + std::to_string(id) + " is not in the list");
}

// Selects the record's row as a click would and shows it in the record window.
void ShowRecordOf(qint64 id) {
    TForm1& f = App().Form1();
    f.Grid()->FocusCell(2, RowOfId(f, id));
    f.PokazRekordu1Click();
}

QLabel* PhotoLabel() {
    auto* label = App().Form2().findChild<QLabel*>(QStringLiteral("Image1"));
    if (label == nullptr)
        throw std::runtime_error("the record window has no Image1");
    return label;
}

// ---- child processes ---------------------------------------------------------------------

struct TChildRun {
    double RealSeconds = 0;
    double CpuSeconds = 0;
    int ExitCode = -1;
};

// The children draw on the X server when there is one (run-scale-on-xvfb.sh gives them Xvfb):
// the start-up goal is about a real display, where the offscreen platform flatters both sides.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            env.emplace_back(*e);
    env.emplace_back(qEnvironmentVariableIsEmpty("DISPLAY") ? "QT_QPA_PLATFORM=offscreen"
                                                            : "QT_QPA_PLATFORM=xcb");
    return env;
}

// Runs a program to its end; real time from spawn to exit, CPU time (user and system) as the
// kernel accounted it to the child.
TChildRun RunChild(const std::vector<std::string>& args, const QString& errorLog) {
    static const std::vector<std::string> env = ChildEnvironment();
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const QByteArray log = QFile::encodeName(errorLog);
    posix_spawn_file_actions_addopen(&actions, 2, log.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    TChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.RealSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    run.CpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

void RunChildBenchmark(benchmark::State& state, const std::vector<std::string>& args) {
    const QString log = Folder().Folder + QStringLiteral("child-stderr.log");
    double cpu = 0;
    for (auto _ : state) {
        const TChildRun run = RunChild(args, log);
        if (run.ExitCode != 0) {
            QFile f(log);
            f.open(QIODevice::ReadOnly);
            const std::string message = "child " + args[0] + " ended with " +
                                        std::to_string(run.ExitCode) + ": " +
                                        f.readAll().left(400).toStdString();
            state.SkipWithError(message.c_str());
            break;
        }
        state.SetIterationTime(run.RealSeconds);
        cpu += run.CpuSeconds;
    }
    state.counters["cpu"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

std::string BinaryBeside(const char* name) {
    return (QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name))
        .toStdString();
}

// ---- 1. start-up -------------------------------------------------------------------------

void BM_StartProcess_Movra(benchmark::State& state) {
    RunChildBenchmark(state, {BinaryBeside("movra_start_probe"), Folder().Folder.toStdString(),
                              std::to_string(kRecords), "whole"});
}

void BM_StartProcess_Floor(benchmark::State& state) {
    RunChildBenchmark(state, {BinaryBeside("movra_start_floor"), Folder().Album.toStdString(),
                              std::to_string(kRecords)});
}

void BM_StartInProcess_Movra(benchmark::State& state) {
    for (auto _ : state) {
        auto app = std::make_unique<TMovraApp>();
        TFajny* grid = app->Form1().Grid();
        bool painted = false;
        {
            TPaintWatch watch(grid->viewport());
            app->Form1().show();
            painted = WaitForPaint(watch);
            // The rest of the list, read on after the first screen.
            app->Form1().CompleteRecordList();
            watch.Reset();
            grid->viewport()->update();
            painted = painted && WaitForPaint(watch);
        }
        state.PauseTiming();
        const bool whole = grid->RowCount() - grid->FixedRows() == kRecords;
        app.reset();
        SettleEvents();
        state.ResumeTiming();
        if (!painted || !whole) {
            state.SkipWithError(painted ? "the list is not whole" : "the list was not painted");
            break;
        }
    }
}

void BM_StartInProcess_Floor(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<QTableView> view = MakeFloorListView(Folder().Album);
        bool painted = false;
        {
            TPaintWatch watch(view->viewport());
            view->show();
            painted = WaitForPaint(watch);
        }
        state.PauseTiming();
        const bool whole = FloorListRows(*view) == kRecords;
        view.reset();
        SettleEvents();
        state.ResumeTiming();
        if (!painted || !whole) {
            state.SkipWithError(painted ? "the list is not whole" : "the list was not painted");
            break;
        }
    }
}

// ---- 2. showing a record with a large photo ------------------------------------------------

void BM_ShowRecord_Movra(benchmark::State& state) {
    TForm1& f = App().Form1();
    TForm2& r = App().Form2();
    const int row = RowOfId(f, Folder().Large.Id);
    TPaintWatch watch(PhotoLabel());
    for (auto _ : state) {
        state.PauseTiming();
        r.CloseQuietly();
        SettleEvents();
        f.Grid()->FocusCell(2, row);
        watch.Reset();
        state.ResumeTiming();

        f.PokazRekordu1Click();
        if (!WaitForPaint(watch)) {
            state.SkipWithError("the photo was not painted");
            break;
        }
    }
    if (r.Photo().Width() != 4000)
        state.SkipWithError("the record window does not show the large photo");
    r.CloseQuietly();
    SettleEvents();
}

void BM_ShowRecord_BareDecode(benchmark::State& state) {
    const QByteArray& jpeg = Folder().Large.Picture;
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                        static_cast<unsigned long>(jpeg.size()), &width, &height, &subsamp,
                        &colorspace);
    for (auto _ : state) {
        std::unique_ptr<unsigned char[]> rgb(new unsigned char[std::size_t(width) * height * 3]);
        if (tjDecompress2(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                          static_cast<unsigned long>(jpeg.size()), rgb.get(), width, 0, height,
                          TJPF_RGB, TJFLAG_LIMITSCANS) != 0)
            state.SkipWithError(tjGetErrorStr2(handle));
        benchmark::DoNotOptimize(rgb.get());
        benchmark::ClobberMemory();
    }
    tjDestroy(handle);
}

// ---- 3. saving a record and reloading the list ---------------------------------------------

void BM_SaveRecord_Movra(benchmark::State& state) {
    TForm1& f = App().Form1();
    TBenchDialogs& dialogs = BenchDialogs();
    const qint64 id = Folder().Small.Id;
    const auto check = [&]() -> bool {
        if (!dialogs.Errors().isEmpty() || dialogs.Boxes().size() != 1 ||
            !dialogs.Boxes().front().startsWith(QStringLiteral("Zmiany w rekordzie "))) {
            state.SkipWithError(
                ("unexpected boxes: " + dialogs.Boxes().join(u'|').toStdString()).c_str());
            return false;
        }
        return f.RecordCount() == QString::number(kRecords);
    };
    bool first = true;
    for (auto _ : state) {
        state.PauseTiming();
        if (!first && !check())
            break;
        first = false;
        ShowRecordOf(id);
        SettleEvents();
        dialogs.Clear();
        state.ResumeTiming();

        try {
            f.Zmiana1Click();
            f.CompleteRecordList(); // the list read again, as the floor reads it
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
    }
    check();
    SettleEvents();
}

// The floor's statements, as the program words them.
constexpr const char* kUpdateSql =
    "UPDATE album SET Imie=?, Nazwisko=?, Ksywa=?,Notes=?, Adres=? WHERE ID=?;";

void FloorSave(sqlite3* db, const TStoredRecord& r) {
    sqlite3_exec(db, "BEGIN TRANSACTION", nullptr, nullptr, nullptr);
    {
        TRawStmt s(db, kUpdateSql);
        for (int i = 0; i < 5; ++i) {
            const QByteArray& t = r.Texts[static_cast<std::size_t>(i)];
            sqlite3_bind_text(s.Stmt, i + 1, t.constData(), static_cast<int>(t.size()),
                              SQLITE_STATIC);
        }
        sqlite3_bind_int64(s.Stmt, 6, r.Id);
        if (sqlite3_step(s.Stmt) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    {
        const std::string sql = "UPDATE album SET picture = ? WHERE ID = " + std::to_string(r.Id);
        TRawStmt s(db, sql.c_str());
        sqlite3_bind_blob(s.Stmt, 1, r.Picture.constData(), static_cast<int>(r.Picture.size()),
                          SQLITE_STATIC);
        if (sqlite3_step(s.Stmt) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

struct TFloorRow {
    sqlite3_int64 Id;
    std::string Imie, Nazwisko, Ksywa, Notes, Adres;
};

std::string ColumnString(sqlite3_stmt* s, int c) {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(s, c));
    return data != nullptr ? std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(s, c)))
                           : std::string();
}

// The connection settings the program uses.
void SetProgramPragmas(const TRawDb& db) {
    db.Exec("PRAGMA SYNCHRONOUS=NORMAL;");
    db.Exec("PRAGMA temp_store = MEMORY;");
}

void BM_SaveRecord_Floor(benchmark::State& state) {
    const TRawDb db(Folder().Album);
    SetProgramPragmas(db);
    const TStoredRecord& r = Folder().Small;
    for (auto _ : state) {
        FloorSave(db.Db, r);
        TRawStmt s(db.Db, kStartListSql);
        std::vector<TFloorRow> rows;
        while (sqlite3_step(s.Stmt) == SQLITE_ROW)
            rows.push_back(TFloorRow{sqlite3_column_int64(s.Stmt, 0), ColumnString(s.Stmt, 1),
                                     ColumnString(s.Stmt, 2), ColumnString(s.Stmt, 3),
                                     ColumnString(s.Stmt, 4), ColumnString(s.Stmt, 5)});
        if (rows.size() != std::size_t(kRecords))
            state.SkipWithError("the floor's list is not whole");
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_SaveRecord_FloorQt(benchmark::State& state) {
    const TRawDb db(Folder().Album);
    SetProgramPragmas(db);
    const TStoredRecord& r = Folder().Small;
    QStringDecoder cp1250("windows-1250");
    const auto text = [&](sqlite3_stmt* s, int c) {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(s, c));
        return data != nullptr ? cp1250.decode(QByteArrayView(data, sqlite3_column_bytes(s, c)))
                               : QString();
    };
    for (auto _ : state) {
        FloorSave(db.Db, r);
        TRawStmt s(db.Db, kStartListSql);
        std::vector<std::array<QString, 6>> rows;
        while (sqlite3_step(s.Stmt) == SQLITE_ROW)
            rows.push_back({QString::number(sqlite3_column_int64(s.Stmt, 0)), text(s.Stmt, 1),
                            text(s.Stmt, 2), text(s.Stmt, 3), text(s.Stmt, 4), text(s.Stmt, 5)});
        if (rows.size() != std::size_t(kRecords))
            state.SkipWithError("the floor's list is not whole");
        benchmark::DoNotOptimize(rows.data());
    }
}

// ---- 4. the record sheet -----------------------------------------------------------------

void BM_RecordSheet_Movra(benchmark::State& state) {
    TForm1& f = App().Form1();
    TBenchDialogs& dialogs = BenchDialogs();
    ShowRecordOf(Folder().Large.Id);
    SettleEvents();
    bool paused = false;
    bool painted = false;
    dialogs.SetModalHandler([&](QDialog* dialog) {
        auto* sheet = qobject_cast<TForm3*>(dialog);
        if (sheet == nullptr)
            return 0;
        TPaintWatch watch(sheet->PP1()->PaperViewControl());
        sheet->show();
        painted = WaitForPaint(watch) && sheet->PP1()->PageCount() == 1;
        state.PauseTiming();
        paused = true;
        sheet->hide();
        return int(QDialog::Accepted);
    });
    for (auto _ : state) {
        paused = false;
        painted = false;
        f.Drukowanie1Click();
        if (!paused)
            state.PauseTiming();
        SettleEvents();
        state.ResumeTiming();
        if (!painted) {
            state.SkipWithError("the sheet's page was not painted");
            break;
        }
    }
    dialogs.SetModalHandler({});
    if (App().Form2().Photo().Width() != 4000)
        state.SkipWithError("the record window does not hold the large photo");
    App().Form2().CloseQuietly();
    SettleEvents();
}

// What the floor draws: the record's texts and the pictures the sheet stretches.
struct TSheetContent {
    QString Imie, Nazwisko, Ksywa;
    QImage Notes, Address;
};

const TSheetContent& SheetContent() {
    static const TSheetContent content = [] {
        ShowRecordOf(Folder().Large.Id);
        SettleEvents();
        TForm2& r = App().Form2();
        TForm111 notes;
        TForm222 address;
        TSheetContent c{r.Imie(), r.Nazwisko(), r.Ksywa(), notes.Snapshot(*r.Memo1()),
                        address.Snapshot(*r.Memo2())};
        r.CloseQuietly();
        SettleEvents();
        return c;
    }();
    return content;
}

QImage DecodeFloor(const QByteArray& jpeg) {
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const auto size = static_cast<unsigned long>(jpeg.size());
    tjDecompressHeader3(handle, bytes, size, &width, &height, &subsamp, &colorspace);
    QImage image(width, height, QImage::Format_RGB888);
    tjDecompress2(handle, bytes, size, image.bits(), width, static_cast<int>(image.bytesPerLine()),
                  height, TJPF_RGB, TJFLAG_LIMITSCANS);
    tjDestroy(handle);
    return image;
}

// The sheet's twelve steps on a landscape A4 page at 96 dpi (1123 x 794 pixels), positions in
// tenths of a millimetre as the sheet gives them.
QImage DrawSheetFloor(const TSheetContent& c, const QImage& photo) {
    QImage page(1123, 794, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    const double k = 96.0 / 254.0;
    const auto at = [k](int x, int y) { return QPointF(x * k, y * k); };
    const auto box = [k](int l, int t, int r, int b) {
        return QRectF(l * k, t * k, (r - l) * k, (b - t) * k);
    };
    const auto text = [&](int x, int y, const QString& s) {
        p.drawText(QRectF(at(x, y), QSizeF(2000, 200)), Qt::AlignLeft | Qt::AlignTop, s);
    };
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPointSize(20);
    p.setFont(font);
    p.setPen(QColor(0, 0, 255));
    text(900, 120, QStringLiteral("Zestawienie danych osobowych"));
    font.setPointSize(16);
    p.setFont(font);
    p.setPen(QColor(0, 128, 0));
    text(250, 250, QStringLiteral("Imię: "));
    text(900, 250, QStringLiteral("Nazwisko: "));
    text(1800, 250, QStringLiteral("Ksywa: "));
    p.setPen(Qt::black);
    text(450, 250, c.Imie);
    text(1250, 250, c.Nazwisko);
    text(2100, 250, c.Ksywa.isEmpty() ? QStringLiteral("brak") : c.Ksywa);
    p.drawImage(box(250, 400, 1250, 1900), photo);
    p.setPen(QColor(0, 128, 0));
    text(1590, 400, QStringLiteral("Adnotacje i uwagi:"));
    text(1590, 1100, QStringLiteral("Adres i źródła kontaktu:"));
    p.drawImage(box(1600, 550, 2650, 1050), c.Notes);
    p.drawImage(box(1600, 1250, 2650, 1750), c.Address);
    p.end();
    return page;
}

void BM_RecordSheet_FloorDrawOnly(benchmark::State& state) {
    const TSheetContent& content = SheetContent();
    const QImage photo = DecodeFloor(Folder().Large.Picture);
    for (auto _ : state) {
        const QImage page = DrawSheetFloor(content, photo);
        benchmark::DoNotOptimize(page.constBits());
    }
}

// ---- reporting ---------------------------------------------------------------------------

class TMedianReporter : public benchmark::ConsoleReporter {
public:
    struct TMedian {
        double Real = 0;
        double Cpu = 0;
    };
    std::map<std::string, TMedian> Medians;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            TMedian m{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            // A child's CPU time is its own, in seconds; shown in the benchmark's unit.
            if (const auto it = run.counters.find("cpu"); it != run.counters.end())
                m.Cpu = it->second.value * 1e3;
            Medians[run.run_name.function_name] = m;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatio(const TMedianReporter& r, const char* title, const std::string& goal,
                const std::string& floor, double target) {
    const auto g = r.Medians.find(goal);
    const auto f = r.Medians.find(floor);
    if (g == r.Medians.end() || f == r.Medians.end() || f->second.Real <= 0 || f->second.Cpu <= 0)
        return;
    const double real = g->second.Real / f->second.Real;
    const double cpu = g->second.Cpu / f->second.Cpu;
    std::printf("  %-44s %8.1f / %8.1f ms  real %5.2f  CPU %5.2f  (goal %.1f)%s\n", title,
                g->second.Real, f->second.Real, real, cpu, target,
                std::min(real, cpu) > target ? "  OVER" : "");
}

void Register(const char* name, void (*fn)(benchmark::State&), int iterations,
              bool manualTime = false) {
    benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(name, fn);
    b->Unit(benchmark::kMillisecond)
        ->Iterations(iterations)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->MeasureProcessCPUTime();
    if (manualTime)
        b->UseManualTime();
    else
        b->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    if (!InitInterleaved(argc, argv))
        return 1;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitApplication(app);
    try {
        std::printf("album of %d records, copied to a program folder of its own...\n", kRecords);
        std::fflush(stdout);
        SetProgramFolderOverride(Folder().Folder);
        (void)BenchDialogs();
        std::printf("large photo: record %lld, %lld bytes; small photo: record %lld\n",
                    static_cast<long long>(Folder().Large.Id),
                    static_cast<long long>(Folder().Large.Picture.size()),
                    static_cast<long long>(Folder().Small.Id));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    Register("StartProcess/Movra", BM_StartProcess_Movra, 2, true);
    Register("StartProcess/Floor", BM_StartProcess_Floor, 2, true);
    Register("StartInProcess/Movra", BM_StartInProcess_Movra, 2);
    Register("StartInProcess/Floor", BM_StartInProcess_Floor, 2);
    Register("ShowRecord/Movra", BM_ShowRecord_Movra, 3);
    Register("ShowRecord/BareDecode", BM_ShowRecord_BareDecode, 3);
    Register("SaveRecord/Movra", BM_SaveRecord_Movra, 3);
    Register("SaveRecord/Floor", BM_SaveRecord_Floor, 3);
    Register("SaveRecord/FloorQt", BM_SaveRecord_FloorQt, 3);
    Register("RecordSheet/Movra", BM_RecordSheet_Movra, 3);
    Register("RecordSheet/FloorDrawOnly", BM_RecordSheet_FloorDrawOnly, 3);

    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nRatios of medians (real time; CPU time, of the child processes for start-up);"
                " OVER: both above the goal\n");
    PrintRatio(reporter, "1. start-up, whole processes", "StartProcess/Movra", "StartProcess/Floor",
               1.3);
    PrintRatio(reporter, "1. start-up, in one process", "StartInProcess/Movra",
               "StartInProcess/Floor", 1.3);
    PrintRatio(reporter, "2. record with a 4000 x 3000 photo", "ShowRecord/Movra",
               "ShowRecord/BareDecode", 1.2);
    PrintRatio(reporter, "3. save and reload", "SaveRecord/Movra", "SaveRecord/Floor", 1.5);
    PrintRatio(reporter, "3. save and reload (floor with QStrings)", "SaveRecord/Movra",
               "SaveRecord/FloorQt", 1.5);
    PrintRatio(reporter, "4. record sheet", "RecordSheet/Movra", "RecordSheet/FloorDrawOnly", 2.0);
    g_app.reset();
    return 0;
}
