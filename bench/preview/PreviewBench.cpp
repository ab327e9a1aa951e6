// The print preview, each goal beside its floor:
// - recording a 100-page document (landscape A4 in tenths of a millimetre, a record-sheet-like
//   page of text, boxes and lines) and showing every page in turn in a fitted preview, against
//   drawing the same pages straight onto images of the shown paper's size (goal: at most 2x);
// - one zoom step of a shown page (from fitted to 200% and back, repainting the window), against
//   one frame of 16 ms (goal: under 1);
// - the memory of 100 and 1,000 recorded pages kept in a temporary file, against the same pages
//   kept in memory (goal: flat).

#include "platform/canvas/PainterCanvas.h"
#include "preview/PrintPreview.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>

#include "bench/support/MedianReporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace movra;

namespace {

constexpr int Pages = 100;
constexpr int Repetitions = 5;
const QSize Window(1000, 700);

// One page as a report would draw it: a title, a table of 40 rows with frames, a photo box.
void DrawPage(TCanvas& c, int pageNo) {
    c.Font.Name = QStringLiteral("Arial");
    c.Font.Style = fsBold;
    c.Font.SetSize(20);
    c.Font.Color = clBlue;
    c.Brush.Style = TBrushStyle::Solid;
    c.Brush.Color = clWhite;
    c.TextOut(900, 120, QStringLiteral("Zestawienie danych osobowych, strona %1").arg(pageNo));
    c.Font.SetSize(9);
    c.Font.Style = 0;
    c.Font.Color = clBlack;
    c.Pen.Color = clGray;
    c.Pen.Width = 2;
    for (int row = 0; row < 40; ++row) {
        const int y = 300 + row * 42;
        c.MoveTo(1300, y);
        c.LineTo(2800, y);
        c.TextOut(1310, y + 5, QStringLiteral("%1. Żaneta Wiśniewska-Dąbrowska").arg(row + 1));
        c.TextOut(2100, y + 5, QStringLiteral("ul. Źródlana %1, Zielona Góra").arg(row * 7));
    }
    c.Brush.Color = RGBColor(0, 128, 0);
    c.FillRect(TRect(250, 400, 1250, 1900));
    c.Brush.Style = TBrushStyle::Clear;
    c.Pen.Color = clBlack;
    c.Pen.Width = 5;
    c.Rectangle(200, 250, 2850, 2000);
}

void Record(TPrintPreview& pp, int pages) {
    pp.BeginDoc();
    for (int i = 1; i <= pages; ++i) {
        if (i > 1)
            pp.NewPage();
        DrawPage(pp.Canvas(), i);
    }
    pp.EndDoc();
}

void SetUpSheet(TPrintPreview& pp) {
    pp.SetUnits(mmLoMetric);
    pp.SetOrientation(poLandscape);
    pp.resize(Window);
    pp.show();
}

QSize ShownPaperSize() {
    static const QSize size = [] {
        TPrintPreview pp;
        SetUpSheet(pp);
        Record(pp, 1);
        const TRect r = pp.PaperViewControl()->GetPageRect();
        return QSize(r.Width(), r.Height());
    }();
    return size;
}

void BM_RecordAndShow(benchmark::State& state) {
    TPrintPreview pp;
    SetUpSheet(pp);
    for (auto _ : state) {
        Record(pp, Pages);
        TPaperPreview* view = pp.PaperViewControl();
        QImage screen(view->size(), QImage::Format_RGB32);
        for (int page = 1; page <= Pages; ++page) {
            pp.SetCurrentPage(page);
            view->render(&screen);
        }
        benchmark::DoNotOptimize(screen.constBits());
    }
}

// The two halves of the goal on their own, to see where the time goes.
void BM_RecordOnly(benchmark::State& state) {
    TPrintPreview pp;
    SetUpSheet(pp);
    for (auto _ : state)
        Record(pp, Pages);
}

void BM_ShowOnly(benchmark::State& state) {
    TPrintPreview pp;
    SetUpSheet(pp);
    Record(pp, Pages);
    TPaperPreview* view = pp.PaperViewControl();
    QImage screen(view->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        for (int page = 1; page <= Pages; ++page) {
            pp.SetCurrentPage(page == pp.CurrentPage() ? (page % Pages) + 1 : page);
            view->render(&screen);
        }
        benchmark::DoNotOptimize(screen.constBits());
    }
}

void BM_DrawDirectFloor(benchmark::State& state) {
    TPrintPreview mapping; // for the same canvas mapping as the recorded pages
    mapping.SetUnits(mmLoMetric);
    mapping.SetOrientation(poLandscape);
    const QSize paper = ShownPaperSize();
    for (auto _ : state) {
        for (int page = 1; page <= Pages; ++page) {
            QImage img(paper, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            TPainterCanvas c(&p);
            c.Font = mapping.Font();
            // The shown paper's pixels per inch: the whole sheet lands on the image.
            const int w = mapping.PaperWidth();
            const int h = mapping.PaperHeight();
            c.SetMapping(QSize(w, h), paper, QPoint(0, 0));
            c.Font.PixelsPerInch = 254;
            DrawPage(c, page);
            benchmark::DoNotOptimize(img.constBits());
        }
    }
}

std::vector<double> g_zoomSteps; // milliseconds of each step

void BM_ZoomStep(benchmark::State& state) {
    TPrintPreview pp;
    SetUpSheet(pp);
    Record(pp, 1);
    QImage screen(pp.size(), QImage::Format_RGB32);
    pp.render(&screen);
    const int fitted = pp.Zoom();
    std::vector<int> zooms;
    for (int z = fitted; z <= 200; z += pp.ZoomStep())
        zooms.push_back(z);
    for (int z = 200; z >= fitted; z -= pp.ZoomStep())
        zooms.push_back(z);
    std::size_t next = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        pp.SetZoom(zooms[next]);
        pp.render(&screen);
        g_zoomSteps.push_back(t.nsecsElapsed() / 1e6);
        next = (next + 1) % zooms.size();
    }
    state.counters["fitted_zoom"] = fitted;
}

void BM_OneFrameFloor(benchmark::State& state) {
    for (auto _ : state)
        state.SetIterationTime(0.016);
}

#define MOVRA_BENCH(fn)                                                                            \
    BENCHMARK(fn)                                                                                  \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->Repetitions(Repetitions)                                                                 \
        ->ReportAggregatesOnly(true)

MOVRA_BENCH(BM_RecordAndShow);
MOVRA_BENCH(BM_DrawDirectFloor);
MOVRA_BENCH(BM_RecordOnly);
MOVRA_BENCH(BM_ShowOnly);
MOVRA_BENCH(BM_ZoomStep)->Iterations(60);
MOVRA_BENCH(BM_OneFrameFloor)->UseManualTime()->Iterations(1);

using movra::bench::TMedianReporter;

// Resident and peak memory of the process, in kB.
std::pair<long, long> Memory() {
    QFile f(QStringLiteral("/proc/self/status"));
    long rss = -1;
    long hwm = -1;
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').first().toLong();
            else if (line.startsWith("VmHWM:"))
                hwm = line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return {rss, hwm};
}

// Records 1,000 pages and reports the memory after 100 and after 1,000 of them.
void MeasureMemory(bool tempFile) {
    TPrintPreview pp;
    SetUpSheet(pp);
    pp.SetUseTempFile(tempFile);
    const auto start = Memory();
    pp.BeginDoc();
    for (int i = 1; i <= 1000; ++i) {
        if (i > 1)
            pp.NewPage();
        DrawPage(pp.Canvas(), i);
        if (i == 101 || i == 1000) {
            const auto now = Memory();
            std::printf("%-12s after %4d pages: VmRSS %7ld kB (+%6ld), VmHWM %7ld kB (+%6ld), "
                        "stream %6.1f MB\n",
                        tempFile ? "temp file" : "memory", i == 101 ? 100 : 1000, now.first,
                        now.first - start.first, now.second, now.second - start.second,
                        pp.PageStore().StreamSize() / 1048576.0);
        }
    }
    pp.EndDoc();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // Memory first, while the process's peak is still its own.
    MeasureMemory(true);
    MeasureMemory(false);

    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto g = reporter.Medians.find("BM_RecordAndShow");
    const auto f = reporter.Medians.find("BM_DrawDirectFloor");
    if (g != reporter.Medians.end() && f != reporter.Medians.end() && f->second > 0)
        std::printf("BM_RecordAndShow / BM_DrawDirectFloor = %.3f real, %.3f CPU (goal: at most "
                    "2.00)\n",
                    g->second / f->second,
                    reporter.CpuMedians["BM_RecordAndShow"] /
                        std::max(1e-9, reporter.CpuMedians["BM_DrawDirectFloor"]));
    if (!g_zoomSteps.empty()) {
        std::vector<double> steps = g_zoomSteps;
        std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
        const double median = steps[steps.size() / 2];
        std::printf("BM_ZoomStep median %.2f ms / one frame 16 ms = %.3f (goal: under 1.00)\n",
                    median, median / 16.0);
    }
    return 0;
}
