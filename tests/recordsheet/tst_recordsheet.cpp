// The record sheet window and its page.
#include "platform/emf/Metafile.h"
#include "platform/printer/Printer.h"
#include "preview/PrintPreview.h"
#include "record/MemoSnapshot.h"
#include "record/RecordWindowHost.h"
#include "record/Unit2.h"
#include "record/Unit3.h"
#include "resources/Resources.h"
#include "tests/support/TestDialogs.h"
#include "tests/support/TestFiles.h"

#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAccessible>

#include <QtGui/QPainter>
#include <QtPrintSupport/QPrinter>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>

using namespace movra;
using namespace movra::test;

namespace {

// The record window asks nothing of its host in these tests.
class QuietHost : public IRecordWindowHost {
public:
    void FirstRecord() override {}
    void PreviousRecord() override {}
    void NextRecord() override {}
    void LastRecord() override {}
    void AddRecord() override {}
    void DeleteRecord() override {}
    void SaveRecord() override {}
    void ImportPicture() override {}
    void ExportPicture() override {}
    void ImportPictureFile(const QString&) override {}
    void PrintRecord() override {}
    void SetPictureMenuEnabled(bool) override {}
    void SetRegenerateEnabled(bool) override {}
    [[nodiscard]] TCarriedSettings CarriedSettings() const override {
        return {10, 10, 454, 714, clSilver, clWhite, 0, 0};
    }
    void SetCarriedSettings(const TCarriedSettings&) override {}
};

// The page played back onto a white image of the sheet's size at 96 dots per inch.
QImage renderPage(TMetafile& page, QSize size = QSize(1123, 794)) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    page.Play(p, QRectF(QPointF(0, 0), QSizeF(size)));
    return img;
}

// The share of pixels in a rectangle of the image close to a colour.
double shareOf(const QImage& img, const QRect& r, const QColor& c, int tolerance = 40) {
    int hits = 0;
    int all = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = img.pixelColor(x, y);
            ++all;
            if (std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                    std::abs(p.blue() - c.blue()) <=
                tolerance)
                ++hits;
        }
    return all ? double(hits) / all : 0.0;
}

// The bounds of the pixels within area that are close to a colour.
QRect boundsOf(const QImage& img, const QRect& area, const QColor& c, int tolerance = 60) {
    QRect bounds;
    const QRect r = area & img.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                    std::abs(p.blue() - c.blue()) <=
                tolerance)
                bounds |= QRect(x, y, 1, 1);
        }
    return bounds;
}

} // namespace

class TestRecordSheet : public QObject {
    Q_OBJECT

    QuietHost host;
    std::unique_ptr<TForm2> form2;
    TForm111 notesWindow;
    TForm222 addressWindow;

private slots:
    void initTestCase() { InitResources(); }

    void init() {
        form2 = std::make_unique<TForm2>(&host);
        form2->SetImie(QStringLiteral("Łucja"));
        form2->SetNazwisko(QStringLiteral("Żółkiewska"));
        form2->SetKsywa(QStringLiteral("Lusia"));
        form2->SetNotes(QStringLiteral("Pierwsza linia uwag\r\nDruga linia"));
        form2->SetAdres(QStringLiteral("ul. Długa 5\r\n00-001 Warszawa"));
        form2->SetPhoto(TJpegPhoto::FromJpeg(MakeJpeg(400, 600, QColor(200, 30, 30))));
    }

    void theSheetHoldsOnePageWithThePhoto() {
        TForm3 sheet;
        sheet.SetMemos(notesWindow.Take(*form2->Memo1()), addressWindow.Take(*form2->Memo2()));
        sheet.BuildSheet(*form2);
        TPrintPreview& pp = *sheet.PP1();
        QCOMPARE(pp.PageCount(), 1);
        QCOMPARE(pp.CurrentPage(), 1);
        QCOMPARE(pp.Units(), mmLoMetric);
        QCOMPARE(pp.PaperWidth(), 2970);
        QCOMPARE(pp.PaperHeight(), 2100);
        QCOMPARE(pp.ZoomState(), zsZoomToFit);
        const QImage img = renderPage(*pp.Pages(1));
        // The photo fills 250,400 - 1250,1900 tenths of a millimetre: 95,151 - 472,718 pixels.
        QVERIFY(shareOf(img, QRect(110, 170, 340, 520), QColor(200, 30, 30)) > 0.9);
        // The notes picture sits at 1600,550 - 2650,1050: some dark text on a light ground.
        const QRect notes(606, 209, 395, 188);
        QVERIFY(shareOf(img, notes, QColor(0, 0, 0), 200) > 0.005);
        // Nothing is drawn between the photo and the notes.
        QVERIFY(shareOf(img, QRect(490, 420, 100, 300), QColor(255, 255, 255), 10) > 0.99);
    }

    // A photo keeps its proportions inside the fixed frame, centred there: on the shown page
    // (which carries a decimated copy), in the saved metafile and in the PDF (the whole photo).
    void photosKeepTheirProportions() {
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("poppler-utils is not installed");
        const QColor colour(20, 160, 40);
        for (const QSize photo : {QSize(600, 800), QSize(800, 600)}) {
            form2->SetPhoto(TJpegPhoto::FromJpeg(MakeJpeg(photo.width(), photo.height(), colour)));
            TestDialogsScope dialogs;
            QTemporaryDir dir;
            TForm3 sheet;
            sheet.BuildSheet(*form2);
            dialogs->expectSaveFile(dir.filePath("strona.emf"));
            sheet.btnZapisClick();
            dialogs->expectSaveFile(dir.filePath("strona.pdf"));
            sheet.btnZapisClick();
            TMetafile saved;
            saved.LoadFromFile(dir.filePath("strona.emf"));
            QProcess ppm;
            ppm.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("144"),
                                 QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                 dir.filePath("strona.pdf"), dir.filePath("strona")});
            QVERIFY(ppm.waitForFinished() && ppm.exitCode() == 0);
            const std::pair<const char*, QImage> pages[] = {
                {"shown", renderPage(*sheet.PP1()->Pages(1), QSize(2246, 1588))},
                {"emf", renderPage(saved, QSize(2246, 1588))},
                {"pdf", QImage(dir.filePath("strona.png"))}};
            for (const auto& [what, img] : pages) {
                QVERIFY2(!img.isNull(), what);
                // The frame, 250,400 - 1250,1900 of the 2970 x 2100 sheet, in this image's pixels.
                const double sx = img.width() / 2970.0;
                const double sy = img.height() / 2100.0;
                const QRectF frame(250 * sx, 400 * sy, 1000 * sx, 1500 * sy);
                const QRectF drawn = boundsOf(img, frame.toAlignedRect(), colour);
                // As wide or as high as the frame, the other side in the photo's proportion,
                // centred: every edge within a pixel of that.
                const double scale =
                    std::min(frame.width() / photo.width(), frame.height() / photo.height());
                QRectF fitted(0, 0, photo.width() * scale, photo.height() * scale);
                fitted.moveCenter(frame.center());
                QString where;
                QDebug(&where) << what << photo << "drawn" << drawn << "fitted" << fitted;
                QVERIFY2(std::abs(drawn.left() - fitted.left()) <= 1.0 &&
                             std::abs(drawn.top() - fitted.top()) <= 1.0 &&
                             std::abs(drawn.right() - fitted.right()) <= 1.0 &&
                             std::abs(drawn.bottom() - fitted.bottom()) <= 1.0,
                         qPrintable(where));
            }
        }
    }

    // A screen reader finds the page by its number and reads what it shows, the notes' and the
    // address's pictures included, each after its heading.
    void aScreenReaderReadsTheSheet() {
        TForm3 sheet;
        sheet.SetMemos(notesWindow.Take(*form2->Memo1()), addressWindow.Take(*form2->Memo2()));
        sheet.BuildSheet(*form2);
        QAccessibleInterface* page =
            QAccessible::queryAccessibleInterface(sheet.PP1()->PaperViewControl());
        QVERIFY(page != nullptr);
        QCOMPARE(page->text(QAccessible::Name), QStringLiteral("Strona 1 z 1"));
        const QString text = page->text(QAccessible::Description);
        qsizetype at = 0;
        for (const char* w :
             {"Zestawienie danych osobowych", "Imię: Łucja", "Nazwisko: Żółkiewska", "Ksywa: Lusia",
              "Adnotacje i uwagi:", "Pierwsza linia uwag", "Druga linia",
              "Adres i źródła kontaktu:", "ul. Długa 5", "00-001 Warszawa"}) {
            const qsizetype next = text.indexOf(QString::fromUtf8(w), at);
            QVERIFY2(
                next >= at,
                qPrintable(QStringLiteral("%1 in order in: %2").arg(QString::fromUtf8(w), text)));
            at = next;
        }
    }

    void withoutAPhotoTheHeadingsAreSmaller() {
        TForm3 with;
        with.BuildSheet(*form2);
        form2->SetPhoto(TJpegPhoto());
        form2->SetKsywa(QString());
        TForm3 without;
        without.BuildSheet(*form2);
        const QImage a = renderPage(*with.PP1()->Pages(1));
        const QImage b = renderPage(*without.PP1()->Pages(1));
        // No photo box at all.
        QVERIFY(shareOf(b, QRect(110, 170, 340, 520), QColor(255, 255, 255), 10) > 0.99);
        // The heading "Adnotacje i uwagi:" at 1590,400 (601,151 px): green, and lower at 10 points
        // than at 16.
        auto greenRows = [](const QImage& img) {
            int rows = 0;
            for (int y = 140; y < 200; ++y) {
                bool any = false;
                for (int x = 600; x < 900 && !any; ++x) {
                    const QColor c = img.pixelColor(x, y);
                    any = c.green() > 80 && c.red() < 80 && c.blue() < 80;
                }
                rows += any ? 1 : 0;
            }
            return rows;
        };
        QVERIFY(greenRows(a) > 0);
        QVERIFY(greenRows(b) > 0);
        QVERIFY(greenRows(b) < greenRows(a));
    }

    // An empty nickname is printed as "brak" after its label.
    void anEmptyNicknamePrintsBrak() {
        const auto utf16 = [](const QString& t) {
            return QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2);
        };
        TForm3 sheet;
        sheet.BuildSheet(*form2);
        QVERIFY(!sheet.PP1()->Pages(1)->Bytes().contains(utf16(QStringLiteral("brak"))));
        form2->SetKsywa(QString());
        sheet.BuildSheet(*form2);
        QVERIFY(sheet.PP1()->Pages(1)->Bytes().contains(utf16(QStringLiteral("brak"))));
    }

    void theZoomList() {
        TForm3 sheet;
        sheet.BuildSheet(*form2);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        TPrintPreview& pp = *sheet.PP1();
        QCOMPARE(sheet.ZoomList()->count(), 9);
        QCOMPARE(sheet.ZoomList()->currentText(), QStringLiteral("40%"));
        sheet.ZoomListClick(8);
        QCOMPARE(pp.Zoom(), 20);
        QCOMPARE(pp.ZoomState(), zsZoomOther);
        sheet.ZoomListClick(0);
        QCOMPARE(pp.Zoom(), 200);

        QLineEdit* edit = sheet.ZoomList()->lineEdit();
        edit->setText(QStringLiteral("700"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(pp.Zoom(), 500);
        edit->setText(QStringLiteral("abc"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(pp.Zoom(), 500);
        QCOMPARE(sheet.ZoomList()->count(), 9); // Enter never adds an item
    }

    // Only a choice changes the zoom: the focus passing through the list or a popup closed
    // without a choice leaves the fitted page alone; a number typed as "200" or as "200%"
    // applies on Enter; an item chosen in the popup applies.
    void theZoomListChangesOnlyOnAChoice() {
        TForm3 sheet;
        sheet.BuildSheet(*form2);
        sheet.show();
        sheet.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        TPrintPreview& pp = *sheet.PP1();
        QComboBox* list = sheet.ZoomList();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Tab);
        QVERIFY(!list->hasFocus());
        QCOMPARE(pp.ZoomState(), zsZoomToFit);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_F4);
        QTRY_VERIFY(list->view()->isVisible());
        QTest::keyClick(list->view(), Qt::Key_F4);
        QTRY_VERIFY(!list->view()->isVisible());
        sheet.CloseButton()->setFocus();
        QCOMPARE(pp.ZoomState(), zsZoomToFit);

        list->setFocus();
        list->lineEdit()->clear();
        QTest::keyClicks(list, "200");
        QCOMPARE(list->currentText(), QStringLiteral("200"));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(pp.Zoom(), 200);
        list->lineEdit()->setText(QStringLiteral("150%"));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(pp.Zoom(), 150);

        list->showPopup();
        QTRY_VERIFY(list->view()->isVisible());
        list->view()->setCurrentIndex(list->model()->index(8, 0));
        QTest::keyClick(list->view(), Qt::Key_Return);
        QCOMPARE(pp.Zoom(), 20);
    }

    // Keys typed by a user reach the focused zoom list itself, which hands them on to its text
    // field; Enter must still apply the typed number.
    void enterTypedIntoTheFocusedZoomList() {
        TForm3 sheet;
        sheet.BuildSheet(*form2);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        TPrintPreview& pp = *sheet.PP1();
        QComboBox* list = sheet.ZoomList();
        list->lineEdit()->setText(QStringLiteral("120"));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(pp.Zoom(), 120);
        list->lineEdit()->setText(QStringLiteral("abc"));
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(pp.Zoom(), 120);
        QCOMPARE(list->count(), 9);
        QCOMPARE(list->currentText(), QStringLiteral("abc"));
    }

    void savingThePage() {
        TestDialogsScope dialogs;
        QTemporaryDir dir;
        TForm3 sheet;
        sheet.BuildSheet(*form2);
        dialogs->expectSaveFile(dir.filePath("strona"));
        sheet.btnZapisClick();
        const ShownDialog& d = dialogs->last();
        QCOMPARE(d.file.FileName, QStringLiteral("foto.emf"));
        QCOMPARE(d.file.DefaultExt, QStringLiteral("emf"));
        QCOMPARE(d.file.Filter,
                 QStringLiteral("Pliki WindowsMetaFile (*.emf)|*.emf|Dokument PDF (*.pdf)|*.pdf|"
                                "Dowolne pliki   (*.*)|*.*"));
        QFile saved(dir.filePath("strona.emf"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), sheet.PP1()->Pages(1)->Bytes());
        TMetafile back;
        back.LoadFromFile(dir.filePath("strona.emf"));
        QCOMPARE(back.Bytes(), sheet.PP1()->Pages(1)->Bytes());
    }

    // A PDF document of the sheet's size whose texts are text, not pictures of letters: the
    // notes too, each line where the notes' picture has it; its title is the person's name.
    void savingThePageAsPdf() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
        const QString pdfimages = QStandardPaths::findExecutable(QStringLiteral("pdfimages"));
        if (pdftotext.isEmpty() || pdfinfo.isEmpty() || pdfimages.isEmpty())
            QSKIP("poppler-utils is not installed");
        TestDialogsScope dialogs;
        QTemporaryDir dir;
        TForm3 sheet;
        sheet.SetMemos(notesWindow.Take(*form2->Memo1()), addressWindow.Take(*form2->Memo2()));
        sheet.BuildSheet(*form2);
        const QString path = dir.filePath("Arkusz.PDF");
        dialogs->expectSaveFile(path);
        sheet.btnZapisClick();
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.read(5) == "%PDF-");

        QProcess info;
        info.start(pdfinfo, {path});
        QVERIFY(info.waitForFinished());
        const QString meta = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                 qPrintable(meta));
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Page size:\\s+842 x 595 pts"))),
                 qPrintable(meta));
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Title:\\s+Łucja Żółkiewska\\n"))),
                 qPrintable(meta));
        QProcess text;
        text.start(pdftotext, {path, QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* w :
             {"Zestawienie danych osobowych", "Imię:", "Łucja", "Nazwisko:", "Żółkiewska", "Ksywa:",
              "Lusia", "Adnotacje i uwagi:", "Adres i źródła kontaktu:", "Pierwsza linia uwag",
              "Druga linia", "ul. Długa 5", "00-001 Warszawa"})
            QVERIFY2(words.contains(QString::fromUtf8(w)), w);
        // The notes lie in their boxes (1600,550 - 2650,1050 and 1600,1250 - 2650,1750 of the
        // 2970 x 2100 sheet), in points.
        QProcess boxes;
        boxes.start(pdftotext, {QStringLiteral("-bbox"), path, QStringLiteral("-")});
        QVERIFY(boxes.waitForFinished());
        const QString html = QString::fromUtf8(boxes.readAllStandardOutput());
        const auto inBox = [&html](const QString& word, double top, double bottom) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                                                  "xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">") +
                                   QRegularExpression::escape(word) + QLatin1Char('<'))
                    .match(html);
            const double k = 842.0 / 2970;
            return m.hasMatch() && m.captured(1).toDouble() >= 1600 * k &&
                   m.captured(3).toDouble() <= 2650 * k && m.captured(2).toDouble() >= top * k &&
                   m.captured(4).toDouble() <= bottom * k;
        };
        QVERIFY2(inBox(QStringLiteral("Pierwsza"), 550, 1050), qPrintable(html));
        QVERIFY2(inBox(QStringLiteral("Druga"), 550, 1050), qPrintable(html));
        QVERIFY2(inBox(QStringLiteral("Długa"), 1250, 1750), qPrintable(html));
        QVERIFY2(inBox(QStringLiteral("Warszawa"), 1250, 1750), qPrintable(html));
        // The photo is the document's one picture: the notes are not pictures of text.
        QProcess images;
        images.start(pdfimages, {QStringLiteral("-list"), path});
        QVERIFY(images.waitForFinished());
        const QStringList listed =
            QString::fromUtf8(images.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(listed.size(), 2 + 1); // two heading lines, then one line a picture

        // A folder that is not there: an error, and nothing is made.
        dialogs->expectSaveFile(dir.filePath("brak/strona.pdf"));
        QVERIFY_THROWS_EXCEPTION(EMetafileError, sheet.btnZapisClick());
        QVERIFY(!QFileInfo::exists(dir.filePath("brak")));
    }

    void savingKeepsTheWholePhotoOfACamera() {
        TestDialogsScope dialogs;
        QTemporaryDir dir;
        form2->SetPhoto(TJpegPhoto::FromJpeg(MakeJpeg(3000, 2000, QColor(30, 30, 200))));
        TForm3 sheet;
        sheet.BuildSheet(*form2);
        // The shown page needs no more of the photo than the screen can show...
        const qint64 shown = sheet.PP1()->Pages(1)->Bytes().size();
        dialogs->expectSaveFile(dir.filePath("strona.emf"));
        sheet.btnZapisClick();
        // ...the saved page has it at 300 dpi of its place, 100 x 66.7 mm of the 100 x 150 mm
        // frame, 24 bits a pixel.
        QFile saved(dir.filePath("strona.emf"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY2(saved.size() > 1181 * 787 * 3,
                 qPrintable(QString("%1 bytes saved, %2 shown").arg(saved.size()).arg(shown)));
        QVERIFY(shown < saved.size() / 2);
        TMetafile back;
        back.LoadFromFile(dir.filePath("strona.emf"));
        QVERIFY(shareOf(renderPage(back), QRect(110, 320, 340, 230), QColor(30, 30, 200)) > 0.9);
        // Closer than the natural size, the shown page gets the whole photo as well.
        sheet.PP1()->SetZoom(150);
        QCOMPARE(sheet.PP1()->Pages(1)->Bytes().size(), back.Bytes().size());
    }

    void printingReachesAPdf() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
        if (pdftotext.isEmpty() || pdfinfo.isEmpty())
            QSKIP("poppler-utils is not installed");
        QTemporaryDir dir;
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setOutputFileName(dir.filePath("arkusz.pdf"));
        TPrinterOverride use(pdf);
        TForm3 sheet;
        sheet.BuildSheet(*form2);
        sheet.btnPrintClick();
        QVERIFY(QFileInfo(dir.filePath("arkusz.pdf")).size() > 0);
        QProcess info;
        info.start(pdfinfo, {dir.filePath("arkusz.pdf")});
        QVERIFY(info.waitForFinished());
        const QString meta = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                 qPrintable(meta));
        QVERIFY2(meta.contains(QRegularExpression(QStringLiteral("Page size:\\s+842 x 595 pts"))),
                 qPrintable(meta));
        QProcess text;
        text.start(pdftotext, {dir.filePath("arkusz.pdf"), QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* w :
             {"Zestawienie danych osobowych", "Imię:", "Łucja", "Nazwisko:", "Żółkiewska",
              "Ksywa:", "Lusia", "Adnotacje i uwagi:", "Adres i źródła kontaktu:"})
            QVERIFY2(words.contains(QString::fromUtf8(w)), w);
    }

    void printingWithoutAPrinterSaysSo() {
        if (ActivePrinterInstalled())
            QSKIP("this machine has a print queue");
        TestDialogsScope dialogs;
        TForm3 sheet;
        sheet.BuildSheet(*form2);
        dialogs->expectBox(MsgResult::Ok);
        sheet.btnPrintClick();
        QCOMPARE(dialogs->last().msgKind, MsgKind::Error);
        QCOMPARE(dialogs->last().text, QStringLiteral("Drukarka nie jest podłączona!"));
    }

    void theCommandShowsTheSheetModallyInLandscape() {
        TestDialogsScope dialogs;
        ActivePrinter().setPageOrientation(QPageLayout::Portrait);
        int pages = 0;
        QString title;
        dialogs->expectModal([&](QDialog* d) {
            auto* sheet = qobject_cast<TForm3*>(d);
            if (sheet)
                pages = sheet->PP1()->PageCount();
            title = d->windowTitle();
            return int(QDialog::Rejected);
        });
        ShowRecordSheet(nullptr, *form2, notesWindow, addressWindow);
        QCOMPARE(pages, 1);
        QCOMPARE(title, QStringLiteral("Podgląd i wydruk strony"));
        QCOMPARE(ActivePrinter().pageLayout().orientation(), QPageLayout::Landscape);
        QVERIFY(!notesWindow.isVisible());
    }
};

QTEST_MAIN(TestRecordSheet)
#include "tst_recordsheet.moc"
