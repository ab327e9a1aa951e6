// The record sheet's page, apart from any window: the sheet window shows it, the album's
// document and the album's printing make one for each person.
#include "record/SheetPage.h"

#include "platform/core/Geometry.h"
#include "platform/emf/Metafile.h"
#include "preview/PrintPreview.h"

#include <QtCore/QStringList>
#include <QtGui/QPainter>

#include <algorithm>

namespace movra {

namespace {

// Where things lie on the sheet, in tenths of a millimetre.
const TRect kPhotoFrame(250, 400, 1250, 1900);
const TRect kNotesBox(1600, 550, 2650, 1050);
const TRect kAddressBox(1600, 1250, 2650, 1750);

const QString kTitle = QStringLiteral("Zestawienie danych osobowych");
const QString kImieLabel = QStringLiteral("Imię: ");
const QString kNazwiskoLabel = QStringLiteral("Nazwisko: ");
const QString kKsywaLabel = QStringLiteral("Ksywa: ");
const QString kNotesHeading = QStringLiteral("Adnotacje i uwagi:");
const QString kAddressHeading = QStringLiteral("Adres i źródła kontaktu:");

QString ShownKsywa(const QString& ksywa) {
    return ksywa.isEmpty() ? QStringLiteral("brak") : ksywa;
}

void setSheetFont(TCanvas& c, int size, TColor color) {
    c.Font.Name = QStringLiteral("Arial");
    c.Font.SetSize(size);
    c.Font.Color = color;
    c.Font.Style = fsBold;
}

} // namespace

TRect SheetPhotoPlace(QSize photo) {
    // A face is never drawn wider or narrower than it is.
    const int frameWidth = kPhotoFrame.Width();
    const int frameHeight = kPhotoFrame.Height();
    if (photo.isEmpty())
        return kPhotoFrame;
    int width = frameWidth;
    int height = frameHeight;
    if (qint64(frameWidth) * photo.height() <= qint64(frameHeight) * photo.width())
        height = std::max(1, MulDiv(frameWidth, photo.height(), photo.width()));
    else
        width = std::max(1, MulDiv(frameHeight, photo.width(), photo.height()));
    const int left = kPhotoFrame.Left + (frameWidth - width) / 2;
    const int top = kPhotoFrame.Top + (frameHeight - height) / 2;
    return TRect(left, top, left + width, top + height);
}

void SetUpSheetPreview(TPrintPreview& pp) {
    pp.SetColor(clBtnShadow);
    TFont ppFont(QStringLiteral("Arial"), 10, fsBold);
    ppFont.SetHeight(-13);
    pp.SetFont(ppFont);
    pp.SetUnits(mmLoMetric);
    pp.SetOrientation(poLandscape);
}

void DrawSheetPage(TCanvas& c, const TSheetContent& content, const QImage& photo,
                   bool notePictures) {
    setSheetFont(c, 20, clBlue);
    c.TextOut(900, 120, kTitle);
    setSheetFont(c, 16, clGreen);
    c.TextOut(250, 250, kImieLabel);
    c.TextOut(900, 250, kNazwiskoLabel);
    c.TextOut(1800, 250, kKsywaLabel);
    c.Font.Color = clBlack;
    c.TextOut(450, 250, content.Imie);
    c.TextOut(1250, 250, content.Nazwisko);
    c.TextOut(2100, 250, ShownKsywa(content.Ksywa));
    // The place comes from the whole photo: the screen's copy is a decimated one.
    if (!photo.isNull())
        c.StretchDraw(SheetPhotoPlace(content.Photo.size()), photo);
    else
        c.Font.SetSize(10);
    c.Font.Color = clGreen;
    c.TextOut(1590, 400, kNotesHeading);
    c.TextOut(1590, 1100, kAddressHeading);
    if (!notePictures)
        return;
    if (!content.Notes.Picture.isNull())
        c.StretchDraw(kNotesBox, content.Notes.Picture);
    if (!content.Address.Picture.isNull())
        c.StretchDraw(kAddressBox, content.Address.Picture);
}

TMetafile RecordSheetPage(TPrintPreview& pp, const TSheetContent& content, const QImage& photo,
                          bool notePictures) {
    TMetafile page;
    page.SetSize(std::max(1, pp.PagePixelSize().width()), std::max(1, pp.PagePixelSize().height()));
    {
        TMetafileCanvas canvas(page);
        canvas.Font = pp.Font();
        pp.PrepareCanvas(canvas);
        DrawSheetPage(canvas, content, photo, notePictures);
        canvas.Finish();
    }
    return page;
}

TSheetPdfPage RecordSheetPdfPage(TPrintPreview& pp, const TSheetContent& content) {
    // The notes' pictures stay on the screen and in the metafile; a document gets their text,
    // which readers can search, copy and read aloud.
    TSheetPdfPage result;
    result.Page = RecordSheetPage(pp, content, content.Photo, false);
    const QSize paper(pp.PaperWidth(), pp.PaperHeight());
    const QSize hiMetric = ConvertUnits(paper, ScreenPixelsPerInch(), pp.Units(), mmHiMetric);
    result.PaperMillimetres = QSizeF(hiMetric) / 100.0;
    result.Title =
        (content.Imie.trimmed() + QLatin1Char(' ') + content.Nazwisko.trimmed()).trimmed();
    return result;
}

void DrawSheetNotesText(QPainter& painter, const TPrintPreview& pp, const TMetafile& page,
                        const TSheetContent& content) {
    const QSize paper(pp.PaperWidth(), pp.PaperHeight());
    // The boxes in the page picture's pixels, where the overlay draws.
    const auto toPicture = [&page, paper](const TRect& r) {
        const double sx = double(page.Width()) / paper.width();
        const double sy = double(page.Height()) / paper.height();
        return QRectF(r.Left * sx, r.Top * sy, r.Width() * sx, r.Height() * sy);
    };
    if (!content.Notes.Picture.isNull())
        DrawMemoText(painter, content.Notes.Text, toPicture(kNotesBox));
    if (!content.Address.Picture.isNull())
        DrawMemoText(painter, content.Address.Text, toPicture(kAddressBox));
}

QString SheetText(const TSheetContent& content) {
    QStringList lines{kTitle, kImieLabel + content.Imie, kNazwiskoLabel + content.Nazwisko,
                      kKsywaLabel + ShownKsywa(content.Ksywa), kNotesHeading};
    if (!content.Notes.Text.Lines.empty())
        lines << content.Notes.Text.PlainText();
    lines << kAddressHeading;
    if (!content.Address.Text.Lines.empty())
        lines << content.Address.Text.PlainText();
    return lines.join(QLatin1Char('\n'));
}

} // namespace movra
