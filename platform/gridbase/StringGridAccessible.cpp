#include "platform/gridbase/StringGridAccessible.h"

#include "platform/gridbase/StringGrid.h"
#include "platform/gridbase/StringGridImpl.h"

#include <QtWidgets/QWidget>

namespace movra {

namespace {

qint64 cellKey(int col, int row) {
    return (static_cast<qint64>(row) << 32) | static_cast<quint32>(col);
}

bool isHeaderRow(const TStringGrid* g, int row) {
    return row == 0 && g->FixedRows() > 0;
}

bool isSelectedCell(const TStringGrid* g, int col, int row) {
    if (col < g->FixedCols() || row < g->FixedRows())
        return false;
    const TGridRect s = g->Selection();
    return col >= s.Left && col <= s.Right && row >= s.Top && row <= s.Bottom;
}

class GridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    GridCellAccessible(TStringGrid* grid, int col, int row)
        : m_grid(grid), m_col(col), m_row(row) {}

    bool isValid() const override {
        return m_grid != nullptr && m_col < m_grid->ColCount() && m_row < m_grid->RowCount();
    }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return m_grid != nullptr ? QAccessible::queryAccessibleInterface(m_grid.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        return m_grid->Cells(m_col, m_row);
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return {};
        const TRect r = m_grid->CellRect(m_col, m_row);
        if (r.IsEmpty())
            return {};
        return QRect(m_grid->viewport()->mapToGlobal(QPoint(r.Left, r.Top)),
                     QSize(r.Width(), r.Height()));
    }

    QAccessible::Role role() const override {
        return isValid() && isHeaderRow(m_grid, m_row) ? QAccessible::ColumnHeader
                                                       : QAccessible::Cell;
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const bool data = m_col >= m_grid->FixedCols() && m_row >= m_grid->FixedRows();
        s.selectable = data;
        s.focusable = data;
        s.selected = isSelectedCell(m_grid, m_col, m_row);
        s.focused = data && m_col == m_grid->Col() && m_row == m_grid->Row() &&
                    TStringGridAccessible::HasFocusWithin(m_grid);
        s.active = s.focused;
        s.readOnly = (m_grid->Options() & goEditing) == 0;
        if (m_grid->CellRect(m_col, m_row).IsEmpty()) {
            s.invisible = m_grid->ColWidths(m_col) == 0 || m_grid->RowHeights(m_row) == 0;
            s.offscreen = true;
        }
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableCellInterface && isValid() && !isHeaderRow(m_grid, m_row))
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return isValid() && isSelectedCell(m_grid, m_col, m_row); }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        QList<QAccessibleInterface*> out;
        if (!isValid() || m_grid->FixedRows() == 0)
            return out;
        if (auto* t = dynamic_cast<TStringGridAccessible*>(parent())) {
            if (QAccessibleInterface* h = t->CellInterface(m_col, 0))
                out.append(h);
        }
        return out;
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_col; }
    int rowIndex() const override {
        return isValid() ? m_row - (m_grid->FixedRows() > 0 ? 1 : 0) : -1;
    }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<TStringGrid> m_grid;
    int m_col;
    int m_row;
};

QAccessibleInterface* gridFactory(const QString& className, QObject* object) {
    if (object != nullptr && object->isWidgetType() &&
        className == QLatin1String(TStringGrid::staticMetaObject.className()))
        return new TStringGridAccessible(static_cast<TStringGrid*>(object));
    return nullptr;
}

} // namespace

void InstallStringGridAccessibility() {
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(gridFactory);
        installed = true;
    }
}

TStringGridAccessible::TStringGridAccessible(TStringGrid* grid)
    : QAccessibleWidget(grid, QAccessible::Table), m_grid(grid) {
    grid->d->accessible = this;
}

TStringGridAccessible::~TStringGridAccessible() {
    if (!m_detached && m_grid != nullptr && m_grid->d != nullptr && m_grid->d->accessible == this)
        m_grid->d->accessible = nullptr;
    dropCells();
}

void TStringGridAccessible::Detach() {
    m_detached = true;
}

bool TStringGridAccessible::HasFocusWithin(const TStringGrid* grid) {
    return grid != nullptr && grid->d->focusWithin;
}

void TStringGridAccessible::dropCells() {
    const auto ids = m_cells.values();
    m_cells.clear();
    for (QAccessible::Id id : ids)
        QAccessible::deleteAccessibleInterface(id);
}

void TStringGridAccessible::ModelReset() {
    dropCells();
    if (m_grid != nullptr && QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent ev(m_grid.data(),
                                            QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&ev);
    }
}

void TStringGridAccessible::modelChange(QAccessibleTableModelChangeEvent*) {
    dropCells();
}

int TStringGridAccessible::HeaderRows() const {
    return grid() != nullptr && grid()->FixedRows() > 0 ? 1 : 0;
}

QAccessibleInterface* TStringGridAccessible::CellInterface(int col, int row) const {
    TStringGrid* g = grid();
    if (g == nullptr || col < 0 || row < 0 || col >= g->ColCount() || row >= g->RowCount())
        return nullptr;
    const qint64 key = cellKey(col, row);
    if (auto it = m_cells.constFind(key); it != m_cells.constEnd()) {
        if (QAccessibleInterface* iface = QAccessible::accessibleInterface(*it))
            return iface;
    }
    auto* iface = new GridCellAccessible(g, col, row);
    m_cells.insert(key, QAccessible::registerAccessibleInterface(iface));
    return iface;
}

void* TStringGridAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

int TStringGridAccessible::childCount() const {
    const TStringGrid* g = grid();
    return g == nullptr ? 0 : g->ColCount() * g->RowCount();
}

QAccessibleInterface* TStringGridAccessible::child(int index) const {
    const TStringGrid* g = grid();
    if (g == nullptr || index < 0 || index >= childCount())
        return nullptr;
    return CellInterface(index % g->ColCount(), index / g->ColCount());
}

int TStringGridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const TStringGrid* g = grid();
    if (g == nullptr || child == nullptr)
        return -1;
    for (auto it = m_cells.constBegin(); it != m_cells.constEnd(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child) {
            const int row = static_cast<int>(it.key() >> 32);
            const int col = static_cast<int>(it.key() & 0xFFFFFFFF);
            return row * g->ColCount() + col;
        }
    }
    return -1;
}

QAccessibleInterface* TStringGridAccessible::childAt(int x, int y) const {
    TStringGrid* g = grid();
    if (g == nullptr)
        return nullptr;
    const QPoint p = g->viewport()->mapFromGlobal(QPoint(x, y));
    int col = -1;
    int row = -1;
    g->MouseToCell(p.x(), p.y(), col, row);
    return col >= 0 && row >= 0 ? CellInterface(col, row) : nullptr;
}

QAccessibleInterface* TStringGridAccessible::focusChild() const {
    const TStringGrid* g = grid();
    if (g == nullptr || !HasFocusWithin(g))
        return nullptr;
    return CellInterface(g->Col(), g->Row());
}

QAccessibleInterface* TStringGridAccessible::cellAt(int row, int column) const {
    return CellInterface(column, row + HeaderRows());
}

int TStringGridAccessible::selectedCellCount() const {
    const TStringGrid* g = grid();
    if (g == nullptr)
        return 0;
    const TGridRect s = g->Selection();
    return (s.Right - s.Left + 1) * (s.Bottom - s.Top + 1);
}

QList<QAccessibleInterface*> TStringGridAccessible::selectedCells() const {
    QList<QAccessibleInterface*> out;
    const TStringGrid* g = grid();
    if (g == nullptr)
        return out;
    const TGridRect s = g->Selection();
    for (int r = s.Top; r <= s.Bottom; ++r) {
        for (int c = s.Left; c <= s.Right; ++c) {
            if (QAccessibleInterface* i = CellInterface(c, r))
                out.append(i);
        }
    }
    return out;
}

QString TStringGridAccessible::columnDescription(int column) const {
    const TStringGrid* g = grid();
    if (g == nullptr || HeaderRows() == 0)
        return {};
    return g->Cells(column, 0);
}

QString TStringGridAccessible::rowDescription(int row) const {
    const TStringGrid* g = grid();
    if (g == nullptr || g->FixedCols() == 0)
        return {};
    return g->Cells(0, row + HeaderRows());
}

int TStringGridAccessible::selectedColumnCount() const {
    return static_cast<int>(selectedColumns().size());
}

int TStringGridAccessible::selectedRowCount() const {
    return static_cast<int>(selectedRows().size());
}

int TStringGridAccessible::columnCount() const {
    const TStringGrid* g = grid();
    return g == nullptr ? 0 : g->ColCount();
}

int TStringGridAccessible::rowCount() const {
    const TStringGrid* g = grid();
    return g == nullptr ? 0 : g->RowCount() - HeaderRows();
}

// A column counts as selected when the selection covers all its data rows, a row when it covers
// all its data columns (whole-row selection).
QList<int> TStringGridAccessible::selectedColumns() const {
    QList<int> out;
    const TStringGrid* g = grid();
    if (g == nullptr || g->RowCount() <= g->FixedRows())
        return out;
    const TGridRect s = g->Selection();
    if (s.Top == g->FixedRows() && s.Bottom == g->RowCount() - 1) {
        for (int c = s.Left; c <= s.Right; ++c)
            out.append(c);
    }
    return out;
}

QList<int> TStringGridAccessible::selectedRows() const {
    QList<int> out;
    const TStringGrid* g = grid();
    if (g == nullptr || g->ColCount() <= g->FixedCols() || g->RowCount() <= g->FixedRows())
        return out;
    const TGridRect s = g->Selection();
    if (s.Left == g->FixedCols() && s.Right == g->ColCount() - 1) {
        for (int r = s.Top; r <= s.Bottom; ++r)
            out.append(r - HeaderRows());
    }
    return out;
}

bool TStringGridAccessible::isColumnSelected(int column) const {
    return selectedColumns().contains(column);
}

bool TStringGridAccessible::isRowSelected(int row) const {
    return selectedRows().contains(row);
}

bool TStringGridAccessible::selectRow(int row) {
    TStringGrid* g = grid();
    if (g == nullptr)
        return false;
    const int gridRow = row + HeaderRows();
    if (gridRow < g->FixedRows() || gridRow >= g->RowCount())
        return false;
    g->FocusCell(g->Col(), gridRow, true);
    return g->Row() == gridRow;
}

bool TStringGridAccessible::selectColumn(int) {
    return false;
}
bool TStringGridAccessible::unselectRow(int) {
    return false;
}
bool TStringGridAccessible::unselectColumn(int) {
    return false;
}

void TStringGrid::Impl::notifyCurrentCell() {
    if (!QAccessible::isActive())
        return;
    const int child = current.y() * colCount + current.x();
    if (focusWithin) {
        QAccessibleEvent focus(q, QAccessible::Focus);
        focus.setChild(child);
        QAccessible::updateAccessibility(&focus);
    }
    QAccessibleEvent selection(q, QAccessible::Selection);
    selection.setChild(child);
    QAccessible::updateAccessibility(&selection);
}

} // namespace movra
