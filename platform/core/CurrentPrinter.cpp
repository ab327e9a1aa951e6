#include "platform/core/CurrentPrinter.h"

#include <QtCore/QCoreApplication>
#include <QtPrintSupport/QPrinter>
#include <QtPrintSupport/QPrinterInfo>

namespace movra {

namespace {

QPrinter* g_printer = nullptr;

// Runs while the application object is destroyed: the printer's engine must not outlive the
// platform plugins it talks to.
void destroyPrinter() {
    delete g_printer;
    g_printer = nullptr;
}

} // namespace

QPrinter& CurrentPrinter() {
    if (!g_printer) {
        g_printer = new QPrinter(QPrinter::HighResolution);
        qAddPostRoutine(destroyPrinter);
    }
    return *g_printer;
}

bool PrinterInstalled() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

} // namespace movra
