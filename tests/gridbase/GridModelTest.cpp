#include "GridTestHelpers.h"

#include <QtWidgets/QScrollBar>

#include <array>
#include <limits>
#include <string_view>

using namespace movra;
using gridtest::Host;
using gridtest::ProbeGrid;

class GridModelTest : public QObject {
    Q_OBJECT
private slots:
    void defaults();
    void cellsOutsideTheGrid();
    void countsKeepWhatStays();
    void deleteRowMovesEverythingUp();
    void deleteColumnMovesEverythingLeft();
    void moveRowAndColumnCarryDataAndSizes();
    void rowAndColumnLists();
    void permuteRowsMovesTextsAndObjectsNotHeights();
    void textsOfAnyScriptSurviveEveryRearrangement();
    void gridOfTitlesOnly();
    void geometryWithFixedCellsAndScrolling();
    void hiddenRowsAndColumns();
    void hugeSizesNeverWrapIntoView();
    void topRowVisibleCountsAndScrollBar();
    void currentCellThroughSelectCell();
    void selectionShapes();
    void paintTouchesOnlyVisibleCellsOfAHugeGrid();
    void paintColoursByState();
    void defaultDrawingAndDrawEvent();
    void canvasOutsidePaintMeasures();
};

void GridModelTest::defaults() {
    TStringGrid g;
    QCOMPARE(g.ColCount(), 5);
    QCOMPARE(g.RowCount(), 5);
    QCOMPARE(g.FixedCols(), 1);
    QCOMPARE(g.FixedRows(), 1);
    QCOMPARE(g.DefaultColWidth(), 64);
    QCOMPARE(g.DefaultRowHeight(), 24);
    QCOMPARE(g.ColWidths(3), 64);
    QCOMPARE(g.RowHeights(3), 24);
    QCOMPARE(g.GridLineWidth(), 1);
    QVERIFY(g.DefaultDrawing());
    QCOMPARE(g.FixedColor(), clBtnFace);
    QCOMPARE(g.Color(), clWindow);
    QCOMPARE(g.Col(), 1);
    QCOMPARE(g.Row(), 1);
    QCOMPARE(g.TopRow(), 1);
    QCOMPARE(g.LeftCol(), 1);
    QCOMPARE(g.GridState(), TGridState::Normal);
    QVERIFY(!g.EditorMode());
    QCOMPARE(g.Font().toQFont().family(), QApplication::font().family());
    QCOMPARE(g.Options() & (goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine),
             unsigned(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine));
}

void GridModelTest::cellsOutsideTheGrid() {
    TStringGrid g;
    int obj = 0;
    g.SetCells(5, 0, QStringLiteral("x"));
    g.SetCells(-1, 0, QStringLiteral("x"));
    g.SetObjects(0, 5, &obj);
    QCOMPARE(g.Cells(5, 0), QString());
    QCOMPARE(g.Cells(0, -1), QString());
    QVERIFY(g.Objects(0, 5) == nullptr);
    g.SetCells(4, 4, QStringLiteral("róg"));
    g.SetObjects(4, 4, &obj);
    QCOMPARE(g.Cells(4, 4), QStringLiteral("róg"));
    QCOMPARE(g.Objects(4, 4), static_cast<void*>(&obj));
    QVERIFY(g.Objects(3, 4) == nullptr);
}

void GridModelTest::countsKeepWhatStays() {
    ProbeGrid g;
    int a = 0;
    g.SetCells(1, 1, QStringLiteral("a"));
    g.SetCells(4, 4, QStringLiteral("gone"));
    g.SetObjects(1, 1, &a);
    g.SetRowHeights(1, 40);
    g.SetRowCount(3);
    QCOMPARE(g.sizeChanges.size(), 1);
    QCOMPARE(g.sizeChanges.last(), qMakePair(5, 5));
    QCOMPARE(g.Cells(1, 1), QStringLiteral("a"));
    QCOMPARE(g.Objects(1, 1), static_cast<void*>(&a));
    QCOMPARE(g.RowHeights(1), 40);
    g.SetRowCount(5);
    QCOMPARE(g.Cells(4, 4), QString()); // a row that went and came back is empty
    QCOMPARE(g.RowHeights(4), 24);
    g.SetColCount(2);
    QCOMPARE(g.sizeChanges.last(), qMakePair(5, 5));
    QCOMPARE(g.Cells(1, 1), QStringLiteral("a"));
    QCOMPARE(g.Objects(1, 1), static_cast<void*>(&a));
    g.SetColCount(0); // at least one column
    QCOMPARE(g.ColCount(), 1);
    QCOMPARE(g.FixedCols(), 1);
    QCOMPARE(g.sizeChanges.size(), 4);
    const int before = g.sizeChanges.size();
    g.SetRowCount(g.RowCount()); // unchanged: no notification
    QCOMPARE(g.sizeChanges.size(), before);
}

void GridModelTest::deleteRowMovesEverythingUp() {
    ProbeGrid g;
    g.SetRowCount(6);
    int objs[6] = {};
    for (int r = 0; r < 6; ++r) {
        g.SetCells(1, r, QString::number(r));
        g.SetObjects(2, r, &objs[r]);
        g.SetRowHeights(r, 20 + r);
    }
    g.FocusCell(1, 4);
    g.DeleteRow(2);
    QCOMPARE(g.RowCount(), 5);
    QCOMPARE(g.Cols(1), (QStringList{"0", "1", "3", "4", "5"}));
    QCOMPARE(g.Objects(2, 2), static_cast<void*>(&objs[3]));
    QCOMPARE(g.Objects(2, 4), static_cast<void*>(&objs[5]));
    QCOMPARE(g.RowHeights(2), 23);
    QCOMPARE(g.RowHeights(4), 25);
    QCOMPARE(g.Row(), 3); // still on the record "4"
    QCOMPARE(g.sizeChanges.last(), qMakePair(5, 6));
    // Deleting the current row keeps the row number (the next record moves in).
    g.DeleteRow(3);
    QCOMPARE(g.Row(), 3);
    QCOMPARE(g.Cells(1, 3), QStringLiteral("5"));
    // Deleting the last row moves the current row up onto the new last one.
    g.DeleteRow(3);
    QCOMPARE(g.Row(), 2);
    g.DeleteRow(99); // outside: nothing
    QCOMPARE(g.RowCount(), 3);
}

void GridModelTest::deleteColumnMovesEverythingLeft() {
    TStringGrid g;
    int o = 0;
    for (int c = 0; c < 5; ++c) {
        g.SetCells(c, 1, QString(QChar('a' + c)));
        g.SetColWidths(c, 10 + c);
    }
    g.SetObjects(3, 1, &o);
    g.FocusCell(4, 1);
    g.DeleteColumn(1);
    QCOMPARE(g.ColCount(), 4);
    QCOMPARE(g.Rows(1), (QStringList{"a", "c", "d", "e"}));
    QCOMPARE(g.Objects(2, 1), static_cast<void*>(&o));
    QCOMPARE(g.ColWidths(1), 12);
    QCOMPARE(g.ColWidths(3), 14);
    QCOMPARE(g.Col(), 3);
}

void GridModelTest::moveRowAndColumnCarryDataAndSizes() {
    ProbeGrid g;
    g.SetRowCount(6);
    int o1 = 0;
    for (int r = 0; r < 6; ++r) {
        g.SetCells(0, r, QString::number(r));
        g.SetRowHeights(r, 20 + r);
    }
    g.SetObjects(3, 1, &o1);
    g.FocusCell(2, 1);
    g.MoveRow(1, 4);
    QCOMPARE(g.Cols(0), (QStringList{"0", "2", "3", "4", "1", "5"}));
    QCOMPARE(g.RowHeights(4), 21);
    QCOMPARE(g.RowHeights(1), 22);
    QCOMPARE(g.Objects(3, 4), static_cast<void*>(&o1));
    QCOMPARE(g.Row(), 4); // the current cell follows its record
    QCOMPARE(g.rowMoves, (QList<QPair<int, int>>{{1, 4}}));
    g.MoveRow(5, 2);
    QCOMPARE(g.Cols(0), (QStringList{"0", "2", "5", "3", "4", "1"}));
    QCOMPARE(g.Row(), 5);
    g.MoveRow(2, 2); // nothing
    g.MoveRow(0, 9);
    QCOMPARE(g.rowMoves.size(), 2);

    for (int c = 0; c < 5; ++c) {
        g.SetCells(c, 0, QString(QChar('a' + c)));
        g.SetColWidths(c, 30 + c);
    }
    g.MoveColumn(4, 1);
    QCOMPARE(g.Rows(0), (QStringList{"a", "e", "b", "c", "d"}));
    QCOMPARE(g.ColWidths(1), 34);
    QCOMPARE(g.ColWidths(4), 33);
    QCOMPARE(g.Col(), 3); // was 2, shifted right by the column moved before it
    QCOMPARE(g.colMoves, (QList<QPair<int, int>>{{4, 1}}));
    QCOMPARE(g.Objects(4, 5), static_cast<void*>(&o1)); // row 4 went to 5, column 3 to 4
}

void GridModelTest::rowAndColumnLists() {
    TStringGrid g;
    int o = 0;
    g.SetObjects(2, 1, &o);
    g.SetRows(1, {QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(g.Rows(1), (QStringList{"a", "b", "", "", ""}));
    QVERIFY(g.Objects(2, 1) == nullptr); // assigning a row empties its objects too
    g.SetRows(1, {"1", "2", "3", "4", "5", "6", "7"});
    QCOMPARE(g.Rows(1).size(), 5);
    QCOMPARE(g.Cells(4, 1), QStringLiteral("5"));
    g.SetCols(3, {QStringLiteral("x")});
    QCOMPARE(g.Cols(3), (QStringList{"x", "", "", "", ""}));
    g.SetCells(2, 2, QStringLiteral("ŁÓDŹ"));
    QCOMPARE(g.IndexOfInRow(2, QStringLiteral("łódź")), 2);
    QCOMPARE(g.IndexOfInCol(2, QStringLiteral("Łódź")), 2);
    QCOMPARE(g.IndexOfInRow(2, QStringLiteral("lodz")), -1);
    QCOMPARE(g.IndexOfInRow(1, QStringLiteral("3")), 2);
    QCOMPARE(g.IndexOfInRow(9, QStringLiteral("3")), -1);
    QVERIFY(g.Rows(9).isEmpty());
}

void GridModelTest::permuteRowsMovesTextsAndObjectsNotHeights() {
    TStringGrid g;
    g.SetColCount(2);
    g.SetRowCount(5);
    int tags[4] = {};
    for (int r = 1; r < 5; ++r) {
        g.SetCells(0, r, QStringLiteral("r%1").arg(r));
        g.SetCells(1, r, QStringLiteral("x%1").arg(r));
    }
    g.SetObjects(1, 2, &tags[2]);
    g.SetRowHeights(1, 40);

    QVERIFY(g.PermuteRows(1, {3, 1, 4, 2}));
    QCOMPARE(g.Cols(0), (QStringList{QString(), "r3", "r1", "r4", "r2"}));
    QCOMPARE(g.Cols(1), (QStringList{QString(), "x3", "x1", "x4", "x2"}));
    QCOMPARE(g.Objects(1, 4), static_cast<void*>(&tags[2]));
    QCOMPARE(g.Objects(1, 2), nullptr);
    QCOMPARE(g.RowHeights(1), 40); // heights belong to the place, not to the texts

    // Anything but a permutation of the rows from `first` on changes nothing.
    const QStringList before = g.Cols(0);
    QVERIFY(!g.PermuteRows(1, {1, 1, 2, 3}));
    QVERIFY(!g.PermuteRows(1, {1, 2, 3, 5}));
    QVERIFY(!g.PermuteRows(2, {2, 3, 4, 5}));
    QVERIFY(!g.PermuteRows(-1, {}));
    QCOMPARE(g.Cols(0), before);
    QVERIFY(g.PermuteRows(2, {2, 3}));
    QCOMPARE(g.Cols(0), before);
}

// Rows are stored one byte per character when Windows-1250 holds them, else as UTF-16; a row
// changes between the two as its texts do, and every rearrangement keeps each text whole.
void GridModelTest::textsOfAnyScriptSurviveEveryRearrangement() {
    TStringGrid g;
    g.SetColCount(4);
    g.SetRowCount(4);
    const QString emoji = QStringLiteral("Ala 😀 ma kota");
    const QString polish = QStringLiteral("Żółć – „łódź”");
    g.SetCells(0, 1, polish);
    g.SetCells(1, 1, emoji); // the row turns to UTF-16
    g.SetCells(2, 1, QStringLiteral("Ωμέγα"));
    QCOMPARE(g.Rows(1), (QStringList{polish, emoji, QStringLiteral("Ωμέγα"), QString()}));
    g.SetCells(1, 1, QStringLiteral("x")); // still one wide text in the row
    QCOMPARE(g.Cells(2, 1), QStringLiteral("Ωμέγα"));
    g.SetCells(2, 1, QString()); // back to one byte per character
    QCOMPARE(g.Rows(1), (QStringList{polish, "x", QString(), QString()}));
    const std::array<std::string_view, 3> bytes{std::string_view("a\0b", 3),
                                                "\xA3\xF3"
                                                "d\x9F",
                                                ""};
    g.SetRowCp1250(2, bytes);
    QCOMPARE(g.Rows(2),
             (QStringList{QString::fromUtf16(u"a\0b", 3), QStringLiteral("Łódź"), "", ""}));
    g.SetCells(3, 3, emoji);

    g.MoveColumn(0, 3);
    QCOMPARE(g.Rows(1), (QStringList{"x", QString(), QString(), polish}));
    QCOMPARE(g.Cells(2, 3), emoji);
    g.MoveRow(3, 1);
    QCOMPARE(g.Cells(2, 1), emoji);
    QCOMPARE(g.Cells(3, 2), polish);
    g.DeleteColumn(0);
    QCOMPARE(g.Rows(2), (QStringList{QString(), QString(), polish}));
    g.SetColCount(5);
    QCOMPARE(g.Rows(1), (QStringList{QString(), emoji, QString(), QString(), QString()}));
    QVERIFY(g.PermuteRows(1, {3, 2, 1}));
    QCOMPARE(g.Cells(1, 3), emoji);
    QCOMPARE(g.Cells(2, 2), polish);
    QCOMPARE(g.Cells(2, 1), QString::fromUtf16(u"a\0b", 3));
    g.SetCols(2, {QString(), QStringLiteral("😀"), QString()});
    QCOMPARE(g.Cols(2), (QStringList{QString(), QStringLiteral("😀"), QString(), QString()}));
    g.DeleteRow(1);
    QCOMPARE(g.Rows(1), (QStringList{QString(), QString(), QString(), QString(), QString()}));
    QCOMPARE(g.Cells(1, 2), emoji);
}

void GridModelTest::gridOfTitlesOnly() {
    // An empty list: the title row stays fixed and is the current row until data comes back.
    ProbeGrid g;
    g.SetCells(1, 0, QStringLiteral("Imię"));
    g.SetRowCount(1);
    QCOMPARE(g.FixedRows(), 1);
    QCOMPARE(g.Row(), 0);
    QCOMPARE(g.Cells(1, g.Row()), QStringLiteral("Imię"));
    g.SetRowCount(4);
    QCOMPARE(g.FixedRows(), 1);
    QCOMPARE(g.Row(), 1);
    QCOMPARE(g.TopRow(), 1);
    // Fixed counts never exceed the grid.
    g.SetColCount(1);
    QCOMPARE(g.FixedCols(), 1);
    g.SetFixedCols(5);
    QCOMPARE(g.FixedCols(), 1);
    g.SetColCount(3);
    g.SetFixedRows(2);
    QCOMPARE(g.Row(), 2);
    QCOMPARE(g.TopRow(), 2);
}

void GridModelTest::geometryWithFixedCellsAndScrolling() {
    Host h;
    ProbeGrid& g = *h.grid;
    g.SetDefaultColWidth(50);
    g.SetDefaultRowHeight(20);
    g.SetRowCount(20);
    QCOMPARE(g.viewport()->size(), QSize(300, 200));
    QCOMPARE(g.CellRect(0, 0), TRect(0, 0, 50, 20));
    QCOMPARE(g.CellRect(1, 1), TRect(51, 21, 101, 41));
    QCOMPARE(g.CellRect(4, 2), TRect(204, 42, 254, 62));
    int c = -1;
    int r = -1;
    g.MouseToCell(60, 30, c, r);
    QCOMPARE(QPoint(c, r), QPoint(1, 1));
    g.MouseToCell(50, 20, c, r); // the grid line belongs to the cell before it
    QCOMPARE(QPoint(c, r), QPoint(0, 0));
    g.MouseToCell(280, 30, c, r); // right of the last column
    QCOMPARE(QPoint(c, r), QPoint(-1, 1));
    g.MouseToCell(-1, 30, c, r);
    QCOMPARE(QPoint(c, r), QPoint(-1, -1));

    g.SetTopRow(5);
    QCOMPARE(g.TopRow(), 5);
    QCOMPARE(g.CellRect(1, 0), TRect(51, 0, 101, 20)); // the title stays
    QCOMPARE(g.CellRect(1, 5), TRect(51, 21, 101, 41));
    QVERIFY(g.CellRect(1, 1).IsEmpty());
    QVERIFY(g.CellRect(1, 19).IsEmpty());
    g.MouseToCell(60, 30, c, r);
    QCOMPARE(QPoint(c, r), QPoint(1, 5));
    g.MouseToCell(60, 10, c, r);
    QCOMPARE(QPoint(c, r), QPoint(1, 0));

    g.SetColCount(10);
    g.SetFixedCols(2);
    g.SetLeftCol(3);
    QCOMPARE(g.CellRect(3, 5), TRect(102, 21, 152, 41));
    QVERIFY(g.CellRect(2, 5).IsEmpty());
    g.MouseToCell(110, 30, c, r);
    QCOMPARE(QPoint(c, r), QPoint(3, 5));
}

void GridModelTest::hiddenRowsAndColumns() {
    Host h;
    ProbeGrid& g = *h.grid;
    h.fill();
    g.SetDefaultColWidth(50);
    g.SetDefaultRowHeight(20);
    g.SetColWidths(2, 0);
    g.SetRowHeights(2, 0);
    QVERIFY(g.CellRect(2, 1).IsEmpty());
    QVERIFY(g.CellRect(1, 2).IsEmpty());
    QCOMPARE(g.CellRect(3, 3), TRect(102, 42, 152, 62)); // neighbours close up
    int c = -1;
    int r = -1;
    g.MouseToCell(105, 45, c, r);
    QCOMPARE(QPoint(c, r), QPoint(3, 3));
    g.drawn.clear();
    (void)g.grab();
    QVERIFY(!g.drawn.isEmpty());
    for (const auto& d : g.drawn) {
        QVERIFY(d.col != 2);
        QVERIFY(d.row != 2);
    }
    QCOMPARE(g.drawn.size(), 4 * 4);
    // Arrow keys step over hidden rows and columns.
    g.FocusCell(1, 1);
    g.keyDown(Qt::Key_Down);
    QCOMPARE(g.Row(), 3);
    g.keyDown(Qt::Key_Right);
    QCOMPARE(g.Col(), 3);
}

void GridModelTest::topRowVisibleCountsAndScrollBar() {
    Host h(300, 200, true);
    ProbeGrid& g = *h.grid;
    g.SetScrollBars(TScrollStyle::Vertical);
    g.SetDefaultColWidth(50);
    g.SetDefaultRowHeight(20);
    g.SetRowCount(20);
    QTRY_VERIFY(g.verticalScrollBar()->isVisible());
    QCOMPARE(g.viewport()->height(), 200);
    QCOMPARE(g.VisibleRowCount(), 8);
    QCOMPARE(g.VisibleColCount(), 4);
    QScrollBar* bar = g.verticalScrollBar();
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 11); // the last top row, 12, shows rows 12..19 in full
    g.topLeftChanges = 0;
    g.SetTopRow(6);
    QCOMPARE(bar->value(), 5);
    QCOMPARE(g.topLeftChanges, 1);
    g.SetTopRow(6);
    QCOMPARE(g.topLeftChanges, 1);
    bar->setValue(9); // as when the user moves the bar
    QCOMPARE(g.TopRow(), 10);
    QCOMPARE(g.topLeftChanges, 2);
    // Dragging the thumb scrolls on release, or at once with goThumbTracking.
    bar->setSliderDown(true);
    bar->setSliderPosition(3);
    QCOMPARE(g.TopRow(), 10);
    bar->setSliderDown(false);
    QCOMPARE(g.TopRow(), 4);
    g.SetOptions(g.Options() | goThumbTracking);
    bar->setSliderDown(true);
    bar->setSliderPosition(7);
    QCOMPARE(g.TopRow(), 8);
    bar->setSliderDown(false);
    g.topLeftChanges = 2;
    // Near the end fewer rows remain to be shown.
    g.SetTopRow(15);
    QCOMPARE(g.TopRow(), 12);
    QCOMPARE(g.VisibleRowCount(), 8);
    g.setFixedHeight(260); // a taller view shows more: the top row comes back
    QTRY_COMPARE(g.viewport()->height(), 260);
    QCOMPARE(g.TopRow(), 9);
    QCOMPARE(g.verticalScrollBar()->maximum(), 8);
    g.setFixedHeight(200);
    QTRY_COMPARE(g.viewport()->height(), 200);
    // Making a far cell current scrolls it into view as the last visible row.
    g.SetTopRow(1);
    g.FocusCell(1, 14);
    QCOMPARE(g.TopRow(), 7);
    QVERIFY(!g.CellRect(1, 14).IsEmpty());
    QVERIFY(g.CellRect(1, 14).Bottom <= 200);
    g.FocusCell(1, 3);
    QCOMPARE(g.TopRow(), 3);
    // Bigger rows: fewer visible, and the range follows.
    g.SetRowHeights(19, 100);
    QVERIFY(bar->maximum() > 11);
}

void GridModelTest::currentCellThroughSelectCell() {
    ProbeGrid g;
    int events = 0;
    g.OnSelectCell = [&](TStringGrid*, int, int row, bool& can) {
        ++events;
        can = row != 3;
    };
    int hostClicks = 0;
    g.OnClick = [&](TStringGrid*) { ++hostClicks; };
    g.FocusCell(2, 2);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(2, 2));
    QCOMPARE(g.clicks, 1);
    QCOMPARE(hostClicks, 1);
    g.SetRow(3); // refused
    QCOMPARE(g.Row(), 2);
    QCOMPARE(g.clicks, 1);
    QCOMPARE(events, 2);
    g.SetRow(2); // unchanged: not even asked
    QCOMPARE(events, 2);
    g.SetCol(4);
    QCOMPARE(g.Col(), 4);
    QCOMPARE(g.clicks, 2);
    g.FocusCell(0, 0); // fixed cells cannot become current
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(4, 2));
    g.allow = [](int col, int) { return col != 3; };
    g.FocusCell(3, 4);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(4, 2));
}

void GridModelTest::selectionShapes() {
    TStringGrid g;
    g.SetRowCount(10);
    g.FocusCell(2, 3);
    QCOMPARE(g.Selection(), (TGridRect{2, 3, 2, 3}));
    g.FocusCell(4, 6, false); // range select is on by default: the anchor stays
    QCOMPARE(g.Selection(), (TGridRect{2, 3, 4, 6}));
    g.SetOptions(g.Options() | goRowSelect);
    QCOMPARE(g.Selection(), (TGridRect{1, 3, 4, 6}));
    g.SetOptions((g.Options() | goRowSelect) & ~goRangeSelect);
    QCOMPARE(g.Selection(), (TGridRect{1, 6, 4, 6}));
    g.FocusCell(2, 8, false);
    QCOMPARE(g.Selection(), (TGridRect{1, 8, 4, 8}));
    g.SetOptions(g.Options() & ~goRowSelect);
    g.SetSelection(TGridRect{1, 2, 3, 4});
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(3, 4));
}

// Sizes far beyond any screen, set by a program: each is kept as large as a window can be, and
// the positions that follow them still add up, so no cell wraps round into the view. (2^17 rows
// of the largest height and a line make 2^32 pixels: 0 in a wrapped int.)
void GridModelTest::hugeSizesNeverWrapIntoView() {
    Host h(400, 300, true);
    ProbeGrid& g = *h.grid;
    constexpr int kWrap = 1 << 17;
    g.SetColCount(4);
    g.SetRowCount(kWrap + 100);
    g.SetFixedRows(kWrap + 50);
    g.SetDefaultRowHeight(std::numeric_limits<int>::max());
    g.SetColWidths(0, std::numeric_limits<int>::max());
    QCOMPARE(g.RowHeights(kWrap + 99), kMaxGridCellSize);
    QCOMPARE(g.ColWidths(0), kMaxGridCellSize);
    // The first cell fills the view; every other one lies beyond its edge.
    QCOMPARE(g.CellRect(0, 0), TRect(0, 0, kMaxGridCellSize, kMaxGridCellSize));
    for (const QPoint cell : {QPoint(1, 0), QPoint(0, 1), QPoint(0, kWrap), QPoint(3, kWrap),
                              QPoint(0, kWrap + 60), QPoint(3, kWrap + 99)})
        QVERIFY2(g.CellRect(cell.x(), cell.y()).IsEmpty(), qPrintable(QString::number(cell.y())));
    int c = -1;
    int r = -1;
    g.MouseToCell(g.viewport()->width() - 1, g.viewport()->height() - 1, c, r);
    QCOMPARE(QPoint(c, r), QPoint(0, 0));
    g.drawn.clear();
    (void)g.grab();
    QCOMPARE(g.drawn.size(), 1);
    QCOMPARE(QPoint(g.drawn[0].col, g.drawn[0].row), QPoint(0, 0));
    g.FocusCell(3, kWrap + 99);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(3, kWrap + 99));
    QVERIFY(g.CellRect(3, kWrap + 99).IsEmpty());
    g.SetGridLineWidth(std::numeric_limits<int>::max());
    QCOMPARE(g.GridLineWidth(), kMaxGridCellSize);
    QVERIFY(g.CellRect(0, kWrap).IsEmpty());
}

void GridModelTest::paintTouchesOnlyVisibleCellsOfAHugeGrid() {
    Host h(400, 300, true);
    ProbeGrid& g = *h.grid;
    g.SetColCount(7);
    g.SetRowCount(100000);
    g.SetDefaultRowHeight(20);
    for (int r = 0; r < 100000; r += 997)
        g.SetCells(2, r, QString::number(r));
    g.SetScrollBars(TScrollStyle::Vertical);
    QTRY_VERIFY(g.verticalScrollBar()->isVisible());
    const int width = g.viewport()->width();
    const int expectedCols = std::min(7, (width + 64) / 65);
    auto paintAndCheck = [&](int top) {
        g.SetTopRow(top);
        top = g.TopRow();
        g.drawn.clear();
        (void)g.grab();
        int data = 0;
        for (const auto& d : g.drawn) {
            QVERIFY(d.row == 0 || (d.row >= top && d.row <= top + g.VisibleRowCount()));
            if (d.row != 0)
                ++data;
        }
        QVERIFY(data > 0);
        QVERIFY(g.drawn.size() <= (g.VisibleRowCount() + 2) * expectedCols);
    };
    paintAndCheck(1);
    paintAndCheck(50000);
    paintAndCheck(99990);
    // The top row stops where the last row is the last one shown in full.
    QVERIFY(g.TopRow() < 99990);
    QCOMPARE(g.verticalScrollBar()->value(), g.TopRow() - 1);
    QCOMPARE(g.verticalScrollBar()->maximum(), g.TopRow() - 1);
    QVERIFY(!g.CellRect(1, 99999).IsEmpty());
    QVERIFY(g.CellRect(1, 99999).Bottom <= g.viewport()->height());
    // Moving to the last row from the top is immediate, and so is scrolling it into view.
    g.FocusCell(1, 1);
    g.keyDown(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(QPoint(g.Col(), g.Row()), QPoint(6, 99999));
    QVERIFY(!g.CellRect(6, 99999).IsEmpty());
    QVERIFY(g.CellRect(1, 99999).IsEmpty()); // scrolled left out of view
}

void GridModelTest::paintColoursByState() {
    Host h;
    ProbeGrid& g = *h.grid;
    g.SetDefaultColWidth(50);
    g.SetDefaultRowHeight(20);
    g.SetFixedColor(clSilver);
    g.SetColor(clWhite);
    g.SetOptions(g.Options() | goRowSelect);
    g.FocusCell(1, 2);
    const QImage img = g.viewport()->grab().toImage();
    auto at = [&](int x, int y) { return QColor(img.pixel(x, y)); };
    QCOMPARE(at(25, 10), ToQColor(clSilver));     // fixed cell (0,0)
    QCOMPARE(at(25, 30), ToQColor(clSilver));     // fixed column
    QCOMPARE(at(75, 30), ToQColor(clWhite));      // normal cell (1,1)
    QCOMPARE(at(120, 50), ToQColor(clHighlight)); // the selected row
    QCOMPARE(at(230, 50), ToQColor(clHighlight));
    QCOMPARE(at(290, 150), ToQColor(clWhite)); // beyond the cells
    QVERIFY(at(50, 30) != ToQColor(clSilver)); // a line between fixed cells
    QVERIFY(at(101, 30) != ToQColor(clWhite)); // a line between normal cells
    g.SetOptions(g.Options() & ~(goVertLine | goFixedVertLine));
    const QImage flat = g.viewport()->grab().toImage();
    QCOMPARE(g.CellRect(1, 1).Left, 50); // without vertical lines the columns close up
    QCOMPARE(QColor(flat.pixel(49, 30)), ToQColor(clSilver));
    QCOMPARE(QColor(flat.pixel(50, 30)), ToQColor(clWhite));
    QCOMPARE(QColor(flat.pixel(99, 30)), ToQColor(clWhite));
}

void GridModelTest::defaultDrawingAndDrawEvent() {
    Host h;
    ProbeGrid& g = *h.grid;
    g.SetDefaultColWidth(50);
    g.SetDefaultRowHeight(20);
    g.SetCells(1, 1, QStringLiteral("WWW"));
    QList<QPair<QPoint, TGridDrawState>> events;
    g.OnDrawCell = [&](TStringGrid*, int col, int row, const TRect& rect, TGridDrawState state) {
        QCOMPARE(rect, g.CellRect(col, row));
        events.append({QPoint(col, row), state});
    };
    g.FocusCell(2, 2);
    g.setFocus();
    QTRY_VERIFY(g.hasFocus());
    const QImage img = g.viewport()->grab().toImage();
    QCOMPARE(events.size(), 25);
    for (const auto& e : events) {
        if (e.first == QPoint(0, 0) || e.first == QPoint(3, 0))
            QCOMPARE(e.second, unsigned(gdFixed));
        if (e.first == QPoint(2, 2))
            QCOMPARE(e.second, unsigned(gdFocused | gdSelected));
        if (e.first == QPoint(1, 1))
            QCOMPARE(e.second, 0u);
    }
    auto ink = [](const QImage& i) {
        int n = 0;
        for (int y = 21; y < 41; ++y)
            for (int x = 51; x < 101; ++x)
                if (qGray(i.pixel(x, y)) < 100)
                    ++n;
        return n;
    };
    QVERIFY(ink(img) > 10);
    // The text starts two pixels in.
    for (int y = 21; y < 41; ++y) {
        QVERIFY(qGray(img.pixel(51, y)) > 100);
        QVERIFY(qGray(img.pixel(52, y)) > 100);
    }
    g.SetDefaultDrawing(false);
    events.clear();
    g.OnDrawCell = [&](TStringGrid* sender, int col, int row, const TRect& rect, TGridDrawState) {
        if (col == 1 && row == 1) {
            sender->Canvas().Brush.Color = clLime;
            sender->Canvas().FillRect(rect);
        }
    };
    const QImage custom = g.viewport()->grab().toImage();
    QCOMPARE(ink(custom), 0);
    QCOMPARE(QColor(custom.pixel(60, 30)), ToQColor(clLime));
}

void GridModelTest::canvasOutsidePaintMeasures() {
    TStringGrid g;
    TFont f(QStringLiteral("Arial"), 10);
    g.SetFont(f);
    TCanvas& c = g.Canvas();
    QVERIFY(c.Painter() == nullptr);
    c.Font = g.Font();
    QCOMPARE(c.TextWidth(QStringLiteral("x")),
             QFontMetrics(f.toQFont()).horizontalAdvance(QStringLiteral("x")));
    TRect r(0, 0, 20, 0);
    c.DrawText(r, QStringLiteral("ab cd ef"), dtCalcRect | dtWordBreak);
    QVERIFY(r.Height() >= 2 * c.TextHeight(QStringLiteral("x")));
    c.FillRect(TRect(0, 0, 5, 5)); // paints nothing, harmless
}

QTEST_MAIN(GridModelTest)
#include "GridModelTest.moc"
