#pragma once

#include "platform/canvas/Canvas.h"
#include "platform/core/Colors.h"
#include "platform/core/Font.h"
#include "platform/core/Geometry.h"

#include <QtCore/QStringList>
#include <QtWidgets/QAbstractScrollArea>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

class QLineEdit;

namespace movra {

enum TGridOption : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goRowSizing = 1u << 6,
    goColSizing = 1u << 7,
    goRowMoving = 1u << 8,
    goColMoving = 1u << 9,
    goEditing = 1u << 10,
    goTabs = 1u << 11,
    goRowSelect = 1u << 12,
    goAlwaysShowEditor = 1u << 13,
    goThumbTracking = 1u << 14,
};
using TGridOptions = unsigned;

enum class TScrollStyle { None, Horizontal, Vertical, Both };

enum TGridDrawStateFlag : unsigned { gdSelected = 1u, gdFocused = 2u, gdFixed = 4u };
using TGridDrawState = unsigned;

// What the grid is doing with the mouse.
enum class TGridState { Normal, Selecting, RowSizing, ColSizing, RowMoving, ColMoving };

// A block of cells, inclusive on every side (column Left..Right, row Top..Bottom).
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// The widest column, tallest row and widest grid line a grid keeps: the largest window X11 can
// show, so no cell is larger than any view of it. Larger sizes are taken as this one.
constexpr int kMaxGridCellSize = 32767;

// A grid of text cells painted by itself: fixed rows and columns are ordinary cells at the top and
// left that do not scroll; a width or height of 0 hides a column or row; the view scrolls by whole
// rows and columns (TopRow, LeftCol). Every cell holds a text and an attached object pointer (not
// owned). Subclasses change behaviour through the protected hooks; hosts listen through the
// On... callbacks, whose first argument is the grid.
class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    // ---- cells -------------------------------------------------------------------------
    // Reading outside the grid gives an empty text / nullptr; writing outside is ignored.
    [[nodiscard]] QString Cells(int col, int row) const;
    // Cells(col, row) into text, reusing its buffer, for loops over many cells.
    void ReadCell(int col, int row, QString& text) const;
    void SetCells(int col, int row, const QString& text);
    // Whether the cell's text is text, without making a QString of it (for looking through many
    // rows); false outside the grid.
    [[nodiscard]] bool CellEquals(int col, int row, QStringView text) const;
    // The cell's text as the Windows-1250 bytes the grid keeps, when it keeps it so (every row
    // set from an album's bytes); nothing outside the grid. Valid until the row changes.
    [[nodiscard]] std::optional<std::string_view> CellBytesCp1250(int col, int row) const;
    [[nodiscard]] void* Objects(int col, int row) const;
    void SetObjects(int col, int row, void* object);

    // A row or column as a list of texts (ColCount / RowCount entries).
    [[nodiscard]] QStringList Rows(int row) const;
    [[nodiscard]] QStringList Cols(int col) const;
    // Assigning empties the row (texts and objects) and then fills it from the list's start;
    // entries beyond the grid are ignored.
    void SetRows(int row, const QStringList& texts);
    void SetCols(int col, const QStringList& texts);
    // Fills a row from Windows-1250 bytes, one text per column from the first (the rest empty),
    // and drops its objects, without repainting: for filling many rows, followed by one
    // InvalidateGrid. The bytes are kept as they are, so an album's list costs its texts' size.
    void SetRowCp1250(int row, std::span<const std::string_view> bytes);
    // Column col of every data row shows the row's number (1 for the first row below the fixed
    // ones) instead of a text of its own, and keeps doing so as rows come, go and move; -1: no
    // such column. A sort moves the texts, not the numbers.
    void SetNumberedColumn(int col);
    // Bytes that the cell texts take, for measuring.
    [[nodiscard]] std::size_t CellMemoryBytes() const;
    // Frees what the cells keep for rows to come (an emptied grid keeps its last rows' room).
    void ReleaseUnusedCellMemory();
    // Rearranges the rows from `first` on: row first + i takes the texts and objects of row
    // sources[i]. Row heights stay where they are. The sources must be each of the rows
    // first .. first + sources.size() - 1 exactly once; anything else changes nothing and
    // answers false. One pass over the cells and one repaint, however many rows move.
    [[nodiscard]] bool PermuteRows(int first, const std::vector<int>& sources);
    // Index of the first cell of the row / column equal to text ignoring case (-1 if none).
    [[nodiscard]] int IndexOfInRow(int row, const QString& text) const;
    [[nodiscard]] int IndexOfInCol(int col, const QString& text) const;

    // ---- dimensions --------------------------------------------------------------------
    [[nodiscard]] int ColCount() const;
    // At least 1; FixedCols is lowered when it would exceed the new count. A grid may consist of
    // fixed rows (or columns) only: an empty list keeps its title row fixed, and its current row
    // is then the last fixed row until data rows come back.
    void SetColCount(int n);
    [[nodiscard]] int RowCount() const;
    void SetRowCount(int n);
    [[nodiscard]] int FixedCols() const;
    void SetFixedCols(int n); // 0 .. ColCount
    [[nodiscard]] int FixedRows() const;
    void SetFixedRows(int n);
    [[nodiscard]] int DefaultColWidth() const;
    void SetDefaultColWidth(int w); // sets every column's width
    [[nodiscard]] int DefaultRowHeight() const;
    void SetDefaultRowHeight(int h); // sets every row's height
    [[nodiscard]] int ColWidths(int col) const;
    // 0 hides the column; negative counts as 0. Sizes and line widths stop at kMaxGridCellSize.
    void SetColWidths(int col, int width);
    [[nodiscard]] int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    [[nodiscard]] int GridLineWidth() const;
    void SetGridLineWidth(int w);

    // ---- look and behaviour ------------------------------------------------------------
    [[nodiscard]] TGridOptions Options() const;
    void SetOptions(TGridOptions o);
    [[nodiscard]] TScrollStyle ScrollBars() const;
    void SetScrollBars(TScrollStyle s);
    [[nodiscard]] bool DefaultDrawing() const;
    void SetDefaultDrawing(bool on);
    [[nodiscard]] TColor FixedColor() const;
    void SetFixedColor(TColor c);
    [[nodiscard]] TColor Color() const;
    void SetColor(TColor c);
    [[nodiscard]] const TFont& Font() const;
    void SetFont(const TFont& f);

    // ---- current cell, scrolling, selection --------------------------------------------
    [[nodiscard]] int Col() const;
    [[nodiscard]] int Row() const;
    void SetCol(int col); // through SelectCell; scrolls it into view
    void SetRow(int row);
    // Makes (col, row) current if SelectCell allows it, selects it (the anchor moves too when
    // moveAnchor) and scrolls it into view.
    void FocusCell(int col, int row, bool moveAnchor = true);
    [[nodiscard]] int TopRow() const;
    void SetTopRow(int row); // first scrolling row shown
    [[nodiscard]] int LeftCol() const;
    void SetLeftCol(int col);
    // Non-fixed rows / columns shown completely from TopRow / LeftCol on.
    [[nodiscard]] int VisibleRowCount() const;
    [[nodiscard]] int VisibleColCount() const;
    [[nodiscard]] TGridRect Selection() const;
    void SetSelection(const TGridRect& r);

    // ---- in-place editor ---------------------------------------------------------------
    [[nodiscard]] bool EditorMode() const; // the editor is showing
    void SetEditorMode(bool show);         // shows it only when goEditing is set
    [[nodiscard]] QLineEdit* InplaceEditor() const;

    [[nodiscard]] TGridState GridState() const;

    // ---- drawing and geometry ----------------------------------------------------------
    // The canvas of the paint in progress; outside painting, a measuring canvas with the grid's
    // font (drawing on it paints nothing).
    [[nodiscard]] TCanvas& Canvas();
    // The cell under a point of the viewport (col / row -1 where there is none).
    void MouseToCell(int x, int y, int& col, int& row) const;
    // The cell's rectangle in viewport coordinates, grid lines excluded; empty when not shown.
    [[nodiscard]] TRect CellRect(int col, int row) const;
    void InvalidateCell(int col, int row);
    void InvalidateGrid();

    // ---- structure ---------------------------------------------------------------------
    // Removes a row / column (later ones move up / left); sizes and objects move with them.
    void DeleteRow(int row);
    void DeleteColumn(int col);
    // Moves a row / column to another position; the ones between shift by one.
    void MoveRow(int from, int to);
    void MoveColumn(int from, int to);

    // ---- events ------------------------------------------------------------------------
    std::function<void(TStringGrid*)> OnClick;
    std::function<void(TStringGrid*)> OnDblClick;
    std::function<void(TStringGrid*, int col, int row, const TRect& rect, TGridDrawState state)>
        OnDrawCell;
    std::function<void(TStringGrid*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)>
        OnMouseDown;
    std::function<void(TStringGrid*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)>
        OnMouseUp;
    std::function<void(TStringGrid*, int col, int row, bool& canSelect)> OnSelectCell;
    std::function<void(TStringGrid*)> OnTopLeftChanged;
    std::function<void(TStringGrid*, int col, int row, const QString& value)> OnSetEditText;

protected:
    // ---- hooks (call the base to keep its behaviour) -----------------------------------
    // Draws one cell. The base has set Canvas().Brush and Font for the state (fixed: FixedColor;
    // selected: highlight; else Color) and clipped to rect; the base version writes the text
    // with TextRect at (Left + 2, Top + 2) when DefaultDrawing, then fires OnDrawCell.
    virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state);
    // The base versions do the grid's own work (select, size, move, scroll) and fire events.
    virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // key is a Qt::Key; set it to 0 to consume it. The base moves the current cell.
    virtual void KeyDown(int& key, Qt::KeyboardModifiers shift);
    // A typed character (Enter is '\r', Esc 27); set it to 0 to consume it. The base starts the
    // editor on a printable character when goEditing is set.
    virtual void KeyPress(QChar& key);
    // Runs when the current cell is set (by mouse, keys or program) and on a press on the
    // current cell; fires OnClick.
    virtual void Click();
    virtual void DblClick();
    virtual void DoEnter(); // focus arrives
    virtual void DoExit();  // focus leaves
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    // A column / row has moved from one position to another (by MoveColumn / MoveRow or by the
    // user dragging its fixed cell); the data has already moved.
    virtual void ColumnMoved(int from, int to);
    virtual void RowMoved(int from, int to);
    virtual void SizeChanged(int oldColCount, int oldRowCount);
    virtual void TopLeftChanged(); // fires OnTopLeftChanged
    // The editor's text changed: stores it into the cell and fires OnSetEditText.
    virtual void SetEditText(int col, int row, const QString& value);
    // The text the editor starts with (the cell's text).
    virtual QString GetEditText(int col, int row);
    // May (col, row) become current? The base fires OnSelectCell.
    virtual bool SelectCell(int col, int row);
    virtual void Resized();
    virtual void MouseEnter();
    virtual void MouseLeave();

    // Qt plumbing.
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    bool viewportEvent(QEvent* e) override;

private:
    void paintCells(QPaintEvent* e);

    struct Impl;
    std::unique_ptr<Impl> d;
    friend struct Impl;
    friend class TStringGridAccessible;
};

} // namespace movra
