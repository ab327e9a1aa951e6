// Geometry, scrolling and painting of TStringGrid. Everything here walks only the rows and
// columns on screen (from TopRow / LeftCol to the view's edge), never the whole grid, so a list
// of any length scrolls and paints in the same time.

#include "platform/gridbase/StringGrid.h"
#include "platform/gridbase/StringGridImpl.h"

#include "platform/core/ErrorBox.h"

#include <QtCore/QTimer>
#include <QtGui/QPaintEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollBar>

#include <algorithm>
#include <stdexcept>

namespace movra {

// ---- geometry ---------------------------------------------------------------------------

int TStringGrid::Impl::fixedWidth() const {
    int w = 0;
    for (int c = 0; c < fixedCols && w < kBeyondView; ++c)
        w += colExtent(c);
    return w;
}

int TStringGrid::Impl::fixedHeight() const {
    int h = 0;
    for (int r = 0; r < fixedRows && h < kBeyondView; ++r)
        h += rowExtent(r);
    return h;
}

int TStringGrid::Impl::viewWidth() const {
    return q->viewport()->width();
}
int TStringGrid::Impl::viewHeight() const {
    return q->viewport()->height();
}

std::vector<TStringGrid::Impl::Span> TStringGrid::Impl::visibleCols() const {
    std::vector<Span> out;
    const int limit = viewWidth();
    int x = 0;
    for (int c = 0; c < fixedCols && x < limit; ++c) {
        if (colWidth(c) > 0)
            out.push_back({c, x, colWidth(c)});
        x += colExtent(c);
    }
    for (int c = std::max(leftCol, fixedCols); c < colCount && x < limit; ++c) {
        if (colWidth(c) > 0)
            out.push_back({c, x, colWidth(c)});
        x += colExtent(c);
    }
    return out;
}

std::vector<TStringGrid::Impl::Span> TStringGrid::Impl::visibleRows() const {
    std::vector<Span> out;
    const int limit = viewHeight();
    int y = 0;
    for (int r = 0; r < fixedRows && y < limit; ++r) {
        if (rowHeight(r) > 0)
            out.push_back({r, y, rowHeight(r)});
        y += rowExtent(r);
    }
    for (int r = std::max(topRow, fixedRows); r < rowCount && y < limit; ++r) {
        if (rowHeight(r) > 0)
            out.push_back({r, y, rowHeight(r)});
        y += rowExtent(r);
    }
    return out;
}

int TStringGrid::Impl::lastFullyVisibleRow() const {
    const int limit = viewHeight();
    int y = fixedHeight();
    int last = topRow - 1;
    for (int r = std::max(topRow, fixedRows); r < rowCount; ++r) {
        if (y + rowHeight(r) > limit)
            break;
        last = r;
        y += rowExtent(r);
    }
    return last;
}

int TStringGrid::Impl::lastFullyVisibleCol() const {
    const int limit = viewWidth();
    int x = fixedWidth();
    int last = leftCol - 1;
    for (int c = std::max(leftCol, fixedCols); c < colCount; ++c) {
        if (x + colWidth(c) > limit)
            break;
        last = c;
        x += colExtent(c);
    }
    return last;
}

int TStringGrid::Impl::topFor(int last) const {
    const int avail = viewHeight() - fixedHeight();
    int top = last;
    int used = rowHeight(last);
    while (top - 1 >= fixedRows && used + rowExtent(top - 1) <= avail) {
        used += rowExtent(top - 1);
        --top;
    }
    return top;
}

int TStringGrid::Impl::leftFor(int last) const {
    const int avail = viewWidth() - fixedWidth();
    int left = last;
    int used = colWidth(last);
    while (left - 1 >= fixedCols && used + colExtent(left - 1) <= avail) {
        used += colExtent(left - 1);
        --left;
    }
    return left;
}

void TStringGrid::MouseToCell(int x, int y, int& col, int& row) const {
    col = -1;
    row = -1;
    if (x < 0 || y < 0 || x >= d->viewWidth() || y >= d->viewHeight())
        return;
    for (const auto& s : d->visibleCols()) {
        if (x >= s.start && x < s.start + s.size + d->vLine()) {
            col = s.index;
            break;
        }
    }
    for (const auto& s : d->visibleRows()) {
        if (y >= s.start && y < s.start + s.size + d->hLine()) {
            row = s.index;
            break;
        }
    }
}

TRect TStringGrid::CellRect(int col, int row) const {
    if (!d->validCell(col, row) || d->colWidth(col) == 0 || d->rowHeight(row) == 0)
        return {};
    // Walks only from the first shown column / row and gives up at the view's edge, so asking
    // about a cell far away costs no more than asking about one on screen.
    const int width = d->viewWidth();
    int x = 0;
    if (col < d->fixedCols) {
        for (int c = 0; c < col && x < width; ++c)
            x += d->colExtent(c);
    } else {
        if (col < d->leftCol)
            return {};
        x = d->fixedWidth();
        for (int c = d->leftCol; c < col && x < width; ++c)
            x += d->colExtent(c);
    }
    if (x >= width)
        return {};
    const int height = d->viewHeight();
    int y = 0;
    if (row < d->fixedRows) {
        for (int r = 0; r < row && y < height; ++r)
            y += d->rowExtent(r);
    } else {
        if (row < d->topRow)
            return {};
        y = d->fixedHeight();
        for (int r = d->topRow; r < row && y < height; ++r)
            y += d->rowExtent(r);
    }
    if (y >= height)
        return {};
    return TRect(x, y, x + d->colWidth(col), y + d->rowHeight(row));
}

void TStringGrid::InvalidateCell(int col, int row) {
    if (!viewport()->isVisible())
        return; // everything is painted when it shows
    const TRect r = CellRect(col, row);
    if (r.IsEmpty())
        return;
    viewport()->update(QRect(r.Left, r.Top, r.Width() + d->vLine(), r.Height() + d->hLine()));
}

void TStringGrid::InvalidateGrid() {
    viewport()->update();
}

// ---- scrolling --------------------------------------------------------------------------

// The bars count whole rows and columns: the vertical value is TopRow - FixedRows.
void TStringGrid::Impl::updateScrollRanges() {
    maxTop = rowCount > fixedRows ? topFor(rowCount - 1) : firstDataRow();
    maxLeft = colCount > fixedCols ? leftFor(colCount - 1) : firstDataCol();
    const bool vertical = scrollBars == TScrollStyle::Vertical || scrollBars == TScrollStyle::Both;
    const bool horizontal =
        scrollBars == TScrollStyle::Horizontal || scrollBars == TScrollStyle::Both;
    // Setting a policy lays the bars out again even when unchanged: only on a real change.
    const Qt::ScrollBarPolicy vPolicy = vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    const Qt::ScrollBarPolicy hPolicy = horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (q->verticalScrollBarPolicy() != vPolicy)
        q->setVerticalScrollBarPolicy(vPolicy);
    if (q->horizontalScrollBarPolicy() != hPolicy)
        q->setHorizontalScrollBarPolicy(hPolicy);

    syncingBars = true;
    QScrollBar* vb = q->verticalScrollBar();
    vb->setRange(0, std::max(0, maxTop - fixedRows));
    const int vPage = std::max(1, q->VisibleRowCount());
    if (defaultVPage < 0 || vb->pageStep() == defaultVPage)
        vb->setPageStep(vPage);
    defaultVPage = vPage;
    QScrollBar* hb = q->horizontalScrollBar();
    hb->setRange(0, std::max(0, maxLeft - fixedCols));
    const int hPage = std::max(1, q->VisibleColCount());
    if (defaultHPage < 0 || hb->pageStep() == defaultHPage)
        hb->setPageStep(hPage);
    defaultHPage = hPage;
    syncingBars = false;
    syncScrollValues();
}

void TStringGrid::Impl::syncScrollValues() {
    syncingBars = true;
    q->verticalScrollBar()->setValue(topRow - fixedRows);
    q->horizontalScrollBar()->setValue(leftCol - fixedCols);
    syncingBars = false;
}

void TStringGrid::Impl::setTopLeft(int left, int top) {
    // Never further than where the last row / column ends the view: the bars and the grid
    // agree, and no empty space is left below the list.
    left = std::clamp(left, firstDataCol(), std::max(maxLeft, firstDataCol()));
    top = std::clamp(top, firstDataRow(), std::max(maxTop, firstDataRow()));
    if (left == leftCol && top == topRow)
        return;
    leftCol = left;
    topRow = top;
    syncScrollValues();
    updateEditor();
    q->viewport()->update();
    q->TopLeftChanged();
}

void TStringGrid::Impl::scrollIntoView(int col, int row) {
    int top = topRow;
    if (row >= fixedRows && row < rowCount) {
        if (row < topRow)
            top = row;
        else if (row > lastFullyVisibleRow())
            top = std::max(topFor(row), fixedRows);
    }
    int left = leftCol;
    if (col >= fixedCols && col < colCount) {
        if (col < leftCol)
            left = col;
        else if (col > lastFullyVisibleCol())
            left = std::max(leftFor(col), fixedCols);
    }
    setTopLeft(left, top);
}

void TStringGrid::scrollContentsBy(int, int) {
    if (d->syncingBars)
        return;
    d->guarded([this] {
        d->setTopLeft(d->fixedCols + horizontalScrollBar()->value(),
                      d->fixedRows + verticalScrollBar()->value());
    });
}

void TStringGrid::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (viewport()->size() == d->lastViewportSize)
        return;
    d->lastViewportSize = viewport()->size();
    d->guarded([this] {
        d->updateScrollRanges();
        d->setTopLeft(d->leftCol, d->topRow);
        d->updateEditor();
        Resized();
    });
}

// ---- painting ---------------------------------------------------------------------------

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (d->defaultDrawing)
        d->canvas.TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
    if (OnDrawCell)
        OnDrawCell(this, col, row, rect, state);
}

namespace {

// Unbinds the grid's canvas from the painter when painting ends, also by an exception.
class CanvasBinding {
public:
    CanvasBinding(TPainterCanvas& canvas, QPainter* p) : m_canvas(canvas) {
        m_canvas.SetPainter(p);
    }
    ~CanvasBinding() { m_canvas.SetPainter(nullptr); }
    CanvasBinding(const CanvasBinding&) = delete;
    CanvasBinding& operator=(const CanvasBinding&) = delete;

private:
    TPainterCanvas& m_canvas;
};

} // namespace

void TStringGrid::paintEvent(QPaintEvent* e) {
    QString failure;
    try {
        paintCells(e);
    } catch (const std::exception& ex) {
        failure = ErrorText(ex);
    } catch (...) {
        failure = ErrorText(std::runtime_error(""));
    }
    // A box cannot open in the middle of painting; it opens afterwards, once.
    if (!failure.isEmpty() && !d->paintFailed) {
        d->paintFailed = true;
        QTimer::singleShot(
            0, this, [this, failure] { RunCommand(this, [&] { throw EMovraError(failure); }); });
    }
}

void TStringGrid::paintCells(QPaintEvent* e) {
    QPainter painter(viewport());
    CanvasBinding binding(d->canvas, &painter);
    TPainterCanvas& canvas = d->canvas;
    const QRect dirty = e->rect();
    painter.fillRect(dirty, ToQColor(d->color));

    const auto cols = d->visibleCols();
    const auto rows = d->visibleRows();
    const TGridRect sel = Selection();
    const bool focused = d->focusWithin;
    const bool highlightFocused = (d->options & (goDrawFocusSelected | goRowSelect)) != 0;
    const int vl = d->vLine();
    const int hl = d->hLine();
    const QColor fixedLine = palette().color(QPalette::Dark);
    const QColor normalLine = palette().color(QPalette::Mid);

    for (const auto& rs : rows) {
        for (const auto& cs : cols) {
            const int c = cs.index;
            const int r = rs.index;
            const TRect rect(cs.start, rs.start, cs.start + cs.size, rs.start + rs.size);
            const QRect withLines(rect.Left, rect.Top, rect.Width() + vl, rect.Height() + hl);
            if (!withLines.intersects(dirty))
                continue;
            const bool fixed = c < d->fixedCols || r < d->fixedRows;
            TGridDrawState state = 0;
            if (fixed) {
                state |= gdFixed;
            } else {
                if (focused && c == d->current.x() && r == d->current.y())
                    state |= gdFocused;
                if (c >= sel.Left && c <= sel.Right && r >= sel.Top && r <= sel.Bottom)
                    state |= gdSelected;
            }
            canvas.Font = d->font;
            canvas.Brush = TBrush{};
            canvas.Pen = TPen{};
            if (fixed) {
                canvas.Brush.Color = d->fixedColor;
            } else if ((state & gdSelected) != 0 &&
                       ((state & gdFocused) == 0 || highlightFocused)) {
                canvas.Brush.Color = clHighlight;
                canvas.Font.Color = clHighlightText;
            } else {
                canvas.Brush.Color = d->color;
            }
            const QColor background = ToQColor(canvas.Brush.Color);
            canvas.SetClipRect(rect);
            DrawCell(c, r, rect, state);
            canvas.ResetClip();
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

            // The line right of and below the cell; where lines are off, the cell's background.
            const bool vertOn = (d->options & (fixed ? goFixedVertLine : goVertLine)) != 0;
            const bool horzOn = (d->options & (fixed ? goFixedHorzLine : goHorzLine)) != 0;
            const QColor lineColor = fixed ? fixedLine : normalLine;
            if (vl > 0)
                painter.fillRect(QRect(rect.Right, rect.Top, vl, rect.Height() + hl),
                                 vertOn ? lineColor : background);
            if (hl > 0)
                painter.fillRect(
                    QRect(rect.Left, rect.Bottom, rect.Width() + (vertOn ? 0 : vl), hl),
                    horzOn ? lineColor : background);
        }
    }

    // The focus frame: around the current cell, or the selected rows with whole-row selection.
    if (focused && !d->editorMode) {
        QRect frame;
        for (const auto& rs : rows) {
            if (rs.index < sel.Top || rs.index > sel.Bottom)
                continue;
            if ((d->options & goRowSelect) == 0 && rs.index != d->current.y())
                continue;
            for (const auto& cs : cols) {
                const bool inFrame = (d->options & goRowSelect) != 0
                                         ? cs.index >= sel.Left && cs.index <= sel.Right
                                         : cs.index == d->current.x();
                if (inFrame)
                    frame = frame.united(QRect(cs.start, rs.start, cs.size, rs.size));
            }
        }
        if (frame.isValid()) {
            QPen pen(highlightFocused ? ToQColor(clHighlightText) : ToQColor(clWindowText));
            pen.setStyle(Qt::DotLine);
            pen.setWidth(0);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(frame.adjusted(0, 0, -1, -1));
        }
    }

    // Where a column or row is being dragged to.
    if (d->state == TGridState::ColMoving || d->state == TGridState::RowMoving) {
        const bool column = d->state == TGridState::ColMoving;
        int pos = -1;
        if (column) {
            for (const auto& cs : cols)
                if (cs.index == d->moveTo)
                    pos = d->moveTo > d->moveFrom ? cs.start + cs.size : cs.start;
        } else {
            for (const auto& rs : rows)
                if (rs.index == d->moveTo)
                    pos = d->moveTo > d->moveFrom ? rs.start + rs.size : rs.start;
        }
        if (pos >= 0) {
            const QColor mark = palette().color(QPalette::Highlight);
            if (column)
                painter.fillRect(QRect(pos - 1, 0, 3, d->viewHeight()), mark);
            else
                painter.fillRect(QRect(0, pos - 1, d->viewWidth(), 3), mark);
        }
    }
}

} // namespace movra
