// A settings file made to hurt: numbers no run of the program wrote, in every key it reads.
#include "tests/album/AlbumFixture.h"

#include "grid/Fajny.h"
#include "platform/core/IniFile.h"
#include "record/Unit2.h"

#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>

using namespace movra;
using namespace movra::test;

namespace {

// Every number the program reads from the settings file, out of any sense: beyond 32 bits of
// pixels, far off the desktop, larger than any screen, colours with bits no colour has,
// negative font sizes, style bits and sort columns that do not exist; and a font name of a
// megabyte (put in place of FONT_NAME), which kept the start matching fonts for seconds.
constexpr char kHostile[] = "[Form1]\n"
                            "Left=-100000\n"
                            "Top=2147483647\n"
                            "Width=100000\n"
                            "Height=2147483647\n"
                            "WysRow=2147483647\n"
                            "[Plik]\n"
                            "Nazwa=klasa.db3\n"
                            "Sort=2147483647\n"
                            "[Kolor]\n"
                            "FixedColor=16777216\n"
                            "[Fonty1]\n"
                            "Nazwa=FONT_NAME\n"
                            "Size=-100000\n"
                            "Kolor=0x7FFFFFFF\n"
                            "FontStyle=2147483647\n"
                            "[Kolumny]\n"
                            "Imie=2147483647\n"
                            "Nazwisko=100000\n"
                            "Ksywa=-100000\n"
                            "[Form2]\n"
                            "Left=100000\n"
                            "Top=-100000\n"
                            "Width=2147483647\n"
                            "Height=100000\n"
                            "KolorF=-1\n"
                            "KolorO=0x80000100\n"
                            "LiteryF=-16777216\n"
                            "LiteryO=2147483647\n";

void CheckOnScreen(const QWidget& w) {
    const QRect area = w.screen()->availableGeometry();
    QVERIFY2(area.contains(w.frameGeometry()), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                                              .arg(w.objectName())
                                                              .arg(w.frameGeometry().x())
                                                              .arg(w.frameGeometry().y())
                                                              .arg(w.frameGeometry().width())
                                                              .arg(w.frameGeometry().height())));
}

} // namespace

class TestAlbumHostileSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitApplication(*qApp); }

    void hostileNumbersGiveWayToDefaults() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"),
                      {{"Jan", "Nowak", "Jasiek", "", "", std::nullopt},
                       {"Anna", "Kowalska", "Ania", "", "", std::nullopt}});
        QVERIFY(f.folder.write(
            "movra.ini", QByteArray(kHostile).replace("FONT_NAME", QByteArray(1 << 20, 'M'))));
        f.start();
        TForm1& w = f.form1();
        QCOMPARE(w.RecordCount(), QStringLiteral("2"));
        CheckOnScreen(w);
        QCOMPARE(w.geometry().size(), QSize(543, 301));
        QCOMPARE(w.SortKey(), 3);
        QCOMPARE(w.RowHeight(), 22);
        const TFajny& g = *w.Grid();
        QCOMPARE(g.RowHeights(0), 22);
        QCOMPARE(g.RowHeights(2), 22);
        QCOMPARE(g.ColWidths(2), 100);
        QCOMPARE(g.ColWidths(3), 140);
        QCOMPARE(g.ColWidths(4), 140);
        QCOMPARE(g.FixedColor(), clBtnFace);
        QCOMPARE(g.Font().Name, QStringLiteral("Arial"));
        QCOMPARE(g.Font().Size(), 10);
        QCOMPARE(g.Font().Color, clBlack);
        QCOMPARE(g.Font().Style, 0);
        QCOMPARE(w.CarriedSettings(),
                 (TCarriedSettings{10, 10, 454, 714, clBtnFace, clWindow, clBlack, clBlack}));
        // The list is drawn: the last names of the records stand in their column.
        QCOMPARE(f.column(3), (QStringList{"Kowalska", "Nowak"}));
        QVERIFY(!g.CellRect(3, 2).IsEmpty());

        w.PokazRekordu1Click();
        QVERIFY(f.form2().isVisible());
        CheckOnScreen(f.form2());
        f.form2().close();
        const QRect main = w.geometry();
        const TCarriedSettings record = w.CarriedSettings();
        // Where the record window was last shown, in the record window's defaults' colours.
        QCOMPARE(QRect(record[0], record[1], record[2], record[3]), f.form2().geometry());
        QCOMPARE(record[4], clBtnFace);
        QCOMPARE(record[5], clWindow);
        QCOMPARE(record[6], clBlack);
        QCOMPARE(record[7], clBlack);
        f.stop();

        // Written back: the numbers the program ran with, none of the hostile ones.
        const TIniFile ini(f.folder.file("movra.ini"));
        QVERIFY(ini.WasRead());
        const auto value = [&](const char* section, const char* key) {
            return ini.ReadInteger(QString::fromLatin1(section), QString::fromLatin1(key), -1);
        };
        QCOMPARE(QRect(value("Form1", "Left"), value("Form1", "Top"), value("Form1", "Width"),
                       value("Form1", "Height")),
                 main);
        QCOMPARE(value("Form1", "WysRow"), 22);
        QCOMPARE(value("Plik", "Sort"), 3);
        QCOMPARE(value("Kolor", "FixedColor"), clBtnFace);
        QCOMPARE(ini.ReadString(QStringLiteral("Fonty1"), QStringLiteral("Nazwa"), QString()),
                 QStringLiteral("Arial"));
        QCOMPARE(value("Fonty1", "Size"), 10);
        QCOMPARE(value("Fonty1", "Kolor"), clBlack);
        QCOMPARE(value("Fonty1", "FontStyle"), 0);
        QCOMPARE(value("Kolumny", "Imie"), 100);
        QCOMPARE(value("Kolumny", "Nazwisko"), 140);
        QCOMPARE(value("Kolumny", "Ksywa"), 140);
        static const char* const form2Keys[8] = {"Left",   "Top",    "Width",   "Height",
                                                 "KolorF", "KolorO", "LiteryF", "LiteryO"};
        for (std::size_t i = 0; i < record.size(); ++i)
            QCOMPARE(value("Form2", form2Keys[i]), record[i]);
    }
};

QTEST_MAIN(TestAlbumHostileSettings)
#include "tst_album_hostile_settings.moc"
