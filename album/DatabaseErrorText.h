#pragma once

// What the user reads when a command on the album file fails: one Polish sentence naming the
// command and, where the engine's result code tells it, the likely cause; then the technical
// text of the error for whoever has to look further.

#include "db/SQLiteInterfaces.h"
#include "platform/core/ErrorBox.h"

#include <QtCore/QString>

#include <exception>

namespace movra {

enum class TAlbumCommand { Open, Create, Add, Save, Delete, Regenerate };

// "Nie udało się zapisać zmian w rekordzie: album jest zablokowany przez inny program ...",
// a blank line, then the error's own text.
[[nodiscard]] QString DatabaseErrorText(TAlbumCommand command, const std::exception& error);

// Runs body; an ESQLiteException escaping it becomes an EMovraError with DatabaseErrorText.
// Other errors pass unchanged (they already speak to the user).
template <class F> decltype(auto) WithDatabaseErrorText(TAlbumCommand command, F&& body) {
    try {
        return body();
    } catch (const ESQLiteException& e) {
        throw EMovraError(DatabaseErrorText(command, e));
    }
}

} // namespace movra
