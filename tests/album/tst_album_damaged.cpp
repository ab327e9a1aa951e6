// Damaged input from outside the program: an album another tool edited by hand and a photo
// file cut short. Each is met with a clear word, and nothing is taken without the user's yes.
#include "tests/album/AlbumFixture.h"

#include "grid/Fajny.h"
#include "record/Unit2.h"

#include <QtCore/QDir>
#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QAction>
#include <QtGui/QDropEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QScrollArea>

using namespace movra;
using namespace movra::test;

namespace {

void selectRow(TForm1& w, int row) {
    w.Grid()->FocusCell(2, row);
    w.G1Click();
}

// Drops a file from a file manager onto a widget.
void dropFile(QWidget* target, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

bool isGrey(QRgb c) {
    return qAbs(qRed(c) - 128) < 4 && qAbs(qGreen(c) - 128) < 4 && qAbs(qBlue(c) - 128) < 4;
}

} // namespace

class TestAlbumDamaged : public QObject {
    Q_OBJECT

    QByteArray photo;

    void open(AlbumFixture& f) {
        WriteRawAlbum(f.folder.file("klasa.db3"), {{"Celina", "Czarnecka", "Cela", "", "", photo},
                                                   {"Adam", "Adamczyk", "Ada", "", "", photo}});
        QVERIFY(f.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
    }

private slots:
    void initTestCase() {
        InitApplication(*qApp);
        photo = MakeJpeg(40, 30, QColor(10, 120, 200), true);
    }

    // A hand-edited album whose key column holds a text: F2 on that row says why nothing shows.
    void f2OnARowWhoseIdIsNoNumberSaysWhy() {
        AlbumFixture f;
        open(f);
        QVERIFY(RawExec(f.folder.file("klasa.db3"),
                        "CREATE TABLE t (ID VARCHAR(10), Imie VARCHAR(15), Nazwisko VARCHAR(20), "
                        "Ksywa VARCHAR(20), Notes BLOB, Adres BLOB, Picture BLOB);"
                        "INSERT INTO t SELECT * FROM album; DROP TABLE album;"
                        "ALTER TABLE t RENAME TO album; UPDATE album SET ID='A-2' WHERE ID=2;"));
        f.start();
        QCOMPARE(f.form1().RecordCount(), QStringLiteral("2"));
        selectRow(f.form1(), 1); // Adamczyk
        QCOMPARE(f.form1().IdText(), QStringLiteral("A-2"));
        f.dialogs->expectBox(MsgResult::Ok,
                             QStringLiteral("Nie mogę pokazać rekordu z wiersza 1: jego "
                                            "identyfikator (ID) „A-2” nie jest liczbą całkowitą. "
                                            "Plik bazowy zmieniono innym programem; popraw w nim "
                                            "ID tego rekordu."));
        f.form1().Action("PokazRekordu1")->trigger();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Error);
        QVERIFY(!f.form2().isVisible());
    }

    // A CHECK constraint, an index on an expression and a partial index evaluate their
    // expressions on every record written (six costly ones froze each save for seconds): such
    // albums are refused at open, with the reason, and never written. The word check inside a
    // quoted name, a default text or a comment, and indexes on plain columns, are left alone.
    void anAlbumThatRunsItsCodeOnEverySaveIsRefused() {
        // The album table made again by the statement given, its records kept.
        const auto remade = [](const QString& table) {
            return (table +
                    QStringLiteral(";INSERT INTO t(ID, Imie, Nazwisko, Ksywa, Notes, Adres, "
                                   "Picture) SELECT * FROM album; DROP TABLE album; ALTER "
                                   "TABLE t RENAME TO album;"))
                .toUtf8();
        };
        const QString cols = QStringLiteral(
            "Imie VARCHAR(15),Nazwisko VARCHAR(20), Ksywa VARCHAR(20),Notes BLOB,Adres BLOB");
        const QString checkRefused = QStringLiteral(
            "Ten plik nie jest bazą albumu: tabela „album” ma ograniczenia CHECK, czyli kod, który "
            "uruchamiałby się przy każdym zapisie rekordu. Program nie otwiera takich plików.");
        const QString indexRefused = QStringLiteral(
            "Ten plik nie jest bazą albumu: tabela „album” ma indeks na wyrażeniu albo indeks "
            "częściowy (z warunkiem WHERE), czyli kod, który uruchamiałby się przy każdym zapisie "
            "rekordu. Program nie otwiera takich plików.");
        QString sixChecks;
        for (int i = 0; i < 6; ++i)
            sixChecks += QStringLiteral(", CHECK (length(hex(zeroblob(100000 + %1))) > 0)").arg(i);
        const struct {
            const char* name;
            QByteArray sql;
            QString refusal; // empty: the album opens
        } cases[] = {
            {"sześć.db3",
             remade("CREATE TABLE t (ID INTEGER PRIMARY KEY," + cols + ", Picture BLOB" +
                    sixChecks + ")"),
             checkRefused},
            {"kolumna.db3",
             remade("CREATE TABLE t (ID INTEGER PRIMARY KEY," + cols +
                    ", Picture BLOB CONSTRAINT\"x\"/**/check(Picture IS NULL OR length(Picture) "
                    "> 1))"),
             checkRefused},
            {"wyrazenie.db3", "CREATE INDEX w ON album(Imie, lower(Nazwisko))", indexRefused},
            {"czesciowy.db3", "CREATE INDEX c ON album(Nazwisko) WHERE Ksywa <> ''", indexRefused},
            {"slowa.db3",
             remade("CREATE TABLE t (ID INTEGER PRIMARY KEY," + cols +
                    ", Picture BLOB DEFAULT 'check (1)' /* check (0) */, \"check\" TEXT -- check\n"
                    ", [CHECK it] TEXT, `it''s ``check`` ` TEXT)"),
             {}},
            {"indeksy.db3",
             "CREATE INDEX n ON album(Nazwisko COLLATE NOCASE DESC, Imie);"
             "CREATE UNIQUE INDEX u ON album(ID, Ksywa)",
             {}},
        };
        AlbumFixture f;
        f.start();
        for (const auto& c : cases) {
            const QString path = f.folder.file(QString::fromUtf8(c.name));
            WriteRawAlbum(path, {{"Celina", "Czarnecka", "Cela", "", "", photo},
                                 {"Adam", "Adamczyk", "Ada", "", "", photo}});
            QVERIFY2(RawExec(path, c.sql.constData()), c.name);
            const QByteArray before = f.folder.read(QString::fromUtf8(c.name));
            f.dialogs->clear();
            f.dialogs->expectOpenFile(path);
            if (!c.refusal.isEmpty())
                f.dialogs->expectBox(MsgResult::Ok);
            f.form1().OtwieramDB1Click();
            if (c.refusal.isEmpty()) {
                QVERIFY2(f.dialogs->count() == 1, c.name); // the file dialog alone
                QCOMPARE(f.form1().RecordCount(), QStringLiteral("2"));
                QVERIFY(f.form1().Database());
                continue;
            }
            QCOMPARE(f.dialogs->last().msgKind, MsgKind::Warning);
            QCOMPARE(f.dialogs->last().text,
                     QStringLiteral("Błąd podczas odczytu bazy danych!\nNie udało się otworzyć "
                                    "albumu.\n\n") +
                         c.refusal);
            QVERIFY(!f.form1().Database());
            QCOMPARE(f.form1().RecordCount(), QStringLiteral("0"));
            // Ins with the window hidden writes what the record window holds: not here.
            f.form1().SaveRecord();
            QCOMPARE(f.folder.read(QString::fromUtf8(c.name)), before);
        }
    }

    // A real JPEG cut in half: importing it asks first (No leaves the record as it was, from the
    // menu and from a drop alike); Yes takes it, grey lower part and all, and the album then
    // shows it again without asking.
    void aTruncatedPhotoIsTakenOnlyWhenTheUserSaysSo() {
        AlbumFixture f;
        open(f);
        f.start();
        selectRow(f.form1(), 2); // Czarnecka, ID 1
        f.form1().PokazRekordu1Click();
        const QByteArray whole = MakeJpeg(320, 240, QColor(200, 60, 30), true);
        const QByteArray cut = whole.left(whole.size() / 2);
        QVERIFY(f.folder.write("urwane.jpg", cut));
        const QString path = f.folder.file("urwane.jpg");
        const QString question =
            QStringLiteral("Plik zdjęcia „%1” jest uszkodzony: plik jest niepełny (urwany). Część "
                           "obrazu może być szara albo zniekształcona.\n\nCzy mimo to wstawić to "
                           "zdjęcie do rekordu?")
                .arg(QDir::toNativeSeparators(path));

        f.dialogs->expectOpenFile(path).expectBox(MsgResult::No, question);
        f.form2().findChild<QAction*>("Load1")->trigger();
        QCOMPARE(f.dialogs->last().msgKind, MsgKind::Confirmation);
        QCOMPARE(f.form2().Photo().Jpeg(), photo);
        QVERIFY(!f.form2().Changed());

        QWidget* photoArea = f.form2().findChild<QScrollArea*>("ScrollBox1")->viewport();
        f.dialogs->expectBox(MsgResult::No, question);
        dropFile(photoArea, path);
        QCOMPARE(f.form2().Photo().Jpeg(), photo);
        QVERIFY(!f.form2().Changed());

        f.dialogs->expectBox(MsgResult::Yes, question);
        dropFile(photoArea, path);
        QCOMPARE(f.form2().Photo().Jpeg(), cut);
        QVERIFY(f.form2().Changed());
        const QImage shown = f.form2().findChild<QLabel*>("Image1")->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(320, 240));
        QVERIFY(!isGrey(shown.pixel(160, 10)));
        QVERIFY(isGrey(shown.pixel(160, 230)));

        f.dialogs->expectBox(MsgResult::Ok);
        f.form1().Zmiana1Click();
        QCOMPARE(RawValue(f.folder.file("klasa.db3"), 1, "Picture"), cut);
        selectRow(f.form1(), 2);
        f.form1().PokazRekordu1Click(); // no question: the album already holds it
        QCOMPARE(f.form2().Photo().Jpeg(), cut);
        QCOMPARE(f.form2().RememberedPhotoSize(), QSize(320, 240));
    }
};

QTEST_MAIN(TestAlbumDamaged)
#include "tst_album_damaged.moc"
