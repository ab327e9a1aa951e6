#include "record/asfind.h"
#include "tests/support/TestDialogs.h"

#include <QtGui/QScreen>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>

#include <memory>

using namespace movra;
using namespace movra::test;

class FindDialogTest : public QObject {
    Q_OBJECT

    static void checkInitialState(Tfinddlg& dlg) {
        QCOMPARE(dlg.Phrase(), QString());
        QVERIFY(!dlg.MatchCase());
        QVERIFY(!dlg.WholeWords());
        QVERIFY(dlg.SearchByRecords());
        QVERIFY(!dlg.ByColumns()->isChecked());
    }

private slots:
    void builtAsDesigned() {
        Tfinddlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Szukanie"));
        QCOMPARE(dlg.size(), QSize(289, 204));
        QCOMPARE(dlg.minimumSize(), dlg.maximumSize()); // fixed border
        const Qt::WindowFlags f = dlg.windowFlags();
        QVERIFY(f & Qt::WindowCloseButtonHint);
        QVERIFY(!(f & Qt::WindowContextHelpButtonHint));
        QVERIFY(!(f & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(dlg.palette().color(QPalette::Window), QColor(192, 192, 192));
        QCOMPARE(dlg.font().family(), QStringLiteral("Arial"));
        QCOMPARE(dlg.font().pixelSize(), 13);
        QVERIFY(dlg.font().bold());

        auto* label = dlg.findChild<QLabel*>(QStringLiteral("Label1"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Szukana fraza:"));
        QCOMPARE(label->pos(), QPoint(17, 12));
        QCOMPARE(dlg.Search()->geometry(), QRect(128, 8, 137, 24));
        QCOMPARE(dlg.ChkLitery()->text(), QStringLiteral("Uwzględnij wielkość liter"));
        QCOMPARE(dlg.ChkLitery()->geometry(), QRect(24, 38, 233, 17));
        QCOMPARE(dlg.ChkSlowa()->text(), QStringLiteral("Uwzględnij tylko całe wyrazy"));
        QCOMPARE(dlg.ChkSlowa()->geometry(), QRect(24, 62, 241, 17));
        auto* group = dlg.findChild<QGroupBox*>(QStringLiteral("RadioGroup1"));
        QVERIFY(group);
        QCOMPARE(group->geometry(), QRect(16, 82, 249, 73));
        QCOMPARE(dlg.ByRecords()->text(), QStringLiteral("Szukaj kolejno rekordami"));
        QCOMPARE(dlg.ByColumns()->text(), QStringLiteral("Szukaj kolejno kolumnami"));
        QCOMPARE(dlg.Button1()->text(), QStringLiteral("Znajdź"));
        QCOMPARE(dlg.Button1()->geometry(), QRect(64, 168, 75, 25));
        QCOMPARE(dlg.Button2()->text(), QStringLiteral("Anuluj"));
        QCOMPARE(dlg.Button2()->geometry(), QRect(152, 168, 75, 25));
        checkInitialState(dlg);
    }

    void everyDialogStartsAfresh() {
        {
            Tfinddlg first;
            first.Search()->setText(QStringLiteral("Kowal"));
            first.ChkLitery()->setChecked(true);
            first.ChkSlowa()->setChecked(true);
            first.ByColumns()->setChecked(true);
            QVERIFY(!first.SearchByRecords());
            QVERIFY(first.MatchCase() && first.WholeWords());
        }
        Tfinddlg second;
        checkInitialState(second);
    }

    void shownCentredWithFindAsDefault() {
        Tfinddlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(dlg.Button1()->isDefault());
        QVERIFY(!dlg.Button2()->isDefault());
        QCOMPARE(dlg.focusWidget(), dlg.Search());
        if (QScreen* s = dlg.screen())
            QVERIFY((dlg.frameGeometry().center() - s->geometry().center()).manhattanLength() <= 2);
    }

    // Enter searches from the phrase and from the options; on the focused "Anuluj" it cancels.
    void enterSearches() {
        const auto enterIn = [](Tfinddlg& dlg, QWidget* w, Qt::Key key) {
            dlg.show();
            if (!QTest::qWaitForWindowActive(&dlg))
                return -1;
            w->setFocus();
            QTest::keyClick(w, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            return dlg.isVisible() ? -1 : dlg.result();
        };
        {
            Tfinddlg dlg;
            QTest::keyClicks(dlg.Search(), QStringLiteral("Nowak"));
            QCOMPARE(enterIn(dlg, dlg.Search(), Qt::Key_Return), int(QDialog::Accepted));
            QCOMPARE(dlg.Phrase(), QStringLiteral("Nowak"));
        }
        {
            Tfinddlg dlg;
            QCOMPARE(enterIn(dlg, dlg.Search(), Qt::Key_Enter), int(QDialog::Accepted));
        }
        {
            Tfinddlg dlg;
            QCOMPARE(enterIn(dlg, dlg.ChkSlowa(), Qt::Key_Return), int(QDialog::Accepted));
        }
        {
            Tfinddlg dlg;
            QCOMPARE(enterIn(dlg, dlg.Button2(), Qt::Key_Return), int(QDialog::Rejected));
        }
    }

    void escCancels() {
        Tfinddlg dlg;
        QSignalSpy finished(&dlg, &QDialog::finished);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::keyClicks(dlg.Search(), QStringLiteral("x"));
        QTest::keyClick(dlg.Search(), Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(finished.count(), 1);
    }

    void buttonsEndTheDialog() {
        {
            Tfinddlg dlg;
            dlg.show();
            QTest::mouseClick(dlg.Button1(), Qt::LeftButton);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QVERIFY(!dlg.isVisible());
        }
        {
            Tfinddlg dlg;
            dlg.show();
            QTest::mouseClick(dlg.Button2(), Qt::LeftButton);
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
        }
        {
            // Enter on a focused button presses it, as on any desktop.
            Tfinddlg dlg;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            dlg.Button1()->setFocus();
            QTest::keyClick(dlg.Button1(), Qt::Key_Return);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
        }
    }

    void answeredThroughTheDialogSeam() {
        TestDialogsScope dialogs;
        dialogs->expectModal([](QDialog* d) {
            auto* find = qobject_cast<Tfinddlg*>(d);
            if (!find)
                return int(QDialog::Rejected);
            find->Search()->setText(QStringLiteral("Łódź"));
            find->ChkSlowa()->setChecked(true);
            find->ByColumns()->setChecked(true);
            return int(QDialog::Accepted);
        });
        Tfinddlg dlg;
        QCOMPARE(Dialogs().ExecModal(&dlg), int(QDialog::Accepted));
        QCOMPARE(dialogs->last().windowTitle, QStringLiteral("Szukanie"));
        QCOMPARE(dlg.Phrase(), QStringLiteral("Łódź"));
        QVERIFY(dlg.WholeWords());
        QVERIFY(!dlg.MatchCase());
        QVERIFY(!dlg.SearchByRecords());
    }
};

QTEST_MAIN(FindDialogTest)
#include "FindDialogTest.moc"
