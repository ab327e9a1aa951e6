#include "platform/core/Dialogs.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/FontColorDialog.h"
#include "platform/core/QtDialogs.h"
#include "tests/support/TestDialogs.h"

#include <QtCore/QStringEncoder>
#include <QtGui/QFontDatabase>
#include <QtGui/QFontInfo>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QFontDialog>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>

#include <stdexcept>

using namespace movra;
using namespace movra::test;

namespace {

// Collects the failures of a TestDialogs instead of failing the running test, so that a test can
// check that a mistake is noticed.
struct FailureLog {
    QStringList messages;
    void attach(TestDialogs& d) {
        d.setFailureHandler([this](const QString& m) { messages << m; });
    }
};

class EOtherError : public std::exception {
public:
    const char* what() const noexcept override { return m_text.constData(); }
    explicit EOtherError(QByteArray text) : m_text(std::move(text)) {}

private:
    QByteArray m_text;
};

} // namespace

class DialogSeamTest : public QObject {
    Q_OBJECT

private slots:
    void qtImplementationUntilInstalled() {
        QVERIFY(InstalledDialogs() == nullptr);
        QVERIFY(dynamic_cast<QtDialogs*>(&Dialogs()) != nullptr);
        {
            TestDialogsScope outer;
            QCOMPARE(&Dialogs(), &outer.dialogs());
            {
                TestDialogsScope inner;
                QCOMPARE(&Dialogs(), &inner.dialogs());
            }
            // The inner scope puts back the outer one, not the Qt implementation.
            QCOMPARE(&Dialogs(), &outer.dialogs());
        }
        QVERIFY(InstalledDialogs() == nullptr);
        QVERIFY(dynamic_cast<QtDialogs*>(&Dialogs()) != nullptr);
        QCOMPARE(ApplicationTitle(), QStringLiteral("Movra"));
    }

    void convenienceBoxes() {
        TestDialogsScope d;
        QWidget parent;
        d->expectBox(MsgResult::Ok)
            .expectBox(MsgResult::Ok)
            .expectBox(MsgResult::Ok)
            .expectBox(MsgResult::Ok)
            .expectBox(MsgResult::Yes)
            .expectBox(MsgResult::No)
            .expectBox(MsgResult::Cancel);
        ShowMessage(&parent, "Rekord dodany do bazy. ");
        ShowInformation(nullptr, "Plik taki już istnieje");
        ShowWarning(nullptr, "Błąd podczas odczytu bazy danych!");
        ShowError(nullptr, "Drukarka nie jest podłączona!");
        QVERIFY(Confirm(nullptr, "W rekordzie dokonano zmian. Czy chcesz je zapisać? "));
        QVERIFY(!Confirm(nullptr, "drugi raz"));
        QCOMPARE(Confirm3(nullptr, "Zniszczyć rekord 3  jesteś tego pewny ?"), MsgResult::Cancel);

        QCOMPARE(d->count(), 7u);
        const auto& s = d->shown();
        QCOMPARE(s[0].msgKind, MsgKind::Message);
        QCOMPARE(s[0].parent.data(), &parent);
        QCOMPARE(s[0].buttons, MsgButtons::Ok);
        QVERIFY(s[0].caption.isEmpty());
        QCOMPARE(s[1].msgKind, MsgKind::Information);
        QCOMPARE(s[2].msgKind, MsgKind::Warning);
        QCOMPARE(s[3].msgKind, MsgKind::Error);
        QCOMPARE(s[4].msgKind, MsgKind::Confirmation);
        QCOMPARE(s[4].buttons, MsgButtons::YesNo);
        QCOMPARE(s[6].buttons, MsgButtons::YesNoCancel);
        QCOMPARE(d->texts(),
                 QStringList({"Rekord dodany do bazy. ", "Plik taki już istnieje",
                              "Błąd podczas odczytu bazy danych!", "Drukarka nie jest podłączona!",
                              "W rekordzie dokonano zmian. Czy chcesz je zapisać? ", "drugi raz",
                              "Zniszczyć rekord 3  jesteś tego pewny ?"}));
        QCOMPARE(d->last().text, QStringLiteral("Zniszczyć rekord 3  jesteś tego pewny ?"));
        d->clear();
        QVERIFY(d->empty());
    }

    void fileColourFontAndPrinterAnswers() {
        TestDialogsScope d;
        FileDialogOptions o;
        o.Title = "Zapisz";
        o.InitialDir = "/tmp/album/";
        o.FileName = "zerowa.db3";
        o.Filter = "Pliki bazowe (*.db3)|*.db3|Dowolne pliki (*.*)|*.*";
        o.DefaultExt = ".db3";
        bool printerTouched = false;
        TFont chosen(QStringLiteral("Courier New"), 14, fsItalic, clBlue);
        chosen.PixelsPerInch = 300;
        d->expectSaveFile(QStringLiteral("/tmp/album/nowa.db3"))
            .expectOpenFile(std::nullopt)
            .expectOpenPicture(QStringLiteral("/tmp/a.jpg"))
            .expectColor(clMaroon)
            .expectColor(std::nullopt)
            .expectFont(chosen)
            .expectPrinterSetup(true, [&] { printerTouched = true; })
            .expectPrinterSetup(false);

        QCOMPARE(Dialogs().SaveFile(nullptr, o), std::optional<QString>("/tmp/album/nowa.db3"));
        QCOMPARE(Dialogs().OpenFile(nullptr, o), std::nullopt);
        QCOMPARE(Dialogs().OpenPicture(nullptr, FileDialogOptions{}),
                 std::optional<QString>("/tmp/a.jpg"));
        QCOMPARE(Dialogs().ChooseColor(nullptr, clSilver), std::optional<TColor>(clMaroon));
        QCOMPARE(Dialogs().ChooseColor(nullptr, clBtnFace), std::nullopt);

        TFont initial(QStringLiteral("Arial"), 10, 0, clGreen);
        initial.PixelsPerInch = 96;
        const std::optional<TFont> f = Dialogs().ChooseFont(nullptr, initial);
        QVERIFY(f.has_value());
        QCOMPARE(f->Name, QStringLiteral("Courier New"));
        QCOMPARE(f->Style, int(fsItalic));
        // Like the real dialog: colour and resolution are the initial font's.
        QCOMPARE(f->Color, clGreen);
        QCOMPARE(f->PixelsPerInch, 96);

        QVERIFY(Dialogs().PrinterSetup(nullptr));
        QVERIFY(printerTouched);
        QVERIFY(!Dialogs().PrinterSetup(nullptr));

        const auto& s = d->shown();
        QCOMPARE(s.size(), 8u);
        QCOMPARE(s[0].kind, DialogKind::SaveFile);
        QCOMPARE(s[0].file.Title, o.Title);
        QCOMPARE(s[0].file.InitialDir, o.InitialDir);
        QCOMPARE(s[0].file.FileName, o.FileName);
        QCOMPARE(s[0].file.Filter, o.Filter);
        QCOMPARE(s[0].file.DefaultExt, o.DefaultExt);
        QCOMPARE(s[1].kind, DialogKind::OpenFile);
        QCOMPARE(s[2].kind, DialogKind::OpenPicture);
        QCOMPARE(s[3].kind, DialogKind::Color);
        QCOMPARE(s[3].color, clSilver);
        QCOMPARE(s[4].color, clBtnFace);
        QCOMPARE(s[5].kind, DialogKind::Font);
        QCOMPARE(*s[5].font, initial);
        QCOMPARE(s[6].kind, DialogKind::PrinterSetup);
        QCOMPARE(d->pending(), 0u);
        QVERIFY(d->failures().isEmpty());
    }

    void modalWindowsAreScripted() {
        TestDialogsScope d;
        QWidget owner;
        auto* dialog = new QDialog(&owner);
        dialog->setObjectName("finddlg");
        dialog->setWindowTitle("Znajdź");
        auto* edit = new QLineEdit(dialog);
        edit->setObjectName("Edit1");
        auto* layout = new QVBoxLayout(dialog);
        layout->addWidget(edit);

        d->expectModal([](QDialog* dlg) {
             // The script fills the window as a user would, then it may show a box of its own.
             dlg->findChild<QLineEdit*>("Edit1")->setText("Kowalski");
             ShowMessage(dlg, "z okna");
             return int(QDialog::Accepted);
         })
            .expectBox(MsgResult::Ok, QStringLiteral("z okna"))
            .expectModal(QDialog::Rejected)
            .expectModal([](QDialog* dlg) {
                dlg->accept(); // as the window's own OK button would
                return dlg->result();
            });

        QCOMPARE(Dialogs().ExecModal(dialog), int(QDialog::Accepted));
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(edit->text(), QStringLiteral("Kowalski"));
        QCOMPARE(Dialogs().ExecModal(dialog), int(QDialog::Rejected));
        QCOMPARE(dialog->result(), int(QDialog::Rejected));

        int accepted = 0;
        connect(dialog, &QDialog::accepted, this, [&] { ++accepted; });
        QCOMPARE(Dialogs().ExecModal(dialog), int(QDialog::Accepted));
        QCOMPARE(accepted, 1);

        const auto& s = d->shown();
        QCOMPARE(s.size(), 4u);
        QCOMPARE(s[0].kind, DialogKind::Modal);
        QCOMPARE(s[0].className, QStringLiteral("QDialog"));
        QCOMPARE(s[0].objectName, QStringLiteral("finddlg"));
        QCOMPARE(s[0].windowTitle, QStringLiteral("Znajdź"));
        QCOMPARE(s[0].parent.data(), &owner);
        QCOMPARE(s[1].kind,
                 DialogKind::Box); // shown from inside the modal window, recorded after it
        QCOMPARE(s[1].parent.data(), static_cast<QWidget*>(dialog));
    }

    void unexpectedDialogsAreCaught() {
        TestDialogs d;
        FailureLog log;
        log.attach(d);
        SetDialogs(&d);

        // Nothing queued: the "declining" answer, and a failure naming the dialog and its text.
        QCOMPARE(Dialogs().Box(nullptr, MsgKind::Confirmation, "Usunąć?", MsgButtons::YesNo, {}),
                 MsgResult::No);
        QCOMPARE(Confirm3(nullptr, "Trzy?"), MsgResult::Cancel);
        ShowMessage(nullptr, "Tylko OK");
        QCOMPARE(Dialogs().OpenFile(nullptr, FileDialogOptions{"Otwórz"}), std::nullopt);
        QCOMPARE(Dialogs().ChooseColor(nullptr, clWhite), std::nullopt);
        QVERIFY(!Dialogs().PrinterSetup(nullptr));
        QDialog dialog;
        QCOMPARE(Dialogs().ExecModal(&dialog), int(QDialog::Rejected));
        QCOMPARE(log.messages.size(), 7);
        QVERIFY(log.messages[0].contains("Usunąć?"));
        QVERIFY(log.messages[0].contains("Confirmation"));
        QVERIFY(log.messages[3].contains("open-file"));
        QVERIFY(log.messages[3].contains("Otwórz"));
        QVERIFY(!d.shown()[0].answered);

        // The wrong kind next: a colour was expected, a box came.
        log.messages.clear();
        d.expectColor(clBlack);
        QCOMPARE(Confirm(nullptr, "Na pewno?"), false);
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.messages[0].contains("Na pewno?"));
        QVERIFY(log.messages[0].contains("colour"));
        // The colour answer is still there for the colour dialog.
        QCOMPARE(Dialogs().ChooseColor(nullptr, clWhite), std::optional<TColor>(clBlack));

        // An answer the box has no button for.
        log.messages.clear();
        d.expectBox(MsgResult::Cancel);
        (void)Confirm(nullptr, "Tak czy nie?");
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.messages[0].contains("Cancel"));

        // A box with another text than the one expected.
        log.messages.clear();
        d.expectBox(MsgResult::Ok, QStringLiteral("Rekord dodany do bazy. "));
        ShowMessage(nullptr, "Rekord dodany do bazy.");
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.messages[0].contains("expected \"Rekord dodany do bazy. \""));
        d.expectBox(MsgResult::Ok, QStringLiteral("Rekord dodany do bazy. "));
        ShowMessage(nullptr, "Rekord dodany do bazy. ");
        QCOMPARE(log.messages.size(), 1);

        // Answers left over are reported by verifyAllAnswered.
        log.messages.clear();
        d.expectBox(MsgResult::Ok).expectSaveFile(std::nullopt);
        d.verifyAllAnswered();
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.messages[0].contains("2 expected"));
        QVERIFY(log.messages[0].contains("save-file"));
        QCOMPARE(d.pending(), 0u);
        QCOMPARE(d.failures().size(), 11);

        SetDialogs(nullptr);
    }

    void scopeReportsUnusedAnswers() {
        QStringList messages;
        {
            TestDialogsScope d;
            d->setFailureHandler([&](const QString& m) { messages << m; });
            d->expectBox(MsgResult::Yes);
        }
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains("message box"));
    }

    void unexpectedDialogFailsTheRunningTest() {
        // The real default: the running QtTest function fails.
        TestDialogsScope d;
        QEXPECT_FAIL("", "a box nobody expected must fail the test", Continue);
        ShowWarning(nullptr, "Niespodzianka");
        QCOMPARE(d->failures().size(), 1);
        QVERIFY(d->failures()[0].contains("Niespodzianka"));
    }

    void runCommandShowsOwnErrors() {
        TestDialogsScope d;
        QWidget parent;
        d->expectBox(MsgResult::Ok);
        bool after = false;
        const bool ok = RunCommand(&parent, [&] {
            throw EMovraError(QStringLiteral("Przyjmuję tylko pliki .JPG"));
            after = true;
        });
        QVERIFY(!ok);
        QVERIFY(!after);
        QCOMPARE(d->count(), 1u);
        const ShownDialog& box = d->last();
        QCOMPARE(box.kind, DialogKind::Box);
        QCOMPARE(box.msgKind, MsgKind::Error);
        QCOMPARE(box.buttons, MsgButtons::Ok);
        QCOMPARE(box.text, QStringLiteral("Przyjmuję tylko pliki .JPG"));
        QCOMPARE(box.caption, QStringLiteral("Movra"));
        QCOMPARE(box.parent.data(), &parent);

        // The program goes on: the next command runs normally and shows nothing.
        int runs = 0;
        QVERIFY(RunCommand(&parent, [&] { ++runs; }));
        QCOMPARE(runs, 1);
        QCOMPARE(d->count(), 1u);
    }

    void runCommandShowsOtherErrors_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("expected");
        QTest::newRow("runtime_error") << 0 << QStringLiteral("Transaction already open");
        QTest::newRow("utf8 what") << 1 << QStringLiteral("Nie można otworzyć pliku zażółć.db3");
        QTest::newRow("code page what") << 2 << QStringLiteral("Błąd pliku żółw.db3");
        QTest::newRow("out of memory")
            << 3 << QStringLiteral("Za mało pamięci, by wykonać polecenie.");
    }

    void runCommandShowsOtherErrors() {
        QFETCH(int, which);
        QFETCH(QString, expected);
        TestDialogsScope d;
        d->expectBox(MsgResult::Ok);
        QVERIFY(!RunCommand(nullptr, [which] {
            switch (which) {
            case 0:
                throw std::runtime_error("Transaction already open");
            case 1:
                throw std::runtime_error("Nie można otworzyć pliku zażółć.db3");
            case 2: {
                QStringEncoder enc("windows-1250");
                throw EOtherError(enc(QStringLiteral("Błąd pliku żółw.db3")));
            }
            default:
                throw std::bad_alloc();
            }
        }));
        QCOMPARE(d->last().text, expected);
        QCOMPARE(d->last().msgKind, MsgKind::Error);
        QCOMPARE(d->last().caption, ApplicationTitle());
    }

    void runCommandCatchesAnything() {
        TestDialogsScope d;
        d->expectBox(MsgResult::Ok).expectBox(MsgResult::Ok);
        QVERIFY(!RunCommand(nullptr, [] { throw 42; }));
        QVERIFY(!RunCommand(nullptr, [] { throw EOtherError(""); }));
        for (const QString& text : d->texts()) {
            QVERIFY(text.contains(QStringLiteral("błąd")));
            QVERIFY(!text.contains(QStringLiteral("std::")));
        }
    }

    void runCommandEndsQuietlyOnAbort() {
        TestDialogsScope d;
        bool after = false;
        QVERIFY(!RunCommand(nullptr, [&] {
            throw EAbort();
            after = true; // never reached
        }));
        QVERIFY(!after);
        QVERIFY(d->empty());
    }

    // The font dialog carries the font's colour: a basic colour is preselected by name, any
    // other colour is kept exactly unless the user picks another one.
    void fontDialogCarriesColour() {
        TFont grid(QStringLiteral("Liberation Sans"), 10, fsBold, clWindowText);
        grid.Charset = 238;
        {
            TFontColorDialog dialog(grid);
            QCOMPARE(dialog.ColourList()->count(), 17);
            QCOMPARE(dialog.ColourList()->currentText(), QStringLiteral("Bieżący"));
            const TFont kept = dialog.SelectedFont();
            QCOMPARE(kept.Color, clWindowText);
            QCOMPARE(kept.Style, int(fsBold));
            QCOMPARE(kept.Size(), 10);
            QCOMPARE(kept.Charset, 238);

            dialog.ColourList()->setCurrentIndex(
                dialog.ColourList()->findText(QStringLiteral("Czerwony")));
            QFont bigger(QStringLiteral("Liberation Sans"));
            bigger.setPointSize(14);
            bigger.setItalic(true);
            dialog.FontChooser()->setCurrentFont(bigger);
            const TFont chosen = dialog.SelectedFont();
            QCOMPARE(chosen.Color, RGBColor(255, 0, 0));
            QCOMPARE(chosen.Size(), 14);
            QCOMPARE(chosen.Style, int(fsItalic));
        }
        grid.Color = RGBColor(0, 0, 128);
        TFontColorDialog basic(grid);
        QCOMPARE(basic.ColourList()->count(), 16);
        QCOMPARE(basic.ColourList()->currentText(), QStringLiteral("Granatowy"));
        QCOMPARE(basic.SelectedFont().Color, RGBColor(0, 0, 128));
    }

    // "Arial" is only an alias on Linux: the chooser opens on the family drawn for it, with the
    // list font's style and size, and what the user leaves alone is given back as it was.
    void fontDialogKeepsAnAliasedFont() {
        TFont list(QStringLiteral("Arial"), 10, fsBold, clWindowText);
        TFontColorDialog dialog(list);
        const QFont shown = dialog.FontChooser()->currentFont();
        QVERIFY(QFontDatabase::families().contains(shown.family()));
        QCOMPARE(shown.family(), QFontInfo(list.toQFont()).family());
        QVERIFY(shown.bold());
        QCOMPARE(shown.pointSize(), 10);
        QCOMPARE(dialog.SelectedFont(), list);

        QFont bigger = shown;
        bigger.setPointSize(12);
        dialog.FontChooser()->setCurrentFont(bigger);
        const TFont chosen = dialog.SelectedFont();
        QCOMPARE(chosen.Name, QStringLiteral("Arial"));
        QCOMPARE(chosen.Style, int(fsBold));
        QCOMPARE(chosen.Size(), 12);
    }

    // Escape inside the font chooser ends the whole dialog, not only the part it is in.
    void fontDialogPartEndsTheDialog() {
        TFontColorDialog dialog(TFont{});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.FontChooser()->reject();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    void errorTextOfEMovraError() {
        const EMovraError e(QStringLiteral("Zmiany w rekordzie 3 zostały zapisane."));
        QCOMPARE(e.Message(), QStringLiteral("Zmiany w rekordzie 3 zostały zapisane."));
        QCOMPARE(QString::fromUtf8(e.what()), e.Message());
        QCOMPARE(ErrorText(e), e.Message());
        const std::exception& base = e;
        QCOMPARE(ErrorText(base), e.Message());
    }
};

QTEST_MAIN(DialogSeamTest)
#include "DialogSeamTest.moc"
