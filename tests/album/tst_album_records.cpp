// The record commands: show, move, save, add, delete, find, photos.
#include "tests/album/AlbumFixture.h"

#include "album/AlbumFile.h"
#include "grid/Fajny.h"
#include "record/Unit2.h"
#include "record/asfind.h"

#include <QtCore/QFileInfo>
#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QAction>
#include <QtGui/QDragEnterEvent>
#include <QtGui/QDropEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QScrollArea>

using namespace movra;
using namespace movra::test;

namespace {

const QString kChangeQuestion =
    QStringLiteral("W rekordzie dokonano zmian. Czy chcesz je zapisać? ");

// Five people; by last name the list reads Adamczyk, Baran, Czarnecka, Dudek, Ekiert.
std::vector<RawRecord> fivePeople(const QByteArray& photo) {
    return {{"Celina", "Czarnecka", "Cela", "lubi koty", "Poznań", photo},
            {"Adam", "Adamczyk", "Ada", "", "", std::nullopt},
            {"Bartek", "Baran", "Baranek", "notatka o psie Burku", "", photo},
            {"Damian", "Dudek", "Dudi", "", "ul. Polna 1\r\nŁódź", std::nullopt},
            {"Ewa", "Ekiert", "Ewka", "", "", std::nullopt}};
}

// Drags files from a file manager onto a widget and drops them there; false when the widget
// refused the drag.
bool dropFiles(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

void selectRow(TForm1& w, int row) {
    w.Grid()->FocusCell(2, row);
    w.G1Click();
}

} // namespace

class TestAlbumRecords : public QObject {
    Q_OBJECT

    QByteArray photo640;

    void open(AlbumFixture& f) {
        WriteRawAlbum(f.folder.file("klasa.db3"), fivePeople(photo640));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("5"));
    }

    [[nodiscard]] QString albumPath(AlbumFixture& f) { return f.folder.file("klasa.db3"); }

private slots:
    void initTestCase() {
        InitApplication(*qApp);
        photo640 = MakeJpeg(640, 480, QColor(10, 120, 200), true);
    }

    void clickingARowUpdatesTheStatusWithoutShowing() {
        AlbumFixture f;
        open(f);
        selectRow(f.form1(), 4);
        QCOMPARE(f.form1().RowCaption(), QStringLiteral("4"));
        QCOMPARE(f.form1().IdText(), QStringLiteral("4")); // Dudek has ID 4
        QCOMPARE(f.form2().PositionLabel(), QStringLiteral("4 z 5"));
        QCOMPARE(f.form2().FileLabel(), QStringLiteral("klasa.db3"));
        QVERIFY(!f.form2().isVisible());
    }

    void showingARecordFillsTheRecordWindow() {
        AlbumFixture f;
        open(f);
        selectRow(f.form1(), 3); // Czarnecka, ID 1
        QTest::keyClick(&f.form1(), Qt::Key_F2);
        QVERIFY(f.form2().isVisible());
        QCOMPARE(f.form1().CurrentId(), qint64(1));
        QCOMPARE(f.form2().Imie(), QStringLiteral("Celina"));
        QCOMPARE(f.form2().Adres(), QStringLiteral("Poznań"));
        QCOMPARE(f.form2().Photo().Width(), 640);
        QCOMPARE(f.form2().RememberedPhotoSize(), QSize(640, 480));
        QVERIFY(f.form1().Action("Load1")->isEnabled());
        QVERIFY(!f.form2().Changed());
        f.form2().close();

        // Double click on a row shows it too; a record without a photo keeps the remembered size.
        selectRow(f.form1(), 4);
        const TRect r = f.form1().Grid()->CellRect(3, 4);
        QTest::mouseDClick(f.form1().Grid()->viewport(), Qt::LeftButton, {},
                           QPoint(r.Left + 5, r.Top + 5));
        QVERIFY(f.form2().isVisible());
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Dudek"));
        QCOMPARE(f.form2().Adres(), QStringLiteral("ul. Polna 1\r\nŁódź"));
        QVERIFY(f.form2().Photo().IsNull());
        QCOMPARE(f.form2().RememberedPhotoSize(), QSize(640, 480));
    }

    void movingAsksAboutChanges() {
        AlbumFixture f;
        open(f);
        f.form1().Pierwszy1Click();
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Adamczyk"));
        f.form2().Edit2()->setText("Zmieniony");
        f.form2().SetChanged(true);

        f.dialogs->expectBox(MsgResult::Yes);
        f.form1().Nastepny1Click();
        QCOMPARE(f.dialogs->last().text, kChangeQuestion);
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Confirmation);
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Zmieniony"));
        QVERIFY(f.form2().Changed());

        f.dialogs->expectBox(MsgResult::No);
        f.form1().Nastepny1Click();
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Baran"));
        QVERIFY(!f.form2().Changed());
        QCOMPARE(f.form1().RowCaption(), QStringLiteral("2"));
        QCOMPARE(f.form2().PositionLabel(), QStringLiteral("2 z 5"));

        f.form1().Ostatni1Click();
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Ekiert"));
        f.form1().Nastepny1Click(); // on the last record: nothing
        QCOMPARE(f.form1().RowCaption(), QStringLiteral("5"));
        f.form1().Poprzedni1Click();
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Dudek"));
        f.form1().Pierwszy1Click();
        f.form1().Poprzedni1Click(); // on the first: nothing
        QCOMPARE(f.form1().RowCaption(), QStringLiteral("1"));
    }

    void savingWritesQuotedTextsAndCloses() {
        AlbumFixture f;
        open(f);
        f.form1().Pierwszy1Click(); // Adamczyk, ID 2
        f.form2().Edit1()->setText("A\"da\"m");
        f.form2().Memo1()->setPlainText("a\nb");
        f.form2().SetChanged(true);
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Zmiana1Click();
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Zmiany w rekordzie 1 zostały zapisane."));
        QVERIFY(!f.form2().isVisible());
        QVERIFY(!f.form2().Changed());
        QCOMPARE(RawValue(albumPath(f), 2, "Imie"), QByteArray("A''da''m"));
        QCOMPARE(RawValue(albumPath(f), 2, "Notes"), QByteArray("a\r\nb"));
        QCOMPARE(RawType(albumPath(f), 2, "Notes"), QStringLiteral("text"));
        // No photo in the window: the 2 x 2 placeholder is stored.
        const TJpegPhoto stored = TJpegPhoto::FromJpeg(RawValue(albumPath(f), 2, "Picture"));
        QCOMPARE(QSize(stored.Width(), stored.Height()), QSize(2, 2));
        QCOMPARE(f.column(2)[0], QStringLiteral("A''da''m"));
    }

    void savingARecordThatIsGoneIsAnError() {
        AlbumFixture f;
        open(f);
        f.form1().Pierwszy1Click(); // ID 2
        QVERIFY(RawExec(albumPath(f), "DELETE FROM album WHERE ID=2"));
        f.form2().Edit1()->setText("Nowe");
        f.form2().SetChanged(true);
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().SaveRecord();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        QVERIFY(f.form2().isVisible());
        QVERIFY(f.form2().Changed());
        QCOMPARE(f.form2().Imie(), QStringLiteral("Nowe"));
        QCOMPARE(RawCount(albumPath(f)), 4);
    }

    void aFailedSaveChangesNothingAndTheNextOneWorks() {
        AlbumFixture f;
        open(f);
        QVERIFY(RawExec(albumPath(f), "CREATE TRIGGER stop BEFORE UPDATE ON album BEGIN "
                                      "SELECT RAISE(ABORT, 'zablokowane'); END"));
        const QByteArray before = f.folder.read("klasa.db3");
        f.form1().Pierwszy1Click();
        f.form2().Edit1()->setText("Nowe");
        f.form2().SetChanged(true);
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().SaveRecord();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        QVERIFY(f.dialogs->last().text.contains("zablokowane"));
        QVERIFY(f.form2().isVisible());
        QVERIFY(f.form2().Changed());
        QVERIFY(!f.form1().Database()->TransactionOpen());
        QCOMPARE(f.folder.read("klasa.db3"), before);

        QVERIFY(RawExec(albumPath(f), "DROP TRIGGER stop"));
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().SaveRecord();
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Zmiany w rekordzie 1 zostały zapisane."));
        QCOMPARE(RawValue(albumPath(f), 2, "Imie"), QByteArray("Nowe"));
    }

    void addingNeedsTheRecordWindow() {
        AlbumFixture f;
        open(f);
        f.form2().Edit3()->setText("\"X\"");
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Dodaj1Click();
        QCOMPARE(f.dialogs->last().text,
                 QStringLiteral("Dodaję rekordy tylko przy otwartym oknie Podglądu i edycji "
                                "rekordu\n\r\n\r       Proszę otwórz to okno i powtórz operację "
                                "dodawania"));
        QCOMPARE(f.form2().Ksywa(), QStringLiteral("''X''")); // quoted all the same
        QCOMPARE(RawCount(albumPath(f)), 5);

        f.form1().Ostatni1Click();
        f.form2().Edit1()->setText("Zofia");
        f.form2().Edit2()->setText("Zawada");
        f.form2().SetPhoto(TJpegPhoto::FromJpeg(photo640));
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().AddRecord();
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Rekord dodany do bazy. "));
        QCOMPARE(f.form1().CurrentId(), qint64(6));
        QCOMPARE(RawCount(albumPath(f)), 6);
        QCOMPARE(RawValue(albumPath(f), 6, "Picture"), photo640);
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("6"));
        QVERIFY(f.column(3).contains("Zawada"));
        QVERIFY(!f.form2().isVisible());
    }

    void deletingAsksAboutTheRecordItDeletes() {
        AlbumFixture f;
        open(f);
        // The record window shows Baran (row 2, ID 3); the user then clicks row 4.
        selectRow(f.form1(), 2);
        f.form1().PokazRekordu1Click();
        selectRow(f.form1(), 4);
        f.dialogs->expectBox(MsgResult::Yes);
        f.form1().Zniszcz1Click();
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Zniszczyć rekord 2  jesteś tego pewny ?"));
        QCOMPARE(f.dialogs->last().buttons, MsgButtons::YesNoCancel);
        QCOMPARE(RawCount(albumPath(f)), 4);
        QVERIFY(RawValue(albumPath(f), 3, "Nazwisko").isEmpty());
        QVERIFY(!f.form2().isVisible());

        // With the window closed, the selected row is the one.
        selectRow(f.form1(), 1); // Adamczyk, ID 2
        f.dialogs->expectBox(MsgResult::Cancel);
        f.form1().Zniszcz1Click();
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Zniszczyć rekord 1  jesteś tego pewny ?"));
        QCOMPARE(RawCount(albumPath(f)), 4);
        f.dialogs->expectBox(MsgResult::Yes);
        selectRow(f.form1(), 1);
        f.form1().Zniszcz1Click();
        QVERIFY(RawValue(albumPath(f), 2, "Nazwisko").isEmpty());
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("3"));
    }

    void theLastRecordIsNeverDeleted() {
        AlbumFixture f;
        WriteRawAlbum(f.folder.file("jeden.db3"), {{"Jan", "Nowak", "J", "", "", std::nullopt}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=jeden.db3\n"));
        f.start();
        selectRow(f.form1(), 1);
        f.form1().Zniszcz1Click();
        QVERIFY(f.dialogs->empty());
        QCOMPARE(RawCount(f.folder.file("jeden.db3")), 1);
    }

    void findingAndFindingNext() {
        AlbumFixture f;
        open(f);
        // Every find dialog is a fresh one: its phrase is empty when it opens.
        QStringList phrasesAtOpen;
        auto answer = [&phrasesAtOpen](const QString& phrase, bool matchCase, bool whole,
                                       bool byRecords) {
            return [=, &phrasesAtOpen](QDialog* d) {
                auto* find = qobject_cast<Tfinddlg*>(d);
                if (!find)
                    return int(QDialog::Rejected);
                phrasesAtOpen << find->Phrase();
                find->Search()->setText(phrase);
                find->ChkLitery()->setChecked(matchCase);
                find->ChkSlowa()->setChecked(whole);
                (byRecords ? find->ByRecords() : find->ByColumns())->setChecked(true);
                return int(QDialog::Accepted);
            };
        };
        // A phrase only in a hidden note is found in its column.
        f.dialogs->expectModal(answer("burku", false, false, true));
        f.form1().Finduj1Click();
        QCOMPARE(f.form1().Grid()->Row(), 2);
        QCOMPARE(f.form1().Grid()->Col(), 5);
        QVERIFY(f.form1().Action("FindujNast")->isEnabled());
        QCOMPARE(f.form1().Grid()->ColWidths(4), 140); // nicknames stay in view
        QCOMPARE(f.form1().Grid()->ColWidths(5), 0);
        QVERIFY(!f.form2().isVisible());

        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().FindujNastClick();
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Takiej frazy już nie znalazłem"));
        QVERIFY(!f.form1().Action("FindujNast")->isEnabled());

        // Whole words with case: "Ada" matches the nickname only, not "Adamczyk".
        f.dialogs->expectModal(answer("Ada", true, true, false));
        f.form1().Finduj1Click();
        QCOMPARE(f.form1().Grid()->Col(), 4);
        QCOMPARE(f.form1().Grid()->Cells(4, f.form1().Grid()->Row()), QStringLiteral("Ada"));
        QVERIFY(!f.form1().SearchByRecords());

        // The first row of the list is searched too.
        const QString first = f.form1().Grid()->Cells(3, 1);
        f.dialogs->expectModal(answer(first, true, true, true));
        f.form1().Finduj1Click();
        QCOMPARE(f.form1().Grid()->Row(), 1);
        QCOMPARE(f.form1().Grid()->Col(), 3);

        f.dialogs->expectModal(answer("nikt", false, false, true)).expectBox(MsgResult::Ok);
        f.form1().Finduj1Click();
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Frazy   \"nikt\"   nie znalazłem"));
        QVERIFY(!f.form1().Action("FindujNast")->isEnabled());

        f.dialogs->expectModal(int(QDialog::Rejected));
        f.form1().Finduj1Click();
        QCOMPARE(f.form1().Grid()->ColWidths(5), 0);
        QCOMPARE(phrasesAtOpen, (QStringList{QString(), QString(), QString(), QString()}));
    }

    void importingAndExportingPhotos() {
        AlbumFixture f;
        open(f);
        selectRow(f.form1(), 3); // Czarnecka with a 640 x 480 photo
        f.form1().PokazRekordu1Click();
        const QString png = f.folder.file("zdjecie.png");
        QVERIFY(f.folder.write("zdjecie.png", "not really"));
        f.dialogs->expectOpenFile(png).expectBox(MsgResult::Ok);
        f.form1().Load1Click();
        QCOMPARE(f.dialogs->shown().front().file.Filter,
                 QStringLiteral("JPEG Image (*.jpg)|*.jpg"));
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Przyjmuję tylko pliki .JPG"));

        const QString bigger = f.folder.file("WIEKSZE.JPG");
        QVERIFY(WriteJpeg(bigger, 800, 600));
        f.dialogs->clear();
        f.dialogs->expectOpenFile(bigger);
        f.form1().Load1Click();
        QCOMPARE(f.form2().Photo().Width(), 800);
        QCOMPARE(f.dialogs->last().file.InitialDir, QFileInfo(png).absolutePath());

        const QString out = f.folder.file("fotka.jpg");
        f.dialogs->expectSaveFile(out);
        f.form1().Export1Click();
        QCOMPARE(f.dialogs->last().file.FileName, QStringLiteral("fotka.jpg"));
        QCOMPARE(f.dialogs->last().file.DefaultExt, QStringLiteral("jpg"));
        QCOMPARE(f.dialogs->last().file.Filter,
                 QStringLiteral("Pliki obrazy (*.jpg)|*.jpg|Dowolne pliki (*.*)|*.*"));
        QCOMPARE(f.folder.read("fotka.jpg"), f.form2().Photo().Jpeg());

        // Replacing asks first; No keeps the file.
        QVERIFY(f.folder.write("fotka.jpg", "old"));
        f.dialogs->expectSaveFile(out).expectBox(MsgResult::No);
        f.form1().Export1Click();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Confirmation);
        QCOMPARE(f.folder.read("fotka.jpg"), QByteArray("old"));

        // No photo: a clear error, no dialog.
        f.form2().SetPhoto(TJpegPhoto());
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().ExportPicture();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
    }

    // A portrait photo from a phone (stored lying, with an orientation tag) dragged from a file
    // manager onto the photo: imported as the import command imports, shown upright, stored and
    // exported with its bytes, tag and all, unchanged.
    void aPhonePhotoDroppedOnThePhotoStandsUpright() {
        AlbumFixture f;
        open(f);
        selectRow(f.form1(), 3); // Czarnecka (ID 1) with a 640 x 480 photo
        f.form1().PokazRekordu1Click();
        QWidget* photoArea = f.form2().findChild<QScrollArea*>("ScrollBox1")->viewport();

        QVERIFY(f.folder.write("zdjecie.png", "not really"));
        QVERIFY(f.folder.write("drugie.jpg", photo640));
        QVERIFY(!dropFiles(photoArea, {f.folder.file("drugie.jpg"), f.folder.file("zdjecie.png")}));
        f.dialogs->expectBox(MsgResult::Ok);
        QVERIFY(dropFiles(photoArea, {f.folder.file("zdjecie.png")}));
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Przyjmuję tylko pliki .JPG"));
        QCOMPARE(f.form2().Photo().Jpeg(), photo640);
        QVERIFY(!f.form2().Changed());

        const QByteArray phone = MakeQuadrantJpegWithOrientation(64, 48, 6);
        QVERIFY(f.folder.write("telefon.jpg", phone));
        QVERIFY(dropFiles(photoArea, {f.folder.file("telefon.jpg")}));
        QCOMPARE(f.form2().Photo().Jpeg(), phone);
        QVERIFY(f.form2().Changed());
        // Upright: 48 wide and 64 high, the blue quadrant (stored bottom left) at the top left.
        const auto* image1 = f.form2().findChild<QLabel*>("Image1");
        QCOMPARE(image1->size(), QSize(48, 64));
        const QImage shown = image1->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(48, 64));
        const QRgb topLeft = shown.pixel(8, 8);
        QVERIFY2(qBlue(topLeft) > 200 && qRed(topLeft) < 60 && qGreen(topLeft) < 60,
                 qPrintable(QString::number(topLeft, 16)));
        // The next import from the dialog starts where the dropped file was.
        QVERIFY(f.folder.write("inne.jpg", photo640));
        f.dialogs->expectOpenFile(f.folder.file("inne.jpg"));
        f.form2().findChild<QAction*>("Load1")->trigger();
        QCOMPARE(f.dialogs->last().file.FileName, f.folder.file("telefon.jpg"));
        QVERIFY(dropFiles(photoArea, {f.folder.file("telefon.jpg")}));

        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Zmiana1Click();
        QCOMPARE(RawValue(albumPath(f), 1, "Picture"), phone);
        selectRow(f.form1(), 3);
        f.form1().PokazRekordu1Click();
        QCOMPARE(f.form2().RememberedPhotoSize(), QSize(48, 64));
        f.dialogs->expectSaveFile(f.folder.file("fotka.jpg"));
        f.form1().Export1Click();
        QCOMPARE(f.folder.read("fotka.jpg"), phone);
    }

    void aBrokenPhotoLeavesTheWindowAsItWas() {
        AlbumFixture f;
        std::vector<RawRecord> rows = fivePeople(photo640);
        rows[1].picture = QByteArray("\xFF\xD8 broken", 9);
        WriteRawAlbum(f.folder.file("klasa.db3"), rows);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        selectRow(f.form1(), 3);
        f.form1().PokazRekordu1Click(); // Czarnecka
        selectRow(f.form1(), 1);        // Adamczyk with the broken photo
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Action("PokazRekordu1")->trigger();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Czarnecka"));
        QCOMPARE(f.form1().CurrentId(), qint64(1));
    }
};

QTEST_MAIN(TestAlbumRecords)
#include "tst_album_records.moc"
