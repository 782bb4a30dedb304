#pragma once

#include <QAccessibleWidget>

#include <functional>
#include <map>

namespace marlune::widgets {

class DBGrid;

// What assistive technology sees of the grid: a table whose rows are the
// records in the grid's window and whose columns are the grid's columns; the
// current row is selected (and focused while the grid has the focus). The
// grid paints itself, so without this a screen reader would find nothing in it.
class DBGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit DBGridAccessible(DBGrid* grid);
    ~DBGridAccessible() override;

    // QAccessibleInterface
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override;
    QAccessibleInterface* summary() const override;
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    DBGrid* Grid() const;

private:
    // Cells are made on demand and kept until the grid's contents change.
    mutable std::map<int, QAccessible::Id> cells_;
    void ForgetCells();
};

// Installs the grid's accessibility (once per process).
void InstallGridAccessibility();

// Tells assistive technology that the grid shows other records or moved its
// current row: the table changed, and the current cell has the focus.
void NotifyGridChanged(DBGrid& grid);

// Where those events go: to QAccessible, which passes them on while a screen
// reader listens; a test can take them instead (an empty sink restores
// QAccessible).
void SetGridEventSink(std::function<void(QAccessibleEvent&)> sink);

} // namespace marlune::widgets
