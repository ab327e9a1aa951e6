// The record window without the mouse: Esc closes it (through the change question), the main
// window's record commands have their keys here too, and the seven buttons are reached with Tab.

#include "record/Unit2Impl.h"

#include <QtGui/QAction>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QToolButton>

namespace movra {

namespace {

// Text fields claim some of these keys for themselves (Ctrl+Del deletes the next word, Esc
// undoes a line edit's completion); in this window the record command wins, as it does in the
// main window whatever has the focus there. The releases of a command's keys edit nothing, so
// they do not count as a change of the record shown after it (else moving on with the keyboard
// would ask about changes at the next move).
class TRecordKeyGuard : public QObject {
public:
    TRecordKeyGuard(QList<QKeySequence> keys, QObject* parent)
        : QObject(parent), m_keys(std::move(keys)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
        case QEvent::ShortcutOverride:
            if (IsCommandKey(*static_cast<QKeyEvent*>(e))) {
                m_commandKeysDown = true;
                return true; // not claimed: the window's shortcut runs
            }
            break;
        case QEvent::KeyPress:
            m_commandKeysDown = false;
            break;
        case QEvent::KeyRelease:
            if (m_commandKeysDown && IsCommandKeyRelease(*static_cast<QKeyEvent*>(e)))
                return true;
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, e);
    }

private:
    [[nodiscard]] bool IsCommandKey(const QKeyEvent& key) const {
        const QKeySequence pressed(key.keyCombination());
        for (const QKeySequence& k : m_keys)
            if (k.matches(pressed) == QKeySequence::ExactMatch)
                return true;
        return false;
    }
    [[nodiscard]] bool IsCommandKeyRelease(const QKeyEvent& key) const {
        switch (key.key()) {
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Shift:
        case Qt::Key_Meta:
            return true;
        default:
            break;
        }
        for (const QKeySequence& k : m_keys)
            if (k.count() == 1 && k[0].key() == key.key())
                return true;
        return false;
    }

    QList<QKeySequence> m_keys;
    bool m_commandKeysDown = false;
};

} // namespace

void TForm2::Impl::BuildKeys() {
    // The main menu's keys for the same commands (Ctrl+P, Ctrl+D, Ins, Ctrl+Del); moving to the
    // previous, next and last record, which have none there, take Alt with the paging keys,
    // which no field uses.
    struct KeyDesc {
        const char* name;
        QKeySequence key;
        void (IRecordWindowHost::*command)();
    };
    const KeyDesc descs[] = {
        {"keyPierwszy", QKeySequence(Qt::CTRL | Qt::Key_P), &IRecordWindowHost::FirstRecord},
        {"keyPierwszyAlt", QKeySequence(Qt::ALT | Qt::Key_Home), &IRecordWindowHost::FirstRecord},
        {"keyPoprzedni", QKeySequence(Qt::ALT | Qt::Key_PageUp),
         &IRecordWindowHost::PreviousRecord},
        {"keyNastepny", QKeySequence(Qt::ALT | Qt::Key_PageDown), &IRecordWindowHost::NextRecord},
        {"keyOstatni", QKeySequence(Qt::ALT | Qt::Key_End), &IRecordWindowHost::LastRecord},
        {"keyDodaj", QKeySequence(Qt::CTRL | Qt::Key_D), &IRecordWindowHost::AddRecord},
        {"keyZmiana", QKeySequence(Qt::Key_Insert), &IRecordWindowHost::SaveRecord},
        {"keyZniszcz", QKeySequence(Qt::CTRL | Qt::Key_Delete), &IRecordWindowHost::DeleteRecord},
    };
    QList<QKeySequence> keys;
    for (const KeyDesc& k : descs) {
        auto* a = new QAction(q);
        a->setObjectName(QLatin1String(k.name));
        a->setShortcut(k.key);
        a->setShortcutContext(Qt::WindowShortcut);
        const auto command = k.command;
        QObject::connect(a, &QAction::triggered, q, [this, command] { RunHost(command); });
        q->addAction(a);
        keys << k.key;
    }

    // Esc closes the window as its close box does, change question included.
    auto* escape = new QAction(q);
    escape->setObjectName(QStringLiteral("keyZamknij"));
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(escape, &QAction::triggered, q, [this] { q->close(); });
    q->addAction(escape);
    keys << escape->shortcut();

    auto* guard = new TRecordKeyGuard(keys, q);
    for (QWidget* field :
         {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3),
          static_cast<QWidget*>(Memo1), static_cast<QWidget*>(Memo2)})
        field->installEventFilter(guard);

    // The buttons are reached with Tab (after the fields) and pressed with the space bar; a
    // click still leaves the focus in the field being edited.
    QWidget* previous = Memo2;
    for (QToolButton* b : Buttons()) {
        b->setFocusPolicy(Qt::TabFocus);
        QWidget::setTabOrder(previous, b);
        previous = b;
    }
}

std::array<QToolButton*, 7> TForm2::Impl::Buttons() const {
    return {btnPierwszy, btnPoprzedni, btnNastepny, btnOstatni, btnDodaj, btnZniszcz, btnZmiana};
}

void TForm2::Impl::NameForScreenReaders() {
    // A glyph says nothing to a screen reader: each button is spoken by its tooltip.
    for (QToolButton* b : Buttons())
        b->setAccessibleName(b->toolTip());
    Image1->setAccessibleName(QStringLiteral("Zdjęcie"));
    ScrollBox1->setAccessibleName(QStringLiteral("Zdjęcie"));
}

} // namespace movra
