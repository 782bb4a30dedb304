// The postcode grid's keyboard, mouse and wheel.
#include "gridtestbase.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

namespace marlune::testing {
namespace {

class DBGridInputTest : public GridTestBase {
protected:
    void SetUp() override
    {
        GridTestBase::SetUp();
        LoadRecords(100);
        ASSERT_EQ(grid_->VisibleRowCount(), 10);
    }
    QPoint InRow(int slot, int column = 0) const
    {
        const QRect cell = grid_->CellRect(column, slot);
        return QPoint(std::max(cell.left(), grid_->ClientRect().left()) + 5, cell.top() + 3);
    }
    int TitleY() const { return grid_->ClientRect().top() + grid_->TitleRowHeight() / 2; }
    // Puts the current record at `recNo` in slot `slot`.
    void Place(int recNo, int slot)
    {
        table_.First();
        table_.MoveBy(recNo - 1 + (grid_->VisibleRowCount() - 1 - slot));
        table_.MoveBy(slot - (grid_->VisibleRowCount() - 1));
        ASSERT_EQ(RecNo(), recNo);
        ASSERT_EQ(Slot(), slot);
    }
};

// --- keys -----------------------------------------------------------------------------------

TEST_F(DBGridInputTest, ArrowsMoveOneRecord)
{
    Key(Qt::Key_Down);
    EXPECT_EQ(RecNo(), 2);
    Key(Qt::Key_Right);
    EXPECT_EQ(RecNo(), 3);
    Key(Qt::Key_Up);
    EXPECT_EQ(RecNo(), 2);
    Key(Qt::Key_Left);
    EXPECT_EQ(RecNo(), 1);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(RecNo(), 2);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(DBGridInputTest, ArrowsStopAtTheEnds)
{
    Key(Qt::Key_Up);
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(Slot(), 0);
    Key(Qt::Key_End);
    const QImage before = grid_->grab().toImage();
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    EXPECT_EQ(RecNo(), 100);
    EXPECT_EQ(table_.RecordCount(), 100); // nothing appended
    EXPECT_TRUE(grid_->grab().toImage() == before);
}

TEST_F(DBGridInputTest, PagesHomeAndEnd)
{
    Key(Qt::Key_PageDown);
    EXPECT_EQ(RecNo(), 11);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(RecNo(), 21);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(RecNo(), 11);
    Key(Qt::Key_End);
    EXPECT_EQ(RecNo(), 100);
    EXPECT_EQ(Slot(), 9);
    Key(Qt::Key_Home);
    EXPECT_EQ(RecNo(), 1);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(RecNo(), 100);
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(DBGridInputTest, ControlKeysGoToTheWindowsEdges)
{
    Place(40, 4);
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(RecNo(), 36);
    EXPECT_EQ(Slot(), 0);
    Place(40, 4);
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(RecNo(), 36);
    Place(40, 4);
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(RecNo(), 45);
    EXPECT_EQ(Slot(), 9);
    Place(40, 4);
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(RecNo(), 45);
}

TEST_F(DBGridInputTest, ControlRightBringsBackTheFirstColumn)
{
    grid_->SetLeftCol(2);
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(grid_->LeftCol(), 0);
    EXPECT_EQ(RecNo(), 1);
    grid_->SetLeftCol(1);
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(grid_->LeftCol(), 1);
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(DBGridInputTest, OtherKeysChangeNothing)
{
    Place(40, 4);
    const QImage before = grid_->grab().toImage();
    Key(Qt::Key_Return);
    Key(Qt::Key_Enter);
    Key(Qt::Key_Escape);
    Key(Qt::Key_F2);
    Key(Qt::Key_Insert);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    Key(Qt::Key_Delete);
    QTest::keyClicks(grid_, QStringLiteral("ab1 "));
    EXPECT_EQ(RecNo(), 40);
    EXPECT_EQ(table_.RecordCount(), 100);
    EXPECT_EQ(grid_->LeftCol(), 0);
    EXPECT_TRUE(grid_->hasFocus());
    EXPECT_TRUE(grid_->grab().toImage() == before);
}

TEST_F(DBGridInputTest, TabMovesTheFocusOut)
{
    Key(Qt::Key_Tab);
    EXPECT_TRUE(after_->hasFocus());
    FocusGrid();
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(before_->hasFocus());
    EXPECT_EQ(RecNo(), 1);
}

// --- mouse ----------------------------------------------------------------------------------

TEST_F(DBGridInputTest, PressSelectsTheRow)
{
    before_->setFocus();
    QTest::qWait(0);
    QTest::mouseClick(grid_, Qt::LeftButton, {}, InRow(3));
    EXPECT_TRUE(grid_->hasFocus());
    EXPECT_EQ(RecNo(), 4);
    EXPECT_EQ(grid_->CurrentSlot(), 3);
    QTest::mouseClick(grid_, Qt::RightButton, {}, InRow(7, 2));
    EXPECT_EQ(RecNo(), 8);
    QTest::mouseClick(grid_, Qt::LeftButton, {}, InRow(0, 1));
    EXPECT_EQ(RecNo(), 1);
    // Other buttons select nothing.
    QTest::mouseClick(grid_, Qt::MiddleButton, {}, InRow(5));
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(DBGridInputTest, PressAfterScrollingRightReturnsToTheFirstColumn)
{
    grid_->HorizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(grid_->LeftCol(), 1);
    // The Locality column is now the leftmost one.
    ASSERT_EQ(grid_->ColumnLeft(1), grid_->ClientRect().left());
    QTest::mouseClick(grid_, Qt::LeftButton, {}, InRow(5, 1));
    EXPECT_EQ(RecNo(), 6);
    EXPECT_EQ(grid_->LeftCol(), 0);
    EXPECT_EQ(grid_->HorizontalScrollBar()->value(), 0);
}

TEST_F(DBGridInputTest, PressOffTheRecordsMovesNothing)
{
    table_.Close();
    table_.Open();
    LoadRecords(3);
    QTest::mouseClick(grid_, Qt::LeftButton, {}, InRow(6));
    EXPECT_EQ(RecNo(), 1);
    QTest::mouseClick(grid_, Qt::LeftButton, {}, QPoint(30, TitleY()));
    EXPECT_EQ(RecNo(), 1);
    QTest::mouseClick(grid_, Qt::LeftButton, {}, InRow(2));
    EXPECT_EQ(RecNo(), 3);
}

TEST_F(DBGridInputTest, DoubleClickOnlyRaisesTheEvent)
{
    int raised = 0;
    grid_->OnDblClick = [&](widgets::DBGrid& sender) {
        EXPECT_EQ(&sender, grid_);
        ++raised;
    };
    QTest::mouseClick(grid_, Qt::LeftButton, {}, InRow(2));
    ASSERT_EQ(RecNo(), 3);
    const QPoint second = InRow(4);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, second, grid_->mapToGlobal(second), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid_, &dbl);
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(RecNo(), 3);
}

TEST_F(DBGridInputTest, RightDoubleClickSelectsLikeAPress)
{
    int raised = 0;
    grid_->OnDblClick = [&](widgets::DBGrid&) { ++raised; };
    // Sent directly: QTest's double click leaves the right button down.
    const QPoint second = InRow(4, 1);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, second, grid_->mapToGlobal(second),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid_, &dbl);
    EXPECT_EQ(RecNo(), 5);
    EXPECT_EQ(raised, 0);
}

TEST_F(DBGridInputTest, WheelMovesOneRecordPerNotch)
{
    before_->setFocus();
    QTest::qWait(0);
    Wheel(-120); // towards the user
    EXPECT_TRUE(grid_->hasFocus());
    EXPECT_EQ(RecNo(), 2);
    Wheel(-360);
    EXPECT_EQ(RecNo(), 5);
    Wheel(120);
    EXPECT_EQ(RecNo(), 4);
    // Fine-grained wheels add up to a notch.
    Wheel(60);
    EXPECT_EQ(RecNo(), 4);
    Wheel(60);
    EXPECT_EQ(RecNo(), 3);
    // Over the scroll bar too.
    Wheel(-120, grid_->VerticalScrollBar());
    EXPECT_EQ(RecNo(), 4);
    // Away from the user at the first record: nothing.
    table_.First();
    Wheel(120);
    EXPECT_EQ(RecNo(), 1);
}

// --- title row ------------------------------------------------------------------------------

TEST_F(DBGridInputTest, DraggingATitleBorderResizesTheColumn)
{
    const int right = grid_->ColumnLeft(1) + grid_->Columns(1).width;
    const QPoint from(right, TitleY());
    const QPoint to(right + 30, TitleY());
    QTest::mousePress(grid_, Qt::LeftButton, {}, from);
    QTest::mouseMove(grid_, QPoint(right + 10, TitleY()));
    QTest::mouseMove(grid_, to);
    QTest::mouseRelease(grid_, Qt::LeftButton, {}, to);
    EXPECT_EQ(grid_->Columns(1).width, 280);
    EXPECT_EQ(grid_->Columns(2).width, 60);
    // Narrower again, from just left of the border.
    const QPoint left(right + 29, TitleY());
    QTest::mousePress(grid_, Qt::LeftButton, {}, left);
    QTest::mouseMove(grid_, QPoint(right - 71, TitleY()));
    QTest::mouseRelease(grid_, Qt::LeftButton, {}, QPoint(right - 71, TitleY()));
    EXPECT_EQ(grid_->Columns(1).width, 180);
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(DBGridInputTest, DraggingATitleMovesTheColumn)
{
    const QRect first = grid_->CellRect(0, -1);
    const QRect third = grid_->CellRect(2, -1);
    const QPoint from = first.center();
    const QPoint to = third.center();
    QTest::mousePress(grid_, Qt::LeftButton, {}, from);
    QTest::mouseMove(grid_, from + QPoint(20, 0));
    QTest::mouseMove(grid_, to);
    QTest::mouseRelease(grid_, Qt::LeftButton, {}, to);
    EXPECT_EQ(grid_->Columns(0).fieldName, "Locality");
    EXPECT_EQ(grid_->Columns(1).fieldName, "State");
    EXPECT_EQ(grid_->Columns(2).fieldName, "Pcode");
    EXPECT_EQ(grid_->ColumnTitle(2).toStdString(), "Post Code");
    // The moved column's cells follow it.
    const QImage img = grid_->grab().toImage();
    const QRect moved = grid_->CellRect(2, 1);
    bool ink = false;
    for (int x = moved.left(); x < moved.right(); ++x) {
        ink = ink || img.pixelColor(x, moved.top() + 6) !=
                         platform::paint::ColorToQColor(platform::paint::clWindow);
    }
    EXPECT_TRUE(ink);
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(DBGridInputTest, PlainTitleClickChangesNothing)
{
    const QPoint p = grid_->CellRect(1, -1).center();
    QTest::mouseClick(grid_, Qt::LeftButton, {}, p);
    EXPECT_EQ(grid_->Columns(0).fieldName, "Pcode");
    EXPECT_EQ(grid_->Columns(1).fieldName, "Locality");
    EXPECT_EQ(grid_->Columns(1).width, 250);
    EXPECT_EQ(RecNo(), 1);
}

} // namespace
} // namespace marlune::testing
