#pragma once

#include <QtCore/QString>

#include <memory>

class QPainter;
class QPrinter;

namespace movra {

// One print job on a printer: the painter that draws its pages, from Begin to End. The print
// system on this platform cannot withdraw a job once it has started; Abort asks it to, and when
// it refuses the job stays running so that its owner ends it with what was printed so far.
class TPrinterJob {
public:
    explicit TPrinterJob(QPrinter& printer);
    ~TPrinterJob(); // ends a job still running
    TPrinterJob(const TPrinterJob&) = delete;
    TPrinterJob& operator=(const TPrinterJob&) = delete;

    // Names the job and starts it. Throws EMovraError when the printer cannot start it.
    void Begin(const QString& title);
    // Starts the next page; false when the printer refused.
    bool NewPage();
    // Ends the job (the printer prints it) and clears its name.
    void End();
    // Withdraws the job if the print system can; true when it did.
    bool Abort();

    [[nodiscard]] bool Running() const;
    [[nodiscard]] bool Aborted() const { return m_aborted; }
    [[nodiscard]] QPainter& Painter() { return *m_painter; }
    [[nodiscard]] QPrinter& Printer() { return m_printer; }

private:
    QPrinter& m_printer;
    std::unique_ptr<QPainter> m_painter;
    bool m_aborted = false;
};

} // namespace movra
