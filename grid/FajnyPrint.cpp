#include "grid/Fajny.h"

#include "grid/GridPrint.h"
#include "grid/GridPrintRecording.h"
#include "grid/StretchBitmap.h"

// The grid's printing operations; the layout itself lives in TGridPrinter, which works on any
// grid it is given.

namespace movra {

void TFajny::DrawPreviewPage(QImage& printImage, TRecordedPage* vectors) {
    TGridPrinter(*this).DrawPreviewPage(printImage, vectors);
}

int TFajny::CountPrintPages() {
    return TGridPrinter(*this).CountPrintPages();
}

void TFajny::PrintPreviewPage(const QImage& printImage, const TRecordedPage* vectors) {
    TGridPrinter(*this).PrintPreviewPage(printImage, vectors);
}

void TFajny::StretchBitmap(const QImage& source, QImage& destination) {
    movra::StretchBitmap(source, destination);
}

} // namespace movra
