#include "GridPrintTestUtil.h"

#include "grid/GridPrintFormat.h"
#include "grid/GridPrintRecording.h"
#include "platform/core/ErrorBox.h"
#include "tests/support/TestDialogs.h"

#include <QtCore/QStandardPaths>
#include <QtTest/QtTest>

using namespace movra;
using namespace movra::test;

namespace {

const QDateTime kNow(QDate(2024, 1, 5), QTime(9, 7));

// The message of the EMovraError fn throws ("" when it throws none).
template <class Fn> QString ErrorOf(Fn fn) {
    try {
        fn();
    } catch (const EMovraError& e) {
        return e.Message();
    }
    return {};
}

// Data rows (row >= 1) of column col drawn on a recorded page.
QList<int> DataRowsOfColumn(const RecordingCanvas& page, int col) {
    QList<int> rows;
    static const QRegularExpression re(QStringLiteral("^r(\\d+)c(\\d+)$"));
    for (const QString& t : page.cellTexts()) {
        const auto m = re.match(t);
        if (m.hasMatch() && m.captured(2).toInt() == col && m.captured(1).toInt() >= 1)
            rows << m.captured(1).toInt();
    }
    return rows;
}

} // namespace

class TestGridPrintLayout : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<TPrinterOverride> m_override;
    QString m_pdf;
    int m_ppi = 96;
    int m_w = 0; // preview page in screen pixels
    int m_h = 0;

    // A recorded preview of page `page`.
    std::unique_ptr<RecordingCanvas> Page(TFajny& g, int page) {
        g.PrintOptions().PreviewPage = static_cast<std::uint32_t>(page);
        auto canvas = std::make_unique<RecordingCanvas>();
        TGridPrinter printer(g);
        printer.Clock = [] { return kNow; };
        printer.DrawPreviewPage(*canvas);
        return canvas;
    }

    static int Count(TFajny& g) {
        TGridPrinter printer(g);
        return printer.CountPrintPages();
    }

    // Options that leave only what a test sets: no title, no footer, no margins.
    static void PlainOptions(TFajny& g) {
        TPrintOptions& o = g.PrintOptions();
        o.PageTitle.clear();
        o.PageFooter.clear();
        o.HeaderSize = 12;
        o.FooterSize = 8;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_ppi = ScreenPixelsPerInch();
        m_w = MulDiv(4800, m_ppi, 1200);
        m_h = MulDiv(6000, m_ppi, 1200);
    }

    void init() {
        m_pdf = m_dir.filePath(QStringLiteral("%1.pdf").arg(QTest::currentTestFunction()));
        QFile::remove(m_pdf);
        m_printer = MakePdfPrinter(m_pdf);
        m_override = std::make_unique<TPrinterOverride>(*m_printer);
    }

    void cleanup() {
        m_override.reset();
        m_printer.reset();
    }

    void previewPageIsThePrintableAreaInScreenPixels() {
        QCOMPARE(m_printer->width(), 4800);
        QCOMPARE(m_printer->height(), 6000);
        TFajny g;
        FillGrid(g, 2, 3);
        g.SetColor(RGBColor(250, 250, 200));
        TGridPrinter printer(g);
        QCOMPARE(printer.PreviewPageSize(), QSize(m_w, m_h));
        QImage image;
        printer.DrawPreviewPage(image);
        QCOMPARE(image.size(), QSize(m_w, m_h));
        QCOMPARE(image.format(), QImage::Format_RGB888);
        QCOMPARE(image.pixelColor(m_w - 1, m_h - 1), QColor(250, 250, 200));

        // Another printer, given directly, makes another page.
        auto landscape = MakePdfPrinter(m_dir.filePath(QStringLiteral("x.pdf")), QSizeF(6, 3));
        printer.SetPrinter(landscape.get());
        QCOMPARE(printer.PreviewPageSize(), QSize(6 * m_ppi, 3 * m_ppi));
    }

    void footerItemsAndTheirPlaces() {
        TFajny g;
        FillGrid(g, 2, 4);
        PlainOptions(g);
        TPrintOptions& o = g.PrintOptions();
        o.PageFooter = QStringLiteral("date|time|page");
        o.MarginBottom = 6;
        o.MarginLeft = 8;
        o.MarginRight = 4;
        const auto page = Page(g, 1);
        const auto texts = page->texts();
        QCOMPARE(texts.size(), std::size_t{3});
        QCOMPARE(texts[0].text, QStringLiteral("5-sty-2024"));
        QCOMPARE(texts[1].text, QStringLiteral("9:07"));
        QCOMPARE(texts[2].text, QStringLiteral("Strona 1"));

        TPainterCanvas measure;
        measure.Font = g.Font();
        measure.Font.SetSize(8);
        QCOMPARE(texts[0].font.Size(), 8);
        QCOMPARE(texts[0].font.Color, clBlack);
        const QSize d = measure.TextExtent(texts[0].text);
        const QSize t = measure.TextExtent(texts[1].text);
        const QSize p = measure.TextExtent(texts[2].text);
        QCOMPARE(texts[0].at, QPoint(8, m_h - (d.height() + 6)));
        QCOMPARE(texts[1].at, QPoint(m_w / 2 - t.width() / 2, m_h - (t.height() + 6)));
        QCOMPARE(texts[2].at, QPoint(m_w - (p.width() + 4 + 10), m_h - (p.height() + 6)));

        o.PageFooter = QStringLiteral("||page");
        QCOMPARE(Page(g, 1)->texts().size(), std::size_t{1});
        QCOMPARE(Page(g, 1)->texts()[0].at.x(), m_w - (p.width() + 4 + 10));
        o.PageFooter = QStringLiteral("page");
        QCOMPARE(Page(g, 1)->texts()[0].at.x(), 8);
        o.PageFooter = QStringLiteral("date|date");
        const auto two = Page(g, 1)->texts();
        QCOMPARE(two.size(), std::size_t{2});
        QCOMPARE(two[0].text, QStringLiteral("5-sty-2024"));
        QCOMPARE(two[1].text, QStringLiteral("5-sty-2024"));
        o.DateFormat = QStringLiteral("dd.mm.yyyy");
        o.PageFooter = QStringLiteral("Dnia date, date");
        QCOMPARE(Page(g, 1)->texts()[0].text, QStringLiteral("Dnia 05.01.2024, date"));
    }

    void titleRowBelowTheTitle() {
        TFajny g;
        FillGrid(g, 2, 4);
        PlainOptions(g);
        TPrintOptions& o = g.PrintOptions();
        o.PageTitle = QStringLiteral("Lista osób");
        o.MarginTop = 10;
        o.PageTitleMargin = 4;
        const auto page = Page(g, 1);
        const auto texts = page->texts();
        QCOMPARE(texts.size(), std::size_t{1});
        TPainterCanvas measure;
        measure.Font = g.Font();
        measure.Font.SetSize(12);
        const QSize title = measure.TextExtent(o.PageTitle);
        QCOMPARE(texts[0].text, o.PageTitle);
        QCOMPARE(texts[0].at, QPoint(m_w / 2 - title.width() / 2, 10));
        QCOMPARE(texts[0].font.Size(), 12);
        const DrawCall* head = page->cell(QStringLiteral("r0c0"));
        QVERIFY(head != nullptr);
        QCOMPARE(head->rect.Top, 10 + title.height() + 4);
        QCOMPARE(page->cell(QStringLiteral("r1c0"))->rect.Top, head->rect.Top + 20);
    }

    void pagesAreCountedBandAfterBand() {
        TFajny g;
        PlainOptions(g);
        TPrintOptions& o = g.PrintOptions();
        o.PageFooter = QStringLiteral("page");
        o.PageTitle = QStringLiteral("Tytuł");
        o.MarginTop = 10;
        o.MarginBottom = 6;
        o.MarginLeft = 4;
        o.MarginRight = 8;
        o.PageTitleMargin = 4;
        // A band holds the columns whose widths plus separating lines fit between the margins;
        // the table is three columns too wide for one page.
        const int perBand = (m_w - 8 - 4) / 61;
        QVERIFY(perBand >= 4);
        const int cols = perBand + 3;
        FillGrid(g, cols, 2);

        // The rows a page holds, by the layout's rule.
        const int titleHeight = MeasuredHeight(g, 12, o.PageTitle);
        const int footerHeight = MeasuredHeight(g, 8, o.PageFooter);
        const int firstRowTop = 10 + titleHeight + 4 + 20;
        // Printer dots round text heights to whole dots; keep clear of a page that is full to
        // the last pixel, where that rounding could decide.
        if ((m_h - (6 + 20 + footerHeight) - firstRowTop) % 20 == 0)
            o.MarginBottom = 8;
        const int perPage =
            (m_h - (static_cast<int>(o.MarginBottom) + 20 + footerHeight) - firstRowTop) / 20;
        QVERIFY(perPage >= 3);
        g.SetRowCount(1 + 3 * perPage);
        FillGrid(g, cols, 1 + 3 * perPage);

        QCOMPARE(Count(g), 6);

        const auto first = Page(g, 1);
        QCOMPARE(DataRowsOfColumn(*first, 0).size(), perPage);
        QCOMPARE(DataRowsOfColumn(*first, perBand - 1).size(), perPage);
        QVERIFY(DataRowsOfColumn(*first, perBand).isEmpty());
        QCOMPARE(first->texts().back().text, QStringLiteral("Strona 1-1"));
        QCOMPARE(first->cell(QStringLiteral("r0c0"))->rect.Top, 10 + titleHeight + 4);

        const auto third = Page(g, 3);
        QCOMPARE(third->texts().back().text, QStringLiteral("Strona 3-1"));
        QCOMPARE(DataRowsOfColumn(*third, 0).back(), 3 * perPage);

        const auto fourth = Page(g, 4);
        QCOMPARE(fourth->texts().back().text, QStringLiteral("Strona 1-2"));
        QVERIFY(DataRowsOfColumn(*fourth, 0).isEmpty());
        QCOMPARE(DataRowsOfColumn(*fourth, perBand).front(), 1);
        // The column-title row heads every page; the second band starts at the left margin.
        const DrawCall* head = fourth->cell(QStringLiteral("r0c%1").arg(perBand));
        QVERIFY(head != nullptr);
        QCOMPARE(head->rect.Left, 4 + 2);

        // The last counted page shows the last rows of the last band; the next one is blank.
        const auto sixth = Page(g, 6);
        QCOMPARE(sixth->texts().back().text, QStringLiteral("Strona 3-2"));
        QCOMPARE(DataRowsOfColumn(*sixth, cols - 1).back(), 3 * perPage);
        const auto seventh = Page(g, 7);
        QCOMPARE(seventh->count(DrawCall::Cell), 0);
        QCOMPARE(seventh->count(DrawCall::Text), 0);
        QCOMPARE(seventh->count(DrawCall::Fill), 1); // the page's background only

        // One row more needs a fourth page in each band.
        g.SetRowCount(2 + 3 * perPage);
        QCOMPARE(Count(g), 8);
        // The grid's own operations lay out the same pages.
        QCOMPARE(g.CountPrintPages(), 8);
        QImage image;
        g.PrintOptions().PreviewPage = 9;
        g.DrawPreviewPage(image);
        QCOMPARE(image.size(), TGridPrinter(g).PreviewPageSize());
    }

    void oneBandPagesHaveNoBandNumber() {
        TFajny g;
        FillGrid(g, 2, 3);
        PlainOptions(g);
        g.PrintOptions().PageFooter = QStringLiteral("||page");
        QCOMPARE(Count(g), 1);
        QCOMPARE(Page(g, 1)->texts()[0].text, QStringLiteral("Strona 1"));
    }

    void aColumnWiderThanThePageIsABandOfItsOwn() {
        TFajny g;
        FillGrid(g, 3, 3);
        PlainOptions(g);
        g.SetColWidths(1, m_w * 2);
        QCOMPARE(Count(g), 3);
        QCOMPARE(DataRowsOfColumn(*Page(g, 2), 1), (QList<int>{1, 2}));
        QVERIFY(DataRowsOfColumn(*Page(g, 2), 2).isEmpty());
    }

    void hiddenRowsAndColumns() {
        TFajny g;
        FillGrid(g, 4, 5);
        PlainOptions(g);
        g.PrintOptions().MarginLeft = 10;
        g.SetColWidths(1, 0);
        g.SetRowHeights(2, 0);
        const auto page = Page(g, 1);
        QVERIFY(page->cell(QStringLiteral("r1c1")) == nullptr);
        QVERIFY(page->cell(QStringLiteral("r2c0")) == nullptr);
        const DrawCall* c0 = page->cell(QStringLiteral("r1c0"));
        const DrawCall* c2 = page->cell(QStringLiteral("r1c2"));
        QVERIFY(c0 && c2);
        // Text rectangles start Leftpadding (2) inside their cells; the hidden column still
        // takes its separating line.
        QCOMPARE(c0->rect.Left, 10 + 2);
        QCOMPARE(c2->rect.Left, 10 + 61 + 1 + 2);
        QCOMPARE(c2->rect.Right, 10 + 61 + 1 + 60);
        // The hidden row takes no space.
        QCOMPARE(page->cell(QStringLiteral("r3c0"))->rect.Top, c0->rect.Top + 20);
    }

    void logoTallerThanTheTitlePushesTheRowsDown() {
        TFajny g;
        FillGrid(g, 2, 4);
        PlainOptions(g);
        TPrintOptions& o = g.PrintOptions();
        o.PageTitle = QStringLiteral("Tytuł");
        o.MarginTop = 6;
        o.MarginLeft = 3;
        const int titleHeight = MeasuredHeight(g, 12, o.PageTitle);
        QVERIFY(titleHeight < 60);

        const QString tall = m_dir.filePath(QStringLiteral("tall.bmp"));
        QImage logo(30, 60, QImage::Format_RGB888);
        logo.fill(QColor(200, 0, 0));
        QVERIFY(logo.save(tall, "BMP"));
        o.Logo = tall;
        auto page = Page(g, 1);
        QCOMPARE(page->count(DrawCall::Image), 1);
        const DrawCall& image =
            *std::find_if(page->calls.begin(), page->calls.end(),
                          [](const DrawCall& c) { return c.kind == DrawCall::Image; });
        QCOMPARE(image.at, QPoint(3, 6));
        QCOMPARE(image.size, QSize(30, 60));
        QCOMPARE(page->cell(QStringLiteral("r0c0"))->rect.Top, 6 + 60);

        const QString small = m_dir.filePath(QStringLiteral("small.bmp"));
        QVERIFY(logo.scaled(8, 5).save(small, "BMP"));
        o.Logo = small;
        QCOMPARE(Page(g, 1)->cell(QStringLiteral("r0c0"))->rect.Top, 6 + titleHeight);

        // A path that does not exist: no logo and no complaint.
        o.Logo = m_dir.filePath(QStringLiteral("missing.bmp"));
        page = Page(g, 1);
        QCOMPARE(page->count(DrawCall::Image), 0);
        QCOMPARE(page->cell(QStringLiteral("r0c0"))->rect.Top, 6 + titleHeight);

        // The logo is drawn into the page picture, resampled to its size.
        o.Logo = tall;
        o.PreviewPage = 1;
        QImage picture;
        TGridPrinter(g).DrawPreviewPage(picture);
        QCOMPARE(picture.pixelColor(3, 6), QColor(200, 0, 0));
        QCOMPARE(picture.pixelColor(3 + 29, 6 + 59), QColor(200, 0, 0));
    }

    void aLogoThatIsNoBitmapEndsTheRun() {
        TFajny g;
        FillGrid(g, 2, 4);
        PlainOptions(g);
        const QString text = m_dir.filePath(QStringLiteral("text.bmp"));
        {
            QFile f(text);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("to nie jest obraz");
        }
        const QString png = m_dir.filePath(QStringLiteral("logo.png"));
        QImage img(10, 10, QImage::Format_RGB888);
        img.fill(Qt::blue);
        QVERIFY(img.save(png, "PNG"));
        for (const QString& path : {text, png}) {
            g.PrintOptions().Logo = path;
            QImage picture;
            QCOMPARE(ErrorOf([&] { TGridPrinter(g).DrawPreviewPage(picture); }),
                     QStringLiteral("Bitmap image is not valid"));
            QCOMPARE(ErrorOf([&] { (void)TGridPrinter(g).CountPrintPages(); }),
                     QStringLiteral("Bitmap image is not valid"));
        }
    }

    void aRowTallerThanAPageGetsAPageOfItsOwn() {
        TFajny g;
        FillGrid(g, 2, 6);
        PlainOptions(g);
        g.SetRowHeights(3, m_h * 3);
        QCOMPARE(Count(g), 3);
        QCOMPARE(DataRowsOfColumn(*Page(g, 1), 0), (QList<int>{1, 2}));
        const auto second = Page(g, 2);
        QCOMPARE(DataRowsOfColumn(*second, 0), (QList<int>{3}));
        // Cut at the room kept for the footer.
        const int footerHeight = MeasuredHeight(g, 8, QString());
        const int rowTop = MeasuredHeight(g, 12, QString()) + 20;
        auto clip = std::find_if(second->calls.begin(), second->calls.end(),
                                 [](const DrawCall& c) { return c.kind == DrawCall::Clip; });
        QVERIFY(clip != second->calls.end());
        QCOMPARE(clip->rect, TRect(0, rowTop, m_w, m_h - (20 + footerHeight)));
        QCOMPARE(second->count(DrawCall::Unclip), 1);
        QCOMPARE(DataRowsOfColumn(*Page(g, 3), 0), (QList<int>{4, 5}));

        // Even a column-title row taller than the page ends: one data row per page.
        g.SetRowHeights(3, 20);
        g.SetRowHeights(0, m_h * 2);
        QCOMPARE(Count(g), 5);
        QCOMPARE(DataRowsOfColumn(*Page(g, 5), 0), (QList<int>{5}));
    }

    // A row that ends exactly where the footer's room begins still belongs to the page.
    void aRowThatExactlyFitsStaysOnThePage() {
        TFajny g;
        FillGrid(g, 2, 4);
        PlainOptions(g);
        const int footerHeight = MeasuredHeight(g, 8, QString());
        const int rowTop = MeasuredHeight(g, 12, QString()) + 20;
        const int room = m_h - (20 + footerHeight) - rowTop;
        QVERIFY(room > 60);
        g.SetRowHeights(1, room - 30);
        g.SetRowHeights(2, 30);
        QCOMPARE(DataRowsOfColumn(*Page(g, 1), 0), (QList<int>{1, 2}));
        QCOMPARE(DataRowsOfColumn(*Page(g, 2), 0), (QList<int>{3}));
        g.SetRowHeights(2, 31);
        QCOMPARE(DataRowsOfColumn(*Page(g, 1), 0), (QList<int>{1}));
    }

    void cellColoursFormatsAndFrames() {
        TFajny g;
        FillGrid(g, 3, 6);
        PlainOptions(g);
        g.SetFixedCols(1);
        g.SetFooterRows(1);
        const TColor normal = RGBColor(255, 255, 240);
        const TColor fixed = RGBColor(200, 200, 200);
        const TColor footer = RGBColor(0, 200, 200);
        g.SetColor(normal);
        g.SetFixedColor(fixed);
        g.SetFooterColor(footer);
        TFont footerFont(QStringLiteral("Courier New"), 9);
        g.SetFooterFont(footerFont);

        struct Seen {
            int col, row;
            TGridDrawState state;
        };
        std::vector<Seen> seen;
        g.OnGetCellFormat = [&](TFajny* sender, int col, int row, TGridDrawState state,
                                TFormatOptions& f) {
            QCOMPARE(sender, &g);
            seen.push_back({col, row, state});
            if (col == 1 && row == 2) {
                f.Font->Color = RGBColor(255, 0, 0);
                f.Font->Style = fsBold;
                f.Brush->Color = RGBColor(0, 0, 255);
            }
            if (col == 2 && row == 3)
                f.SuppressText = true;
        };

        // Counting draws nothing and asks for no formats.
        QCOMPARE(Count(g), 1);
        QVERIFY(seen.empty());

        auto page = Page(g, 1);
        QCOMPARE(static_cast<int>(seen.size()), 3 * 6);
        QVERIFY(std::all_of(seen.begin(), seen.end(), [](const Seen& s) { return s.state == 0; }));
        const auto brushOf = [&](const char* text) {
            return page->cell(QLatin1String(text))->brush.Color;
        };
        QCOMPARE(brushOf("r0c0"), fixed);
        QCOMPARE(brushOf("r0c2"), fixed);
        QCOMPARE(brushOf("r2c0"), fixed);
        QCOMPARE(brushOf("r4c2"), normal);
        QCOMPARE(brushOf("r5c0"), footer);
        QCOMPARE(brushOf("r5c2"), footer);
        QCOMPARE(brushOf("r2c1"), RGBColor(0, 0, 255));
        QCOMPARE(page->cell(QStringLiteral("r5c1"))->font.Name, QStringLiteral("Courier New"));
        QCOMPARE(page->cell(QStringLiteral("r4c1"))->font, g.PrintFont());
        QCOMPARE(page->cell(QStringLiteral("r2c1"))->font.Color, RGBColor(255, 0, 0));
        // What the handler changed for one cell stays with that cell.
        QCOMPARE(page->cell(QStringLiteral("r2c2"))->font, g.PrintFont());
        QCOMPARE(brushOf("r2c2"), normal);
        // A suppressed text: its background but no text.
        QVERIFY(page->cell(QStringLiteral("r3c2")) == nullptr);
        QCOMPARE(page->count(DrawCall::Fill), 1 + 3 * 6);

        // No frames without bsSingle; with it, one per cell around the widened rectangle.
        QCOMPARE(page->count(DrawCall::Frame), 0);
        g.PrintOptions().BorderStyle = bsSingle;
        g.PrintOptions().Leftpadding = 7;
        page = Page(g, 1);
        QCOMPARE(page->count(DrawCall::Frame), 3 * 6);
        const int top = MeasuredHeight(g, 12, QString()) + 20; // row 1, below an empty title
        const DrawCall* cell = page->cell(QStringLiteral("r1c1"));
        QCOMPARE(cell->rect, TRect(61 + 7, top, 61 + 60, top + 20));
        const auto frame =
            std::find_if(page->calls.begin(), page->calls.end(), [top](const DrawCall& c) {
                return c.kind == DrawCall::Frame && c.rect.Top == top && c.rect.Left == 61;
            });
        QVERIFY(frame != page->calls.end());
        QCOMPARE(frame->rect, TRect(61, top, 61 + 60 + 2, top + 21));
        QCOMPARE(frame->brush.Style, TBrushStyle::Clear);
    }

    void alignmentAndWordWrap() {
        TFajny g;
        FillGrid(g, 2, 3);
        PlainOptions(g);
        g.SetFixedCols(1);
        g.SetAlignmentHorz(taCenter);
        g.SetAlignmentVert(taMiddle);
        auto page = Page(g, 1);
        // Every cell wraps from the top while WordWrap is off.
        for (const char* t : {"r0c0", "r0c1", "r1c0", "r1c1"}) {
            const unsigned f = page->cell(QLatin1String(t))->flags;
            QVERIFY2((f & dtWordBreak) && (f & dtCenter) && !(f & dtVCenter) && !(f & dtSingleLine),
                     t);
        }
        g.SetWordWrap(true);
        g.SetAlignmentHorz(taRightJustify);
        g.SetAlignmentVert(taBottomJustify);
        page = Page(g, 1);
        // A cell of a fixed column in a fixed row: one line, both alignments.
        const unsigned corner = page->cell(QStringLiteral("r0c0"))->flags;
        QVERIFY((corner & dtSingleLine) && (corner & dtRight) && (corner & dtBottom) &&
                !(corner & dtWordBreak));
        const unsigned other = page->cell(QStringLiteral("r0c1"))->flags;
        QVERIFY((other & dtWordBreak) && (other & dtRight) && !(other & dtBottom));
    }

    void pagePictureIsPainted() {
        TFajny g;
        FillGrid(g, 2, 40);
        PlainOptions(g);
        g.SetColor(RGBColor(250, 250, 200));
        g.SetFixedColor(RGBColor(0, 0, 255));
        g.PrintOptions().MarginLeft = 5;
        g.PrintOptions().MarginTop = 7;
        const int top = 7 + MeasuredHeight(g, 12, QString());
        QImage picture;
        TGridPrinter printer(g);
        g.PrintOptions().PreviewPage = 1;
        printer.DrawPreviewPage(picture);
        // The column-title cell's background, right of its text, and the widened edge.
        QCOMPARE(picture.pixelColor(5 + 58, top + 18), QColor(0, 0, 255));
        QCOMPARE(picture.pixelColor(5 + 61 + 61, top + 10), QColor(0, 0, 255));
        QCOMPARE(picture.pixelColor(5 + 61 + 62, top + 10), QColor(250, 250, 200));
        QCOMPARE(picture.pixelColor(5 + 58, top + 25), QColor(250, 250, 200));
        // Some text was written in the first data cell.
        bool ink = false;
        for (int y = top + 20; y < top + 40; ++y)
            for (int x = 5; x < 5 + 60; ++x)
                ink = ink || picture.pixelColor(x, y) != QColor(250, 250, 200);
        QVERIFY(ink);

        // A page beyond the last stays blank.
        g.PrintOptions().PreviewPage = static_cast<std::uint32_t>(printer.CountPrintPages() + 1);
        printer.DrawPreviewPage(picture);
        QCOMPARE(picture.size(), QSize(m_w, m_h));
        for (int y = 0; y < picture.height(); y += 3)
            for (int x = 0; x < picture.width(); x += 3)
                QCOMPARE(picture.pixelColor(x, y), QColor(250, 250, 200));
    }

    void printedPageReachesThePdf() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdfinfo / pdftotext (poppler-utils) are not installed");
        TFajny g;
        FillGrid(g, 3, 8);
        PlainOptions(g);
        TPrintOptions& o = g.PrintOptions();
        o.PageTitle = QStringLiteral("Lista osób");
        o.PageFooter = QStringLiteral("||page");
        o.JobTitle = QStringLiteral("Zestawienie");
        o.Copies = 2;
        g.SetCells(1, 3, QStringLiteral("Żółć"));
        QImage picture;
        TRecordedPage vectors;
        TGridPrinter printer(g);
        printer.DrawPreviewPage(picture, &vectors);
        printer.PrintPreviewPage(picture, &vectors);
        QVERIFY(QFile::exists(m_pdf));
        QCOMPARE(o.ToRow, 7u);
        QCOMPARE(m_printer->copyCount(), 2);
        const QSizeF size = PdfPageSize(m_pdf);
        QVERIFY2(std::abs(size.width() - 288) < 1 && std::abs(size.height() - 360) < 1,
                 qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
        const QString info = RunTool(QStringLiteral("pdfinfo"), {m_pdf});
        QVERIFY2(info.contains(QStringLiteral("Zestawienie")), qPrintable(info));
        const QString text = RunTool(QStringLiteral("pdftotext"), {m_pdf, QStringLiteral("-")});
        for (const QString& want :
             {QStringLiteral("Lista osób"), QStringLiteral("r0c2"), QStringLiteral("r7c0"),
              QStringLiteral("Żółć"), QStringLiteral("Strona 1")})
            QVERIFY2(text.contains(want), qPrintable(want + QStringLiteral(" in: ") + text));

        // Landscape: the same picture over the turned page.
        QFile::remove(m_pdf);
        o.Orientation = poLandscape;
        printer.PrintPreviewPage(picture, &vectors);
        const QSizeF turned = PdfPageSize(m_pdf);
        QVERIFY2(std::abs(turned.width() - 360) < 1 && std::abs(turned.height() - 288) < 1,
                 qPrintable(QStringLiteral("%1 x %2").arg(turned.width()).arg(turned.height())));

        // Without the recorded drawing the picture itself is printed.
        QFile::remove(m_pdf);
        o.Orientation = poPortrait;
        printer.PrintPreviewPage(picture, nullptr);
        QVERIFY(QFile::exists(m_pdf));
        QVERIFY(PdfPageSize(m_pdf).isValid());
    }

    void withoutAPrinterNothingIsPrinted() {
        TFajny g;
        FillGrid(g, 2, 4);
        PlainOptions(g);
        g.SetRowHeights(2, 0);
        QImage picture;
        TGridPrinter printer(g);
        printer.DrawPreviewPage(picture);
        printer.PrinterAvailable = [] { return false; };
        TestDialogsScope dialogs;
        dialogs->expectBox(MsgResult::Ok, QStringLiteral("Drukarka nie jest podłączona!"));
        printer.PrintPreviewPage(picture);
        QCOMPARE(dialogs->last().msgKind, MsgKind::Error);
        QCOMPARE(dialogs->last().buttons, MsgButtons::Ok);
        QVERIFY(!QFile::exists(m_pdf));
        QCOMPARE(g.PrintOptions().ToRow, 0u);
        // Hidden rows were fitted to their texts first.
        QVERIFY(g.RowHeights(2) > 0);

        // With a printer (here the PDF override) it prints.
        printer.PrinterAvailable = nullptr;
        printer.PrintPreviewPage(picture);
        QVERIFY(QFile::exists(m_pdf));
        QCOMPARE(g.PrintOptions().ToRow, 3u);
    }
};

QTEST_MAIN(TestGridPrintLayout)
#include "tst_gridprint_layout.moc"
