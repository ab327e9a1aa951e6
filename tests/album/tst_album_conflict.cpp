// Two copies of the program on one album: a save never overwrites unseen what the other copy
// saved since the record was shown; the user is asked and each answer does what it says.
#include "tests/album/AlbumFixture.h"

#include "record/Unit2.h"

#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>

using namespace movra;
using namespace movra::test;

namespace {

const QString kSaved = QStringLiteral("Zmiany w rekordzie 1 zostały zapisane.");

QString conflictQuestion(const QString& fields) {
    return QStringLiteral("Rekord 1 zmienił się w pliku bazowym, odkąd go wyświetlono: w tym "
                          "czasie zapisał go inny program albo druga kopia Movry (zmienione: "
                          "%1).\n\n"
                          "Nadpisz – zapisuje Twoje zmiany w miejsce tamtych.\n"
                          "Pokaż zapisaną – porzuca Twoje zmiany i pokazuje rekord taki, jaki "
                          "jest teraz w pliku.\n"
                          "Anuluj – niczego nie zapisuje; Twoje zmiany zostają w oknie.")
        .arg(fields);
}

// A second copy of the program, started on the same program folder (and so the same album) as
// the fixture's.
class SecondCopy {
public:
    SecondCopy() : m_app(std::make_unique<TMovraApp>()) {
        m_app->Form1().show();
        (void)QTest::qWaitForWindowExposed(&m_app->Form1());
    }
    ~SecondCopy() {
        if (m_app->Form2().isVisible())
            m_app->Form2().CloseQuietly();
    }
    SecondCopy(const SecondCopy&) = delete;
    SecondCopy& operator=(const SecondCopy&) = delete;

    [[nodiscard]] TForm1& form1() const { return m_app->Form1(); }
    [[nodiscard]] TForm2& form2() const { return m_app->Form2(); }

private:
    std::unique_ptr<TMovraApp> m_app;
};

// Types a new text into a field of the record window, as the user would.
void retype(TForm2& w, QLineEdit* field, const QString& text) {
    field->setText(text);
    w.SetChanged(true);
}

} // namespace

class TestAlbumConflict : public QObject {
    Q_OBJECT

    QByteArray photoA;
    QByteArray photoB;

    // Copy A and copy B both show record 2 (Adamczyk, row 1 of the list by last name); sql
    // changes the album another tool's way first.
    void start(AlbumFixture& a, std::unique_ptr<SecondCopy>& b, const char* sql = nullptr) {
        WriteRawAlbum(a.folder.file("klasa.db3"),
                      {{"Celina", "Czarnecka", "Cela", "lubi koty", "Poznań", photoA},
                       {"Adam", "Adamczyk", "Ada", "notatka", "Kraków", photoA},
                       {"Bartek", "Baran", "Baranek", "", "", std::nullopt}});
        if (sql)
            QVERIFY(RawExec(a.folder.file("klasa.db3"), sql));
        QVERIFY(a.folder.write("movra.ini", "[Plik]\nNazwa=klasa.db3\n"));
        a.start();
        b = std::make_unique<SecondCopy>();
        QCOMPARE(b->form1().RecordCount(), QStringLiteral("3"));
        a.form1().Pierwszy1Click();
        b->form1().Pierwszy1Click();
        QCOMPARE(a.form2().Nazwisko(), QStringLiteral("Adamczyk"));
        QCOMPARE(b->form2().Nazwisko(), QStringLiteral("Adamczyk"));
    }

    // A changes the last name and saves, and is told so.
    static void aSavesTheLastName(AlbumFixture& a) {
        retype(a.form2(), a.form2().Edit2(), QStringLiteral("Nowak"));
        a.dialogs->expectBox(MsgResult::Ok, kSaved);
        a.form1().Zmiana1Click();
        QVERIFY(!a.form2().isVisible());
    }

private slots:
    void initTestCase() {
        InitApplication(*qApp);
        photoA = MakeJpeg(40, 30, QColor(10, 120, 200), true);
        photoB = MakeJpeg(30, 40, QColor(200, 120, 10), true);
    }

    // The scenario as a user meets it: A saves the last name, B the nickname. B is asked; Anuluj
    // writes nothing and keeps B's edit, Nadpisz then writes B's record as B's window holds it.
    void anulujWritesNothingAndNadpiszWritesMine() {
        AlbumFixture a;
        std::unique_ptr<SecondCopy> b;
        start(a, b);
        aSavesTheLastName(a);
        const QByteArray afterA = a.folder.read("klasa.db3");
        QCOMPARE(RawValue(a.folder.file("klasa.db3"), 2, "Nazwisko"), QByteArray("Nowak"));

        retype(b->form2(), b->form2().Edit3(), QStringLiteral("Adaś"));
        a.dialogs->expectBox(MsgResult::Cancel, conflictQuestion(QStringLiteral("Nazwisko")));
        b->form1().SaveRecord();
        QCOMPARE(a.dialogs->last().buttons, MsgButtons::OverwriteKeepCancel);
        QCOMPARE(a.dialogs->last().msgKind, MsgKind::Warning);
        QCOMPARE(a.folder.read("klasa.db3"), afterA);
        QVERIFY(b->form2().isVisible());
        QVERIFY(b->form2().Changed());
        QCOMPARE(b->form2().Ksywa(), QStringLiteral("Adaś"));
        QCOMPARE(b->form2().Nazwisko(), QStringLiteral("Adamczyk"));
        QVERIFY(!b->form1().Database()->TransactionOpen());

        // Asked again (the file still differs); this time B's version wins, whole.
        a.dialogs->expectBox(MsgResult::Yes, conflictQuestion(QStringLiteral("Nazwisko")))
            .expectBox(MsgResult::Ok, kSaved);
        b->form1().SaveRecord();
        QVERIFY(!b->form2().isVisible());
        const QString path = a.folder.file("klasa.db3");
        QCOMPARE(RawValue(path, 2, "Nazwisko"), QByteArray("Adamczyk"));
        QCOMPARE(RawValue(path, 2, "Ksywa"), Cp1250Bytes(QStringLiteral("Adaś")));
        QCOMPARE(RawValue(path, 2, "Notes"), QByteArray("notatka"));
        QCOMPARE(RawValue(path, 2, "Picture"), photoA);
        QCOMPARE(RawCount(path), 3);

        // What B itself wrote is no other program's change: saving again (Ins with the window
        // closed), and after adding, asks nothing.
        a.dialogs->expectBox(MsgResult::Ok, kSaved);
        b->form1().SaveRecord();
        b->form1().Pierwszy1Click();
        a.dialogs->expectBox(MsgResult::Ok, QStringLiteral("Rekord dodany do bazy. "))
            .expectBox(MsgResult::Ok); // "Zmiany w rekordzie …": an OK box, no question
        b->form1().AddRecord();
        b->form1().SaveRecord();
        QCOMPARE(RawCount(path), 4);
        QCOMPARE(RawValue(path, 4, "Ksywa"), Cp1250Bytes(QStringLiteral("Adaś")));
    }

    // Pokaż zapisaną drops B's edits, shows what A stored (a new photo here) and leaves the file
    // as A left it; B's next edit is then saved on top of A's change without a question.
    void pokazZapisanaShowsTheOtherVersion() {
        AlbumFixture a;
        std::unique_ptr<SecondCopy> b;
        start(a, b);
        QVERIFY(a.folder.write("inne.jpg", photoB));
        a.dialogs->expectOpenFile(a.folder.file("inne.jpg")).expectBox(MsgResult::Ok, kSaved);
        a.form1().Load1Click();
        a.form1().Zmiana1Click();
        const QByteArray afterA = a.folder.read("klasa.db3");

        retype(b->form2(), b->form2().Edit3(), QStringLiteral("Adaś"));
        a.dialogs->expectBox(MsgResult::No, conflictQuestion(QStringLiteral("zdjęcie")));
        b->form1().SaveRecord();
        QCOMPARE(a.folder.read("klasa.db3"), afterA);
        QVERIFY(b->form2().isVisible());
        QVERIFY(!b->form2().Changed());
        QCOMPARE(b->form2().Ksywa(), QStringLiteral("Ada"));
        QCOMPARE(b->form2().Photo().Jpeg(), photoB);
        QCOMPARE(b->form1().CurrentId(), qint64(2));

        retype(b->form2(), b->form2().Edit3(), QStringLiteral("Adaś"));
        a.dialogs->expectBox(MsgResult::Ok, kSaved);
        b->form1().SaveRecord();
        const QString path = a.folder.file("klasa.db3");
        QCOMPARE(RawValue(path, 2, "Ksywa"), Cp1250Bytes(QStringLiteral("Adaś")));
        QCOMPARE(RawValue(path, 2, "Picture"), photoB);
    }

    // A stored photo that is no JPEG (a text another tool wrote): both copies show the person,
    // saving leaves the value as it is, and the check still sees A's change before B saves.
    void aPhotoThatCannotBeShownIsKeptThroughAConflict() {
        AlbumFixture a;
        std::unique_ptr<SecondCopy> b;
        start(a, b, "UPDATE album SET Picture='nie obraz' WHERE ID=2");
        QVERIFY(b->form2().Photo().IsNull());
        aSavesTheLastName(a);
        const QString path = a.folder.file("klasa.db3");
        QCOMPARE(RawValue(path, 2, "Picture"), QByteArray("nie obraz"));

        retype(b->form2(), b->form2().Edit3(), QStringLiteral("Adaś"));
        a.dialogs->expectBox(MsgResult::Yes, conflictQuestion(QStringLiteral("Nazwisko")))
            .expectBox(MsgResult::Ok, kSaved);
        b->form1().SaveRecord();
        QCOMPARE(RawValue(path, 2, "Ksywa"), Cp1250Bytes(QStringLiteral("Adaś")));
        QCOMPARE(RawValue(path, 2, "Picture"), QByteArray("nie obraz"));
        QCOMPARE(RawType(path, 2, "Picture"), QStringLiteral("text"));
    }
};

QTEST_MAIN(TestAlbumConflict)
#include "tst_album_conflict.moc"
