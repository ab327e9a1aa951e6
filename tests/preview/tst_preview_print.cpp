#include "PreviewTestPages.h"

#include "platform/core/CurrentPrinter.h"
#include "platform/core/Font.h"
#include "platform/printer/Printer.h"
#include "preview/PrintPreview.h"

#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtGui/QPageSize>
#include <QtPrintSupport/QPrinter>
#include <QtTest/QtTest>

using namespace movra;

namespace {

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& pdf) {
    const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
    static const QRegularExpression re(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto m = re.match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QSizeF PdfPageSize(const QString& pdf) {
    const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
    static const QRegularExpression re(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    const auto m = re.match(info);
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// Records `pages` landscape A4 pages in tenths of a millimetre, each with its number in text.
void RecordDocument(TPrintPreview& pp, int pages) {
    pp.SetUnits(mmLoMetric);
    pp.SetOrientation(poLandscape);
    pp.BeginDoc();
    for (int i = 1; i <= pages; ++i) {
        if (i > 1)
            pp.NewPage();
        TCanvas& c = pp.Canvas();
        c.Font.SetSize(24);
        c.TextOut(200, 200, QStringLiteral("Strona numer %1 zażółć").arg(i));
        c.Brush.Color = RGBColor(255, 0, 0);
        c.FillRect(TRect(200, 600, 1200, 1600));
    }
    pp.EndDoc();
}

} // namespace

class TestPreviewPrint : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<TPrinterOverride> m_override;
    QString m_pdf;

private slots:
    void init() {
        m_pdf = m_dir.filePath(QStringLiteral("%1.pdf").arg(QTest::currentTestFunction()));
        QFile::remove(m_pdf);
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(m_pdf);
        m_override = std::make_unique<TPrinterOverride>(*m_printer);
    }
    void cleanup() {
        m_override.reset();
        m_printer.reset();
    }

    void nothingToPrint() {
        TPrintPreview pp;
        int events = 0;
        pp.OnBeforePrint = [&](TPrintPreview*) { ++events; };
        pp.OnAfterPrint = [&](TPrintPreview*) { ++events; };
        pp.OnPrintProgress = [&](TPrintPreview*, int, int, bool&) { ++events; };
        QVERIFY(pp.PrinterInstalled());
        pp.Print();
        QCOMPARE(events, 0);
        RecordDocument(pp, 2);
        pp.PrintPages(2, 1);
        QCOMPARE(events, 0);
        QVERIFY(!QFile::exists(m_pdf));
        {
            // Without any printer nothing happens either.
            m_override.reset();
            if (!PrinterInstalled()) {
                QVERIFY(!pp.PrinterInstalled());
                pp.Print();
                QCOMPARE(events, 0);
            }
        }
    }

    void threePagesWithProgress() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo (poppler-utils) is not installed");
        TPrintPreview pp;
        RecordDocument(pp, 3);
        pp.SetPrintJobTitle(QStringLiteral("Zestawienie"));
        QList<int> progress;
        QList<int> pageNumbers;
        QStringList events;
        pp.OnBeforePrint = [&](TPrintPreview* s) {
            QCOMPARE(s, &pp);
            QCOMPARE(pp.State(), psPrinting);
            events << "before";
        };
        pp.OnPrintProgress = [&](TPrintPreview*, int page, int percent, bool& abortIt) {
            QVERIFY(!abortIt);
            pageNumbers << page;
            progress << percent;
            QCOMPARE(m_printer->docName(), QStringLiteral("Zestawienie"));
        };
        pp.OnAfterPrint = [&](TPrintPreview*) { events << "after"; };
        pp.Print();
        QCOMPARE(progress, (QList<int>{0, 33, 33, 67, 67, 100}));
        QCOMPARE(pageNumbers, (QList<int>{1, 1, 2, 2, 3, 3}));
        QCOMPARE(events, (QStringList{"before", "after"}));
        QCOMPARE(pp.State(), psIdle);
        QVERIFY(m_printer->docName().isEmpty());
        QCOMPARE(PdfPages(m_pdf), 3);
        const QSizeF size = PdfPageSize(m_pdf);
        QVERIFY2(std::abs(size.width() - 841.89) < 1 && std::abs(size.height() - 595.28) < 1,
                 qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            const QString text = Run(QStringLiteral("pdftotext"), {m_pdf, QStringLiteral("-")});
            QVERIFY2(text.contains(QStringLiteral("Strona numer 1 zażółć")), qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("Strona numer 3")));
            QVERIFY(text.indexOf(QStringLiteral("numer 1")) <
                    text.indexOf(QStringLiteral("numer 2")));
        }
        // The printer keeps the paper the preview gave it.
        QCOMPARE(m_printer->pageLayout().orientation(), QPageLayout::Landscape);
        QCOMPARE(m_printer->pageLayout().pageSize().id(), QPageSize::A4);
    }

    void abortFromProgress() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo (poppler-utils) is not installed");
        TPrintPreview pp;
        RecordDocument(pp, 3);
        QStringList events;
        pp.OnPrintProgress = [&](TPrintPreview*, int page, int percent, bool& abortIt) {
            events << QStringLiteral("progress %1 %2").arg(page).arg(percent);
            if (page == 2)
                abortIt = true;
        };
        pp.OnAbort = [&](TPrintPreview*) { events << "abort"; };
        pp.OnAfterPrint = [&](TPrintPreview*) { events << "after"; };
        pp.Print();
        QCOMPARE(events,
                 (QStringList{"progress 1 0", "progress 1 33", "progress 2 33", "abort", "after"}));
        QCOMPARE(pp.State(), psIdle);
        // This print system cannot withdraw a started job: what it got is page 1 alone.
        QCOMPARE(PdfPages(m_pdf), 1);
        // The control prints again afterwards.
        QFile::remove(m_pdf);
        pp.OnPrintProgress = nullptr;
        pp.PrintPages(2, 3);
        QCOMPARE(PdfPages(m_pdf), 2);
    }

    void errorsEndTheJob() {
        TPrintPreview pp;
        RecordDocument(pp, 2);
        int after = 0;
        pp.OnAfterPrint = [&](TPrintPreview*) { ++after; };
        // A page number beyond the pages: the error passes after the job has ended.
        QVERIFY_THROWS_EXCEPTION(EMovraError, pp.PrintPages(1, 5));
        QCOMPARE(after, 1);
        QCOMPARE(pp.State(), psIdle);
        // A silent abort ends printing quietly.
        pp.OnPrintProgress = [&](TPrintPreview*, int page, int, bool&) {
            if (page == 2)
                throw EAbort();
        };
        pp.Print();
        QCOMPARE(after, 2);
        QCOMPARE(pp.State(), psIdle);
        // A printer that cannot start a job: a message, and the control is idle.
        pp.OnPrintProgress = nullptr;
        m_printer->setOutputFileName(QStringLiteral("/nonexistent-folder/x/y.pdf"));
        QVERIFY_THROWS_EXCEPTION(EMovraError, pp.Print());
        QCOMPARE(after, 3);
        QCOMPARE(pp.State(), psIdle);
    }

    void paperReachesThePrinter() {
        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        pp.SetOrientation(poLandscape);
        pp.SetPrinterOptions();
        QCOMPARE(m_printer->pageLayout().orientation(), QPageLayout::Landscape);
        QCOMPARE(m_printer->pageLayout().pageSize().windowsId(), 9);
        QCOMPARE(GetPrinterPaper(*m_printer).PaperId, 9);
        // No named forms here: no form name, none added.
        int formEvents = 0;
        pp.OnAutoCustomForm = [&](TPrintPreview*, const QString&, int) { ++formEvents; };
        QVERIFY(pp.FormName().isEmpty());
        QVERIFY(!pp.AddCustomForm(QStringLiteral("100mm x 150mm"), 1000, 1500));
        QVERIFY(!pp.DeleteCustomForm(QStringLiteral("A4")));
        // A size of its own goes over in millimetres, portrait.
        pp.SetOrientation(poPortrait);
        pp.SetPaperSize(1000, 1500);
        QCOMPARE(pp.PaperType(), pCustom);
        pp.SetPrinterOptions();
        const QSizeF mm = m_printer->pageLayout().pageSize().size(QPageSize::Millimeter);
        QVERIFY(std::abs(mm.width() - 100) < 0.1 && std::abs(mm.height() - 150) < 0.1);
        QCOMPARE(m_printer->pageLayout().orientation(), QPageLayout::Portrait);
        QCOMPARE(formEvents, 0);
        // Letter by its number.
        pp.SetPaperType(pLetter);
        pp.SetPrinterOptions();
        QCOMPARE(m_printer->pageLayout().pageSize().id(), QPageSize::Letter);
    }

    void paperFromThePrinter() {
        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        pp.SetUsePrinterOptions(true);
        // A paper the table does not know comes over as a size of its own.
        m_printer->setPageSize(
            QPageSize(QSizeF(123, 187), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        m_printer->setPageOrientation(QPageLayout::Landscape);
        pp.BeginDoc();
        pp.EndDoc();
        QCOMPARE(pp.Orientation(), poLandscape);
        QCOMPARE(pp.PaperType(), pCustom);
        QCOMPARE(QSize(pp.PaperWidth(), pp.PaperHeight()), QSize(1870, 1230));
        // A known paper by its number.
        m_printer->setPageSize(QPageSize(QPageSize::A5));
        m_printer->setPageOrientation(QPageLayout::Portrait);
        pp.GetPrinterOptions();
        QCOMPARE(pp.PaperType(), pA5);
        QCOMPARE(pp.Orientation(), poPortrait);
        QCOMPARE(QSize(pp.PaperWidth(), pp.PaperHeight()), QSize(1480, 2100));
    }

    void orientationStaysWithTheSharedPrinter() {
        TPrintPreview first;
        first.SetOrientation(poLandscape);
        first.SetPrinterOptions();
        TPrintPreview second;
        second.GetPrinterOptions();
        QCOMPARE(second.Orientation(), poLandscape);
        QCOMPARE(&ActivePrinter(), m_printer.get());
    }

    void directPrinting() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo (poppler-utils) is not installed");
        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        pp.SetDirectPrint(true);
        QList<int> counts;
        pp.OnNewPage = [&](TPrintPreview*) { counts << pp.PageCount(); };
        pp.BeginDoc();
        QCOMPARE(pp.State(), psPrinting);
        QCOMPARE(pp.Canvas().PixelsPerInchX(), m_printer->logicalDpiX());
        pp.Canvas().Font.SetSize(20);
        pp.Canvas().TextOut(200, 200, QStringLiteral("Pierwsza"));
        pp.NewPage();
        pp.Canvas().TextOut(200, 200, QStringLiteral("Druga"));
        pp.EndDoc();
        QCOMPARE(counts, (QList<int>{0, 1}));
        QCOMPARE(pp.State(), psIdle);
        QCOMPARE(pp.PageCount(), 0); // nothing was recorded
        QCOMPARE(PdfPages(m_pdf), 2);
        const QSizeF size = PdfPageSize(m_pdf);
        QVERIFY(std::abs(size.width() - 595.28) < 1 && std::abs(size.height() - 841.89) < 1);
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            const QString text = Run(QStringLiteral("pdftotext"), {m_pdf, QStringLiteral("-")});
            QVERIFY(text.contains(QStringLiteral("Pierwsza")));
            QVERIFY(text.contains(QStringLiteral("Druga")));
        }
    }

    // A printer whose printable area starts inside the sheet: the page still sits on the
    // sheet's corner, so the red block stands 20 mm from the left and 60 mm from the top edge.
    void thePageSitsOnTheSheetsCorner() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        m_printer->setPageMargins(QMarginsF(15, 25, 10, 10), QPageLayout::Millimeter);
        TPrintPreview pp;
        RecordDocument(pp, 1);
        pp.Print();
        QVERIFY(!PrinterCaps(*m_printer).PhysicalOffset.isNull());
        const QString base = m_dir.filePath(QStringLiteral("corner"));
        Run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"), m_pdf, base});
        const QImage page(base + QStringLiteral("-1.png"));
        QVERIFY(!page.isNull());
        QRect red;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                    red |= QRect(x, y, 1, 1);
            }
        const double mm = 50 / 25.4; // pixels per millimetre
        QVERIFY2(std::abs(red.left() - 20 * mm) <= 2, qPrintable(QString::number(red.left())));
        QVERIFY2(std::abs(red.top() - 60 * mm) <= 2, qPrintable(QString::number(red.top())));
        QVERIFY2(std::abs(red.width() - 100 * mm) <= 3, qPrintable(QString::number(red.width())));
    }

    void grayscalePrinting() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        TPrintPreview pp;
        RecordDocument(pp, 1);
        pp.SetGrayscale(gsPrint);
        pp.Print();
        const QString base = m_dir.filePath(QStringLiteral("gray"));
        Run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"), m_pdf, base});
        QImage page(base + QStringLiteral("-1.png"));
        QVERIFY(!page.isNull());
        // The red block (20..120 mm across, 60..160 mm down) printed in gray: 76.
        const QColor c = page.pixelColor(page.width() * 70 / 297, page.height() * 110 / 210);
        QVERIFY2(c.red() == c.green() && c.green() == c.blue(), qPrintable(c.name()));
        QVERIFY2(std::abs(c.red() - 76) <= 3, qPrintable(c.name()));
    }
};

QTEST_MAIN(TestPreviewPrint)
#include "tst_preview_print.moc"
