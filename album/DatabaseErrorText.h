#pragma once

// What the user reads when a command on the album file fails: one Polish sentence naming the
// command and, where the engine's result code tells it, the likely cause; then the technical
// text of the error for whoever has to look further.

#include "db/SQLiteInterfaces.h"
#include "platform/core/ErrorBox.h"

#include <QtCore/QString>

#include <exception>

namespace movra {

enum class TAlbumCommand {
    Open,
    Create,
    Add,
    Save,
    Delete,
    Regenerate,
    Show,
    Copy,
    Pdf,
    Print,
    Import,
    Export
};

// "Nie udało się zapisać zmian w rekordzie: album jest zablokowany przez inny program ...",
// a blank line, then the error's own text.
[[nodiscard]] QString DatabaseErrorText(TAlbumCommand command, const std::exception& error);

// The user stopped a command ("Anuluj"); the message says what was stopped and that the file
// stayed as it was. Not an error: the main window shows it as information.
class ECommandCancelled : public EMovraError {
public:
    explicit ECommandCancelled(TAlbumCommand command);
};

// Whether the statement was stopped on the user's request (SQLITE_INTERRUPT).
[[nodiscard]] bool StoppedByUser(const ESQLiteException& e);
// Whether another program held the file locked (SQLITE_BUSY, SQLITE_LOCKED): the same command
// may well succeed a moment later.
[[nodiscard]] bool LockedByAnother(const ESQLiteException& e);

// Runs body; a statement the user stopped becomes ECommandCancelled. Other errors pass unchanged.
template <class F> decltype(auto) WithCancelText(TAlbumCommand command, F&& body) {
    try {
        return body();
    } catch (const ESQLiteException& e) {
        if (StoppedByUser(e))
            throw ECommandCancelled(command);
        throw;
    }
}

// Runs body; a statement the user stopped becomes ECommandCancelled, any other ESQLiteException
// escaping it an EMovraError with DatabaseErrorText. Other errors pass unchanged (they already
// speak to the user).
template <class F> decltype(auto) WithDatabaseErrorText(TAlbumCommand command, F&& body) {
    try {
        return body();
    } catch (const ESQLiteException& e) {
        if (StoppedByUser(e))
            throw ECommandCancelled(command);
        throw EMovraError(DatabaseErrorText(command, e));
    }
}

} // namespace movra
