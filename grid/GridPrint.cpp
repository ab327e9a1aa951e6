#include "grid/GridPrint.h"

#include "grid/Fajny.h"
#include "grid/GridPrintLayout.h"
#include "grid/GridPrintRecording.h"
#include "platform/canvas/PainterCanvas.h"
#include "platform/core/Dialogs.h"
#include "platform/printer/Printer.h"
#include "platform/printer/PrinterJob.h"

#include <QtGui/QPainter>
#include <QtPrintSupport/QPrinter>

#include <algorithm>

namespace movra {

namespace {

// Hands every drawing call to two canvases, so that one layout run paints the preview picture
// and records the same page for the printer. Measurements come from the first.
class TTeeCanvas final : public TCanvas {
public:
    TTeeCanvas(TCanvas& first, TCanvas& second) : m_a(first), m_b(second) {}

    void FillRect(const TRect& r) override {
        Both([&](TCanvas& c) { c.FillRect(r); });
    }
    void FrameRect(const TRect& r) override {
        Both([&](TCanvas& c) { c.FrameRect(r); });
    }
    void Rectangle(const TRect& r) override {
        Both([&](TCanvas& c) { c.Rectangle(r); });
    }
    void MoveTo(int x, int y) override {
        Both([&](TCanvas& c) { c.MoveTo(x, y); });
    }
    void LineTo(int x, int y) override {
        Both([&](TCanvas& c) { c.LineTo(x, y); });
    }
    [[nodiscard]] QPoint PenPos() const override { return m_a.PenPos(); }
    void TextOut(int x, int y, const QString& text) override {
        Both([&](TCanvas& c) { c.TextOut(x, y, text); });
    }
    void TextRect(const TRect& r, int x, int y, const QString& text) override {
        Both([&](TCanvas& c) { c.TextRect(r, x, y, text); });
    }
    int DrawText(TRect& r, const QString& text, unsigned flags) override {
        TRect second = r;
        Sync(m_b);
        m_b.DrawText(second, text, flags);
        Sync(m_a);
        return m_a.DrawText(r, text, flags);
    }
    [[nodiscard]] QSize TextExtent(const QString& text) override {
        Sync(m_a);
        return m_a.TextExtent(text);
    }
    void Draw(int x, int y, const QImage& img) override {
        Both([&](TCanvas& c) { c.Draw(x, y, img); });
    }
    void DrawTransparent(int x, int y, const QImage& img, TColor transparent) override {
        Both([&](TCanvas& c) { c.DrawTransparent(x, y, img, transparent); });
    }
    void StretchDraw(const TRect& r, const QImage& img) override {
        Both([&](TCanvas& c) { c.StretchDraw(r, img); });
    }
    void SetClipRect(const TRect& r) override {
        Both([&](TCanvas& c) { c.SetClipRect(r); });
    }
    void ResetClip() override {
        Both([](TCanvas& c) { c.ResetClip(); });
    }
    void SetMapping(QSize windowExt, QSize viewportExt, QPoint viewportOrigin) override {
        Both([&](TCanvas& c) { c.SetMapping(windowExt, viewportExt, viewportOrigin); });
    }
    void ResetMapping() override {
        Both([](TCanvas& c) { c.ResetMapping(); });
    }
    [[nodiscard]] int PixelsPerInchX() const override { return m_a.PixelsPerInchX(); }
    [[nodiscard]] int PixelsPerInchY() const override { return m_a.PixelsPerInchY(); }

private:
    void Sync(TCanvas& c) const {
        c.Font = Font;
        c.Brush = Brush;
        c.Pen = Pen;
    }
    template <class Fn> void Both(Fn fn) {
        Sync(m_a);
        fn(m_a);
        Sync(m_b);
        fn(m_b);
    }

    TCanvas& m_a;
    TCanvas& m_b;
};

} // namespace

TGridPrinter::TGridPrinter(TFajny& grid) : m_grid(grid) {}

QPrinter& TGridPrinter::Printer() const {
    return m_printer != nullptr ? *m_printer : ActivePrinter();
}

QDateTime TGridPrinter::Now() const {
    return Clock ? Clock() : QDateTime::currentDateTime();
}

QSize TGridPrinter::PreviewPageSize() const {
    const QPrinter& printer = Printer();
    const int dpiX = printer.logicalDpiX();
    const int dpiY = printer.logicalDpiY();
    if (dpiX <= 0 || dpiY <= 0 || printer.width() <= 0 || printer.height() <= 0)
        return {};
    const int screen = ScreenPixelsPerInch();
    return {MulDiv(printer.width(), screen, dpiX), MulDiv(printer.height(), screen, dpiY)};
}

void TGridPrinter::RunPreview(TCanvas& canvas, QSize page) {
    TGridLayoutSetup setup;
    setup.Mode = TGridLayoutMode::Preview;
    setup.Page = page;
    setup.DrawnPage =
        static_cast<int>(std::min<std::uint32_t>(m_grid.PrintOptions().PreviewPage, INT32_MAX));
    setup.Now = Now();
    setup.Canvas = &canvas;
    m_pageCounter = 0;
    m_pageCounter = RunGridLayout(m_grid, setup);
}

void TGridPrinter::DrawPreviewPage(QImage& printImage, TRecordedPage* vectors) {
    if (vectors != nullptr)
        vectors->Clear();
    const QSize page = PreviewPageSize();
    if (page.isEmpty()) {
        printImage = QImage();
        m_pageCounter = 0;
        return;
    }
    printImage = QImage(page, QImage::Format_RGB888);
    printImage.fill(ToQColor(m_grid.Color()));
    QPainter painter(&printImage);
    TPainterCanvas canvas(&painter);
    if (vectors == nullptr) {
        RunPreview(canvas, page);
        return;
    }
    TTeeCanvas both(canvas, *vectors);
    try {
        RunPreview(both, page);
    } catch (...) {
        vectors->Clear();
        throw;
    }
}

void TGridPrinter::DrawPreviewPage(TCanvas& canvas) {
    RunPreview(canvas, PreviewPageSize());
}

int TGridPrinter::CountPrintPages() {
    const QPrinter& printer = Printer();
    TGridLayoutSetup setup;
    setup.Mode = TGridLayoutMode::Count;
    setup.Page = QSize(printer.width(), printer.height());
    setup.PrinterDpiX = printer.logicalDpiX();
    setup.PrinterDpiY = printer.logicalDpiY();
    setup.ScreenPpiX = ScreenPixelsPerInch();
    setup.ScreenPpiY = ScreenPixelsPerInch();
    setup.Now = Now();
    m_pageCounter = 0;
    m_pageCounter = RunGridLayout(m_grid, setup);
    return m_pageCounter;
}

void TGridPrinter::PrintPreviewPage(const QImage& printImage, const TRecordedPage* vectors) {
    if (m_grid.RowCount() > 0)
        m_grid.FitHiddenRowHeights(0, m_grid.RowCount() - 1);
    const bool available = PrinterAvailable       ? PrinterAvailable()
                           : m_printer != nullptr ? true
                                                  : ActivePrinterInstalled();
    if (!available) {
        ShowError(&m_grid, QStringLiteral("Drukarka nie jest podłączona!"));
        return;
    }
    PrintPreviewPage(printImage, vectors, Printer());
}

void TGridPrinter::PrintPreviewPage(const QImage& printImage, const TRecordedPage* vectors,
                                    QPrinter& printer) {
    TPrintOptions& options = m_grid.PrintOptions();
    printer.setCopyCount(static_cast<int>(std::clamp<std::uint32_t>(options.Copies, 1, 999)));
    printer.setPageOrientation(options.Orientation == poLandscape ? QPageLayout::Landscape
                                                                  : QPageLayout::Portrait);
    options.ToRow = static_cast<std::uint32_t>(std::max(0, m_grid.RowCount() - 1));

    TPrinterJob job(printer);
    job.Begin(options.JobTitle);
    QPainter& painter = job.Painter();
    const QRect area(0, 0, printer.width(), printer.height());
    if (!printImage.isNull() && !area.isEmpty()) {
        if (vectors != nullptr && !vectors->IsEmpty()) {
            // The recorded page, stretched like the picture would be, but drawn at the
            // printer's own resolution.
            TPainterCanvas canvas(&painter);
            canvas.SetMapping(printImage.size(), area.size(), QPoint(0, 0));
            vectors->Play(canvas);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.drawImage(area, printImage);
        }
    }
    job.End();
}

} // namespace movra
