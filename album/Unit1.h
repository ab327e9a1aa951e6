#pragma once

#include "album/AlbumFile.h"
#include "album/ExchangePerson.h"
#include "db/SQLiteInterfaces.h"
#include "grid/FajnyTypes.h"
#include "platform/core/Colors.h"
#include "record/RecordWindowHost.h"

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtWidgets/QMainWindow>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;

namespace movra {

class TFajny;
class TLongWork;
struct TListLoad;
class TForm2;
class TMemoSnapshotWindow;
class TPokazuj;

// The main window: the open album file's record list in the grid G1, the status line, the menu
// with the commands on the file and on records, and the settings file movra.ini. It owns the one
// connection to the album file and the current result table.
class TForm1 : public QMainWindow, public IRecordWindowHost {
    Q_OBJECT
public:
    // Builds the window, reads the settings and opens startAlbum (the album named on the command
    // line) or else the album file of the last run.
    explicit TForm1(QWidget* parent = nullptr, const QString& startAlbum = {});
    ~TForm1() override;

    // The windows made after this one (in the program's order); not owned.
    void SetRecordWindow(TForm2* form2);
    void SetSnapshotWindows(TMemoSnapshotWindow* notes, TMemoSnapshotWindow* address);
    void SetGridPreviewWindow(TPokazuj* pokazuj);

    // ---- state the other windows and the tests read --------------------------------------
    [[nodiscard]] TFajny* Grid() const { return m_g1; }
    [[nodiscard]] TForm2* RecordWindow() const { return m_form2; }
    [[nodiscard]] const QString& ProgramFolder() const { return m_programFolder; }
    [[nodiscard]] const QString& AlbumPath() const { return m_albumPath; }
    [[nodiscard]] std::int64_t CurrentId() const { return m_currentId; }
    [[nodiscard]] int CurrentRow() const { return m_currentRow; }
    [[nodiscard]] int SortKey() const { return m_sortKey; }
    [[nodiscard]] int RowHeight() const { return m_rowHeight; }
    [[nodiscard]] bool SearchByRecords() const { return m_searchByRecords; }
    [[nodiscard]] const ISQLiteDatabasePtr& Database() const { return m_database; }
    [[nodiscard]] QString FileCaption() const; // Label2
    [[nodiscard]] QString RecordCount() const; // LabelCount
    [[nodiscard]] QString RowCaption() const;  // Label1 (hidden)
    [[nodiscard]] QString IdText() const;      // IDEdit (hidden)
    [[nodiscard]] QAction* Action(const QString& objectName) const;
    [[nodiscard]] QString SettingsPath() const;
    // The albums opened last, newest first (full paths), as the Baza menu offers them.
    [[nodiscard]] const QStringList& RecentAlbums() const { return m_recentAlbums; }
    // The line the empty list shows while no album is open (how to begin), or null.
    [[nodiscard]] QLabel* EmptyListHint() const { return m_emptyHint; }

    // ---- commands (menu entries, grid events, record window buttons) ---------------------
    // Album file (Baza) and sorting.
    void Nowa1Click();
    void OtwieramDB1Click();
    void Regeneruj1Click();
    void OpenRecentAlbum(int index); // an entry of "Ostatnio otwierane"
    void DrukujListe1Click();        // the list of people in the grid's print preview window
    void SortCommand(int key);       // mnuSortuj2Click / 3 / 4
    // The whole album: every person's record sheet, in the list's order, as one PDF document
    // or to the printer; and a consistent copy of the album file.
    void ZapiszAlbumPdf1Click();
    void DrukujAlbum1Click();
    void ZapiszKopie1Click();
    // Records (Edycja, Obraz).
    void G1Click();
    void PokazRekordu1Click();
    void Pierwszy1Click();
    void Poprzedni1Click();
    void Nastepny1Click();
    void Ostatni1Click();
    void Dodaj1Click();
    void Zmiana1Click();
    void Zniszcz1Click();
    void Finduj1Click();
    void FindujNastClick();
    void Load1Click();
    // Load1Click after its dialog: the chosen (or dropped) file into the record window's photo.
    void LoadPictureFile(const QString& path);
    void Export1Click();
    void Drukowanie1Click();
    // People out to and in from contacts programs and spreadsheets (Unit1Exchange).
    void EksportVCard1Click(); // the list, or only the person the record window shows
    void ImportVCard1Click();
    void EksportCsv1Click();
    void ImportCsv1Click();
    // Settings and help.
    void mnuFixedClick();
    void mnuFontyClick();
    void mnuFAQClick();
    void mnuAuthorClick();
    void Koniec1Click();

    // ---- list ----------------------------------------------------------------------------
    // Both show the busy cursor (and a progress window past two seconds) through work, or
    // through their own when given none.
    void LoadRecordList(TLongWork* work = nullptr);
    void ReloadRecordList(TLongWork* work = nullptr);
    void ApplyGridSizes();
    // A list longer than a screen shows its first screen at once; the rest is read on a thread
    // of its own and appended while the user can already work. This waits until the whole list
    // is in the grid (busy cursor after half a second, the progress window with "Anuluj" after
    // two), for commands that need every row. A reading that fails or that the user stops ends
    // as a failed load does (no album open, the message shown); then EAbort ends the calling
    // command quietly.
    void CompleteRecordList();
    // Whether the whole list is in the grid (nothing is being read).
    [[nodiscard]] bool RecordListComplete() const;

    // IRecordWindowHost
    void FirstRecord() override {
        Run([this] { Pierwszy1Click(); });
    }
    void PreviousRecord() override {
        Run([this] { Poprzedni1Click(); });
    }
    void NextRecord() override {
        Run([this] {
            CompleteListAfter(m_currentRow);
            Nastepny1Click();
        });
    }
    void LastRecord() override {
        Run([this] {
            CompleteRecordList();
            Ostatni1Click();
        });
    }
    void AddRecord() override {
        Run([this] {
            CompleteRecordList();
            Dodaj1Click();
        });
    }
    void DeleteRecord() override {
        Run([this] {
            CompleteRecordList();
            Zniszcz1Click();
        });
    }
    void SaveRecord() override {
        Run([this] {
            CompleteRecordList();
            Zmiana1Click();
        });
    }
    void ImportPicture() override {
        Run([this] { Load1Click(); });
    }
    void ExportPicture() override {
        Run([this] { Export1Click(); });
    }
    void ImportPictureFile(const QString& path) override {
        Run([this, &path] { LoadPictureFile(path); });
    }
    void PrintRecord() override {
        Run([this] { Drukowanie1Click(); });
    }
    void SetPictureMenuEnabled(bool on) override;
    void SetRegenerateEnabled(bool on) override;
    [[nodiscard]] TCarriedSettings CarriedSettings() const override;
    void SetCarriedSettings(const TCarriedSettings& s) override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    // The grid's first paint of a new list starts its reader.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Runs a command at the edge of the event loop: any error goes to the error box.
    void Run(const std::function<void()>& command);
    void BuildLayout();
    void BuildMenu();
    void BuildRecentMenu(QMenu* parent);
    // The whole album's commands at the end of Baza.
    void BuildAlbumMenu(QMenu* file1);
    // The IDs of the list's people, in the order the list shows them.
    [[nodiscard]] std::vector<qint64> ListIds() const;
    // The IDs the whole album's sheets are made for; empty, the user told why, when there are
    // none to make (no album, an empty list). verb: what would be done ("zapisać").
    [[nodiscard]] std::vector<qint64> SheetIds(const QString& verb);
    // No movra.ini at all: a new user's window, centred at a comfortable size.
    void PlaceForFirstStart();
    // The empty list's hint, shown while no album is open.
    void UpdateEmptyHint();
    void UpdateRecentMenu();
    void NoteOpenedAlbum();
    [[nodiscard]] bool RefuseOpenWhileRecordShown();
    void SetUpGrid();
    void BuildEmptyRecordList();
    void FitNumberColumn();
    void SetListLayout();
    void ReadSettings();
    // Throws EMovraError (naming the file and the reason) when movra.ini could not be written;
    // the old file is then kept as it was.
    void WriteSettings();
    void SetAlbumFile(const QString& fullPath);
    [[nodiscard]] QString SettingsNameOf(const QString& fullPath) const;
    [[nodiscard]] QString AlbumPathFromSettings(const QString& name) const;
    // Regeneruj is enabled while an album is open and the record window is hidden.
    void UpdateRegenerate();
    void SelectRow(int row);
    void MoveTo(int row);
    [[nodiscard]] bool AskAboutChanges();
    [[nodiscard]] int RowOfId(std::int64_t id) const;
    void FillRecordList(TLongWork& work);
    // After this program wrote record id (added, saved) or deleted it: the list follows in
    // place when it can be sure to end as a full reading would show it, else it is read anew.
    void RefreshListAfterWrite(std::int64_t id, bool added = false);
    [[nodiscard]] bool PlaceListRow(std::int64_t id, bool added);
    // The whole list is in the grid, textNames telling which names are texts in every row.
    void ListReadWhole(std::uint8_t textNames);
    // Puts a list that is whole and as the file holds it in the order of key where it is, as a
    // reading in that order would show it; false (nothing changed) when it cannot be sure to.
    [[nodiscard]] bool SortListInPlace(int key);
    // The list could not be read (e) or the user stopped its reading: no album stays open.
    void RecordListFailed(const std::exception& e, TLongWork* work);
    // "Rekordów:": the list's rows, or "rows z all" while the filter is on.
    void SetRecordCount(int rows);
    [[nodiscard]] int ListRows() const;
    // The live filter "Szukaj:" above the list (Unit1Filter.cpp).
    void BuildFilter();
    // Reads the list again through the filter's text as it now stands, on the reader's thread:
    // each keystroke stops the reading of the one before.
    void ApplyListFilter();
    // Forgets the filter without reading anything (another album, a failed load).
    void ClearListFilter();
    // Esc empties the filter; Down and Enter go to the list. True when the key was taken.
    [[nodiscard]] bool FilterKey(QObject* watched, QEvent* e);
    // Rows that fill the tallest screen: what the first reading shows.
    [[nodiscard]] int FirstScreenRows() const;
    // The list's load from its first screen on; its reader comes with StartListReader.
    void BeginListLoad();
    // The reader starts once the first screen has been painted (or soon, should no paint come),
    // so that painting it has the processor to itself.
    void StartListReaderAfterPaint();
    void StartListReader();
    void StopListReader();
    // Takes the reader's rows until the grid holds rows of the list or the whole list, in work
    // (its window's "Anuluj" stops the reading); EAbort when the reading fails or is stopped.
    void AwaitRecordList(TLongWork& work, int rows);
    // The reader has rows (on this thread): taken now, or soon when taken very recently.
    void ListRowsArrived();
    // Moves the rows read so far into the grid; false when the reading failed (then handled as
    // a failed load).
    [[nodiscard]] bool TakeListRows(TLongWork* work);
    // Moving on from row needs the rows after it: when it is the last row read so far, the
    // whole list is waited for.
    void CompleteListAfter(int row);
    void HideNotesColumns();
    void G1DrawCell(int col, int row, const struct TRect& rect);
    void G1MouseUp();
    void IDEditChange();
    void SetCurrentRow(int row);
    [[nodiscard]] bool RecordWindowVisible() const;
    void FillRecordWindow(const TAlbumRecord& record);
    [[nodiscard]] TAlbumTexts TextsToWrite(TStoredTexts& kept);
    // The shown record as the file now holds it, in place of the record window's edits.
    void ShowStoredVersion();
    // pictureKept: the save left a stored picture that could not be shown as it was.
    void RememberWrittenRecord(bool pictureKept);
    // A found cell made current so that the user sees it: in its row, in a shown column.
    void ShowFoundCell(int col, int row);
    // Exchange: the file dialog (a save asks before replacing a file); the records read and
    // written to path after head; people added as new records.
    [[nodiscard]] std::optional<QString> ChooseExchangeFile(bool save, const QString& fileName,
                                                            const QString& filter,
                                                            const QString& ext);
    void ExportPeople(const std::vector<qint64>& ids, const QString& path,
                      const std::function<QByteArray(const TAlbumRecord&)>& write,
                      const QByteArray& head = {});
    void ImportFrom(const QString& filter, std::vector<TExchangePerson> (*read)(const QByteArray&));
    void ImportPeople(std::vector<TExchangePerson> people);
    // The record window while it is open, else this window.
    [[nodiscard]] QWidget* PictureDialogParent();

    // widgets
    TFajny* m_g1 = nullptr;
    QFrame* m_panelTop = nullptr;
    QFrame* m_panel1 = nullptr;
    QFrame* m_pnlHide = nullptr;
    QLabel* m_label1 = nullptr;         // CurrentRow (hidden)
    QLabel* m_label2 = nullptr;         // album file name
    QLabel* m_labelCount = nullptr;     // record count
    QLineEdit* m_idEdit = nullptr;      // ID of the current row (hidden)
    QLineEdit* m_filterEdit = nullptr;  // "Szukaj:"
    std::array<QLabel*, 8> m_carried{}; // lblLewa .. lblLiteryO (hidden)
    QMenu* m_obraz1 = nullptr;
    QMenu* m_recentMenu = nullptr;
    QLabel* m_emptyHint = nullptr;

    // other windows (not owned)
    TForm2* m_form2 = nullptr;
    TMemoSnapshotWindow* m_form111 = nullptr;
    TMemoSnapshotWindow* m_form222 = nullptr;
    TPokazuj* m_pokazuj = nullptr;

    // state
    QString m_programFolder;
    QString m_albumPath;
    QString m_lastPictureFile;
    QString m_openDialogFile; // the open dialog is shared by album files and pictures
    QString m_exchangeFolder; // of the vCard or CSV file last chosen
    QStringList m_recentAlbums;
    TSortOptions m_sortOptions;
    int m_rowHeight = 22;
    std::int64_t m_currentId = 0;
    // Whether the list as read can be kept up in place: every sort key a text (ordered by the
    // alphabet alone), and the file's outside-change counter when it was read.
    bool m_listFollowsFile = false;
    std::uint8_t m_listTextNames = 0; // names stored as texts in every row (NameTextBit)
    std::int64_t m_listChangeCounter = 0;
    TListFilter m_filter;            // the records the list shows
    std::int64_t m_albumRecords = 0; // all the album's records, shown or not
    // The outside-change counter at which m_albumRecords was right (-1: not known), so that a
    // filter need not count the album again.
    std::int64_t m_albumRecordsCounter = -1;
    TShownRecord m_shownRecord; // the record window's texts as last filled from the file
    ISQLiteDatabasePtr m_database;
    std::unique_ptr<TListLoad> m_listLoad; // while the list's rows are still arriving
    int m_widthImie = 100;
    int m_widthNazwisko = 140;
    int m_widthKsywa = 140;
    int m_sortKey = 3;
    int m_currentRow = 0;
    bool m_searchByRecords = true;
    bool m_readWholeList = false; // a long list sorted anew: read whole, with no reader
};

} // namespace movra
