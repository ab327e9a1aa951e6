#pragma once

#include "db/SQLiteInterfaces.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QString>

#include <memory>

class QWidget;

namespace movra {

class IProgressWindow;

// A command at work on the album file, for as long as this object lives: every statement run
// meanwhile on the connection it watches reports to one progress window (IDialogs::Progress), so
// that a statement running long inside the engine shows the busy cursor after half a second and
// the window with "Anuluj" after two. "Anuluj" stops the statement that runs: it raises with
// SQLITE_INTERRUPT, undoing what it changed, and every later one is stopped as well, so the
// command ends. The window and the cursor go when this object does.
//
// While the window handles events no other command can start: the user's input waits until the
// window shows, and then the window is modal.
class TLongWork {
public:
    // text is the window's line; "%1" in it becomes the count given to Step.
    TLongWork(QWidget* parent, QString text, const ISQLiteDatabasePtr& db = {});
    ~TLongWork();
    TLongWork(const TLongWork&) = delete;
    TLongWork& operator=(const TLongWork&) = delete;

    // The connection whose statements report here from now on (a load opens a new one); the
    // previous one is no longer watched.
    void Watch(const ISQLiteDatabasePtr& db);
    // Rows done so far, for the window's line. Cheap: called for every row.
    void Step(qint64 done) { m_done = done; }
    // For work that knows its share (0 to 100): false once the user asked to stop.
    [[nodiscard]] bool Advance(int percent);
    // For work that waits rather than runs statements: brings the window's line up to date and
    // handles events as a watched statement does; false once the user asked to stop.
    [[nodiscard]] bool Tick() { return OnStatement(); }
    // Whether the user pressed "Anuluj".
    [[nodiscard]] bool Cancelled() const { return m_cancelled; }
    // The work has stopped short (to tell the user why): the arrow comes back and the window
    // goes now, not when this object does. Nothing is watched any more.
    void Interrupt();

private:
    bool OnStatement();

    QString m_text;
    std::unique_ptr<IProgressWindow> m_progress;
    std::weak_ptr<ISQLiteDatabase> m_db;
    QElapsedTimer m_clock;
    qint64 m_done = 0;
    qint64 m_shownDone = 0;
    qint64 m_lastText = 0;
    bool m_cancelled = false;
};

} // namespace movra
