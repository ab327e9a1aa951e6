// Baza > "Zapisz kopię albumu...": a consistent copy of the open album in a file of the user's
// choice, through the engine's backup interface.
#include "album/AlbumCopy.h"
#include "album/DatabaseErrorText.h"
#include "album/LongWork.h"
#include "album/Unit1.h"
#include "platform/core/Dialogs.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

namespace movra {

void TForm1::ZapiszKopie1Click() {
    if (!m_database) {
        ShowMessage(this, QStringLiteral("Nie otwarto żadnego albumu. Otwórz bazę (Ctrl+O) albo "
                                         "utwórz nową (Ctrl+N)."));
        return;
    }
    const QFileInfo album(m_albumPath);
    FileDialogOptions o;
    o.InitialDir = album.absolutePath();
    o.FileName = album.completeBaseName() + QStringLiteral("-kopia.db3");
    o.Filter = QStringLiteral("Pliki bazowe (*.db3)|*.db3|Dowolne pliki (*.*)|*.*");
    o.DefaultExt = QStringLiteral("db3");
    o.ConfirmOverwrite = true;
    std::optional<QString> chosen = Dialogs().SaveFile(this, o);
    if (!chosen)
        return;
    if (QFileInfo(*chosen).suffix().isEmpty())
        *chosen += QStringLiteral(".db3");
    // Writing over the open album would replace the file under its own connection.
    if (SameFile(*chosen, m_albumPath)) {
        ShowError(this, QStringLiteral("Kopii albumu nie można zapisać w miejsce otwartego "
                                       "albumu „%1”. Wybierz inną nazwę pliku albo inny folder.")
                            .arg(album.fileName()));
        return;
    }
    {
        // The copy runs no statements of the connection's: it reports to the window itself.
        TLongWork work(this, QStringLiteral("Zapisywanie kopii albumu..."));
        WithDatabaseErrorText(TAlbumCommand::Copy, [&] {
            CopyAlbumFile(*m_database, *chosen,
                          [&work](int percent) { return work.Advance(percent); });
        });
    }
    ShowInformation(this, QStringLiteral("Kopię albumu zapisano w pliku „%1”.")
                              .arg(QDir::toNativeSeparators(*chosen)));
}

} // namespace movra
