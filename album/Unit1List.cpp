#include "album/Unit1.h"

#include "album/AlbumFile.h"
#include "album/DatabaseErrorText.h"
#include "album/ListLoad.h"
#include "album/LongWork.h"
#include "album/RecentAlbums.h"
#include "grid/Fajny.h"
#include "platform/core/Dialogs.h"
#include "platform/core/ProgramFolder.h"
#include "record/Unit2.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QScopeGuard>
#include <QtWidgets/QLabel>

#include <array>
#include <charconv>
#include <optional>
#include <string_view>

namespace movra {

namespace {

const QString kAlbumFilter = QStringLiteral("Pliki bazowe (*.db3)|*.db3|Dowolne pliki (*.*)|*.*");

} // namespace

void TForm1::SetAlbumFile(const QString& fullPath) {
    const QString cleaned = QDir::cleanPath(QFileInfo(fullPath).absoluteFilePath());
    // A record of one album must never be written into another.
    if (cleaned != QDir::cleanPath(QFileInfo(m_albumPath).absoluteFilePath())) {
        m_currentId = 0;
        ClearListFilter(); // another album's people
    }
    m_albumPath = cleaned;
    m_label2->setText(QFileInfo(cleaned).fileName());
    m_label2->setToolTip(cleaned);
    m_label2->adjustSize();
}

void TForm1::Nowa1Click() {
    if (RecordWindowVisible()) {
        ShowMessage(this, QStringLiteral("Tworzę nowe bazy tylko przy zamkniętym oknie podglądu i "
                                         "edycji rekordu \n\r                       Proszę "
                                         "uprzednio zamknij to okno. "));
        return;
    }
    m_programFolder = movra::ProgramFolder();
    FileDialogOptions o;
    o.InitialDir = m_programFolder;
    o.FileName = QStringLiteral("zerowa.db3");
    o.Filter = kAlbumFilter;
    o.DefaultExt = QStringLiteral(".db3");
    const std::optional<QString> chosen = Dialogs().SaveFile(this, o);
    if (!chosen)
        return; // cancelling changes nothing
    if (QFileInfo::exists(*chosen)) {
        ShowInformation(this, QStringLiteral("Plik taki już istnieje - proszę podaj inną nazwę lub "
                                             "zmień katalog!"));
    } else {
        TAlbumTexts first;
        if (m_form2) {
            first.Imie = m_form2->Imie();
            first.Nazwisko = m_form2->Nazwisko();
            first.Ksywa = m_form2->Ksywa();
            first.Notes = m_form2->Notes();
            first.Adres = m_form2->Adres();
        } else {
            first.Imie = QStringLiteral("pusty");
            first.Nazwisko = QStringLiteral("zero");
            first.Ksywa = QStringLiteral("zero");
        }
        // The new connection replaces the old one (rolling back anything it had open).
        m_database = WithDatabaseErrorText(TAlbumCommand::Create,
                                           [&] { return CreateAlbumFile(*chosen, first); });
    }
    SetAlbumFile(*chosen);
    LoadRecordList();
}

bool TForm1::RefuseOpenWhileRecordShown() {
    if (!RecordWindowVisible())
        return false;
    ShowMessage(this, QStringLiteral("Otwieram bazy tylko przy zamkniętym oknie podglądu i "
                                     "edycji rekordu\n\r                      Proszę uprzednio "
                                     "zamknij to okno. "));
    return true;
}

void TForm1::OtwieramDB1Click() {
    if (RefuseOpenWhileRecordShown())
        return;
    FileDialogOptions o;
    o.InitialDir = m_programFolder;
    o.FileName = m_openDialogFile;
    o.Filter = kAlbumFilter;
    const std::optional<QString> chosen = Dialogs().OpenFile(this, o);
    if (chosen) {
        m_openDialogFile = *chosen;
        SetAlbumFile(*chosen);
        LoadRecordList();
    }
}

void TForm1::Regeneruj1Click() {
    if (RecordWindowVisible()) {
        ShowMessage(this, QStringLiteral("Bazy regeneruję tylko przy zamkniętym oknie podglądu i "
                                         "edycji rekordu\n\r                   Proszę uprzednio "
                                         "zamknij to okno. "));
        return;
    }
    // Only a file that opened as an album is compacted: a foreign file is never written.
    if (!m_database) {
        ShowInformation(this, QStringLiteral("Nie ma otwartego albumu, więc nie ma czego "
                                             "regenerować. Otwórz album i spróbuj ponownie."));
        return;
    }
    // The compaction writes the whole file, which a reading still going on would keep locked.
    CompleteRecordList();
    std::optional<TAlbumRecord> first;
    try {
        TLongWork work(this,
                       QStringLiteral("Regeneruję plik bazowy  ") + m_label2->text() +
                           QStringLiteral("…"),
                       m_database);
        first = WithDatabaseErrorText(TAlbumCommand::Regenerate, [&] {
            return Regenerate(*m_database, [&work](int percent) { return work.Advance(percent); });
        });
    } catch (const ECommandCancelled& e) {
        ShowInformation(this, e.Message());
        return;
    }
    if (first) {
        m_currentId = first->Id;
        if (m_form2)
            FillRecordWindow(*first);
    }
    ShowMessage(this, QStringLiteral("Plik bazowy  ") + m_label2->text() +
                          QStringLiteral("  został zregenerowany."));
}

void TForm1::SortCommand(int key) {
    if (RecordWindowVisible()) {
        ShowInformation(this, QStringLiteral("Sortuję tylko przy zamkniętym oknie podglądu i "
                                             "edycji rekordu\n\r                Proszę uprzednio "
                                             "zamknij to okno. "));
        return;
    }
    // A list that is whole and as the file holds it is put in the new order where it is: the same
    // rows in the order a reading would give them, at a million records in a fraction of one.
    if (SortListInPlace(key)) {
        ApplyGridSizes();
        return;
    }
    m_sortKey = key;
    // The list is read again from the file in the new order straight away, so the rows are not
    // first reordered in the grid: the file's order, the sort symbol on column key and the
    // current row are what the user sees either way.
    TLongWork work(this, QStringLiteral("Porządkowanie listy rekordów: %1…"));
    // A list longer than a screen is read whole in the new order before the command ends.
    m_readWholeList =
        !RecordListComplete() || m_g1->RowCount() - m_g1->FixedRows() >= FirstScreenRows();
    const auto once = qScopeGuard([this] { m_readWholeList = false; });
    ReloadRecordList(&work);
    ApplyGridSizes();
}

void TForm1::LoadRecordList(TLongWork* work) {
    // A newer load: the rows of the older one stop arriving.
    StopListReader();
    std::optional<TLongWork> own;
    if (work == nullptr)
        work = &own.emplace(this, QStringLiteral("Wczytywanie listy rekordów: %1…"));
    TFajny& g = *m_g1;
    // Every load starts empty: a failed load never shows rows of an earlier one. Dropping the
    // old rows first leaves less to empty.
    g.SetRowCount(g.FixedRows());
    g.ClearRows();
    SetListLayout();
    g.SetRowCount(g.FixedRows());
    try {
        m_database.reset(); // releasing the old connection rolls back what it had open
        m_database =
            OpenAlbumFile(m_albumPath, [work](const ISQLiteDatabasePtr& db) { work->Watch(db); });
        // Taken before the reading: a change another program makes meanwhile shows as one made
        // since (the list is then read anew rather than followed in place).
        m_listChangeCounter = OutsideChangeCounter(*m_database);
        m_albumRecordsCounter = -1;
        FillRecordList(*work);
        if (RecordListComplete())
            m_albumRecordsCounter = m_listChangeCounter;
        NoteOpenedAlbum();
    } catch (const std::exception& e) {
        RecordListFailed(e, work);
    }
    HideNotesColumns();
    g.InvalidateGrid();
    UpdateRegenerate();
}

void TForm1::RecordListFailed(const std::exception& e, TLongWork* work) {
    StopListReader();
    m_listFollowsFile = false;
    if (work != nullptr)
        work->Interrupt(); // no busy cursor over the message
    TFajny& g = *m_g1;
    // A file whose list could not be read is not open: no command may write to it (a foreign
    // file, or one the user stopped reading).
    m_database.reset();
    m_albumRecordsCounter = -1;
    ClearListFilter();
    // Nothing was loaded: neither the rows nor the count of an earlier or half-read list stay,
    // nor the memory they took (some 200 MB after a million records), which the next list
    // would otherwise have reused.
    g.SetRowCount(g.FixedRows());
    g.ReleaseUnusedCellMemory();
    SetRecordCount(0);
    const auto* db = dynamic_cast<const ESQLiteException*>(&e);
    const bool stopped = (db != nullptr && StoppedByUser(*db)) ||
                         dynamic_cast<const ECommandCancelled*>(&e) != nullptr;
    // Nor is it shown or remembered as open ([Plik] of movra.ini): the next start would only
    // meet the same error. The albums opened last keep it only when it may well open next
    // time, as one the user stopped reading or another program held locked.
    if (!stopped && (db == nullptr || !LockedByAnother(*db))) {
        ForgetRecentAlbum(m_recentAlbums, m_albumPath);
        UpdateRecentMenu();
    }
    m_albumPath.clear();
    m_label2->setText(QStringLiteral("brak"));
    m_label2->setToolTip(QString());
    m_label2->adjustSize();
    if (stopped) {
        ShowInformation(this, ECommandCancelled(TAlbumCommand::Open).Message());
    } else {
        // The long-standing warning first, then the likely cause and the technical text.
        ShowWarning(this, QStringLiteral("Błąd podczas odczytu bazy danych!\n") +
                              DatabaseErrorText(TAlbumCommand::Open, e));
    }
}

// The rows go from the file straight into the grid's cells, as the file stores them: no copy
// of the whole list is made on the way, and none is kept afterwards. Only a screenful is read
// here; a longer list is then read whole by a reader of its own, whose rows are appended as they
// come (Unit1ListLoad.cpp).
void TForm1::FillRecordList(TLongWork& work) {
    TFajny& g = *m_g1;
    // The rows arrive ordered by the file; the grid only learns which title gets the symbol.
    if (m_sortKey == skImie || m_sortKey == skNazwisko || m_sortKey == skKsywa) {
        g.SetSortDirection(sdAscending);
        g.SetSortColumn(m_sortKey);
    }
    g.SetSortOnClick(false);
    // Saves follow the list in place only once every row is in and each sort key is a text.
    m_listFollowsFile = false;
    BeginListLoad();
    TListLoad& load = *m_listLoad;
    // A filtered list is read whole too: it costs a pass over the table, first screen or not.
    if (m_readWholeList || m_filter.On) {
        // A long list sorted anew is read whole here, as before the first screen existed: the
        // sort's user waits for all of it, and a reader would cost the sort a tenth more (the
        // rows copied once more on their way) and the first screen's pass over the table as
        // much again.
        (void)ReadRecordList(
            *m_database, m_sortKey,
            [&](const TAlbumListBytes& r) {
                if (g.FixedRows() + load.Filler.Rows() >= g.RowCount())
                    load.Filler.Reserve(std::max(load.Filler.Rows(), 1024));
                load.Filler.Append(r);
                work.Step(load.Filler.Rows());
            },
            m_filter);
        load.Filler.Fit();
        if (m_filter.On)
            m_albumRecords = CountRecords(*m_database);
        SetRecordCount(load.Filler.Rows());
        ListReadWhole(load.Filler.TextNames());
        StopListReader();
        return;
    }
    const int screen = FirstScreenRows();
    load.Filler.Reserve(screen);
    const std::uint32_t read = ReadRecordListHead(
        *m_database, m_sortKey, static_cast<std::uint32_t>(screen), [&](const TAlbumListBytes& r) {
            load.Filler.Append(r);
            load.NoteShown(r);
            work.Step(load.Filler.Rows());
        });
    load.Filler.Fit();
    SetRecordCount(load.Filler.Rows());
    if (read < static_cast<std::uint32_t>(screen)) {
        ListReadWhole(load.Filler.TextNames());
        StopListReader(); // the screen holds the whole list
        return;
    }
    load.Holding = false;
    // The number column is as wide as the whole list will need from the first screen on, so
    // the columns do not move while the rest arrives.
    load.Expected = EstimateRecords(*m_database);
    FitNumberColumn();
    StartListReaderAfterPaint();
}

void TForm1::ReloadRecordList(TLongWork* work) {
    LoadRecordList(work);
    G1Click();
}

} // namespace movra
