#include "platform/core/Dialogs.h"

#include "platform/core/QtDialogs.h"

namespace movra {

namespace {

IDialogs* g_installed = nullptr;

IDialogs& qtDialogs() {
    static QtDialogs instance;
    return instance;
}

} // namespace

IDialogs& Dialogs() {
    return g_installed ? *g_installed : qtDialogs();
}

void SetDialogs(IDialogs* d) {
    g_installed = d;
}

IDialogs* InstalledDialogs() {
    return g_installed;
}

QString ApplicationTitle() {
    return QStringLiteral("Movra");
}

void ShowMessage(QWidget* parent, const QString& text) {
    Dialogs().Box(parent, MsgKind::Message, text, MsgButtons::Ok, QString());
}

void ShowInformation(QWidget* parent, const QString& text) {
    Dialogs().Box(parent, MsgKind::Information, text, MsgButtons::Ok, QString());
}

void ShowWarning(QWidget* parent, const QString& text) {
    Dialogs().Box(parent, MsgKind::Warning, text, MsgButtons::Ok, QString());
}

void ShowError(QWidget* parent, const QString& text) {
    Dialogs().Box(parent, MsgKind::Error, text, MsgButtons::Ok, QString());
}

bool Confirm(QWidget* parent, const QString& text) {
    return Dialogs().Box(parent, MsgKind::Confirmation, text, MsgButtons::YesNo, QString()) ==
           MsgResult::Yes;
}

MsgResult Confirm3(QWidget* parent, const QString& text) {
    return Dialogs().Box(parent, MsgKind::Confirmation, text, MsgButtons::YesNoCancel, QString());
}

} // namespace movra
