#pragma once

#include "grid/FajnyTypes.h"
#include "platform/gridbase/StringGrid.h"

#include <QtGui/QImage>

#include <functional>
#include <vector>

namespace movra {

class TRecordedPage;

// The program's sortable string grid: click-to-sort with a sort symbol in the title row, per-cell
// formatting, footer rows, cell bevels, proportional scroll bars, a multi-row selection of its
// own, search, row and column editing, validation of edited cells, fitting sizes to texts,
// delimited text files and hiding of rows and columns with their sizes remembered.
//
// Row 0 is the title row. Events are optional callbacks raised synchronously, the grid first.
class TFajny : public TStringGrid {
    Q_OBJECT
public:
    explicit TFajny(QWidget* parent = nullptr);
    ~TFajny() override;

    // ---- search settings ---------------------------------------------------------------
    [[nodiscard]] TMSortType KeyType() const { return m_keyType; }
    void SetKeyType(TMSortType t) { m_keyType = t; }
    [[nodiscard]] int KeyPos() const { return m_keyPos; }
    void SetKeyPos(int p) { m_keyPos = p; }
    [[nodiscard]] int KeyLen() const { return m_keyLen; }
    void SetKeyLen(int n) { m_keyLen = n; }
    [[nodiscard]] HandleFixed UseFixed() const { return m_useFixed; }
    void SetUseFixed(HandleFixed h) { m_useFixed = h; }
    [[nodiscard]] bool SearchSubstring() const { return m_searchSubstring; }
    void SetSearchSubstring(bool on) { m_searchSubstring = on; }
    [[nodiscard]] bool SearchExists() const { return m_searchExists; }
    // Reading gives the grid's current FixedRows / FixedCols; the written value is only kept.
    [[nodiscard]] int SavedFixedRows() const { return FixedRows(); }
    void SetSavedFixedRows(int n) { m_savedFixedRows = n; }
    [[nodiscard]] int SavedFixedCols() const { return FixedCols(); }
    void SetSavedFixedCols(int n) { m_savedFixedCols = n; }

    // ---- look --------------------------------------------------------------------------
    [[nodiscard]] bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool on) { m_caseSensitive = on; }
    [[nodiscard]] TAlignment AlignmentHorz() const { return m_alignHorz; }
    void SetAlignmentHorz(TAlignment a);
    [[nodiscard]] TVertAlignment AlignmentVert() const { return m_alignVert; }
    void SetAlignmentVert(TVertAlignment a);
    [[nodiscard]] TCellBevelStyle BevelStyle() const { return m_bevelStyle; }
    void SetBevelStyle(TCellBevelStyle s);
    [[nodiscard]] bool ProportionalScrollBars() const { return m_proportional; }
    void SetProportionalScrollBars(bool on);
    [[nodiscard]] bool ExtendedKeys() const { return m_extendedKeys; }
    void SetExtendedKeys(bool on) { m_extendedKeys = on; }
    [[nodiscard]] bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool on);

    // ---- sorting settings --------------------------------------------------------------
    [[nodiscard]] TSortSymbol SortSymbol() const { return m_sortSymbol; }
    void SetSortSymbol(TSortSymbol s);
    [[nodiscard]] int SortSpacingHor() const { return m_sortSpacingHor; }
    void SetSortSpacingHor(int px);
    [[nodiscard]] int SortSpacingVert() const { return m_sortSpacingVert; }
    void SetSortSpacingVert(int px);
    [[nodiscard]] TSortDirection SortDirection() const { return m_sortDirection; }
    void SetSortDirection(TSortDirection d);
    [[nodiscard]] const QImage& SortBitMapA() const { return m_sortBitmapA; }
    void SetSortBitMapA(const QImage& img);
    [[nodiscard]] const QImage& SortBitMapD() const { return m_sortBitmapD; }
    void SetSortBitMapD(const QImage& img);
    [[nodiscard]] int SortColumn() const { return m_sortColumn; }
    void SetSortColumn(int col); // ignored unless 0 <= col < ColCount
    [[nodiscard]] bool SortOnClick() const { return m_sortOnClick; }
    void SetSortOnClick(bool on);
    [[nodiscard]] bool SortFooter() const { return m_sortFooter; }
    void SetSortFooter(bool on);
    // The symbol drawn in the sorted column's title (null when SortSymbol is sgNone).
    [[nodiscard]] const QImage& SortSymbolImage() const { return m_symbol; }

    // ---- footer rows -------------------------------------------------------------------
    [[nodiscard]] int FooterRows() const { return m_footerRows; }
    void SetFooterRows(int n); // ignored unless 0 <= n <= RowCount - FixedRows
    [[nodiscard]] TColor FooterColor() const { return m_footerColor; }
    void SetFooterColor(TColor c);
    [[nodiscard]] const TFont& FooterFont() const { return m_footerFont; }
    void SetFooterFont(const TFont& f);
    [[nodiscard]] TCellBevelStyle FooterBevelStyle() const { return m_footerBevelStyle; }
    void SetFooterBevelStyle(TCellBevelStyle s);
    // The bottom rows that sorting leaves in place: FooterRows unless SortFooter.
    [[nodiscard]] int ExcludedFooterCount() const { return m_excludedFooter; }
    [[nodiscard]] bool IsFooterRow(int row) const { return row > RowCount() - 1 - m_footerRows; }

    // ---- printing settings -------------------------------------------------------------
    [[nodiscard]] TPrintOptions& PrintOptions() { return m_printOptions; }
    [[nodiscard]] const TPrintOptions& PrintOptions() const { return m_printOptions; }
    // The canvas font and brush as they were when the grid was made; printed rows start there.
    [[nodiscard]] const TFont& PrintFont() const { return m_printFont; }
    [[nodiscard]] const TBrush& PrintBrush() const { return m_printBrush; }

    // ---- printing ----------------------------------------------------------------------
    // Draws page PrintOptions().PreviewPage into the print image (at the printer's printable
    // size in screen pixels); vectors, when given, also keeps the page's drawing for printing.
    void DrawPreviewPage(QImage& printImage, TRecordedPage* vectors = nullptr);
    // The number of pages the grid's rows take.
    [[nodiscard]] int CountPrintPages();
    // Prints the page last drawn into the print image on the current printer.
    void PrintPreviewPage(const QImage& printImage, const TRecordedPage* vectors = nullptr);
    // Bilinear resampling of source into destination (both 24 bits per pixel).
    static void StretchBitmap(const QImage& source, QImage& destination);

    // ---- row selection (independent of the base grid's selection rectangle) -------------
    [[nodiscard]] bool IsRowSelected(int row) const;
    [[nodiscard]] int SelectedRowCount() const { return static_cast<int>(m_selRows.size()); }
    // The selected rows in ascending order.
    [[nodiscard]] const std::vector<int>& SelectedRows() const { return m_selRows; }
    void ToggleRowSelection(int row);
    void SetRowSelected(int row, bool selected);
    void SetRowRangeSelected(int a, int b, bool selected);
    [[nodiscard]] int SelectionAnchor() const { return m_selAnchor; }
    // Repaints the row's cells from FixedCols on.
    void InvalidateRow(int row);

    virtual void UpdateScrollBars();

    // ---- sorting -----------------------------------------------------------------------
    // Sorts the data rows by column col with events; nothing happens (no events) while the editor
    // shows, with at most one data row, or for a column that does not exist.
    virtual void SortByColumn(int col, TSortOptions options);
    // The sort itself, without events.
    virtual void ExecuteSort(int col, const TSortOptions& options);
    // stNumber, stDateTime, stTime or stText from the texts of the column's data rows.
    [[nodiscard]] virtual TSortKind DetectSortKind(int col);
    [[nodiscard]] virtual bool UnsortAvailable();
    virtual void RestoreUnsortedOrder();
    // The permutation of the last sort: entry i is the row now at FixedRows + i.
    [[nodiscard]] const TSortedList& SortedList() const { return m_sorted; }

    // ---- search ------------------------------------------------------------------------
    bool FindFirst(const QString& s, bool byRows, int& aCol, int& aRow);
    bool FindFirstInRow(const QString& s, int row, int& aCol, int& aRow);
    bool FindFirstInCol(const QString& s, int col, int& aCol, int& aRow);
    bool FindNext(int& aCol, int& aRow);
    virtual bool LocateText(const QString& s, int& aCol, int& aRow);

    // Fills row / column from one delimited text; returns the number of fields. Fields beyond
    // the last column / row are dropped; a row / column that does not exist gets nothing (0).
    int ModifyRow(int row, const QString& s, const QString& delimiter);
    int ModifyCol(int col, const QString& s, const QString& delimiter);

    // ---- rows and columns --------------------------------------------------------------
    virtual void InsertRowAt(int index); // 0 <= index <= RowCount, else nothing
    virtual bool InsertRowsAt(int index, int count);
    virtual void InsertColumnAt(int index);
    virtual bool InsertColumnsAt(int index, int count);
    virtual void DeleteRowAt(int index); // existing rows only
    virtual bool DeleteRowRange(int from, int to);
    virtual void DeleteColumnAt(int index);
    virtual bool DeleteColumnRange(int from, int to);
    virtual void MoveRowTo(int from, int to);
    virtual void MoveColumnTo(int from, int to);
    virtual void SwapRows(int a, int b);
    virtual void SwapColumns(int a, int b);

    // ---- validation, sizing, text files ------------------------------------------------
    virtual void RememberCurrentCell();
    virtual void ValidateCurrentCell();
    virtual void AutoSizeColumn(int col);
    virtual void AutoSizeColumns(bool includeFixed, int extra);
    virtual void FitRowHeight(int row);
    virtual void FitRowHeights(int from, int to);
    virtual void FitVisibleRowHeights(int from, int to);
    virtual void FitHiddenRowHeights(int from, int to);
    // Throws EMovraError (Polish, naming the file) when the file cannot be read; the grid is then
    // left as it was.
    virtual void LoadFromTextFile(const QString& fileName, QChar separator);
    // Throws EMovraError when the file cannot be written or a text has no Windows-1250 byte; an
    // existing file is then left as it was.
    virtual void SaveToTextFile(const QString& fileName, QChar separator);

    // ---- clearing, hiding, going to a cell ---------------------------------------------
    virtual void GoToCell(int col, int row);
    virtual void ClearRows();
    virtual void ClearRowsFrom(int row);
    virtual bool ClearRowRange(int from, int to);
    virtual bool ClearColumnRange(int from, int to);
    virtual void HideRows(int from, int to);
    virtual void ShowRows(int from, int to);
    virtual void HideColumns(int from, int to);
    virtual void ShowColumns(int from, int to);
    [[nodiscard]] const TOldRowColValueList& HiddenSizes() const { return m_hidden; }

    // ---- events ------------------------------------------------------------------------
    std::function<void(TFajny*, int col, int row, TGridDrawState state, TFormatOptions& format)>
        OnGetCellFormat;
    std::function<void(TFajny*, int col, int row, TSortOptions& options)> OnClickSort;
    std::function<void(TFajny*, int col, TSortOptions& options)> OnBeginSort;
    std::function<void(TFajny*, int col)> OnEndSort;
    std::function<void(TFajny*, int index)> OnRowInsert;
    std::function<void(TFajny*, int index)> OnRowDelete;
    std::function<void(TFajny*, int index)> OnColumnInsert;
    std::function<void(TFajny*, int index)> OnColumnDelete;
    std::function<void(TFajny*)> OnColumnWidthsChanged;
    std::function<void(TFajny*)> OnRowHeightsChanged;
    std::function<void(TFajny*, int oldColCount, int oldRowCount)> OnSizeChanged;
    std::function<void(TFajny*, int col, int row, QString& value, bool& valid)> OnCellValidate;
    std::function<void(TFajny*)> OnMouseEnter;
    std::function<void(TFajny*)> OnMouseLeave;

protected:
    // Sets up the canvas and format record of cell (col, row) for drawing or measuring.
    void PrepareCellFormat(int col, int row, TFormatOptions& format);

    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar& key) override;
    void Click() override;
    void DoEnter() override;
    void DoExit() override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void SizeChanged(int oldColCount, int oldRowCount) override;
    void RowMoved(int from, int to) override;
    void ColumnMoved(int from, int to) override;
    void TopLeftChanged() override;
    void Resized() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void RepaintAll();
    void RepaintTitleRow();
    void RepaintBottomRows(int count);
    void RecomputeExcludedFooter();
    void ReloadSortSymbol();
    void ClickSort(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void DragSelectTo(int row);
    void RemoveRowFromSelection(int index);
    // Runs fn with goAlwaysShowEditor taken out of Options, put back afterwards.
    template <class Fn> void WithoutAlwaysShowEditor(Fn fn);
    // The remembered cell follows its record through the grid's own structural changes, so that
    // validation never compares one record's text with another's.
    void RememberedRowMoved(int from, int to);
    void RememberedColMoved(int from, int to);
    void RememberedRowsPermuted(int first, const std::vector<int>& perm);
    bool StartSearch(const QString& s);
    bool MatchesCell(QStringView cell) const;

    // search
    TMSortType m_keyType = soString;
    int m_keyPos = 1;
    int m_keyLen = 2147483647;
    HandleFixed m_useFixed = hfNot;
    bool m_searchSubstring = false;
    bool m_searchExists = false;
    int m_savedFixedRows = 0;
    int m_savedFixedCols = 0;
    QString m_searchText;
    int m_sFirstRow = 0, m_sFirstCol = 0, m_sLastRow = -1, m_sLastCol = -1;
    int m_sRow = 0, m_sCol = 0;
    bool m_sByRows = true;
    bool m_sRemain = false;

    // look
    bool m_caseSensitive = false;
    TAlignment m_alignHorz = taLeftJustify;
    TVertAlignment m_alignVert = taTopJustify;
    TCellBevelStyle m_bevelStyle = cbNone;
    bool m_proportional = true;
    bool m_extendedKeys = false;
    bool m_wordWrap = false;

    // sorting
    TSortSymbol m_sortSymbol = sgNone;
    int m_sortSpacingHor = 2;
    int m_sortSpacingVert = 0;
    TSortDirection m_sortDirection = sdAscending;
    QImage m_sortBitmapA;
    QImage m_sortBitmapD;
    QImage m_symbol;
    int m_sortColumn = 1;
    bool m_sortOnClick = true;
    bool m_sortFooter = false;
    TSortedList m_sorted;
    int m_sortedFirstRow = 0;
    Qt::MouseButtons m_buttonsAtRelease;

    // footer
    int m_footerRows = 0;
    int m_excludedFooter = 0;
    TColor m_footerColor = clAqua;
    TFont m_footerFont;
    TCellBevelStyle m_footerBevelStyle = cbNone;

    // printing
    TPrintOptions m_printOptions;
    TFont m_printFont;
    TBrush m_printBrush;

    // row selection
    std::vector<int> m_selRows; // ascending
    int m_selAnchor = 0;
    int m_dragLastRow = 0;
    bool m_dragging = false;
    int m_lastTopRow = 0;

    // validation
    int m_rememberedCol = 0;
    int m_rememberedRow = 0;
    QString m_rememberedText;
    bool m_hasFocus = false;

    TOldRowColValueList m_hidden;
};

} // namespace movra
