// The whole album's commands at the end of Baza: every person's record sheet as one PDF document
// or to the printer (the copy of the album file is in Unit1Copy).
#include "album/AlbumPdf.h"
#include "album/DatabaseErrorText.h"
#include "album/LongWork.h"
#include "album/Unit1.h"
#include "grid/Fajny.h"
#include "platform/core/Dialogs.h"
#include "platform/printer/Printer.h"
#include "record/Unit2.h"

#include <QtCore/QFileInfo>
#include <QtGui/QAction>
#include <QtWidgets/QMenu>

namespace movra {

namespace {

const QString kNoAlbum =
    QStringLiteral("Nie otwarto żadnego albumu. Otwórz bazę (Ctrl+O) albo utwórz nową (Ctrl+N).");

// The album's name, as its file is called without the extension.
QString AlbumName(const QString& albumPath) {
    return QFileInfo(albumPath).completeBaseName();
}

// The share of the work done, for the progress window.
int Percent(int done, int total) {
    return total > 0 ? static_cast<int>(100LL * done / total) : 100;
}

} // namespace

void TForm1::BuildAlbumMenu(QMenu* file1) {
    file1->addSeparator()->setObjectName(QStringLiteral("N10"));
    const auto add = [this, file1](const char* name, const QString& caption,
                                   void (TForm1::*cmd)()) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this,
                [this, cmd] { Run([this, cmd] { (this->*cmd)(); }); });
        file1->addAction(a);
        addAction(a);
    };
    add("ZapiszAlbumPdf1", QStringLiteral("Zapisz album do PDF..."), &TForm1::ZapiszAlbumPdf1Click);
    add("DrukujAlbum1", QStringLiteral("Drukuj album..."), &TForm1::DrukujAlbum1Click);
    add("ZapiszKopie1", QStringLiteral("Zapisz kopię albumu..."), &TForm1::ZapiszKopie1Click);
}

std::vector<qint64> TForm1::ListIds() const {
    std::vector<qint64> ids;
    const TFajny& g = *m_g1;
    ids.reserve(static_cast<std::size_t>(std::max(0, g.RowCount() - g.FixedRows())));
    for (int row = g.FixedRows(); row < g.RowCount(); ++row) {
        bool ok = false;
        const qint64 id = g.Cells(1, row).toLongLong(&ok);
        if (ok)
            ids.push_back(id);
    }
    return ids;
}

std::vector<qint64> TForm1::SheetIds(const QString& verb) {
    CompleteRecordList(); // every person of the list, not only those read so far
    if (!m_form2 || !m_form111 || !m_form222)
        return {};
    if (!m_database) {
        ShowMessage(this, kNoAlbum);
        return {};
    }
    std::vector<qint64> ids = ListIds();
    if (ids.empty())
        ShowMessage(this, QStringLiteral("Album jest pusty - nie ma czego %1.").arg(verb));
    return ids;
}

void TForm1::ZapiszAlbumPdf1Click() {
    const std::vector<qint64> ids = SheetIds(QStringLiteral("zapisać"));
    if (ids.empty())
        return;
    FileDialogOptions o;
    o.InitialDir = QFileInfo(m_albumPath).absolutePath();
    o.FileName = AlbumName(m_albumPath) + QStringLiteral(".pdf");
    o.Filter = QStringLiteral("Dokument PDF (*.pdf)|*.pdf|Dowolne pliki   (*.*)|*.*");
    o.DefaultExt = QStringLiteral("pdf");
    o.ConfirmOverwrite = true;
    std::optional<QString> chosen = Dialogs().SaveFile(this, o);
    if (!chosen)
        return;
    if (QFileInfo(*chosen).suffix().isEmpty())
        *chosen += QStringLiteral(".pdf");

    {
        TLongWork work(this, QStringLiteral("Zapisywanie albumu do PDF..."), m_database);
        TAlbumSheets sheets(*m_form2->Memo1(), *m_form2->Memo2(), *m_form111, *m_form222);
        WithDatabaseErrorText(TAlbumCommand::Pdf, [&] {
            const bool written = WriteAlbumPdf(
                *chosen, AlbumName(m_albumPath), *m_database, ids, sheets,
                [&work](int done, int total) { return work.Advance(Percent(done, total)); });
            if (!written)
                throw ECommandCancelled(TAlbumCommand::Pdf);
        });
    }
    ShowInformation(this, QStringLiteral("Album zapisano w pliku „%1” (stron: %2).")
                              .arg(QFileInfo(*chosen).fileName())
                              .arg(ids.size()));
}

void TForm1::DrukujAlbum1Click() {
    const std::vector<qint64> ids = SheetIds(QStringLiteral("wydrukować"));
    if (ids.empty())
        return;
    // Without any printer the user is told so, rather than nothing happening.
    if (!ActivePrinterInstalled()) {
        ShowError(this, QStringLiteral("Drukarka nie jest podłączona!"));
        return;
    }
    if (!Dialogs().PrinterSetup(this))
        return;
    TLongWork work(this, QStringLiteral("Drukowanie albumu..."), m_database);
    TAlbumSheets sheets(*m_form2->Memo1(), *m_form2->Memo2(), *m_form111, *m_form222);
    WithDatabaseErrorText(TAlbumCommand::Print, [&] {
        const bool printed = PrintAlbumSheets(
            QStringLiteral("Movra - ") + AlbumName(m_albumPath), *m_database, ids, sheets,
            [&work](int done, int total) { return work.Advance(Percent(done, total)); });
        if (!printed)
            throw ECommandCancelled(TAlbumCommand::Print);
    });
}

} // namespace movra
