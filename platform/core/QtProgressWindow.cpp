#include "platform/core/Dialogs.h"
#include "platform/core/ProgressWindow.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtGui/QCursor>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QProgressDialog>

#include <algorithm>

namespace movra {

namespace {

constexpr qint64 kBusyCursorAfterMs = 500;
constexpr qint64 kWindowAfterMs = 2000;
// Events are handled at most this often: the window stays responsive and the work is not slowed.
constexpr qint64 kPumpEveryMs = 40;

class TQtProgressWindow final : public IProgressWindow {
public:
    TQtProgressWindow(QWidget* parent, QString text) : m_parent(parent), m_text(std::move(text)) {
        m_clock.start();
    }

    ~TQtProgressWindow() override {
        m_dialog.reset();
        if (m_cursor)
            QGuiApplication::restoreOverrideCursor();
    }

    TQtProgressWindow(const TQtProgressWindow&) = delete;
    TQtProgressWindow& operator=(const TQtProgressWindow&) = delete;

    bool Advance(int percent) override {
        if (m_cancelled)
            return false;
        const qint64 now = m_clock.elapsed();
        if (now - m_lastPump < kPumpEveryMs)
            return true;
        m_lastPump = now;
        if (!m_cursor && now >= kBusyCursorAfterMs) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            m_cursor = true;
        }
        if (!m_dialog && now >= kWindowAfterMs)
            ShowDialog();
        if (m_dialog) {
            if (m_dialog->labelText() != m_text)
                m_dialog->setLabelText(m_text);
            if (percent < 0) {
                if (m_dialog->maximum() != 0)
                    m_dialog->setRange(0, 0); // busy, with no end in sight
            } else {
                if (m_dialog->maximum() != 100)
                    m_dialog->setRange(0, 100);
                m_dialog->setValue(std::min(percent, 100));
            }
            QCoreApplication::processEvents();
            if (m_dialog->wasCanceled())
                m_cancelled = true;
        } else {
            // No window yet to take the user's input: paint, but keep clicks and keys for later.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        return !m_cancelled;
    }

    void SetText(const QString& text) override { m_text = text; }

private:
    void ShowDialog() {
        m_dialog =
            std::make_unique<QProgressDialog>(m_text, QStringLiteral("Anuluj"), 0, 100, m_parent);
        m_dialog->setObjectName(QStringLiteral("ProgressWindow"));
        m_dialog->setWindowTitle(ApplicationTitle());
        // Modal, so that nothing but "Anuluj" reaches the program while the work runs.
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->show();
        // The window's button stays usable: the cursor says busy, not blocked.
        if (m_cursor)
            QGuiApplication::changeOverrideCursor(QCursor(Qt::BusyCursor));
    }

    QWidget* m_parent;
    QString m_text;
    QElapsedTimer m_clock;
    qint64 m_lastPump = 0;
    bool m_cursor = false;
    bool m_cancelled = false;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace

std::unique_ptr<IProgressWindow> QtProgressWindow(QWidget* parent, const QString& text) {
    return std::make_unique<TQtProgressWindow>(parent, text);
}

std::unique_ptr<IProgressWindow> IDialogs::Progress(QWidget* parent, const QString& text) {
    return QtProgressWindow(parent, text);
}

} // namespace movra
