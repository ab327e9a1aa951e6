#pragma once

#include "platform/emf/Metafile.h"
#include "record/MemoSnapshot.h"
#include "record/SheetPage.h"

#include <QtGui/QImage>
#include <QtWidgets/QDialog>

#include <optional>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace movra {

class TCanvas;
class TForm2;
class TMemoSnapshotWindow;
class TPrintPreview;

// The record sheet "Podgląd i wydruk strony": the person shown in the record window laid out on
// one landscape A4 page (title, names, photo, both notes), which the user zooms, prints or saves
// as an enhanced-metafile picture.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // The pictures of the notes and address memos (Image11, Image22), with the lines of text
    // they show (for the PDF document and screen readers).
    void SetMemos(const TMemoSnapshot& notes, const TMemoSnapshot& address);

    // Lays the record window's record out on the sheet (one page in PP1). The drawing is ended
    // also when a step fails; the error then reaches the caller.
    void BuildSheet(const TForm2& record);

    // The handlers of the panel's controls.
    void ZoomListClick(int index);
    // Enter in the zoom list: its text, a whole number with or without "%", becomes the zoom.
    // True when consumed.
    bool ZoomListKeyPress(int key);
    void btnPrintClick();
    void btnZapisClick();
    void btnCloseClick();

    [[nodiscard]] TPrintPreview* PP1() const { return m_pp1; }
    [[nodiscard]] QComboBox* ZoomList() const { return m_zoomList; }
    [[nodiscard]] QPushButton* PrintButton() const { return m_btnPrint; }
    [[nodiscard]] QPushButton* SaveButton() const { return m_btnZapis; }
    [[nodiscard]] QPushButton* CloseButton() const { return m_btnClose; }
    [[nodiscard]] const QImage& Image11() const { return m_content.Notes.Picture; }
    [[nodiscard]] const QImage& Image22() const { return m_content.Address.Picture; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    TPrintPreview* m_pp1 = nullptr;
    QFrame* m_panel1 = nullptr;
    QPushButton* m_btnPrint = nullptr;
    QLabel* m_lblPage = nullptr;
    QComboBox* m_zoomList = nullptr;
    bool m_listChoice = false; // the user is choosing an item of the zoom list right now
    QPushButton* m_btnZapis = nullptr;
    QPushButton* m_btnClose = nullptr;
    // The page as BuildSheet draws it, recorded apart from the preview.
    [[nodiscard]] TMetafile RecordPage(const QImage& photo, bool notePictures) const;
    // The page as BuildSheet draws it but with the photo at full quality, for saving and
    // printing; nothing when the shown page already has it.
    [[nodiscard]] std::optional<TMetafile> FullQualityPage() const;
    // The sheet as a PDF document: the whole photo, the notes as text, the person's name as
    // the title.
    void SavePdf(const QString& path) const;
    // Puts the full page in place of the shown one; false (the shown page kept) on failure.
    bool ShowWholePhoto();

    // What the sheet shows, kept so that the page can be drawn again with the whole photo.
    TSheetContent m_content;
    bool m_photoReduced = false;
};

// The record sheet command: pictures of the record window's two memos, the printer turned to
// landscape, and a fresh sheet window shown modally through the dialog seam.
void ShowRecordSheet(QWidget* parent, const TForm2& record, TMemoSnapshotWindow& notesWindow,
                     TMemoSnapshotWindow& addressWindow);

} // namespace movra
