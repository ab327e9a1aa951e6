#include "platform/core/ScreenPlace.h"

#include <QtCore/QEvent>
#include <QtCore/QPointer>
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

// Checks a window once more when the window manager has framed it (it appears, or the frame
// moves it): only then is its real frame known. Without a window manager it never is, and no
// frame needs room.
class TFramedCheck final : public QObject {
public:
    explicit TFramedCheck(QWidget* window) : QObject(window), m_window(window) {
        setObjectName(kCheckName);
        window->windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if ((e->type() == QEvent::Expose || e->type() == QEvent::Move) && m_window &&
            !FrameOf(m_window).isNull()) {
            watched->removeEventFilter(this);
            // Not inside the platform's event handling: the check may move the window.
            QMetaObject::invokeMethod(
                m_window,
                [w = m_window] {
                    if (w && w->isVisible())
                        Fit(w, FrameOf(w));
                },
                Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
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
