#include "platform/core/ErrorBox.h"

#include "platform/core/Dialogs.h"

#include <QtCore/QStringDecoder>

#include <new>

namespace movra {

namespace {

const char* const kUnknownError = "Wystąpił nieoczekiwany błąd. Polecenie nie zostało wykonane.";

// Messages of lower layers are bytes: UTF-8 as a rule, but a file name from an old album may
// arrive in the Central European code page.
QString decodeMessage(const char* bytes) {
    const QByteArray raw(bytes ? bytes : "");
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(raw);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1250("windows-1250");
    if (cp1250.isValid())
        return cp1250(raw);
    return QString::fromLatin1(raw);
}

} // namespace

EMovraError::EMovraError(QString message)
    : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}

QString ErrorText(const std::exception& e) {
    if (const auto* own = dynamic_cast<const EMovraError*>(&e))
        return own->Message();
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return QStringLiteral("Za mało pamięci, by wykonać polecenie.");
    const QString text = decodeMessage(e.what());
    if (text.trimmed().isEmpty())
        return QString::fromUtf8(kUnknownError);
    return text;
}

bool RunCommand(QWidget* parent, const std::function<void()>& command) {
    QString text;
    try {
        if (command)
            command();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const std::exception& e) {
        text = ErrorText(e);
    } catch (...) {
        text = QString::fromUtf8(kUnknownError);
    }
    // Shown outside the handler: the box runs its own event loop, and a command started from
    // there must not find this exception still active.
    Dialogs().Box(parent, MsgKind::Error, text, MsgButtons::Ok, ApplicationTitle());
    return false;
}

} // namespace movra
