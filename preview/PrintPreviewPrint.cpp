// The printer side of the preview: printing the stored pages with progress and cancelling, and
// keeping the printer's paper and the preview's in step.
#include "preview/PrintPreview.h"

#include "platform/emf/Metafile.h"
#include "platform/printer/Printer.h"
#include "platform/printer/PrinterJob.h"
#include "preview/Grayscale.h"

#include <QtGui/QPainter>
#include <QtPrintSupport/QPrinter>

namespace movra {

void TPrintPreview::Print() {
    PrintPages(1, PageCount());
}

void TPrintPreview::DoProgress(int PageNo, int Done, int Total) {
    bool abortIt = m_aborted;
    if (!m_aborted && OnPrintProgress)
        OnPrintProgress(this, PageNo, MulDiv(100, Done, Total), abortIt);
    if (!m_aborted && abortIt)
        Abort();
}

void TPrintPreview::FinishPrinting(bool completed) {
    m_aborted = m_aborted || !completed;
    if (m_job) {
        if (!completed && m_job->Running() && !m_job->Aborted())
            m_job->Abort();
        // A print system that cannot withdraw a job gets it ended with the pages printed so far.
        if (m_job->Running())
            m_job->End();
        m_job.reset();
    }
    ActivePrinter().setDocName(QString());
}

void TPrintPreview::PrintPages(int FirstPage, int LastPage) {
    if (m_state != psIdle || !PrinterInstalled() || PageCount() < 1 || LastPage < FirstPage)
        return;
    m_aborted = false;
    m_state = psPrinting;
    bool completed = false;
    // However printing ends, the control is idle again afterwards.
    struct BackToIdle {
        TPrintPreview* self;
        ~BackToIdle() { self->m_state = psIdle; }
    } backToIdle{this};
    try {
        if (OnBeforePrint)
            OnBeforePrint(this);
        if (!m_usePrinterOptions)
            SetPrinterOptions();
        QPrinter& printer = ActivePrinter();
        m_job = std::make_unique<TPrinterJob>(printer);
        m_job->Begin(m_printJobTitle);

        const TPrinterCaps caps = PrinterCaps(printer);
        QRect r;
        if (m_usePrinterOptions)
            r = QRect(QPoint(0, 0), caps.PhysicalPage);
        else
            r = QRect(0, 0,
                      ConvertUnits(m_paperSize.width(), caps.PixelsPerInchX, m_units, mmPixel),
                      ConvertUnits(m_paperSize.height(), caps.PixelsPerInchY, m_units, mmPixel));
        // The page's corner lands on the paper's corner, not on the printable area's.
        r.translate(-caps.PhysicalOffset);
        const TRect printRect = TRect::fromQRect(r);

        const int total = LastPage - FirstPage + 1;
        for (int i = FirstPage; i <= LastPage && !m_aborted; ++i) {
            DoProgress(i, i - FirstPage, total);
            if (!m_aborted) {
                // The next sheet starts only when there is a page for it, so that a job
                // cancelled between pages ends without an empty sheet.
                if (i > FirstPage)
                    m_job->NewPage();
                TMetafile& page = m_pages->Pages(i - 1);
                QPainter& painter = m_job->Painter();
                if (m_grayscale & gsPrint)
                    DrawGrayscale(painter, printRect, page);
                else
                    page.Play(painter, QRectF(r));
            }
            DoProgress(i, i - FirstPage + 1, total);
            if (!m_aborted && i == LastPage)
                completed = true;
        }
    } catch (const EAbort&) {
        FinishPrinting(completed);
        if (OnAfterPrint)
            OnAfterPrint(this);
        return;
    } catch (...) {
        FinishPrinting(completed);
        if (OnAfterPrint)
            OnAfterPrint(this);
        throw;
    }
    FinishPrinting(completed);
    if (OnAfterPrint)
        OnAfterPrint(this);
}

// ---- paper settings ----

void TPrintPreview::SetPrinterOptions() {
    if (!PrinterInstalled())
        return;
    TPrinterPaper paper;
    const QString name = FormName();
    if (!name.isEmpty()) {
        paper.HasFormName = true;
        paper.FormName = name.left(31);
    }
    QSize size;
    if (m_paperType == pCustom) {
        size = ConvertUnits(m_paperSize, ScreenPixelsPerInch(), m_units, mmLoMetric);
        if (m_orientation == poLandscape)
            size.transpose();
        paper.PaperId = PrinterUserPaper;
    } else {
        const TPaperSize& row = PaperSizeOf(m_paperType);
        paper.PaperId = row.Id;
        // The size goes along so that a paper the print system knows by no number still
        // reaches the printer.
        size = ConvertUnits(QSize(row.Width, row.Height), ScreenPixelsPerInch(), row.Units,
                            mmLoMetric);
    }
    paper.HasPaperId = true;
    paper.HasPaperWidth = true;
    paper.PaperWidth = size.width();
    paper.HasPaperLength = true;
    paper.PaperLength = size.height();
    paper.HasOrientation = true;
    paper.Orientation = m_orientation == poLandscape ? PrinterLandscape : PrinterPortrait;
    (void)SetPrinterPaper(ActivePrinter(), paper);
}

void TPrintPreview::GetPrinterOptions() {
    if (!PrinterInstalled())
        return;
    const TPrinterPaper paper = GetPrinterPaper(ActivePrinter());
    if (paper.HasOrientation) {
        if (paper.Orientation == PrinterPortrait)
            SetOrientation(poPortrait);
        else if (paper.Orientation == PrinterLandscape)
            SetOrientation(poLandscape);
    }
    SetPaperType(paper.HasPaperId ? PaperTypeForId(paper.PaperId) : pCustom);
    if (m_paperType == pCustom && paper.HasPaperWidth && paper.HasPaperLength) {
        const int dpi = ScreenPixelsPerInch();
        const int w = ConvertUnits(paper.PaperWidth, dpi, mmLoMetric, m_units);
        const int l = ConvertUnits(paper.PaperLength, dpi, mmLoMetric, m_units);
        if (m_orientation == poPortrait)
            SetPaperSize(w, l);
        else
            SetPaperSize(l, w);
    }
    if (paper.HasFormName)
        m_formName = paper.FormName.left(32);
}

// The print service here keeps no named paper forms: no form ever matches the paper, none can
// be added, and the paper reaches the printer by its number and size instead.
QString TPrintPreview::FormName() {
    if (!m_formName.isEmpty() || !PrinterInstalled())
        return m_formName;
    CreateAutoCustomForm();
    return m_formName;
}

void TPrintPreview::CreateAutoCustomForm() {
    if (!m_autoFormName.isEmpty() && m_autoFormName.compare(m_formName, Qt::CaseInsensitive) == 0)
        DeleteCustomForm(m_autoFormName);
    if (!m_formName.isEmpty())
        return;
    const QSize portrait = PortraitPaperSize();
    const int dpi = ScreenPixelsPerInch();
    const QString name = QStringLiteral("%1mm x %2mm")
                             .arg(ConvertUnits(portrait.width(), dpi, m_units, mmHiMetric) / 100)
                             .arg(ConvertUnits(portrait.height(), dpi, m_units, mmHiMetric) / 100);
    if (AddCustomForm(name, portrait.width(), portrait.height())) {
        m_formName = name;
        m_autoFormName = name;
        if (OnAutoCustomForm)
            OnAutoCustomForm(this, name, 0);
    }
}

bool TPrintPreview::AddCustomForm(const QString&, int, int) {
    return false;
}

bool TPrintPreview::DeleteCustomForm(const QString&) {
    return false;
}

} // namespace movra
