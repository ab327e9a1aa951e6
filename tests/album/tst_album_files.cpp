// The album file commands: new, open, regenerate, sort, and the record list.
#include "tests/album/AlbumFixture.h"

#include "album/AlbumFile.h"
#include "grid/Fajny.h"
#include "grid/UnitPokazuj.h"
#include "record/Unit2.h"
#include "record/asfind.h"

#include <QtCore/QFileInfo>
#include <QtCore/QScopeGuard>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAction>
#include <QtGui/QFontMetrics>
#include <QtGui/QGuiApplication>
#include <QtGui/QMouseEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>

#include <algorithm>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

using namespace movra;
using namespace movra::test;

namespace {

const QString kAlbumFilter = QStringLiteral("Pliki bazowe (*.db3)|*.db3|Dowolne pliki (*.*)|*.*");

std::vector<RawRecord> polishClass() {
    return {{"Łucja", "Łukasik", "Łuk", "ma psa\r\ni kota", "Kraków", std::nullopt},
            {"Zenon", "Zieliński", "Zen", "", "", std::nullopt},
            {"adam", "adamski", "ada", "", "", std::nullopt},
            {"Piotr", "Nowak", "Piotruś", "", "ul. Długa 5\r\nGdańsk", std::nullopt}};
}

// An album long enough that its list is read on in many batches after the first screen: small
// records with many equal names (so that the order of IDs decides among them) and a nickname
// found nowhere else.
std::vector<RawRecord> longAlbum(int count, int notesLength = 8) {
    static const char* const first[] = {"Łucja", "Zenon",  "adam", "Piotr", "Ćwik",
                                        "Ewa",   "Żaneta", "Órka", "anna",  "Anna"};
    static const char* const last[] = {"Łukasik", "Zieliński", "adamski", "Nowak", "Śliwa",
                                       "Żak",     "Adamski",   "Ąsik",    "Lis",   "Órka"};
    std::vector<RawRecord> records;
    quint32 random = 12345;
    for (int i = 0; i < count; ++i) {
        random = random * 1103515245U + 12345U;
        const quint32 r = random >> 8;
        records.push_back({QString::fromUtf8(first[r % 10]),
                           QString::fromUtf8(last[(r / 10) % 10]) + QString::number(r % 7),
                           QStringLiteral("k%1").arg(i), QString(notesLength, QChar(u'ó')),
                           i % 3 == 0 ? QStringLiteral("ul. %1").arg(i) : QString(), std::nullopt});
    }
    return records;
}

// The list as one reading of the whole file in the order of sortKey gives it, numbered.
QList<QStringList> wholeList(const QString& path, int sortKey) {
    const ISQLiteDatabasePtr db = OpenAlbumFile(path);
    QList<QStringList> rows;
    (void)ReadRecordList(*db, sortKey, [&](const TAlbumListBytes& r) {
        rows.append({QString::number(rows.size() + 1), AlbumText(r.Id), AlbumText(r.Imie),
                     AlbumText(r.Nazwisko), AlbumText(r.Ksywa), AlbumText(r.Notes),
                     AlbumText(r.Adres)});
    });
    return rows;
}

QList<QStringList> gridRows(const TFajny& g) {
    QList<QStringList> rows;
    for (int r = g.FixedRows(); r < g.RowCount(); ++r)
        rows.append(g.Rows(r));
    return rows;
}

} // namespace

class TestAlbumFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitApplication(*qApp); }

    void newAlbumListsTheRecordWindowTexts() {
        AlbumFixture f;
        f.start();
        const QString path = f.folder.file("zerowa.db3");
        f.dialogs->expectSaveFile(path);
        f.form1().Nowa1Click();
        const ShownDialog& d = f.dialogs->shown().front();
        QCOMPARE(d.kind, DialogKind::SaveFile);
        QCOMPARE(d.file.FileName, QStringLiteral("zerowa.db3"));
        QCOMPARE(d.file.InitialDir, f.folder.path());
        QCOMPARE(d.file.Filter, kAlbumFilter);
        QCOMPARE(d.file.DefaultExt, QStringLiteral(".db3"));
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("1"));
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("zerowa.db3"));
        QCOMPARE(f.column(0), QStringList{"1"});
        QCOMPARE(f.column(1), QStringList{"1"});
        QCOMPARE(f.column(2), QStringList{"pusty"});
        QCOMPARE(f.column(3), QStringList{"zero"});
        QCOMPARE(f.column(4), QStringList{"zero"});
        QVERIFY(f.form1().Action("Regeneruj1")->isEnabled());
        QCOMPARE(RawType(path, 1, "Picture"), QStringLiteral("null"));
        QCOMPARE(RawType(path, 1, "Notes"), QStringLiteral("text"));
    }

    void cancellingTheNewFileDialogChangesNothing() {
        AlbumFixture f;
        f.start();
        f.dialogs->expectSaveFile(std::nullopt);
        f.form1().Nowa1Click();
        QCOMPARE(f.dialogs->count(), std::size_t(1)); // no error, no warning
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("brak"));
        QVERIFY(!QFileInfo::exists(f.folder.file("zerowa.db3")));
    }

    void anExistingNameIsNotOverwritten() {
        AlbumFixture f;
        const QString path = f.folder.file("klasa.db3");
        WriteRawAlbum(path, polishClass());
        const QByteArray before = f.folder.read("klasa.db3");
        f.start();
        f.dialogs->expectSaveFile(path).expectBox(MsgResult::Ok);
        f.form1().Nowa1Click();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
        QCOMPARE(
            f.dialogs->last().text,
            QStringLiteral("Plik taki już istnieje - proszę podaj inną nazwę lub zmień katalog!"));
        QCOMPARE(f.folder.read("klasa.db3"), before);
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("4"));
    }

    void albumsInAnotherFolderAreOpenedThere() {
        AlbumFixture f;
        QTemporaryDir elsewhere;
        const QString other = elsewhere.filePath("inna.db3");
        WriteRawAlbum(other, polishClass());
        f.start();
        f.dialogs->expectOpenFile(other);
        f.form1().OtwieramDB1Click();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("4"));
        QCOMPARE(f.form1().FileCaption(), QStringLiteral("inna.db3"));
        f.stop();
        QVERIFY(QString::fromUtf8(f.folder.read("movra.ini")).contains(other));
        f.start();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("4"));

        // A new album made elsewhere is the one loaded.
        const QString made = elsewhere.filePath("nowa.db3");
        f.dialogs->expectSaveFile(made);
        f.form1().Nowa1Click();
        QVERIFY(QFileInfo::exists(made));
        QCOMPARE(f.form1().AlbumPath(), QFileInfo(made).absoluteFilePath());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("1"));

        // A long name keeps clear of "Rekordów:" (shortened on screen), and is whole where it
        // is read and stored.
        const QString longName = QStringLiteral("Klasa 3b liceum im. Kopernika, rocznik 1998.db3");
        QVERIFY(QFile::copy(other, elsewhere.filePath(longName)));
        f.dialogs->expectOpenFile(elsewhere.filePath(longName));
        f.form1().OtwieramDB1Click();
        QCOMPARE(f.form1().FileCaption(), longName);
        const auto* name = f.form1().findChild<QLabel*>(QStringLiteral("Label2"));
        const auto* count = f.form1().findChild<QLabel*>(QStringLiteral("StaticText2"));
        QVERIFY(name->geometry().right() < count->geometry().left());
        f.stop();
        QVERIFY(QString::fromUtf8(f.folder.read("movra.ini")).contains(longName));
    }

    void theListAndTheFindFollowThePolishAlphabet() {
        // Last names in the Polish alphabet's order; each person's first name and nickname sort
        // the same way. Stored shuffled, so neither the file's order nor its bytes can pass.
        const QStringList alphabetical{
            "adamski",   "Adamski", "Ąsik",  "Cebula", "Ćwik", "Kowalczyk-Łęcka",
            "Lis",       "Łukasik", "Nowak", "Órka",   "Sowa", "Śliwa",
            "Zieliński", "Źrebiec", "Żak"};
        std::vector<RawRecord> people;
        for (int i : {14, 3, 7, 0, 12, 5, 9, 1, 13, 6, 10, 2, 11, 4, 8}) {
            const QString last = alphabetical[i];
            // First names in the reverse order, so that sorting by them turns the list round.
            people.push_back({QStringLiteral("%1 %2").arg(QChar(u'Z' - i)).arg(last), last,
                              i == 6 ? QStringLiteral("ławka") : QStringLiteral("%1").arg(i, 2),
                              QStringLiteral("uwagi %1").arg(i), QString(), std::nullopt});
        }
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"), people);
        const QByteArray before = f.folder.read("klasa.db3");
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        QCOMPARE(f.column(3), alphabetical);
        QCOMPARE(f.column(0).first(), QStringLiteral("1"));
        QCOMPARE(f.column(5)[5], QStringLiteral("uwagi 5"));
        QCOMPARE(f.form1().Grid()->ColWidths(5), 0);
        QCOMPARE(f.form1().Grid()->SortColumn(), 3);

        // The menu sort by first name reads the file again in that order; the grid's own text sort
        // (a title click where titles sort) gives the very order the file's query gave.
        f.form1().SortCommand(4);
        QCOMPARE(f.column(3).last(), QStringLiteral("Lis")); // "ławka" after the digits
        f.form1().SortCommand(2);
        QStringList reversed = alphabetical;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(f.column(3), reversed);
        TFajny& g = *f.form1().Grid();
        TSortOptions byClick;
        byClick.CaseSensitive = g.CaseSensitive();
        g.SortByColumn(3, byClick);
        QCOMPARE(f.column(3), alphabetical);

        // Finding ignores letter case for Polish letters as for any other.
        QStringList found;
        const auto find = [&](const QString& phrase, bool whole) {
            f.dialogs->expectModal([=](QDialog* d) {
                auto* dialog = qobject_cast<Tfinddlg*>(d);
                if (!dialog)
                    return int(QDialog::Rejected);
                dialog->Search()->setText(phrase);
                dialog->ChkLitery()->setChecked(false);
                dialog->ChkSlowa()->setChecked(whole);
                dialog->ByRecords()->setChecked(true);
                return int(QDialog::Accepted);
            });
            f.form1().Finduj1Click();
            found << g.Cells(3, g.Row());
        };
        find(QStringLiteral("łęcka"), false);
        find(QStringLiteral("ŁAWKA"), false);
        find(QStringLiteral("ŻAK"), true);
        find(QStringLiteral("órka"), true);
        QCOMPARE(found, (QStringList{"Kowalczyk-Łęcka", "Lis", "Żak", "Órka"}));
        QCOMPARE(f.dialogs->count(), std::size_t{4}); // the four find dialogs, no "not found"
        f.stop();
        QCOMPARE(f.folder.read("klasa.db3"), before); // ordering is the program's, not the file's
    }

    void theListAfterSavesAddsAndDeletesIsWhatAReadingShows() {
        // Names with ties (equal names, names equal but for letter case), so that the place of a
        // saved or added record depends on the alphabet, the case and the ID alike.
        const QStringList names{"Nowak", "nowak", "Łęcka", "Lis",     "Żak",    "Ąsik",
                                "Órka",  "Lis",   "Śliwa", "adamski", "Adamski"};
        std::mt19937 rng(2026);
        const auto any = [&] { return names[static_cast<int>(rng() % names.size())]; };
        std::vector<RawRecord> people;
        for (int i = 0; i < 40; ++i)
            people.push_back(
                {any(), any(), any(), QStringLiteral("uwagi %1").arg(i), QString(), std::nullopt});
        AlbumFixture f;
        const QString path = f.folder.file("klasa.db3");
        WriteRawAlbum(path, people);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        TFajny& g = *f.form1().Grid();
        const auto show = [&](int row) {
            g.FocusCell(2, row);
            f.form1().G1Click();
            f.form1().PokazRekordu1Click();
            QVERIFY(f.form2().isVisible());
        };
        // A save that mostly moves the record, an add or a delete, at random.
        const auto write = [&] {
            switch (rng() % 4) {
            case 0:
            case 1:
                f.form2().Edit1()->setText(any());
                f.form2().Edit2()->setText(any());
                f.form2().Edit3()->setText(any());
                f.form2().SetChanged(true);
                f.dialogs->expectBox(MsgResult::Ok);
                f.form1().Zmiana1Click();
                break;
            case 2:
                f.form2().Edit2()->setText(any());
                f.dialogs->expectBox(MsgResult::Ok);
                f.form1().AddRecord();
                break;
            default:
                f.dialogs->expectBox(MsgResult::Yes);
                f.form1().Zniszcz1Click();
                break;
            }
        };
        const int keys[] = {3, 2, 4};
        for (int step = 0; step < 45; ++step) {
            if (step % 15 == 0)
                f.form1().SortCommand(keys[step / 15]);
            const int rows = g.RowCount() - g.FixedRows();
            show(1 + static_cast<int>(rng() % static_cast<unsigned>(rows)));
            write();
            QVERIFY(!f.form2().isVisible());
            QCOMPARE(f.form1().RecordCount(), QString::number(g.RowCount() - 1));
            QCOMPARE(gridRows(g), wholeList(path, f.form1().SortKey())); // as a reading shows it
        }

        // The same through the live filter: records enter and leave it as they are saved, and
        // the list is both what a new reading shows and the records some text of which holds
        // "ak" once letter case and marks are set aside (Żak, NOWAK).
        auto* filter = f.form1().findChild<QLineEdit*>(QStringLiteral("Szukaj"));
        QVERIFY(filter);
        filter->setText(QStringLiteral("ak"));
        QTRY_VERIFY(f.form1().RecordListComplete());
        const auto plain = [](const QString& text) {
            QString d = text.normalized(QString::NormalizationForm_D).toLower();
            d.replace(QChar(u'ł'), QChar(u'l'));
            d.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
            return d;
        };
        for (int step = 0; step < 20; ++step) {
            if (step == 10) // another copy's add: the next save reads and counts anew
                QVERIFY(RawExec(path, "INSERT INTO album(Imie, Nazwisko, Ksywa) VALUES ('Zak', "
                                      "'Zak', 'Zak')"));
            const int rows = g.RowCount() - g.FixedRows();
            QVERIFY(rows > 0);
            {
                show(1 + static_cast<int>(rng() % static_cast<unsigned>(rows)));
                write();
            }
            QList<QStringList> expected;
            for (QStringList row : wholeList(path, f.form1().SortKey())) {
                if (std::any_of(row.begin() + 2, row.end(),
                                [&](const QString& t) { return plain(t).contains("ak"); })) {
                    row[0] = QString::number(expected.size() + 1);
                    expected.append(row);
                }
            }
            QCOMPARE(gridRows(g), expected);
            QCOMPARE(f.form1().RecordCount(),
                     QStringLiteral("%1 z %2").arg(expected.size()).arg(RawCount(path)));
            f.form1().SortCommand(f.form1().SortKey());
            QCOMPARE(gridRows(g), expected);
        }
        filter->clear();
        QTRY_VERIFY(f.form1().RecordListComplete());
        QCOMPARE(f.form1().RecordCount(), QString::number(RawCount(path)));

        // Another copy of the program adds a record meanwhile, its nickname stored as a blob
        // (which the engine sorts after every text): the next save shows it too, and a sort by
        // nickname puts it where a reading does.
        f.form1().SortCommand(2);
        QVERIFY(
            RawExec(path, "INSERT INTO album(Imie, Nazwisko, Ksywa) VALUES ('A', 'A', X'7A7A')"));
        show(2);
        f.form2().Edit3()->setText(QStringLiteral("zmiana"));
        f.form2().SetChanged(true);
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Zmiana1Click();
        QCOMPARE(gridRows(g), wholeList(path, 2));
        f.form1().SortCommand(4);
        QCOMPARE(gridRows(g), wholeList(path, 4));
        QCOMPARE(f.column(4).last(), QStringLiteral("zz"));
        // A save then reads the list anew: the blob sorts apart from the texts.
        show(1);
        f.form2().Edit3()->setText(QStringLiteral("Żaba"));
        f.form2().SetChanged(true);
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Zmiana1Click();
        QCOMPARE(gridRows(g), wholeList(path, 4));
    }

    // "Szukaj:" narrows the list as the user types: marks count only when typed, letter case
    // never; Esc brings the whole list back; a newer text replaces a reading still going on; the
    // list commands work on the people shown.
    void theLiveFilterNarrowsTheListAsTyped() {
        std::vector<RawRecord> people = polishClass();
        people.push_back({"Ola", "Kowalska", "Ola", "", "ul. Piotrkowska 1\r\nŁódź", std::nullopt});
        people.push_back({"Jan", "Lodzki", "Jasio", "", "", std::nullopt});
        AlbumFixture f;
        const QString path = f.folder.file("klasa.db3");
        WriteRawAlbum(path, people);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        f.form1().activateWindow();
        auto* filter = f.form1().findChild<QLineEdit*>(QStringLiteral("Szukaj"));
        QVERIFY(filter);
        f.form1().Action("Szukaj1")->trigger();
        QTRY_VERIFY(filter->hasFocus());
        const auto shownFor = [&](const QString& text) {
            filter->setText(text);
            [&] { QTRY_VERIFY(f.form1().RecordListComplete()); }();
            return f.column(3);
        };
        QCOMPARE(shownFor(QStringLiteral("lodz")), QStringList({"Kowalska", "Lodzki"}));
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("2 z 6"));
        QCOMPARE(shownFor(QStringLiteral("ŁÓDŹ")), QStringList({"Kowalska"}));
        QCOMPARE(shownFor(QStringLiteral("kraków")), QStringList({"Łukasik"}));
        QCOMPARE(shownFor(QStringLiteral("✓")), QStringList());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("0 z 6"));
        QTest::keyClick(filter, Qt::Key_Escape);
        QVERIFY(filter->text().isEmpty());
        QTRY_VERIFY(f.form1().RecordListComplete());
        QCOMPARE(f.column(3).size(), 6);
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("6"));

        // F2 and Ctrl+Del on the one person shown.
        QCOMPARE(shownFor(QStringLiteral("łódź")), QStringList({"Kowalska"}));
        f.form1().Action("PokazRekordu1")->trigger();
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Kowalska"));
        f.dialogs->expectBox(MsgResult::Yes);
        f.form1().Action("Zniszcz1")->trigger();
        QCOMPARE(RawCount(path), 5);
        QCOMPARE(f.column(3), QStringList());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("0 z 5"));
        QCOMPARE(filter->text(), QStringLiteral("łódź"));

        // A long list: the second text arrives while the first one's reading goes on, and only
        // its people are shown.
        const QString big = f.folder.file("duza.db3");
        WriteRawAlbum(big, longAlbum(20000));
        f.dialogs->expectOpenFile(big);
        f.form1().Action("OpenDB1")->trigger();
        QVERIFY(filter->text().isEmpty()); // another album's people
        QTRY_VERIFY(f.form1().RecordListComplete());
        filter->setText(QStringLiteral("k1"));
        QVERIFY(!f.form1().RecordListComplete());
        filter->setText(QStringLiteral("k19999"));
        QCoreApplication::processEvents(); // the older list stays until the new rows come
        QVERIFY(f.form1().Grid()->RowCount() > 1);
        QTRY_VERIFY(f.form1().RecordListComplete());
        QCOMPARE(f.column(4), QStringList({"k19999"}));
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("1 z 20000"));
        QCOMPARE(f.dialogs->count(), std::size_t(2)); // the delete's question and the open dialog
    }

    void theRowNumbersFitTheirColumnAndFollowADelete() {
        AlbumFixture f;
        const QString path = f.folder.file("duza.db3");
        WriteRawAlbum(path, {{"Jan", "Kowalski", "J", "", "", std::nullopt}});
        QVERIFY(RawExec(path, "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n "
                              "WHERE i < 100000) INSERT INTO album(Imie, Nazwisko, Ksywa) "
                              "SELECT 'Jan', 'Kowalski', 'J' || i FROM n"));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\n"));
        f.start();
        TFajny& g = *f.form1().Grid();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("100000"));
        QCOMPARE(g.Cells(0, 100000), QStringLiteral("100000"));
        const QFontMetrics metrics(g.Font().toQFont());
        QVERIFY(g.ColWidths(0) > metrics.horizontalAdvance(QStringLiteral("100000")));

        // The first record goes: every row after it is numbered one less, as a new reading shows.
        g.FocusCell(2, 1);
        f.form1().G1Click();
        f.dialogs->expectBox(MsgResult::Yes);
        f.form1().Zniszcz1Click();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("99999"));
        QCOMPARE(g.Cells(0, 99999), QStringLiteral("99999"));
        QCOMPARE(g.Cells(1, 1), QStringLiteral("2"));
        QCOMPARE(RawCount(path), 99999);
    }

    void aFailedLoadShowsNoOldRows() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"), polishClass());
        QVERIFY(f.folder.write("zepsuta.db3", QByteArray(4096, 'x')));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("4"));
        f.dialogs->expectOpenFile(f.folder.file("zepsuta.db3")).expectBox(MsgResult::Ok);
        f.form1().OtwieramDB1Click();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QVERIFY(f.dialogs->last().text.startsWith(
            QStringLiteral("Błąd podczas odczytu bazy danych!\nNie udało się otworzyć albumu: "
                           "plik jest uszkodzony albo nie jest albumem.")));
        // The load shows the busy cursor while it works, but not over its message.
        QVERIFY(!f.dialogs->last().busyCursor);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        for (const QString& s : f.column(3))
            QVERIFY(s.isEmpty());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("0"));
        QCOMPARE(f.folder.read("zepsuta.db3"), QByteArray(4096, 'x'));
    }

    void aDraggedColumnWidthSurvivesTheNextLoad() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"), polishClass());
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        TFajny& g = *f.form1().Grid();
        QWidget* view = g.viewport();
        const TRect title = g.CellRect(4, 0);
        const auto mouse = [view](QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
            QMouseEvent e(type, QPointF(x, y), view->mapToGlobal(QPointF(x, y)), Qt::LeftButton,
                          buttons, Qt::NoModifier);
            QApplication::sendEvent(view, &e);
        };
        // The border right of " Ksywa " in the title row, dragged 30 pixels to the right.
        const int y = (title.Top + title.Bottom) / 2;
        mouse(QEvent::MouseButtonPress, title.Right, y, Qt::LeftButton);
        for (int step = 10; step <= 30; step += 10)
            mouse(QEvent::MouseMove, title.Right + step, y, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, title.Right + 30, y, Qt::NoButton);
        QCOMPARE(g.ColWidths(4), 170);
        f.form1().SortCommand(2); // a new load of the list
        QCOMPARE(g.ColWidths(4), 170);
    }

    void anEmptyAlbumLoadsAsAnEmptyList() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("pusta.db3"), {});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=pusta.db3\n"));
        f.start();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("0"));
        // Showing a record of an empty list does nothing.
        f.form1().PokazRekordu1Click();
        QVERIFY(!f.form2().isVisible());
        QVERIFY(f.dialogs->empty());
        // Regenerating an empty album compacts it and confirms.
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Regeneruj1Click();
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Plik bazowy  pusta.db3  został zregenerowany."));
    }

    void regeneratingCompactsAndReadsTheFirstRecord() {
        AlbumFixture f;
        std::vector<RawRecord> many;
        for (int i = 0; i < 200; ++i)
            many.push_back({QString("Imię%1").arg(i), QString("Nazwisko%1").arg(i), "k",
                            QString(2000, QChar('x')), "", std::nullopt});
        const QString path = f.folder.file("duza.db3");
        WriteRawAlbum(path, many);
        QVERIFY(RawExec(path, "DELETE FROM album WHERE ID > 5"));
        const qint64 before = QFileInfo(path).size();
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\n"));
        f.start();
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Regeneruj1Click();
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Plik bazowy  duza.db3  został zregenerowany."));
        QVERIFY(QFileInfo(path).size() < before);
        QCOMPARE(f.form1().CurrentId(), qint64(1));
        QCOMPARE(f.form2().Imie(), QStringLiteral("Imię0"));
        QVERIFY(!f.form2().isVisible());
    }

    void cancellingARegenerationLeavesTheFileAsItWas() {
        AlbumFixture f;
        std::vector<RawRecord> many;
        for (int i = 0; i < 200; ++i)
            many.push_back({QString("Imię%1").arg(i), QString("Nazwisko%1").arg(i), "k",
                            QString(2000, QChar('x')), "", std::nullopt});
        const QString path = f.folder.file("duza.db3");
        WriteRawAlbum(path, many);
        QVERIFY(RawExec(path, "DELETE FROM album WHERE ID % 2 = 0"));
        const QByteArray before = f.folder.read("duza.db3");
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\n"));
        f.start();
        // "Anuluj" in the progress window at its first report.
        f.dialogs->expectProgress(1).expectBox(
            MsgResult::Ok,
            QStringLiteral("Regenerację bazy przerwano. Plik bazowy pozostał bez zmian."));
        f.form1().Regeneruj1Click();
        QCOMPARE(f.dialogs->count(), std::size_t(2));
        QCOMPARE(f.dialogs->shown().front().text,
                 QStringLiteral("Regeneruję plik bazowy  duza.db3…"));
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
        QVERIFY(f.folder.read("duza.db3") == before);
        QVERIFY(!QFileInfo::exists(path + "-journal"));
    }

    // A compaction killed midway leaves its copy of the album in the temporary folder; the next
    // start removes it, with the engine's journal beside it, but never a copy that a running
    // compaction holds.
    void aKilledCompactionsCopyGoesAtTheNextStart() {
        const std::string temp = std::filesystem::temp_directory_path().string() + "/";
        // A copy's name is made ready first (the journal before the copy), so that another
        // starting program that clears copies cannot leave half of them behind.
        const auto copyName = [&temp](std::string& reserved) {
            reserved = temp + "movra-reserved-XXXXXX";
            const int fd = mkstemp(reserved.data());
            if (fd >= 0)
                ::close(fd);
            return temp + "movra-compact-" + reserved.substr(reserved.size() - 6);
        };
        const auto write = [](const std::string& path, const QByteArray& bytes) {
            QFile file(QString::fromStdString(path));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        std::string reservedStale;
        const std::string stale = copyName(reservedStale);
        QVERIFY(write(stale + "-journal", "journal"));
        QVERIFY(write(reservedStale, QByteArray(8192, 'a')));
        QCOMPARE(::link(reservedStale.c_str(), stale.c_str()), 0);
        ::unlink(reservedStale.c_str());

        // A running compaction's copy: locked from before it bears the name.
        std::string reservedHeld;
        const std::string held = copyName(reservedHeld);
        const int heldFd = ::open(reservedHeld.c_str(), O_RDWR | O_CLOEXEC);
        QVERIFY(heldFd >= 0);
        const auto cleanup = qScopeGuard([&] {
            ::close(heldFd);
            ::unlink(held.c_str());
            ::unlink(reservedHeld.c_str());
        });
        QCOMPARE(flock(heldFd, LOCK_EX), 0);
        QCOMPARE(::link(reservedHeld.c_str(), held.c_str()), 0);

        AlbumFixture f;
        f.start();
        QVERIFY(!QFileInfo::exists(QString::fromStdString(stale)));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(stale + "-journal")));
        QVERIFY(QFileInfo::exists(QString::fromStdString(held)));
    }

    void fileCommandsRefuseWhileTheRecordWindowIsOpen() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"), polishClass());
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        f.form1().PokazRekordu1Click();
        QVERIFY(f.form2().isVisible());
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Nowa1Click();
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Tworzę nowe bazy tylko przy zamkniętym oknie podglądu i edycji "
                                "rekordu \n\r                       Proszę uprzednio zamknij to "
                                "okno. "));
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().OtwieramDB1Click();
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Otwieram bazy tylko przy zamkniętym oknie podglądu i edycji "
                                "rekordu\n\r                      Proszę uprzednio zamknij to "
                                "okno. "));
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Regeneruj1Click();
        QCOMPARE(
            f.dialogs->last().text,
            QStringLiteral("Bazy regeneruję tylko przy zamkniętym oknie podglądu i edycji "
                           "rekordu\n\r                   Proszę uprzednio zamknij to okno. "));
        QVERIFY(!f.form1().Action("Regeneruj1")->isEnabled());
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().SortCommand(2);
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Sortuję tylko przy zamkniętym oknie podglądu i edycji "
                                "rekordu\n\r                Proszę uprzednio zamknij to okno. "));
        QCOMPARE(f.form1().SortKey(), 3);
        f.form2().close();
        QVERIFY(f.form1().Action("Regeneruj1")->isEnabled());
    }

    // A long list shows its first screen at once; the rest arrives while the user can already
    // show a record, and the whole list is then exactly one reading of the file.
    void aLongListArrivesAfterItsFirstScreen() {
        AlbumFixture f;
        const QString path = f.folder.file("duza.db3");
        WriteRawAlbum(path, longAlbum(20000));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\n"));
        const QList<QStringList> expected = wholeList(path, 3);
        f.create();
        TFajny& g = *f.form1().Grid();
        QVERIFY(!f.form1().RecordListComplete());
        const int first = g.RowCount() - 1;
        QVERIFY(first > 0 && first < 20000);
        QCOMPARE(f.form1().RecordCount(), QString::number(first));
        QCOMPARE(gridRows(g), expected.mid(0, first));
        const int numberWidth = g.ColWidths(0); // already as the whole list needs it
        // F2 while the rest is read.
        f.form1().Action("PokazRekordu1")->trigger();
        QVERIFY(f.form2().isVisible());
        QCOMPARE(f.form2().Ksywa(), expected[0][4]);
        f.form2().CloseQuietly();

        f.form1().show();
        QTRY_VERIFY_WITH_TIMEOUT(f.form1().RecordListComplete(), 60000);
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("20000"));
        QCOMPARE(gridRows(g), expected);
        QCOMPARE(g.ColWidths(0), numberWidth);
        QVERIFY(f.dialogs->empty());
    }

    // A sort or an open while the list is still arriving: only the new list is shown.
    void aNewLoadWhileTheListArrivesShowsOnlyTheNewList() {
        AlbumFixture f;
        const QString path = f.folder.file("duza.db3");
        WriteRawAlbum(path, longAlbum(20000));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\n"));
        f.create();
        QVERIFY(!f.form1().RecordListComplete());
        f.form1().SortCommand(2);
        QTRY_VERIFY_WITH_TIMEOUT(f.form1().RecordListComplete(), 60000);
        QCOMPARE(gridRows(*f.form1().Grid()), wholeList(path, 2));
        QCOMPARE(f.form1().Grid()->SortColumn(), 2);

        const QString other = f.folder.file("inna.db3");
        WriteRawAlbum(other, longAlbum(15000, 3));
        f.form1().SortCommand(4);
        f.dialogs->expectOpenFile(other);
        f.form1().OtwieramDB1Click();
        f.form1().CompleteRecordList();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("15000"));
        QCOMPARE(gridRows(*f.form1().Grid()), wholeList(other, 4));
    }

    // Find and save started while the list arrives work on the whole list.
    void commandsThatNeedTheWholeListWaitForIt() {
        AlbumFixture f;
        const QString path = f.folder.file("duza.db3");
        WriteRawAlbum(path, longAlbum(20000));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\n"));
        const QList<QStringList> expected = wholeList(path, 3);
        f.create();
        TFajny& g = *f.form1().Grid();
        QVERIFY(!f.form1().RecordListComplete());
        const QString lastNick = expected.last()[4];
        f.dialogs->expectModal([&](QDialog* d) {
            auto* dialog = qobject_cast<Tfinddlg*>(d);
            if (!dialog)
                return int(QDialog::Rejected);
            dialog->Search()->setText(lastNick);
            dialog->ChkSlowa()->setChecked(true);
            return int(QDialog::Accepted);
        });
        f.form1().Action("Finduj1")->trigger();
        QVERIFY(f.form1().RecordListComplete());
        QCOMPARE(g.Row(), 20000);
        QCOMPARE(g.Cells(4, g.Row()), lastNick);
        QCOMPARE(f.dialogs->count(), std::size_t{1});

        // A save while the list arrives is not refused by the reading's hold on the file.
        f.form1().LoadRecordList();
        QVERIFY(!f.form1().RecordListComplete());
        f.form1().PokazRekordu1Click();
        f.form2().SetNazwisko(QStringLiteral("Zmieniony"));
        f.dialogs->expectBox(MsgResult::Ok, QStringLiteral("Zmiany w rekordzie 1 zostały "
                                                           "zapisane."));
        f.form1().Action("Zmiana1")->trigger();
        QCOMPARE(RawValue(path, expected[0][1].toLongLong(), "Nazwisko"), QByteArray("Zmieniony"));
        f.form1().CompleteRecordList();
        QCOMPARE(gridRows(g), wholeList(path, 3));
    }

    // "Anuluj" while a command waits for the list stops the reading as a stopped load does, and
    // the command does not run; a reading that fails ends as a failed load does.
    void aStoppedOrFailedReadingLeavesNoAlbumOpen() {
        AlbumFixture f;
        const QString path = f.folder.file("duza.db3");
        WriteRawAlbum(path, longAlbum(20000, 300));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\n"));
        f.create();
        QVERIFY(!f.form1().RecordListComplete());
        f.dialogs->expectProgress(1).expectBox(
            MsgResult::Ok, QStringLiteral("Przerwano wczytywanie albumu. Album nie został "
                                          "otwarty; plik bazowy pozostał bez zmian."));
        f.form1().Action("Finduj1")->trigger(); // no find dialog comes
        QVERIFY(f.form1().RecordListComplete());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("0"));
        QCOMPARE(f.form1().Grid()->RowCount(), 1);
        QVERIFY(!f.form1().Database());
        QVERIFY(!f.form1().Action("Regeneruj1")->isEnabled());

        // The whole list sorts in files of its own, which cannot grow here; the first screen
        // needs none.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 256 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        });
        // The stopped album is no longer open: the user opens it again.
        f.dialogs->expectOpenFile(path).expectBox(MsgResult::Ok);
        f.form1().Action("OpenDB1")->trigger();
        QVERIFY(f.form1().Database());
        QVERIFY(f.form1().Grid()->RowCount() > 1);
        QTRY_VERIFY_WITH_TIMEOUT(f.form1().RecordListComplete(), 60000);
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
        QVERIFY(f.dialogs->last().text.startsWith(
            QStringLiteral("Błąd podczas odczytu bazy danych!\nNie udało się")));
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("0"));
        QCOMPARE(f.form1().Grid()->RowCount(), 1);
        QVERIFY(!f.form1().Database());
        QVERIFY(!f.form1().Action("Regeneruj1")->isEnabled());
    }

    // Leaving while the list arrives neither waits for it nor loses the settings.
    void closingWhileTheListArrives() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("duza.db3"), longAlbum(20000));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=duza.db3\nSort=2\n"));
        f.create();
        QVERIFY(!f.form1().RecordListComplete());
        f.stop();
        QVERIFY(f.folder.read("movra.ini").contains("Nazwa=duza.db3"));
    }

    // "Drukuj listę osób..." shows the grid's print preview on the list; closing the main window
    // closes it too, so the program ends.
    void theListOfPeoplePrintsThroughTheGridPreview() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("klasa.db3"), polishClass());
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        QAction* entry = f.form1().Action("DrukujListe1");
        QVERIFY(entry);
        QCOMPARE(entry->text(), QStringLiteral("Drukuj listę osób..."));
        entry->trigger();
        TPokazuj* preview = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TPokazuj*>(w))
                preview = p;
        QVERIFY(preview);
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->Grid(), f.form1().Grid());
        QVERIFY(!preview->PrintImage().isNull());
        QCOMPARE(preview->findChild<QLabel*>("lblpages")->text(), QStringLiteral("strona z 1"));

        QVERIFY(f.form1().close());
        QVERIFY(!preview->isVisible());
    }
};

QTEST_MAIN(TestAlbumFiles)
#include "tst_album_files.moc"
