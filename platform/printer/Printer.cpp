#include "platform/printer/Printer.h"

#include "platform/core/CurrentPrinter.h"

#include <QtGui/QPageLayout>
#include <QtGui/QPageSize>
#include <QtPrintSupport/QPrinter>
#include <QtPrintSupport/QPrinterInfo>

#include <cmath>
#include <cstdlib>
#include <optional>

namespace movra {

namespace {
QPrinter* g_override = nullptr;

int TenthsOfMm(qreal mm) {
    return static_cast<int>(std::lround(mm * 10.0));
}
} // namespace

QPrinter& ActivePrinter() {
    return g_override ? *g_override : CurrentPrinter();
}

bool ActivePrinterInstalled() {
    return g_override != nullptr || PrinterInstalled();
}

QStringList PrintQueueNames() {
    return QPrinterInfo::availablePrinterNames();
}

TPrinterOverride::TPrinterOverride(QPrinter& printer) : m_previous(g_override) {
    g_override = &printer;
}

TPrinterOverride::~TPrinterOverride() {
    g_override = m_previous;
}

TPrinterCaps PrinterCaps(const QPrinter& printer) {
    TPrinterCaps caps;
    caps.PixelsPerInchX = printer.logicalDpiX();
    caps.PixelsPerInchY = printer.logicalDpiY();
    const QPageLayout layout = printer.pageLayout();
    const int res = printer.resolution();
    const QRect full = layout.fullRectPixels(res);
    const QRect paint = layout.paintRectPixels(res);
    caps.PhysicalPage = full.size();
    // With a full-page printer the origin is the sheet's corner and there is no offset.
    if (!printer.fullPage())
        caps.PhysicalOffset = paint.topLeft() - full.topLeft();
    return caps;
}

TPrinterPaper GetPrinterPaper(const QPrinter& printer) {
    TPrinterPaper paper;
    const QPageLayout layout = printer.pageLayout();
    paper.HasOrientation = true;
    paper.Orientation =
        layout.orientation() == QPageLayout::Landscape ? PrinterLandscape : PrinterPortrait;
    const QPageSize size = layout.pageSize();
    paper.HasPaperId = true;
    paper.PaperId = size.isValid() ? size.windowsId() : PrinterUserPaper;
    if (paper.PaperId <= 0)
        paper.PaperId = PrinterUserPaper;
    const QSizeF mm = size.size(QPageSize::Millimeter);
    paper.HasPaperWidth = true;
    paper.PaperWidth = TenthsOfMm(mm.width());
    paper.HasPaperLength = true;
    paper.PaperLength = TenthsOfMm(mm.height());
    return paper;
}

namespace {

// The size for a paper id, if the print system knows it and it agrees with the given size
// (sizes within half a millimetre: the print system rounds inches to its own units).
std::optional<QPageSize> KnownSize(const TPrinterPaper& paper) {
    if (!paper.HasPaperId || paper.PaperId == PrinterUserPaper)
        return std::nullopt;
    const QPageSize::PageSizeId id = QPageSize::id(paper.PaperId);
    if (id == QPageSize::Custom)
        return std::nullopt;
    QPageSize known(id);
    if (paper.HasPaperWidth && paper.HasPaperLength) {
        const QSizeF mm = known.size(QPageSize::Millimeter);
        if (std::abs(TenthsOfMm(mm.width()) - paper.PaperWidth) > 5 ||
            std::abs(TenthsOfMm(mm.height()) - paper.PaperLength) > 5)
            return std::nullopt;
    }
    return known;
}

} // namespace

bool SetPrinterPaper(QPrinter& printer, const TPrinterPaper& paper) {
    if (printer.printerState() == QPrinter::Active)
        return false;
    bool ok = true;
    if (std::optional<QPageSize> known = KnownSize(paper)) {
        ok = printer.setPageSize(*known) && ok;
    } else if (paper.HasPaperWidth && paper.HasPaperLength && paper.PaperWidth > 0 &&
               paper.PaperLength > 0) {
        const QSizeF mm(paper.PaperWidth / 10.0, paper.PaperLength / 10.0);
        ok = printer.setPageSize(
                 QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch)) &&
             ok;
    }
    if (paper.HasOrientation &&
        (paper.Orientation == PrinterPortrait || paper.Orientation == PrinterLandscape)) {
        ok = printer.setPageOrientation(paper.Orientation == PrinterLandscape
                                            ? QPageLayout::Landscape
                                            : QPageLayout::Portrait) &&
             ok;
    }
    return ok;
}

} // namespace movra
