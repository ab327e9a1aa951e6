#pragma once

#include "platform/canvas/Canvas.h"
#include "platform/core/ErrorBox.h"
#include "platform/core/Font.h"
#include "platform/core/Geometry.h"
#include "platform/core/PrinterOrientation.h"
#include "preview/MetafileList.h"
#include "preview/PaperPreview.h"
#include "preview/Units.h"

#include <QtCore/QPoint>
#include <QtCore/QSize>
#include <QtWidgets/QAbstractScrollArea>

#include <functional>
#include <memory>

class QPrinter;

namespace movra {

class TPrinterJob;
class TMetafileCanvas;

enum TZoomState { zsZoomOther, zsZoomToWidth, zsZoomToHeight, zsZoomToFit };

// A set of grayscale options: the values are bits.
enum TGrayscaleOption : unsigned { gsPreview = 1u << 0, gsPrint = 1u << 1 };
using TGrayscaleOptions = unsigned;

enum TPreviewState { psIdle, psRecording, psPrinting };

// No memory (or no drawing surface) for a new page.
class EOutOfMemory : public EMovraError {
public:
    using EMovraError::EMovraError;
};

// The message of a page that cannot be made.
[[nodiscard]] QString NoMemoryForPageMessage();

class TPrintPreview;

using TPreviewNotify = std::function<void(TPrintPreview* Sender)>;
using TPreviewPrintProgress =
    std::function<void(TPrintPreview* Sender, int PageNo, int Progress, bool& AbortIt)>;
using TPreviewAutoCustomForm =
    std::function<void(TPrintPreview* Sender, const QString& CustomFormName, int Operation)>;
using TPreviewPageDraw = std::function<void(TPrintPreview* Sender, int PageNo, TCanvas& Canvas)>;
using TPreviewPageText = std::function<QString(TPrintPreview* Sender, int PageNo)>;

// The print preview: pages are recorded as pictures in paper units (BeginDoc, draw on Canvas,
// NewPage, EndDoc) and one of them is shown as a sheet of paper that the user zooms, scrolls,
// drags and pages through; the pages can then be printed. With DirectPrint the same calls draw
// on the printer instead.
//
// The scrolling area's content is the sheet alone: the scroll ranges follow the sheet's bounds
// (its position plus its size plus the margin), and a scroll bar shows exactly when its range
// exceeds the visible area.
class TPrintPreview : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TPrintPreview(QWidget* parent = nullptr);
    ~TPrintPreview() override;

    // Recording.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    void Clear();
    // The open page's canvas; when none is open, the printer's (measuring) canvas.
    [[nodiscard]] TCanvas& Canvas();
    [[nodiscard]] int PageCount() const;
    // Page PageNo (1-based), or nullptr outside 1..PageCount. Valid until the next call.
    [[nodiscard]] TMetafile* Pages(int PageNo);
    [[nodiscard]] int CurrentPage() const { return m_currentPage; }
    void SetCurrentPage(int PageNo);
    [[nodiscard]] bool PrinterInstalled() const;
    [[nodiscard]] TPreviewState State() const { return m_state; }

    // Sets the mapping of a page canvas: one logical unit is one unit of Units, (0, 0) the
    // sheet's corner, and point sizes of the font keep their physical size.
    void PrepareCanvas(TCanvas& canvas);

    // Printing (stored pages).
    void Print();
    void PrintPages(int FirstPage, int LastPage);
    virtual void DoProgress(int PageNo, int Done, int Total);
    void SetPrinterOptions();
    void GetPrinterOptions();
    [[nodiscard]] QString FormName();
    bool AddCustomForm(const QString& name, int width, int height);
    bool DeleteCustomForm(const QString& name);
    void CreateAutoCustomForm();

    // Properties.
    [[nodiscard]] bool Annotation() const { return m_annotation; }
    void SetAnnotation(bool v);
    [[nodiscard]] bool Background() const { return m_background; }
    void SetBackground(bool v);
    [[nodiscard]] bool DirectPrint() const { return m_directPrint; }
    void SetDirectPrint(bool v) { m_directPrint = v; }
    [[nodiscard]] TGrayscaleOptions Grayscale() const { return m_grayscale; }
    void SetGrayscale(TGrayscaleOptions v);
    [[nodiscard]] TUnits Units() const { return m_units; }
    void SetUnits(TUnits v);
    [[nodiscard]] TPrinterOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TPrinterOrientation v);
    [[nodiscard]] TPaperType PaperType() const { return m_paperType; }
    void SetPaperType(TPaperType v);
    [[nodiscard]] TPaperPreviewOptions& PaperView() { return m_paperViewOptions; }
    void SetPaperView(const TPaperPreviewOptions& v) { m_paperViewOptions.Assign(v); }
    [[nodiscard]] int PaperWidth() const { return m_paperSize.width(); }
    void SetPaperWidth(int v) { SetPaperSize(v, m_paperSize.height()); }
    [[nodiscard]] int PaperHeight() const { return m_paperSize.height(); }
    void SetPaperHeight(int v) { SetPaperSize(m_paperSize.width(), v); }
    void SetPaperSize(int width, int height);
    [[nodiscard]] const TFont& Font() const { return m_font; }
    void SetFont(const TFont& f) { m_font = f; }
    [[nodiscard]] const QString& PrintJobTitle() const { return m_printJobTitle; }
    void SetPrintJobTitle(const QString& v) { m_printJobTitle = v; }
    [[nodiscard]] bool UsePrinterOptions() const { return m_usePrinterOptions; }
    void SetUsePrinterOptions(bool v) { m_usePrinterOptions = v; }
    [[nodiscard]] bool UseTempFile() const { return m_pages->UseTempFile(); }
    void SetUseTempFile(bool v) { m_pages->SetUseTempFile(v); }
    [[nodiscard]] TZoomState ZoomState() const { return m_zoomState; }
    void SetZoomState(TZoomState v);
    [[nodiscard]] int Zoom() const { return m_zoom; }
    void SetZoom(int v);
    [[nodiscard]] int ZoomMin() const { return m_zoomMin; }
    void SetZoomMin(int v);
    [[nodiscard]] int ZoomMax() const { return m_zoomMax; }
    void SetZoomMax(int v);
    [[nodiscard]] bool ZoomSavePos() const { return m_zoomSavePos; }
    void SetZoomSavePos(bool v) { m_zoomSavePos = v; }
    [[nodiscard]] int ZoomStep() const { return m_zoomStep; }
    void SetZoomStep(int v) { m_zoomStep = v; }
    // The control's colour (the free corners beside the sheet's shadow follow it).
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor c);

    // Layout.
    void UpdateZoom();
    [[nodiscard]] QSize CalculateViewSize(QSize available);
    [[nodiscard]] QSize PagePixelSize() const { return m_pagePixels; }
    [[nodiscard]] bool CanDragHorizontally() const { return m_canDragH; }
    [[nodiscard]] bool CanDragVertically() const { return m_canDragV; }
    [[nodiscard]] bool Dragging() const { return m_dragging; }
    [[nodiscard]] TPaperPreview* PaperViewControl() const { return m_paperView; }

    // The scrolling area: positions, ranges (content extents), margins, the line step, and the
    // client area (the control less the scroll bars that show).
    [[nodiscard]] int HorzPosition() const;
    void SetHorzPosition(int v);
    [[nodiscard]] int VertPosition() const;
    void SetVertPosition(int v);
    [[nodiscard]] int HorzRange() const { return m_hRange; }
    [[nodiscard]] int VertRange() const { return m_vRange; }
    [[nodiscard]] int HorzMargin() const { return m_hMargin; }
    [[nodiscard]] int VertMargin() const { return m_vMargin; }
    [[nodiscard]] int ScrollIncrement() const { return m_increment; }
    [[nodiscard]] bool HorzBarVisible() const { return m_hBarVisible; }
    [[nodiscard]] bool VertBarVisible() const { return m_vBarVisible; }
    [[nodiscard]] int ClientWidth() const;
    [[nodiscard]] int ClientHeight() const;
    [[nodiscard]] int ScrollBarExtent() const;

    // The page store (for inspection).
    [[nodiscard]] TMetafileList& PageStore() { return *m_pages; }

    // Events.
    TPreviewNotify OnBeginDoc;
    TPreviewNotify OnNewPage;
    TPreviewNotify OnEndPage;
    TPreviewNotify OnEndDoc;
    TPreviewNotify OnAbort;
    TPreviewNotify OnChange;
    TPreviewPrintProgress OnPrintProgress;
    TPreviewNotify OnBeforePrint;
    TPreviewNotify OnAfterPrint;
    TPreviewNotify OnZoomChange;
    TPreviewAutoCustomForm OnAutoCustomForm;
    TPreviewPageDraw OnAnnotation;
    TPreviewPageDraw OnBackground;
    // The texts of page PageNo in reading order. A page is a picture, which a screen reader
    // cannot read: the shown sheet carries its page's texts as its accessible description,
    // under the name "Strona N z M". Asked whenever the shown page or its content changes.
    TPreviewPageText OnPageText;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    virtual void UpdateAnnotation(int PageNo);
    virtual void UpdateBackground(int PageNo);
    virtual void PaintPage(TPaperPreview* Sender, TCanvas& Canvas, const TRect& PageRect);

    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct PagePicture;

    void UpdatePagePixelSize();
    void PrepareCanvas(TCanvas& canvas, QPoint physicalOffset);
    [[nodiscard]] std::unique_ptr<PagePicture> OpenPagePicture();
    [[nodiscard]] std::unique_ptr<TMetafile> ClosePagePicture(std::unique_ptr<PagePicture> page);
    void StoreOpenPage();
    [[nodiscard]] std::unique_ptr<TMetafile> DrawOverlay(const TPreviewPageDraw& handler,
                                                         int PageNo);
    void PagesChanged();
    // The sheet's accessible name and description follow the shown page.
    void UpdatePageAccessibility();
    void CurrentPageRewritten(int index);
    void PaperViewOptionsChanged();
    void FinishPrinting(bool completed);
    void ReleasePrinterCanvas();
    [[nodiscard]] QSize PortraitPaperSize() const;

    // Scrolling.
    void UpdateScrollRanges();
    void PlacePaperView();
    void SetSheetPosition(QPoint p);
    void PaperMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                        Qt::MouseButtons Buttons, int X, int Y);
    void PaperMouseMove(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                        Qt::MouseButtons Buttons, int X, int Y);
    void PaperMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                      Qt::MouseButtons Buttons, int X, int Y);
    [[nodiscard]] QPoint PaperToControl(int x, int y) const;

    std::unique_ptr<TMetafileList> m_pages;
    TPaperPreview* m_paperView = nullptr;
    TPaperPreviewOptions m_paperViewOptions;
    QSize m_paperSize;
    QSize m_pagePixels;
    TPreviewState m_state = psIdle;
    bool m_aborted = false;
    bool m_directPrinting = false;
    int m_printedCount = 0;
    std::unique_ptr<PagePicture> m_pagePicture;   // the page being recorded
    std::unique_ptr<TCanvas> m_printerPageCanvas; // the page canvas of direct printing
    std::unique_ptr<TPrinterJob> m_job;
    std::unique_ptr<TCanvas> m_measuringCanvas;
    std::unique_ptr<TMetafile> m_annotationPicture;
    std::unique_ptr<TMetafile> m_backgroundPicture;
    int m_currentPage = 0;
    bool m_destroying = false;

    bool m_annotation = false;
    bool m_background = false;
    bool m_directPrint = false;
    TGrayscaleOptions m_grayscale = 0;
    TUnits m_units = mmHiMetric;
    TPrinterOrientation m_orientation = poPortrait;
    TPaperType m_paperType = pA4;
    TFont m_font{QStringLiteral("Arial"), 8};
    QString m_printJobTitle;
    bool m_usePrinterOptions = false;
    TZoomState m_zoomState = zsZoomToFit;
    int m_zoom = 40;
    int m_zoomMin = 10;
    int m_zoomMax = 500;
    bool m_zoomSavePos = true;
    int m_zoomStep = 10;
    TColor m_color = clBtnFace;
    QString m_formName;
    QString m_autoFormName;

    bool m_canDragH = false;
    bool m_canDragV = false;
    bool m_dragging = false;
    QPoint m_dragOrigin;
    int m_wheelAccumulator = 0;

    QPoint m_sheetPos; // the sheet's top-left corner in content coordinates (unscrolled)
    int m_hRange = 0;
    int m_vRange = 0;
    int m_hMargin = 0;
    int m_vMargin = 0;
    int m_increment = 8;
    bool m_hBarVisible = false;
    bool m_vBarVisible = false;
    int m_rangeSuspended = 0;
    bool m_placing = false;
};

} // namespace movra
