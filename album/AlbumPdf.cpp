#include "album/AlbumPdf.h"

#include "album/AlbumFile.h"
#include "platform/core/Geometry.h"
#include "platform/emf/Metafile.h"
#include "platform/emf/MetafilePdf.h"
#include "platform/printer/Printer.h"
#include "platform/printer/PrinterJob.h"
#include "platform/text/Jpeg.h"
#include "preview/PrintPreview.h"
#include "preview/Units.h"
#include "record/MemoSnapshot.h"
#include "record/Unit2Fields.h"

#include <QtGui/QPainter>
#include <QtPrintSupport/QPrinter>

#include <optional>

namespace movra {

namespace {

// A memo like source (size, font, colour) that is never shown: the snapshot windows take each
// person's notes from it as they take the record window's own.
std::unique_ptr<QPlainTextEdit> ScratchMemo(const QPlainTextEdit& source) {
    auto memo = std::make_unique<TMemoField>();
    memo->setFont(source.font());
    memo->setPalette(source.palette());
    memo->resize(source.size());
    return memo;
}

// The picture a record's photo makes on the sheet, decoded only as far as the page's 300 dpi
// need it (a camera's photo at a quarter, say), so that no whole camera picture is held; none
// when the record has no photo, or one that does not decode (as the record sheet shows it).
QImage SheetPhoto(const TAlbumRecord& record) {
    if (!record.Photo.IsNull())
        return record.Photo.Image();
    for (const TStoredValue& value : record.Row) {
        if (QString::fromStdString(value.Column)
                .compare(QStringLiteral("Picture"), Qt::CaseInsensitive) != 0)
            continue;
        if (!value.Kind || value.Bytes.isEmpty())
            return {};
        try {
            const TJpegHeader header = ReadJpegHeader(value.Bytes);
            const TRect place = SheetPhotoPlace(QSize(header.Width, header.Height));
            const auto at300Dpi = [](int tenthsOfMillimetre) {
                return (tenthsOfMillimetre * 300 + 253) / 254;
            };
            return DecodeJpegAtLeast(value.Bytes,
                                     QSize(at300Dpi(place.Width()), at300Dpi(place.Height())));
        } catch (const EJpegError&) {
            return {};
        }
    }
    return {};
}

void SetMemoText(QPlainTextEdit& memo, const QString& text) {
    static_cast<TMemoField&>(memo).SetTextAnyBreaks(text);
}

// Runs page for each person of ids still in the file, telling progress before each one and
// after the last. False when progress said stop.
bool ForEachSheet(ISQLiteDatabase& db, const std::vector<qint64>& ids, TAlbumSheets& sheets,
                  const TSheetProgress& progress, const std::function<void(TSheetContent&)>& page) {
    const int total = static_cast<int>(ids.size());
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total))
            return false;
        // Read, drawn and dropped here: the photo and the page live for one person only.
        std::optional<TAlbumRecord> record = ReadStoredRecord(db, ids[static_cast<std::size_t>(i)]);
        if (!record)
            continue;
        TSheetContent content = sheets.Content(*record);
        record.reset(); // the photo's bytes; its picture lives on in content until drawn
        page(content);
    }
    return !progress || progress(total, total);
}

} // namespace

TAlbumSheets::TAlbumSheets(const QPlainTextEdit& notesMemo, const QPlainTextEdit& addressMemo,
                           TMemoSnapshotWindow& notesWindow, TMemoSnapshotWindow& addressWindow)
    : m_preview(std::make_unique<TPrintPreview>()), m_notesMemo(ScratchMemo(notesMemo)),
      m_addressMemo(ScratchMemo(addressMemo)), m_notesWindow(notesWindow),
      m_addressWindow(addressWindow) {
    SetUpSheetPreview(*m_preview);
}

TAlbumSheets::~TAlbumSheets() = default;

TSheetContent TAlbumSheets::Content(const TAlbumRecord& record) {
    TSheetContent content;
    content.Imie = record.Texts.Imie;
    content.Nazwisko = record.Texts.Nazwisko;
    content.Ksywa = record.Texts.Ksywa;
    content.Photo = SheetPhoto(record);
    SetMemoText(*m_notesMemo, record.Texts.Notes);
    SetMemoText(*m_addressMemo, record.Texts.Adres);
    content.Notes = m_notesWindow.Take(*m_notesMemo);
    content.Address = m_addressWindow.Take(*m_addressMemo);
    return content;
}

bool WriteAlbumPdf(const QString& path, const QString& title, ISQLiteDatabase& db,
                   const std::vector<qint64>& ids, TAlbumSheets& sheets,
                   const TSheetProgress& progress) {
    TPrintPreview& pp = sheets.Preview();
    std::optional<TPdfDocument> document;
    const bool done = ForEachSheet(db, ids, sheets, progress, [&](TSheetContent& content) {
        const TSheetPdfPage pdf = RecordSheetPdfPage(pp, content);
        // Drawn into the page at the resolution it needs: a camera's whole picture need not
        // stay beside the page while the document takes it.
        content.Photo = QImage();
        if (!document)
            document.emplace(path, pdf.PaperMillimetres, title);
        document->AddPage(pdf.Page, [&](QPainter& painter) {
            DrawSheetNotesText(painter, pp, pdf.Page, content);
        });
    });
    // Stopped: the document is dropped unfinished, and with it the new file.
    if (!done)
        return false;
    if (!document)
        throw EMovraError(QStringLiteral("Album nie zawiera żadnej osoby - nie ma czego zapisać."));
    document->Commit();
    return true;
}

bool PrintAlbumSheets(const QString& jobTitle, ISQLiteDatabase& db, const std::vector<qint64>& ids,
                      TAlbumSheets& sheets, const TSheetProgress& progress) {
    TPrintPreview& pp = sheets.Preview();
    // The sheet's paper (A4, landscape) goes to the printer as the sheet's own printing gives it.
    pp.SetPrinterOptions();
    QPrinter& printer = ActivePrinter();
    TPrinterJob job(printer);
    bool started = false;
    const TPrinterCaps caps = PrinterCaps(printer);
    QRect r(0, 0, ConvertUnits(pp.PaperWidth(), caps.PixelsPerInchX, pp.Units(), mmPixel),
            ConvertUnits(pp.PaperHeight(), caps.PixelsPerInchY, pp.Units(), mmPixel));
    // The page's corner lands on the paper's corner, not on the printable area's.
    r.translate(-caps.PhysicalOffset);
    const bool done = ForEachSheet(db, ids, sheets, progress, [&](TSheetContent& content) {
        const TMetafile page = RecordSheetPage(pp, content, content.Photo, true);
        content.Photo = QImage();
        // The job starts with its first page, so that a job stopped before any has no sheet.
        if (!started) {
            job.Begin(jobTitle);
            started = true;
        } else if (!job.NewPage()) {
            throw EMovraError(QStringLiteral("Drukarka odmówiła rozpoczęcia nowej strony."));
        }
        page.Play(job.Painter(), QRectF(r));
    });
    if (!done) {
        if (job.Running() && !job.Abort() && job.Running())
            job.End();
        return false;
    }
    if (job.Running())
        job.End();
    return true;
}

} // namespace movra
