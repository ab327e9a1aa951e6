// The sortable grid on 100,000 rows x 7 columns of Polish names and notes (Windows-1250 bytes
// decoded through FromCp1250), each goal measured beside its floor:
// - SortByColumn with kind detection against std::stable_sort of the same keys with the same
//   comparison (upper-cased keys, Polish collation keys made once per key, old-index tie-break);
// - FindFirst + FindNext through every match of a phrase against a plain loop over the same texts
//   doing the same comparison;
// - filling a grid from a result-table-like source (each row's Windows-1250 bytes, as the record
//   list is filled) and painting its first screen against a QTableView over a
//   QAbstractTableModel of the same rows.

#include "grid/Fajny.h"
#include "grid/GridText.h"
#include "platform/text/Cp1250.h"

#include <QtCore/QAbstractTableModel>
#include <QtCore/QCollator>
#include <QtGui/QImage>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTableView>

#include "bench/support/MedianReporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using namespace movra;

namespace {

constexpr int Rows = 100000;
constexpr int Cols = 7;
constexpr int Repetitions = 5;
constexpr int SortColumnIndex = 3; // last names
const QSize Screen(1000, 700);

// One record as the database layer hands it over: the bytes of each column.
using SourceRow = std::array<std::string, Cols>;

std::string Bytes(const char* utf8) {
    return ToCp1250OrThrow(QString::fromUtf8(utf8));
}

// Plausible album rows: number, ID, first name, last name, nickname, a note, an address.
const std::vector<SourceRow>& Source() {
    static const std::vector<SourceRow> rows = [] {
        const char* first[] = {"Anna",    "Łukasz", "Małgorzata", "Grzegorz",  "Zofia",
                               "Paweł",   "Żaneta", "Michał",     "Agnieszka", "Ścibor",
                               "Józef",   "Ewa",    "Bożena",     "Wojciech",  "Kinga",
                               "Jędrzej", "Danuta", "Tomasz",     "Halina",    "Przemysław"};
        const char* last[] = {
            "Nowak",       "Kowalski",  "Wiśniewski",  "Wójcik",      "Kowalczyk",  "Kamiński",
            "Lewandowski", "Zieliński", "Szymański",   "Woźniak",     "Dąbrowski",  "Kozłowski",
            "Jankowski",   "Mazur",     "Kwiatkowski", "Krawczyk",    "Piotrowski", "Grabowski",
            "Nowakowski",  "Pawłowski", "Michalski",   "Nowicki",     "Adamczyk",   "Dudek",
            "Zając",       "Wieczorek", "Jabłoński",   "Król",        "Majewski",   "Olszewski",
            "Jaworski",    "Wróbel",    "Malinowski",  "Pawlak",      "Witkowski",  "Walczak",
            "Stępień",     "Górski",    "Rutkowski",   "Michalak",    "Sikora",     "Ostrowski",
            "Baran",       "Duda",      "Szewczyk",    "Tomaszewski", "Pietrzak",   "Marciniak",
            "Wróblewski",  "Zalewski"};
        const char* nick[] = {"Kuba", "Mały",   "Szczupak", "Żaba",  "Łoś", "Bąbel",   "Ćma",
                              "Rudy", "Śpioch", "Grześ",    "Zośka", "Miś", "Dziadek", "Profesor"};
        const char* words[] = {"spotkanie",    "klasowe", "w",      "Gdańsku",   "zawsze",
                               "uśmiechnięty", "grał",    "na",     "gitarze",   "żeglarz",
                               "mieszka",      "teraz",   "we",     "Wrocławiu", "lubi",
                               "góry",         "i",       "psy",    "zdjęcie",   "z",
                               "wycieczki",    "pracuje", "jako",   "lekarz",    "inżynier",
                               "nauczycielka", "ślub",    "dzieci", "dwoje",     "rowerem"};
        const char* streets[] = {"ul. Długa",    "ul. Różana",   "al. Jerozolimskie",
                                 "ul. Źródlana", "ul. Polna",    "ul. Żeromskiego",
                                 "pl. Wolności", "ul. Słoneczna"};
        const char* towns[] = {"Kraków",    "Łódź",  "Poznań",       "Gdańsk",  "Wrocław",
                               "Białystok", "Toruń", "Zielona Góra", "Rzeszów", "Kielce"};
        std::mt19937 rng(2024);
        const auto pick = [&rng](const auto& list) {
            return list[rng() % (sizeof(list) / sizeof(list[0]))];
        };
        std::vector<SourceRow> out;
        out.reserve(Rows);
        for (int i = 0; i < Rows; ++i) {
            SourceRow r;
            r[0] = std::to_string(i + 1);
            r[1] = std::to_string(1000 + i * 3);
            r[2] = Bytes(pick(first));
            r[3] = Bytes(pick(last));
            r[4] = Bytes(pick(nick));
            std::string note;
            const int n = 6 + static_cast<int>(rng() % 12);
            for (int w = 0; w < n; ++w) {
                if (w > 0)
                    note += ' ';
                note += Bytes(pick(words));
            }
            r[5] = note;
            r[6] = Bytes(pick(streets)) + " " + std::to_string(1 + rng() % 120) + ", " +
                   std::to_string(10 + rng() % 89) + "-" + std::to_string(100 + rng() % 899) + " " +
                   Bytes(pick(towns));
            out.push_back(std::move(r));
        }
        return out;
    }();
    return rows;
}

const char* const Titles[Cols] = {"Nr",      "ID",     " Imię ", " Nazwisko ",
                                  " Ksywa ", "Notes ", "Adres "};

// The record list's shape: one fixed title row, the first two columns fixed.
void Shape(TFajny& g) {
    g.SetColCount(Cols);
    g.SetFixedCols(2);
    g.SetRowCount(Rows + 1);
    g.SetFixedRows(1);
    for (int c = 0; c < Cols; ++c)
        g.SetCells(c, 0, QString::fromUtf8(Titles[c]));
}

void Fill(TFajny& g) {
    g.ClearRows();
    Shape(g);
    const auto& src = Source();
    // As the record list is filled: each row's stored bytes handed over whole.
    std::array<std::string_view, Cols> cells;
    for (int r = 0; r < Rows; ++r) {
        const SourceRow& row = src[static_cast<std::size_t>(r)];
        for (int c = 0; c < Cols; ++c)
            cells[static_cast<std::size_t>(c)] = row[static_cast<std::size_t>(c)];
        g.SetRowCp1250(r + 1, cells);
    }
}

// The same texts, decoded once, for the floors.
const std::vector<std::array<QString, Cols>>& Decoded() {
    static const std::vector<std::array<QString, Cols>> rows = [] {
        std::vector<std::array<QString, Cols>> out(Rows);
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < Cols; ++c)
                out[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                    FromCp1250(Source()[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
        return out;
    }();
    return rows;
}

TFajny& SharedGrid() {
    static TFajny* grid = [] {
        auto* g = new TFajny;
        Fill(*g);
        return g;
    }();
    return *grid;
}

// ---- sorting ---------------------------------------------------------------------------------

void BM_SortByColumn(benchmark::State& state) {
    TFajny& g = SharedGrid();
    for (auto _ : state) {
        state.PauseTiming();
        // Back to the order of the source before each sort.
        g.RestoreUnsortedOrder();
        state.ResumeTiming();
        g.SortByColumn(SortColumnIndex, {});
    }
    g.RestoreUnsortedOrder();
}

void BM_StableSortFloor(benchmark::State& state) {
    const auto& rows = Decoded();
    // The locale's collator, as a program without an order of its own would sort.
    QCollator collator{QLocale(QLocale::Polish, QLocale::Poland)};
    for (auto _ : state) {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(Rows);
        for (const auto& row : rows)
            keys.push_back(collator.sortKey(row[SortColumnIndex].toUpper()));
        std::vector<int> order(Rows);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const int c =
                keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]);
            return c != 0 ? c < 0 : a < b;
        });
        benchmark::DoNotOptimize(order.data());
    }
}

// ---- search ----------------------------------------------------------------------------------

const QString Phrase = QStringLiteral("ski");

void BM_FindAll(benchmark::State& state) {
    TFajny& g = SharedGrid();
    g.SetSearchSubstring(true);
    g.SetKeyType(soString);
    int matches = 0;
    for (auto _ : state) {
        matches = 0;
        int c = 0;
        int r = 0;
        for (bool ok = g.FindFirst(Phrase, true, c, r); ok; ok = g.FindNext(c, r))
            ++matches;
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = matches;
}

void BM_FindAllFloor(benchmark::State& state) {
    const auto& rows = Decoded();
    int matches = 0;
    for (auto _ : state) {
        matches = 0;
        // Qt's own search without regard to case (every letter folded), on texts already decoded.
        for (const auto& row : rows)
            for (int c = 2; c < Cols; ++c)
                matches +=
                    row[static_cast<std::size_t>(c)].contains(Phrase, Qt::CaseInsensitive) ? 1 : 0;
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = matches;
}

// ---- filling and painting --------------------------------------------------------------------

void BM_FillAndPaintGrid(benchmark::State& state) {
    for (auto _ : state) {
        TFajny g;
        g.resize(Screen);
        Fill(g);
        QImage img(Screen, QImage::Format_RGB32);
        g.render(&img);
        benchmark::DoNotOptimize(img.bits());
    }
}

class TRowsModel : public QAbstractTableModel {
public:
    explicit TRowsModel(std::vector<std::array<QString, Cols>> rows) : m_rows(std::move(rows)) {}
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : Cols;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_rows[static_cast<std::size_t>(index.row())]
                     [static_cast<std::size_t>(index.column())];
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        if (o == Qt::Horizontal)
            return QString::fromUtf8(Titles[section]);
        return section + 1;
    }

private:
    std::vector<std::array<QString, Cols>> m_rows;
};

void BM_FillAndPaintTableView(benchmark::State& state) {
    for (auto _ : state) {
        const auto& src = Source();
        std::vector<std::array<QString, Cols>> rows(Rows);
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < Cols; ++c)
                rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                    FromCp1250(src[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
        TRowsModel model(std::move(rows));
        QTableView view;
        view.resize(Screen);
        view.setModel(&model);
        QImage img(Screen, QImage::Format_RGB32);
        view.render(&img);
        benchmark::DoNotOptimize(img.bits());
    }
}

#define MOVRA_BENCH(fn)                                                                            \
    BENCHMARK(fn)                                                                                  \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Repetitions(Repetitions)                                                                 \
        ->ReportAggregatesOnly(true)

MOVRA_BENCH(BM_SortByColumn);
MOVRA_BENCH(BM_StableSortFloor);
MOVRA_BENCH(BM_FindAll);
MOVRA_BENCH(BM_FindAllFloor);
MOVRA_BENCH(BM_FillAndPaintGrid);
MOVRA_BENCH(BM_FillAndPaintTableView);

using movra::bench::TMedianReporter;

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("Grid: %d rows x %d columns of Windows-1250 names and notes\n", Rows, Cols);
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const struct {
        const char* goal;
        const char* floor;
        double limit;
    } ratios[] = {{"BM_SortByColumn", "BM_StableSortFloor", 2.0},
                  {"BM_FindAll", "BM_FindAllFloor", 1.5},
                  {"BM_FillAndPaintGrid", "BM_FillAndPaintTableView", 1.0}};
    for (const auto& r : ratios) {
        const auto g = reporter.Medians.find(r.goal);
        const auto f = reporter.Medians.find(r.floor);
        if (g == reporter.Medians.end() || f == reporter.Medians.end() || f->second <= 0)
            continue;
        const double cpuFloor = reporter.CpuMedians[r.floor];
        const double cpu = cpuFloor > 0 ? reporter.CpuMedians[r.goal] / cpuFloor : 0.0;
        std::printf("%s / %s = %.3f real, %.3f CPU (goal: at most %.2f)\n", r.goal, r.floor,
                    g->second / f->second, cpu, r.limit);
    }
    return 0;
}
