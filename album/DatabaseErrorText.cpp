#include "album/DatabaseErrorText.h"

#include "db/SQLiteInterfaces.h"

#include <sqlite3.h>

#include <cerrno>

namespace movra {

namespace {

QString commandSentence(TAlbumCommand command) {
    switch (command) {
    case TAlbumCommand::Open:
        return QStringLiteral("Nie udało się otworzyć albumu");
    case TAlbumCommand::Create:
        return QStringLiteral("Nie udało się utworzyć nowego albumu");
    case TAlbumCommand::Add:
        return QStringLiteral("Nie udało się dodać rekordu do albumu");
    case TAlbumCommand::Save:
        return QStringLiteral("Nie udało się zapisać zmian w rekordzie");
    case TAlbumCommand::Delete:
        return QStringLiteral("Nie udało się usunąć rekordu z albumu");
    case TAlbumCommand::Regenerate:
        return QStringLiteral("Nie udało się zregenerować albumu");
    case TAlbumCommand::Show:
        return QStringLiteral("Nie udało się odczytać rekordu z albumu");
    case TAlbumCommand::Copy:
        return QStringLiteral("Nie udało się zapisać kopii albumu");
    case TAlbumCommand::Pdf:
        return QStringLiteral("Nie udało się zapisać albumu do PDF");
    case TAlbumCommand::Print:
        return QStringLiteral("Nie udało się wydrukować albumu");
    case TAlbumCommand::Import:
        return QStringLiteral("Nie udało się dodać osób do albumu");
    case TAlbumCommand::Export:
        return QStringLiteral("Nie udało się odczytać osób z albumu");
    }
    return QStringLiteral("Polecenie na albumie nie powiodło się");
}

QString cancelledSentence(TAlbumCommand command) {
    switch (command) {
    case TAlbumCommand::Open:
        return QStringLiteral("Przerwano wczytywanie albumu. Album nie został otwarty; plik "
                              "bazowy pozostał bez zmian.");
    case TAlbumCommand::Create:
        return QStringLiteral("Przerwano tworzenie nowego albumu. Nie utworzono żadnego pliku.");
    case TAlbumCommand::Add:
        return QStringLiteral("Przerwano dodawanie rekordu. Plik bazowy pozostał bez zmian, a "
                              "rekord czeka w oknie podglądu i edycji rekordu.");
    case TAlbumCommand::Save:
        return QStringLiteral("Przerwano zapisywanie zmian w rekordzie. Plik bazowy pozostał bez "
                              "zmian, a zmiany czekają w oknie podglądu i edycji rekordu.");
    case TAlbumCommand::Delete:
        return QStringLiteral("Przerwano usuwanie rekordu. Plik bazowy pozostał bez zmian.");
    case TAlbumCommand::Regenerate:
        return QStringLiteral("Regenerację bazy przerwano. Plik bazowy pozostał bez zmian.");
    case TAlbumCommand::Show:
        return QStringLiteral("Przerwano wczytywanie rekordu. Plik bazowy pozostał bez zmian.");
    case TAlbumCommand::Copy:
        return QStringLiteral("Przerwano zapisywanie kopii albumu. Kopii nie zapisano; plik "
                              "docelowy pozostał bez zmian.");
    case TAlbumCommand::Pdf:
        return QStringLiteral("Przerwano zapisywanie albumu do PDF. Nie zapisano żadnego pliku; "
                              "poprzedni plik pozostał bez zmian.");
    case TAlbumCommand::Print:
        return QStringLiteral("Przerwano drukowanie albumu.");
    case TAlbumCommand::Import:
        return QStringLiteral("Przerwano import osób. Nie dodano nikogo; plik bazowy pozostał bez "
                              "zmian.");
    case TAlbumCommand::Export:
        return QStringLiteral("Przerwano eksport osób. Nie zapisano żadnego pliku.");
    }
    return QStringLiteral("Przerwano. Plik bazowy pozostał bez zmian.");
}

const QString kReadOnly = QStringLiteral("plik albumu albo jego folder jest tylko do odczytu");
const QString kNoPermission = QStringLiteral(
    "brak uprawnień do pliku albumu albo jego folderu (na przykład są tylko do odczytu)");

// The cause a refused file operation points to, empty for an errno that is no permission matter.
QString permissionCause(int err) {
    if (err == EROFS)
        return kReadOnly;
    if (err == EACCES || err == EPERM)
        return kNoPermission;
    return {};
}

// The likely cause as the engine's result code and the system's errno tell it; empty when they
// say nothing a user could act on.
QString causeOf(const ESQLiteException& e) {
    const int err = e.SystemErrno();
    // The engine refuses to write a file whose name no longer leads to it, lest the journal be
    // made beside the wrong file; the folder itself may well be writable.
    if (e.ExtendedCode() == SQLITE_READONLY_DBMOVED)
        return QStringLiteral("plik albumu przeniesiono, usunięto albo zastąpiono innym, gdy był "
                              "otwarty (jeśli go przeniesiono, otwórz go ponownie z nowego "
                              "miejsca)");
    switch (e.ResultCode()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("album jest zablokowany przez inny program - zamknij go i spróbuj "
                              "ponownie");
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return kReadOnly;
    case SQLITE_CANTOPEN:
        if (!permissionCause(err).isEmpty())
            return permissionCause(err);
        if (err == ENOENT)
            return QStringLiteral("takiego pliku nie ma (przeniesiono go albo usunięto)");
        if (err == EISDIR)
            return QStringLiteral("wskazano folder, a nie plik albumu");
        if (err == ENOSPC)
            return QStringLiteral("na dysku zabrakło miejsca");
        return QStringLiteral("pliku albumu nie da się otworzyć");
    case SQLITE_FULL:
        return QStringLiteral("na dysku zabrakło miejsca");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("plik jest uszkodzony albo nie jest albumem");
    case SQLITE_IOERR:
        if (err == ENOSPC)
            return QStringLiteral("na dysku zabrakło miejsca");
        if (!permissionCause(err).isEmpty())
            return permissionCause(err);
        return QStringLiteral("wystąpił błąd odczytu lub zapisu dysku");
    default:
        return {};
    }
}

} // namespace

ECommandCancelled::ECommandCancelled(TAlbumCommand command)
    : EMovraError(cancelledSentence(command)) {}

bool StoppedByUser(const ESQLiteException& e) {
    return e.ResultCode() == SQLITE_INTERRUPT;
}

bool LockedByAnother(const ESQLiteException& e) {
    return e.ResultCode() == SQLITE_BUSY || e.ResultCode() == SQLITE_LOCKED;
}

QString DatabaseErrorText(TAlbumCommand command, const std::exception& error) {
    QString sentence = commandSentence(command);
    if (const auto* db = dynamic_cast<const ESQLiteException*>(&error)) {
        const QString cause = causeOf(*db);
        if (!cause.isEmpty())
            sentence += QStringLiteral(": ") + cause;
    }
    return sentence + QStringLiteral(".\n\n") + ErrorText(error);
}

} // namespace movra
