#pragma once

#include <QtCore/QString>

#include <memory>

class QWidget;

namespace movra {

// Long work that runs on the user-interface thread and reports how far it has come. The work
// calls Advance often; the window keeps the program painting, shows a busy cursor once the work
// has lasted half a second and a progress window with "Anuluj" once it has lasted two seconds.
// Until the window shows, the user's input waits, so no other command can start meanwhile.
class IProgressWindow {
public:
    virtual ~IProgressWindow() = default;

    // percent: the work's estimate, 0 to 100, or below 0 when the work cannot tell (the window
    // then shows only that it is busy). False once the user asked to stop.
    [[nodiscard]] virtual bool Advance(int percent) = 0;
    // The window's line from now on (work that counts what it has done), shown at the next
    // Advance.
    virtual void SetText(const QString& text) { (void)text; }
};

// The Qt progress window described above (what IDialogs::Progress gives unless a test answers).
[[nodiscard]] std::unique_ptr<IProgressWindow> QtProgressWindow(QWidget* parent,
                                                                const QString& text);

} // namespace movra
