#include "platform/core/ScreenPlace.h"

#include <QtCore/QTemporaryFile>
#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

using namespace movra;

// Where a window comes up when the place stored for it (or designed) does not suit the screen.
class ScreenPlaceTest : public QObject {
    Q_OBJECT

    // A laptop's screen with a panel along its top, and the frame a window manager draws.
    const QRect available{0, 27, 1366, 741};
    const QMargins frame{1, 20, 1, 5};

    [[nodiscard]] QRect Outer(const QRect& client) const { return client.marginsAdded(frame); }

private slots:
    void placesThatFitStayAsStored() {
        for (const QRect& place : {QRect(100, 150, 700, 420), QRect(1, 47, 1364, 716),
                                   QRect(822, 47, 543, 301), QRect(1, 462, 543, 301)})
            QCOMPARE(FitInside(place, frame, available), place);
    }

    void aPlacePartlyOffComesWhollyOnTheScreenAtTheNearestPlace() {
        // A third of the window below the screen: it moves up just so far, and no sideways.
        const QRect low(692, 568, 543, 301);
        const QRect up = FitInside(low, frame, available);
        QVERIFY(available.contains(Outer(up)));
        QCOMPARE(up.size(), low.size());
        QCOMPARE(up.x(), low.x());
        QCOMPARE(Outer(up).bottom(), available.bottom());

        // Stored on a monitor left of this one, title bar above the screen: both come back,
        // the title bar below the panel.
        const QRect away(-900, -40, 454, 600);
        const QRect back = FitInside(away, frame, available);
        QVERIFY(available.contains(Outer(back)));
        QCOMPARE(back.size(), away.size());
        QCOMPARE(Outer(back).topLeft(), available.topLeft());
    }

    void onlyWhatIsLargerThanTheScreenShrinks() {
        const QRect tall(200, 100, 454, 900);
        const QRect fitted = FitInside(tall, frame, available);
        QVERIFY(available.contains(Outer(fitted)));
        QCOMPARE(fitted.width(), tall.width());
        QCOMPARE(fitted.x(), tall.x());
        QCOMPARE(Outer(fitted).height(), available.height());
    }

    // A laptop's screen with a larger monitor on its right (main() sets them up): a window
    // stored across both comes up wholly on the one that holds the most of it, frame included,
    // wherever its corner or its middle lie.
    void aWindowAcrossTwoMonitorsComesUpOnTheOneItIsMostlyOn() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        const QRect left = screens[0]->availableGeometry();
        const QRect right = screens[1]->availableGeometry();
        QCOMPARE(right.left(), left.right() + 1);
        struct Case {
            QRect stored;
            QRect screen;
        };
        for (const auto& [stored, screen] : {
                 Case{QRect(1000, 100, 700, 400), left},  // 368 of 704 frame pixels across
                 Case{QRect(1030, 100, 700, 400), right}, // 338 of them
                 // Corner and middle on the laptop's screen, most of it below that.
                 Case{QRect(1100, 500, 500, 500), right},
             }) {
            QWidget w;
            w.setGeometry(stored);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(w.frameGeometry() != w.geometry()); // the frame is to fit too
            KeepOnScreen(&w);
            QVERIFY2(screen.contains(w.frameGeometry()),
                     qPrintable(QStringLiteral("(%1, %2) on (%3, %4)")
                                    .arg(w.frameGeometry().x())
                                    .arg(w.frameGeometry().y())
                                    .arg(screen.x())
                                    .arg(screen.y())));
            QCOMPARE(w.size(), stored.size());
        }
    }
};

int main(int argc, char** argv) {
    // Qt's offscreen platform with two screens side by side, the primary one on the left.
    QTemporaryFile screens;
    if (!screens.open() || screens.write(R"({"screens": [
            {"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768},
            {"name": "monitor", "x": 1366, "y": 0, "width": 1920, "height": 1080}]})") < 0 ||
        !screens.flush())
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    QApplication app(argc, argv);
    ScreenPlaceTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "ScreenPlaceTest.moc"
