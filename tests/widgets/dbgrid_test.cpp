// The postcode grid: layout, painting, following the table, scroll bars.
#include "gridtestbase.h"

#include "platform/paint/fonts.h"
#include "widgets/gridpainter.h"

#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <string>

namespace marlune::testing {
namespace {

using namespace marlune::platform::paint;
using widgets::DBGrid;

class DBGridTest : public GridTestBase {
protected:
    int ExpectedFirstColumnWidth(const QFont& font) const
    {
        const QFontMetrics fm(font);
        const QFontMetrics tfm(grid_->TitleFont());
        return std::max(9 * fm.horizontalAdvance(QLatin1Char('0')) + 4,
                        tfm.horizontalAdvance(QStringLiteral("Post Code")) + 4);
    }
    int RowTop(int slot) const { return grid_->DataTop() + slot * grid_->RowPitch(); }
    // Whether every pixel of a horizontal run has the colour.
    static bool RunIs(const QImage& image, int y, int x0, int x1, const QColor& c)
    {
        for (int x = x0; x < x1; ++x) {
            if (image.pixelColor(x, y) != c) {
                return false;
            }
        }
        return true;
    }
    // Whether the rectangle holds a pixel of another colour (text ink).
    static bool HasInk(const QImage& image, const QRect& r, const QColor& background)
    {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                if (image.pixelColor(x, y) != background) {
                    return true;
                }
            }
        }
        return false;
    }
    static QColor Inverted(const QColor& c)
    {
        return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
    }
};

// --- layout ---------------------------------------------------------------------------------

TEST_F(DBGridTest, RowHeightsFollowTheFonts)
{
    EXPECT_EQ(grid_->DefaultRowHeight(), TextHeight() + 4);
    EXPECT_EQ(grid_->RowPitch(), TextHeight() + 5);
    EXPECT_EQ(grid_->TitleRowHeight(), TitleTextHeight() + 4);
    EXPECT_EQ(grid_->DataTop(), grid_->ClientRect().top() + TitleTextHeight() + 4 + 1);
}

TEST_F(DBGridTest, ClientAreaLeavesOutBorderAndScrollBars)
{
    const QRect client = grid_->ClientRect();
    EXPECT_EQ(client.topLeft(), QPoint(1, 1));
    ASSERT_TRUE(grid_->HorizontalScrollBar()->isVisible()); // 5 columns > 492 pixels
    EXPECT_EQ(client.width(), grid_->width() - 2 - grid_->VerticalScrollBar()->width());
    EXPECT_EQ(client.height(), grid_->height() - 2 - grid_->HorizontalScrollBar()->height());
    EXPECT_EQ(grid_->VerticalScrollBar()->geometry().left(), client.right() + 1);
    EXPECT_EQ(grid_->HorizontalScrollBar()->geometry().top(), client.bottom() + 1);
}

TEST_F(DBGridTest, WindowSizeIsTheNumberOfWholeRows)
{
    LoadRecords(100);
    for (int rows : {1, 3, 10, 17}) {
        SetGridHeight(HeightForRows(rows));
        EXPECT_EQ(grid_->VisibleRowCount(), rows);
        EXPECT_EQ(table_.BufferCount(), rows);
        EXPECT_EQ(table_.WindowRecordCount(), rows);
        EXPECT_EQ(grid_->PaintedRowCount(), rows);
    }
    // A row that does not fit completely does not count.
    SetGridHeight(HeightForRows(5) + grid_->RowPitch() - 1);
    EXPECT_EQ(grid_->VisibleRowCount(), 5);
    // Never fewer than one.
    SetGridHeight(12);
    EXPECT_EQ(grid_->VisibleRowCount(), 1);
    EXPECT_EQ(table_.BufferCount(), 1);
}

TEST_F(DBGridTest, WindowSizeIsSetWhenTheTableOpens)
{
    table_.Close();
    SetGridHeight(HeightForRows(7));
    table_.Open();
    EXPECT_EQ(table_.BufferCount(), 7);
    LoadRecords(50);
    EXPECT_EQ(table_.WindowRecordCount(), 7);
}

TEST_F(DBGridTest, ColumnsHaveTheirTitlesAndWidths)
{
    ASSERT_EQ(grid_->ColumnCount(), 5);
    const char* titles[] = {"Post Code", "Locality", "State", "Comments", "Delivery Office"};
    const char* fields[] = {"Pcode", "Locality", "State", "Comments", "DeliveryOffice"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(grid_->ColumnTitle(i).toStdString(), titles[i]);
        EXPECT_EQ(grid_->Columns(i).fieldName, fields[i]);
        EXPECT_EQ(grid_->Columns(i).field, table_.FindField(fields[i]));
    }
    EXPECT_EQ(grid_->Columns(0).width, ExpectedFirstColumnWidth(platform::paint::VerdanaFont(11)));
    EXPECT_EQ(grid_->Columns(1).width, 250);
    EXPECT_EQ(grid_->Columns(2).width, 60);
    EXPECT_EQ(grid_->Columns(3).width, 150);
    EXPECT_EQ(grid_->Columns(4).width, 200);
}

TEST_F(DBGridTest, TitlesWithoutCaptionShowTheFieldsDisplayLabel)
{
    table_.Close();
    table_.FieldByName("Locality").SetDisplayLabel("Suburb");
    table_.FieldByName("Pcode").SetDisplayLabel("Code");
    table_.Open();
    EXPECT_EQ(grid_->ColumnTitle(1).toStdString(), "Suburb");
    EXPECT_EQ(grid_->ColumnTitle(0).toStdString(), "Post Code"); // has a caption of its own
    table_.FieldByName("Locality").SetDisplayLabel("");
    table_.Close();
    table_.Open();
    EXPECT_EQ(grid_->ColumnTitle(1).toStdString(), "Locality");
}

TEST_F(DBGridTest, WiderGridFontWidensTheFirstColumnAndRows)
{
    LoadRecords(40);
    const int before = grid_->Columns(0).width;
    const int rowsBefore = grid_->VisibleRowCount();
    const QFont wide = platform::paint::VerdanaFont(16);
    window_->setFont(wide); // inherited, as from the main window
    EXPECT_EQ(grid_->Columns(0).width, ExpectedFirstColumnWidth(wide));
    EXPECT_GT(grid_->Columns(0).width, before);
    EXPECT_EQ(grid_->DefaultRowHeight(), QFontMetrics(wide).height() + 4);
    EXPECT_LT(grid_->VisibleRowCount(), rowsBefore);
    EXPECT_EQ(table_.BufferCount(), grid_->VisibleRowCount());
    // The title row keeps the title font.
    EXPECT_EQ(grid_->TitleRowHeight(), TitleTextHeight() + 4);
}

TEST_F(DBGridTest, TitleFontSetsTheTitleRow)
{
    const QFont big = platform::paint::VerdanaFont(20);
    grid_->SetTitleFont(big);
    EXPECT_EQ(grid_->TitleRowHeight(), QFontMetrics(big).height() + 4);
    // The wider title may now decide the first column's width.
    EXPECT_GE(grid_->Columns(0).width,
              QFontMetrics(big).horizontalAdvance(QStringLiteral("Post Code")) + 4);
}

// --- painting -------------------------------------------------------------------------------

TEST_F(DBGridTest, PaintsTitlesLinesAndTheCurrentRow)
{
    LoadRealFile();
    const QImage img = Picture();
    const QRect c = grid_->ClientRect();
    const int titleLine = c.top() + grid_->TitleRowHeight();
    EXPECT_EQ(At(img, c.left() + 1, c.top() + 1), Palette(clBtnFace));
    EXPECT_TRUE(RunIs(img, titleLine, c.left(), c.right() + 1, Palette(clBlack)));

    const int rowH = grid_->DefaultRowHeight();
    // The current (first) row: highlight over the whole width inside the
    // focus rectangle; the others in the grid colour; silver lines after each.
    EXPECT_TRUE(RunIs(img, RowTop(0) + 1, c.left() + 1, c.right(), Palette(clHighlight)));
    for (int slot = 0; slot < grid_->VisibleRowCount(); ++slot) {
        EXPECT_TRUE(RunIs(img, RowTop(slot) + rowH, c.left(), c.right() + 1, Palette(clSilver)))
            << slot;
    }
    EXPECT_TRUE(RunIs(img, RowTop(1) + 1, c.left(), c.right() + 1, Palette(clWindow)));
    // Text in the cells: ink in the first record's Pcode and Locality.
    EXPECT_TRUE(HasInk(img, grid_->CellRect(1, 1) & c, Palette(clWindow)));
    EXPECT_TRUE(HasInk(img, grid_->CellRect(0, 0).adjusted(1, 1, -1, -1), Palette(clHighlight)));
    // Text starts 2 pixels right and 2 down: the first two columns and rows
    // of a cell are background.
    const QRect cell = grid_->CellRect(1, 1);
    EXPECT_FALSE(HasInk(img, QRect(cell.left(), cell.top(), 2, rowH), Palette(clWindow)));
    EXPECT_FALSE(HasInk(img, QRect(cell.left(), cell.top(), cell.width(), 2), Palette(clWindow)));
}

// The painter needs no widget: what the grid shows, read through its public
// face and painted into an image, is the widget's own picture.
TEST_F(DBGridTest, PainterPaintsTheGridsPictureIntoAnImage)
{
    LoadRealFile();
    Key(Qt::Key_PageDown);
    grid_->SetLeftCol(1);
    ASSERT_TRUE(grid_->hasFocus());
    const int count = grid_->ColumnCount();
    std::vector<widgets::DBGridColumn> columns;
    std::vector<QString> titles(static_cast<std::size_t>(count));
    widgets::GridRows rows;
    rows.active = true;
    rows.rows = grid_->PaintedRowCount();
    rows.filled = grid_->RecordRowCount();
    rows.activeSlot = grid_->CurrentSlot();
    rows.columnCount = static_cast<std::size_t>(count);
    rows.cells.resize(static_cast<std::size_t>(rows.rows * count));
    for (int c = 0; c < count; ++c) {
        columns.push_back(grid_->Columns(c));
        const int id = columns.back().id;
        titles[static_cast<std::size_t>(id)] = grid_->ColumnTitle(c);
        for (int slot = 0; slot < rows.filled; ++slot) {
            rows.cells[static_cast<std::size_t>(slot * count + id)] = grid_->DisplayText(slot, c);
        }
    }
    const widgets::GridLook look{grid_->Color(),
                                 grid_->FixedColor(),
                                 grid_->FontColor(),
                                 grid_->TitleFontColor(),
                                 grid_->font(),
                                 grid_->TitleFont(),
                                 QFontMetrics(grid_->font(), grid_).ascent(),
                                 QFontMetrics(grid_->TitleFont(), grid_).ascent(),
                                 true,
                                 true};
    const QRect client = grid_->ClientRect();
    const QRect vBar = grid_->VerticalScrollBar()->geometry();
    const QRect hBar = grid_->HorizontalScrollBar()->geometry();
    ASSERT_TRUE(grid_->HorizontalScrollBar()->isVisible());
    const QRect corner(client.right() + 1, client.bottom() + 1, vBar.width(), hBar.height());
    QImage painted(grid_->size(), QImage::Format_RGB32);
    painted.fill(Qt::magenta);
    {
        QPainter painter(&painted);
        widgets::PaintGrid(painter,
                           {grid_->Geometry(), columns, titles, rows, look, grid_->palette(),
                            grid_->rect(), corner, true},
                           painted.rect());
    }
    // The scroll bars are widgets of their own.
    const QImage shown = Picture();
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QPoint p(x, y);
            if (!vBar.contains(p) && !hBar.contains(p) && shown.pixel(p) != painted.pixel(p)) {
                ++differing;
            }
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(DBGridTest, EmptyFieldsAndClippedTextLeaveNoInk)
{
    LoadRecords(20); // record 3 has a null comment
    const QImage img = Picture();
    EXPECT_FALSE(HasInk(img, grid_->CellRect(3, 2) & grid_->ClientRect(), Palette(clWindow)));
    EXPECT_TRUE(HasInk(img, grid_->CellRect(3, 1) & grid_->ClientRect(), Palette(clWindow)));

    // A narrow State column cuts "NSW" at its edge; nothing runs into the
    // two background pixels at the left of the next cell.
    grid_->SetColumnWidth(2, 9);
    const QImage cut = Picture();
    const QRect next = grid_->CellRect(3, 1);
    EXPECT_TRUE(HasInk(cut, grid_->CellRect(2, 1), Palette(clWindow)));
    EXPECT_FALSE(HasInk(cut, QRect(next.left(), next.top(), 2, next.height()), Palette(clWindow)));
}

TEST_F(DBGridTest, FocusRectangleOnlyWithFocus)
{
    LoadRecords(30);
    const QRect c = grid_->ClientRect();
    const int y = RowTop(0);
    const QColor hl = Palette(clHighlight);
    ASSERT_TRUE(grid_->hasFocus());
    QImage img = Picture();
    // Dotted: every other pixel of the outline inverted.
    for (int x = c.left() + 3; x < c.left() + 13; ++x) {
        const QColor expected = ((x + y) % 2 == 0) ? Inverted(hl) : hl;
        EXPECT_EQ(At(img, x, y), expected) << x;
    }
    const int bottom = y + grid_->DefaultRowHeight() - 1;
    EXPECT_EQ(At(img, c.left() + ((c.left() + bottom) % 2), bottom), Inverted(hl));

    before_->setFocus();
    QTest::qWait(0);
    ASSERT_FALSE(grid_->hasFocus());
    img = Picture();
    // The highlight stays (dgAlwaysShowSelection); the rectangle goes.
    EXPECT_TRUE(RunIs(img, y, c.left(), c.right() + 1, hl));
    EXPECT_TRUE(RunIs(img, y + 1, c.left(), c.right() + 1, hl));
}

TEST_F(DBGridTest, FewerRecordsThanRowsLeaveTheRestEmpty)
{
    LoadRecords(3);
    ASSERT_EQ(grid_->VisibleRowCount(), 10);
    EXPECT_EQ(grid_->PaintedRowCount(), 3);
    const QImage img = Picture();
    const QRect c = grid_->ClientRect();
    const int rowH = grid_->DefaultRowHeight();
    EXPECT_TRUE(RunIs(img, RowTop(2) + rowH, c.left(), c.right() + 1, Palette(clSilver)));
    for (int y = RowTop(3); y <= c.bottom(); ++y) {
        ASSERT_TRUE(RunIs(img, y, c.left(), c.right() + 1, Palette(clWindow))) << y;
    }
}

TEST_F(DBGridTest, AreaRightOfTheColumnsHasTheGridColour)
{
    LoadRecords(5);
    grid_->resize(1000, grid_->height());
    ASSERT_FALSE(grid_->HorizontalScrollBar()->isVisible());
    const int right = grid_->ColumnLeft(4) + grid_->Columns(4).width;
    const QRect c = grid_->ClientRect();
    ASSERT_LT(right, c.right());
    const QImage img = Picture();
    // Title row, title line and the rows with their lines stop at the last
    // column.
    for (int y = c.top(); y <= c.bottom(); ++y) {
        ASSERT_TRUE(RunIs(img, y, right, c.right() + 1, Palette(clWindow))) << y;
    }
    EXPECT_EQ(At(img, right - 1, c.top() + grid_->TitleRowHeight()), Palette(clBlack));
    EXPECT_EQ(At(img, right - 1, RowTop(1) + grid_->DefaultRowHeight()), Palette(clSilver));
    // More rows fit without the horizontal scroll bar.
    EXPECT_EQ(grid_->ClientRect().height(), grid_->height() - 2);
}

TEST_F(DBGridTest, SilverGridGetsGrayLines)
{
    LoadRecords(5);
    grid_->SetColor(clSilver);
    const QImage img = Picture();
    const QRect c = grid_->ClientRect();
    EXPECT_TRUE(RunIs(img, RowTop(1) + grid_->DefaultRowHeight(), c.left(), c.right() + 1,
                      Palette(clGray)));
    EXPECT_TRUE(RunIs(img, RowTop(1) + 1, c.left(), c.right() + 1, Palette(clSilver)));
}

TEST_F(DBGridTest, ClosedTableShowsOneBlankRow)
{
    LoadRecords(30);
    table_.Close();
    EXPECT_EQ(grid_->PaintedRowCount(), 1);
    EXPECT_EQ(grid_->CurrentSlot(), -1);
    const QImage img = Picture();
    const QRect c = grid_->ClientRect();
    EXPECT_EQ(At(img, c.left() + 1, c.top() + 1), Palette(clBtnFace));
    for (int y = RowTop(0); y < RowTop(0) + grid_->DefaultRowHeight(); ++y) {
        ASSERT_TRUE(RunIs(img, y, c.left(), c.right() + 1, Palette(clWindow))) << y;
    }
    for (int y = RowTop(1); y <= c.bottom(); ++y) {
        ASSERT_TRUE(RunIs(img, y, c.left(), c.right() + 1, Palette(clWindow))) << y;
    }
    EXPECT_FALSE(grid_->VerticalScrollInfo().enabled);
    EXPECT_FALSE(grid_->VerticalScrollBar()->isEnabled());
    // Keys, wheel and clicks find nothing to move and raise nothing.
    Key(Qt::Key_Down);
    Key(Qt::Key_End);
    Wheel(-120);
    QTest::mouseClick(grid_, Qt::LeftButton, {}, QPoint(c.left() + 20, RowTop(0) + 3));
    grid_->VerticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_FALSE(table_.Active());
}

TEST_F(DBGridTest, EmptyOpenTableShowsOneHighlightedRow)
{
    ASSERT_TRUE(table_.Active());
    ASSERT_EQ(table_.RecordCount(), 0);
    EXPECT_EQ(grid_->PaintedRowCount(), 1);
    EXPECT_EQ(grid_->CurrentSlot(), 0);
    const QImage img = Picture();
    const QRect c = grid_->ClientRect();
    EXPECT_TRUE(RunIs(img, RowTop(0) + 1, c.left() + 1, c.right(), Palette(clHighlight)));
    EXPECT_TRUE(RunIs(img, RowTop(1) + 1, c.left(), c.right() + 1, Palette(clWindow)));
    Key(Qt::Key_Down);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(table_.RecNo(), -1);
}

// --- following the table --------------------------------------------------------------------

TEST_F(DBGridTest, IncrementalRepaintsMatchAFullPaint)
{
    LoadRecords(200);
    const QRect c = grid_->ClientRect();
    const auto same = [&](const char* step) {
        const QImage screen = ScreenPicture().copy(c);
        const QImage full = Picture().copy(c);
        ASSERT_FALSE(screen.isNull());
        EXPECT_TRUE(screen == full) << step;
    };
    same("start");
    Key(Qt::Key_Down);
    same("inside the window");
    for (int i = 0; i < 12; ++i) {
        Key(Qt::Key_Down);
    }
    same("scrolled by one, twice");
    Key(Qt::Key_PageDown);
    same("scrolled by a page");
    grid_->VerticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    same("scrolled back");
    table_.MoveBy(-3);
    same("moved inside");
    table_.MoveBy(25);
    same("scrolled further than the window");
    Key(Qt::Key_Up, Qt::ControlModifier);
    same("first slot");
    before_->setFocus();
    same("focus gone");
    grid_->SetLeftCol(2);
    same("scrolled sideways");
}

TEST_F(DBGridTest, IncrementalRepaintsMatchWhenScrolledSidewaysUnfocusedOrWide)
{
    LoadRecords(200);
    const auto same = [&](const char* step) {
        const QRect c = grid_->ClientRect();
        const QImage screen = ScreenPicture().copy(c);
        ASSERT_FALSE(screen.isNull());
        EXPECT_TRUE(screen == Picture().copy(c)) << step;
    };
    grid_->SetLeftCol(1);
    for (int i = 0; i < 12; ++i) {
        Key(Qt::Key_Down);
    }
    same("scrolled down while scrolled sideways");
    Wheel(-120);
    same("wheel");
    before_->setFocus();
    QTest::qWait(0);
    table_.MoveBy(5);
    same("scrolled without the focus");
    table_.MoveBy(-9);
    same("scrolled back without the focus");
    FocusGrid();
    // Wider than the columns: rows and lines stop at the last column.
    window_->resize(1100, 500);
    grid_->resize(1000, grid_->height());
    same("wide");
    for (int i = 0; i < 12; ++i) {
        Key(Qt::Key_Down);
    }
    same("wide, scrolled");
    Key(Qt::Key_Up, Qt::ControlModifier);
    same("wide, first slot");
    SetGridHeight(HeightForRows(4));
    Key(Qt::Key_PageDown);
    Key(Qt::Key_Down);
    same("short, scrolled");
}

TEST_F(DBGridTest, SearchPlacementHoldsForEveryWindowSize)
{
    constexpr int kRecords = 100;
    LoadRecords(kRecords);
    for (int rows : {1, 2, 4, 5, 10}) {
        SetGridHeight(HeightForRows(rows));
        ASSERT_EQ(grid_->VisibleRowCount(), rows);
        for (int target : {1, 2, 3, 50, 98, 99, 100}) {
            SCOPED_TRACE(::testing::Message() << "N " << rows << ", record " << target);
            ASSERT_TRUE(table_.Locate("Locality", "Locality " + std::to_string(target),
                                      table::loCaseInsensitive));
            // The middle slot, or as many slots as records precede it; near
            // the end the window stays full, the last record in the last slot.
            const int preceding = target - 1;
            const int following = kRecords - target;
            const int slot = std::max(std::min((rows - 1) / 2, preceding), rows - 1 - following);
            EXPECT_EQ(grid_->CurrentSlot(), slot);
            EXPECT_EQ(grid_->PaintedRowCount(), rows);
            EXPECT_EQ(table_.SlotRecNo(slot), target);
            EXPECT_EQ(grid_->VerticalScrollBar()->value(), target);
        }
    }
}

TEST_F(DBGridTest, SearchResultGoesToTheMiddleRow)
{
    LoadRecords(100);
    ASSERT_TRUE(
        table_.Locate("Locality", "locality 50", table::loCaseInsensitive | table::loPartialKey));
    EXPECT_EQ(RecNo(), 50);
    EXPECT_EQ(grid_->CurrentSlot(), (grid_->VisibleRowCount() - 1) / 2);
    const QImage img = Picture();
    EXPECT_EQ(At(img, grid_->ClientRect().left() + 1, RowTop(grid_->CurrentSlot()) + 1),
              Palette(clHighlight));
    EXPECT_EQ(grid_->VerticalScrollBar()->value(), 50);

    ASSERT_TRUE(table_.Locate("Locality", "Locality 100", table::loCaseInsensitive));
    EXPECT_EQ(grid_->CurrentSlot(), grid_->VisibleRowCount() - 1);
    EXPECT_EQ(grid_->PaintedRowCount(), grid_->VisibleRowCount());

    // No match: nothing changes.
    const QImage before = Picture();
    EXPECT_FALSE(table_.Locate("Locality", "zzz", table::loCaseInsensitive | table::loPartialKey));
    EXPECT_TRUE(Picture() == before);
}

TEST_F(DBGridTest, DisabledControlsKeepThePicture)
{
    LoadRecords(100);
    const QImage before = Picture();
    table_.DisableControls();
    table_.Last();
    grid_->update();
    EXPECT_TRUE(Picture() == before);
    Key(Qt::Key_Home); // the table belongs to someone else meanwhile
    EXPECT_EQ(RecNo(), 100);
    table_.EnableControls();
    EXPECT_EQ(grid_->CurrentSlot(), table_.ActiveRecord());
    EXPECT_EQ(grid_->VerticalScrollBar()->value(), 100);
    EXPECT_FALSE(Picture() == before);
}

TEST_F(DBGridTest, SizeChangedWhileControlsAreDisabledIsAppliedWhenTheyReturn)
{
    LoadRecords(100);
    table_.DisableControls();
    table_.Last();
    // The report owns the table meanwhile: its window is left alone.
    SetGridHeight(HeightForRows(4));
    EXPECT_EQ(table_.BufferCount(), 10);
    table_.EnableControls();
    EXPECT_EQ(table_.BufferCount(), 4);
    EXPECT_EQ(table_.WindowRecordCount(), 4);
    EXPECT_EQ(grid_->CurrentSlot(), 3);
    EXPECT_EQ(RecNo(), 100);
    EXPECT_EQ(grid_->VerticalScrollInfo().max, 100 + 4 - 1);
    EXPECT_EQ(grid_->VerticalScrollInfo().page, 4);
}

TEST_F(DBGridTest, ShrinkingKeepsTheCurrentRecordInTheLastRow)
{
    LoadRecords(100);
    for (int i = 0; i < 7; ++i) {
        Key(Qt::Key_Down);
    }
    ASSERT_EQ(RecNo(), 8);
    ASSERT_EQ(grid_->CurrentSlot(), 7);
    SetGridHeight(HeightForRows(4));
    EXPECT_EQ(RecNo(), 8);
    EXPECT_EQ(grid_->CurrentSlot(), 3);
    EXPECT_EQ(table_.SlotRecNo(0), 5);
    const QImage img = Picture();
    EXPECT_EQ(At(img, grid_->ClientRect().left() + 1, RowTop(3) + 1), Palette(clHighlight));

    // Growing fills the new rows with the records that follow.
    SetGridHeight(HeightForRows(12));
    EXPECT_EQ(RecNo(), 8);
    EXPECT_EQ(table_.WindowRecordCount(), 12);
    EXPECT_EQ(grid_->PaintedRowCount(), 12);
    EXPECT_EQ(table_.SlotRecNo(grid_->CurrentSlot()), 8);

    // At the end of the table, with records that precede the window.
    Key(Qt::Key_End);
    SetGridHeight(HeightForRows(15));
    EXPECT_EQ(table_.WindowRecordCount(), 15);
    EXPECT_EQ(grid_->CurrentSlot(), 14);
    EXPECT_EQ(grid_->VerticalScrollInfo().max, 100 + 15 - 1);
}

// --- vertical scroll bar --------------------------------------------------------------------

TEST_F(DBGridTest, VerticalScrollBarShowsThePosition)
{
    LoadRecords(100);
    QScrollBar* bar = grid_->VerticalScrollBar();
    const auto check = [&](int recNo) {
        const DBGrid::ScrollInfo info = grid_->VerticalScrollInfo();
        EXPECT_EQ(info.min, 1);
        EXPECT_EQ(info.max, 100 + 10 - 1);
        EXPECT_EQ(info.page, 10);
        EXPECT_EQ(info.pos, recNo);
        EXPECT_TRUE(info.enabled);
        EXPECT_EQ(bar->minimum(), 1);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(bar->pageStep(), 10);
        EXPECT_EQ(bar->value(), recNo);
        EXPECT_EQ(RecNo(), recNo);
    };
    check(1);
    Key(Qt::Key_Down);
    check(2);
    Key(Qt::Key_End);
    check(100);
    table_.SetRecNo(42);
    check(42);
    SetGridHeight(HeightForRows(6));
    EXPECT_EQ(grid_->VerticalScrollInfo().max, 105);
    EXPECT_EQ(bar->pageStep(), 6);
}

TEST_F(DBGridTest, VerticalScrollBarActionsMoveTheCurrentRecord)
{
    LoadRecords(100);
    QScrollBar* bar = grid_->VerticalScrollBar();
    // Arrow down: the record just below the window.
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(RecNo(), 11);
    EXPECT_EQ(grid_->CurrentSlot(), 9);
    EXPECT_EQ(bar->value(), 11);
    table_.MoveBy(-4); // record 7, slot 5, window 2..11
    // Arrow up: the record just above the window.
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(grid_->CurrentSlot(), 0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(RecNo(), 11);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(RecNo(), 21);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(RecNo(), 11);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(RecNo(), 100);
    EXPECT_EQ(bar->value(), 100);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(bar->value(), 1);
}

TEST_F(DBGridTest, ThumbActsOnlyWhenReleased)
{
    LoadRecords(100);
    QScrollBar* bar = grid_->VerticalScrollBar();
    const auto drag = [&](int position) {
        const int before = RecNo();
        bar->setSliderDown(true);
        bar->setSliderPosition(position);
        EXPECT_EQ(RecNo(), before) << "moved while dragging";
        bar->setSliderDown(false);
    };
    drag(50);
    EXPECT_EQ(RecNo(), 50);
    EXPECT_EQ(bar->value(), 50);
    drag(100);
    EXPECT_EQ(RecNo(), 100);
    EXPECT_EQ(grid_->CurrentSlot(), grid_->VisibleRowCount() - 1);
    drag(1);
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(grid_->CurrentSlot(), 0);
}

TEST_F(DBGridTest, UsingAScrollBarGivesTheGridFocus)
{
    LoadRecords(100);
    before_->setFocus();
    QTest::qWait(0);
    ASSERT_FALSE(grid_->hasFocus());
    QScrollBar* bar = grid_->VerticalScrollBar();
    // A real click on the down arrow.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 4));
    EXPECT_TRUE(grid_->hasFocus());
    EXPECT_EQ(RecNo(), 11);

    before_->setFocus();
    QTest::qWait(0);
    grid_->HorizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_TRUE(grid_->hasFocus());
}

// --- horizontal scroll bar ------------------------------------------------------------------

TEST_F(DBGridTest, HorizontalScrollBarMovesWholeColumns)
{
    LoadRecords(20);
    QScrollBar* bar = grid_->HorizontalScrollBar();
    // The last first column is the first from which all others fit.
    int maxLeft = 4;
    int used = 0;
    for (int c = 4; c >= 0; --c) {
        used += grid_->Columns(c).width;
        if (used > grid_->ClientRect().width()) {
            break;
        }
        maxLeft = c;
    }
    ASSERT_GT(maxLeft, 0);
    EXPECT_EQ(grid_->MaxLeftCol(), maxLeft);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 127);

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(grid_->LeftCol(), 1);
    EXPECT_EQ(bar->value(), (127 + maxLeft / 2) / maxLeft);
    EXPECT_EQ(grid_->ColumnLeft(1), grid_->ClientRect().left());
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(grid_->LeftCol(), 0);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(grid_->LeftCol(), maxLeft);
    EXPECT_EQ(bar->value(), 127);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_LT(grid_->LeftCol(), maxLeft);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_GT(grid_->LeftCol(), 0);

    // Thumb: released at p gives round(p * maxLeft / 127).
    for (int p : {0, 30, 64, 100, 127}) {
        bar->setSliderDown(true);
        bar->setSliderPosition(p);
        bar->setSliderDown(false);
        EXPECT_EQ(grid_->LeftCol(), (p * maxLeft + 63) / 127) << p;
    }
    EXPECT_EQ(RecNo(), 1); // sideways scrolling leaves the record
}

} // namespace
} // namespace marlune::testing
