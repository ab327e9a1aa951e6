// The record commands: show, move, save, add, delete, find, photos.
#include "tests/album/AlbumFixture.h"

#include "album/AlbumFile.h"
#include "grid/Fajny.h"
#include "record/Unit2.h"
#include "record/asfind.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QMimeData>
#include <QtCore/QRandomGenerator>
#include <QtCore/QScopeGuard>
#include <QtCore/QStringDecoder>
#include <QtCore/QTemporaryDir>
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
#include <QtWidgets/QToolButton>

using namespace movra;
using namespace movra::test;

namespace {

const QString kChangeQuestion =
    QStringLiteral("W rekordzie dokonano zmian. Czy chcesz je zapisać? ");
const QString kOnlyJpeg =
    QStringLiteral("Przyjmuję tylko zdjęcia JPEG: pliki z rozszerzeniem .jpg albo .jpeg.");

// Five people; by last name the list reads Adamczyk, Baran, Czarnecka, Dudek, Ekiert.
std::vector<RawRecord> fivePeople(const QByteArray& photo) {
    return {{"Celina", "Czarnecka", "Cela", "lubi koty", "Poznań", photo},
            {"Adam", "Adamczyk", "Ada", "", "", std::nullopt},
            {"Bartek", "Baran", "Baranek", "notatka o psie Burku", "", photo},
            {"Damian", "Dudek", "Dudi", "", "ul. Polna 1\r\nŁódź", std::nullopt},
            {"Ewa", "Ekiert", "Ewka", "", "", std::nullopt}};
}

// Every character a stored text can hold: each printable Windows-1250 character, the double
// quote included (the program types it as two apostrophes, but other tools store it raw).
QString storableCharacters() {
    QString all;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x7F)
            continue;
        QStringDecoder decoder("windows-1250");
        const QString c = decoder.decode(QByteArray(1, static_cast<char>(b)));
        if (!decoder.hasError() && c.size() == 1 && c != QChar(QChar::ReplacementCharacter) &&
            c.at(0).isPrint())
            all += c;
    }
    return all;
}

enum class Breaks { None, CrLf, Any };

// A text of n characters drawn from chars; with breaks, CR LF pairs come in as well, and with
// any breaks also a lone CR or a lone LF, as other tools write them.
QString randomText(QRandomGenerator& rng, const QString& chars, int n, Breaks breaks) {
    static const QString anyBreak[] = {QStringLiteral("\r\n"), QStringLiteral("\r"),
                                       QStringLiteral("\n")};
    QString t;
    while (t.size() < n) {
        if (breaks != Breaks::None && rng.bounded(12) == 0)
            t += anyBreak[breaks == Breaks::Any ? rng.bounded(3) : 0];
        else if (rng.bounded(15) == 0)
            t += QStringLiteral("''"); // a typed double quote, as stored
        else if (rng.bounded(25) == 0)
            t += u'"'; // a raw double quote, as other tools store it
        else
            t += chars.at(rng.bounded(static_cast<int>(chars.size())));
    }
    t.truncate(n);
    if (breaks == Breaks::CrLf && t.endsWith(u'\r'))
        t.back() = u'.'; // a line break of a name is a whole CR LF pair
    return t;
}

// Compares two snapshots of a file's records, naming the first value that differs.
bool sameRecords(const std::vector<QByteArrayList>& actual,
                 const std::vector<QByteArrayList>& expected) {
    if (actual.size() != expected.size()) {
        qWarning("%zu records instead of %zu", actual.size(), expected.size());
        return false;
    }
    static const char* const names[] = {"ID",    "Imie",  "Nazwisko", "Ksywa",
                                        "Notes", "Adres", "Picture"};
    for (std::size_t r = 0; r < actual.size(); ++r)
        for (int c = 0; c < 7; ++c)
            if (actual[r][c] != expected[r][c]) {
                const QByteArray& a = actual[r][c];
                const QByteArray& e = expected[r][c];
                qsizetype at = 0;
                while (at < a.size() && at < e.size() && a[at] == e[at])
                    ++at;
                // Each value is its storage class, a colon and its bytes.
                qWarning(
                    "record %s, %s: %s instead of %s; first difference at byte %lld: ...%s "
                    "instead of ...%s",
                    expected[r][0].constData(), names[c], a.left(a.indexOf(':') + 12).constData(),
                    e.left(e.indexOf(':') + 12).constData(),
                    static_cast<long long>(at - e.indexOf(':') - 1),
                    a.mid(at, 12).toHex(' ').constData(), e.mid(at, 12).toHex(' ').constData());
                return false;
            }
    return true;
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
        // There, answered No, the question clears the flag but the edits stay in the window.
        f.form2().Edit2()->setText("Zmieniony");
        f.form2().SetChanged(true);
        f.dialogs->expectBox(MsgResult::No);
        f.form1().Poprzedni1Click();
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Zmieniony"));
        QVERIFY(!f.form2().Changed());
    }

    // Typed double quotes are stored, listed and shown again as typed; the notes' line breaks
    // are stored as CR LF.
    void savingStoresTheTextsAsTypedAndCloses() {
        AlbumFixture f;
        open(f);
        f.form1().Pierwszy1Click(); // Adamczyk, ID 2
        f.form2().Edit3()->clear();
        QTest::keyClicks(f.form2().Edit3(), "\"Ruda\" 50%");
        f.form2().Memo1()->setFocus();
        QTest::keyClicks(f.form2().Memo1(), "a \"b\"");
        QTest::keyClick(f.form2().Memo1(), Qt::Key_Return);
        QTest::keyClicks(f.form2().Memo1(), "c");
        QVERIFY(f.form2().Changed());
        f.dialogs->expectBox(MsgResult::Ok);
        QTest::mouseClick(f.form2().findChild<QToolButton*>("btnZmiana"), Qt::LeftButton);
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Zmiany w rekordzie 1 zostały zapisane."));
        QVERIFY(!f.form2().isVisible());
        QVERIFY(!f.form2().Changed());
        QCOMPARE(RawValue(albumPath(f), 2, "Ksywa"), QByteArray("\"Ruda\" 50%"));
        QCOMPARE(RawValue(albumPath(f), 2, "Notes"), QByteArray("a \"b\"\r\nc"));
        QCOMPARE(RawType(albumPath(f), 2, "Notes"), QStringLiteral("text"));
        // No photo in the window: the 2 x 2 placeholder is stored.
        const TJpegPhoto stored = TJpegPhoto::FromJpeg(RawValue(albumPath(f), 2, "Picture"));
        QCOMPARE(QSize(stored.Width(), stored.Height()), QSize(2, 2));
        QCOMPARE(f.column(4)[0], QStringLiteral("\"Ruda\" 50%"));
        f.form1().Pierwszy1Click();
        QCOMPARE(f.form2().Ksywa(), QStringLiteral("\"Ruda\" 50%"));
        QCOMPARE(f.form2().Notes(), QStringLiteral("a \"b\"\r\nc"));
    }

    void theSaveMessageNamesTheRowOfTheRecordWritten() {
        AlbumFixture f;
        open(f);
        f.form1().Pierwszy1Click(); // row 1: Adamczyk, ID 2
        selectRow(f.form1(), 4);    // Dudek selected in the list, not shown
        f.form2().Edit3()->setText("Adaś");
        f.form2().SetChanged(true);
        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().activateWindow();
        QTRY_VERIFY(f.form1().isActiveWindow());
        QTest::keyClick(&f.form1(), Qt::Key_Insert);
        QCOMPARE(f.dialogs->last().text, QStringLiteral("Zmiany w rekordzie 1 zostały zapisane."));
        QCOMPARE(RawValue(albumPath(f), 2, "Ksywa"), Cp1250Bytes("Adaś"));
        QCOMPARE(RawValue(albumPath(f), 4, "Ksywa"), QByteArray("Dudi"));
    }

    void showingAndSavingWithoutAnEditKeepsEveryByte() {
        // Names and notes at, under and over every limit (15, 20, 20), empty, with apostrophes,
        // raw double quotes, CR LF (and in notes lone CRs and LFs), no-break spaces and every
        // character the album can hold; some with a photo.
        const QString chars = storableCharacters();
        QVERIFY(chars.contains(QChar(0xA0)) && chars.contains(u'Ł') && chars.contains(u'ž'));
        QRandomGenerator rng(20261207);
        const int nameLengths[] = {0, 1, 14, 15, 16, 19, 20, 21, 47, 120};
        const int noteLengths[] = {0, 1, 40, 700, 5000};
        const QByteArray photo = MakeJpeg(8, 6);
        std::vector<RawRecord> records;
        for (int i = 0; i < 30; ++i) {
            const auto name = [&](int k) { return nameLengths[(i * k + k) % 10]; };
            RawRecord r{randomText(rng, chars, name(1), i % 7 == 3 ? Breaks::CrLf : Breaks::None),
                        randomText(rng, chars, name(3), Breaks::None),
                        randomText(rng, chars, name(7), Breaks::None),
                        randomText(rng, chars, noteLengths[i % 5], Breaks::Any),
                        randomText(rng, chars, noteLengths[(i + 2) % 5], Breaks::Any),
                        i % 3 == 0 ? std::optional<QByteArray>(photo) : std::nullopt};
            records.push_back(r);
        }
        // Every character in a name field and in a note, in texts over the limits.
        for (qsizetype at = 0; at < chars.size(); at += 21)
            records.push_back({chars.mid(at, 16), chars.mid(at, 21), chars.mid(at, 21),
                               QStringLiteral("\r\n") + chars + QStringLiteral("\r\n\r\n"),
                               QStringLiteral("\r\"a\"\n\n\r\r\nb\r"), std::nullopt});
        // The lowest ID, which regenerating reads into the hidden record window.
        records.front().imie = QStringLiteral("Ala''Ola'' Żaneta \"Ćma\"");
        records.front().ksywa = QStringLiteral("Brzęczyszczykiewicz''Ł''");
        records.front().notes = QStringLiteral("\"a\"\rb\nc\r\n");

        AlbumFixture f;
        const QString path = f.folder.file("klasa.db3");
        WriteRawAlbum(path, records);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        TForm1& w = f.form1();
        const int n = static_cast<int>(records.size());
        QCOMPARE(w.RecordCount(), QString::number(n));
        const QByteArray placeholder = "blob:" + f.form2().Placeholder().Jpeg();

        for (int row = 1; row <= n; ++row) {
            const std::vector<QByteArrayList> before = RawRecords(path);
            w.activateWindow();
            QTRY_VERIFY(w.isActiveWindow());
            selectRow(w, row);
            QTest::keyClick(&w, Qt::Key_F2);
            QVERIFY(f.form2().isVisible());
            const qint64 id = w.CurrentId();
            f.dialogs->expectBox(
                MsgResult::Ok, QStringLiteral("Zmiany w rekordzie %1 zostały zapisane.").arg(row));
            if (row % 2) {
                QTest::mouseClick(f.form2().findChild<QToolButton*>("btnZmiana"), Qt::LeftButton);
            } else {
                w.activateWindow();
                QTRY_VERIFY(w.isActiveWindow());
                QTest::keyClick(&w, Qt::Key_Insert);
            }
            QVERIFY(!f.form2().isVisible());
            std::vector<QByteArrayList> expected = before;
            for (QByteArrayList& r : expected)
                if (r[0] == "integer:" + QByteArray::number(id) && r[6] == "null:")
                    r[6] = placeholder; // the one change: a missing photo becomes the placeholder
            QVERIFY(sameRecords(RawRecords(path), expected));
        }

        // The same through the hidden record window that regenerating fills, saved with Ins.
        f.dialogs->expectBox(MsgResult::Ok);
        w.Regeneruj1Click();
        QVERIFY(!f.form2().isVisible());
        QCOMPARE(f.form2().Ksywa(), records.front().ksywa);
        const std::vector<QByteArrayList> before = RawRecords(path);
        f.dialogs->expectBox(MsgResult::Ok);
        QTest::keyClick(&w, Qt::Key_Insert);
        QVERIFY(f.dialogs->last().text.startsWith(QStringLiteral("Zmiany w rekordzie ")));
        QVERIFY(sameRecords(RawRecords(path), before));
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
        QCOMPARE(f.form2().Ksywa(), QStringLiteral("\"X\"")); // the window keeps what was typed
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

    // F2 scrolls the list so that the shown row is the last one wholly in view.
    void showingScrollsTheRowIntoView() {
        AlbumFixture f;
        std::vector<RawRecord> many;
        for (int i = 1; i <= 40; ++i)
            many.push_back({QStringLiteral("Imię"),
                            QStringLiteral("Nazwisko %1").arg(i, 2, 10, QLatin1Char('0')),
                            QString(), QString(), QString(), std::nullopt});
        WriteRawAlbum(albumPath(f), many);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        TFajny& g = *f.form1().Grid();
        QVERIFY(g.VisibleRowCount() > 1 && g.VisibleRowCount() < 30);
        selectRow(f.form1(), 30);
        QTest::keyClick(&f.form1(), Qt::Key_F2);
        QVERIFY(f.form2().isVisible());
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Nazwisko 30"));
        QCOMPARE(g.TopRow() + g.VisibleRowCount() - 1, 30);
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
        QCOMPARE(f.form1().Grid()->Col(), 2); // the hidden column's row, in the name column
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
        f.dialogs->expectOpenFile(png).expectBox(MsgResult::Ok, kOnlyJpeg);
        f.form1().Load1Click();

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
        QCOMPARE(f.dialogs->last().text, kOnlyJpeg);
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

    // A Picture another tool filled with a number, a text or damaged bytes: the record opens with
    // a note in the photo's place, the names and notes can be edited and saved, and the stored
    // value stays byte for byte (storage class too) until the user imports a photo.
    void aPhotoThatIsNoJpegStillShowsThePerson() {
        AlbumFixture f;
        std::vector<RawRecord> rows = fivePeople(photo640);
        rows[1].picture = QByteArray("\xFF\xD8 broken", 9); // Adamczyk, ID 2
        WriteRawAlbum(albumPath(f), rows);
        QVERIFY(RawExec(albumPath(f), "UPDATE album SET Picture=12 WHERE ID=3;"
                                      "UPDATE album SET Picture='nie obraz' WHERE ID=4"));
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        const auto* image1 = f.form2().findChild<QLabel*>("Image1");
        // Row by last name: Adamczyk 1 (ID 2), Baran 2 (ID 3), Dudek 4 (ID 4).
        const struct {
            int row;
            qint64 id;
            QByteArray stored;
            QString type;
        } damaged[] = {{1, 2, QByteArray("\xFF\xD8 broken", 9), QStringLiteral("blob")},
                       {2, 3, QByteArray("12"), QStringLiteral("integer")},
                       {4, 4, QByteArray("nie obraz"), QStringLiteral("text")}};
        for (const auto& d : damaged) {
            selectRow(f.form1(), 3);
            f.form1().PokazRekordu1Click(); // Czarnecka with a good photo first
            selectRow(f.form1(), d.row);
            QTest::keyClick(&f.form1(), Qt::Key_F2);
            QVERIFY(f.form2().isVisible());
            QCOMPARE(f.form1().CurrentId(), d.id);
            QVERIFY(f.form2().Photo().IsNull());
            QVERIFY(image1->text().startsWith(
                QStringLiteral("Zapisane zdjęcie tej osoby jest uszkodzone")));
            QVERIFY(!f.form2().Changed());
            QTest::keyClicks(f.form2().Edit3(), "!");
            f.dialogs->expectBox(MsgResult::Ok);
            QTest::mouseClick(f.form2().findChild<QToolButton*>("btnZmiana"), Qt::LeftButton);
            QVERIFY(f.dialogs->last().text.endsWith(QStringLiteral(" zostały zapisane.")));
            QVERIFY(RawValue(albumPath(f), d.id, "Ksywa").endsWith('!'));
            QCOMPARE(RawValue(albumPath(f), d.id, "Picture"), d.stored);
            QCOMPARE(RawType(albumPath(f), d.id, "Picture"), d.type);
            // Ins with the window closed writes the same again, the value still kept.
            f.dialogs->expectBox(MsgResult::Ok);
            f.form1().Zmiana1Click();
            QCOMPARE(RawValue(albumPath(f), d.id, "Picture"), d.stored);
        }

        // An imported photo replaces the value.
        selectRow(f.form1(), 2);
        f.form1().PokazRekordu1Click();
        QVERIFY(f.folder.write("nowe.jpg", photo640));
        f.dialogs->expectOpenFile(f.folder.file("nowe.jpg")).expectBox(MsgResult::Ok);
        f.form2().findChild<QAction*>("Load1")->trigger();
        QVERIFY(f.form2().Changed());
        QCOMPARE(image1->text(), QString());
        f.form1().Zmiana1Click();
        QCOMPARE(RawValue(albumPath(f), 3, "Picture"), photo640);
        QCOMPARE(RawType(albumPath(f), 3, "Picture"), QStringLiteral("blob"));
    }

    // Cameras name their photos IMG_1.jpeg or IMG_1.JPG: both are taken, from the dialog and
    // from a drop. The first dialog of a run opens in the pictures folder (the home folder when
    // there is none), later ones where the last photo came from.
    void camerasPhotosAreTakenWhateverTheirExtension() {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            if (oldConfig.isNull())
                qunsetenv("XDG_CONFIG_HOME");
            else
                qputenv("XDG_CONFIG_HOME", oldConfig);
        });
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));

        AlbumFixture f;
        open(f);
        selectRow(f.form1(), 3); // Czarnecka with a 640 x 480 photo
        f.form1().PokazRekordu1Click();
        QAction* load = f.form2().findChild<QAction*>("Load1");
        f.dialogs->expectOpenFile(std::nullopt);
        load->trigger();
        QCOMPARE(f.dialogs->last().file.InitialDir, home.path());
        QCOMPARE(f.dialogs->last().file.Filter,
                 QStringLiteral("Zdjęcia JPEG (*.jpg *.jpeg)|*.jpg;*.jpeg"));
        QCOMPARE(f.dialogs->last().parent.data(), &f.form2());

        QVERIFY(QDir(home.path()).mkpath("Pictures/aparat"));
        f.dialogs->expectOpenFile(std::nullopt);
        load->trigger();
        QCOMPARE(f.dialogs->last().file.InitialDir, home.filePath("Pictures"));

        const QString jpeg = home.filePath("Pictures/aparat/IMG_1.jpeg");
        QVERIFY(WriteJpeg(jpeg, 320, 240));
        f.dialogs->expectOpenFile(jpeg);
        load->trigger();
        QCOMPARE(f.form2().Photo().Width(), 320);
        f.dialogs->expectOpenFile(std::nullopt);
        f.form1().Action("Load1")->trigger();
        QCOMPARE(f.dialogs->last().file.InitialDir, home.filePath("Pictures/aparat"));

        QWidget* photoArea = f.form2().findChild<QScrollArea*>("ScrollBox1")->viewport();
        int width = 100;
        for (const char* name : {"IMG_2.JPG", "IMG_3.JPEG", "IMG_4.Jpeg"}) {
            ++width;
            QVERIFY(WriteJpeg(home.filePath(name), width, 50));
            QVERIFY(dropFiles(photoArea, {home.filePath(name)}));
            QCOMPARE(f.form2().Photo().Width(), width);
        }
        QVERIFY(f.dialogs->texts().isEmpty());
    }

    // The import that once went unasked: Ctrl+I in the main window (whose dialog used to leave
    // the change flag alone) of a photo the size of the one shown. Esc in the record window, a
    // move and F2 on another row all ask; Yes keeps the new photo.
    void anImportedPhotoIsNeverLostUnasked() {
        AlbumFixture f;
        open(f);
        selectRow(f.form1(), 3); // Czarnecka, 640 x 480
        f.form1().PokazRekordu1Click();
        const QByteArray other = MakeJpeg(640, 480, QColor(200, 30, 30), true);
        QVERIFY(f.folder.write("inne.jpg", other));
        f.dialogs->expectOpenFile(f.folder.file("inne.jpg"));
        f.form1().activateWindow();
        QTRY_VERIFY(f.form1().isActiveWindow());
        QTest::keyClick(&f.form1(), Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(f.form2().Photo().Jpeg(), other);
        QVERIFY(f.form2().Changed());

        f.form2().activateWindow();
        QTRY_VERIFY(f.form2().isActiveWindow());
        f.dialogs->expectBox(MsgResult::Yes, kChangeQuestion);
        QTest::keyClick(f.form2().findChild<QScrollArea*>("ScrollBox1"), Qt::Key_Escape);
        QVERIFY(f.form2().isVisible());
        f.dialogs->expectBox(MsgResult::Yes, kChangeQuestion);
        QTest::mouseClick(f.form2().findChild<QToolButton*>("btnNastepny"), Qt::LeftButton);
        f.dialogs->expectBox(MsgResult::Yes, kChangeQuestion);
        f.form1().activateWindow();
        QTRY_VERIFY(f.form1().isActiveWindow());
        selectRow(f.form1(), 5);
        QTest::keyClick(&f.form1(), Qt::Key_F2);
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Czarnecka"));
        QCOMPARE(f.form2().Photo().Jpeg(), other);

        f.dialogs->expectBox(MsgResult::No, kChangeQuestion);
        QTest::keyClick(&f.form1(), Qt::Key_F2);
        QCOMPARE(f.form2().Nazwisko(), QStringLiteral("Ekiert"));
        QVERIFY(!f.form2().Changed());
        QCOMPARE(RawValue(albumPath(f), 1, "Picture"), photo640);
    }

    // Ins before any record was shown says so, and writes nothing.
    void savingBeforeAnyRecordWasShownSaysSo() {
        AlbumFixture f;
        open(f);
        const std::vector<QByteArrayList> before = RawRecords(albumPath(f));
        selectRow(f.form1(), 2);
        f.dialogs->expectBox(MsgResult::Ok,
                             QStringLiteral("Nie wyświetlono żadnego rekordu: najpierw otwórz "
                                            "rekord (Enter lub dwuklik na liście), a potem zapisz "
                                            "zmiany."));
        QTest::keyClick(&f.form1(), Qt::Key_Insert);
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Information);
        QVERIFY(sameRecords(RawRecords(albumPath(f)), before));
    }

    // Enter in the find dialog searches; a match in the hidden notes makes the person's row
    // current, in view, with its first name as the current cell; F3 the same.
    void findingInTheNotesShowsThePersonsRow() {
        AlbumFixture f;
        std::vector<RawRecord> many;
        for (int i = 1; i <= 40; ++i)
            many.push_back({QStringLiteral("Imię %1").arg(i),
                            QStringLiteral("Nazwisko %1").arg(i, 2, 10, QLatin1Char('0')),
                            QString(),
                            i == 33 || i == 37 ? QStringLiteral("lubi żeglować") : QString(),
                            QString(), std::nullopt});
        WriteRawAlbum(albumPath(f), many);
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        f.start();
        TFajny& g = *f.form1().Grid();
        QVERIFY(g.VisibleRowCount() < 30);
        f.dialogs->expectModal([](QDialog* d) {
            auto* find = qobject_cast<Tfinddlg*>(d);
            if (!find)
                return int(QDialog::Rejected);
            find->show();
            if (!QTest::qWaitForWindowActive(find))
                return int(QDialog::Rejected);
            QTest::keyClicks(find->Search(), "glowa");
            QTest::keyClick(find->Search(), Qt::Key_Return);
            return find->result();
        });
        f.form1().Finduj1Click();
        const auto inView = [&g](int row) {
            return row >= g.TopRow() && row < g.TopRow() + g.VisibleRowCount();
        };
        QCOMPARE(g.Row(), 33);
        QCOMPARE(g.Col(), 2);
        QVERIFY(g.ColWidths(g.Col()) > 0);
        QVERIFY(inView(33));
        QCOMPARE(f.form1().RowCaption(), QStringLiteral("33"));
        QCOMPARE(g.ColWidths(5), 0); // the notes stay hidden

        g.SetTopRow(1);
        f.form1().Action("FindujNast")->trigger();
        QCOMPARE(g.Row(), 37);
        QCOMPARE(g.Col(), 2);
        QVERIFY(inView(37));
    }
};

QTEST_MAIN(TestAlbumRecords)
#include "tst_album_records.moc"
