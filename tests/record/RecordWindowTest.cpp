#include "platform/core/Colors.h"
#include "platform/text/Jpeg.h"
#include "record/Unit2.h"
#include "tests/record/FakeRecordHost.h"
#include "tests/support/TestDialogs.h"
#include "tests/support/TestFiles.h"

#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QAccessible>
#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtGui/QDragEnterEvent>
#include <QtGui/QDropEvent>
#include <QtGui/QGuiApplication>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QToolButton>

#include <memory>

using namespace movra;
using namespace movra::test;

namespace {

const QString Question = QStringLiteral("W rekordzie dokonano zmian. Czy chcesz je zapisać? ");

// An emoji and a Cyrillic letter: neither has a Windows-1250 byte.
const QString Emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
const QString Cyrillic = QStringLiteral("Ж");

void typeText(QWidget* w, const QString& text) {
    // One key event carrying the whole text, as an input method or a keyboard layout gives it
    // (keyClicks would split a surrogate pair into two events).
    QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, text, Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, text, Qt::NoModifier);
}

// Types each character as one key event carrying it (QTest::keyClicks takes Latin-1 only).
void typeChars(QWidget* w, const QString& text) {
    for (QChar c : text)
        typeText(w, QString(c));
}

} // namespace

class RecordWindowTest : public QObject {
    Q_OBJECT

    FakeRecordHost host;
    std::unique_ptr<TForm2> w;

    template <class T> T* child(const char* name) {
        T* c = w->findChild<T*>(QLatin1String(name));
        if (!c)
            qWarning("no child %s", name);
        return c;
    }
    QWidget* panelOpisu() { return child<QWidget>("PanelOpisu"); }
    void showOnTextTab() {
        child<QTabWidget>("PageControl1")->setCurrentWidget(child<QWidget>("TabOpis"));
        w->ShowRecord();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

private slots:
    void init() {
        host = FakeRecordHost();
        w = std::make_unique<TForm2>(&host);
    }
    void cleanup() {
        if (w->isVisible())
            w->CloseQuietly();
        w.reset();
    }

    // ---- the window as built ----------------------------------------------------------------

    void builtAsDesigned() {
        QCOMPARE(w->windowTitle(), QStringLiteral("Podgląd i edycja rekordu"));
        QVERIFY(!w->isVisible());
        const Qt::WindowFlags f = w->windowFlags();
        QVERIFY(f & Qt::WindowCloseButtonHint);
        QVERIFY(f & Qt::WindowSystemMenuHint);
        QVERIFY(!(f & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(f & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w->font().family(), QStringLiteral("Arial"));
        QCOMPARE(w->font().pixelSize(), 13);
        QVERIFY(w->font().bold());
        QCOMPARE(panelOpisu()->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w->Edit1()->font().pixelSize(), 13);
        QVERIFY(w->Memo1()->font().bold());

        QCOMPARE(w->Imie(), QStringLiteral("pusty"));
        QCOMPARE(w->Nazwisko(), QStringLiteral("zero"));
        QCOMPARE(w->Ksywa(), QStringLiteral("zero"));
        QCOMPARE(w->Notes(), QString());
        QCOMPARE(w->FileLabel(), QStringLiteral("brak"));
        QCOMPARE(w->PositionLabel(), QStringLiteral("00"));
        QCOMPARE(child<QLabel>("StaticText7")->text(), QStringLiteral("Plik:"));
        QCOMPARE(child<QLabel>("StaticText6")->text(), QStringLiteral("Rekord:"));
        QCOMPARE(child<QLabel>("StaticText1")->text(), QStringLiteral("Adres i źródła kontaktu:"));
        QCOMPARE(child<QLabel>("StaticText5")->text(), QStringLiteral("Adnotacje i uwagi:"));
        QCOMPARE(w->Memo1()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(w->Memo2()->size(), QSize(388, 198));
        QCOMPARE(w->Memo1()->y(), 120);
        QCOMPARE(w->Memo2()->y(), 358);

        auto* tabs = child<QTabWidget>("PageControl1");
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Foto"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Opis"));
        QCOMPARE(tabs->currentWidget(), child<QWidget>("TabFoto"));

        // The status panel lies at the bottom, 48 pixels high, with the seven buttons.
        w->show();
        auto* panel = child<QFrame>("PanelTop");
        QCOMPARE(panel->height(), 48);
        QCOMPARE(panel->mapTo(w.get(), QPoint(0, panel->height())).y(), w->height());
        const char* names[] = {"btnPierwszy", "btnPoprzedni", "btnNastepny", "btnOstatni",
                               "btnDodaj",    "btnZniszcz",   "btnZmiana"};
        const char* tips[] = {"Na Pierwszy rekord",
                              "Poprzedni rekord",
                              "Następny rekord",
                              "Na ostatni rekord",
                              "Dodaje rekord",
                              "Usuwa zaznaczony rekord",
                              "Zatwierdza zmiany w treści rekordu"};
        for (int i = 0; i < 7; ++i) {
            auto* b = child<QToolButton>(names[i]);
            QVERIFY(b);
            QCOMPARE(b->parentWidget(), panel);
            QCOMPARE(b->geometry(), QRect(136 + 26 * i, 12, 25, 25));
            QCOMPARE(b->toolTip(), QString::fromUtf8(tips[i]));
            const QIcon icon = b->icon();
            const QImage normal = icon.pixmap(16, QIcon::Normal).toImage();
            const QImage disabled = icon.pixmap(16, QIcon::Disabled).toImage();
            QVERIFY(!normal.isNull());
            QVERIFY2(normal != disabled, names[i]); // two drawn states
        }

        // The photo placeholder is a real 2 x 2 JPEG, in the never visible Image2.
        QCOMPARE(w->Placeholder().Width(), 2);
        QCOMPARE(w->Placeholder().Height(), 2);
        QCOMPARE(ReadJpegHeader(w->Placeholder().Jpeg()).Width, 2);
        QVERIFY(!child<QLabel>("Image2")->isVisible());
        QVERIFY(w->Photo().IsNull());
        QCOMPARE(&w->PhotoToStore(), &w->Placeholder());
    }

    // Assistive tools (and the end-to-end tests) find each field by the caption beside it.
    void fieldsAreNamedByTheirCaptions() {
        const std::pair<const char*, QString> fields[] = {
            {"Edit1", QStringLiteral("Imię:")},
            {"Edit2", QStringLiteral("Nazwisko:")},
            {"Edit3", QStringLiteral("Ksywa:")},
            {"Memo1", QStringLiteral("Adnotacje i uwagi:")},
            {"Memo2", QStringLiteral("Adres i źródła kontaktu:")},
        };
        for (const auto& [name, caption] : fields) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(child<QWidget>(name));
            QVERIFY2(a, name);
            QCOMPARE(a->text(QAccessible::Name), caption);
        }
    }

    void menuAsDesigned() {
        struct Entry {
            const char* name;
            const char* text;
            QKeySequence key;
        };
        const Entry entries[] = {
            {"Load1", "Import obrazu JPG z pliku..", QKeySequence(Qt::CTRL | Qt::Key_I)},
            {"Export1", "Eksport obrazu do pliku...", QKeySequence(Qt::CTRL | Qt::Key_E)},
            {"Druk1", "&Drukowanie", QKeySequence()},
            {"mKolorF", "Kolor formatki podglądu i edycji", QKeySequence(Qt::SHIFT | Qt::Key_F8)},
            {"mKolorO", "Kolor tła okien edycyjnych", QKeySequence(Qt::SHIFT | Qt::Key_F7)},
            {"mLiteryF", "Kolor liter opisu formatki", QKeySequence(Qt::SHIFT | Qt::Key_F6)},
            {"mLiteryO", "Kolor liter w polach edycji", QKeySequence(Qt::SHIFT | Qt::Key_F5)},
        };
        for (const Entry& e : entries) {
            auto* a = child<QAction>(e.name);
            QVERIFY2(a, e.name);
            QCOMPARE(a->text(), QString::fromUtf8(e.text));
            QCOMPARE(a->shortcut(), e.key);
        }
        // "&Drukowanie" acts from the menu bar itself; the two others are menus.
        const QList<QAction*> bar = w->menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar[0]->text(), QStringLiteral("&Obraz"));
        QCOMPARE(bar[0]->menu()->objectName(), QStringLiteral("Obraz1"));
        QCOMPARE(bar[1], child<QAction>("Druk1"));
        QVERIFY(!bar[1]->menu());
        QCOMPARE(bar[2]->text(), QStringLiteral("&Ustawienia"));
        QCOMPARE(bar[2]->menu()->objectName(), QStringLiteral("mnuKolory"));
        QCOMPARE(bar[2]->menu()->actions().size(), 5); // with the separator
    }

    // ---- texts --------------------------------------------------------------------------------

    void lengthLimits() {
        showOnTextTab();
        w->Edit1()->clear();
        QTest::keyClicks(w->Edit1(), QStringLiteral("abcdefghijklmnop")); // 16
        QCOMPARE(w->Imie(), QStringLiteral("abcdefghijklmno"));
        w->Edit1()->clear();
        typeChars(w->Edit1(),
                  QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓĆ")); // 16: the last one is refused // 15 fit
        QCOMPARE(w->Imie(), QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓ"));
        for (QLineEdit* e : {w->Edit2(), w->Edit3()}) {
            e->clear();
            QTest::keyClicks(e, QString(25, u'x'));
            QCOMPARE(e->text(), QString(20, u'x'));
        }
    }

    void longerStoredTextsStayWholeButCannotGrow() {
        showOnTextTab();
        // 24 characters: a nickname typed with two double quotes, each stored as two apostrophes.
        const QString stored = QStringLiteral("Brzęczyszczykiewicz''Ł''");
        w->SetKsywa(stored);
        QCOMPARE(w->Ksywa(), stored);
        w->Edit3()->setFocus();
        QTest::keyClick(w->Edit3(), Qt::Key_End);
        QTest::keyClicks(w->Edit3(), QStringLiteral("x"));
        QCOMPARE(w->Ksywa(), stored);
        QTest::keyClick(w->Edit3(), Qt::Key_Backspace);
        QTest::keyClick(w->Edit3(), Qt::Key_Backspace);
        QTest::keyClicks(w->Edit3(), QStringLiteral("xy")); // still over the limit: refused
        QCOMPARE(w->Ksywa(), stored.left(22));
        QGuiApplication::clipboard()->setText(QStringLiteral("ab"));
        w->Edit3()->paste();
        QCOMPARE(w->Ksywa(), stored.left(22));
        // Undo brings back what the field held.
        QTest::keyClick(w->Edit3(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(w->Edit3(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w->Ksywa(), stored);
        // Shortened below the limit, it takes typing again up to the limit.
        w->Edit3()->setSelection(0, 5);
        QTest::keyClick(w->Edit3(), Qt::Key_Delete);
        QTest::keyClicks(w->Edit3(), QStringLiteral("Ala"));
        QCOMPARE(w->Ksywa(), QStringLiteral("A") + stored.mid(5));
    }

    void typedCharactersOutsideCp1250AreRefused() {
        showOnTextTab();
        QSignalSpy refused(w.get(), &TForm2::InputRefused);
        QWidget* fields[] = {w->Edit1(), w->Edit3(), w->Memo1(), w->Memo2()};
        for (QWidget* f : fields) {
            if (auto* e = qobject_cast<QLineEdit*>(f))
                e->setText(QStringLiteral("Zoś"));
            else
                static_cast<QPlainTextEdit*>(f)->setPlainText(QStringLiteral("Zoś"));
            f->setFocus();
            QTest::keyClick(f, Qt::Key_End);
            typeChars(f, Cyrillic);
            typeText(f, Emoji);
            typeChars(f, QStringLiteral("ka żółć"));
        }
        QCOMPARE(w->Imie(), QStringLiteral("Zośka żółć"));
        QCOMPARE(w->Ksywa(), QStringLiteral("Zośka żółć"));
        QCOMPARE(w->Notes(), QStringLiteral("Zośka żółć"));
        QCOMPARE(w->Adres(), QStringLiteral("Zośka żółć"));
        QCOMPARE(refused.count(), 8);
        QVERIFY(refused.at(0).at(0).toString().contains(Cyrillic));
        QVERIFY(refused.at(1).at(0).toString().contains(QStringLiteral("U+1F600")));
    }

    void pastedTextOutsideCp1250IsRefused() {
        showOnTextTab();
        QClipboard* clip = QGuiApplication::clipboard();
        QSignalSpy refused(w.get(), &TForm2::InputRefused);

        w->SetNazwisko(QStringLiteral("Nowak"));
        w->Edit2()->setCursorPosition(5);
        clip->setText(QStringLiteral("-Ли"));
        w->Edit2()->paste();
        QCOMPARE(w->Nazwisko(), QStringLiteral("Nowak"));
        clip->setText(QStringLiteral("-Łęcka"));
        w->Edit2()->paste();
        QCOMPARE(w->Nazwisko(), QStringLiteral("Nowak-Łęcka"));

        w->SetAdres(QStringLiteral("ul. Długa 1"));
        w->Memo2()->moveCursor(QTextCursor::End);
        clip->setText(QStringLiteral("\r\ntel. ") + Emoji);
        w->Memo2()->paste();
        QCOMPARE(w->Adres(), QStringLiteral("ul. Długa 1"));
        clip->setText(QStringLiteral("\r\nKraków\nźródło: klasa"));
        w->Memo2()->paste();
        QCOMPARE(w->Adres(), QStringLiteral("ul. Długa 1\r\nKraków\r\nźródło: klasa"));
        QCOMPARE(refused.count(), 2);
    }

    void programTextKeepsOnlyWhatCp1250Holds() {
        // Texts from the album always fit; anything else loses the characters that could not be
        // stored rather than have them turn into question marks on saving.
        w->SetImie(QStringLiteral("Ala ") + Emoji);
        QCOMPARE(w->Imie(), QStringLiteral("Ala "));
        w->SetKsywa(QStringLiteral("Żaba") + Cyrillic);
        QCOMPARE(w->Ksywa(), QStringLiteral("Żaba"));
        w->SetNotes(QStringLiteral("ą") + Emoji + QStringLiteral("ę"));
        QCOMPARE(w->Notes(), QStringLiteral("ąę"));
        w->SetImie(QStringLiteral("Zażółć gęślą"));
        QCOMPARE(w->Imie(), QStringLiteral("Zażółć gęślą"));
    }

    void memoLineBreaksAreCrLf() {
        w->SetNotes(QStringLiteral("a\r\nb\nc\rd"));
        QCOMPARE(w->Notes(), QStringLiteral("a\r\nb\r\nc\r\nd"));
        QCOMPARE(w->Memo1()->blockCount(), 4);
        w->SetAdres(QStringLiteral("tel.\r\n\r\n"));
        QCOMPARE(w->Adres(), QStringLiteral("tel.\r\n\r\n"));
        // A no-break space (a Windows-1250 character) stays one.
        w->SetNotes(QStringLiteral("Jan\u00A0III"));
        QCOMPARE(w->Notes(), QStringLiteral("Jan\u00A0III"));

        showOnTextTab();
        w->SetNotes(QString());
        w->Memo1()->setFocus();
        QTest::keyClicks(w->Memo1(), QStringLiteral("x"));
        QTest::keyClick(w->Memo1(), Qt::Key_Return);
        QTest::keyClicks(w->Memo1(), QStringLiteral("y"));
        QTest::keyClick(w->Memo1(), Qt::Key_Return, Qt::ShiftModifier); // a line separator
        QTest::keyClicks(w->Memo1(), QStringLiteral("z"));
        QCOMPARE(w->Notes(), QStringLiteral("x\r\ny\r\nz"));
    }

    // ---- change flag --------------------------------------------------------------------------

    void changeFlag() {
        w->SetImie(QStringLiteral("Jan"));
        w->SetNotes(QStringLiteral("a\r\nb"));
        w->SetAdres(QStringLiteral("c"));
        w->SetPhoto(TJpegPhoto::FromJpeg(MakeJpeg(8, 8)));
        QVERIFY(!w->Changed()); // programmatic filling

        showOnTextTab();
        QVERIFY(!w->Changed());
        // A key released in a field counts even if it changed nothing.
        QTest::keyClick(w->Edit2(), Qt::Key_Left);
        QVERIFY(w->Changed());
        w->SetChanged(false);
        QTest::keyClick(w->Memo2(), Qt::Key_Shift);
        QVERIFY(w->Changed());
        w->SetChanged(false);
        // The release of a key pressed in another window (F2 in the main window, which shows
        // this one with the focus in a field) does not.
        QTest::keyRelease(w->Edit1(), Qt::Key_F2);
        QVERIFY(!w->Changed());
        // Keys elsewhere do not.
        QTest::keyClick(child<QTabWidget>("PageControl1")->tabBar(), Qt::Key_Left);
        QVERIFY(!w->Changed());

        // Edits without a key (the context menu's paste) change the record as well.
        QGuiApplication::clipboard()->setText(QStringLiteral("x"));
        w->Memo1()->paste();
        QVERIFY(w->Changed());
        w->SetChanged(false);
        w->Edit3()->paste();
        QVERIFY(w->Changed());
        w->SetChanged(false);
        w->SetNotes(QStringLiteral("refilled"));
        w->SetKsywa(QStringLiteral("refilled"));
        QVERIFY(!w->Changed());
    }

    void closingWithChangesAsks() {
        showOnTextTab();
        QTest::keyClick(w->Edit1(), Qt::Key_Right);
        QVERIFY(w->Changed());
        host.calls.clear();
        {
            TestDialogsScope dialogs;
            dialogs->expectBox(MsgResult::Yes, Question);
            QVERIFY(!w->close());
            QCOMPARE(dialogs->last().msgKind, MsgKind::Confirmation);
            QCOMPARE(dialogs->last().buttons, MsgButtons::YesNo);
        }
        // Yes keeps the window open with its edits; nothing is handed back.
        QVERIFY(w->isVisible());
        QVERIFY(w->Changed());
        QVERIFY(host.written.empty());
        QVERIFY(host.calls.isEmpty());
        {
            TestDialogsScope dialogs;
            dialogs->expectBox(MsgResult::No, Question);
            QVERIFY(w->close());
        }
        QVERIFY(!w->isVisible());
        QVERIFY(!w->Changed());
        QCOMPARE(host.written.size(), std::size_t(1));
        QCOMPARE(host.calls,
                 QStringList({QStringLiteral("PictureMenu:off"), QStringLiteral("Regenerate:on")}));

        // Unchanged: no question.
        w->ShowRecord();
        {
            TestDialogsScope dialogs;
            QVERIFY(w->close());
            QVERIFY(dialogs->empty());
        }
        // CloseQuietly asks nothing, but hands the settings back all the same.
        w->ShowRecord();
        w->SetChanged(true);
        {
            TestDialogsScope dialogs;
            w->CloseQuietly();
            QVERIFY(dialogs->empty());
        }
        QVERIFY(!w->isVisible());
        QVERIFY(!w->Changed());
        QCOMPARE(host.written.size(), std::size_t(3));
    }

    void closingWhileHiddenKeepsSettings() {
        // A save from the main window closes the record window even when it was never shown:
        // the settings it has not read must not be overwritten by its design values.
        host.settings = {300, 200, 600, 500, clBtnFace, clWindow, clBlack, clBlack};
        w->SetChanged(true);
        w->CloseQuietly();
        QVERIFY(!w->Changed());
        QVERIFY(host.written.empty());
        QVERIFY(host.calls.isEmpty());
    }

    // ---- carried settings and colours ---------------------------------------------------------

    void carriedSettingsReadAndWrittenBack() {
        const TColor fields = RGBColor(255, 255, 200);
        const TColor captions = RGBColor(0, 0, 128);
        const TColor letters = RGBColor(128, 0, 0);
        host.settings = {100, 120, 500, 650, clBtnFace, fields, captions, letters};
        QCOMPARE(static_cast<int>(clBtnFace), -2147483633);

        w->ShowRecord();
        QCOMPARE(host.settingsRead, 1);
        QVERIFY(host.calls.contains(QStringLiteral("Regenerate:off")));
        QCOMPARE(w->geometry(), QRect(100, 120, 500, 650));
        for (const char* name : {"PanelOpisu", "PanelTop", "ScrollBox1"}) {
            QCOMPARE(child<QWidget>(name)->palette().color(QPalette::Window), ToQColor(clBtnFace));
            QCOMPARE(child<QWidget>(name)->palette().color(QPalette::WindowText),
                     ToQColor(captions));
        }
        // Captions take their panel's letters; fields have colours of their own.
        QCOMPARE(child<QLabel>("StaticText3")->palette().color(QPalette::WindowText),
                 ToQColor(captions));
        QCOMPARE(child<QLabel>("Label1")->palette().color(QPalette::WindowText),
                 ToQColor(captions));
        for (QWidget* f : {static_cast<QWidget*>(w->Edit1()), static_cast<QWidget*>(w->Edit2()),
                           static_cast<QWidget*>(w->Edit3()), static_cast<QWidget*>(w->Memo1()),
                           static_cast<QWidget*>(w->Memo2())}) {
            QCOMPARE(f->palette().color(QPalette::Base), ToQColor(fields));
            QCOMPARE(f->palette().color(QPalette::Text), ToQColor(letters));
            QVERIFY(f->palette().color(QPalette::Window) != ToQColor(clBtnFace) ||
                    ToQColor(clBtnFace) == QApplication::palette().color(QPalette::Window));
        }

        // Showing again while visible reads nothing.
        w->ShowRecord();
        QCOMPARE(host.settingsRead, 1);

        w->setGeometry(150, 60, 520, 640);
        QVERIFY(w->close());
        QCOMPARE(host.written.size(), std::size_t(1));
        const TCarriedSettings expected{150, 60, 520, 640, clBtnFace, fields, captions, letters};
        QCOMPARE(host.written.back(), expected);

        // Shown and closed again unchanged: the same values, system colours included.
        w->ShowRecord();
        QCOMPARE(host.settingsRead, 2);
        QVERIFY(w->close());
        QCOMPARE(host.written.back(), expected);
        QCOMPARE(host.written.back()[4], -2147483633);
    }

    void colourCommands() {
        host.settings = {10, 10, 454, 714, clSilver, clWindow, clBlack, clBlack};
        showOnTextTab();
        TestDialogsScope dialogs;
        const TColor kolorF = RGBColor(10, 20, 30);
        const TColor literyF = RGBColor(200, 100, 0);
        const TColor literyO = RGBColor(0, 150, 0);

        dialogs->expectColor(kolorF);
        child<QAction>("mKolorF")->trigger();
        QCOMPARE(dialogs->last().color, clSilver); // preset to the current colour
        for (const char* name : {"PanelOpisu", "PanelTop", "ScrollBox1"})
            QCOMPARE(child<QWidget>(name)->palette().color(QPalette::Window), ToQColor(kolorF));
        QCOMPARE(w->Memo1()->palette().color(QPalette::Base), ToQColor(clWindow));

        dialogs->expectColor(std::nullopt); // Cancel changes nothing
        child<QAction>("mKolorO")->trigger();
        QCOMPARE(dialogs->last().color, clWindow);
        QCOMPARE(w->Memo2()->palette().color(QPalette::Base), ToQColor(clWindow));

        dialogs->expectColor(literyF);
        child<QAction>("mLiteryF")->trigger();
        QCOMPARE(dialogs->last().color, clBlack);
        auto* tabBar = child<QTabWidget>("PageControl1")->tabBar();
        QCOMPARE(tabBar->palette().color(QPalette::WindowText), ToQColor(literyF));
        QCOMPARE(child<QLabel>("StaticText5")->palette().color(QPalette::WindowText),
                 ToQColor(literyF));
        QCOMPARE(child<QLabel>("StaticText7")->palette().color(QPalette::WindowText),
                 ToQColor(literyF));

        dialogs->expectColor(literyO);
        child<QAction>("mLiteryO")->trigger();
        for (QWidget* f : {static_cast<QWidget*>(w->Edit1()), static_cast<QWidget*>(w->Edit3()),
                           static_cast<QWidget*>(w->Memo1()), static_cast<QWidget*>(w->Memo2())})
            QCOMPARE(f->palette().color(QPalette::Text), ToQColor(literyO));
        QCOMPARE(w->Edit2()->palette().color(QPalette::Base), ToQColor(clWindow));

        QVERIFY(w->close());
        const TCarriedSettings expected{10, 10, 454, 714, kolorF, clWindow, literyF, literyO};
        QCOMPARE(host.written.back(), expected);
        QCOMPARE(host.written.back()[5], clWindow); // still the system colour

        // The tab captions keep the chosen colour for the rest of the run, whatever is shown.
        host.settings[6] = clBlack;
        w->ShowRecord();
        QCOMPARE(tabBar->palette().color(QPalette::WindowText), ToQColor(literyF));
        QCOMPARE(child<QWidget>("PanelOpisu")->palette().color(QPalette::WindowText),
                 ToQColor(clBlack));
    }

    // ---- layout -------------------------------------------------------------------------------

    void layoutRule_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("wide") << 640;
        QTest::newRow("designed") << 454;
        QTest::newRow("narrower than the memos") << 300;
    }
    void layoutRule() {
        QFETCH(int, width);
        host.settings = {10, 10, width, 700, clSilver, clWhite, clBlack, clBlack};
        showOnTextTab();
        QWidget* panel = panelOpisu();
        QVERIFY(panel->width() > 0 && panel->width() <= width);
        const int half = panel->width() / 2;
        QCOMPARE(w->Memo1()->x(), half - 194);
        QCOMPARE(w->Memo2()->x(), half - 194);
        QCOMPARE(w->Memo1()->size(), QSize(388, 198)); // clipped, never shrunk
        auto* st2 = child<QLabel>("StaticText2");
        auto* st3 = child<QLabel>("StaticText3");
        auto* st4 = child<QLabel>("StaticText4");
        QCOMPARE(st2->x(), half - 194);
        QCOMPARE(w->Edit1()->x(), st2->x() + st2->width() + 10);
        QCOMPARE(st3->x(), half - 30);
        QCOMPARE(w->Edit2()->x(), st3->x() + st3->width() + 10);
        QCOMPARE(st4->x(), half - (st4->width() + 60));
        QCOMPARE(w->Edit3()->x(), st4->x() + st4->width() + 10);
        QCOMPARE(child<QLabel>("StaticText5")->x(), half - 194);
        QCOMPARE(child<QLabel>("StaticText1")->x(), half - 194);
        QCOMPARE(w->Edit1()->y(), 15);
        QCOMPARE(w->Edit3()->y(), 51);
        QCOMPARE(w->Edit2()->width(), 130);
        if (width < 388)
            QVERIFY(w->Memo1()->x() < 0);

        // Every resize runs the rule again.
        w->resize(width + 100, 700);
        QCOMPARE(panel->width() / 2 - 194, w->Memo2()->x());
        QCOMPARE(w->Memo2()->x(), half + 50 - 194);
    }

    void resizeOnPhotoTabArrangesTextTabWhenShown() {
        host.settings = {10, 10, 454, 700, clSilver, clWhite, clBlack, clBlack};
        w->ShowRecord(); // photo tab in front
        w->resize(700, 700);
        child<QTabWidget>("PageControl1")->setCurrentWidget(child<QWidget>("TabOpis"));
        QCOMPARE(w->Memo1()->x(), panelOpisu()->width() / 2 - 194);
        QVERIFY(panelOpisu()->width() > 600);
    }

    // ---- photo --------------------------------------------------------------------------------

    void photoShownAtNaturalSize() {
        w->SetPhoto(TJpegPhoto::FromJpeg(MakeJpeg(300, 200, QColor(10, 200, 10), true)));
        auto* image1 = child<QLabel>("Image1");
        QCOMPARE(image1->size(), QSize(300, 200));
        QCOMPARE(image1->pixmap().size(), QSize(300, 200));
        QCOMPARE(&w->PhotoToStore(), &w->Photo());
        w->SetRememberedPhotoSize(QSize(300, 200));
        w->SetPhoto(TJpegPhoto());
        QVERIFY(image1->pixmap().isNull());
        QCOMPARE(&w->PhotoToStore(), &w->Placeholder());
        // Emptying the photo does not forget the size last read from the album.
        QCOMPARE(w->RememberedPhotoSize(), QSize(300, 200));
    }

    // However the photo comes in, a photo other than the one shown is a change, of the same
    // size too, and Esc then asks before the window closes; the very photo shown again, or an
    // import given up, changes nothing.
    void anImportedPhotoIsAChangeWhateverItsSize() {
        w->ShowRecord();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        const QByteArray shown = MakeJpeg(64, 48, Qt::red);
        w->SetPhoto(TJpegPhoto::FromJpeg(shown)); // as the album fills it
        w->SetRememberedPhotoSize(QSize(64, 48));
        QByteArray next;
        host.onImport = [&] {
            if (!next.isEmpty())
                w->ImportPhoto(TJpegPhoto::FromJpeg(next));
        };
        auto* load = child<QAction>("Load1");

        next = shown;
        load->trigger();
        QVERIFY(!w->Changed());
        next.clear();
        load->trigger();
        QVERIFY(!w->Changed());
        QCOMPARE(host.calls.count(QStringLiteral("ImportPicture")), 2);

        next = MakeJpeg(64, 48, Qt::blue);
        load->trigger();
        QVERIFY(w->Changed());
        QCOMPARE(w->Photo().Jpeg(), next);

        QWidget* photoArea = child<QScrollArea>("ScrollBox1");
        photoArea->setFocus();
        TestDialogsScope dialogs;
        dialogs->expectBox(MsgResult::Yes, Question);
        QTest::keyPress(photoArea, Qt::Key_Escape);
        QVERIFY(w->isVisible());
        QCOMPARE(w->Photo().Jpeg(), next);
        dialogs->expectBox(MsgResult::No, Question);
        QTest::keyPress(photoArea, Qt::Key_Escape);
        QVERIFY(!w->isVisible());
    }

    // A stored photo that cannot be shown: a note in its place, no picture.
    void aPhotoNoteTakesThePhotosPlace() {
        w->SetPhoto(TJpegPhoto::FromJpeg(MakeJpeg(300, 200)));
        w->ShowPhotoNote(QStringLiteral("Zdjęcie jest uszkodzone."));
        auto* image1 = child<QLabel>("Image1");
        QVERIFY(w->Photo().IsNull());
        QVERIFY(image1->pixmap().isNull());
        QCOMPARE(image1->text(), QStringLiteral("Zdjęcie jest uszkodzone."));
        QVERIFY(image1->width() >= image1->sizeHint().width());
        // A photo shown afterwards takes its place at its own size, the note gone.
        w->ImportPhoto(TJpegPhoto::FromJpeg(MakeJpeg(30, 20)));
        QVERIFY(w->Changed());
        QCOMPARE(image1->text(), QString());
        QCOMPARE(image1->size(), QSize(30, 20));
    }

    // ---- commands -----------------------------------------------------------------------------

    void buttonsAndEntriesRunTheHostCommands() {
        w->ShowRecord();
        host.calls.clear();
        for (const char* name : {"btnPierwszy", "btnPoprzedni", "btnNastepny", "btnOstatni",
                                 "btnDodaj", "btnZniszcz", "btnZmiana"})
            QTest::mouseClick(child<QToolButton>(name), Qt::LeftButton);
        child<QAction>("Export1")->trigger();
        child<QAction>("Druk1")->trigger();
        child<QAction>("Load1")->trigger();
        QCOMPARE(host.calls, QStringList({"FirstRecord", "PreviousRecord", "NextRecord",
                                          "LastRecord", "AddRecord", "DeleteRecord", "SaveRecord",
                                          "ExportPicture", "PrintRecord", "ImportPicture"}));

        // An error of a command reaches the error box, not the event loop.
        host.throwOnNext = true;
        TestDialogsScope dialogs;
        dialogs->expectBox(MsgResult::Ok, QStringLiteral("Brak następnego rekordu"));
        QTest::mouseClick(child<QToolButton>("btnNastepny"), Qt::LeftButton);
        QCOMPARE(dialogs->last().msgKind, MsgKind::Error);
    }

    // The window without the mouse: the record commands' keys work from any field (also those
    // a text field would take for itself), Tab reaches the buttons, Esc closes with the question.
    void worksFromTheKeyboard() {
        showOnTextTab();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->SetImie(QStringLiteral("Jan Maria"));
        w->Edit1()->setFocus();
        w->Edit1()->setCursorPosition(0);
        host.calls.clear();
        QTest::keyClick(w->Edit1(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w->Imie(), QStringLiteral("Jan Maria")); // no word deleted
        w->Memo1()->setFocus();
        QTest::keyClick(w->Memo1(), Qt::Key_Insert);
        QTest::keyClick(w->Memo1(), Qt::Key_D, Qt::ControlModifier);
        QTest::keyClick(w->Memo1(), Qt::Key_P, Qt::ControlModifier);
        QTest::keyClick(w->Memo1(), Qt::Key_PageUp, Qt::AltModifier);
        QTest::keyClick(w->Memo1(), Qt::Key_PageDown, Qt::AltModifier);
        QTest::keyClick(w->Memo1(), Qt::Key_End, Qt::AltModifier);
        QCOMPARE(host.calls, QStringList({"DeleteRecord", "SaveRecord", "AddRecord", "FirstRecord",
                                          "PreviousRecord", "NextRecord", "LastRecord"}));
        // Releasing a command's keys is no edit: the next move asks no question.
        QVERIFY(!w->Changed());

        w->Memo2()->setFocus();
        for (const char* name : {"btnPierwszy", "btnPoprzedni", "btnNastepny", "btnOstatni",
                                 "btnDodaj", "btnZniszcz", "btnZmiana"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), child<QWidget>(name));
        }
        host.calls.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(host.calls, QStringList({"SaveRecord"}));

        w->Edit2()->setFocus();
        w->SetChanged(true);
        TestDialogsScope dialogs;
        // Presses only: the release reaches whatever has the focus once the window is gone.
        dialogs->expectBox(MsgResult::Yes, Question);
        QTest::keyPress(w->Edit2(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        dialogs->expectBox(MsgResult::No, Question);
        QTest::keyPress(w->Edit2(), Qt::Key_Escape);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->Changed());
    }

    // A web address is refused at the door; a local file goes to the import.
    void photoTakesOneDroppedLocalFile() {
        w->ShowRecord();
        QWidget* area = child<QScrollArea>("ScrollBox1")->viewport();
        auto dragged = [area](const QList<QUrl>& urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(area, &enter);
            if (!enter.isAccepted())
                return false;
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(area, &drop);
            return drop.isAccepted();
        };
        host.onImport = [&] { w->ImportPhoto(TJpegPhoto::FromJpeg(MakeJpeg(50, 40))); };
        QVERIFY(!dragged({QUrl(QStringLiteral("https://example.org/a.jpg"))}));
        QVERIFY(host.calls.filter(QStringLiteral("ImportPictureFile")).isEmpty());
        QVERIFY(dragged({QUrl::fromLocalFile(QStringLiteral("/tmp/a.jpg"))}));
        QVERIFY(host.calls.contains(QStringLiteral("ImportPictureFile:/tmp/a.jpg")));
        QVERIFY(w->Changed()); // the photo the import took
    }

    void labels() {
        w->SetFileLabel(QStringLiteral("klasa.db3"));
        w->SetPositionLabel(QStringLiteral("3 z 15"));
        QCOMPARE(w->FileLabel(), QStringLiteral("klasa.db3"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("3 z 15"));
        QVERIFY(child<QLabel>("Label2")->width() >= child<QLabel>("Label2")->sizeHint().width());
    }
};

QTEST_MAIN(RecordWindowTest)
#include "RecordWindowTest.moc"
