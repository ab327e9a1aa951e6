// Prints through a real print queue of the system's print service. Runs only when
// MOVRA_CUPS_QUEUE names the queue (scripts/ci-cups.sh makes one that writes PDF files);
// MOVRA_CUPS_PDF_DIR names the folder the files arrive in (default ~/PDF, cups-pdf's own).
#include "platform/core/Font.h"
#include "platform/printer/Printer.h"
#include "preview/PrintPreview.h"

#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtPrintSupport/QPrinter>
#include <QtPrintSupport/QPrinterInfo>
#include <QtTest/QtTest>

using namespace movra;

class TestPreviewCups : public QObject {
    Q_OBJECT
private slots:
    void printsThreePagesToTheQueue() {
        const QString queue = qEnvironmentVariable("MOVRA_CUPS_QUEUE");
        if (queue.isEmpty())
            QSKIP("MOVRA_CUPS_QUEUE names no print queue");
        QVERIFY2(QPrinterInfo::availablePrinterNames().contains(queue),
                 qPrintable(QStringLiteral("no queue %1 among %2")
                                .arg(queue, QPrinterInfo::availablePrinterNames().join(','))));
        QString outDir = qEnvironmentVariable("MOVRA_CUPS_PDF_DIR");
        if (outDir.isEmpty())
            outDir = QDir::homePath() + QStringLiteral("/PDF");

        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(queue);
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
        TPrinterOverride use(printer);

        TPrintPreview pp;
        pp.SetUnits(mmLoMetric);
        pp.SetOrientation(poLandscape);
        const QString title =
            QStringLiteral("MovraCups%1").arg(QDateTime::currentMSecsSinceEpoch());
        pp.SetPrintJobTitle(title);
        pp.BeginDoc();
        for (int i = 1; i <= 3; ++i) {
            if (i > 1)
                pp.NewPage();
            pp.Canvas().Font.SetSize(30);
            pp.Canvas().TextOut(300, 300, QStringLiteral("Strona %1 z kolejki").arg(i));
        }
        pp.EndDoc();
        QList<int> progress;
        pp.OnPrintProgress = [&](TPrintPreview*, int, int percent, bool&) { progress << percent; };
        pp.Print();
        QCOMPARE(progress, (QList<int>{0, 33, 33, 67, 67, 100}));

        // cups-pdf names the file after the job's title.
        QString pdf;
        QElapsedTimer timer;
        timer.start();
        while (pdf.isEmpty() && timer.elapsed() < 60000) {
            const QStringList found =
                QDir(outDir).entryList({title + QStringLiteral("*.pdf")}, QDir::Files);
            if (!found.isEmpty())
                pdf = QDir(outDir).filePath(found.first());
            else
                QTest::qWait(250);
        }
        QVERIFY2(!pdf.isEmpty(), qPrintable(QStringLiteral("no %1*.pdf in %2").arg(title, outDir)));
        const auto removeFile = qScopeGuard([&] { QFile::remove(pdf); });
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            return;
        // The file may still be being written: wait until pdfinfo reads it whole.
        QString info;
        while (timer.elapsed() < 90000) {
            QProcess p;
            p.start(QStringLiteral("pdfinfo"), {pdf});
            p.waitForFinished(30000);
            info = QString::fromUtf8(p.readAllStandardOutput());
            if (p.exitCode() == 0 && info.contains(QLatin1String("Pages:")))
                break;
            QTest::qWait(250);
        }
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\b"))),
                 qPrintable(info));
        // A4; the print service lays a landscape job on the sheet as the printer would.
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:.*\\(A4\\)"))),
                 qPrintable(info));
        // The text arrives as drawings (the print service's PDF keeps no text layer): each page
        // has something on it.
        const QString png = QDir::temp().filePath(title);
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"),
                                                  QStringLiteral("-png"), pdf, png});
        raster.waitForFinished(30000);
        for (int page = 1; page <= 3; ++page) {
            const QString file = QStringLiteral("%1-%2.png").arg(png).arg(page);
            const QImage img(file);
            QFile::remove(file);
            if (img.isNull())
                QSKIP("pdftoppm (poppler-utils) did not make pictures of the pages");
            int dark = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    dark += qGray(img.pixel(x, y)) < 128 ? 1 : 0;
            QVERIFY2(dark > 10, qPrintable(QStringLiteral("page %1 is blank").arg(page)));
        }
    }
};

QTEST_MAIN(TestPreviewCups)
#include "tst_preview_cups.moc"
