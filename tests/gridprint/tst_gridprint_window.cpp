#include "GridPrintTestUtil.h"

#include "grid/UnitPokazuj.h"
#include "tests/support/TestDialogs.h"

#include <QtGui/QAccessible>
#include <QtGui/QScreen>

#include <QtTest/QtTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QToolButton>

using namespace movra;
using namespace movra::test;

namespace {

template <class T> T* Child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QLatin1String(name));
    if (c == nullptr)
        qFatal("no control %s", name);
    return c;
}

QStringList Items(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

bool AllPixels(const QImage& img, const QColor& c) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) != c)
                return false;
    return true;
}

} // namespace

class TestGridPrintWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<TPrinterOverride> m_override;
    QString m_pdf;

    // A grid of 3 columns and 30 rows and a window on it. The grid's options are set to known
    // values.
    struct Fixture {
        TFajny grid;
        TPokazuj window;
        int draws = 0; // times the first data cell was drawn: one per page redraw

        Fixture() {
            FillGrid(grid, 3, 30);
            grid.SetColor(RGBColor(250, 250, 230));
            TPrintOptions& o = grid.PrintOptions();
            o.PageTitle = QStringLiteral("Tytuł");
            o.PageFooter = QStringLiteral("page");
            o.HeaderSize = 12;
            o.FooterSize = 8;
            grid.OnGetCellFormat = [this](TFajny*, int col, int row, TGridDrawState,
                                          TFormatOptions&) {
                if (col == 0 && row == 1)
                    ++draws;
            };
            window.SetGrid(&grid);
        }
        template <class T> T* W(const char* name) { return Child<T>(window, name); }
        QListWidget* L(const char* name) { return W<QListWidget>(name); }
        QLineEdit* E(const char* name) { return W<QLineEdit>(name); }
        QCheckBox* C(const char* name) { return W<QCheckBox>(name); }
        void showAndSettle() {
            window.show();
            window.FlushRedraw();
        }
    };

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init() {
        m_pdf = m_dir.filePath(QStringLiteral("%1.pdf").arg(QTest::currentTestFunction()));
        QFile::remove(m_pdf);
        m_printer = MakePdfPrinter(m_pdf);
        m_override = std::make_unique<TPrinterOverride>(*m_printer);
    }

    void cleanup() {
        m_override.reset();
        m_printer.reset();
    }

    void controlsTextsAndPlaces() {
        TPokazuj w;
        QVERIFY(!w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Podgląd i druk"));
        QCOMPARE(w.size(), QSize(780, 560));
        QCOMPARE(w.font().family(), QStringLiteral("Arial"));
        QCOMPARE(w.font().pixelSize(), 13);
        QVERIFY(w.font().bold());
        QCOMPARE(w.palette().color(QPalette::Window), ToQColor(clBtnShadow));
        QCOMPARE(Child<QWidget>(w, "Panel1")->width(), 162);
        QVERIFY(Child<QScrollArea>(w, "ScrollBox1")->widget() == Child<QLabel>(w, "PreviewImage"));

        auto* header = Child<QLineEdit>(w, "Header");
        QCOMPARE(header->geometry(), QRect(7, 18, 114, 24));
        QCOMPARE(header->text(), QStringLiteral("Szanowny"));
        auto* pic = Child<QPushButton>(w, "btnpic");
        QCOMPARE(pic->geometry(), QRect(130, 18, 25, 25));
        QCOMPARE(pic->toolTip(), QStringLiteral("Załadowuje obraz jako Logo"));
        QVERIFY(!pic->isEnabled());

        auto* headers = Child<QListWidget>(w, "Headers");
        QCOMPARE(headers->geometry(), QRect(7, 63, 146, 90));
        QCOMPARE(Items(headers), (QStringList{"Tekst nagłówka", "Tekst stopki", "Format daty",
                                              "Format czasu", "Logo (obraz)"}));
        QCOMPARE(headers->currentRow(), -1);
        QCOMPARE(headers->palette().color(QPalette::Base), ToQColor(16644814));

        auto* margin = Child<QLineEdit>(w, "Margin");
        QCOMPARE(margin->geometry(), QRect(8, 164, 38, 24));
        QVERIFY(!margin->hasFrame());
        QCOMPARE(margin->text(), QStringLiteral("0"));
        QCOMPARE(margin->toolTip(), QStringLiteral("Aktualna wartosc wybranej niżej pozycji"));
        auto* upDown1 = Child<TUpDown>(w, "UpDown1");
        QCOMPARE(upDown1->Min(), 0);
        QCOMPARE(upDown1->Max(), 1000);

        auto* borders = Child<QCheckBox>(w, "ckborders");
        QCOMPARE(borders->pos(), QPoint(74, 174));
        QCOMPARE(borders->text(), QStringLiteral("Ramki"));
        QCOMPARE(borders->toolTip(), QStringLiteral("Ramki widoczne / niewidoczne"));
        QVERIFY(borders->isChecked());

        auto* margins = Child<QListWidget>(w, "Margins");
        QCOMPARE(margins->geometry(), QRect(7, 205, 148, 140));
        QCOMPARE(Items(margins),
                 (QStringList{"Margines Górny", "Margines Nagłówka", "Margines Lewy",
                              "Margines Prawy", "Margines Dolny", "Znaki w ramkach",
                              "Rozmiar Nagłówka", "Rozmiar Stopki"}));
        QCOMPARE(margins->currentRow(), -1);
        QCOMPARE(margins->palette().color(QPalette::Base), ToQColor(13172735));

        auto* live = Child<QCheckBox>(w, "cklive");
        QCOMPARE(live->pos(), QPoint(7, 362));
        QCOMPARE(live->text(), QStringLiteral("Aktualizuj stronę"));
        QCOMPARE(live->toolTip(), QStringLiteral("zawsze aktualny wygląd strony"));
        QVERIFY(live->isChecked());

        auto* page = Child<QLineEdit>(w, "EditPage");
        QCOMPARE(page->geometry(), QRect(8, 388, 38, 24));
        QCOMPARE(page->text(), QStringLiteral("1"));
        QCOMPARE(page->toolTip(), QStringLiteral("Aktualnie widoczna strona bazy"));
        QCOMPARE(Child<TUpDown>(w, "UpDown2")->Min(), 1);
        QCOMPARE(Child<TUpDown>(w, "UpDown2")->Max(), 1000);
        QCOMPARE(Child<QLabel>(w, "lblpages")->pos(), QPoint(70, 392));
        QCOMPARE(Child<QLabel>(w, "lblpages")->text(), QStringLiteral("strona"));

        const struct {
            const char* name;
            int x;
            const char* tip;
        } small[] = {{"btnShow", 12, "Pokaż w naturalnym rozmiarze"},
                     {"btnfull", 45, "Podgląd całej strony"},
                     {"btnsetup", 79, "Ustawienie drukarki"},
                     {"btnprint", 114, "Druk"}};
        for (const auto& b : small) {
            auto* button = Child<QAbstractButton>(w, b.name);
            QCOMPARE(button->geometry(), QRect(b.x, 429, 25, 25));
            QCOMPARE(button->toolTip(), QString::fromUtf8(b.tip));
            QVERIFY(!button->icon().isNull());
        }
        for (const char* flat : {"btnfull", "btnsetup", "btnprint"})
            QVERIFY(Child<QToolButton>(w, flat)->autoRaise());
        auto* close = Child<QPushButton>(w, "btnClose");
        QCOMPARE(close->geometry(), QRect(32, 480, 97, 28));
        QCOMPARE(close->text(), QStringLiteral("&Zamknij"));
        QCOMPARE(close->toolTip(), QStringLiteral("Zamyka to okno"));
    }

    void showingStartsFromTheFirstOptionAndPage() {
        Fixture f;
        TPrintOptions& o = f.grid.PrintOptions();
        o.MarginTop = 12;
        o.BorderStyle = bsNone;
        o.PreviewPage = 3;
        f.window.move(200, 150);
        f.window.show();
        QCOMPARE(f.window.pos(), f.window.screen()->availableGeometry().topLeft());
        QCOMPARE(f.L("Headers")->currentRow(), 0);
        QCOMPARE(f.E("Header")->text(), QStringLiteral("Tytuł"));
        QCOMPARE(f.L("Margins")->currentRow(), 0);
        QCOMPARE(f.E("Margin")->text(), QStringLiteral("12"));
        const int pages = TGridPrinter(f.grid).CountPrintPages();
        QVERIFY(pages >= 2);
        QCOMPARE(f.W<QLabel>("lblpages")->text(), QStringLiteral("strona z %1").arg(pages));
        QCOMPARE(o.PreviewPage, 1u);
        QCOMPARE(f.E("EditPage")->text(), QStringLiteral("1"));
        QVERIFY(!f.C("ckborders")->isChecked());
        // The page was drawn while the window opened (unchecking the frames redraws at once).
        QVERIFY(f.draws >= 1);
        QCOMPARE(f.window.PrintImage().size(), TGridPrinter(f.grid).PreviewPageSize());
        QTRY_VERIFY(!f.window.RedrawPending());
        QCOMPARE(f.window.ShownSize(), f.window.PrintImage().size());

        // Every showing starts again.
        f.window.hide();
        f.L("Headers")->setCurrentRow(3);
        f.E("EditPage")->setText(QStringLiteral("2"));
        o.BorderStyle = bsSingle;
        f.window.show();
        QCOMPARE(f.L("Headers")->currentRow(), 0);
        QCOMPARE(f.E("Header")->text(), QStringLiteral("Tytuł"));
        QCOMPARE(o.PreviewPage, 1u);
        QCOMPARE(f.E("EditPage")->text(), QStringLiteral("1"));
        QVERIFY(f.C("ckborders")->isChecked());
        QCOMPARE(o.BorderStyle, bsSingle);
    }

    void textOptions() {
        Fixture f;
        f.showAndSettle();
        TPrintOptions& o = f.grid.PrintOptions();
        o.DateFormat = QStringLiteral("d-mmm-yyyy");
        QString* options[] = {&o.PageTitle, &o.PageFooter, &o.DateFormat, &o.TimeFormat, &o.Logo};
        for (int i = 0; i < 5; ++i) {
            f.L("Headers")->setCurrentRow(i);
            QCOMPARE(f.E("Header")->text(), *options[i]);
            QCOMPARE(f.W<QPushButton>("btnpic")->isEnabled(), i == 4);
            const QString typed = QStringLiteral("wpis %1").arg(i);
            f.E("Header")->setText(typed);
            QCOMPARE(*options[i], typed);
        }
        // With no item selected typing changes no option.
        f.L("Headers")->setCurrentRow(-1);
        QVERIFY(!f.W<QPushButton>("btnpic")->isEnabled());
        f.E("Header")->setText(QStringLiteral("nic"));
        for (QString* option : options)
            QVERIFY(*option != QStringLiteral("nic"));
    }

    void numberOptions() {
        Fixture f;
        f.showAndSettle();
        TPrintOptions& o = f.grid.PrintOptions();
        o.Leftpadding = 3;
        std::uint32_t* options[] = {&o.MarginTop,   &o.PageTitleMargin, &o.MarginLeft,
                                    &o.MarginRight, &o.MarginBottom,    &o.Leftpadding,
                                    &o.HeaderSize,  &o.FooterSize};
        for (int i = 0; i < 8; ++i) {
            f.L("Margins")->setCurrentRow(i);
            QCOMPARE(f.E("Margin")->text(), QString::number(*options[i]));
            f.E("Margin")->setText(QString::number(20 + i));
            QCOMPARE(*options[i], static_cast<std::uint32_t>(20 + i));
        }
        f.L("Margins")->setCurrentRow(-1);
        f.E("Margin")->setText(QStringLiteral("77"));
        for (std::uint32_t* option : options)
            QVERIFY(*option != 77u);
    }

    void textThatIsNoIntegerIsRefused() {
        Fixture f;
        f.showAndSettle();
        TPrintOptions& o = f.grid.PrintOptions();
        f.L("Margins")->setCurrentRow(2);
        f.E("Margin")->setText(QStringLiteral("15"));
        TestDialogsScope dialogs;
        dialogs->expectBox(MsgResult::Ok, QStringLiteral("'abc' is not a valid integer value"));
        f.E("Margin")->setText(QStringLiteral("abc"));
        QCOMPARE(dialogs->last().msgKind, MsgKind::Error);
        QCOMPARE(o.MarginLeft, 15u);
        dialogs->expectBox(MsgResult::Ok, QStringLiteral("'' is not a valid integer value"));
        f.E("Margin")->clear();
        QCOMPARE(o.MarginLeft, 15u);
        dialogs->expectBox(MsgResult::Ok, QStringLiteral("'2x' is not a valid integer value"));
        f.E("EditPage")->setText(QStringLiteral("2x"));
        QCOMPARE(o.PreviewPage, 1u);
        dialogs->expectBox(MsgResult::Ok, QStringLiteral("'' is not a valid integer value"));
        f.E("EditPage")->clear();
        QCOMPARE(o.PreviewPage, 1u);
        QCOMPARE(dialogs->count(), std::size_t{4});
    }

    void numbersAreHeldToTheUpDownRanges() {
        Fixture f;
        f.showAndSettle();
        TPrintOptions& o = f.grid.PrintOptions();
        f.L("Margins")->setCurrentRow(0);
        f.E("Margin")->setText(QStringLiteral("-5"));
        QCOMPARE(o.MarginTop, 0u);
        QCOMPARE(f.E("Margin")->text(), QStringLiteral("0"));
        f.E("Margin")->setText(QStringLiteral("5000"));
        QCOMPARE(o.MarginTop, 1000u);
        QCOMPARE(f.E("Margin")->text(), QStringLiteral("1000"));
        f.E("EditPage")->setText(QStringLiteral("-3"));
        QCOMPARE(o.PreviewPage, 1u);
        QCOMPARE(f.E("EditPage")->text(), QStringLiteral("1"));
        f.E("EditPage")->setText(QStringLiteral("0"));
        QCOMPARE(o.PreviewPage, 1u);

        // The arrows step within the same ranges.
        f.E("Margin")->setText(QStringLiteral("0"));
        auto* upDown1 = f.W<TUpDown>("UpDown1");
        Child<QToolButton>(*upDown1, "down")->click();
        QCOMPARE(f.E("Margin")->text(), QStringLiteral("0"));
        Child<QToolButton>(*upDown1, "up")->click();
        Child<QToolButton>(*upDown1, "up")->click();
        QCOMPARE(f.E("Margin")->text(), QStringLiteral("2"));
        QCOMPARE(o.MarginTop, 2u);
        f.E("EditPage")->setText(QStringLiteral("1000"));
        Child<QToolButton>(*f.W<TUpDown>("UpDown2"), "up")->click();
        QCOMPARE(o.PreviewPage, 1000u);
    }

    void liveAndNotLive() {
        Fixture f;
        f.showAndSettle();
        const QImage before = f.window.PrintImage();
        int draws = f.draws;

        // A burst of typing is drawn once, after it pauses.
        f.L("Margins")->setCurrentRow(0);
        f.window.FlushRedraw();
        draws = f.draws;
        for (const char* t : {"3", "30", "33"})
            f.E("Margin")->setText(QLatin1String(t));
        QVERIFY(f.window.RedrawPending());
        QCOMPARE(f.draws, draws);
        QTRY_VERIFY(!f.window.RedrawPending());
        QCOMPARE(f.draws, draws + 1);
        const QImage moved = f.window.PrintImage();
        QVERIFY(moved != before);
        QCOMPARE(f.window.ShownSize(), moved.size());

        // Not live: stored, not drawn.
        f.C("cklive")->setChecked(false);
        draws = f.draws;
        f.E("Margin")->setText(QStringLiteral("60"));
        f.C("ckborders")->setChecked(!f.C("ckborders")->isChecked());
        QCOMPARE(f.grid.PrintOptions().MarginTop, 60u);
        QVERIFY(!f.window.RedrawPending());
        QTest::qWait(250);
        QCOMPARE(f.draws, draws);
        QCOMPARE(f.window.PrintImage(), moved);
        // Checking it draws at once.
        f.C("cklive")->setChecked(true);
        QCOMPARE(f.draws, draws + 1);
        QVERIFY(f.window.PrintImage() != moved);

        // "Pokaż w naturalnym rozmiarze" draws whenever pressed.
        f.C("cklive")->setChecked(false);
        draws = f.draws;
        f.W<QPushButton>("btnShow")->click();
        QCOMPARE(f.draws, draws + 1);
    }

    void pageCountLabelFollowsShowingAndPrinterSetup() {
        Fixture f;
        f.showAndSettle();
        const int pages = TGridPrinter(f.grid).CountPrintPages();
        QCOMPARE(f.W<QLabel>("lblpages")->text(), QStringLiteral("strona z %1").arg(pages));
        // More margin, more pages: the label waits.
        f.L("Margins")->setCurrentRow(0);
        f.E("Margin")->setText(QStringLiteral("200"));
        const int more = TGridPrinter(f.grid).CountPrintPages();
        QVERIFY(more > pages);
        QCOMPARE(f.W<QLabel>("lblpages")->text(), QStringLiteral("strona z %1").arg(pages));

        TestDialogsScope dialogs;
        dialogs->expectPrinterSetup(false);
        f.W<QToolButton>("btnsetup")->click();
        QCOMPARE(f.W<QLabel>("lblpages")->text(), QStringLiteral("strona z %1").arg(pages));
        QCOMPARE(f.grid.PrintOptions().Orientation, poPortrait);

        QPrinter* printer = m_printer.get();
        dialogs->expectPrinterSetup(
            true, [printer] { printer->setPageOrientation(QPageLayout::Landscape); });
        f.W<QToolButton>("btnsetup")->click();
        QCOMPARE(f.grid.PrintOptions().Orientation, poLandscape);
        const int turned = TGridPrinter(f.grid).CountPrintPages();
        QCOMPARE(f.W<QLabel>("lblpages")->text(), QStringLiteral("strona z %1").arg(turned));
        // The page is drawn again at once, on the turned paper.
        QCOMPARE(f.window.PrintImage().size(), TGridPrinter(f.grid).PreviewPageSize());
        QVERIFY(f.window.PrintImage().width() > f.window.PrintImage().height());
    }

    void pageChoiceAndABlankPageBeyondTheLast() {
        Fixture f;
        f.showAndSettle();
        const int pages = TGridPrinter(f.grid).CountPrintPages();
        f.E("EditPage")->setText(QString::number(pages));
        QCOMPARE(f.grid.PrintOptions().PreviewPage, static_cast<std::uint32_t>(pages));
        f.window.FlushRedraw();
        QVERIFY(!AllPixels(f.window.PrintImage(), QColor(250, 250, 230)));
        f.E("EditPage")->setText(QString::number(pages + 1));
        f.window.FlushRedraw();
        QVERIFY(AllPixels(f.window.PrintImage(), QColor(250, 250, 230)));
    }

    void logoByTypingOrByTheDialog() {
        Fixture f;
        f.showAndSettle();
        TPrintOptions& o = f.grid.PrintOptions();
        const QString red = m_dir.filePath(QStringLiteral("red.bmp"));
        QImage logo(20, 40, QImage::Format_RGB888);
        logo.fill(QColor(220, 0, 0));
        QVERIFY(logo.save(red, "BMP"));
        const QString green = m_dir.filePath(QStringLiteral("green.bmp"));
        logo.fill(QColor(0, 160, 0));
        QVERIFY(logo.save(green, "BMP"));

        f.L("Headers")->setCurrentRow(4);
        f.E("Header")->setText(red);
        QCOMPARE(o.Logo, red);
        f.window.FlushRedraw();
        QCOMPARE(f.window.PrintImage().pixelColor(0, 0), QColor(220, 0, 0));

        TestDialogsScope dialogs;
        dialogs->expectOpenPicture(green);
        f.W<QPushButton>("btnpic")->click();
        const ShownDialog& shown = dialogs->last();
        QCOMPARE(shown.kind, DialogKind::OpenPicture);
        QCOMPARE(shown.file.Title, QStringLiteral("Otwarcie obrazu dla Logo"));
        QCOMPARE(shown.file.Filter, QStringLiteral("Pliki - Bitmapy (*.BMP)|*.bmp"));
        QCOMPARE(o.Logo, green);
        QCOMPARE(f.E("Header")->text(), green);
        f.window.FlushRedraw();
        QCOMPARE(f.window.PrintImage().pixelColor(0, 0), QColor(0, 160, 0));

        dialogs->expectOpenPicture(std::nullopt);
        f.W<QPushButton>("btnpic")->click();
        QCOMPARE(o.Logo, green);
    }

    void aLogoThatIsNoBitmapIsReported() {
        Fixture f;
        f.showAndSettle();
        const QString bad = m_dir.filePath(QStringLiteral("bad.bmp"));
        {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("BM nonsense");
        }
        TestDialogsScope dialogs;
        f.L("Headers")->setCurrentRow(4);
        dialogs->expectBox(MsgResult::Ok, QStringLiteral("Bitmap image is not valid"));
        f.E("Header")->setText(bad);
        QTRY_VERIFY(!f.window.RedrawPending());
        QCOMPARE(dialogs->count(), std::size_t{1});
        QCOMPARE(dialogs->last().msgKind, MsgKind::Error);
    }

    void zoomByClicks() {
        // A letter-sized page is wider than the picture area, so that fitting makes it smaller.
        m_override.reset();
        m_printer = MakePdfPrinter(m_pdf, QSizeF(8.5, 11));
        m_override = std::make_unique<TPrinterOverride>(*m_printer);
        Fixture f;
        f.showAndSettle();
        const QImage natural = f.window.PrintImage();
        const int n = natural.width();
        QCOMPARE(f.window.ShownSize(), natural.size());
        const int v = f.W<QScrollArea>("ScrollBox1")->viewport()->width();
        QVERIFY2(v > 0 && v <= std::lround(n * 0.8),
                 qPrintable(QStringLiteral("%1 / %2").arg(v).arg(n)));

        f.W<QToolButton>("btnfull")->click();
        const int fittedHeight =
            static_cast<int>(std::lround(v * (static_cast<double>(natural.height()) / n)));
        QCOMPARE(f.window.ShownSize(), QSize(v, fittedHeight));
        QCOMPARE(f.window.PrintImage(), natural);

        auto* picture = f.W<QLabel>("PreviewImage");
        QCOMPARE(picture->size(), QSize(v, fittedHeight));
        QSize shown = f.window.ShownSize();
        int steps = 0;
        while (shown.width() <= std::lround(n * 0.8) && steps < 20) {
            QTest::mouseClick(picture, Qt::LeftButton);
            const QSize next = f.window.ShownSize();
            const int want = static_cast<int>(std::lround(shown.width() / 0.8));
            if (want < n) {
                QCOMPARE(next.width(), want);
                QCOMPARE(next.height(), static_cast<int>(std::lround(shown.height() / 0.8)));
            }
            shown = next;
            ++steps;
        }
        QVERIFY(steps >= 1);
        // Above 80 % of the natural width a click shows the natural size, and it stays there.
        QTest::mouseClick(picture, Qt::LeftButton);
        QCOMPARE(f.window.ShownSize(), natural.size());
        QTest::mouseClick(picture, Qt::LeftButton);
        QCOMPARE(f.window.ShownSize(), natural.size());
        QCOMPARE(picture->size(), natural.size());
    }

    void printingTheShownPage() {
        Fixture f;
        f.showAndSettle();
        TestDialogsScope dialogs;
        f.window.PrinterAvailable = [] { return false; };
        dialogs->expectBox(MsgResult::Ok, QStringLiteral("Drukarka nie jest podłączona!"));
        f.W<QToolButton>("btnprint")->click();
        QCOMPARE(dialogs->last().msgKind, MsgKind::Error);
        QVERIFY(!QFile::exists(m_pdf));

        f.window.PrinterAvailable = nullptr;
        f.W<QToolButton>("btnprint")->click();
        QVERIFY(QFile::exists(m_pdf));
        QCOMPARE(dialogs->count(), std::size_t{1});
        QCOMPARE(f.grid.PrintOptions().ToRow, 29u);
    }

    // A screen reader is told which page the picture shows and reads the texts drawn on it:
    // the title, the column titles and the rows of that page, a line a row.
    void thePageIsReadByAScreenReader() {
        Fixture f;
        f.showAndSettle();
        QAccessibleInterface* picture =
            QAccessible::queryAccessibleInterface(f.W<QLabel>("PreviewImage"));
        QVERIFY(picture != nullptr);
        const int pages = TGridPrinter(f.grid).CountPrintPages();
        QVERIFY(pages >= 2);
        QCOMPARE(picture->text(QAccessible::Name), QStringLiteral("Strona 1 z %1").arg(pages));
        const auto rowsShown = [&] {
            QSet<int> rows;
            for (const QString& line : picture->text(QAccessible::Description).split('\n')) {
                const QRegularExpressionMatch m =
                    QRegularExpression(QStringLiteral("^r(\\d+)c0\\tr\\1c1\\tr\\1c2$")).match(line);
                if (m.hasMatch())
                    rows << m.captured(1).toInt();
            }
            return rows;
        };
        const QStringList first = picture->text(QAccessible::Description).split('\n');
        QCOMPARE(first.front(), QStringLiteral("Tytuł"));
        const QSet<int> onFirst = rowsShown();
        QVERIFY(onFirst.contains(0) && onFirst.contains(1)); // the column titles, the first row

        f.E("EditPage")->setText(QStringLiteral("2"));
        f.window.FlushRedraw();
        QCOMPARE(picture->text(QAccessible::Name), QStringLiteral("Strona 2 z %1").arg(pages));
        QSet<int> onSecond = rowsShown();
        QVERIFY(onSecond.remove(0)); // the column titles again
        QVERIFY(!onSecond.isEmpty());
        QVERIFY(!onSecond.intersects(onFirst));
        QCOMPARE(*std::min_element(onSecond.begin(), onSecond.end()),
                 *std::max_element(onFirst.begin(), onFirst.end()) + 1);
    }

    void closeHides() {
        Fixture f;
        f.showAndSettle();
        QVERIFY(f.window.isVisible());
        f.W<QPushButton>("btnClose")->click();
        QVERIFY(!f.window.isVisible());
    }

    void withoutAGridNothingHappens() {
        TPokazuj w;
        w.show();
        Child<QListWidget>(w, "Headers")->setCurrentRow(4);
        QVERIFY(Child<QPushButton>(w, "btnpic")->isEnabled());
        Child<QLineEdit>(w, "Header")->setText(QStringLiteral("x"));
        Child<QListWidget>(w, "Margins")->setCurrentRow(1);
        Child<QLineEdit>(w, "Margin")->setText(QStringLiteral("5"));
        Child<QPushButton>(w, "btnShow")->click();
        Child<QToolButton>(w, "btnfull")->click();
        Child<QToolButton>(w, "btnprint")->click();
        QVERIFY(w.PrintImage().isNull());
        QCOMPARE(w.ShownSize(), QSize(0, 0));
        QVERIFY(!w.RedrawPending());
    }

    void theGridMayGoAway() {
        TPokazuj w;
        {
            TFajny g;
            FillGrid(g, 2, 3);
            w.SetGrid(&g);
            QCOMPARE(w.Grid(), &g);
        }
        QVERIFY(w.Grid() == nullptr);
        w.show();
        Child<QPushButton>(w, "btnShow")->click();
        QVERIFY(w.PrintImage().isNull());
    }
};

QTEST_MAIN(TestGridPrintWindow)
#include "tst_gridprint_window.moc"
