// What assistive technology reads from the grid.
#include "gridtestbase.h"

#include "widgets/dbgridaccessible.h"

#include <QAccessible>
#include <QAccessibleTableCellInterface>
#include <QTest>

#include <string>
#include <vector>

namespace marlune::testing {
namespace {

// Keeps the type and child of every accessibility event the grid sends.
struct Recorder {
    struct Seen {
        QAccessible::Event type;
        int child;
    };
    std::vector<Seen> events;

    Recorder()
    {
        widgets::SetGridEventSink([this](QAccessibleEvent& event) {
            events.push_back({event.type(), event.child()});
        });
    }
    ~Recorder() { widgets::SetGridEventSink({}); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool Saw(QAccessible::Event type, int child) const
    {
        for (const Seen& e : events) {
            if (e.type == type && e.child == child) {
                return true;
            }
        }
        return false;
    }
};

using DBGridAccessibleTest = GridTestBase;

TEST_F(DBGridAccessibleTest, TheWindowsRecordsAreATable)
{
    LoadRecords(40);
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(grid_);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->role(), QAccessible::Table);
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), table_.WindowRecordCount());
    EXPECT_EQ(table->columnCount(), 5);
    EXPECT_EQ(table->columnDescription(0), QStringLiteral("Post Code"));
    EXPECT_EQ(table->columnDescription(4), QStringLiteral("Delivery Office"));
    // Each cell reads what the table holds for that row's record: walk the
    // table from its first record and compare.
    table_.First();
    for (int row = 0; row < table->rowCount(); ++row) {
        QAccessibleInterface* cell = table->cellAt(row, 1);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->role(), QAccessible::Cell);
        EXPECT_EQ(cell->text(QAccessible::Name).toStdString(),
                  table_.FieldByName("Locality").AsString());
        EXPECT_EQ(cell->tableCellInterface()->rowIndex(), row);
        table_.Next();
    }
    table_.First();
    EXPECT_EQ(table->selectedRows(), QList<int>{grid_->CurrentSlot()});
    EXPECT_TRUE(table->cellAt(grid_->CurrentSlot(), 0)->state().selected);
    // A cell lies where the grid paints it.
    QAccessibleInterface* cell = table->cellAt(2, 0);
    EXPECT_EQ(grid->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
}

TEST_F(DBGridAccessibleTest, MovingTheCurrentRecordIsAnnounced)
{
    LoadRecords(40);
    FocusGrid();
    Recorder recorder;
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    const int child = grid_->CurrentSlot() * grid_->ColumnCount();
    EXPECT_TRUE(recorder.Saw(QAccessible::Focus, child));
    EXPECT_TRUE(recorder.Saw(QAccessible::SelectionAdd, child));
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(grid_);
    ASSERT_NE(grid->focusChild(), nullptr);
    EXPECT_EQ(grid->focusChild()->text(QAccessible::Name).toStdString(),
              table_.FieldByName("Pcode").AsString());
}

TEST_F(DBGridAccessibleTest, AClosedTableHasNoRows)
{
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(grid_);
    table_.Close();
    EXPECT_EQ(grid->tableInterface()->rowCount(), 0);
    EXPECT_EQ(grid->childCount(), 0);
    EXPECT_EQ(grid->tableInterface()->cellAt(0, 0), nullptr);
}

} // namespace
} // namespace marlune::testing
