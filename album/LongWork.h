#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtCore/QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace movra {

// Shows that a command is at work for as long as this object lives: the busy cursor from the
// start and, once the work has gone on for two seconds, a progress window without a cancel
// button (the work cannot be stopped halfway) that Step keeps up to date. Both go when the
// object does, also when the work fails.
class TLongWork {
public:
    // text is the progress window's line; "%1" in it becomes the count given to Step.
    TLongWork(QWidget* parent, QString text);
    ~TLongWork();
    TLongWork(const TLongWork&) = delete;
    TLongWork& operator=(const TLongWork&) = delete;

    // Called often (every row): cheap unless a tenth of a second has passed since the last
    // update. Lets the window paint, but takes no input, so no command can start meanwhile.
    void Step(qint64 done);
    // The work has stopped short (to tell the user why): the arrow and the window come back
    // now, not when this object goes.
    void Interrupt();

private:
    bool m_busy = true;
    QPointer<QWidget> m_parent;
    QString m_text;
    QElapsedTimer m_timer;
    qint64 m_nextCheck = 0;
    qint64 m_lastUpdate = 0;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace movra
