#include "platform/gridbase/StringGrid.h"

#include "platform/gridbase/StringGridAccessible.h"
#include "platform/gridbase/StringGridImpl.h"

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollBar>

#include <algorithm>

namespace movra {

TStringGrid::Impl::Impl(TStringGrid* grid) : q(grid) {
    colWidths.assign(static_cast<std::size_t>(colCount), defaultColWidth);
    rowHeights.assign(static_cast<std::size_t>(rowCount), defaultRowHeight);
    font.assignQFont(QApplication::font());
    font.Color = clWindowText;
}

TStringGrid::TStringGrid(QWidget* parent)
    : QAbstractScrollArea(parent), d(std::make_unique<Impl>(this)) {
    InstallStringGridAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setTracking(false);
    horizontalScrollBar()->setTracking(false);
    d->autoScroll = new QTimer(this);
    d->autoScroll->setInterval(60);
    connect(d->autoScroll, &QTimer::timeout, this,
            [this] { d->guarded([this] { d->autoScrollStep(); }); });
    d->updateScrollRanges();
}

TStringGrid::~TStringGrid() {
    if (d->accessible != nullptr)
        d->accessible->Detach();
    // The editor goes first, while the state its event filter reads still exists.
    delete d->editor;
    d->editor = nullptr;
}

// ---- cells ------------------------------------------------------------------------------

QString TStringGrid::Cells(int col, int row) const {
    if (!d->validCell(col, row))
        return {};
    return d->cells.Text(col, row);
}

void TStringGrid::ReadCell(int col, int row, QString& text) const {
    if (!d->validCell(col, row))
        text.resize(0);
    else
        d->cells.TextInto(col, row, text);
}

bool TStringGrid::CellEquals(int col, int row, QStringView text) const {
    return d->validCell(col, row) && d->cells.TextEquals(col, row, text);
}

std::optional<std::string_view> TStringGrid::CellBytesCp1250(int col, int row) const {
    if (!d->validCell(col, row))
        return std::nullopt;
    return d->cells.BytesCp1250(col, row);
}

void TStringGrid::SetCells(int col, int row, const QString& text) {
    if (!d->validCell(col, row))
        return;
    if (d->cells.TextEquals(col, row, text))
        return;
    d->cells.SetText(col, row, text);
    InvalidateCell(col, row);
}

void* TStringGrid::Objects(int col, int row) const {
    if (!d->validCell(col, row) || d->objects.empty())
        return nullptr;
    return d->objects[static_cast<std::size_t>(d->index(col, row))];
}

void TStringGrid::SetObjects(int col, int row, void* object) {
    if (!d->validCell(col, row))
        return;
    if (d->objects.empty()) {
        if (object == nullptr)
            return;
        d->objects.assign(d->cellCount(), nullptr);
    }
    d->objects[static_cast<std::size_t>(d->index(col, row))] = object;
}

bool TStringGrid::PermuteRows(int first, const std::vector<int>& sources) {
    const auto n = static_cast<int>(sources.size());
    if (first < 0 || n > d->rowCount - first)
        return false;
    std::vector<char> seen(sources.size(), 0);
    bool moves = false;
    for (int i = 0; i < n; ++i) {
        const int from = sources[static_cast<std::size_t>(i)] - first;
        if (from < 0 || from >= n || seen[static_cast<std::size_t>(from)])
            return false;
        seen[static_cast<std::size_t>(from)] = 1;
        moves = moves || from != i;
    }
    if (!moves)
        return true;
    // A row's texts are one block: moving the blocks moves the rows.
    d->cells.PermuteRows(first, sources);
    const auto cols = static_cast<std::size_t>(d->colCount);
    const auto base = static_cast<std::size_t>(d->index(0, first));
    std::vector<void*> movedObjects(d->objects.empty() ? 0 : static_cast<std::size_t>(n) * cols);
    for (std::size_t i = 0; i < static_cast<std::size_t>(n) && !movedObjects.empty(); ++i) {
        const std::size_t from = base + static_cast<std::size_t>(sources[i] - first) * cols;
        std::copy_n(d->objects.begin() + static_cast<std::ptrdiff_t>(from), cols,
                    movedObjects.begin() + static_cast<std::ptrdiff_t>(i * cols));
    }
    std::copy(movedObjects.begin(), movedObjects.end(),
              d->objects.begin() + static_cast<std::ptrdiff_t>(base));
    InvalidateGrid();
    return true;
}

QStringList TStringGrid::Rows(int row) const {
    QStringList out;
    if (row < 0 || row >= d->rowCount)
        return out;
    out.reserve(d->colCount);
    for (int c = 0; c < d->colCount; ++c)
        out.append(d->cells.Text(c, row));
    return out;
}

QStringList TStringGrid::Cols(int col) const {
    QStringList out;
    if (col < 0 || col >= d->colCount)
        return out;
    out.reserve(d->rowCount);
    for (int r = 0; r < d->rowCount; ++r)
        out.append(d->cells.Text(col, r));
    return out;
}

void TStringGrid::SetRows(int row, const QStringList& texts) {
    if (row < 0 || row >= d->rowCount)
        return;
    std::vector<QStringView> views(texts.begin(), texts.end());
    d->cells.SetRow(row, views);
    for (int c = 0; c < d->colCount && !d->objects.empty(); ++c)
        d->objects[static_cast<std::size_t>(d->index(c, row))] = nullptr;
    for (int c = 0; c < d->colCount; ++c)
        InvalidateCell(c, row);
}

void TStringGrid::SetRowCp1250(int row, std::span<const std::string_view> bytes) {
    if (row < 0 || row >= d->rowCount)
        return;
    d->cells.SetRowCp1250(row, bytes);
    for (int c = 0; c < d->colCount && !d->objects.empty(); ++c)
        d->objects[static_cast<std::size_t>(d->index(c, row))] = nullptr;
}

void TStringGrid::SetNumberedColumn(int col) {
    d->cells.SetNumberedColumn(col, d->fixedRows);
    InvalidateGrid();
}

void TStringGrid::ReleaseUnusedCellMemory() {
    d->cells.ReleaseUnused();
}

std::size_t TStringGrid::CellMemoryBytes() const {
    return d->cells.MemoryBytes();
}

void TStringGrid::SetCols(int col, const QStringList& texts) {
    if (col < 0 || col >= d->colCount)
        return;
    for (int r = 0; r < d->rowCount; ++r) {
        const auto i = static_cast<std::size_t>(d->index(col, r));
        const QStringView text = r < texts.size() ? QStringView(texts[r]) : QStringView();
        if (!d->cells.TextEquals(col, r, text))
            d->cells.SetText(col, r, text);
        if (!d->objects.empty())
            d->objects[i] = nullptr;
    }
    viewport()->update();
}

// Equality ignoring case is Unicode case folding (QString::compare with Qt::CaseInsensitive),
// so Polish letters match their capitals too.
int TStringGrid::IndexOfInRow(int row, const QString& text) const {
    if (row < 0 || row >= d->rowCount)
        return -1;
    for (int c = 0; c < d->colCount; ++c) {
        if (QString::compare(d->cells.Text(c, row), text, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

int TStringGrid::IndexOfInCol(int col, const QString& text) const {
    if (col < 0 || col >= d->colCount)
        return -1;
    for (int r = 0; r < d->rowCount; ++r) {
        if (QString::compare(d->cells.Text(col, r), text, Qt::CaseInsensitive) == 0)
            return r;
    }
    return -1;
}

// ---- dimensions -------------------------------------------------------------------------

void TStringGrid::Impl::relayout(int newCols, int newRows) {
    cells.Resize(newCols, newRows);
    if (newCols == colCount) {
        if (!objects.empty())
            objects.resize(static_cast<std::size_t>(newCols) * static_cast<std::size_t>(newRows),
                           nullptr);
    } else if (!objects.empty()) {
        std::vector<void*> nextObjects(
            static_cast<std::size_t>(newCols) * static_cast<std::size_t>(newRows), nullptr);
        const int keepCols = std::min(colCount, newCols);
        const int keepRows = std::min(rowCount, newRows);
        for (int r = 0; r < keepRows; ++r) {
            for (int c = 0; c < keepCols; ++c) {
                const auto from = static_cast<std::size_t>(index(c, r));
                const auto to = static_cast<std::size_t>(r) * static_cast<std::size_t>(newCols) +
                                static_cast<std::size_t>(c);
                nextObjects[to] = objects[from];
            }
        }
        objects = std::move(nextObjects);
    }
    colWidths.resize(static_cast<std::size_t>(newCols), defaultColWidth);
    rowHeights.resize(static_cast<std::size_t>(newRows), defaultRowHeight);
    colCount = newCols;
    rowCount = newRows;
}

void TStringGrid::Impl::clampPositions() {
    fixedCols = std::clamp(fixedCols, 0, colCount);
    fixedRows = std::clamp(fixedRows, 0, rowCount);
    auto clampCol = [this](int c) { return std::clamp(c, firstDataCol(), colCount - 1); };
    auto clampRow = [this](int r) { return std::clamp(r, firstDataRow(), rowCount - 1); };
    current = QPoint(clampCol(current.x()), clampRow(current.y()));
    anchor = QPoint(clampCol(anchor.x()), clampRow(anchor.y()));
    if ((options & goRangeSelect) == 0)
        anchor = current;
    leftCol = clampCol(leftCol);
    topRow = clampRow(topRow);
}

// After rows or columns come, go or move: positions, scroll bars, editor, screen, assistive
// technology.
void TStringGrid::Impl::structureChanged(bool cellsMoved) {
    clampPositions();
    updateScrollRanges();
    setTopLeft(leftCol, topRow);
    syncScrollValues();
    updateEditor();
    q->viewport()->update();
    if (cellsMoved && accessible != nullptr)
        accessible->ModelReset();
}

int TStringGrid::ColCount() const {
    return d->colCount;
}

void TStringGrid::SetColCount(int n) {
    n = std::max(1, n);
    if (n == d->colCount)
        return;
    const int oldCols = d->colCount;
    const int oldRows = d->rowCount;
    d->hideEditor();
    d->relayout(n, d->rowCount);
    d->structureChanged();
    SizeChanged(oldCols, oldRows);
}

int TStringGrid::RowCount() const {
    return d->rowCount;
}

void TStringGrid::SetRowCount(int n) {
    n = std::max(1, n);
    if (n == d->rowCount)
        return;
    const int oldCols = d->colCount;
    const int oldRows = d->rowCount;
    const bool hadData = d->rowCount > d->fixedRows;
    d->hideEditor();
    d->relayout(d->colCount, n);
    if (!hadData && d->rowCount > d->fixedRows) {
        // Data rows are back after a list of titles only: the current cell leaves the titles.
        d->current.setY(d->fixedRows);
        d->anchor.setY(d->fixedRows);
        d->topRow = d->fixedRows;
    }
    d->structureChanged();
    SizeChanged(oldCols, oldRows);
}

int TStringGrid::FixedCols() const {
    return d->fixedCols;
}

void TStringGrid::SetFixedCols(int n) {
    n = std::clamp(n, 0, d->colCount);
    if (n == d->fixedCols)
        return;
    d->hideEditor();
    d->fixedCols = n;
    d->leftCol = d->firstDataCol();
    d->current.setX(std::max(d->current.x(), d->firstDataCol()));
    d->anchor.setX(std::max(d->anchor.x(), d->firstDataCol()));
    d->structureChanged();
}

int TStringGrid::FixedRows() const {
    return d->fixedRows;
}

void TStringGrid::SetFixedRows(int n) {
    n = std::clamp(n, 0, d->rowCount);
    if (n == d->fixedRows)
        return;
    d->hideEditor();
    d->fixedRows = n;
    d->cells.SetNumberedColumn(d->cells.NumberedColumn(), n);
    d->topRow = d->firstDataRow();
    d->current.setY(std::max(d->current.y(), d->firstDataRow()));
    d->anchor.setY(std::max(d->anchor.y(), d->firstDataRow()));
    d->structureChanged();
}

int TStringGrid::DefaultColWidth() const {
    return d->defaultColWidth;
}

void TStringGrid::SetDefaultColWidth(int w) {
    w = std::clamp(w, 0, kMaxGridCellSize);
    d->defaultColWidth = w;
    std::fill(d->colWidths.begin(), d->colWidths.end(), w);
    ColWidthsChanged();
}

int TStringGrid::DefaultRowHeight() const {
    return d->defaultRowHeight;
}

void TStringGrid::SetDefaultRowHeight(int h) {
    h = std::clamp(h, 0, kMaxGridCellSize);
    d->defaultRowHeight = h;
    std::fill(d->rowHeights.begin(), d->rowHeights.end(), h);
    RowHeightsChanged();
}

int TStringGrid::ColWidths(int col) const {
    if (col < 0 || col >= d->colCount)
        return 0;
    return d->colWidth(col);
}

void TStringGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= d->colCount)
        return;
    width = std::clamp(width, 0, kMaxGridCellSize);
    if (d->colWidths[static_cast<std::size_t>(col)] == width)
        return;
    d->colWidths[static_cast<std::size_t>(col)] = width;
    ColWidthsChanged();
}

int TStringGrid::RowHeights(int row) const {
    if (row < 0 || row >= d->rowCount)
        return 0;
    return d->rowHeight(row);
}

void TStringGrid::SetRowHeights(int row, int height) {
    if (row < 0 || row >= d->rowCount)
        return;
    height = std::clamp(height, 0, kMaxGridCellSize);
    if (d->rowHeights[static_cast<std::size_t>(row)] == height)
        return;
    d->rowHeights[static_cast<std::size_t>(row)] = height;
    RowHeightsChanged();
}

int TStringGrid::GridLineWidth() const {
    return d->gridLineWidth;
}

void TStringGrid::SetGridLineWidth(int w) {
    w = std::clamp(w, 0, kMaxGridCellSize);
    if (w == d->gridLineWidth)
        return;
    d->gridLineWidth = w;
    d->structureChanged(false);
}

// ---- look and behaviour -----------------------------------------------------------------

TGridOptions TStringGrid::Options() const {
    return d->options;
}

void TStringGrid::SetOptions(TGridOptions o) {
    if (o == d->options)
        return;
    const TGridOptions old = d->options;
    d->options = o;
    if ((o & goRangeSelect) == 0)
        d->anchor = d->current;
    const bool tracking = (o & goThumbTracking) != 0;
    verticalScrollBar()->setTracking(tracking);
    horizontalScrollBar()->setTracking(tracking);
    if (!d->canShowEditor())
        d->hideEditor();
    else if ((o & goAlwaysShowEditor) != 0 && (old & goAlwaysShowEditor) == 0 && d->focusWithin)
        d->showEditor();
    d->structureChanged(false);
}

TScrollStyle TStringGrid::ScrollBars() const {
    return d->scrollBars;
}

void TStringGrid::SetScrollBars(TScrollStyle s) {
    if (s == d->scrollBars)
        return;
    d->scrollBars = s;
    d->updateScrollRanges();
}

bool TStringGrid::DefaultDrawing() const {
    return d->defaultDrawing;
}

void TStringGrid::SetDefaultDrawing(bool on) {
    if (on == d->defaultDrawing)
        return;
    d->defaultDrawing = on;
    viewport()->update();
}

TColor TStringGrid::FixedColor() const {
    return d->fixedColor;
}

void TStringGrid::SetFixedColor(TColor c) {
    if (c == d->fixedColor)
        return;
    d->fixedColor = c;
    viewport()->update();
}

TColor TStringGrid::Color() const {
    return d->color;
}

void TStringGrid::SetColor(TColor c) {
    if (c == d->color)
        return;
    d->color = c;
    viewport()->update();
}

const TFont& TStringGrid::Font() const {
    return d->font;
}

void TStringGrid::SetFont(const TFont& f) {
    if (f == d->font)
        return;
    d->font = f;
    d->canvas.Font = f;
    if (d->editor != nullptr)
        d->editor->setFont(f.toQFont());
    viewport()->update();
}

// ---- current cell, scrolling, selection -------------------------------------------------

int TStringGrid::Col() const {
    return d->current.x();
}
int TStringGrid::Row() const {
    return d->current.y();
}

void TStringGrid::SetCol(int col) {
    if (col == d->current.x())
        return;
    FocusCell(col, d->current.y(), true);
}

void TStringGrid::SetRow(int row) {
    if (row == d->current.y())
        return;
    FocusCell(d->current.x(), row, true);
}

void TStringGrid::FocusCell(int col, int row, bool moveAnchor) {
    if (d->moveCurrent(col, row, moveAnchor, true))
        Click();
}

int TStringGrid::TopRow() const {
    return d->topRow;
}

void TStringGrid::SetTopRow(int row) {
    row = std::clamp(row, d->firstDataRow(), d->rowCount - 1);
    d->setTopLeft(d->leftCol, row);
}

int TStringGrid::LeftCol() const {
    return d->leftCol;
}

void TStringGrid::SetLeftCol(int col) {
    col = std::clamp(col, d->firstDataCol(), d->colCount - 1);
    d->setTopLeft(col, d->topRow);
}

int TStringGrid::VisibleRowCount() const {
    const int last = d->lastFullyVisibleRow();
    return last < d->topRow ? 0 : last - d->topRow + 1;
}

int TStringGrid::VisibleColCount() const {
    const int last = d->lastFullyVisibleCol();
    return last < d->leftCol ? 0 : last - d->leftCol + 1;
}

TGridRect TStringGrid::Selection() const {
    TGridRect r;
    r.Top = std::min(d->anchor.y(), d->current.y());
    r.Bottom = std::max(d->anchor.y(), d->current.y());
    if ((d->options & goRowSelect) != 0) {
        r.Left = d->firstDataCol();
        r.Right = d->colCount - 1;
    } else {
        r.Left = std::min(d->anchor.x(), d->current.x());
        r.Right = std::max(d->anchor.x(), d->current.x());
    }
    return r;
}

void TStringGrid::SetSelection(const TGridRect& r) {
    auto clampCol = [this](int c) { return std::clamp(c, d->firstDataCol(), d->colCount - 1); };
    auto clampRow = [this](int v) { return std::clamp(v, d->firstDataRow(), d->rowCount - 1); };
    const QPoint anchor(clampCol(r.Left), clampRow(r.Top));
    const QPoint current(clampCol(r.Right), clampRow(r.Bottom));
    if (current != d->current)
        d->hideEditor();
    d->anchor = anchor;
    d->current = current;
    if ((d->options & goRangeSelect) == 0)
        d->anchor = d->current;
    viewport()->update();
    d->notifyCurrentCell();
}

TGridState TStringGrid::GridState() const {
    return d->state;
}

TCanvas& TStringGrid::Canvas() {
    return d->canvas;
}

// ---- structure --------------------------------------------------------------------------

namespace {

// Where an index lands when the item at `from` moves to `to`.
int movedIndex(int i, int from, int to) {
    if (i == from)
        return to;
    if (from < to && i > from && i <= to)
        return i - 1;
    if (to < from && i >= to && i < from)
        return i + 1;
    return i;
}

template <typename T>
void rotateBlock(std::vector<T>& v, std::size_t first, std::size_t from, std::size_t to,
                 std::size_t block) {
    // Moves the block of `block` items at position `from` to position `to` (in blocks from
    // `first`), shifting the ones between.
    auto base = v.begin() + static_cast<std::ptrdiff_t>(first);
    if (from < to) {
        std::rotate(base + static_cast<std::ptrdiff_t>(from * block),
                    base + static_cast<std::ptrdiff_t>((from + 1) * block),
                    base + static_cast<std::ptrdiff_t>((to + 1) * block));
    } else {
        std::rotate(base + static_cast<std::ptrdiff_t>(to * block),
                    base + static_cast<std::ptrdiff_t>(from * block),
                    base + static_cast<std::ptrdiff_t>((from + 1) * block));
    }
}

} // namespace

void TStringGrid::DeleteRow(int row) {
    if (row < 0 || row >= d->rowCount)
        return;
    d->hideEditor();
    const int oldCols = d->colCount;
    const int oldRows = d->rowCount;
    const auto cols = static_cast<std::size_t>(d->colCount);
    if (d->rowCount == 1) {
        // The grid keeps at least one row; the last one is emptied instead.
        d->cells.ClearAll();
        std::fill(d->objects.begin(), d->objects.end(), nullptr);
        viewport()->update();
        return;
    }
    const auto at = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * cols);
    d->cells.EraseRow(row);
    if (!d->objects.empty())
        d->objects.erase(d->objects.begin() + at,
                         d->objects.begin() + at + static_cast<std::ptrdiff_t>(cols));
    d->rowHeights.erase(d->rowHeights.begin() + row);
    --d->rowCount;
    if (row < d->fixedRows)
        --d->fixedRows;
    // Rows below the removed one move up and the current cell stays with its record; the
    // current row itself gives way to the row that takes its place.
    if (d->current.y() > row)
        d->current.ry() -= 1;
    if (d->anchor.y() > row)
        d->anchor.ry() -= 1;
    if (d->topRow > row)
        d->topRow -= 1;
    d->structureChanged();
    SizeChanged(oldCols, oldRows);
}

void TStringGrid::DeleteColumn(int col) {
    if (col < 0 || col >= d->colCount)
        return;
    d->hideEditor();
    const int oldCols = d->colCount;
    const int oldRows = d->rowCount;
    if (d->colCount == 1) {
        d->cells.ClearAll();
        std::fill(d->objects.begin(), d->objects.end(), nullptr);
        viewport()->update();
        return;
    }
    // Move the column to the end, then drop the last column.
    const auto cols = static_cast<std::size_t>(d->colCount);
    d->cells.MoveColumn(col, d->colCount - 1);
    for (int r = 0; r < d->rowCount; ++r) {
        const std::size_t first = static_cast<std::size_t>(r) * cols;
        if (!d->objects.empty())
            rotateBlock(d->objects, first, static_cast<std::size_t>(col), cols - 1, 1);
    }
    d->colWidths.erase(d->colWidths.begin() + col);
    d->colWidths.push_back(0);
    d->relayout(d->colCount - 1, d->rowCount);
    if (col < d->fixedCols)
        --d->fixedCols;
    if (d->current.x() > col)
        d->current.rx() -= 1;
    if (d->anchor.x() > col)
        d->anchor.rx() -= 1;
    if (d->leftCol > col)
        d->leftCol -= 1;
    d->structureChanged();
    SizeChanged(oldCols, oldRows);
}

void TStringGrid::MoveRow(int from, int to) {
    if (from == to || from < 0 || to < 0 || from >= d->rowCount || to >= d->rowCount)
        return;
    d->hideEditor();
    const auto cols = static_cast<std::size_t>(d->colCount);
    d->cells.MoveRow(from, to);
    if (!d->objects.empty())
        rotateBlock(d->objects, 0, static_cast<std::size_t>(from), static_cast<std::size_t>(to),
                    cols);
    rotateBlock(d->rowHeights, 0, static_cast<std::size_t>(from), static_cast<std::size_t>(to), 1);
    d->current.setY(movedIndex(d->current.y(), from, to));
    d->anchor.setY(movedIndex(d->anchor.y(), from, to));
    d->structureChanged();
    RowMoved(from, to);
}

void TStringGrid::MoveColumn(int from, int to) {
    if (from == to || from < 0 || to < 0 || from >= d->colCount || to >= d->colCount)
        return;
    d->hideEditor();
    const auto cols = static_cast<std::size_t>(d->colCount);
    d->cells.MoveColumn(from, to);
    for (int r = 0; r < d->rowCount; ++r) {
        const std::size_t first = static_cast<std::size_t>(r) * cols;
        if (!d->objects.empty())
            rotateBlock(d->objects, first, static_cast<std::size_t>(from),
                        static_cast<std::size_t>(to), 1);
    }
    rotateBlock(d->colWidths, 0, static_cast<std::size_t>(from), static_cast<std::size_t>(to), 1);
    d->current.setX(movedIndex(d->current.x(), from, to));
    d->anchor.setX(movedIndex(d->anchor.x(), from, to));
    d->structureChanged();
    ColumnMoved(from, to);
}

// ---- hooks ------------------------------------------------------------------------------

void TStringGrid::Click() {
    if (OnClick)
        OnClick(this);
}

void TStringGrid::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TStringGrid::DoEnter() {}
void TStringGrid::DoExit() {}

void TStringGrid::ColWidthsChanged() {
    d->updateScrollRanges();
    d->setTopLeft(d->leftCol, d->topRow);
    d->updateEditor();
    viewport()->update();
}

void TStringGrid::RowHeightsChanged() {
    d->updateScrollRanges();
    d->setTopLeft(d->leftCol, d->topRow);
    d->updateEditor();
    viewport()->update();
}

void TStringGrid::ColumnMoved(int, int) {}
void TStringGrid::RowMoved(int, int) {}

void TStringGrid::SizeChanged(int, int) {}

void TStringGrid::TopLeftChanged() {
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

void TStringGrid::SetEditText(int col, int row, const QString& value) {
    SetCells(col, row, value);
    if (OnSetEditText)
        OnSetEditText(this, col, row, value);
}

QString TStringGrid::GetEditText(int col, int row) {
    return Cells(col, row);
}

bool TStringGrid::SelectCell(int col, int row) {
    bool can = true;
    if (OnSelectCell)
        OnSelectCell(this, col, row, can);
    return can;
}

void TStringGrid::Resized() {}
void TStringGrid::MouseEnter() {}
void TStringGrid::MouseLeave() {}

} // namespace movra
