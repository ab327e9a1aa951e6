#include "grid/GridPrintLayout.h"

#include "grid/Fajny.h"
#include "grid/GridPrintFormat.h"
#include "grid/StretchBitmap.h"
#include "platform/canvas/PainterCanvas.h"
#include "platform/core/ErrorBox.h"

#include <QtCore/QFileInfo>
#include <QtGui/QImageReader>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace movra {

namespace {

// Lengths and font sizes from the print options are unsigned; beyond these they mean nothing
// on paper and would only overflow the sums below.
constexpr std::uint32_t kMaxLength = 1000000;
constexpr std::uint32_t kMaxFontSize = 1000;
// Room kept free above the footer, in screen pixels.
constexpr int kFooterGap = 20;
// Distance of the right footer item from the right margin (drawn pages only, screen pixels).
constexpr int kRightFooterInset = 10;

int Length(std::uint32_t v) {
    return static_cast<int>(std::min(v, kMaxLength));
}

int FontSize(std::uint32_t v) {
    return static_cast<int>(std::clamp<std::uint32_t>(v, 1, kMaxFontSize));
}

QImage LoadLogo(const QString& path) {
    // Only a real bitmap file will do, whatever its name says.
    QImageReader reader(path, "bmp");
    reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw EMovraError(QStringLiteral("Bitmap image is not valid"));
    return image.convertToFormat(QImage::Format_RGB888);
}

struct Band {
    int First = 0;
    int Last = 0;
};

class LayoutRun {
public:
    LayoutRun(TFajny& grid, const TGridLayoutSetup& setup)
        : m_grid(grid), m_options(grid.PrintOptions()), m_setup(setup),
          m_count(setup.Mode == TGridLayoutMode::Count),
          m_canvas(m_count ? nullptr : setup.Canvas) {}

    int Run();

private:
    // Screen pixels into the mode's units (horizontal / vertical).
    [[nodiscard]] int Cx(int v) const {
        return m_count && m_setup.ScreenPpiX > 0 && m_setup.PrinterDpiX > 0
                   ? MulDiv(v, m_setup.PrinterDpiX, m_setup.ScreenPpiX)
                   : v;
    }
    [[nodiscard]] int Cy(int v) const {
        return m_count && m_setup.ScreenPpiY > 0 && m_setup.PrinterDpiY > 0
                   ? MulDiv(v, m_setup.PrinterDpiY, m_setup.ScreenPpiY)
                   : v;
    }
    [[nodiscard]] bool Drawing() const { return m_drawn && m_canvas != nullptr; }
    [[nodiscard]] std::int64_t BodyLimit() const {
        return static_cast<std::int64_t>(m_h) - (m_marginBottom + m_gap + m_footerHeight);
    }

    void PrepareFonts();
    void PrepareLogo();
    std::vector<Band> ColumnBands() const;
    void StartPage();
    void PageHead();
    void DrawFooter();
    void LayOutRow(int row, bool clipToBody);
    void DrawCell(int col, int row, const TRect& rect);

    TFajny& m_grid;
    const TPrintOptions& m_options;
    const TGridLayoutSetup& m_setup;
    const bool m_count;
    TCanvas* m_canvas;
    TPainterCanvas m_measure; // the screen, where text sizes are taken

    int m_w = 0;
    int m_h = 0;
    int m_marginLeft = 0;
    int m_marginRight = 0;
    int m_marginTop = 0;
    int m_marginBottom = 0;
    int m_titleMargin = 0;
    int m_leftPadding = 0;
    int m_gap = 0;

    TFont m_titleFont;
    TFont m_footerFont;
    int m_titleTextHeight = 0;
    int m_footerHeight = 0;
    QImage m_logo; // at the page's scale; drawn on the drawn page only
    int m_logoHeight = 0;
    bool m_hasLogo = false;

    std::vector<Band> m_bands;
    std::size_t m_band = 0;
    bool m_manyBands = false;
    int m_pageCounter = 0;
    int m_pageInBand = 0;
    bool m_drawn = false;
    std::int64_t m_y = 0;
};

void LayoutRun::PrepareFonts() {
    m_titleFont = m_grid.Font();
    m_titleFont.SetSize(FontSize(m_options.HeaderSize));
    m_titleFont.Color = clBlack;
    m_footerFont = m_grid.Font();
    m_footerFont.SetSize(FontSize(m_options.FooterSize));
    m_footerFont.Color = clBlack;
    m_measure.Font = m_titleFont;
    m_titleTextHeight = Cy(m_measure.TextHeight(m_options.PageTitle));
    m_measure.Font = m_footerFont;
    m_footerHeight = Cy(m_measure.TextHeight(m_options.PageFooter));
}

void LayoutRun::PrepareLogo() {
    const QString& path = m_options.Logo;
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    const QImage loaded = LoadLogo(path);
    const int w = Cx(loaded.width());
    const int h = Cy(loaded.height());
    m_hasLogo = true;
    m_logoHeight = h;
    if (m_count || w <= 0 || h <= 0)
        return; // a counting run needs the logo's height only
    m_logo = QImage(w, h, QImage::Format_RGB888);
    StretchBitmap(loaded, m_logo);
}

std::vector<Band> LayoutRun::ColumnBands() const {
    std::vector<Band> bands;
    const int cols = m_grid.ColCount();
    const std::int64_t right = static_cast<std::int64_t>(m_w) - m_marginRight;
    int first = 0;
    while (first < cols) {
        std::int64_t x = m_marginLeft + static_cast<std::int64_t>(Cx(m_grid.ColWidths(first))) + 1;
        int last = first;
        for (int c = first + 1; c < cols; ++c) {
            const std::int64_t next = x + Cx(m_grid.ColWidths(c)) + 1;
            if (next > right)
                break;
            x = next;
            last = c;
        }
        bands.push_back({first, last});
        first = last + 1;
    }
    return bands;
}

void LayoutRun::StartPage() {
    m_drawn = !m_count && m_pageCounter == m_setup.DrawnPage;
    PageHead();
}

void LayoutRun::PageHead() {
    m_y = m_marginTop;

    int titleHeight = m_titleTextHeight;
    if (m_hasLogo && m_logoHeight > titleHeight)
        titleHeight = m_logoHeight;
    if (Drawing()) {
        TCanvas& cv = *m_canvas;
        if (!m_logo.isNull())
            cv.Draw(m_marginLeft, static_cast<int>(m_y), m_logo);
        if (!m_options.PageTitle.isEmpty()) {
            cv.Font = m_titleFont;
            cv.Brush.Style = TBrushStyle::Clear;
            const int width = cv.TextWidth(m_options.PageTitle);
            cv.TextOut(m_w / 2 - width / 2, static_cast<int>(m_y), m_options.PageTitle);
            cv.Brush.Style = TBrushStyle::Solid;
        }
    }
    m_y += titleHeight;

    if (Drawing())
        DrawFooter();

    m_y += m_titleMargin;
    LayOutRow(0, false);
}

void LayoutRun::DrawFooter() {
    if (m_options.PageFooter.isEmpty())
        return;
    const QString label = PageLabel(m_pageInBand, static_cast<int>(m_band) + 1, m_manyBands);
    const std::array<QString, 3> items =
        FooterItems(m_options.PageFooter, FormatDateTimePicture(m_options.DateFormat, m_setup.Now),
                    FormatDateTimePicture(m_options.TimeFormat, m_setup.Now), label);
    TCanvas& cv = *m_canvas;
    cv.Font = m_footerFont;
    cv.Brush.Style = TBrushStyle::Clear;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const QString& item = items[k];
        if (item.isEmpty())
            continue;
        const QSize size = cv.TextExtent(item);
        const int top = m_h - (size.height() + m_marginBottom);
        int left = m_marginLeft;
        if (k == 1)
            left = m_w / 2 - size.width() / 2;
        else if (k == 2)
            left = m_w - (size.width() + m_marginRight + kRightFooterInset);
        cv.TextOut(left, top, item);
    }
    cv.Brush.Style = TBrushStyle::Solid;
}

void LayoutRun::LayOutRow(int row, bool clipToBody) {
    const int height = Cy(m_grid.RowHeights(row));
    if (Drawing()) {
        TCanvas& cv = *m_canvas;
        if (clipToBody) {
            // A row taller than a page: as much of it as the page holds above the footer.
            const std::int64_t bottom = std::max(m_y, BodyLimit());
            cv.SetClipRect(TRect(0, static_cast<int>(m_y), m_w, static_cast<int>(bottom)));
        }
        const Band& band = m_bands[m_band];
        std::int64_t left = m_marginLeft;
        for (int c = band.First; c <= band.Last; ++c) {
            const int width = m_grid.ColWidths(c);
            if (width > 0) {
                const TRect rect(static_cast<int>(left), static_cast<int>(m_y),
                                 static_cast<int>(left + width), static_cast<int>(m_y + height));
                DrawCell(c, row, rect);
            }
            left += static_cast<std::int64_t>(std::max(width, 0)) + 1;
        }
        if (clipToBody)
            cv.ResetClip();
    }
    m_y += height;
}

void LayoutRun::DrawCell(int col, int row, const TRect& rect) {
    TCanvas& cv = *m_canvas;
    // Every cell starts from the print font and brush, so that what a format handler changes for
    // one cell does not spill into the cells after it.
    TFont font = m_grid.PrintFont();
    TBrush brush = m_grid.PrintBrush();
    TFormatOptions format;
    const bool footer = m_grid.IsFooterRow(row);
    if (footer) {
        font = m_grid.FooterFont();
        brush.Color = m_grid.FooterColor();
        format.BevelStyle = m_grid.FooterBevelStyle();
    } else {
        format.BevelStyle = m_grid.BevelStyle();
    }
    format.SuppressText = false;
    format.Font = &font;
    format.Brush = &brush;
    format.AlignmentHorz = m_grid.AlignmentHorz();
    format.AlignmentVert = m_grid.AlignmentVert();
    switch (format.BevelStyle) {
    case cbRaised:
        format.HighlightColor = clBtnHighlight;
        format.ShadowColor = clBtnShadow;
        break;
    case cbLowered:
        format.HighlightColor = clBtnShadow;
        format.ShadowColor = clBtnHighlight;
        break;
    case cbNone:
        format.HighlightColor = clWindow;
        format.ShadowColor = clWindow;
        break;
    }

    if (row < m_grid.FixedRows())
        brush.Color = m_grid.FixedColor();
    else if (footer)
        brush.Color = m_grid.FooterColor();
    else if (col < m_grid.FixedCols())
        brush.Color = m_grid.FixedColor();
    else
        brush.Color = m_grid.Color();
    if (m_grid.OnGetCellFormat)
        m_grid.OnGetCellFormat(&m_grid, col, row, TGridDrawState{0}, format);

    unsigned horz = dtLeft;
    if (format.AlignmentHorz == taRightJustify)
        horz = dtRight;
    else if (format.AlignmentHorz == taCenter)
        horz = dtCenter;
    unsigned vert = dtTop;
    if (format.AlignmentVert == taBottomJustify)
        vert = dtBottom;
    else if (format.AlignmentVert == taMiddle)
        vert = dtVCenter;

    cv.Font = font;
    cv.Brush = brush;
    const TRect widened(rect.Left, rect.Top, rect.Right + 2, rect.Bottom + 1);
    cv.FillRect(widened);
    if (m_options.BorderStyle == bsSingle) {
        const TBrushStyle style = cv.Brush.Style;
        cv.Brush.Style = TBrushStyle::Clear;
        cv.Rectangle(widened);
        cv.Brush.Style = style;
    }
    if (format.SuppressText)
        return;
    TRect textRect = rect;
    textRect.Left = static_cast<int>(
        std::min<std::int64_t>(static_cast<std::int64_t>(rect.Left) + m_leftPadding, rect.Right));
    const bool singleLine =
        m_grid.WordWrap() && col < m_grid.FixedCols() && row < m_grid.FixedRows();
    const unsigned flags =
        dtNoPrefix | horz | (singleLine ? (dtSingleLine | vert) : unsigned{dtWordBreak});
    cv.DrawText(textRect, m_grid.Cells(col, row), flags);
}

int LayoutRun::Run() {
    m_w = m_setup.Page.width();
    m_h = m_setup.Page.height();
    if (m_w <= 0 || m_h <= 0)
        return 0;
    m_marginLeft = Cx(Length(m_options.MarginLeft));
    m_marginRight = Cx(Length(m_options.MarginRight));
    m_marginTop = Cy(Length(m_options.MarginTop));
    m_marginBottom = Cy(Length(m_options.MarginBottom));
    m_titleMargin = Cy(Length(m_options.PageTitleMargin));
    m_leftPadding = Cx(Length(m_options.Leftpadding));
    m_gap = Cy(kFooterGap);

    if (!m_count && m_canvas != nullptr) {
        m_canvas->Font = m_grid.PrintFont();
        m_canvas->Brush = TBrush{m_grid.Color(), TBrushStyle::Solid};
        m_canvas->Pen = TPen{};
        m_canvas->FillRect(TRect(0, 0, m_w, m_h));
    }
    PrepareLogo();
    PrepareFonts();

    m_bands = ColumnBands();
    m_manyBands = m_bands.size() > 1;
    const int rows = m_grid.RowCount();
    for (m_band = 0; m_band < m_bands.size(); ++m_band) {
        // A preview needs nothing beyond its page.
        if (!m_count && m_pageCounter >= m_setup.DrawnPage)
            break;
        ++m_pageCounter;
        m_pageInBand = 1;
        StartPage();
        bool freshPage = true; // no data row on this page yet
        for (int r = 1; r < rows; ++r) {
            if (m_grid.RowHeights(r) <= 0)
                continue;
            const int height = Cy(m_grid.RowHeights(r));
            bool fits = m_y + height <= BodyLimit();
            if (!fits && !freshPage) {
                if (m_drawn)
                    return m_pageCounter;
                ++m_pageCounter;
                ++m_pageInBand;
                StartPage();
                freshPage = true;
                fits = m_y + height <= BodyLimit();
            }
            // A row that does not fit even on a page of its own is put there all the same,
            // cut at the footer, so that the run always ends.
            LayOutRow(r, !fits);
            freshPage = false;
        }
    }
    return m_pageCounter;
}

} // namespace

int RunGridLayout(TFajny& grid, const TGridLayoutSetup& setup) {
    LayoutRun run(grid, setup);
    return run.Run();
}

} // namespace movra
