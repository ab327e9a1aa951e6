// The progress window of long work on the user-interface thread, as the user meets it: nothing
// for quick work, a busy cursor after half a second, a window with "Anuluj" after two seconds,
// and the work told to stop once "Anuluj" is pressed.
#include "platform/core/ProgressWindow.h"

#include <QtCore/QElapsedTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QProgressDialog>
#include <QtWidgets/QPushButton>

using namespace movra;

namespace {

QProgressDialog* ShownProgressWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QProgressDialog*>(w); d != nullptr && d->isVisible())
            return d;
    return nullptr;
}

// Reports work for ms milliseconds, as the compaction does; false once told to stop.
bool Work(IProgressWindow& progress, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (!progress.Advance(static_cast<int>(clock.elapsed() * 100 / 5000)))
            return false;
        QTest::qSleep(5);
    }
    return true;
}

} // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT

private slots:
    void quickWorkShowsNothing() {
        {
            const auto progress = QtProgressWindow(nullptr, QStringLiteral("Krótko"));
            QVERIFY(Work(*progress, 300));
            QVERIFY(QApplication::overrideCursor() == nullptr);
            QVERIFY(ShownProgressWindow() == nullptr);
        }
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void longWorkShowsAWindowThatCancels() {
        {
            const auto progress = QtProgressWindow(nullptr, QStringLiteral("Regeneruję…"));
            QVERIFY(Work(*progress, 700));
            QVERIFY(QApplication::overrideCursor() != nullptr);
            QVERIFY(ShownProgressWindow() == nullptr);
            QVERIFY(Work(*progress, 1500));
            QProgressDialog* window = ShownProgressWindow();
            QVERIFY(window != nullptr);
            QCOMPARE(window->labelText(), QStringLiteral("Regeneruję…"));
            QCOMPARE(window->windowModality(), Qt::ApplicationModal);
            QPushButton* cancel = window->findChild<QPushButton*>();
            QVERIFY(cancel != nullptr);
            QCOMPARE(cancel->text(), QStringLiteral("Anuluj"));
            QVERIFY(Work(*progress, 100));
            cancel->click();
            QVERIFY(!Work(*progress, 1000));
            QVERIFY(!progress->Advance(99)); // stays stopped
        }
        // Gone with the work: no window, no busy cursor.
        QVERIFY(ShownProgressWindow() == nullptr);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindowTest.moc"
