#include "preview/PrintPreview.h"

#include "platform/canvas/PainterCanvas.h"
#include "platform/emf/Metafile.h"
#include "platform/printer/Printer.h"
#include "platform/printer/PrinterJob.h"
#include "preview/Grayscale.h"

#include <QtGui/QPainter>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QScrollBar>

#include <utility>

namespace movra {

QString NoMemoryForPageMessage() {
    return QStringLiteral("Za mało pamięci na tworzenie nowej strony");
}

// A page picture being recorded, with its recording canvas.
struct TPrintPreview::PagePicture {
    std::unique_ptr<TMetafile> Picture;
    std::unique_ptr<TMetafileCanvas> Canvas;
};

namespace {

// The canvas takes the font's name, style and colour and its size in points, keeping its own
// resolution, so that the points keep their physical size under the canvas's mapping.
void AssignFontKeepingResolution(TFont& target, const TFont& source) {
    const int ppi = target.PixelsPerInch;
    const int points = source.Size();
    target = source;
    target.PixelsPerInch = ppi;
    target.SetSize(points);
}

} // namespace

TPrintPreview::TPrintPreview(QWidget* parent)
    : QAbstractScrollArea(parent), m_pages(std::make_unique<TMetafileList>()) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus); // takes keyboard focus (tab stop)
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(true);
    // A scrolling area fills its viewport with the Base role (white), not with the control's
    // colour that surrounds the sheet.
    viewport()->setBackgroundRole(QPalette::Window);
    SetColor(clBtnFace);
    // The wheel acts by the control's own table over its scroll bars too.
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);

    const TPaperSize& a4 = PaperSizeOf(pA4);
    m_paperSize =
        ConvertUnits(QSize(a4.Width, a4.Height), ScreenPixelsPerInch(), a4.Units, m_units);
    UpdatePagePixelSize();

    m_pages->OnChange = [this](TMetafileList*) { PagesChanged(); };
    m_pages->OnCurrentChange = [this](TMetafileList*, int index) { CurrentPageRewritten(index); };
    m_paperViewOptions.OnChange = [this](TPaperPreviewOptions*) { PaperViewOptionsChanged(); };

    m_paperView = new TPaperPreview(viewport());
    m_paperView->hide();
    m_paperView->SetColor(m_color);
    m_paperView->OnPaint = [this](TPaperPreview* sender, TCanvas& canvas, const TRect& r) {
        PaintPage(sender, canvas, r);
    };
    m_paperView->OnClick = [this](QObject*) {
        if (OnClick)
            OnClick(this);
    };
    m_paperView->OnDblClick = [this](QObject*) {
        if (OnDblClick)
            OnDblClick(this);
    };
    m_paperView->OnMouseDown = [this](QObject* s, Qt::MouseButton b, Qt::KeyboardModifiers m,
                                      Qt::MouseButtons bs, int x,
                                      int y) { PaperMouseDown(s, b, m, bs, x, y); };
    m_paperView->OnMouseMove = [this](QObject* s, Qt::MouseButton b, Qt::KeyboardModifiers m,
                                      Qt::MouseButtons bs, int x,
                                      int y) { PaperMouseMove(s, b, m, bs, x, y); };
    m_paperView->OnMouseUp = [this](QObject* s, Qt::MouseButton b, Qt::KeyboardModifiers m,
                                    Qt::MouseButtons bs, int x,
                                    int y) { PaperMouseUp(s, b, m, bs, x, y); };
    m_paperViewOptions.AssignTo(*m_paperView);
}

TPrintPreview::~TPrintPreview() {
    m_destroying = true;
    // No event reaches a half-destroyed control.
    m_pages->OnChange = nullptr;
    m_pages->OnCurrentChange = nullptr;
    m_paperViewOptions.OnChange = nullptr;
    m_paperView->OnPaint = nullptr;
    if (!m_autoFormName.isEmpty())
        DeleteCustomForm(m_autoFormName);
    m_pagePicture.reset();
    m_printerPageCanvas.reset();
    m_job.reset();
}

void TPrintPreview::UpdatePagePixelSize() {
    m_pagePixels = ConvertUnits(m_paperSize, ScreenPixelsPerInch(), m_units, mmPixel);
}

QSize TPrintPreview::PortraitPaperSize() const {
    return m_orientation == poLandscape ? m_paperSize.transposed() : m_paperSize;
}

void TPrintPreview::SetColor(TColor c) {
    m_color = c;
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, ToQColor(c));
    viewport()->setPalette(pal);
    if (m_paperView && m_paperView->ParentColor())
        m_paperView->SetColor(c);
}

// ---- paper ----

void TPrintPreview::SetUnits(TUnits v) {
    if (v == m_units)
        return;
    const TUnits old = m_units;
    const int dpi = ScreenPixelsPerInch();
    if (m_paperType == pCustom) {
        m_paperSize = ConvertUnits(m_paperSize, dpi, old, v);
    } else {
        const TPaperSize& row = PaperSizeOf(m_paperType);
        m_paperSize = ConvertUnits(QSize(row.Width, row.Height), dpi, row.Units, v);
        if (m_orientation == poLandscape)
            m_paperSize.transpose();
    }
    TCanvas* canvas = m_pagePicture ? static_cast<TCanvas*>(m_pagePicture->Canvas.get())
                                    : m_printerPageCanvas.get();
    if (canvas)
        canvas->Pen.Width = ConvertUnits(canvas->Pen.Width, canvas->PixelsPerInchX(), old, v);
    m_units = v;
    if (canvas)
        PrepareCanvas(*canvas);
}

void TPrintPreview::SetPaperType(TPaperType v) {
    if (v == m_paperType || m_state != psIdle || v < 0 || v >= PaperTypeCount)
        return;
    m_paperType = v;
    m_formName.clear();
    if (v == pCustom)
        return;
    const TPaperSize& row = PaperSizeOf(v);
    m_paperSize =
        ConvertUnits(QSize(row.Width, row.Height), ScreenPixelsPerInch(), row.Units, m_units);
    if (m_orientation == poLandscape)
        m_paperSize.transpose();
    UpdatePagePixelSize();
    UpdateZoom();
}

void TPrintPreview::SetPaperSize(int width, int height) {
    auto clampSize = [](int v) { return v > 32767 ? 32767 : (v <= 0 ? 1 : v); };
    width = clampSize(width);
    height = clampSize(height);
    if ((width == m_paperSize.width() && height == m_paperSize.height()) || m_state != psIdle)
        return;
    m_paperSize = QSize(width, height);
    const QSize portrait = PortraitPaperSize();
    m_paperType =
        PaperTypeForSize(portrait.width(), portrait.height(), m_units, ScreenPixelsPerInch());
    m_formName.clear();
    UpdatePagePixelSize();
    UpdateZoom();
}

void TPrintPreview::SetOrientation(TPrinterOrientation v) {
    if (v == m_orientation || m_state != psIdle)
        return;
    m_orientation = v;
    m_paperSize.transpose();
    UpdatePagePixelSize();
    UpdateZoom();
}

// ---- canvases and page pictures ----

void TPrintPreview::PrepareCanvas(TCanvas& canvas) {
    PrepareCanvas(canvas, canvas.PhysicalOffset());
}

void TPrintPreview::PrepareCanvas(TCanvas& canvas, QPoint physicalOffset) {
    const int w = m_paperSize.width();
    const int h = m_paperSize.height();
    const int wpx = ConvertUnits(w, canvas.PixelsPerInchX(), m_units, mmPixel);
    const int hpx = ConvertUnits(h, canvas.PixelsPerInchY(), m_units, mmPixel);
    canvas.SetMapping(QSize(w, h), QSize(wpx, hpx), -physicalOffset);
    // Point sizes keep their physical height: the font counts logical units per inch.
    const int points = canvas.Font.Size();
    if (hpx > 0) {
        const int ppi = MulDiv(canvas.PixelsPerInchY(), h, hpx);
        if (ppi > 0)
            canvas.Font.PixelsPerInch = ppi;
    }
    canvas.Font.SetSize(points);
}

std::unique_ptr<TPrintPreview::PagePicture> TPrintPreview::OpenPagePicture() {
    auto page = std::make_unique<PagePicture>();
    try {
        page->Picture = std::make_unique<TMetafile>();
        page->Picture->SetSize(std::max(1, m_pagePixels.width()),
                               std::max(1, m_pagePixels.height()));
        page->Canvas = std::make_unique<TMetafileCanvas>(*page->Picture);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(NoMemoryForPageMessage());
    } catch (const EMetafileError&) {
        throw EOutOfMemory(NoMemoryForPageMessage());
    }
    page->Canvas->Font = m_font;
    PrepareCanvas(*page->Canvas);
    return page;
}

std::unique_ptr<TMetafile> TPrintPreview::ClosePagePicture(std::unique_ptr<PagePicture> page) {
    if (!page)
        return nullptr;
    try {
        page->Canvas->Finish();
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(NoMemoryForPageMessage());
    } catch (const EMetafileError&) {
        throw EOutOfMemory(NoMemoryForPageMessage());
    }
    page->Canvas.reset();
    if (page->Picture->Empty())
        throw EOutOfMemory(NoMemoryForPageMessage());
    return std::move(page->Picture);
}

void TPrintPreview::StoreOpenPage() {
    std::unique_ptr<TMetafile> picture = ClosePagePicture(std::move(m_pagePicture));
    if (picture)
        m_pages->Add(*picture);
}

TCanvas& TPrintPreview::Canvas() {
    if (m_pagePicture)
        return *m_pagePicture->Canvas;
    if (m_printerPageCanvas)
        return *m_printerPageCanvas;
    if (!m_measuringCanvas)
        m_measuringCanvas = std::make_unique<TPainterCanvas>();
    return *m_measuringCanvas;
}

// ---- recording ----

void TPrintPreview::BeginDoc() {
    if (m_state != psIdle)
        return;
    m_pagePicture.reset();
    m_printerPageCanvas.reset();
    m_aborted = false;
    if (m_directPrint) {
        m_directPrinting = true;
        m_printedCount = 0;
        if (m_usePrinterOptions)
            GetPrinterOptions();
        else
            SetPrinterOptions();
        m_state = psPrinting;
        m_job = std::make_unique<TPrinterJob>(ActivePrinter());
        try {
            m_job->Begin(m_printJobTitle);
        } catch (...) {
            m_job.reset();
            m_directPrinting = false;
            m_state = psIdle;
            throw;
        }
    } else {
        Clear();
        if (m_usePrinterOptions)
            GetPrinterOptions();
        m_state = psRecording;
        m_directPrinting = false;
        UpdatePagePixelSize();
    }
    if (OnBeginDoc)
        OnBeginDoc(this);
    NewPage();
}

void TPrintPreview::NewPage() {
    const bool recording = m_state == psRecording && !m_directPrinting;
    const bool printing = m_state == psPrinting && m_directPrinting;
    if (!recording && !printing)
        return;
    if ((m_pagePicture || m_printerPageCanvas) && OnEndPage)
        OnEndPage(this);
    if (printing) {
        if (m_printerPageCanvas) {
            ++m_printedCount;
            m_job->NewPage();
        } else if (m_job && m_job->Running()) {
            auto canvas = std::make_unique<TPainterCanvas>(&m_job->Painter());
            PrepareCanvas(*canvas, PrinterCaps(m_job->Printer()).PhysicalOffset);
            m_printerPageCanvas = std::move(canvas);
        }
        if (m_printerPageCanvas)
            AssignFontKeepingResolution(m_printerPageCanvas->Font, m_font);
    } else {
        if (m_pagePicture)
            StoreOpenPage();
        m_pagePicture = OpenPagePicture();
    }
    if (OnNewPage)
        OnNewPage(this);
}

void TPrintPreview::EndDoc() {
    const bool recording = m_state == psRecording && !m_directPrinting;
    const bool printing = m_state == psPrinting && m_directPrinting;
    if (!recording && !printing)
        return;
    // Whatever fails on the way, the run ends and the control is idle again.
    auto release = [this] {
        m_pagePicture.reset();
        m_printerPageCanvas.reset();
        if (m_job && m_job->Running())
            m_job->End();
        m_job.reset();
        m_directPrinting = false;
    };
    try {
        if (OnEndPage)
            OnEndPage(this);
        if (printing) {
            if (m_printerPageCanvas)
                ++m_printedCount;
        } else if (m_pagePicture) {
            StoreOpenPage();
        }
        release();
        if (OnEndDoc)
            OnEndDoc(this);
    } catch (...) {
        release();
        m_state = psIdle;
        throw;
    }
    m_state = psIdle;
}

void TPrintPreview::Abort() {
    if (m_aborted)
        return;
    if (m_state == psRecording) {
        m_aborted = true;
        if (OnAbort)
            OnAbort(this);
        if (m_pagePicture) {
            try {
                (void)ClosePagePicture(std::move(m_pagePicture));
            } catch (...) {
                // the page is thrown away either way
            }
            m_pagePicture.reset();
        }
        Clear();
    } else if (m_state == psPrinting) {
        m_aborted = true;
        if (OnAbort)
            OnAbort(this);
        if (m_job && m_job->Running() && !m_job->Aborted())
            m_job->Abort();
    }
}

void TPrintPreview::Clear() {
    m_pages->Clear();
}

int TPrintPreview::PageCount() const {
    return m_directPrinting ? m_printedCount : m_pages->Count();
}

TMetafile* TPrintPreview::Pages(int PageNo) {
    if (PageNo < 1 || PageNo > PageCount() || m_directPrinting)
        return nullptr;
    return &m_pages->Pages(PageNo - 1);
}

bool TPrintPreview::PrinterInstalled() const {
    return ActivePrinterInstalled();
}

// ---- the shown page ----

void TPrintPreview::PagesChanged() {
    if (PageCount() == 0) {
        m_currentPage = 0;
        m_paperView->hide();
        UpdateScrollRanges();
    } else if (m_currentPage == 0) {
        UpdateZoom();
        m_currentPage = 1;
        m_paperView->show();
        UpdateScrollRanges();
    }
    UpdateBackground(m_currentPage);
    UpdateAnnotation(m_currentPage);
    m_paperView->Invalidate();
    UpdatePageAccessibility();
    if (OnChange)
        OnChange(this);
}

void TPrintPreview::CurrentPageRewritten(int index) {
    if (index + 1 == m_currentPage) {
        UpdateBackground(m_currentPage);
        UpdateAnnotation(m_currentPage);
        m_paperView->Invalidate();
        UpdatePageAccessibility();
    }
    if (OnChange)
        OnChange(this);
}

void TPrintPreview::SetCurrentPage(int PageNo) {
    const int count = PageCount();
    if (count == 0)
        return;
    if (PageNo < 1)
        PageNo = 1;
    if (PageNo > count)
        PageNo = count;
    if (PageNo == m_currentPage)
        return;
    m_currentPage = PageNo;
    UpdateBackground(m_currentPage);
    UpdateAnnotation(m_currentPage);
    m_paperView->Invalidate();
    UpdatePageAccessibility();
    if (OnChange)
        OnChange(this);
}

void TPrintPreview::UpdatePageAccessibility() {
    const int count = PageCount();
    if (m_currentPage < 1 || m_currentPage > count) {
        m_paperView->setAccessibleName(QString());
        m_paperView->setAccessibleDescription(QString());
        return;
    }
    m_paperView->setAccessibleName(QStringLiteral("Strona %1 z %2").arg(m_currentPage).arg(count));
    m_paperView->setAccessibleDescription(OnPageText ? OnPageText(this, m_currentPage) : QString());
}

std::unique_ptr<TMetafile> TPrintPreview::DrawOverlay(const TPreviewPageDraw& handler, int PageNo) {
    std::unique_ptr<PagePicture> page = OpenPagePicture();
    try {
        handler(this, PageNo, *page->Canvas);
    } catch (...) {
        try {
            (void)ClosePagePicture(std::move(page));
        } catch (...) {
        }
        throw;
    }
    return ClosePagePicture(std::move(page));
}

void TPrintPreview::UpdateAnnotation(int PageNo) {
    m_annotationPicture.reset();
    if (m_annotation && PageNo > 0 && OnAnnotation)
        m_annotationPicture = DrawOverlay(OnAnnotation, PageNo);
}

void TPrintPreview::UpdateBackground(int PageNo) {
    m_backgroundPicture.reset();
    if (m_background && PageNo > 0 && OnBackground)
        m_backgroundPicture = DrawOverlay(OnBackground, PageNo);
}

void TPrintPreview::SetAnnotation(bool v) {
    if (v == m_annotation)
        return;
    m_annotation = v;
    UpdateAnnotation(m_currentPage);
    m_paperView->Invalidate();
}

void TPrintPreview::SetBackground(bool v) {
    if (v == m_background)
        return;
    m_background = v;
    UpdateBackground(m_currentPage);
    m_paperView->Invalidate();
}

void TPrintPreview::SetGrayscale(TGrayscaleOptions v) {
    if (v == m_grayscale)
        return;
    m_grayscale = v;
    m_paperView->Invalidate();
}

void TPrintPreview::PaintPage(TPaperPreview*, TCanvas& canvas, const TRect& PageRect) {
    if (m_currentPage < 1 || m_currentPage > PageCount() || m_directPrinting)
        return;
    QPainter* painter = canvas.Painter();
    if (!painter)
        return;
    const QRectF target(PageRect.toQRect());
    if (m_backgroundPicture)
        m_backgroundPicture->Play(*painter, target);
    try {
        const TMetafile& page = m_pages->Pages(m_currentPage - 1);
        if (m_grayscale & gsPreview)
            DrawGrayscale(*painter, PageRect, page);
        else
            page.Play(*painter, target);
    } catch (const std::exception&) {
        // A page that cannot be read back shows as blank paper; painting never throws.
    }
    if (m_annotationPicture)
        m_annotationPicture->Play(*painter, target);
}

void TPrintPreview::PaperViewOptionsChanged() {
    m_paperViewOptions.AssignTo(*m_paperView);
    UpdateZoom();
}

} // namespace movra
