#pragma once

#include <QtCore/QHash>
#include <QtCore/QPointer>
#include <QtGui/QAccessible>
#include <QtWidgets/QAccessibleWidget>

namespace movra {

class TStringGrid;

// The grid as a table for assistive technology. Table rows are the grid rows below the title
// row (row 0 when there are fixed rows), whose cells are the column headers; table columns are
// the grid columns. Child i is the cell of grid row i / ColCount, column i % ColCount (header
// cells first), so indexes need no bookkeeping however long the list is; cell interfaces are
// made on demand and dropped when rows or columns change.
class TStringGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TStringGridAccessible(TStringGrid* grid);
    ~TStringGridAccessible() override;

    // The grid is going away: forget it.
    void Detach();
    // Rows or columns came, went or moved: cached cells are dropped and listeners told.
    void ModelReset();

    // The interface of grid cell (col, row); nullptr outside the grid.
    [[nodiscard]] QAccessibleInterface* CellInterface(int col, int row) const;
    // 1 when the grid's row 0 is the title row of the table, else 0.
    [[nodiscard]] int HeaderRows() const;
    // Whether focus is in the grid or its editor.
    [[nodiscard]] static bool HasFocusWithin(const TStringGrid* grid);

    // QAccessibleInterface
    void* interface_cast(QAccessible::InterfaceType t) override;
    [[nodiscard]] int childCount() const override;
    [[nodiscard]] QAccessibleInterface* child(int index) const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override;
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override;
    [[nodiscard]] QAccessibleInterface* focusChild() const override;

    // QAccessibleTableInterface
    [[nodiscard]] QAccessibleInterface* caption() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface* summary() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface* cellAt(int row, int column) const override;
    [[nodiscard]] int selectedCellCount() const override;
    [[nodiscard]] QList<QAccessibleInterface*> selectedCells() const override;
    [[nodiscard]] QString columnDescription(int column) const override;
    [[nodiscard]] QString rowDescription(int row) const override;
    [[nodiscard]] int selectedColumnCount() const override;
    [[nodiscard]] int selectedRowCount() const override;
    [[nodiscard]] int columnCount() const override;
    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] QList<int> selectedColumns() const override;
    [[nodiscard]] QList<int> selectedRows() const override;
    [[nodiscard]] bool isColumnSelected(int column) const override;
    [[nodiscard]] bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    [[nodiscard]] TStringGrid* grid() const { return m_grid.data(); }
    void dropCells();

    QPointer<TStringGrid> m_grid;
    bool m_detached = false;
    mutable QHash<qint64, QAccessible::Id> m_cells;
};

// Registers the factory that gives every TStringGrid (and subclass) its table interface.
void InstallStringGridAccessibility();

} // namespace movra
