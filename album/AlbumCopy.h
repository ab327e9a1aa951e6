#pragma once

#include "db/SQLiteInterfaces.h"

#include <QtCore/QString>

namespace movra {

// Whether two names lead to one file (the same file through a link, a symbolic link or another
// spelling of its path). False when either does not exist.
[[nodiscard]] bool SameFile(const QString& a, const QString& b);

// Writes a consistent copy of the album db is open on to target: into a new file beside target
// first (made exclusively, under a name of its own), synced, and only then in target's place,
// with the folder synced. Another program may use the album meanwhile (its committed state is
// copied, never a change it has not committed). Any failure, or a false answer of progress,
// leaves no new file and target as it was: ESafeFileError for the file, ESQLiteException for
// the copy (SQLITE_INTERRUPT when stopped).
void CopyAlbumFile(ISQLiteDatabase& db, const QString& target, const TSQLiteProgress& progress);

} // namespace movra
