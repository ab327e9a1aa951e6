#include "platform/core/ScreenPlace.h"

#include <QtTest/QTest>

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
};

QTEST_MAIN(ScreenPlaceTest)
#include "ScreenPlaceTest.moc"
