#include "platform/core/ScreenPlace.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QEvent>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <algorithm>

namespace movra {

namespace {

// The frame the window manager put around a window, or nothing before it has been framed.
QMargins FrameOf(const QWidget* w) {
    const QRect f = w->frameGeometry();
    const QRect g = w->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

// Windows of one program get the same decoration, so a framed window tells how large the
// frame of one not yet framed will be.
QMargins FrameOfAnotherWindow(const QWidget* w) {
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == w || !other->isVisible())
            continue;
        const QMargins m = FrameOf(other);
        if (!m.isNull())
            return m;
    }
    return {};
}

void Fit(QWidget* w, const QMargins& frame) {
    const QRect client = w->geometry();
    const QRect fitted = FitInside(client, frame, AvailableAreaFor(client.marginsAdded(frame)));
    if (fitted != client)
        w->setGeometry(fitted);
}

const QString kCheckName = QStringLiteral("movraFramedCheck");

// Checks a window once more when the window manager has framed it: only then is its real frame
// known. The frame's size can arrive after the window has appeared, with no event of its own, so
// besides the window's appearing and moving a short watch asks for it until it is known. Without
// a window manager it never is, and no frame needs room.
class TFramedCheck final : public QObject {
public:
    explicit TFramedCheck(QWidget* window) : QObject(window), m_window(window) {
        setObjectName(kCheckName);
        window->windowHandle()->installEventFilter(this);
        m_watch.setInterval(50);
        connect(&m_watch, &QTimer::timeout, this, &TFramedCheck::Try);
        m_watch.start();
        m_watched.start();
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Expose || e->type() == QEvent::Move)
            // Not inside the platform's event handling: the check may move the window.
            QMetaObject::invokeMethod(this, &TFramedCheck::Try, Qt::QueuedConnection);
        return false;
    }

private:
    void Try() {
        if (m_done)
            return;
        if (!m_window || m_watched.hasExpired(kMaxWatchMs)) {
            Finish();
            return;
        }
        const QMargins frame = FrameOf(m_window);
        // No frame, or one that does not surround the window: Qt has not yet learnt where the
        // window manager put the window.
        if (!m_window->isVisible() || frame.isNull() || frame.left() < 0 || frame.top() < 0 ||
            frame.right() < 0 || frame.bottom() < 0)
            return;
        // A window manager frames and places a window in steps (the title before the border and
        // handle, the frame at the screen's corner before its place), each of which Qt reports.
        // Only what has held a moment is fitted, and the watch goes on until the window has kept
        // its frame and its place half a second: time, not the number of events, tells, since a
        // loaded machine delivers many at once.
        const QRect place = m_window->frameGeometry();
        if (frame != m_lastFrame || place != m_lastPlace) {
            m_lastFrame = frame;
            m_lastPlace = place;
            m_held.start();
            return;
        }
        if (!m_held.hasExpired(kHeldMs))
            return;
        Fit(m_window, frame);
        if (m_window->frameGeometry() != place) {
            m_lastPlace = m_window->frameGeometry();
            m_held.start();
        } else if (m_held.hasExpired(kSettledMs)) {
            Finish();
        }
    }

    void Finish() {
        m_done = true;
        m_watch.stop();
        if (m_window && m_window->windowHandle())
            m_window->windowHandle()->removeEventFilter(this);
        deleteLater();
    }

    static constexpr qint64 kMaxWatchMs = 10'000; // watching ten seconds at the most
    static constexpr qint64 kHeldMs = 100;        // a frame and place to fit to
    static constexpr qint64 kSettledMs = 500;     // a window at rest
    QPointer<QWidget> m_window;
    QTimer m_watch;
    QElapsedTimer m_watched; // since the watch began
    QElapsedTimer m_held;    // since the frame or the place last changed
    QMargins m_lastFrame;
    QRect m_lastPlace;
    bool m_done = false;
};

} // namespace

QRect FitInside(const QRect& client, const QMargins& frame, const QRect& area) {
    if (area.isEmpty())
        return client;
    QRect outer = client.marginsAdded(frame);
    const int minWidth = frame.left() + frame.right() + 1;
    const int minHeight = frame.top() + frame.bottom() + 1;
    if (outer.width() > area.width())
        outer.setWidth(std::max(area.width(), minWidth));
    if (outer.height() > area.height())
        outer.setHeight(std::max(area.height(), minHeight));
    // The left and top edges win over the right and bottom ones: the title bar and the menu
    // stay reachable.
    if (outer.right() > area.right())
        outer.moveRight(area.right());
    if (outer.left() < area.left())
        outer.moveLeft(area.left());
    if (outer.bottom() > area.bottom())
        outer.moveBottom(area.bottom());
    if (outer.top() < area.top())
        outer.moveTop(area.top());
    return outer.marginsRemoved(frame);
}

QRect AvailableAreaFor(const QRect& frame) {
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->geometry().intersected(frame);
        const qint64 area = qint64(common.width()) * common.height();
        if (!common.isEmpty() && area > bestArea) {
            best = s;
            bestArea = area;
        }
    }
    if (!best)
        best = QGuiApplication::primaryScreen();
    return best ? best->availableGeometry() : QRect();
}

void KeepOnScreen(QWidget* window) {
    if (!window || !window->isWindow())
        return;
    const QMargins own = FrameOf(window);
    if (!own.isNull()) {
        Fit(window, own);
        return;
    }
    Fit(window, FrameOfAnotherWindow(window));
    if (window->windowHandle() &&
        !window->findChild<QObject*>(kCheckName, Qt::FindDirectChildrenOnly))
        new TFramedCheck(window);
}

} // namespace movra
