#include "platform/printer/PrinterJob.h"

#include "platform/core/ErrorBox.h"

#include <QtGui/QPainter>
#include <QtPrintSupport/QPrinter>

namespace movra {

TPrinterJob::TPrinterJob(QPrinter& printer)
    : m_printer(printer), m_painter(std::make_unique<QPainter>()) {}

TPrinterJob::~TPrinterJob() {
    if (Running())
        m_painter->end();
}

void TPrinterJob::Begin(const QString& title) {
    m_aborted = false;
    m_printer.setDocName(title);
    if (!m_painter->begin(&m_printer)) {
        m_printer.setDocName(QString());
        const QString name = m_printer.outputFileName().isEmpty() ? m_printer.printerName()
                                                                  : m_printer.outputFileName();
        throw EMovraError(
            QStringLiteral("Nie można rozpocząć drukowania na drukarce \"%1\".").arg(name));
    }
}

bool TPrinterJob::NewPage() {
    return Running() && m_printer.newPage();
}

void TPrinterJob::End() {
    if (m_painter->isActive())
        m_painter->end();
    m_printer.setDocName(QString());
}

bool TPrinterJob::Abort() {
    if (!Running() || m_aborted)
        return false;
    if (!m_printer.abort())
        return false;
    m_aborted = true;
    m_painter->end();
    return true;
}

bool TPrinterJob::Running() const {
    return m_painter->isActive() && m_printer.printerState() != QPrinter::Aborted;
}

} // namespace movra
