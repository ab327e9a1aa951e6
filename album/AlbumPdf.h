#pragma once

#include "db/SQLiteInterfaces.h"
#include "record/SheetPage.h"

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPlainTextEdit;

namespace movra {

class TPrintPreview;
class TMemoSnapshotWindow;
struct TAlbumRecord;

// The record sheets of a whole album: each person's page exactly as the record sheet lays it
// out, made one person at a time, so that memory holds one person whatever the album's size.
class TAlbumSheets {
public:
    // The notes take the size, font and colour of the record window's memos (notesMemo,
    // addressMemo), as the record sheet's do, through the memo snapshot windows.
    TAlbumSheets(const QPlainTextEdit& notesMemo, const QPlainTextEdit& addressMemo,
                 TMemoSnapshotWindow& notesWindow, TMemoSnapshotWindow& addressWindow);
    ~TAlbumSheets();
    TAlbumSheets(const TAlbumSheets&) = delete;
    TAlbumSheets& operator=(const TAlbumSheets&) = delete;

    // What the sheet of record shows (its photo decoded, its notes as pictures and text).
    [[nodiscard]] TSheetContent Content(const TAlbumRecord& record);
    // The hidden preview the pages are recorded through (the record sheet's paper and font).
    [[nodiscard]] TPrintPreview& Preview() { return *m_preview; }

private:
    std::unique_ptr<TPrintPreview> m_preview;
    std::unique_ptr<QPlainTextEdit> m_notesMemo;
    std::unique_ptr<QPlainTextEdit> m_addressMemo;
    TMemoSnapshotWindow& m_notesWindow;
    TMemoSnapshotWindow& m_addressWindow;
};

// Told how many sheets of how many are done; false stops the work.
using TSheetProgress = std::function<bool(int done, int total)>;

// The people of ids, in that order, as one PDF document titled title: one page each, written
// into the file as it is made (each record read by ID, drawn and dropped), the notes as text.
// A record deleted meanwhile by another program is passed over. True when the document replaced
// the file at path; false when progress stopped the work, which leaves no file and an old one
// as it was. Errors (EMovraError, ESQLiteException) leave the file likewise.
[[nodiscard]] bool WriteAlbumPdf(const QString& path, const QString& title, ISQLiteDatabase& db,
                                 const std::vector<qint64>& ids, TAlbumSheets& sheets,
                                 const TSheetProgress& progress);

// The same pages, each as the record sheet prints it, to ActivePrinter() as one job on A4
// landscape. True when printed; false when progress stopped it (the job withdrawn where the
// print system can, else ended with the pages printed so far).
[[nodiscard]] bool PrintAlbumSheets(const QString& jobTitle, ISQLiteDatabase& db,
                                    const std::vector<qint64>& ids, TAlbumSheets& sheets,
                                    const TSheetProgress& progress);

} // namespace movra
