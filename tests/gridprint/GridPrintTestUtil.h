#pragma once

#include "grid/Fajny.h"
#include "grid/GridPrint.h"
#include "platform/canvas/PainterCanvas.h"
#include "platform/printer/Printer.h"

#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtGui/QPageLayout>
#include <QtGui/QPageSize>
#include <QtPrintSupport/QPrinter>

#include <memory>
#include <vector>

namespace movra::test {

// One drawing call the layout made.
struct DrawCall {
    enum Kind { Fill, Frame, Text, Cell, Image, Clip, Unclip } kind = Fill;
    TRect rect;         // Fill, Frame, Cell (the text rectangle), Clip
    QPoint at;          // Text, Image
    QString text;       // Text, Cell
    unsigned flags = 0; // Cell
    QSize size;         // Image
    TFont font;         // Text, Cell
    TBrush brush;       // Fill, Cell
    TPen pen;           // Frame
};

// A measuring canvas (text sizes as on the screen, like the layout's own measurements) that
// records what is drawn on it instead of painting.
class RecordingCanvas : public TPainterCanvas {
public:
    std::vector<DrawCall> calls;

    void FillRect(const TRect& r) override {
        DrawCall c;
        c.kind = DrawCall::Fill;
        c.rect = r;
        c.brush = Brush;
        calls.push_back(c);
    }
    void Rectangle(const TRect& r) override {
        DrawCall c;
        c.kind = DrawCall::Frame;
        c.rect = r;
        c.pen = Pen;
        c.brush = Brush;
        calls.push_back(c);
    }
    void TextOut(int x, int y, const QString& text) override {
        DrawCall c;
        c.kind = DrawCall::Text;
        c.at = QPoint(x, y);
        c.text = text;
        c.font = Font;
        calls.push_back(c);
    }
    int DrawText(TRect& r, const QString& text, unsigned flags) override {
        if ((flags & dtCalcRect) == 0) {
            DrawCall c;
            c.kind = DrawCall::Cell;
            c.rect = r;
            c.text = text;
            c.flags = flags;
            c.font = Font;
            c.brush = Brush;
            calls.push_back(c);
        }
        return TPainterCanvas::DrawText(r, text, flags | dtCalcRect);
    }
    void Draw(int x, int y, const QImage& img) override {
        DrawCall c;
        c.kind = DrawCall::Image;
        c.at = QPoint(x, y);
        c.size = img.size();
        calls.push_back(c);
    }
    void SetClipRect(const TRect& r) override {
        DrawCall c;
        c.kind = DrawCall::Clip;
        c.rect = r;
        calls.push_back(c);
    }
    void ResetClip() override {
        DrawCall c;
        c.kind = DrawCall::Unclip;
        calls.push_back(c);
    }

    // The cell texts written, in order.
    [[nodiscard]] QStringList cellTexts() const {
        QStringList out;
        for (const DrawCall& c : calls)
            if (c.kind == DrawCall::Cell)
                out << c.text;
        return out;
    }
    // The first cell call with this text (nullptr if none).
    [[nodiscard]] const DrawCall* cell(const QString& text) const {
        for (const DrawCall& c : calls)
            if (c.kind == DrawCall::Cell && c.text == text)
                return &c;
        return nullptr;
    }
    // The TextOut calls (title and footer), in order.
    [[nodiscard]] std::vector<DrawCall> texts() const {
        std::vector<DrawCall> out;
        for (const DrawCall& c : calls)
            if (c.kind == DrawCall::Text)
                out.push_back(c);
        return out;
    }
    [[nodiscard]] int count(DrawCall::Kind kind) const {
        int n = 0;
        for (const DrawCall& c : calls)
            n += c.kind == kind ? 1 : 0;
        return n;
    }
};

// A PDF printer of a known printable area (no margins): 4 x 5 inches at 1200 dpi, which the
// layout turns into 4 x 5 inches of screen pixels for a preview.
inline std::unique_ptr<QPrinter> MakePdfPrinter(const QString& file, QSizeF inches = QSizeF(4, 5)) {
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setOutputFileName(file);
    p->setFullPage(true);
    p->setPageLayout(
        QPageLayout(QPageSize(inches, QPageSize::Inch, QString(), QPageSize::ExactMatch),
                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    return p;
}

// A grid of cols x rows cells named "r<row>c<col>", one fixed title row, no fixed column, every
// column 60 pixels wide and every row 20 high.
inline void FillGrid(TFajny& g, int cols, int rows) {
    g.SetColCount(cols);
    g.SetRowCount(rows);
    g.SetFixedRows(1);
    g.SetFixedCols(0);
    for (int c = 0; c < cols; ++c) {
        g.SetColWidths(c, 60);
        for (int r = 0; r < rows; ++r)
            g.SetCells(c, r, QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    for (int r = 0; r < rows; ++r)
        g.SetRowHeights(r, 20);
}

// The text height the layout measures for a text in the grid's font at a point size.
inline int MeasuredHeight(const TFajny& g, int points, const QString& text) {
    TPainterCanvas measure;
    measure.Font = g.Font();
    measure.Font.SetSize(points);
    return measure.TextHeight(text);
}

inline QString RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// "Page size: W x H pts" of a PDF.
inline QSizeF PdfPageSize(const QString& pdf) {
    const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    static const QRegularExpression re(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    const auto m = re.match(info);
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

} // namespace movra::test
