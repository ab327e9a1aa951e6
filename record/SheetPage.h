#pragma once

#include "platform/emf/Metafile.h"
#include "record/MemoSnapshot.h"

#include <QtCore/QSizeF>
#include <QtCore/QString>
#include <QtGui/QImage>

namespace movra {

class TCanvas;
class TPrintPreview;
struct TRect;

// What one record sheet shows: the names, the whole photo and both notes as pictures with the
// text they show.
struct TSheetContent {
    QString Imie;
    QString Nazwisko;
    QString Ksywa;
    QImage Photo;
    TMemoSnapshot Notes;
    TMemoSnapshot Address;
};

// Where a photo of that size lies on the sheet: inside its frame with its proportions kept,
// centred (tenths of a millimetre).
[[nodiscard]] TRect SheetPhotoPlace(QSize photo);

// Gives a preview the record sheet's paper, units and font, so that pages recorded through it
// are the sheet's pages wherever they are made (the sheet window, the whole album's document).
void SetUpSheetPreview(TPrintPreview& pp);

// The sheet's page onto c: photo is the picture drawn in the photo's place (the whole photo or
// a reduced copy of it; its place comes from the whole one). Without notePictures the notes'
// boxes stay empty, for a document that carries their text instead.
void DrawSheetPage(TCanvas& c, const TSheetContent& content, const QImage& photo,
                   bool notePictures = true);

// The page recorded as pp records its pages: the same size, font and mapping.
[[nodiscard]] TMetafile RecordSheetPage(TPrintPreview& pp, const TSheetContent& content,
                                        const QImage& photo, bool notePictures);

// The sheet's page as a PDF page: what SaveMetafileAsPdf and the album's document need.
struct TSheetPdfPage {
    TMetafile Page;          // recorded without the notes' pictures
    QSizeF PaperMillimetres; // landscape A4
    QString Title;           // the person's name
};
[[nodiscard]] TSheetPdfPage RecordSheetPdfPage(TPrintPreview& pp, const TSheetContent& content);
// Draws the notes as text where their pictures lie, in page's pixels (TPdfOptions::Overlay).
void DrawSheetNotesText(QPainter& painter, const TPrintPreview& pp, const TMetafile& page,
                        const TSheetContent& content);

// The sheet's texts in reading order, for screen readers.
[[nodiscard]] QString SheetText(const TSheetContent& content);

} // namespace movra
