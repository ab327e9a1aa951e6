#pragma once

// Knowing when a widget has been painted: the benchmarks stop their clocks when the user would
// first see the result, not when the call that asked for it returns.

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEvent>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

#include <functional>

namespace movra::bench {

// Counts the paint events a widget receives. The filter sees a paint event before the widget
// handles it; whoever waits with WaitForPaint checks the count only after the event loop has
// returned, so by then that paint has completed (and the backing store has been flushed).
class TPaintWatch : public QObject {
public:
    explicit TPaintWatch(QWidget* widget, std::function<void()> onFirstPaint = {})
        : m_widget(widget), m_onFirstPaint(std::move(onFirstPaint)) {
        m_widget->installEventFilter(this);
    }
    ~TPaintWatch() override {
        if (m_widget)
            m_widget->removeEventFilter(this);
    }
    TPaintWatch(const TPaintWatch&) = delete;
    TPaintWatch& operator=(const TPaintWatch&) = delete;

    [[nodiscard]] int Paints() const { return m_paints; }
    void Reset() { m_paints = 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_widget && e->type() == QEvent::Paint) {
            if (++m_paints == 1 && m_onFirstPaint)
                m_onFirstPaint();
        }
        return false;
    }

private:
    QPointer<QWidget> m_widget;
    std::function<void()> m_onFirstPaint;
    int m_paints = 0;
};

// Runs the event loop until the watched widget has been painted at least once since its last
// Reset; false when that did not happen within timeoutMs.
inline bool WaitForPaint(const TPaintWatch& watch, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (watch.Paints() == 0) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

// Runs the events that are due now (deferred deletes included), so that one iteration's
// leftovers are not paid for by the next one.
inline void SettleEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

} // namespace movra::bench
