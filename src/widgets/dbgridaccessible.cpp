#include "widgets/dbgridaccessible.h"

#include "widgets/dbgrid.h"

#include <QAccessibleTableCellInterface>

namespace marlune::widgets {
namespace {

class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    CellAccessible(DBGrid* grid, int row, int column) : grid_(grid), row_(row), column_(column) {}

    bool isValid() const override { return grid_ != nullptr; }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(grid_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name || t == QAccessible::Value ? grid_->DisplayText(row_, column_)
                                                                 : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        const QRect cell = grid_->CellRect(column_, row_) & grid_->ClientRect();
        return QRect(grid_->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.selectable = true;
        s.focusable = true;
        s.selected = row_ == grid_->CurrentSlot();
        s.focused = s.selected && grid_->hasFocus();
        s.invisible = rect().isEmpty();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override { return row_ == grid_->CurrentSlot(); }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    DBGrid* grid_;
    int row_;
    int column_;
};

std::function<void(QAccessibleEvent&)>& Sink()
{
    static std::function<void(QAccessibleEvent&)> sink;
    return sink;
}

void Send(QAccessibleEvent& event)
{
    if (Sink()) {
        Sink()(event);
    } else {
        QAccessible::updateAccessibility(&event);
    }
}

QAccessibleInterface* GridFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("marlune::widgets::DBGrid")) {
        if (auto* grid = qobject_cast<DBGrid*>(object)) {
            return new DBGridAccessible(grid);
        }
    }
    return nullptr;
}

} // namespace

DBGridAccessible::DBGridAccessible(DBGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

DBGridAccessible::~DBGridAccessible()
{
    ForgetCells();
}

DBGrid* DBGridAccessible::Grid() const
{
    return static_cast<DBGrid*>(widget());
}

void DBGridAccessible::ForgetCells()
{
    for (const auto& [index, id] : cells_) {
        QAccessible::deleteAccessibleInterface(id);
    }
    cells_.clear();
}

int DBGridAccessible::childCount() const
{
    return rowCount() * columnCount();
}

QAccessibleInterface* DBGridAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || columns == 0 || index >= childCount()) {
        return nullptr;
    }
    return cellAt(index / columns, index % columns);
}

int DBGridAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (const auto& [index, id] : cells_) {
        if (QAccessible::accessibleInterface(id) == child) {
            return index;
        }
    }
    return -1;
}

QAccessibleInterface* DBGridAccessible::childAt(int x, int y) const
{
    const QPoint local = Grid()->mapFromGlobal(QPoint(x, y));
    const GridGeometry& g = Grid()->Geometry();
    const int row = g.SlotAt(local.y(), rowCount());
    const int column = g.ColumnAt(local.x());
    return row >= 0 && column >= 0 ? cellAt(row, column) : nullptr;
}

QAccessibleInterface* DBGridAccessible::focusChild() const
{
    const int row = Grid()->CurrentSlot();
    return Grid()->hasFocus() && row >= 0 && row < rowCount() && columnCount() > 0 ? cellAt(row, 0)
                                                                                   : nullptr;
}

QString DBGridAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        const QString name = Grid()->accessibleName();
        return name.isEmpty() ? QStringLiteral("Postcodes") : name;
    }
    return QAccessibleWidget::text(t);
}

void* DBGridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* DBGridAccessible::caption() const
{
    return nullptr;
}

QAccessibleInterface* DBGridAccessible::summary() const
{
    return nullptr;
}

QAccessibleInterface* DBGridAccessible::cellAt(int row, int column) const
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) {
        return nullptr;
    }
    const int index = row * columnCount() + column;
    if (const auto found = cells_.find(index); found != cells_.end()) {
        return QAccessible::accessibleInterface(found->second);
    }
    auto* cell = new CellAccessible(Grid(), row, column);
    cells_[index] = QAccessible::registerAccessibleInterface(cell);
    return cell;
}

int DBGridAccessible::selectedCellCount() const
{
    return selectedRowCount() * columnCount();
}

QList<QAccessibleInterface*> DBGridAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    for (const int row : selectedRows()) {
        for (int c = 0; c < columnCount(); ++c) {
            cells.append(cellAt(row, c));
        }
    }
    return cells;
}

QString DBGridAccessible::columnDescription(int column) const
{
    return column >= 0 && column < columnCount() ? Grid()->ColumnTitle(column) : QString();
}

QString DBGridAccessible::rowDescription(int) const
{
    return {};
}

int DBGridAccessible::selectedColumnCount() const
{
    return 0;
}

int DBGridAccessible::selectedRowCount() const
{
    return static_cast<int>(selectedRows().size());
}

int DBGridAccessible::columnCount() const
{
    return Grid()->ColumnCount();
}

int DBGridAccessible::rowCount() const
{
    return Grid()->RecordRowCount();
}

QList<int> DBGridAccessible::selectedColumns() const
{
    return {};
}

QList<int> DBGridAccessible::selectedRows() const
{
    const int row = Grid()->CurrentSlot();
    return row >= 0 && row < rowCount() ? QList<int>{row} : QList<int>{};
}

bool DBGridAccessible::isColumnSelected(int) const
{
    return false;
}

bool DBGridAccessible::isRowSelected(int row) const
{
    return row >= 0 && row == Grid()->CurrentSlot() && row < rowCount();
}

// The current row follows the table's current record; it is moved with the
// keyboard or the mouse, not through assistive technology.
bool DBGridAccessible::selectRow(int)
{
    return false;
}

bool DBGridAccessible::selectColumn(int)
{
    return false;
}

bool DBGridAccessible::unselectRow(int)
{
    return false;
}

bool DBGridAccessible::unselectColumn(int)
{
    return false;
}

void DBGridAccessible::modelChange(QAccessibleTableModelChangeEvent*)
{
    ForgetCells();
}

void InstallGridAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(GridFactory);
        return true;
    }();
    (void)installed;
}

void NotifyGridChanged(DBGrid& grid)
{
    if (!QAccessible::isActive() && !Sink()) {
        return;
    }
    QAccessibleTableModelChangeEvent reset(&grid, QAccessibleTableModelChangeEvent::ModelReset);
    Send(reset);
    const int row = grid.CurrentSlot();
    if (row < 0 || row >= grid.RecordRowCount() || grid.ColumnCount() == 0) {
        return;
    }
    const int child = row * grid.ColumnCount();
    QAccessibleEvent selection(&grid, QAccessible::SelectionAdd);
    selection.setChild(child);
    Send(selection);
    if (grid.hasFocus()) {
        QAccessibleEvent focus(&grid, QAccessible::Focus);
        focus.setChild(child);
        Send(focus);
    }
}

void SetGridEventSink(std::function<void(QAccessibleEvent&)> sink)
{
    Sink() = std::move(sink);
}

} // namespace marlune::widgets
