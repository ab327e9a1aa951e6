// Program start, the main window, the settings file and closing.
#include "tests/album/AlbumFixture.h"

#include "grid/Fajny.h"
#include "record/Unit2.h"

#include <QtGui/QAction>
#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMenuBar>
#include <algorithm>

#include <algorithm>
#include <cmath>

using namespace movra;
using namespace movra::test;

namespace {

// The design size, at the design place (692, 568) or, where that lies partly off the screen (as
// on the test's 800 x 800 one), moved so that the whole window, frame included, is on it.
void CheckDesignPlace(const QWidget& w) {
    QCOMPARE(w.geometry().size(), QSize(543, 301));
    QVERIFY(w.screen()->availableGeometry().contains(w.frameGeometry()));
}

// A new user's window: centred on the screen at 900 x 600 or 60% of the screen, whichever is
// smaller (the test's screen is 800 x 800).
void CheckFirstStartPlace(const QWidget& w) {
    const QRect screen = w.screen()->availableGeometry();
    QCOMPARE(w.geometry().size(), QSize(std::min(900, screen.width() * 6 / 10),
                                        std::min(600, screen.height() * 6 / 10)));
    QVERIFY(qAbs(w.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w.geometry().center().y() - screen.center().y()) <= 1);
    QVERIFY(screen.contains(w.frameGeometry()));
}

// The contrast of two colours as WCAG 2 measures it (relative luminance of the sRGB channels),
// computed here so that the program's own measure is checked rather than trusted.
double WcagContrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TestAlbumStart : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitApplication(*qApp); }

    void firstStartUsesTheDesign() {
        AlbumFixture f;
        f.start();
        TForm1& w = f.form1();
        QCOMPARE(w.windowTitle(), QStringLiteral("\"Movra\" wer. 1.9"));
        QVERIFY(QApplication::applicationDisplayName() == QApplication::applicationName());
        // The picture menu starts disabled, and must still be seen on the silver menu bar.
        const QPalette bar = w.menuBar()->palette();
        QVERIFY(bar.color(QPalette::Disabled, QPalette::ButtonText) != bar.color(QPalette::Window));
        QCOMPARE(bar.color(QPalette::Disabled, QPalette::WindowText), QColor(128, 128, 128));
        CheckFirstStartPlace(w);
        QCOMPARE(w.FileCaption(), QStringLiteral("brak"));
        QVERIFY(!w.Database());
        // The empty list says how to begin, in the list's empty area below the titles.
        QLabel* hint = w.EmptyListHint();
        QVERIFY(hint);
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("Nowa baza: Ctrl+N, otwórz bazę: Ctrl+O"));
        QVERIFY(hint->geometry().top() >= w.Grid()->RowHeights(0));
        QVERIFY(hint->geometry().width() > 0 && hint->geometry().height() > 0);
        const TFajny& g = *w.Grid();
        QCOMPARE(g.ColCount(), 7);
        QCOMPARE(g.RowCount(), 1);
        QCOMPARE(g.FixedRows(), 1);
        QCOMPARE(g.FixedCols(), 2);
        const QStringList titles{"Nr", "ID", " Imię ", " Nazwisko ", " Ksywa ", "Notes ", "Adres "};
        for (int c = 0; c < 7; ++c)
            QCOMPARE(g.Cells(c, 0), titles[c]);
        QCOMPARE(g.ColWidths(0), 40);
        QCOMPARE(g.ColWidths(1), 0);
        QCOMPARE(g.ColWidths(2), 100);
        QCOMPARE(g.ColWidths(3), 140);
        QCOMPARE(g.ColWidths(4), 140);
        QCOMPARE(g.ColWidths(5), 0);
        QCOMPARE(g.ColWidths(6), 0);
        QCOMPARE(g.FixedColor(), clSilver);
        QCOMPARE(g.Font().Name, QStringLiteral("MS Sans Serif"));
        QVERIFY(!w.Action("Load1")->isEnabled());
        QCOMPARE(w.CarriedSettings(),
                 (TCarriedSettings{10, 10, 454, 714, 12632256, 16777215, 0, 0}));
        f.stop();

        // The settings file holds every key, in the program's order.
        const QString ini = QString::fromUtf8(f.folder.read("movra.ini"));
        QStringList keys;
        QString section;
        for (const QString& line : ini.split('\n')) {
            const QString l = line.trimmed();
            if (l.startsWith('['))
                section = l;
            else if (l.contains('='))
                keys << section + l.left(l.indexOf('='));
        }
        const QStringList expected{
            "[Form1]Left",   "[Form1]Top",        "[Form1]Width",   "[Form1]Height",
            "[Form1]WysRow", "[Plik]Nazwa",       "[Plik]Sort",     "[Kolor]FixedColor",
            "[Fonty1]Nazwa", "[Fonty1]Size",      "[Fonty1]Kolor",  "[Fonty1]FontStyle",
            "[Kolumny]Imie", "[Kolumny]Nazwisko", "[Kolumny]Ksywa", "[Form2]Left",
            "[Form2]Top",    "[Form2]Width",      "[Form2]Height",  "[Form2]KolorF",
            "[Form2]KolorO", "[Form2]LiteryF",    "[Form2]LiteryO"};
        QCOMPARE(keys, expected);
        QVERIFY(ini.contains("Nazwa=brak"));
        QVERIFY(ini.contains("KolorO=16777215"));
    }

    void settingsWithOnlyAName() {
        AlbumFixture f;
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=brak\n"));
        f.start();
        TForm1& w = f.form1();
        // A settings file lacking the window's keys keeps the design's place: only a new user
        // (no settings file at all) gets the centred window.
        CheckDesignPlace(w);
        QVERIFY(!w.Database());
        QVERIFY(w.EmptyListHint() && w.EmptyListHint()->isVisible());
        QCOMPARE(w.Grid()->FixedColor(), clBtnFace);
        QCOMPARE(w.Grid()->Font().Name, QStringLiteral("Arial"));
        QCOMPARE(w.Grid()->Font().Size(), 10);
        QCOMPARE(w.Grid()->Font().Style, 0);
        QCOMPARE(w.CarriedSettings()[4], clBtnFace);
        QCOMPARE(w.CarriedSettings()[5], clWindow);
    }

    // Every last name stands on lime, and the selected row's last name stays readable there.
    void lastNamesOnLimeReadable() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"),
                      {{"Jan", "Nowakowski", "Jasiek", "", "", std::nullopt},
                       {"Ola", "Wiśniewska", "Ola", "", "", std::nullopt}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        TFajny& g = *f.form1().Grid();
        g.FocusCell(2, 1);
        f.form1().G1Click();
        const QImage img = g.viewport()->grab().toImage();
        const QColor lime(0, 255, 0);
        const auto cell = [&](int col, int row) {
            QRect r = g.CellRect(col, row).toQRect();
            r.setSize(r.size() - QSize(1, 1)); // the grid lines
            return img.copy(r);
        };
        // The best contrast of a cell's text against lime (1 when it has no text at all).
        const auto textContrast = [&](const QImage& c) {
            double best = 1;
            for (int y = 0; y < c.height(); ++y)
                for (int x = 0; x < c.width(); ++x)
                    best = std::max(best, WcagContrast(c.pixelColor(x, y), lime));
            return best;
        };
        for (const int row : {1, 2}) {
            const QImage last = cell(3, row);
            QCOMPARE(last.pixelColor(last.width() - 2, last.height() - 2), lime);
            QVERIFY2(textContrast(last) >= 4.5, qPrintable(QString::number(row)));
            const QImage first = cell(2, row);
            QVERIFY(first.pixelColor(first.width() - 2, first.height() - 2) != lime);
        }
    }

    // A settings file an older version wrote (a place of its own, no album) opens the window
    // where it says, not centred as for a new user.
    void legacySettingsKeepTheirPlace() {
        AlbumFixture f;
        QVERIFY(f.folder.write("movra.ini", "[Form1]\r\nLeft=40\r\nTop=50\r\nWidth=560\r\n"
                                            "Height=320\r\n[Plik]\r\nNazwa=brak\r\nSort=2\r\n"));
        f.start();
        QCOMPARE(f.form1().geometry(), QRect(40, 50, 560, 320));
        QCOMPARE(f.form1().SortKey(), 2);
    }

    void badValuesCountAsMissing() {
        AlbumFixture f;
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=brak\nSort=5\n[Kolumny]\nImie=0\n"
                                            "Nazwisko=-3\nKsywa=abc\n[Form1]\nWysRow=0\n"));
        f.start();
        QCOMPARE(f.form1().SortKey(), 3);
        QCOMPARE(f.form1().RowHeight(), 22);
        QCOMPARE(f.form1().Grid()->ColWidths(2), 100);
        QCOMPARE(f.form1().Grid()->ColWidths(3), 140);
        QCOMPARE(f.form1().Grid()->ColWidths(4), 140);
    }

    void exitAndRestartBringEverythingBack() {
        AlbumFixture f;
        const QString album = f.folder.file("klasa.db3");
        WriteRawAlbum(album, {{"Jan", "Nowak", "Jasiek", "", "", std::nullopt},
                              {"Anna", "Kowalska", "Ania", "", "", std::nullopt}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        TForm1& w = f.form1();
        QCOMPARE(w.RecordCount(), QStringLiteral("2"));
        // An open album needs no hint.
        QVERIFY(!w.EmptyListHint() || !w.EmptyListHint()->isVisible());
        w.setGeometry(100, 120, 600, 400);
        f.dialogs->expectColor(clAqua);
        w.mnuFixedClick();
        TFont chosen(QStringLiteral("Liberation Serif"), 14, fsBold | fsItalic, clBlue);
        f.dialogs->expectFont(chosen);
        w.mnuFontyClick();
        QCOMPARE(w.RowHeight(), 26);
        QCOMPARE(w.Grid()->RowHeights(2), 26); // every row at once, not only the first
        w.SortCommand(4);
        w.Grid()->SetColWidths(2, 77);
        w.Grid()->SetColWidths(3, 111);
        w.Grid()->SetColWidths(4, 93);
        w.SetCarriedSettings({20, 30, 500, 600, clLime, clWindow, clMaroon, clBlue});
        f.stop();
        QVERIFY(QString::fromUtf8(f.folder.read("movra.ini")).contains("WysRow=26"));

        f.start();
        TForm1& again = f.form1();
        QCOMPARE(again.geometry(), QRect(100, 120, 600, 400));
        QCOMPARE(again.FileCaption(), QStringLiteral("klasa.db3"));
        QCOMPARE(again.RecordCount(), QStringLiteral("2"));
        QCOMPARE(again.Grid()->FixedColor(), clAqua);
        QCOMPARE(again.Grid()->Font().Name, QStringLiteral("Liberation Serif"));
        QCOMPARE(again.Grid()->Font().Size(), 14);
        QCOMPARE(again.Grid()->Font().Style, fsBold | fsItalic);
        QCOMPARE(again.Grid()->Font().Color, clBlack); // the font dialog keeps the colour
        QCOMPARE(again.Grid()->ColWidths(2), 77);
        QCOMPARE(again.Grid()->ColWidths(3), 111);
        QCOMPARE(again.Grid()->ColWidths(4), 93);
        QCOMPARE(again.Grid()->RowHeights(1), 26);
        QCOMPARE(again.SortKey(), 4);
        QCOMPARE(f.column(4), (QStringList{"Ania", "Jasiek"}));
        QCOMPARE(again.CarriedSettings(),
                 (TCarriedSettings{20, 30, 500, 600, clLime, clWindow, clMaroon, clBlue}));
    }

    void closingIsRefusedWhileTheRecordWindowIsOpen() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("a.db3"), {{"Jan", "Nowak", "J", "", "", std::nullopt}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=a.db3\n"));
        f.start();
        f.form1().PokazRekordu1Click();
        QVERIFY(f.form2().isVisible());
        f.dialogs->expectBox(MsgResult::Ok);
        QVERIFY(!f.form1().close());
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("        Dziecino! jeżeli mam skończyć robotę \n\r to uprzednio "
                                "zamknij okno podglądu i edycji rekordu."));
        QVERIFY(f.form1().isVisible());
        f.form2().close();
        QVERIFY(f.form1().close());
        QVERIFY(f.folder.read("movra.ini").contains("Nazwa=a.db3"));
    }

    void aSettingsFileThatCannotBeWrittenIsReported() {
        AlbumFixture f;
        f.start();
        QVERIFY(QDir(f.folder.path()).mkdir("movra.ini")); // a folder where the file should be
        f.dialogs->expectBox(MsgResult::Ok);
        QVERIFY(f.form1().close());
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QVERIFY(f.dialogs->last().text.contains("movra.ini"));
    }

    void helpAndAuthor() {
        AlbumFixture f;
        f.start();
        QString title;
        f.dialogs->expectModal([&](QDialog* d) {
            title = d->windowTitle();
            return int(QDialog::Rejected);
        });
        f.form1().mnuFAQClick();
        QCOMPARE(title, QStringLiteral("Plik pomocy"));
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().mnuAuthorClick();
        const QString text = f.dialogs->last().text;
        QVERIFY(text.startsWith("     "));
        QCOMPARE(text.count("\r\n"), 1);
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Message);
    }

    void menuHasItsShortcuts() {
        AlbumFixture f;
        f.start();
        const QList<QPair<QString, QKeySequence>> expected{
            {"Nowa1", QKeySequence("Ctrl+N")},        {"OpenDB1", QKeySequence("Ctrl+O")},
            {"Regeneruj1", QKeySequence("Ctrl+R")},   {"PokazRekordu1", QKeySequence("F2")},
            {"Pierwszy1", QKeySequence("Ctrl+P")},    {"Dodaj1", QKeySequence("Ctrl+D")},
            {"Zmiana1", QKeySequence("Ins")},         {"Zniszcz1", QKeySequence("Ctrl+Del")},
            {"Finduj1", QKeySequence("Ctrl+F")},      {"FindujNast", QKeySequence("F3")},
            {"Load1", QKeySequence("Ctrl+I")},        {"Export1", QKeySequence("Ctrl+E")},
            {"mnuSortuj2", QKeySequence("Shift+F1")}, {"mnuSortuj3", QKeySequence("Shift+F2")},
            {"mnuSortuj4", QKeySequence("Shift+F3")}, {"mnuFixed", QKeySequence("Ctrl+T")},
            {"mnuFonty", QKeySequence("Ctrl+B")},     {"mnuFAQ", QKeySequence("F1")}};
        for (const auto& [name, key] : expected) {
            QAction* a = f.form1().Action(name);
            QVERIFY2(a, qPrintable(name));
            QCOMPARE(a->shortcut(), key);
        }
        QCOMPARE(f.form1().Action("Poprzedni1")->text(), QStringLiteral("P&oprzedni rekord"));
        QCOMPARE(f.form1().Action("Drukowanie1")->text(), QStringLiteral("Drukowanie"));
        QCOMPARE(f.form1().Action("Koniec1")->text(), QStringLiteral("&Koniec"));
    }
};

QTEST_MAIN(TestAlbumStart)
#include "tst_album_start.moc"
