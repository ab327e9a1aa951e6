#include "album/Unit1.h"

#include "album/AlbumFile.h"
#include "album/DatabaseErrorText.h"
#include "album/LongWork.h"
#include "grid/Fajny.h"
#include "platform/core/Dialogs.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/SafeFile.h"
#include "record/Unit2.h"
#include "record/Unit3.h"
#include "record/asfind.h"
#include "record/help.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QStandardPaths>
#include <QtGui/QAction>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>

#include <memory>

namespace movra {

namespace {

const QString kChangeQuestion =
    QStringLiteral("W rekordzie dokonano zmian. Czy chcesz je zapisać? ");
const QString kRecordGone = QStringLiteral("Rekordu, który chcesz zapisać, nie ma już w bazie. "
                                           "Zmian nie zapisano - dodaj go jako nowy rekord.");
const QString kNoRecordShown =
    QStringLiteral("Nie wyświetlono żadnego rekordu: najpierw otwórz rekord (Enter lub dwuklik na "
                   "liście), a potem zapisz zmiany.");
const QString kPhotoUnreadable =
    QStringLiteral("Zapisane zdjęcie tej osoby jest uszkodzone\n"
                   "albo nie jest zdjęciem JPEG, więc nie można go pokazać.\n\n"
                   "Zapisanie zmian w rekordzie zostawi je w pliku bez zmian,\n"
                   "chyba że zaimportujesz nowe zdjęcie (Obraz, Import obrazu JPG z pliku..).");
// The list's first-name column, the one a found person's row is shown in.
constexpr int kFirstNameColumn = skImie;
const QString kPictureFilter = QStringLiteral("Zdjęcia JPEG (*.jpg *.jpeg)|*.jpg;*.jpeg");

// The author box: the project's name for its authors and its home page, as the README gives them.
const QString kAuthorName = QStringLiteral("Zespół Movra");
const QString kHomePage = QStringLiteral("https://movra.example.org/");

TAlbumTexts textsOf(const TForm2& f) {
    return {f.Imie(), f.Nazwisko(), f.Ksywa(), f.Notes(), f.Adres()};
}

// The record ID a list row shows; EMovraError naming the row and what could not be done (verb:
// "pokazać") when it is not a number.
std::int64_t RecordIdOfRow(int row, const QString& idText, const QString& verb) {
    bool ok = false;
    const qint64 id = idText.toLongLong(&ok);
    if (!ok)
        // Only an album another tool made or changed can hold such a row: in a file this
        // program made, ID is the table's own integer key.
        throw EMovraError(
            QStringLiteral("Nie mogę %1 rekordu z wiersza %2: jego identyfikator (ID) „%3” nie "
                           "jest liczbą całkowitą. Plik bazowy zmieniono innym programem; popraw "
                           "w nim ID tego rekordu.")
                .arg(verb)
                .arg(row)
                .arg(idText));
    return id;
}

void showTexts(TForm2& f, const TAlbumTexts& t) {
    f.SetImie(t.Imie);
    f.SetNazwisko(t.Nazwisko);
    f.SetKsywa(t.Ksywa);
    f.SetNotes(t.Notes);
    f.SetAdres(t.Adres);
}

// Cameras and phones name their photos ".JPG", ".jpeg" and ".JPEG" as well as ".jpg".
bool IsJpegFileName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0;
}

// Where the first photo import of a run looks: the user's pictures folder, or the home folder
// where the system names none or it does not exist.
QString PictureStartFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

} // namespace

void TForm1::SetCurrentRow(int row) {
    m_currentRow = row;
    m_label1->setText(QString::number(row));
}

void TForm1::G1Click() {
    SetCurrentRow(m_g1->Row());
    m_idEdit->setText(m_g1->Cells(1, m_currentRow));
    if (m_form2) {
        m_form2->SetFileLabel(m_label2->text());
        m_form2->SetPositionLabel(m_label1->text() + QStringLiteral(" z ") +
                                  QString::number(ListRows()));
    }
}

void TForm1::IDEditChange() {
    m_g1->InvalidateGrid();
    if (m_form2)
        m_form2->SetPositionLabel(m_label1->text() + QStringLiteral(" z ") +
                                  QString::number(ListRows()));
}

void TForm1::PokazRekordu1Click() {
    G1Click();
    // An empty list has no record to show (its current row is the title row).
    if (m_currentRow < m_g1->FixedRows() || m_currentRow >= m_g1->RowCount())
        return;
    if (!m_database || !m_form2)
        return;
    // Showing a record refills the window: edits not yet saved would go unasked.
    if (!AskAboutChanges())
        return;
    const qint64 id = RecordIdOfRow(m_currentRow, m_idEdit->text(), QStringLiteral("pokazać"));
    // Nothing reaches the record window until the record and its photo have both been read.
    const TAlbumRecord record = [&] {
        TLongWork work(this, QStringLiteral("Wczytywanie rekordu…"), m_database);
        return WithCancelText(TAlbumCommand::Show, [&] { return ReadRecord(*m_database, id); });
    }();
    m_currentId = id;
    FillRecordWindow(record);
    m_form2->ShowRecord();
    SetPictureMenuEnabled(true);
    const int visible = m_g1->VisibleRowCount();
    if (visible < m_currentRow)
        m_g1->SetTopRow(m_currentRow - visible + 1);
    else
        m_g1->SetTopRow(1);
}

void TForm1::FillRecordWindow(const TAlbumRecord& record) {
    showTexts(*m_form2, record.Texts);
    // What the fields now hold may differ from the stored bytes (a memo shows every line break
    // one way), so it is taken from them.
    m_shownRecord = {record.Id, textsOf(*m_form2), record.Stored, record.Row,
                     record.PhotoUnreadable};
    if (record.PhotoUnreadable)
        m_form2->ShowPhotoNote(kPhotoUnreadable);
    else
        m_form2->SetPhoto(record.Photo);
    if (!record.Photo.IsNull())
        m_form2->SetRememberedPhotoSize(QSize(record.Photo.Width(), record.Photo.Height()));
}

TAlbumTexts TForm1::TextsToWrite(TStoredTexts& kept) {
    // A field the user left as it was shown keeps its stored bytes; what was typed is written
    // as typed (only the notes' line breaks take their stored form).
    TAlbumTexts texts = textsOf(*m_form2);
    kept = UnchangedFields(texts, m_shownRecord);
    // A stored photo that could not be shown stays as it is unless the user imported another.
    kept.KeepPicture = m_shownRecord.PhotoUnreadable && m_form2->Photo().IsNull();
    QuoteRecordFields(texts, kept);
    return texts;
}

bool TForm1::AskAboutChanges() {
    if (m_form2 && m_form2->Changed()) {
        if (Confirm(this, kChangeQuestion))
            return false; // Yes: stay, so the user can save
        m_form2->SetChanged(false);
    }
    return true;
}

void TForm1::SelectRow(int row) {
    SetCurrentRow(row);
    m_g1->FocusCell(2, row);
    G1Click();
}

void TForm1::MoveTo(int row) {
    SetCurrentRow(row);
    SelectRow(row);
    m_idEdit->setText(m_g1->Cells(1, m_currentRow));
    PokazRekordu1Click();
}

void TForm1::Pierwszy1Click() {
    if (!AskAboutChanges())
        return;
    MoveTo(1);
}

void TForm1::Poprzedni1Click() {
    if (!AskAboutChanges())
        return;
    const int row = m_label1->text().toInt();
    if (row <= 1)
        return;
    MoveTo(row - 1);
}

void TForm1::Nastepny1Click() {
    if (!AskAboutChanges())
        return;
    const int row = m_label1->text().toInt();
    if (row >= m_g1->RowCount() - 1)
        return;
    MoveTo(row + 1);
}

void TForm1::Ostatni1Click() {
    if (!AskAboutChanges())
        return;
    MoveTo(m_g1->RowCount() - 1);
}

void TForm1::Dodaj1Click() {
    if (!m_form2)
        return;
    TStoredTexts kept;
    const TAlbumTexts texts = TextsToWrite(kept);
    if (!RecordWindowVisible()) {
        ShowMessage(this, QStringLiteral("Dodaję rekordy tylko przy otwartym oknie Podglądu i "
                                         "edycji rekordu\n\r\n\r       Proszę otwórz to okno i "
                                         "powtórz operację dodawania"));
        return;
    }
    if (!m_database)
        return;
    m_currentId = [&] {
        TLongWork work(this, QStringLiteral("Dodawanie rekordu…"), m_database);
        return WithDatabaseErrorText(TAlbumCommand::Add, [&] {
            return InsertRecord(*m_database, texts, m_form2->Photo(), m_form2->Placeholder().Jpeg(),
                                kept);
        });
    }();
    RememberWrittenRecord(false);
    RefreshListAfterWrite(m_currentId, true);
    ShowMessage(this, QStringLiteral("Rekord dodany do bazy. "));
    m_form2->CloseQuietly();
}

void TForm1::Zmiana1Click() {
    if (!m_database || !m_form2)
        return;
    // The window holds no record of this album (none shown yet, or one of the album open
    // before): there is nothing to write the fields into.
    if (!m_shownRecord.Id || *m_shownRecord.Id != m_currentId) {
        ShowInformation(this, kNoRecordShown);
        return;
    }
    TStoredTexts kept;
    const TAlbumTexts texts = TextsToWrite(kept);
    // The message names the row of the record written, which need not be the selected one.
    const auto rowText = [this] {
        const int row = RowOfId(m_currentId);
        return QString::number(row < 0 ? m_g1->Row() : row);
    };
    // What the file must still hold for the save to go ahead: the record as shown, or, once the
    // user chose to overwrite, as it was when asked (a third change is asked about again).
    TStoredRow expected = m_shownRecord.Row;
    for (;;) {
        const TUpdateOutcome outcome = [&] {
            TLongWork work(this, QStringLiteral("Zapisywanie zmian w rekordzie…"), m_database);
            return WithDatabaseErrorText(TAlbumCommand::Save, [&] {
                return UpdateShownRecord(*m_database, m_currentId, expected, texts,
                                         m_form2->Photo(), m_form2->Placeholder().Jpeg(), kept);
            });
        }();
        if (outcome.Result == TUpdateResult::Written)
            break;
        if (outcome.Result == TUpdateResult::Missing)
            throw EMovraError(kRecordGone);
        const QStringList fields = ChangedFields(expected, outcome.Now);
        const MsgResult answer = Dialogs().Box(
            this, MsgKind::Warning,
            QStringLiteral("Rekord %1 zmienił się w pliku bazowym, odkąd go wyświetlono: w tym "
                           "czasie zapisał go inny program albo druga kopia Movry (zmienione: "
                           "%2).\n\n"
                           "Nadpisz – zapisuje Twoje zmiany w miejsce tamtych.\n"
                           "Pokaż zapisaną – porzuca Twoje zmiany i pokazuje rekord taki, jaki "
                           "jest teraz w pliku.\n"
                           "Anuluj – niczego nie zapisuje; Twoje zmiany zostają w oknie.")
                .arg(rowText(), fields.join(QStringLiteral(", "))),
            MsgButtons::OverwriteKeepCancel, QString());
        if (answer == MsgResult::Yes) {
            expected = outcome.Now;
            continue;
        }
        if (answer == MsgResult::No)
            ShowStoredVersion();
        return; // Anuluj: nothing written, the edits stay in the window
    }
    RememberWrittenRecord(kept.KeepPicture);
    ShowMessage(this, QStringLiteral("Zmiany w rekordzie ") + rowText() +
                          QStringLiteral(" zostały zapisane."));
    RefreshListAfterWrite(m_currentId);
    m_form2->CloseQuietly();
}

void TForm1::RememberWrittenRecord(bool pictureKept) {
    // The record window now holds what this program just wrote as record CurrentId, so the next
    // save (Ins with the window closed) is checked against that, not against the record as first
    // shown, which would look like another program's change.
    // The writing has succeeded; should this reading fail, the next save asks once too often,
    // which is no reason to report the command as failed.
    try {
        if (const std::optional<TAlbumRecord> written = ReadStoredRecord(*m_database, m_currentId))
            // A kept picture is still the one that could not be shown.
            m_shownRecord = {m_currentId, textsOf(*m_form2), written->Stored, written->Row,
                             pictureKept};
    } catch (const std::exception&) {
    }
}

void TForm1::ShowStoredVersion() {
    // The user's edits are dropped only now, by their choice. The list is read again as well,
    // since the other program's change may move the record in it.
    const std::int64_t id = m_currentId;
    m_form2->SetChanged(false);
    ReloadRecordList();
    const int row = RowOfId(id);
    if (row < 0)
        throw EMovraError(kRecordGone);
    SelectRow(row);
    PokazRekordu1Click();
}

int TForm1::RowOfId(std::int64_t id) const {
    // The record asked for is mostly the selected one; else a look through every row, which at a
    // million rows must make no text of each.
    const QString text = QString::number(id);
    const int current = m_g1->Row();
    if (current >= m_g1->FixedRows() && m_g1->CellEquals(1, current, text))
        return current;
    for (int r = m_g1->FixedRows(); r < m_g1->RowCount(); ++r)
        if (m_g1->CellEquals(1, r, text))
            return r;
    return -1;
}

void TForm1::Zniszcz1Click() {
    if (m_albumRecords <= 1)
        return; // the last record of an album is never deleted
    if (!m_database)
        return;
    // The question names the record that is deleted: the one shown, or else the selected row.
    std::int64_t id = 0;
    int row = 0;
    if (RecordWindowVisible()) {
        id = m_currentId;
        row = RowOfId(id);
    } else {
        row = m_g1->Row();
        if (row < m_g1->FixedRows())
            return;
        id = RecordIdOfRow(row, m_g1->Cells(1, row), QStringLiteral("usunąć"));
    }
    const MsgResult answer =
        Confirm3(this, QStringLiteral("Zniszczyć rekord ") + QString::number(row) +
                           QStringLiteral("  jesteś tego pewny ?"));
    if (answer == MsgResult::Yes) {
        TLongWork work(this, QStringLiteral("Usuwanie rekordu…"), m_database);
        WithDatabaseErrorText(TAlbumCommand::Delete, [&] { movra::DeleteRecord(*m_database, id); });
        RefreshListAfterWrite(id);
    } else {
        ReloadRecordList();
    }
    if (m_form2)
        m_form2->CloseQuietly();
}

void TForm1::Finduj1Click() {
    QAction* next = Action(QStringLiteral("FindujNast"));
    auto dialog = std::make_unique<Tfinddlg>(this);
    const auto rehide = qScopeGuard([this] { HideNotesColumns(); });
    if (Dialogs().ExecModal(dialog.get()) != QDialog::Accepted)
        return;
    m_g1->SetKeyType(dialog->MatchCase() ? soStringCaseSensitive : soString);
    m_g1->SetSearchSubstring(!dialog->WholeWords());
    m_searchByRecords = dialog->SearchByRecords();
    int col = -1;
    int row = -1;
    const QString phrase = dialog->Phrase();
    if (m_g1->FindFirst(phrase, m_searchByRecords, col, row)) {
        ShowFoundCell(col, row);
        next->setEnabled(true);
    } else {
        next->setEnabled(false);
        m_g1->setFocus();
        ShowMessage(this,
                    QStringLiteral("Frazy   \"") + phrase + QStringLiteral("\"   nie znalazłem"));
    }
}

void TForm1::FindujNastClick() {
    int col = -1;
    int row = -1;
    if (m_g1->FindNext(col, row)) {
        ShowFoundCell(col, row);
        return;
    }
    Action(QStringLiteral("FindujNast"))->setEnabled(false);
    m_g1->setFocus();
    ShowMessage(this, QStringLiteral("Takiej frazy już nie znalazłem"));
    HideNotesColumns();
}

void TForm1::ShowFoundCell(int col, int row) {
    // The notes columns are hidden: a match there would make a cell no one sees current, and
    // the list would not even scroll to it. The person's row is what the user looks for, so
    // the current cell goes to a shown column of that row (the first name), which also selects
    // the row and scrolls it into view.
    if (m_g1->ColWidths(col) <= 0) {
        for (int c = kFirstNameColumn; c < m_g1->ColCount(); ++c)
            if (m_g1->ColWidths(c) > 0) {
                col = c;
                break;
            }
    }
    m_g1->FocusCell(col, row);
    m_g1->setFocus();
}

QWidget* TForm1::PictureDialogParent() {
    // Over the record window when it is open, so that the focus goes back there afterwards.
    return RecordWindowVisible() ? static_cast<QWidget*>(m_form2) : this;
}

void TForm1::Load1Click() {
    if (!m_form2)
        return;
    FileDialogOptions o;
    o.FileName = m_lastPictureFile;
    o.InitialDir = m_lastPictureFile.isEmpty() ? PictureStartFolder()
                                               : QFileInfo(m_lastPictureFile).absolutePath();
    o.Filter = kPictureFilter;
    const std::optional<QString> chosen = Dialogs().OpenFile(PictureDialogParent(), o);
    if (!chosen)
        return;
    LoadPictureFile(*chosen);
}

void TForm1::LoadPictureFile(const QString& path) {
    if (!m_form2)
        return;
    m_lastPictureFile = path;
    m_openDialogFile = path;
    QWidget* parent = PictureDialogParent();
    if (!IsJpegFileName(path)) {
        ShowMessage(parent, QStringLiteral("Przyjmuję tylko zdjęcia JPEG: pliki z rozszerzeniem "
                                           ".jpg albo .jpeg."));
        return;
    }
    TJpegPhoto photo = TJpegPhoto::FromFile(path);
    // A damaged file that still decodes (one cut short shows grey where its end is missing) is
    // taken only when the user wants it; No leaves the record as it was.
    if (!photo.DamageWarning().isEmpty() &&
        !Confirm(parent, QStringLiteral("Plik zdjęcia „%1” jest uszkodzony: %2 Część obrazu może "
                                        "być szara albo zniekształcona.\n\nCzy mimo to wstawić to "
                                        "zdjęcie do rekordu?")
                             .arg(QDir::toNativeSeparators(path), photo.DamageWarning())))
        return;
    m_form2->ImportPhoto(photo);
}

void TForm1::Export1Click() {
    if (!m_form2)
        return;
    const TJpegPhoto& photo = m_form2->Photo();
    if (photo.IsNull())
        throw EMovraError(QStringLiteral("Rekord nie ma zdjęcia - nie ma czego eksportować."));
    FileDialogOptions o;
    o.InitialDir = m_programFolder;
    o.FileName = QStringLiteral("fotka.jpg");
    o.Filter = QStringLiteral("Pliki obrazy (*.jpg)|*.jpg|Dowolne pliki (*.*)|*.*");
    o.DefaultExt = QStringLiteral("jpg");
    const std::optional<QString> chosen = Dialogs().SaveFile(this, o);
    if (!chosen)
        return;
    if (QFileInfo::exists(*chosen) &&
        !Confirm(this, QStringLiteral("Plik ") + QFileInfo(*chosen).fileName() +
                           QStringLiteral(" już istnieje. Czy chcesz go zastąpić?")))
        return;
    // Complete on disk or not at all: a full disk keeps the file it would have replaced.
    WriteFileAtomically(*chosen, photo.Jpeg());
}

void TForm1::Drukowanie1Click() {
    if (!m_form2 || !m_form111 || !m_form222)
        return;
    ShowRecordSheet(this, *m_form2, *m_form111, *m_form222);
}

void TForm1::mnuFAQClick() {
    auto help = std::make_unique<TFhelp>(this);
    Dialogs().ExecModal(help.get());
}

void TForm1::mnuAuthorClick() {
    ShowMessage(this,
                QStringLiteral("     ") + kAuthorName + QStringLiteral("     \r\n") + kHomePage);
}

} // namespace movra
