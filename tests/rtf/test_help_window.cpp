#include "platform/core/Colors.h"
#include "platform/core/ProgramFolder.h"
#include "record/help.h"
#include "tests/support/TestFiles.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtGui/QAbstractTextDocumentLayout>
#include <QtGui/QTextCursor>
#include <QtTest/QtTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QToolTip>

#include <unistd.h>

using namespace movra;

namespace {

const QString HelpFile = QStringLiteral("Movra.rtf");

// The notice, spelled out here rather than taken from the window.
QString expectedNotice() {
    return QStringLiteral(" ") + QLatin1Char('\n') + QString(17, u' ') +
           QStringLiteral("Nie widzę  w katalogu programu pliku pomocy - ''Movra.rtf''.") +
           QLatin1Char('\n') + QLatin1Char('\n') + QString(43, u' ') +
           QStringLiteral("Proszę dostarczyć mi ten plik!");
}

// What the window shows for a help file that is there but cannot be shown.
QString expectedReason(const QString& path, const QString& reason) {
    return QStringLiteral(" ") + QLatin1Char('\n') + QString(17, u' ') +
           QStringLiteral("Nie mogę pokazać pliku pomocy - ''") + path + QStringLiteral("''.") +
           QLatin1Char('\n') + QLatin1Char('\n') + QString(17, u' ') + reason;
}

// Makes the help file there but unreadable. Root reads a file whatever its mode says, but not a
// kernel setting that is write-only (the link's target is what the window opens).
bool makeUnreadable(const test::TempProgramFolder& folder) {
    const QString path = folder.file(HelpFile);
    QFile::remove(path);
    if (::geteuid() == 0)
        return QFile::link(QStringLiteral("/proc/sys/vm/drop_caches"), path);
    return folder.write(HelpFile, "{\\rtf1 x}") && QFile::setPermissions(path, {});
}

// A help text long enough to scroll, with a recognisable first and last line.
QByteArray longHelp(const QByteArray& first) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1250 " + first + "\\par ";
    for (int i = 0; i < 300; ++i)
        rtf += "Wiersz " + QByteArray::number(i) + " pomocy z \\'b3adnymi literami\\par ";
    rtf += "Koniec}";
    return rtf;
}

} // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowAsDesigned();
    void noHelpFileShowsTheNotice();
    void helpFileIsShown();
    void helpFileThatCannotBeShownSaysWhy();
    void hugeHelpTextsAreShownOrCut();
    void resizeBurstReloadsOnceFromTheTop();
    void fileGoneKeepsWhatIsShown();
    void escapeClosesWhereverTheFocusIs();
    void tooltipShowsOverTheText();
};

void TestHelpWindow::initTestCase() {
    // This test decides itself whether a help file exists; one beside the test executable
    // would be found first and spoil that.
    QVERIFY2(!QFileInfo::exists(ExecutableFolder() + HelpFile),
             "a Movra.rtf lies beside the test executable");
}

void TestHelpWindow::windowAsDesigned() {
    test::TempProgramFolder folder;
    TFhelp w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Plik pomocy"));
    QCOMPARE(w.toolTip(), QStringLiteral("Klawisz <ESC> zamyka to okno"));
    QCOMPARE(w.size(), QSize(744, 415));
    QCOMPARE(w.palette().color(QPalette::Window), ToQColor(clBtnShadow));

    QVERIFY(w.Panel1 && w.RichEdit1);
    QCOMPARE(w.RichEdit1->parentWidget(), w.Panel1);
    QCOMPARE(w.Panel1->frameShadow(), QFrame::Sunken);
    QCOMPARE(w.Panel1->frameWidth(), 4);
    QVERIFY(w.RichEdit1->toolTip().isEmpty());
    QVERIFY(w.RichEdit1->isReadOnly());
    QCOMPARE(w.RichEdit1->lineWrapMode(), QTextEdit::WidgetWidth);
    QCOMPARE(w.RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const QFont f = w.RichEdit1->font();
    QCOMPARE(f.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(f.pixelSize(), 13);
    QVERIFY(f.bold());

    // The panel and the text fill the window.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.Panel1->geometry(), w.rect());
    QCOMPARE(w.RichEdit1->geometry(), w.Panel1->contentsRect());
}

void TestHelpWindow::noHelpFileShowsTheNotice() {
    test::TempProgramFolder folder;
    QVERIFY(FindHelpFile(HelpFile).isEmpty());
    TFhelp w;
    QCOMPARE(w.RichEdit1->toPlainText(), expectedNotice());
    QCOMPARE(w.RichEdit1->document()->blockCount(), 4);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.RichEdit1->toPlainText(), expectedNotice());
}

void TestHelpWindow::helpFileIsShown() {
    test::TempProgramFolder folder;
    QVERIFY(folder.write(
        HelpFile, "{\\rtf1\\ansi\\ansicpg1250 {\\b Pomoc} programu\\par Za\\'bf\\'f3\\'b3\\'e6}"));
    TFhelp w;
    QCOMPARE(w.RichEdit1->toPlainText(), QStringLiteral("Pomoc programu\nZażółć"));
    QTextCursor c(w.RichEdit1->document());
    c.setPosition(1);
    QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));
    c.setPosition(8);
    QCOMPARE(c.charFormat().fontWeight(), int(QFont::Normal));

    // The object replacement character after a tab: Qt would size the embedded object it
    // stands for while the text is measured, before there is a layout to ask.
    QVERIFY(folder.write(HelpFile, "{\\rtf1\\tx2000 a\\tab b\\u-4?c}"));
    TFhelp objects;
    QCOMPARE(objects.RichEdit1->toPlainText(), QStringLiteral("a\tbc"));

    // The copy made at start reads the file only once it is shown.
    TFhelp atStart(nullptr, TFhelp::TFirstLoad::WhenShown);
    QCOMPARE(atStart.RichEdit1->toPlainText(), expectedNotice());
    atStart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&atStart));
    QCOMPARE(atStart.RichEdit1->toPlainText(), QStringLiteral("a\tbc"));
}

void TestHelpWindow::helpFileThatCannotBeShownSaysWhy() {
    test::TempProgramFolder folder;
    {
        TFhelp missing;
        QCOMPARE(missing.RichEdit1->toPlainText(), expectedNotice());
    }
    const QString path = folder.file(HelpFile);
    const QString shown = QDir::toNativeSeparators(path);
    const auto reasonShown = [&](const QString& reason) {
        QCOMPARE(FindHelpFile(HelpFile), path);
        TFhelp w;
        QCOMPARE(w.RichEdit1->toPlainText(), expectedReason(shown, reason));
    };

    // A help file saved as plain text by mistake.
    QVERIFY(folder.write(HelpFile, "Pomoc zapisana jako zwykły tekst."));
    reasonShown(QStringLiteral("Plik \"Movra.rtf\" nie jest tekstem w formacie RTF."));
    QVERIFY(folder.write(HelpFile, QByteArray()));
    reasonShown(QStringLiteral("Plik \"Movra.rtf\" jest pusty."));
    QVERIFY(folder.write(HelpFile, "{\\rtf1\\ansi {\\fonttbl{\\f0 Arial;}}}"));
    reasonShown(QStringLiteral("Plik \"Movra.rtf\" nie zawiera tekstu."));
    QVERIFY(folder.write(HelpFile, "{\\rtf1 " + QByteArray(16 * 1024 * 1024, 'x') + "}"));
    reasonShown(QStringLiteral("Plik \"Movra.rtf\" jest za duży: ponad 16 MB."));
    QVERIFY(makeUnreadable(folder));
    reasonShown(
        QStringLiteral("Nie mogę odczytać pliku \"Movra.rtf\": brak uprawnień do jego odczytu."));
}

void TestHelpWindow::hugeHelpTextsAreShownOrCut() {
    test::TempProgramFolder folder;
    // A hang here is caught by the test's time limit.
    const auto shownInTheWindow = [](TFhelp& w) {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(2 * TFhelp::ReloadDelayMs);
        QTextDocument* doc = w.RichEdit1->document();
        // Qt never finishes laying out a text view's document taller than this.
        QVERIFY(doc->documentLayout()->documentSize().height() < 8'388'607);
        QVERIFY(w.RichEdit1->toPlainText().startsWith(QStringLiteral("W")));
    };
    const QString cutNote =
        QStringLiteral("[Dalszą część tekstu pominięto: byłaby za długa, by ją pokazać.]");

    // Words at the largest size the format knows, a few kilobytes of them: shown whole.
    QByteArray small = "{\\rtf1\\ansi\\fs3276 ";
    for (int i = 0; i < 3500; ++i)
        small += "W ";
    QVERIFY(folder.write(HelpFile, small));
    {
        TFhelp w;
        shownInTheWindow(w);
        QCOMPARE(w.RichEdit1->toPlainText().count(u'W'), 3500);
    }

    // Megabytes of them: what the window can hold, and a note that the rest is left out.
    QByteArray big = "{\\rtf1\\ansi\\fs3276 ";
    big += QByteArray("W ").repeated(7'000'000);
    QVERIFY(folder.write(HelpFile, big));
    {
        TFhelp w;
        shownInTheWindow(w);
        QVERIFY(w.RichEdit1->toPlainText().endsWith(cutNote));
    }

    // One word half a million letters long.
    QVERIFY(folder.write(HelpFile, "{\\rtf1 " + QByteArray(480'000, 'W') + "}"));
    {
        TFhelp w;
        shownInTheWindow(w);
        QCOMPARE(w.RichEdit1->toPlainText().count(u'W'), 480'000);
    }
}

void TestHelpWindow::resizeBurstReloadsOnceFromTheTop() {
    test::TempProgramFolder folder;
    QVERIFY(folder.write(HelpFile, longHelp("Pierwsza wersja")));
    TFhelp w;
    QVERIFY(w.RichEdit1->toPlainText().startsWith(QStringLiteral("Pierwsza wersja\n")));
    QSignalSpy loads(&w, &TFhelp::TextLoaded);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Showing the window at the size it was built with does not load the text again.
    QTest::qWait(3 * TFhelp::ReloadDelayMs);
    QCOMPARE(loads.count(), 0);

    QScrollBar* bar = w.RichEdit1->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    QCOMPARE(bar->value(), bar->maximum());

    // The file changes on disk; the reload must show the new text.
    QVERIFY(folder.write(HelpFile, longHelp("Druga wersja")));
    for (int i = 1; i <= 6; ++i) {
        w.resize(744 + 20 * i, 415 + 10 * i);
        QCoreApplication::processEvents();
    }
    QCOMPARE(w.size(), QSize(744 + 120, 415 + 60));
    QCOMPARE(loads.count(), 0); // not yet: the burst may go on
    QTRY_COMPARE(loads.count(), 1);
    QTest::qWait(3 * TFhelp::ReloadDelayMs);
    QCOMPARE(loads.count(), 1);

    QVERIFY(w.RichEdit1->toPlainText().startsWith(QStringLiteral("Druga wersja\n")));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(w.RichEdit1->textCursor().position(), 0);

    // A later resize is a new burst.
    w.resize(700, 400);
    QTRY_COMPARE(loads.count(), 2);
}

void TestHelpWindow::fileGoneKeepsWhatIsShown() {
    test::TempProgramFolder folder;
    QVERIFY(folder.write(HelpFile, "{\\rtf1 Tekst pomocy}"));
    TFhelp w;
    QCOMPARE(w.RichEdit1->toPlainText(), QStringLiteral("Tekst pomocy"));
    QSignalSpy loads(&w, &TFhelp::TextLoaded);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(QFile::remove(folder.file(HelpFile)));
    w.resize(800, 500);
    QTRY_COMPARE(loads.count(), 1);
    QCOMPARE(w.RichEdit1->toPlainText(), QStringLiteral("Tekst pomocy"));
}

void TestHelpWindow::escapeClosesWhereverTheFocusIs() {
    test::TempProgramFolder folder;
    for (int target = 0; target < 3; ++target) {
        TFhelp w;
        w.open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget* receiver = target == 0   ? static_cast<QWidget*>(&w)
                            : target == 1 ? static_cast<QWidget*>(w.RichEdit1)
                                          : w.RichEdit1->viewport();
        QVERIFY(w.isVisible());
        QTest::keyClick(receiver, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }
    // Other keys do not close it.
    TFhelp w;
    w.open();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::keyClick(w.RichEdit1, Qt::Key_Down);
    QTest::keyClick(w.RichEdit1, Qt::Key_Return);
    QVERIFY(w.isVisible());
}

void TestHelpWindow::tooltipShowsOverTheText() {
    test::TempProgramFolder folder;
    TFhelp w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget* view = w.RichEdit1->viewport();
    const QPoint local(50, 50);
    QHelpEvent help(QEvent::ToolTip, local, view->mapToGlobal(local));
    QApplication::sendEvent(view, &help);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Klawisz <ESC> zamyka to okno"));
    QToolTip::hideText();
}

QTEST_MAIN(TestHelpWindow)
#include "test_help_window.moc"
