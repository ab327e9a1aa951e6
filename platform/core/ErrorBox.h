#pragma once

#include <QtCore/QString>

#include <exception>
#include <functional>

class QWidget;

namespace movra {

// The program's errors: an exception with a message text that the error box shows as it is.
class EMovraError : public std::exception {
public:
    explicit EMovraError(QString message);
    [[nodiscard]] const QString& Message() const { return m_message; }
    [[nodiscard]] const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// Ends a command quietly: the user asked to stop (for instance cancelled printing), so there is
// nothing to report.
class EAbort : public EMovraError {
public:
    EAbort() : EMovraError(QStringLiteral("Przerwano.")) {}
};

// The text the error box shows for any exception: EMovraError's message, the what() of other
// std::exceptions (read as UTF-8), or a generic Polish text.
[[nodiscard]] QString ErrorText(const std::exception& e);

// The edge of every user command: runs the command, and if anything escapes shows its message in
// the application's error box (the application's title as caption) and returns false. Nothing
// thrown inside reaches Qt's event loop.
bool RunCommand(QWidget* parent, const std::function<void()>& command);

} // namespace movra
