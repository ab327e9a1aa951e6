#include "GridTestHelpers.h"

#include <QtGui/QAccessible>

using namespace movra;
using gridtest::Host;
using gridtest::ProbeGrid;

namespace {

void layOut(Host& h) {
    TStringGrid& g = *h.grid;
    g.SetColCount(4);
    g.SetRowCount(6);
    g.SetFixedCols(1);
    g.SetDefaultColWidth(50);
    g.SetDefaultRowHeight(20);
    const QStringList titles{QStringLiteral("Nr"), QStringLiteral(" Imię "),
                             QStringLiteral(" Nazwisko "), QStringLiteral(" Ksywa ")};
    g.SetRows(0, titles);
    for (int r = 1; r < 6; ++r)
        g.SetRows(r, {QString::number(r), QStringLiteral("imię%1").arg(r),
                      QStringLiteral("nazwisko%1").arg(r), QStringLiteral("ksywa%1").arg(r)});
}

} // namespace

class GridAccessibleTest : public QObject {
    Q_OBJECT
private slots:
    void tableShapeTextsAndHeaders();
    void currentCellAndSelection();
    void followsStructureChanges();
    void focusFollowsTheCurrentCell();
};

void GridAccessibleTest::tableShapeTextsAndHeaders() {
    Host h;
    layOut(h);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(h.grid);
    QVERIFY(iface != nullptr);
    QCOMPARE(iface->role(), QAccessible::Table);
    QAccessibleTableInterface* table = iface->tableInterface();
    QVERIFY(table != nullptr);
    QCOMPARE(table->rowCount(), 5); // the title row is the header, not a row
    QCOMPARE(table->columnCount(), 4);
    QCOMPARE(table->columnDescription(2), QStringLiteral(" Nazwisko "));
    QCOMPARE(table->rowDescription(2), QStringLiteral("3"));
    QAccessibleInterface* cell = table->cellAt(2, 3);
    QVERIFY(cell != nullptr);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("ksywa3"));
    QCOMPARE(cell->role(), QAccessible::Cell);
    QCOMPARE(cell->parent(), iface);
    QAccessibleTableCellInterface* ci = cell->tableCellInterface();
    QVERIFY(ci != nullptr);
    QCOMPARE(ci->rowIndex(), 2);
    QCOMPARE(ci->columnIndex(), 3);
    const auto headers = ci->columnHeaderCells();
    QCOMPARE(headers.size(), 1);
    QCOMPARE(headers.first()->text(QAccessible::Name), QStringLiteral(" Ksywa "));
    QCOMPARE(headers.first()->role(), QAccessible::ColumnHeader);
    // Children: header cells, then the rows, row by row.
    QCOMPARE(iface->childCount(), 24);
    QCOMPARE(iface->child(1)->text(QAccessible::Name), QStringLiteral(" Imię "));
    QCOMPARE(iface->child(4 * 3 + 2), table->cellAt(2, 2));
    QCOMPARE(iface->indexOfChild(cell), 4 * 3 + 3);
    // The same cell gives the same interface; its rectangle is the cell's on screen.
    QCOMPARE(table->cellAt(2, 3), cell);
    const TRect r = h.grid->CellRect(3, 3);
    QCOMPARE(cell->rect(),
             QRect(h.grid->viewport()->mapToGlobal(QPoint(r.Left, r.Top)), QSize(50, 20)));
    QCOMPARE(iface->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
    QVERIFY(table->cellAt(5, 0) == nullptr);
    // Without fixed rows every row is a table row and nothing is a header.
    h.grid->SetFixedRows(0);
    QCOMPARE(table->rowCount(), 6);
    QCOMPARE(table->columnDescription(1), QString());
    QCOMPARE(table->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral(" Imię "));
    QCOMPARE(table->cellAt(0, 1)->role(), QAccessible::Cell);
}

void GridAccessibleTest::currentCellAndSelection() {
    Host h;
    layOut(h);
    ProbeGrid& g = *h.grid;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&g);
    QAccessibleTableInterface* table = iface->tableInterface();
    g.setFocus();
    QTRY_VERIFY(g.hasFocus());
    g.FocusCell(2, 3);
    QAccessibleInterface* focus = iface->focusChild();
    QVERIFY(focus != nullptr);
    QCOMPARE(focus->text(QAccessible::Name), QStringLiteral("nazwisko3"));
    QVERIFY(focus->state().focused);
    QVERIFY(focus->state().selected);
    QVERIFY(!table->cellAt(1, 1)->state().selected);
    QCOMPARE(table->selectedCellCount(), 1);
    QCOMPARE(table->selectedCells().first(), focus);
    g.FocusCell(3, 4, false);
    QCOMPARE(table->selectedCellCount(), 4);
    QVERIFY(table->cellAt(2, 2)->tableCellInterface()->isSelected());
    QVERIFY(table->selectedRows().isEmpty());
    g.SetOptions(g.Options() | goRowSelect);
    QCOMPARE(table->selectedRows(), (QList<int>{2, 3}));
    QVERIFY(table->isRowSelected(3));
    QVERIFY(!table->isRowSelected(1));
    // Selecting a row through the table moves the current row.
    QVERIFY(table->selectRow(0));
    QCOMPARE(g.Row(), 1);
    h.other->setFocus();
    QTRY_VERIFY(!g.hasFocus());
    QVERIFY(iface->focusChild() == nullptr);
}

void GridAccessibleTest::followsStructureChanges() {
    Host h;
    layOut(h);
    TStringGrid& g = *h.grid;
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(&g)->tableInterface();
    QCOMPARE(table->cellAt(4, 1)->text(QAccessible::Name), QStringLiteral("imię5"));
    g.DeleteRow(2);
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->cellAt(1, 1)->text(QAccessible::Name), QStringLiteral("imię3"));
    QVERIFY(table->cellAt(4, 1) == nullptr);
    g.MoveColumn(3, 1);
    QCOMPARE(table->columnDescription(1), QStringLiteral(" Ksywa "));
    g.SetRowCount(100000);
    QCOMPARE(table->rowCount(), 99999);
    QCOMPARE(QAccessible::queryAccessibleInterface(&g)->childCount(), 400000);
}

// The offscreen platform has no assistive-technology bridge, so the focus events themselves are
// not delivered here; what a bridge reads on such an event is checked instead.
void GridAccessibleTest::focusFollowsTheCurrentCell() {
    Host h;
    layOut(h);
    ProbeGrid& g = *h.grid;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&g);
    g.setFocus();
    QTRY_VERIFY(g.hasFocus());
    QCOMPARE(iface->focusChild()->text(QAccessible::Name), QStringLiteral("imię1"));
    QTest::keyClick(&g, Qt::Key_Down);
    QTest::keyClick(&g, Qt::Key_Right);
    QAccessibleInterface* f = iface->focusChild();
    QCOMPARE(f->text(QAccessible::Name), QStringLiteral("nazwisko2"));
    QCOMPARE(iface->indexOfChild(f), 2 * 4 + 2);
    QVERIFY(f->state().focused);
    QVERIFY(!iface->child(1 * 4 + 1)->state().focused);
    // Editing shows in the cell's text at once.
    g.SetOptions(g.Options() | goEditing);
    QTest::keyClick(&g, Qt::Key_Q);
    QCOMPARE(f->text(QAccessible::Name), QStringLiteral("q"));
    QVERIFY(!f->state().readOnly);
}

QTEST_MAIN(GridAccessibleTest)
#include "GridAccessibleTest.moc"
