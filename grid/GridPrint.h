#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QSize>
#include <QtGui/QImage>

#include <functional>

class QPrinter;

namespace movra {

class TCanvas;
class TFajny;
class TRecordedPage;

// The printing of a TFajny grid: its rows laid out in pages (a title line with an optional
// logo, the column-title row on every page, a footer with date, time and page label, columns
// that do not fit across the page on further bands of pages), one chosen page drawn into the
// print image, the pages counted, and the print image printed.
//
// The settings are the grid's PrintOptions(); the printer whose printable area makes the page is
// the active printer (the program's current printer unless a TPrinterOverride is in force) or
// the one given with SetPrinter. The object holds no state between calls but the page counter,
// so it may be made for each call.
class TGridPrinter {
public:
    explicit TGridPrinter(TFajny& grid);

    // Another printer for the page size and printing (not owned); nullptr: the active printer.
    void SetPrinter(QPrinter* printer) { m_printer = printer; }
    [[nodiscard]] QPrinter& Printer() const;

    // Whether any printer is there to print on; unset: the system's print queues or a printer
    // override (ActivePrinterInstalled). A host or test may put its own answer here.
    std::function<bool()> PrinterAvailable;
    // The moment the footer's date and time show; unset: now.
    std::function<QDateTime()> Clock;

    // The page of a preview: the printer's printable area in screen pixels. Empty when the
    // printer reports no size.
    [[nodiscard]] QSize PreviewPageSize() const;

    // Lays page PrintOptions().PreviewPage out into printImage, which becomes a picture of the
    // page (24 bits per pixel) filled with the grid's colour; a page number beyond the last page
    // leaves it blank. When vectors is given, the same page is recorded into it as drawing
    // commands, so that printing can be as sharp as the printer. Throws EMovraError "Bitmap
    // image is not valid" when the logo file is no bitmap.
    void DrawPreviewPage(QImage& printImage, TRecordedPage* vectors = nullptr);
    // The same page onto any canvas of PreviewPageSize().
    void DrawPreviewPage(TCanvas& canvas);

    // The number of pages the grid prints on, counted in printer dots.
    [[nodiscard]] int CountPrintPages();
    // Pages passed during the last layout run (after CountPrintPages: the page count).
    [[nodiscard]] int PageCounter() const { return m_pageCounter; }

    // Prints the page last drawn: first the heights of hidden rows are fitted to their texts;
    // without any printer the error box "Drukarka nie jest podłączona!" is shown and nothing
    // else happens; otherwise the job title, copies and orientation come from the options, ToRow
    // becomes the grid's last row, and one page is printed: the vectors when given (recorded
    // with the print image), else the print image, stretched over the printable area.
    void PrintPreviewPage(const QImage& printImage, const TRecordedPage* vectors = nullptr);
    // The same on a given printer, which is taken to be there (a PDF file, for instance).
    void PrintPreviewPage(const QImage& printImage, const TRecordedPage* vectors,
                          QPrinter& printer);

private:
    [[nodiscard]] QDateTime Now() const;
    void RunPreview(TCanvas& canvas, QSize page);

    TFajny& m_grid;
    QPrinter* m_printer = nullptr;
    int m_pageCounter = 0;
};

} // namespace movra
