#pragma once

// The private state of TStringGrid, shared by its source files (model, geometry and painting,
// input, editor, accessibility). Not for use outside platform/gridbase.

#include "platform/canvas/PainterCanvas.h"
#include "platform/gridbase/CellStore.h"
#include "platform/gridbase/StringGrid.h"

#include <QtCore/QPoint>
#include <QtCore/QPointer>

#include <functional>
#include <vector>

class QKeyEvent;
class QTimer;

namespace movra {

class TStringGridAccessible;

struct TStringGrid::Impl {
    explicit Impl(TStringGrid* grid);

    TStringGrid* q;

    // ---- model ---------------------------------------------------------------------------
    int colCount = 5;
    int rowCount = 5;
    int fixedCols = 1;
    int fixedRows = 1;
    int defaultColWidth = 64;
    int defaultRowHeight = 24;
    int gridLineWidth = 1;
    std::vector<int> colWidths;
    std::vector<int> rowHeights;
    // The texts, one compact block per row; objects in a vector (one per cell, row after row)
    // made on first use, so a big list without objects costs only its texts.
    TCellStore cells{colCount, rowCount};
    std::vector<void*> objects;
    [[nodiscard]] std::size_t cellCount() const {
        return static_cast<std::size_t>(colCount) * static_cast<std::size_t>(rowCount);
    }

    TGridOptions options =
        goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    TScrollStyle scrollBars = TScrollStyle::Both;
    bool defaultDrawing = true;
    TColor fixedColor = clBtnFace;
    TColor color = clWindow;
    TFont font;

    // Current cell and the other corner of the selection (x column, y row).
    QPoint current{1, 1};
    QPoint anchor{1, 1};
    int topRow = 1;
    int leftCol = 1;
    TGridState state = TGridState::Normal;

    TPainterCanvas canvas; // bound to the painter during paintEvent only

    // ---- scrolling -----------------------------------------------------------------------
    int maxTop = 1; // the last TopRow that still fills the view; kept by updateScrollRanges
    int maxLeft = 1;
    bool syncingBars = false;
    int defaultVPage = -1; // the page steps this grid set, to leave a subclass's own alone
    int defaultHPage = -1;
    QSize lastViewportSize;

    // ---- mouse ---------------------------------------------------------------------------
    bool doubleClick = false;
    int sizeIndex = -1;
    int sizeStartPos = 0;
    int sizeStartSize = 0;
    bool movePending = false;
    bool moveIsColumn = false;
    int moveFrom = -1;
    int moveTo = -1;
    QPoint pressPos;
    QPoint lastMousePos;
    QTimer* autoScroll = nullptr;

    // ---- editor and focus ----------------------------------------------------------------
    QLineEdit* editor = nullptr;
    bool editorMode = false;
    QString editorOriginal;
    bool forwardingKey = false;
    bool focusWithin = false;

    TStringGridAccessible* accessible = nullptr;

    // ---- helpers -------------------------------------------------------------------------
    [[nodiscard]] qsizetype index(int col, int row) const {
        return static_cast<qsizetype>(row) * colCount + col;
    }
    [[nodiscard]] bool validCell(int col, int row) const {
        return col >= 0 && row >= 0 && col < colCount && row < rowCount;
    }
    // Widths of the vertical lines between columns and of the horizontal lines between rows.
    [[nodiscard]] int vLine() const {
        return (options & (goVertLine | goFixedVertLine)) != 0 ? gridLineWidth : 0;
    }
    [[nodiscard]] int hLine() const {
        return (options & (goHorzLine | goFixedHorzLine)) != 0 ? gridLineWidth : 0;
    }
    // Space a column / row takes on screen with its line; nothing when hidden.
    [[nodiscard]] int colExtent(int c) const {
        return colWidths[static_cast<std::size_t>(c)] > 0
                   ? colWidths[static_cast<std::size_t>(c)] + vLine()
                   : 0;
    }
    [[nodiscard]] int rowExtent(int r) const {
        return rowHeights[static_cast<std::size_t>(r)] > 0
                   ? rowHeights[static_cast<std::size_t>(r)] + hLine()
                   : 0;
    }
    [[nodiscard]] int colWidth(int c) const { return colWidths[static_cast<std::size_t>(c)]; }
    [[nodiscard]] int rowHeight(int r) const { return rowHeights[static_cast<std::size_t>(r)]; }
    // Sums of sizes stop growing here, far beyond any view, so that with one more row or
    // column added they still fit an int however many rows or columns are fixed.
    static constexpr int kBeyondView = 1 << 30;
    // Space the fixed columns / rows take, up to kBeyondView.
    [[nodiscard]] int fixedWidth() const;
    [[nodiscard]] int fixedHeight() const;
    [[nodiscard]] int viewWidth() const;
    [[nodiscard]] int viewHeight() const;
    [[nodiscard]] int firstDataRow() const { return std::min(fixedRows, rowCount - 1); }
    [[nodiscard]] int firstDataCol() const { return std::min(fixedCols, colCount - 1); }

    // A row or column on screen: its index, start and size (line excluded).
    struct Span {
        int index;
        int start;
        int size;
    };
    [[nodiscard]] std::vector<Span> visibleCols() const;
    [[nodiscard]] std::vector<Span> visibleRows() const;
    [[nodiscard]] int lastFullyVisibleRow() const;
    [[nodiscard]] int lastFullyVisibleCol() const;
    // The first row / column to show so that `last` ends the view (fully shown).
    [[nodiscard]] int topFor(int last) const;
    [[nodiscard]] int leftFor(int last) const;

    // Lays the cell vectors out for new counts, keeping what stays inside both.
    void relayout(int newCols, int newRows);
    // Keeps current cell, anchor and top-left inside the grid after a structural change.
    void clampPositions();
    void structureChanged(bool cellsMoved = true);

    void updateScrollRanges();
    void syncScrollValues();
    void setTopLeft(int left, int top);
    void scrollIntoView(int col, int row);

    // Makes (col, row) current if SelectCell allows it; no Click.
    bool moveCurrent(int col, int row, bool moveAnchor, bool show);
    [[nodiscard]] int nextVisibleRow(int from, int step) const;
    [[nodiscard]] int nextVisibleCol(int from, int step) const;

    // Editor.
    void createEditor();
    [[nodiscard]] bool canShowEditor() const;
    void showEditor();
    void hideEditor();
    void updateEditor();
    bool editorKeyPress(QKeyEvent* e);

    // Keys: KeyDown, then KeyPress for a key that types a character.
    void dispatchKey(QKeyEvent* e);

    void updateFocusWithin();

    // Mouse.
    [[nodiscard]] int colSizingHit(int x, int y) const;
    [[nodiscard]] int rowSizingHit(int x, int y) const;
    void autoScrollStep();

    void notifyCurrentCell();

    // Runs what a Qt event asks of the grid (its hooks and the host's handlers) so that no
    // exception crosses Qt's event loop: an escaping error goes to the error box and the mouse
    // work in progress is dropped. False when something failed.
    bool guarded(const std::function<void()>& work);
    bool paintFailed = false; // a failing paint is reported once, not on every repaint
};

} // namespace movra
