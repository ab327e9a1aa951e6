// The live filter over the record list: the list narrows to the people whose texts contain what
// is typed, read anew from the file on the list reader's thread at each keystroke.

#include "album/Unit1.h"

#include "album/ListLoad.h"
#include "grid/Fajny.h"
#include "platform/text/TextFilter.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>

namespace movra {

void TForm1::BuildFilter() {
    auto* caption = new QLabel(QStringLiteral("Szukaj:"), m_panelTop);
    caption->setObjectName(QStringLiteral("StaticTextSzukaj"));
    caption->move(440, 7);
    caption->adjustSize();
    m_filterEdit = new QLineEdit(m_panelTop);
    m_filterEdit->setObjectName(QStringLiteral("Szukaj"));
    m_filterEdit->setAccessibleName(QStringLiteral("Szukaj na liście"));
    m_filterEdit->setPlaceholderText(QStringLiteral("imię, nazwisko, ksywa, uwagi, adres"));
    m_filterEdit->setClearButtonEnabled(true);
    m_filterEdit->setFont(font());
    m_filterEdit->setGeometry(492, 2, 240, 22);
    caption->setBuddy(m_filterEdit);
    m_filterEdit->installEventFilter(this);
    connect(m_filterEdit, &QLineEdit::textChanged, this,
            [this] { Run([this] { ApplyListFilter(); }); });
}

void TForm1::ApplyListFilter() {
    const QString typed = m_filterEdit->text();
    TListFilter filter;
    if (!typed.isEmpty()) {
        filter.On = true;
        filter.Pattern = FilterPatternCp1250(typed);
    }
    m_filter = std::move(filter);
    if (!m_database)
        return;
    // The rows shown stay until the new reading's first rows replace them: typing never blanks
    // the list, and a stopped reading costs nothing.
    BeginListLoad();
    m_listFollowsFile = false;
    m_listChangeCounter = OutsideChangeCounter(*m_database);
    m_listLoad->Holding = false;
    m_listLoad->Filtering = true;
    StartListReader();
}

void TForm1::ClearListFilter() {
    m_filter = {};
    if (m_filterEdit) {
        const QSignalBlocker quiet(m_filterEdit);
        m_filterEdit->clear();
    }
}

bool TForm1::FilterKey(QObject* watched, QEvent* e) {
    if (watched != m_filterEdit || e->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        m_filterEdit->clear();
        return true;
    }
    // Down and Enter go on to the list, as in the finders of other programs.
    if ((key->key() == Qt::Key_Down || key->key() == Qt::Key_Return ||
         key->key() == Qt::Key_Enter) &&
        key->modifiers() == Qt::NoModifier) {
        m_g1->setFocus();
        return true;
    }
    return false;
}

int TForm1::ListRows() const {
    return m_g1->RowCount() - m_g1->FixedRows();
}

void TForm1::SetRecordCount(int rows) {
    if (!m_filter.On)
        m_albumRecords = rows;
    m_labelCount->setText(m_filter.On ? QStringLiteral("%1 z %2").arg(rows).arg(m_albumRecords)
                                      : QString::number(rows));
    m_labelCount->adjustSize();
    FitNumberColumn();
}

} // namespace movra
