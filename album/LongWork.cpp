#include "album/LongWork.h"

#include "platform/core/Dialogs.h"
#include "platform/core/ProgressWindow.h"

#include <QtCore/QLocale>

namespace movra {

namespace {

// How often the count in the window's line is brought up to date.
constexpr qint64 kTextEveryMs = 100;

} // namespace

namespace {

QString LineOf(const QString& text, qint64 done) {
    return text.contains(QStringLiteral("%1")) ? text.arg(QLocale().toString(done)) : text;
}

} // namespace

TLongWork::TLongWork(QWidget* parent, QString text, const ISQLiteDatabasePtr& db)
    : m_text(std::move(text)), m_progress(Dialogs().Progress(parent, LineOf(m_text, 0))) {
    m_clock.start();
    Watch(db);
}

TLongWork::~TLongWork() {
    Interrupt();
}

void TLongWork::Watch(const ISQLiteDatabasePtr& db) {
    if (const ISQLiteDatabasePtr old = m_db.lock())
        old->SetWatch({});
    m_db = db;
    if (db)
        db->SetWatch([this] { return OnStatement(); });
}

void TLongWork::Interrupt() {
    if (const ISQLiteDatabasePtr db = m_db.lock()) {
        try {
            db->SetWatch({});
        } catch (...) {
            // Only refused while a statement runs, which cannot be the case here.
        }
    }
    m_db.reset();
    m_progress.reset();
}

bool TLongWork::Advance(int percent) {
    if (!m_progress || m_cancelled)
        return false;
    if (!m_progress->Advance(percent))
        m_cancelled = true;
    return !m_cancelled;
}

bool TLongWork::OnStatement() {
    if (m_progress && m_done != m_shownDone) {
        const qint64 now = m_clock.elapsed();
        if (now - m_lastText >= kTextEveryMs) {
            m_lastText = now;
            m_shownDone = m_done;
            m_progress->SetText(LineOf(m_text, m_done));
        }
    }
    // How much of a statement is left the engine does not tell.
    return Advance(-1);
}

} // namespace movra
