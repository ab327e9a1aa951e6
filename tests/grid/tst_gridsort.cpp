// Sorting the grid: kind detection, the comparison and its tie-break, footer rows, the current
// row, undoing a sort, and sorts that must stay well defined with bad keys or comparators.

#include "GridTestUtil.h"

#include <QtTest/QtTest>

#include <random>
#include <stdexcept>

using namespace movra;
using namespace movra::test;

class TstGridSort : public QObject {
    Q_OBJECT
private slots:
    void detectsNumbers();
    void emptyCellMakesText();
    void timesDetectAsDateTime();
    void detectsDatesAndSortsByDate();
    void polishCollationAndCase();
    void caseSensitiveSort();
    void descendingKeepsOrderOfEqualKeys();
    void wholeRowsMoveHeightsStay();
    void footerRowsStayUnlessSortFooter();
    void currentRowFollowsItsRecord();
    void restoreUnsortedOrder();
    void restoreUnavailableAfterRowDeleted();
    void restoreUnavailableWithExcludedFooter();
    void nothingSortedOrFiredWhenNotSortable();
    void eventsAndOptionsCopy();
    void sortSetsColumnDirectionAndSymbol();
    void forcedKindOnNonConvertingKeys();
    void inconsistentCustomComparisonKeepsEveryRow();
    void failingCustomComparisonLeavesGrid();
    void sortStartedFromComparisonIsSafe();
    void otherKindValuesCompareAsText();
};

void TstGridSort::detectsNumbers() {
    TFajny g;
    FillColumns(g, {{"10", "9", "100"}, {"a", "b", "c"}});
    QCOMPARE(g.DetectSortKind(0), stNumber);
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0), QStringList({"9", "10", "100"}));
    QCOMPARE(Column(g, 1), QStringList({"b", "a", "c"}));
}

void TstGridSort::emptyCellMakesText() {
    TFajny g;
    FillColumns(g, {{"10", "9", "", "100"}});
    QCOMPARE(g.DetectSortKind(0), stText);
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0), QStringList({"", "10", "100", "9"}));
}

void TstGridSort::timesDetectAsDateTime() {
    TFajny g;
    FillColumns(g, {{"12:30", "9:05", "23:59:59"}});
    QCOMPARE(g.DetectSortKind(0), stDateTime);
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0), QStringList({"9:05", "12:30", "23:59:59"}));
    // With no data rows the detection says number.
    TFajny empty;
    empty.SetRowCount(1);
    empty.SetFixedRows(1);
    QCOMPARE(empty.DetectSortKind(0), stNumber);
}

void TstGridSort::detectsDatesAndSortsByDate() {
    TFajny g;
    FillColumns(g, {{"2.1.2020", "10.12.2019 8:00", "1.1.2020", "10.12.2019"}});
    QCOMPARE(g.DetectSortKind(0), stDateTime);
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0), QStringList({"10.12.2019", "10.12.2019 8:00", "1.1.2020", "2.1.2020"}));
}

void TstGridSort::polishCollationAndCase() {
    TFajny g;
    FillColumns(g, {{"Łukasz", "zenon", "Lech", "ćma", "Celina", "marek", "Łucja"}});
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0),
             QStringList({"Celina", "ćma", "Lech", "Łucja", "Łukasz", "marek", "zenon"}));
    // Not case-sensitive: a and A have the same key, so their former order decides.
    TFajny h;
    FillColumns(h, {{"b", "a", "B", "A"}, {"1", "2", "3", "4"}});
    h.SortByColumn(1, {}); // make sure the rows are in a known order first
    h.SortByColumn(0, {});
    QCOMPARE(Column(h, 1), QStringList({"2", "4", "1", "3"}));
    // The entries hold the upper-case keys and the rows they came from.
    QCOMPARE(h.SortedList().size(), std::size_t{4});
    QCOMPARE(h.SortedList()[0].Key, QStringLiteral("A"));
    QCOMPARE(h.SortedList()[0].OldIndex, 2);
}

void TstGridSort::caseSensitiveSort() {
    TFajny g;
    FillColumns(g, {{"b", "B", "a", "A"}});
    TSortOptions o;
    o.CaseSensitive = true;
    g.SortByColumn(0, o);
    // The locale's comparison puts lower case before upper case of the same letter.
    QCOMPARE(Column(g, 0), QStringList({"a", "A", "b", "B"}));
}

void TstGridSort::descendingKeepsOrderOfEqualKeys() {
    TFajny g;
    FillColumns(g, {{"x", "y", "x", "z", "y", "x"}, {"1", "2", "3", "4", "5", "6"}});
    TSortOptions o;
    o.Direction = sdDescending;
    g.SortByColumn(0, o);
    QCOMPARE(Column(g, 0), QStringList({"z", "y", "y", "x", "x", "x"}));
    QCOMPARE(Column(g, 1), QStringList({"4", "2", "5", "1", "3", "6"}));
    QCOMPARE(g.SortDirection(), sdDescending);
}

void TstGridSort::wholeRowsMoveHeightsStay() {
    TFajny g;
    FillColumns(g, {{"r1", "r2", "r3"}, {"c", "a", "b"}}, 1);
    int objects[3] = {};
    g.SetObjects(0, 1, &objects[0]);
    g.SetObjects(1, 3, &objects[2]);
    g.SetRowHeights(1, 40);
    g.SortByColumn(1, {});
    QCOMPARE(Column(g, 0), QStringList({"r2", "r3", "r1"}));
    QCOMPARE(g.Objects(0, 3), static_cast<void*>(&objects[0]));
    QCOMPARE(g.Objects(1, 2), static_cast<void*>(&objects[2]));
    QVERIFY(g.Objects(0, 1) == nullptr);
    QVERIFY(g.Objects(1, 3) == nullptr);
    // Heights belong to positions.
    QCOMPARE(g.RowHeights(1), 40);
    QCOMPARE(g.RowHeights(3), g.DefaultRowHeight());
    // The title row is untouched.
    QCOMPARE(g.Cells(0, 0), QStringLiteral("T0"));
}

void TstGridSort::footerRowsStayUnlessSortFooter() {
    TFajny g;
    FillColumns(g, {{"3", "1", "2", "0"}});
    g.SetFooterRows(1);
    QCOMPARE(g.ExcludedFooterCount(), 1);
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0), QStringList({"1", "2", "3", "0"}));
    g.SetSortFooter(true);
    QCOMPARE(g.ExcludedFooterCount(), 0);
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0), QStringList({"0", "1", "2", "3"}));
    // Detection ignores excluded footer rows: a text footer does not make a number column text.
    TFajny h;
    FillColumns(h, {{"3", "1", "Suma"}});
    h.SetFooterRows(1);
    QCOMPARE(h.DetectSortKind(0), stNumber);
    h.SortByColumn(0, {});
    QCOMPARE(Column(h, 0), QStringList({"1", "3", "Suma"}));
}

void TstGridSort::currentRowFollowsItsRecord() {
    TFajny g;
    FillColumns(g, {{"d", "b", "a", "c"}, {"X", "Y", "Z", "W"}});
    g.GoToCell(1, 1); // record "d"
    QCOMPARE(g.Row(), 1);
    g.SortByColumn(0, {});
    QCOMPARE(g.Row(), 4);
    QCOMPARE(g.Cells(0, g.Row()), QStringLiteral("d"));
    QCOMPARE(g.Col(), 1);
}

void TstGridSort::restoreUnsortedOrder() {
    TFajny g;
    const QStringList before = {"k", "c", "x", "a", "c", "m"};
    FillColumns(g, {before, {"1", "2", "3", "4", "5", "6"}});
    g.GoToCell(0, 3); // "x"
    TSortOptions o;
    o.Direction = sdDescending;
    g.SortByColumn(0, o);
    QVERIFY(Column(g, 0) != before);
    QVERIFY(g.UnsortAvailable());
    g.RestoreUnsortedOrder();
    QCOMPARE(Column(g, 0), before);
    QCOMPARE(Column(g, 1), QStringList({"1", "2", "3", "4", "5", "6"}));
    QCOMPARE(g.Row(), 3);
    // Entries are used up.
    QVERIFY(g.SortedList().empty());
    QVERIFY(!g.UnsortAvailable());
}

void TstGridSort::restoreUnavailableAfterRowDeleted() {
    TFajny g;
    FillColumns(g, {{"c", "a", "b"}});
    g.SortByColumn(0, {});
    g.DeleteRowAt(2);
    QVERIFY(!g.UnsortAvailable());
    QVERIFY(g.SortedList().empty());
    g.RestoreUnsortedOrder();
    QCOMPARE(Column(g, 0), QStringList({"a", "c"}));
}

void TstGridSort::restoreUnavailableWithExcludedFooter() {
    TFajny g;
    FillColumns(g, {{"c", "a", "b", "sum"}});
    g.SetFooterRows(1);
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0), QStringList({"a", "b", "c", "sum"}));
    QVERIFY(!g.UnsortAvailable());
    g.RestoreUnsortedOrder();
    QCOMPARE(Column(g, 0), QStringList({"a", "b", "c", "sum"}));
}

void TstGridSort::nothingSortedOrFiredWhenNotSortable() {
    int events = 0;
    const auto watch = [&events](TFajny& g) {
        g.OnBeginSort = [&events](TFajny*, int, TSortOptions&) { ++events; };
        g.OnEndSort = [&events](TFajny*, int) { ++events; };
    };
    TFajny one;
    FillColumns(one, {{"b"}});
    watch(one);
    one.SortByColumn(0, {});
    TFajny none;
    none.SetRowCount(1);
    none.SetFixedRows(1);
    watch(none);
    none.SortByColumn(0, {});
    TFajny badColumn;
    FillColumns(badColumn, {{"b", "a"}});
    watch(badColumn);
    badColumn.SortByColumn(1, {});
    badColumn.SortByColumn(-1, {});
    QCOMPARE(events, 0);
    QCOMPARE(Column(badColumn, 0), QStringList({"b", "a"}));
    QCOMPARE(badColumn.SortColumn(), 1); // unchanged initial value

    TFajny editing;
    FillColumns(editing, {{"b", "a"}});
    editing.SetOptions(editing.Options() | goEditing);
    editing.GoToCell(0, 1);
    editing.SetEditorMode(true);
    QVERIFY(editing.EditorMode());
    watch(editing);
    editing.SortByColumn(0, {});
    QCOMPARE(events, 0);
    QCOMPARE(Column(editing, 0), QStringList({"b", "a"}));
}

void TstGridSort::eventsAndOptionsCopy() {
    TFajny g;
    FillColumns(g, {{"1", "3", "2"}});
    QStringList log;
    g.OnBeginSort = [&log](TFajny*, int col, TSortOptions& o) {
        log << QStringLiteral("begin %1 kind %2").arg(col).arg(int(o.SortKind));
        o.Direction = sdDescending; // the handler may change the copy
    };
    g.OnEndSort = [&log](TFajny* grid, int col) {
        log << QStringLiteral("end %1 %2").arg(col).arg(grid->Cells(0, 1));
    };
    TSortOptions o; // stAuto, ascending
    g.SortByColumn(0, o);
    QCOMPARE(log, QStringList({"begin 0 kind 2", "end 0 3"}));
    QCOMPARE(o.SortKind, stAuto);
    QCOMPARE(Column(g, 0), QStringList({"3", "2", "1"}));
}

void TstGridSort::sortSetsColumnDirectionAndSymbol() {
    TFajny g;
    FillColumns(g, {{"b", "a"}, {"1", "2"}, {"x", "y"}});
    g.SetSortSymbol(sgArrow);
    QCOMPARE(g.SortSymbolImage().size(), QSize(8, 7));
    const QImage up = g.SortSymbolImage();
    TSortOptions o;
    o.Direction = sdDescending;
    g.SortByColumn(2, o);
    QCOMPARE(g.SortColumn(), 2);
    QCOMPARE(g.SortDirection(), sdDescending);
    QVERIFY(g.SortSymbolImage() != up);
    g.SetSortSymbol(sgGlyph);
    QCOMPARE(g.SortSymbolImage().size(), QSize(16, 16));
    // Clearing resets only the stored direction.
    const QImage za = g.SortSymbolImage();
    g.ClearRows();
    QCOMPARE(g.SortDirection(), sdAscending);
    QCOMPARE(g.SortSymbolImage(), za);
    // Custom pictures.
    QImage a(5, 5, QImage::Format_RGB32);
    a.fill(Qt::red);
    QImage d(6, 6, QImage::Format_RGB32);
    d.fill(Qt::blue);
    g.SetSortBitMapA(a);
    g.SetSortBitMapD(d);
    g.SetSortSymbol(sgCustom);
    QCOMPARE(g.SortSymbolImage().size(), QSize(5, 5));
    g.SetSortDirection(sdDescending);
    QCOMPARE(g.SortSymbolImage().size(), QSize(6, 6));
    g.SetSortSymbol(sgNone);
    QVERIFY(g.SortSymbolImage().isNull());
}

void TstGridSort::forcedKindOnNonConvertingKeys() {
    TFajny g;
    FillColumns(g, {{"5", "abc", "1", "", "3", "xyz"}, {"1", "2", "3", "4", "5", "6"}});
    TSortOptions o;
    o.SortKind = stNumber;
    g.SortByColumn(0, o);
    // Keys that do not convert form one class before the numbers, in their former order.
    QCOMPARE(Column(g, 0), QStringList({"abc", "", "xyz", "1", "3", "5"}));
    o.Direction = sdDescending;
    g.SortByColumn(0, o);
    QCOMPARE(Column(g, 0), QStringList({"5", "3", "1", "abc", "", "xyz"}));
    for (TSortKind kind : {stDateTime, stTime}) {
        o.SortKind = kind;
        o.Direction = sdAscending;
        g.SortByColumn(0, o);
        QStringList sorted = Column(g, 1);
        sorted.sort();
        QCOMPARE(sorted, QStringList({"1", "2", "3", "4", "5", "6"}));
    }
}

void TstGridSort::inconsistentCustomComparisonKeepsEveryRow() {
    TFajny g;
    const int n = 2000;
    g.SetColCount(2);
    g.SetRowCount(n + 1);
    g.SetFixedRows(1);
    QStringList ids;
    for (int r = 1; r <= n; ++r) {
        g.SetCells(0, r, QString::number(r % 37));
        g.SetCells(1, r, QString::number(r));
        ids << QString::number(r);
    }
    std::mt19937 rng(42);
    TSortOptions o;
    o.SortKind = stCustom;
    o.CompareFunc = [&rng](const QString&, const QString&) {
        return static_cast<int>(rng() % 3) - 1;
    };
    g.SortByColumn(0, o);
    QStringList after = Column(g, 1);
    after.sort();
    ids.sort();
    QCOMPARE(after, ids);

    // A consistent custom comparison: by length, ties by former order.
    TFajny h;
    FillColumns(h, {{"ccc", "a", "bb", "d", "ee"}});
    o.CompareFunc = [](const QString& a, const QString& b) {
        return static_cast<int>(a.size() - b.size()) * 1000;
    };
    h.SortByColumn(0, o);
    QCOMPARE(Column(h, 0), QStringList({"a", "d", "bb", "ee", "ccc"}));
    // No function at all: every pair equal, so the order stays.
    o.CompareFunc = nullptr;
    h.SortByColumn(0, o);
    QCOMPARE(Column(h, 0), QStringList({"a", "d", "bb", "ee", "ccc"}));
}

void TstGridSort::failingCustomComparisonLeavesGrid() {
    TFajny g;
    FillColumns(g, {{"c", "a", "b"}});
    TSortOptions o;
    o.SortKind = stCustom;
    o.CompareFunc = [](const QString&, const QString&) -> int {
        throw std::runtime_error("bad comparison");
    };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, g.SortByColumn(0, o));
    QCOMPARE(Column(g, 0), QStringList({"c", "a", "b"}));
    // Later sorts work as usual.
    g.SortByColumn(0, {});
    QCOMPARE(Column(g, 0), QStringList({"a", "b", "c"}));
}

void TstGridSort::sortStartedFromComparisonIsSafe() {
    TFajny outer;
    TFajny inner;
    FillColumns(outer, {{"3", "1", "2"}});
    FillColumns(inner, {{"z", "x", "y"}});
    TSortOptions o;
    o.SortKind = stCustom;
    bool nested = false;
    o.CompareFunc = [&](const QString& a, const QString& b) {
        if (!nested) {
            nested = true;
            inner.SortByColumn(0, {});
        }
        return a.toInt() - b.toInt();
    };
    outer.SortByColumn(0, o);
    QCOMPARE(Column(outer, 0), QStringList({"1", "2", "3"}));
    QCOMPARE(Column(inner, 0), QStringList({"x", "y", "z"}));
}

void TstGridSort::otherKindValuesCompareAsText() {
    TFajny g;
    FillColumns(g, {{"10", "9", "100"}});
    TSortOptions o;
    o.SortKind = static_cast<TSortKind>(77);
    g.SortByColumn(0, o);
    QCOMPARE(Column(g, 0), QStringList({"10", "100", "9"}));
    o.SortKind = stText;
    o.Direction = sdDescending;
    g.SortByColumn(0, o);
    QCOMPARE(Column(g, 0), QStringList({"9", "100", "10"}));
}

QTEST_MAIN(TstGridSort)
#include "tst_gridsort.moc"
