// The record list after this program's own save, add and delete, at 100,000 and 1,000,000
// records (no photos). Each command runs through the main window as the user starts it, until
// the list's view has been painted again; beside it, plain sqlite3 runs the statements the
// command writes with (the floor: what no program can skip). What the command takes beyond its
// floor is the list's update: the goal is under 20 ms at 100,000 and under 50 ms at 1,000,000
// (a full reading of the list, as before, took 135-150 ms and 1.2 s).
//
// Run it on a real X server: xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/bench_listupdate
// (--sizes=100000,1000000 by default; the albums are made once in the cache folder).

#include "album/MovraApp.h"
#include "album/Unit1.h"
#include "bench/app/BenchDialogs.h"
#include "bench/app/PaintWatch.h"
#include "bench/data/AlbumGenerator.h"
#include "grid/Fajny.h"
#include "platform/core/ProgramFolder.h"
#include "record/Unit2.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace movra;
using namespace movra::bench;

namespace {

constexpr int kRepetitions = 7;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Runs command and waits until the list's view has painted; milliseconds.
double TimedUntilPainted(TForm1& f, const std::function<void()>& command) {
    QWidget* view = f.Grid()->viewport();
    TPaintWatch watch(view);
    QElapsedTimer t;
    t.start();
    command();
    while (watch.Paints() == 0 && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

struct TRawDb {
    sqlite3* Db = nullptr;
    explicit TRawDb(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &Db, SQLITE_OPEN_READWRITE,
                            nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open the album");
        Exec("PRAGMA SYNCHRONOUS=NORMAL;");
    }
    ~TRawDb() { sqlite3_close_v2(Db); }
    TRawDb(const TRawDb&) = delete;
    TRawDb& operator=(const TRawDb&) = delete;
    void Exec(const std::string& sql) const {
        if (sqlite3_exec(Db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(Db));
    }
};

int RowOfId(const TFajny& g, qint64 id) {
    const QString text = QString::number(id);
    for (int r = g.FixedRows(); r < g.RowCount(); ++r)
        if (g.Cells(1, r) == text)
            return r;
    throw std::runtime_error("the record added is not in the list");
}

double TimedMs(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// The statements a save writes with: the texts, the picture, in one transaction.
void FloorSave(const TRawDb& db, long long id, const std::string& name) {
    db.Exec("BEGIN IMMEDIATE");
    db.Exec("SELECT * FROM album WHERE ID=" + std::to_string(id));
    db.Exec("UPDATE album SET Imie='Jan', Nazwisko='" + name +
            "', Ksywa='x', Notes='', Adres='' WHERE ID=" + std::to_string(id));
    db.Exec("UPDATE album SET Picture=x'FFD8FFD9' WHERE ID=" + std::to_string(id));
    db.Exec("COMMIT");
}

struct TFigures {
    std::vector<double> Save, Add, Delete, FloorSave, FloorAdd, FloorDelete;
};

void Measure(int records, TFigures& out) {
    const QString album = CachedAlbum(TAlbumShape{records, 100, false});
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("album.db3"));
    if (!QFile::copy(album, copy))
        throw std::runtime_error("cannot copy the album");
    QFile ini(folder.filePath(QStringLiteral("movra.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write movra.ini");
    ini.write("[Form1]\nLeft=100\nTop=100\nWidth=700\nHeight=500\n[Plik]\nNazwa=album.db3\n"
              "Sort=3\n");
    ini.close();
    // The floor writes into a copy of its own: its commits would be another program's changes
    // to the program's album, which the program answers by reading the whole list again.
    const QString floorCopy = folder.filePath(QStringLiteral("floor.db3"));
    if (!QFile::copy(album, floorCopy))
        throw std::runtime_error("cannot copy the album");
    SetProgramFolderOverride(folder.path() + QLatin1Char('/'));
    TBenchDialogs dialogs;
    auto app = std::make_unique<TMovraApp>();
    TForm1& f = app->Form1();
    f.show();
    // A long list arrives after its first screen: the commands are timed on the whole list.
    while (!f.RecordListComplete())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Settle();
    TFajny& g = *f.Grid();
    if (f.RecordCount() != QString::number(records))
        throw std::runtime_error("the list is not whole");
    const TRawDb floor(floorCopy);
    // Names from the start and the end of the alphabet, so that each save moves its record far.
    const char* const names[] = {"Aaron", "Żurawski"};
    for (int i = 0; i < kRepetitions; ++i) {
        // Save: the record in the middle of the list gets a last name that moves it.
        g.FocusCell(2, records / 2);
        f.G1Click();
        f.PokazRekordu1Click();
        Settle();
        app->Form2().Edit2()->setText(QString::fromUtf8(names[i % 2]));
        app->Form2().SetChanged(true);
        dialogs.Clear();
        out.Save.push_back(TimedUntilPainted(f, [&] { f.Zmiana1Click(); }));
        Settle();
        // Add: a copy of a shown record under another last name.
        g.FocusCell(2, records / 3);
        f.G1Click();
        f.PokazRekordu1Click();
        Settle();
        app->Form2().Edit2()->setText(QStringLiteral("Nowicka"));
        out.Add.push_back(TimedUntilPainted(f, [&] { f.AddRecord(); }));
        Settle();
        // Delete: the record just added (the window closed, its row selected).
        g.FocusCell(2, RowOfId(g, f.CurrentId()));
        f.G1Click();
        out.Delete.push_back(TimedUntilPainted(f, [&] { f.Zniszcz1Click(); }));
        Settle();
        if (!dialogs.Errors().isEmpty())
            throw std::runtime_error(dialogs.Errors().join(u'|').toStdString());

        const long long id = 1 + records / 2;
        out.FloorSave.push_back(TimedMs([&] { FloorSave(floor, id, names[i % 2]); }));
        out.FloorAdd.push_back(TimedMs([&] {
            floor.Exec("BEGIN IMMEDIATE");
            floor.Exec("INSERT INTO album(Imie,Nazwisko,Ksywa,Notes,Adres) VALUES "
                       "('Jan','Nowicka','x','','')");
            floor.Exec("UPDATE album SET Picture=x'FFD8FFD9' WHERE ID=last_insert_rowid()");
            floor.Exec("COMMIT");
        }));
        const long long added = sqlite3_last_insert_rowid(floor.Db);
        out.FloorDelete.push_back(
            TimedMs([&] { floor.Exec("DELETE FROM album WHERE ID=" + std::to_string(added)); }));
    }
    if (f.RecordCount() != QString::number(records))
        throw std::runtime_error("the list lost or gained records");
    app.reset();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes{100000, 1000000};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--sizes=", 8) == 0) {
            sizes.clear();
            for (const QString& s : QString::fromUtf8(argv[i] + 8).split(u','))
                sizes.push_back(s.toInt());
        }
    }
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        std::printf("(no DISPLAY: the goals are about a real X server; run under xvfb-run)\n");
    std::printf("The list after a save, an add and a delete: the command until the list is "
                "painted, its statements in plain sqlite3, and the difference (medians of %d)\n",
                kRepetitions);
    for (const int n : sizes) {
        TFigures fig;
        try {
            Measure(n, fig);
        } catch (const std::exception& e) {
            std::printf("  %d: %s\n", n, e.what());
            continue;
        }
        const double goal = n >= 1000000 ? 50 : 20;
        const auto line = [&](const char* what, const std::vector<double>& movra,
                              const std::vector<double>& floor) {
            const double m = Median(movra);
            const double fl = Median(floor);
            std::printf("  %-8d %-7s %8.1f ms   statements %6.1f ms   list %6.1f ms  (goal under "
                        "%.0f)%s\n",
                        n, what, m, fl, m - fl, goal, m - fl >= goal ? "  OVER" : "");
        };
        line("save", fig.Save, fig.FloorSave);
        line("add", fig.Add, fig.FloorAdd);
        line("delete", fig.Delete, fig.FloorDelete);
    }
    return 0;
}
