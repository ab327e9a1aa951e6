// Search, filling rows from delimited texts, row and column editing with the grid's own
// records, clearing, hiding and showing, going to a cell, and the property rules.

#include "GridTestUtil.h"

#include <QtTest/QtTest>

using namespace movra;
using namespace movra::test;

namespace {

// A 6 x 6 grid with 2 fixed rows and 2 fixed columns; cell (c, r) holds "c,r".
void FillCoordinates(TFajny& g, int cols = 6, int rows = 6) {
    g.SetColCount(cols);
    g.SetRowCount(rows);
    g.SetFixedCols(2);
    g.SetFixedRows(2);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            g.SetCells(c, r, QStringLiteral("%1,%2").arg(c).arg(r));
}

QList<QPoint> AllMatches(TFajny& g, const QString& s, bool byRows) {
    QList<QPoint> found;
    int c = 0;
    int r = 0;
    for (bool ok = g.FindFirst(s, byRows, c, r); ok; ok = g.FindNext(c, r))
        found << QPoint(c, r);
    return found;
}

} // namespace

class TstGridEdit : public QObject {
    Q_OBJECT
private slots:
    void searchVisitingOrders();
    void searchUseFixed();
    void searchEndsAfterLastCell();
    void searchModes();
    void searchKeyPosKeyLen();
    void searchInRowAndColumn();
    void searchAfterGridShrankOrBadArea();
    void locateText();
    void modifyRowAndCol();
    void insertRows();
    void deleteRowsAdjustRecords();
    void deleteRowLowersFooter();
    void columnsInsertDeleteEvents();
    void moveAndSwap();
    void rangeChecks();
    void alwaysShowEditorGuard();
    void clearing();
    void hidingAndShowing();
    void goToCell();
    void propertyRules();
    void rowSelectionApi();
    void initialValues();
};

void TstGridEdit::searchVisitingOrders() {
    TFajny g;
    g.SetColCount(5);
    g.SetRowCount(5);
    g.SetFixedCols(2);
    g.SetFixedRows(2);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            g.SetCells(c, r, QStringLiteral("x"));
    g.SetSearchSubstring(true);
    const QList<QPoint> byRows = AllMatches(g, QStringLiteral("x"), true);
    QCOMPARE(byRows, (QList<QPoint>{
                         {2, 2}, {3, 2}, {4, 2}, {2, 3}, {3, 3}, {4, 3}, {2, 4}, {3, 4}, {4, 4}}));
    const QList<QPoint> byCols = AllMatches(g, QStringLiteral("x"), false);
    QCOMPARE(byCols, (QList<QPoint>{
                         {2, 2}, {2, 3}, {2, 4}, {3, 2}, {3, 3}, {3, 4}, {4, 2}, {4, 3}, {4, 4}}));
    QVERIFY(g.SearchExists());
}

void TstGridEdit::searchUseFixed() {
    TFajny g;
    FillCoordinates(g);
    g.SetSearchSubstring(true);
    QCOMPARE(AllMatches(g, QStringLiteral("0,0"), true), QList<QPoint>{});
    QCOMPARE(AllMatches(g, QStringLiteral("1,"), true), QList<QPoint>{});
    g.SetUseFixed(hfYes);
    QCOMPARE(AllMatches(g, QStringLiteral("0,0"), true), QList<QPoint>{QPoint(0, 0)});
    int c = 0;
    int r = 0;
    QVERIFY(g.FindFirst(QStringLiteral(","), true, c, r));
    QCOMPARE(QPoint(c, r), QPoint(0, 0));
    // SavedFixedRows reads as the grid's FixedRows; the written value is only kept.
    g.SetSavedFixedRows(0);
    QCOMPARE(g.SavedFixedRows(), 2);
}

void TstGridEdit::searchEndsAfterLastCell() {
    TFajny g;
    FillCoordinates(g);
    g.SetSearchSubstring(true);
    int c = 0;
    int r = 0;
    QVERIFY(g.FindFirst(QStringLiteral("5,5"), true, c, r));
    QCOMPARE(QPoint(c, r), QPoint(5, 5));
    // The cell matched was the last of the area: nothing more is examined, even after the
    // texts change.
    g.SetCells(2, 2, QStringLiteral("5,5"));
    QVERIFY(!g.FindNext(c, r));
    QCOMPARE(QPoint(c, r), QPoint(-1, -1));
    QVERIFY(!g.FindNext(c, r));
    // No search started: false with -1.
    TFajny fresh;
    c = r = 7;
    QVERIFY(!fresh.FindNext(c, r));
    QCOMPARE(QPoint(c, r), QPoint(-1, -1));
    QVERIFY(!fresh.SearchExists());
}

void TstGridEdit::searchModes() {
    TFajny g;
    FillColumns(g, {{"abc", "Łódź", "ŁÓDŹ", "xABCx", "łódź", "ABC"}});
    int c = 0;
    int r = 0;
    // Substring, ignoring the case of every letter, Polish ones included.
    g.SetSearchSubstring(true);
    g.SetKeyType(soString);
    QCOMPARE(AllMatches(g, QStringLiteral("abc"), true), (QList<QPoint>{{0, 1}, {0, 4}, {0, 6}}));
    QCOMPARE(AllMatches(g, QStringLiteral("łódź"), true), (QList<QPoint>{{0, 2}, {0, 3}, {0, 5}}));
    QCOMPARE(AllMatches(g, QStringLiteral("ŁódŹ"), true), (QList<QPoint>{{0, 2}, {0, 3}, {0, 5}}));
    // Substring, exact.
    g.SetKeyType(soStringCaseSensitive);
    QCOMPARE(AllMatches(g, QStringLiteral("ABC"), true), (QList<QPoint>{{0, 4}, {0, 6}}));
    // An empty search text is contained nowhere.
    QVERIFY(!g.FindFirst(QString(), true, c, r));
    // Whole cell, ignoring case by the locale: Ł equals ł.
    g.SetSearchSubstring(false);
    g.SetKeyType(soString);
    QCOMPARE(AllMatches(g, QStringLiteral("łódź"), true), (QList<QPoint>{{0, 2}, {0, 3}, {0, 5}}));
    QCOMPARE(AllMatches(g, QStringLiteral("abc"), true), (QList<QPoint>{{0, 1}, {0, 6}}));
    // Whole cell, exact.
    g.SetKeyType(soStringCaseSensitive);
    QCOMPARE(AllMatches(g, QStringLiteral("ABC"), true), (QList<QPoint>{{0, 6}}));
    // An empty search text equals an empty cell in whole-cell mode.
    g.SetCells(0, 3, QString());
    QCOMPARE(AllMatches(g, QString(), true), (QList<QPoint>{{0, 3}}));
}

void TstGridEdit::searchKeyPosKeyLen() {
    TFajny g;
    FillColumns(g, {{"abcde", "xbcdx", "bcd", "ab"}});
    g.SetKeyPos(2);
    g.SetKeyLen(3);
    QCOMPARE(AllMatches(g, QStringLiteral("bcd"), true), (QList<QPoint>{{0, 1}, {0, 2}}));
    QCOMPARE(AllMatches(g, QStringLiteral("BCD"), true), (QList<QPoint>{{0, 1}, {0, 2}}));
    // A start beyond the end gives an empty part; below 1 counts as 1.
    g.SetKeyPos(10);
    QCOMPARE(AllMatches(g, QString(), true).size(), 4);
    g.SetKeyPos(-5);
    g.SetKeyLen(2);
    QCOMPARE(AllMatches(g, QStringLiteral("ab"), true), (QList<QPoint>{{0, 1}, {0, 4}}));
    // KeyPos and KeyLen do nothing in substring mode.
    g.SetSearchSubstring(true);
    QCOMPARE(AllMatches(g, QStringLiteral("cde"), true), (QList<QPoint>{{0, 1}}));
}

void TstGridEdit::searchInRowAndColumn() {
    TFajny g;
    FillCoordinates(g);
    g.SetSearchSubstring(true);
    int c = 0;
    int r = 0;
    QVERIFY(g.FindFirstInRow(QStringLiteral(","), 3, c, r));
    QCOMPARE(QPoint(c, r), QPoint(2, 3));
    QList<QPoint> found{{c, r}};
    while (g.FindNext(c, r))
        found << QPoint(c, r);
    QCOMPARE(found, (QList<QPoint>{{2, 3}, {3, 3}, {4, 3}, {5, 3}}));
    QVERIFY(g.FindFirstInCol(QStringLiteral(","), 4, c, r));
    found = {{c, r}};
    while (g.FindNext(c, r))
        found << QPoint(c, r);
    QCOMPARE(found, (QList<QPoint>{{4, 2}, {4, 3}, {4, 4}, {4, 5}}));
    g.SetUseFixed(hfYes);
    QVERIFY(g.FindFirstInCol(QStringLiteral(","), 4, c, r));
    QCOMPARE(QPoint(c, r), QPoint(4, 0));
}

void TstGridEdit::searchAfterGridShrankOrBadArea() {
    TFajny g;
    FillCoordinates(g);
    g.SetKeyType(soStringCaseSensitive);
    int c = 0;
    int r = 0;
    // Whole-cell search for the empty text finds only empty cells.
    g.SetCells(2, 2, QString());
    QVERIFY(g.FindFirst(QString(), true, c, r));
    QCOMPARE(QPoint(c, r), QPoint(2, 2));
    // The grid shrinks: the cells gone read as empty texts, and nothing outside is touched.
    g.SetRowCount(3);
    g.SetColCount(3);
    QList<QPoint> rest;
    while (g.FindNext(c, r))
        rest << QPoint(c, r);
    QVERIFY(rest.size() > 0);
    for (const QPoint& p : rest)
        QVERIFY(p.x() >= 3 || p.y() >= 3);
    // A row or column that does not exist has nothing to search.
    QVERIFY(!g.FindFirstInRow(QString(), 99, c, r));
    QCOMPARE(QPoint(c, r), QPoint(-1, -1));
    QVERIFY(!g.FindFirstInCol(QString(), -1, c, r));
    // A grid of fixed rows only has no area for FindFirst.
    TFajny fixedOnly;
    fixedOnly.SetColCount(3);
    fixedOnly.SetRowCount(2);
    fixedOnly.SetFixedRows(2);
    QVERIFY(!fixedOnly.FindFirst(QString(), true, c, r));
}

void TstGridEdit::locateText() {
    TFajny g;
    FillCoordinates(g);
    g.SetCells(3, 4, QStringLiteral("Łata"));
    g.SetCells(4, 1, QStringLiteral("ŁATA"));
    int c = -7;
    int r = -7;
    QVERIFY(g.LocateText(QStringLiteral("łata"), c, r));
    QCOMPARE(QPoint(c, r), QPoint(3, 4));
    QVERIFY(g.LocateText(QStringLiteral("0,0"), c, r)); // fixed rows included
    QCOMPARE(QPoint(c, r), QPoint(0, 0));
    c = r = -7;
    QVERIFY(!g.LocateText(QStringLiteral("nic"), c, r));
    QCOMPARE(QPoint(c, r), QPoint(-7, -7));
}

void TstGridEdit::modifyRowAndCol() {
    TFajny g;
    FillCoordinates(g);
    QCOMPARE(g.ModifyRow(1, QStringLiteral("a;b;;c"), QStringLiteral(";")), 4);
    QCOMPARE(g.Rows(1).mid(0, 5), QStringList({"a", "b", "", "c", "4,1"}));
    QCOMPARE(g.ModifyRow(2, QStringLiteral("x::y"), QStringLiteral("::")), 2);
    QCOMPARE(g.Rows(2).mid(0, 3), QStringList({"x", "y", "2,2"}));
    QCOMPARE(g.ModifyRow(3, QStringLiteral("p;q"), QString()), 1);
    QCOMPARE(g.Cells(0, 3), QStringLiteral("p;q"));
    QCOMPARE(g.ModifyCol(5, QStringLiteral("1|2|3"), QStringLiteral("|")), 3);
    QCOMPARE(g.Cols(5).mid(0, 4), QStringList({"1", "2", "3", "5,3"}));
    // More fields than columns: the extra ones are dropped, the count stays.
    QCOMPARE(g.ModifyRow(4, QStringLiteral("1;2;3;4;5;6;7;8"), QStringLiteral(";")), 8);
    QCOMPARE(g.ColCount(), 6);
    QCOMPARE(g.Rows(4), QStringList({"1", "2", "3", "4", "5", "6"}));
    // Rows and columns that do not exist get nothing.
    QCOMPARE(g.ModifyRow(6, QStringLiteral("a"), QStringLiteral(";")), 0);
    QCOMPARE(g.ModifyRow(-1, QStringLiteral("a"), QStringLiteral(";")), 0);
    QCOMPARE(g.ModifyCol(6, QStringLiteral("a"), QStringLiteral(";")), 0);
    QCOMPARE(g.RowCount(), 6);
}

void TstGridEdit::insertRows() {
    TFajny g;
    FillCoordinates(g);
    QList<int> inserted;
    g.OnRowInsert = [&inserted](TFajny*, int i) { inserted << i; };
    g.HideRows(4, 4);
    g.InsertRowAt(3);
    QCOMPARE(g.RowCount(), 7);
    QCOMPARE(g.Rows(3), QStringList(6, QString()));
    QCOMPARE(g.Cells(0, 4), QStringLiteral("0,3"));
    QCOMPARE(g.Row(), 3);
    QCOMPARE(inserted, QList<int>{3});
    // The hidden row moved down with its record.
    QCOMPARE(g.RowHeights(5), 0);
    QCOMPARE(g.HiddenSizes().Items().size(), std::size_t{1});
    QCOMPARE(g.HiddenSizes().Items()[0].Index, 5);
    g.ShowRows(5, 5);
    QCOMPARE(g.RowHeights(5), g.DefaultRowHeight());
    // Several at once.
    QVERIFY(g.InsertRowsAt(2, 2));
    QCOMPARE(inserted, (QList<int>{3, 2, 2}));
    QCOMPARE(g.RowCount(), 9);
    QVERIFY(!g.InsertRowsAt(g.RowCount(), 1));
    QVERIFY(!g.InsertRowsAt(-1, 1));
    // Inserting at the end appends.
    g.InsertRowAt(g.RowCount());
    QCOMPARE(g.RowCount(), 10);
    QCOMPARE(g.Cells(0, 8), QStringLiteral("0,5"));
}

void TstGridEdit::deleteRowsAdjustRecords() {
    TFajny g;
    FillCoordinates(g, 4, 10);
    g.SetRowHeights(6, 33);
    g.HideRows(6, 6);
    for (int r : std::vector<int>(g.SelectedRows()))
        g.SetRowSelected(r, false);
    g.SetRowSelected(3, true);
    g.SetRowSelected(5, true);
    g.SetRowSelected(7, true);
    g.SetRowSelected(8, true);
    QList<int> deleted;
    g.OnRowDelete = [&deleted](TFajny*, int i) { deleted << i; };
    // Below the hidden row: its record stays.
    g.DeleteRowAt(8);
    QCOMPARE(g.HiddenSizes().Items()[0].Index, 6);
    // Above it: the record moves up with the row.
    g.DeleteRowAt(5);
    QCOMPARE(g.HiddenSizes().Items()[0].Index, 5);
    QCOMPARE(g.RowHeights(5), 0);
    g.ShowRows(5, 5);
    QCOMPARE(g.RowHeights(5), 33);
    QCOMPARE(g.Cells(0, 5), QStringLiteral("0,6"));
    // The selection lost 5 and 8; rows after a deleted one moved up.
    QCOMPARE(g.SelectedRows(), (std::vector<int>{3, 6}));
    QCOMPARE(deleted, (QList<int>{8, 5}));
    // A deleted hidden row takes all its records with it (none applies to the next row).
    g.HideRows(4, 4);
    g.HideRows(4, 4);
    g.DeleteRowAt(4);
    QCOMPARE(g.HiddenSizes().Count(), 0);
    QVERIFY(g.RowHeights(4) != 0);
    // Ranges: bottom row first.
    deleted.clear();
    QVERIFY(g.DeleteRowRange(3, 5));
    QCOMPARE(deleted, (QList<int>{5, 4, 3}));
    QVERIFY(!g.DeleteRowRange(3, 2));
    QVERIFY(!g.DeleteRowRange(0, g.RowCount()));
}

void TstGridEdit::deleteRowLowersFooter() {
    TFajny g;
    FillColumns(g, {{"a", "b", "c"}});
    g.SetFooterRows(3);
    QCOMPARE(g.FooterRows(), 3);
    g.DeleteRowAt(1);
    QCOMPARE(g.FooterRows(), 2);
    QCOMPARE(g.ExcludedFooterCount(), 2);
}

void TstGridEdit::columnsInsertDeleteEvents() {
    TFajny g;
    FillCoordinates(g);
    const std::vector<int> selected = g.SelectedRows();
    QStringList log;
    g.OnColumnInsert = [&log](TFajny*, int i) { log << QStringLiteral("ins %1").arg(i); };
    g.OnColumnDelete = [&log](TFajny*, int i) { log << QStringLiteral("del %1").arg(i); };
    g.SetColWidths(4, 77);
    g.HideColumns(4, 4);
    g.InsertColumnAt(3);
    QCOMPARE(g.ColCount(), 7);
    QCOMPARE(g.Cols(3), QStringList(6, QString()));
    QCOMPARE(g.Col(), 3);
    QCOMPARE(g.HiddenSizes().Items()[0].Index, 5);
    g.DeleteColumnAt(2);
    QCOMPARE(g.HiddenSizes().Items()[0].Index, 4);
    g.ShowColumns(4, 4);
    QCOMPARE(g.ColWidths(4), 77);
    QCOMPARE(g.Cells(4, 0), QStringLiteral("4,0"));
    QVERIFY(g.InsertColumnsAt(0, 2));
    QVERIFY(!g.InsertColumnsAt(g.ColCount(), 1));
    QVERIFY(g.DeleteColumnRange(0, 1));
    QCOMPARE(log, QStringList({"ins 3", "del 2", "ins 0", "ins 0", "del 1", "del 0"}));
    // Deleting columns leaves the row selection alone.
    QCOMPARE(g.SelectedRows(), selected);
}

void TstGridEdit::moveAndSwap() {
    TFajny g;
    FillColumns(g, {{"a", "b", "c", "d", "e"}});
    g.SwapRows(2, 4);
    QCOMPARE(Column(g, 0), QStringList({"a", "d", "c", "b", "e"}));
    g.SwapRows(5, 1);
    QCOMPARE(Column(g, 0), QStringList({"e", "d", "c", "b", "a"}));
    g.SwapRows(3, 3);
    QCOMPARE(Column(g, 0), QStringList({"e", "d", "c", "b", "a"}));
    g.MoveRowTo(1, 5);
    QCOMPARE(Column(g, 0), QStringList({"d", "c", "b", "a", "e"}));
    TFajny h;
    FillColumns(h, {{"1"}, {"2"}, {"3"}});
    h.SwapColumns(0, 2);
    QCOMPARE(h.Rows(1), QStringList({"3", "2", "1"}));
    h.MoveColumnTo(2, 0);
    QCOMPARE(h.Rows(1), QStringList({"1", "3", "2"}));
}

void TstGridEdit::rangeChecks() {
    TFajny g;
    FillCoordinates(g);
    int events = 0;
    g.OnRowDelete = [&events](TFajny*, int) { ++events; };
    g.OnRowInsert = [&events](TFajny*, int) { ++events; };
    g.OnColumnDelete = [&events](TFajny*, int) { ++events; };
    g.DeleteRowAt(6);
    g.DeleteRowAt(-1);
    g.DeleteColumnAt(6);
    g.InsertRowAt(7);
    g.InsertRowAt(-1);
    g.MoveRowTo(0, 6);
    g.MoveColumnTo(-1, 0);
    g.SwapRows(0, 10);
    g.SwapColumns(0, 10);
    g.HideRows(4, 6);
    g.HideColumns(-1, 2);
    g.ShowRows(0, 99);
    QCOMPARE(events, 0);
    QCOMPARE(g.RowCount(), 6);
    QCOMPARE(g.ColCount(), 6);
    QCOMPARE(g.HiddenSizes().Count(), 0);
    QCOMPARE(g.RowHeights(4), g.DefaultRowHeight());
    QCOMPARE(g.Cells(0, 0), QStringLiteral("0,0"));
    QCOMPARE(g.Cells(5, 5), QStringLiteral("5,5"));
}

void TstGridEdit::alwaysShowEditorGuard() {
    TFajny g;
    FillCoordinates(g);
    g.SetOptions(g.Options() | goEditing | goAlwaysShowEditor);
    g.DeleteRowAt(3);
    g.MoveRowTo(2, 4);
    g.DeleteColumnAt(3);
    QVERIFY(g.Options() & goAlwaysShowEditor);
    g.SetOptions(g.Options() & ~TGridOptions{goAlwaysShowEditor});
    g.DeleteRowAt(2);
    QVERIFY(!(g.Options() & goAlwaysShowEditor));
}

void TstGridEdit::clearing() {
    TFajny g;
    FillCoordinates(g);
    g.SetSortDirection(sdDescending);
    QVERIFY(!g.ClearColumnRange(3, 1));
    QVERIFY(!g.ClearRowRange(0, 6));
    QCOMPARE(g.Cells(3, 3), QStringLiteral("3,3"));
    QVERIFY(g.ClearColumnRange(1, 3));
    QCOMPARE(g.Rows(4), QStringList({"0,4", "", "", "", "4,4", "5,4"}));
    g.ClearRowsFrom(4);
    QCOMPARE(g.Rows(5), QStringList(6, QString()));
    QCOMPARE(g.Cells(0, 3), QStringLiteral("0,3"));
    QCOMPARE(g.SortDirection(), sdAscending);
    g.SetSortDirection(sdDescending);
    g.ClearRows();
    QCOMPARE(g.RowCount(), 6);
    for (int r = 0; r < 6; ++r)
        QCOMPARE(g.Rows(r), QStringList(6, QString()));
    QCOMPARE(g.SortDirection(), sdAscending);
}

void TstGridEdit::hidingAndShowing() {
    TFajny g;
    FillCoordinates(g, 8, 8);
    g.SetColWidths(5, 150);
    g.SetColWidths(6, 150);
    g.HideColumns(5, 6);
    QCOMPARE(g.ColWidths(5), 0);
    QCOMPARE(g.ColWidths(6), 0);
    g.ShowColumns(5, 6);
    QCOMPARE(g.ColWidths(5), 150);
    QCOMPARE(g.ColWidths(6), 150);
    QCOMPARE(g.HiddenSizes().Count(), 0);
    // Hidden twice: the first record's size comes back, the last record goes.
    g.HideColumns(5, 5);
    g.HideColumns(5, 5);
    QCOMPARE(g.HiddenSizes().Count(), 2);
    QCOMPARE(g.HiddenSizes().Items()[1].Size, 0);
    g.ShowColumns(5, 5);
    QCOMPARE(g.ColWidths(5), 150);
    QCOMPARE(g.HiddenSizes().Count(), 1);
    QCOMPARE(g.HiddenSizes().Items()[0], (TOldRowColValue{rcColumn, 5, 150}));
    // A row at height 0 that was never hidden stays at 0.
    g.SetRowHeights(3, 0);
    g.ShowRows(3, 3);
    QCOMPARE(g.RowHeights(3), 0);
    g.SetRowHeights(4, 30);
    g.HideRows(4, 4);
    g.ShowRows(2, 5);
    QCOMPARE(g.RowHeights(4), 30);
    QCOMPARE(g.RowHeights(3), 0);
}

void TstGridEdit::goToCell() {
    TFajny g;
    g.SetColCount(5);
    g.SetRowCount(5);
    g.SetFixedRows(1);
    g.SetFixedCols(2);
    g.GoToCell(0, 0);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 1));
    bool allow = false;
    g.OnSelectCell = [&allow](TStringGrid*, int, int, bool& can) { can = allow; };
    g.GoToCell(3, 3);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 1));
    allow = true;
    g.GoToCell(3, 3);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(3, 3));
    g.GoToCell(9, 9); // outside: nothing
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(3, 3));
}

void TstGridEdit::propertyRules() {
    TFajny g;
    FillColumns(g, {{"a", "b"}, {"c", "d"}});
    g.SetSortColumn(0);
    QCOMPARE(g.SortColumn(), 0);
    g.SetSortColumn(-1);
    QCOMPARE(g.SortColumn(), 0);
    g.SetSortColumn(2);
    QCOMPARE(g.SortColumn(), 0);
    g.SetSortColumn(1);
    QCOMPARE(g.SortColumn(), 1);
    g.SetFooterRows(3);
    QCOMPARE(g.FooterRows(), 0);
    g.SetFooterRows(-1);
    QCOMPARE(g.FooterRows(), 0);
    g.SetFooterRows(2);
    QCOMPARE(g.FooterRows(), 2);
    QVERIFY(!g.IsFooterRow(0));
    QVERIFY(g.IsFooterRow(1));
    g.SetSortFooter(true);
    QCOMPARE(g.ExcludedFooterCount(), 0);
    g.SetFooterRows(9); // invalid, still recomputed
    QCOMPARE(g.ExcludedFooterCount(), 0);
    g.SetSortFooter(false);
    QCOMPARE(g.ExcludedFooterCount(), 2);
}

void TstGridEdit::rowSelectionApi() {
    TFajny g;
    FillCoordinates(g, 3, 10);
    // At construction the selection held the fixed row count of that moment.
    const int initial = g.SelectedRows().front();
    QCOMPARE(g.SelectedRowCount(), 1);
    g.ToggleRowSelection(initial);
    QCOMPARE(g.SelectedRowCount(), 0);
    g.SetRowRangeSelected(7, 4, true);
    QCOMPARE(g.SelectedRows(), (std::vector<int>{4, 5, 6, 7}));
    g.SetRowSelected(5, false);
    g.SetRowSelected(5, false);
    g.ToggleRowSelection(9);
    QCOMPARE(g.SelectedRows(), (std::vector<int>{4, 6, 7, 9}));
    QVERIFY(g.IsRowSelected(9));
    QVERIFY(!g.IsRowSelected(5));
}

void TstGridEdit::initialValues() {
    TFajny g;
    QCOMPARE(g.KeyType(), soString);
    QCOMPARE(g.KeyPos(), 1);
    QCOMPARE(g.KeyLen(), 2147483647);
    QCOMPARE(g.UseFixed(), hfNot);
    QVERIFY(!g.SearchSubstring());
    QVERIFY(!g.CaseSensitive());
    QCOMPARE(g.AlignmentHorz(), taLeftJustify);
    QCOMPARE(g.AlignmentVert(), taTopJustify);
    QCOMPARE(g.BevelStyle(), cbNone);
    QVERIFY(g.ProportionalScrollBars());
    QVERIFY(!g.ExtendedKeys());
    QCOMPARE(g.SortSymbol(), sgNone);
    QVERIFY(g.SortSymbolImage().isNull());
    QCOMPARE(g.SortSpacingHor(), 2);
    QCOMPARE(g.SortSpacingVert(), 0);
    QCOMPARE(g.SortDirection(), sdAscending);
    QCOMPARE(g.SortColumn(), 1);
    QVERIFY(g.SortOnClick());
    QVERIFY(!g.SortFooter());
    QCOMPARE(g.FooterRows(), 0);
    QCOMPARE(g.FooterColor(), clAqua);
    QCOMPARE(g.FooterBevelStyle(), cbNone);
    QVERIFY(!g.WordWrap());
    const TPrintOptions& p = g.PrintOptions();
    QCOMPARE(p.Copies, 1u);
    QCOMPARE(p.PreviewPage, 1u);
    QCOMPARE(p.Leftpadding, 2u);
    QCOMPARE(p.PageFooter, QStringLiteral("date|time|page"));
    QCOMPARE(p.DateFormat, QStringLiteral("d-mmm-yyyy"));
    QCOMPARE(p.TimeFormat, QStringLiteral("h:nn"));
    QCOMPARE(p.BorderStyle, bsNone);
    QCOMPARE(p.Orientation, poPortrait);
    QCOMPARE(int(p.HeaderSize), g.Font().Size() + 2);
    QCOMPARE(int(p.FooterSize), g.FooterFont().Size() - 1);
    QCOMPARE(g.PrintFont(), g.Canvas().Font);
}

QTEST_MAIN(TstGridEdit)
#include "tst_gridedit.moc"
