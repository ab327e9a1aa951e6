#include "album/LongWork.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLocale>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QApplication>
#include <QtWidgets/QProgressDialog>

namespace movra {

namespace {

constexpr qint64 kDialogAfterMs = 2000;
constexpr qint64 kUpdateEveryMs = 100;
// Steps between looks at the clock: reading it for every row of a million would cost more
// than the rows.
constexpr qint64 kStepsPerCheck = 1024;

} // namespace

TLongWork::TLongWork(QWidget* parent, QString text) : m_parent(parent), m_text(std::move(text)) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_timer.start();
}

TLongWork::~TLongWork() {
    Interrupt();
}

void TLongWork::Interrupt() {
    m_dialog.reset();
    if (m_busy)
        QGuiApplication::restoreOverrideCursor();
    m_busy = false;
}

void TLongWork::Step(qint64 done) {
    if (done < m_nextCheck || !m_busy)
        return;
    m_nextCheck = done + kStepsPerCheck;
    const qint64 now = m_timer.elapsed();
    if (now < kDialogAfterMs || now - m_lastUpdate < kUpdateEveryMs)
        return;
    m_lastUpdate = now;
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(m_parent);
        m_dialog->setWindowTitle(QStringLiteral("Movra"));
        m_dialog->setCancelButton(nullptr);
        m_dialog->setRange(0, 0); // how much is left is not known while the rows arrive
        m_dialog->setMinimumDuration(0);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setObjectName(QStringLiteral("LongWorkProgress"));
        m_dialog->show();
    }
    m_dialog->setLabelText(m_text.arg(QLocale().toString(done)));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace movra
