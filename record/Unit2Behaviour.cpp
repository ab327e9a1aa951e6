#include "record/Unit2.h"

#include "platform/core/Dialogs.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/ScreenPlace.h"
#include "record/Unit2Impl.h"

#include <QtGui/QAction>
#include <QtGui/QCloseEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QShowEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QToolTip>

namespace movra {

namespace {

constexpr int MemoHalfWidth = 194;
constexpr int CaptionGap = 10;

// The application's palette with every role set, so that a widget given it inherits nothing of
// its parent's colours (the fields and scroll bars keep the system look on a coloured panel).
QPalette SystemPalette() {
    QPalette p = QApplication::palette();
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        const auto group = static_cast<QPalette::ColorGroup>(g);
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto role = static_cast<QPalette::ColorRole>(r);
            if (role != QPalette::NoRole)
                p.setBrush(group, role, p.brush(group, role));
        }
    }
    return p;
}

void SetRole(QWidget* w, QPalette::ColorRole role, TColor c) {
    QPalette p = w->palette();
    p.setColor(role, ToQColor(c));
    w->setPalette(p);
}

} // namespace

TForm2::~TForm2() {
    // The fields' filters and signals reach the state; let them go while it still exists.
    delete centralWidget();
}

// ---- layout rule ----------------------------------------------------------------------------

void TForm2::Impl::ArrangeFields() {
    const int half = PanelOpisu->width() / 2;
    const int memoLeft = half - MemoHalfWidth;
    Memo1->move(memoLeft, Memo1->y());
    Memo2->move(memoLeft, Memo2->y());

    auto place = [](QLabel* caption, int left, QLineEdit* edit) {
        caption->move(left, caption->y());
        edit->move(left + caption->width() + CaptionGap, edit->y());
    };
    place(StaticText2, Memo1->x(), Edit1);
    place(StaticText3, half - 30, Edit2);
    place(StaticText4, half - (StaticText4->width() + 60), Edit3);

    StaticText5->move(Memo1->x(), StaticText5->y());
    StaticText1->move(Memo2->x(), StaticText1->y());
}

// ---- colours --------------------------------------------------------------------------------

void TForm2::Impl::ApplyKolorF() {
    for (QWidget* w : {static_cast<QWidget*>(PanelOpisu), static_cast<QWidget*>(PanelTop),
                       static_cast<QWidget*>(ScrollBox1)})
        SetRole(w, QPalette::Window, kolorF);
    // The scroll box's bars are the system's, not the form's colour.
    ScrollBox1->horizontalScrollBar()->setPalette(SystemPalette());
    ScrollBox1->verticalScrollBar()->setPalette(SystemPalette());
}

void TForm2::Impl::ApplyLiteryF() {
    for (QWidget* w : {static_cast<QWidget*>(PanelOpisu), static_cast<QWidget*>(PanelTop),
                       static_cast<QWidget*>(ScrollBox1)})
        SetRole(w, QPalette::WindowText, literyF);
}

void TForm2::Impl::ApplyKolorO() {
    // Each field has a whole palette of its own, so the panel's colours do not reach it.
    QPalette p = SystemPalette();
    p.setColor(QPalette::Base, ToQColor(kolorO));
    p.setColor(QPalette::Text, ToQColor(literyO));
    for (QWidget* w :
         {static_cast<QWidget*>(Memo2), static_cast<QWidget*>(Memo1), static_cast<QWidget*>(Edit1),
          static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3)})
        w->setPalette(p);
}

void TForm2::Impl::ApplyLiteryO() {
    ApplyKolorO(); // one palette carries both
}

void TForm2::Impl::ChooseColour(ColourRow row) {
    TColor* value = nullptr;
    switch (row) {
    case ColourRow::KolorF:
        value = &kolorF;
        break;
    case ColourRow::KolorO:
        value = &kolorO;
        break;
    case ColourRow::LiteryF:
        value = &literyF;
        break;
    case ColourRow::LiteryO:
        value = &literyO;
        break;
    }
    const std::optional<TColor> chosen = Dialogs().ChooseColor(q, *value);
    if (!chosen)
        return;
    *value = *chosen;
    switch (row) {
    case ColourRow::KolorF:
        ApplyKolorF();
        break;
    case ColourRow::KolorO:
        ApplyKolorO();
        break;
    case ColourRow::LiteryF:
        ApplyLiteryF();
        // The tab captions follow for the rest of the run; showing the window does not set
        // them, so after a restart they have their designed colour again.
        SetRole(PageControl1->tabBar(), QPalette::WindowText, literyF);
        SetRole(PageControl1->tabBar(), QPalette::ButtonText, literyF);
        break;
    case ColourRow::LiteryO:
        ApplyLiteryO();
        break;
    }
}

// ---- showing and closing --------------------------------------------------------------------

void TForm2::Impl::PrepareShowing() {
    if (host) {
        const TCarriedSettings s = host->CarriedSettings();
        q->setGeometry(s[0], s[1], s[2], s[3]);
        KeepOnScreen(q);
        kolorF = s[4];
        kolorO = s[5];
        literyF = s[6];
        literyO = s[7];
    }
    ApplyKolorF();
    ApplyKolorO();
    ApplyLiteryF();
    ApplyLiteryO();
    ArrangeFields();
    if (host)
        host->SetRegenerateEnabled(false);
    // Keys held when the window appears were pressed elsewhere.
    keysDown.clear();
}

void TForm2::Impl::WriteBack() {
    if (!host)
        return;
    // The client area, as showing sets it: a frame's top-left read back as the client's would
    // move the window up by its title bar at each showing.
    const QRect g = q->geometry();
    host->SetCarriedSettings(
        {g.x(), g.y(), g.width(), g.height(), kolorF, kolorO, literyF, literyO});
}

void TForm2::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // A window the system restores from its minimised state is not a new showing.
    if (!e->spontaneous())
        d->PrepareShowing();
}

void TForm2::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    d->ArrangeFields();
}

void TForm2::closeEvent(QCloseEvent* e) {
    if (!isVisible()) {
        // Nothing on screen to hand back: a hidden window keeps the settings it wrote when it
        // was last closed (or the ones it has not read yet).
        d->changed = false;
        e->accept();
        return;
    }
    if (d->changed) {
        if (Confirm(this, ChangeQuestion)) {
            // Yes: stay open with the edits, so that they can be saved.
            e->ignore();
            return;
        }
        d->changed = false;
    }
    d->WriteBack();
    if (d->host) {
        d->host->SetPictureMenuEnabled(false);
        d->host->SetRegenerateEnabled(true);
    }
    d->changed = false;
    e->accept();
}

void TForm2::ShowRecord() {
    if (!isVisible())
        show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TForm2::CloseQuietly() {
    d->changed = false;
    if (isVisible())
        close();
}

// ---- change tracking ------------------------------------------------------------------------

bool TForm2::Impl::IsField(const QObject* o) const {
    return o == Edit1 || o == Edit2 || o == Edit3 || o == Memo1 || o == Memo2;
}

bool TForm2::Impl::IsMenuShortcut(const QKeyEvent& key) const {
    const QKeySequence pressed(key.keyCombination());
    for (const QAction* top : q->menuBar()->actions()) {
        if (!top->isEnabled())
            continue;
        // A menu bar entry is reached with Alt and its underlined letter.
        if (QKeySequence::mnemonic(top->text()) == pressed || top->shortcuts().contains(pressed))
            return true;
        if (const QMenu* menu = top->menu())
            for (const QAction* a : menu->actions())
                if (a->isEnabled() && a->shortcuts().contains(pressed))
                    return true;
    }
    return false;
}

bool TForm2::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress:
        d->keysDown.insert(static_cast<QKeyEvent*>(e)->key());
        break;
    case QEvent::KeyRelease: {
        // Any key pressed here counts, whatever it did: an arrow, a shift, the Tab that brought
        // the focus. The release of a key pressed in another window (F2 in the main window,
        // which shows this one) does not.
        const auto* key = static_cast<QKeyEvent*>(e);
        const bool pressedHere =
            key->isAutoRepeat() ? d->keysDown.contains(key->key()) : d->keysDown.remove(key->key());
        if (pressedHere && d->IsField(watched))
            d->changed = true;
        break;
    }
    case QEvent::ActivationChange:
        // Keys held while the window loses the focus are released elsewhere.
        if (!isActiveWindow())
            d->keysDown.clear();
        break;
    case QEvent::ShortcutOverride:
        // The fields take some keys for editing (Ctrl+E is the end of the line in a line edit
        // under X11); the window's menu commands come first.
        if (d->IsField(watched) && d->IsMenuShortcut(*static_cast<QKeyEvent*>(e))) {
            e->ignore();
            return true;
        }
        break;
    case QEvent::Resize:
        // The text tab may get its new size only when it is brought forward.
        if (watched == d->PanelOpisu)
            d->ArrangeFields();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TForm2::Impl::Refused(QWidget* field, const QString& text, int position) {
    const QString note = RefusalNote(text, position);
    QApplication::beep();
    if (field->isVisible()) {
        QPoint at = field->rect().bottomLeft();
        if (auto* memo = qobject_cast<QPlainTextEdit*>(field))
            at = memo->viewport()->mapTo(field, memo->cursorRect().bottomLeft());
        QToolTip::showText(field->mapToGlobal(at), note, field);
    }
    emit q->InputRefused(note);
}

// ---- commands -------------------------------------------------------------------------------

void TForm2::Impl::RunHost(void (IRecordWindowHost::*command)()) {
    if (!host)
        return;
    RunCommand(q, [this, command] { (host->*command)(); });
}

} // namespace movra
