// The record sheet's first paint, beside its floor (goal: at most 2 times):
// - Movra: a fresh sheet window (TForm3) builds the page of a record with a 4000 x 3000 photo and
//   both memo pictures, is shown, and the clock stops once its paper view has painted the page;
// - floor: the same page (title, names, the photo stretched into its box, both memo pictures)
//   drawn with QPainter at the paper's size on screen, in a window of the sheet's size that is
//   shown and painted (the same visible result); and, as a second floor, onto a QImage alone.
//   Like the program, both start from the photo already decoded (the record window holds it)
//   and the memo pictures already taken; neither calls the program's code.
// Run it on a real X server (xvfb-run), where showing the window is real work; on the offscreen
// platform it still runs. CPU time is the whole process's: Qt scales the floors' photo on its
// worker threads, which the main thread's time alone would leave out.

#include "bench/app/PaintWatch.h"
#include "bench/support/MedianReporter.h"
#include "platform/text/Jpeg.h"
#include "preview/PrintPreview.h"
#include "record/MemoSnapshot.h"
#include "record/RecordWindowHost.h"
#include "record/Unit2.h"
#include "record/Unit3.h"
#include "resources/Resources.h"

#include <QtCore/QBuffer>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace movra;
using namespace movra::bench;

namespace {

class TQuietHost : public IRecordWindowHost {
public:
    void FirstRecord() override {}
    void PreviousRecord() override {}
    void NextRecord() override {}
    void LastRecord() override {}
    void AddRecord() override {}
    void DeleteRecord() override {}
    void SaveRecord() override {}
    void ImportPicture() override {}
    void ImportPictureFile(const QString&) override {}
    void ExportPicture() override {}
    void PrintRecord() override {}
    void SetPictureMenuEnabled(bool) override {}
    void SetRegenerateEnabled(bool) override {}
    [[nodiscard]] TCarriedSettings CarriedSettings() const override {
        return {10, 10, 454, 714, clSilver, clWhite, 0, 0};
    }
    void SetCarriedSettings(const TCarriedSettings&) override {}
};

// A 4000 x 3000 photo with detail everywhere, as a camera gives it.
QByteArray LargeJpeg() {
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb((x * 7 + y) % 256, (y * 3) % 256, ((x ^ y) * 5) % 256);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

struct TSetup {
    TQuietHost Host;
    std::unique_ptr<TForm2> Record;
    TMemoSnapshot NotesMemo;
    TMemoSnapshot AddressMemo;
    QImage Notes;
    QImage Address;
    QSize ShownPaper;

    TSetup() {
        Record = std::make_unique<TForm2>(&Host);
        Record->SetImie(QStringLiteral("Żaneta"));
        Record->SetNazwisko(QStringLiteral("Wiśniewska-Dąbrowska"));
        Record->SetKsywa(QStringLiteral("Źrebię"));
        Record->SetNotes(QStringLiteral("Pierwsza linia uwag\r\nDruga linia uwag\r\nTrzecia"));
        Record->SetAdres(QStringLiteral("ul. Źródlana 5\r\n65-001 Zielona Góra"));
        Record->SetPhoto(TJpegPhoto::FromJpeg(LargeJpeg()));
        TForm111 notes;
        TForm222 address;
        NotesMemo = notes.Take(*Record->Memo1());
        AddressMemo = address.Take(*Record->Memo2());
        Notes = NotesMemo.Picture;
        Address = AddressMemo.Picture;
    }
};

TSetup& Setup() {
    static TSetup setup;
    return setup;
}

// A fresh sheet window, shown until its page has been painted; nothing when it was not.
std::unique_ptr<TForm3> ShowSheet(QSize* shownPaper = nullptr) {
    TSetup& s = Setup();
    auto sheet = std::make_unique<TForm3>();
    sheet->SetMemos(s.NotesMemo, s.AddressMemo);
    sheet->BuildSheet(*s.Record);
    TPaintWatch watch(sheet->PP1()->PaperViewControl());
    sheet->show();
    if (!WaitForPaint(watch))
        return nullptr;
    if (shownPaper != nullptr) {
        const TRect r = sheet->PP1()->PaperViewControl()->GetPageRect();
        *shownPaper = QSize(r.Width(), r.Height());
    }
    return sheet;
}

void BM_RecordSheet_Movra(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<TForm3> sheet = ShowSheet();
        if (!sheet) {
            state.SkipWithError("the sheet's page was not painted");
            break;
        }
        state.PauseTiming();
        // Closing the window and its leftovers are outside the clock, as for the floor.
        sheet.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

// The sheet's twelve steps with QPainter onto a white paper of the given size at the painter's
// origin, positions in tenths of a millimetre on 2970 x 2100.
void DrawPage(QPainter& p, const TSetup& s, QSize paper) {
    p.save();
    p.fillRect(QRect(QPoint(0, 0), paper), Qt::white);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    p.scale(paper.width() / 2970.0, paper.height() / 2100.0);
    const auto text = [&p](int x, int y, const QString& t) {
        p.drawText(QRectF(x, y, 2970 - x, 400), Qt::AlignLeft | Qt::AlignTop, t);
    };
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    // Points on paper: 1 pt = 254/72 tenths of a millimetre.
    font.setPixelSize(20 * 254 / 72);
    p.setFont(font);
    p.setPen(QColor(0, 0, 255));
    text(900, 120, QStringLiteral("Zestawienie danych osobowych"));
    font.setPixelSize(16 * 254 / 72);
    p.setFont(font);
    p.setPen(QColor(0, 128, 0));
    text(250, 250, QStringLiteral("Imię: "));
    text(900, 250, QStringLiteral("Nazwisko: "));
    text(1800, 250, QStringLiteral("Ksywa: "));
    p.setPen(Qt::black);
    text(450, 250, s.Record->Imie());
    text(1250, 250, s.Record->Nazwisko());
    text(2100, 250, s.Record->Ksywa());
    p.drawImage(QRectF(250, 400, 1000, 1500), s.Record->Photo().Image());
    p.setPen(QColor(0, 128, 0));
    text(1590, 400, QStringLiteral("Adnotacje i uwagi:"));
    text(1590, 1100, QStringLiteral("Adres i źródła kontaktu:"));
    p.drawImage(QRectF(1600, 550, 1050, 500), s.Notes);
    p.drawImage(QRectF(1600, 1250, 1050, 500), s.Address);
    p.restore();
}

// The least a program does to show that page: a window of the sheet's size that paints it,
// centred on a grey ground, straight from the decoded photo.
class TFloorWindow : public QWidget {
public:
    explicit TFloorWindow(const TSetup& s) : m_setup(s) { resize(801, 603); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::darkGray);
        const QSize paper = m_setup.ShownPaper;
        p.translate((width() - paper.width()) / 2, (height() - 41 - paper.height()) / 2);
        DrawPage(p, m_setup, paper);
    }

private:
    const TSetup& m_setup;
};

void BM_RecordSheet_FloorWindow(benchmark::State& state) {
    const TSetup& s = Setup();
    for (auto _ : state) {
        auto window = std::make_unique<TFloorWindow>(s);
        TPaintWatch watch(window.get());
        window->show();
        if (!WaitForPaint(watch)) {
            state.SkipWithError("the floor's window was not painted");
            break;
        }
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_RecordSheet_FloorImage(benchmark::State& state) {
    const TSetup& s = Setup();
    for (auto _ : state) {
        QImage page(s.ShownPaper, QImage::Format_RGB32);
        QPainter p(&page);
        DrawPage(p, s, s.ShownPaper);
        p.end();
        benchmark::DoNotOptimize(page.constBits());
    }
}

} // namespace

BENCHMARK(BM_RecordSheet_Movra)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(10)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RecordSheet_FloorWindow)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(10)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RecordSheet_FloorImage)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(10)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitResources();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // One showing first: fonts and the window system warmed up, and the paper's size on screen.
    if (!ShowSheet(&Setup().ShownPaper)) {
        std::fprintf(stderr, "the sheet's page was not painted\n");
        return 1;
    }
    std::printf("platform %s, paper shown at %d x %d pixels\n",
                qPrintable(QGuiApplication::platformName()), Setup().ShownPaper.width(),
                Setup().ShownPaper.height());

    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ratio = [&](const char* floorName, const char* what) {
        const double movra = reporter.Medians["BM_RecordSheet_Movra"];
        const double floor = reporter.Medians[floorName];
        const double cpuMovra = reporter.CpuMedians["BM_RecordSheet_Movra"];
        const double cpuFloor = reporter.CpuMedians[floorName];
        if (floor > 0 && cpuFloor > 0)
            std::printf("record sheet first paint / %s: %.2f / %.2f ms = %.2f real, %.2f CPU "
                        "(goal: at most 2.00)\n",
                        what, movra, floor, movra / floor, cpuMovra / cpuFloor);
    };
    ratio("BM_RecordSheet_FloorWindow", "a window painting the page");
    ratio("BM_RecordSheet_FloorImage", "the page onto an image");
    // Painting onto an image leaves out what any first paint on screen costs: making, showing
    // and flushing a window. How much that is, the two floors tell.
    const double window = reporter.Medians["BM_RecordSheet_FloorWindow"];
    const double image = reporter.Medians["BM_RecordSheet_FloorImage"];
    if (image > 0)
        std::printf("the window floor itself takes %.2f times the image floor\n", window / image);
    Setup().Record.reset();
    return 0;
}
