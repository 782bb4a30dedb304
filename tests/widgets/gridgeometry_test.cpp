#include "widgets/gridgeometry.h"

#include <gtest/gtest.h>

#include <numeric>

using marlune::widgets::GridGeometry;

namespace {

GridGeometry Sample(int widgetWidth, int widgetHeight, int leftCol)
{
    GridGeometry g;
    g.titleHeight = 17;
    g.rowHeight = 18;
    g.widths = {67, 250, 60, 150, 200};
    g.leftCol = leftCol;
    g.LayOut(QRect(0, 0, widgetWidth, widgetHeight), 16, 16);
    return g;
}

} // namespace

// Every pixel of the client is answered by the hit tests exactly as the
// rectangles say: a cell's pixels belong to its column and row, a row line to
// the row above, nothing to the right of the last column or below the rows.
TEST(GridGeometry, HitTestsAgreeWithTheRectangles)
{
    for (const int leftCol : {0, 1, 3}) {
        const GridGeometry g = Sample(492, 230, leftCol);
        const int rows = g.VisibleRowCount() - 1; // one row short of full
        for (int x = g.client.left() - 2; x <= g.client.right() + 2; ++x) {
            int expected = -1;
            for (int c = g.leftCol; c < g.ColumnCount(); ++c) {
                const QRect cell = g.CellRect(c, 0);
                if (x >= cell.left() && x <= cell.right() && x <= g.client.right()) {
                    expected = c;
                }
            }
            EXPECT_EQ(g.ColumnAt(x), expected) << "x " << x << " leftCol " << leftCol;
        }
        for (int y = g.client.top() - 2; y <= g.client.bottom() + 2; ++y) {
            int expected = -1;
            for (int s = 0; s < rows; ++s) {
                const QRect row = g.RowRect(s).adjusted(0, 0, 0, g.rowLine);
                if (y >= row.top() && y <= row.bottom() && y <= g.client.bottom()) {
                    expected = s;
                }
            }
            EXPECT_EQ(g.SlotAt(y, rows), expected) << "y " << y;
        }
    }
}

TEST(GridGeometry, HorizontalScrollBarOnlyWhenTheColumnsDoNotFit)
{
    const GridGeometry narrow = Sample(492, 230, 0);
    const int total = std::accumulate(narrow.widths.begin(), narrow.widths.end(), 0);
    ASSERT_GT(total, narrow.client.width());
    EXPECT_TRUE(narrow.HorizontalScrollBarNeeded());
    EXPECT_EQ(narrow.client.height(), 230 - 2 - 16);

    const GridGeometry wide = Sample(total + 2 + 16, 230, 0);
    EXPECT_FALSE(wide.HorizontalScrollBarNeeded());
    EXPECT_EQ(wide.client.height(), 230 - 2);
    EXPECT_EQ(wide.ColumnsRight(), wide.client.left() + total);
    EXPECT_EQ(wide.MaxLeftCol(), 0);
}

TEST(GridGeometry, FirstColumnStopsWhereTheRestFit)
{
    GridGeometry g = Sample(492, 230, 99);
    const int maxLeft = g.MaxLeftCol();
    EXPECT_EQ(g.leftCol, maxLeft); // clamped
    const auto widthFrom = [&](int c) {
        return std::accumulate(g.widths.begin() + c, g.widths.end(), 0);
    };
    EXPECT_LE(widthFrom(maxLeft), g.client.width());
    ASSERT_GT(maxLeft, 0);
    EXPECT_GT(widthFrom(maxLeft - 1), g.client.width());
    // Hidden columns lie to the left of the client, edge to edge.
    for (int c = 0; c < g.ColumnCount() - 1; ++c) {
        EXPECT_EQ(g.ColumnLeft(c) + g.widths[static_cast<std::size_t>(c)], g.ColumnLeft(c + 1));
    }
    EXPECT_EQ(g.ColumnLeft(g.leftCol), g.client.left());
}

TEST(GridGeometry, ResizeBordersAreTheTitleRowsColumnEdges)
{
    const GridGeometry g = Sample(700, 230, 0);
    const int titleY = g.client.top() + g.titleHeight / 2;
    for (int c = 0; c < g.ColumnCount(); ++c) {
        const int edge = g.ColumnLeft(c) + g.widths[static_cast<std::size_t>(c)];
        if (edge > g.client.right() + 2) {
            break;
        }
        for (int dx = -2; dx <= 2; ++dx) {
            EXPECT_EQ(g.ResizeBorderAt(QPoint(edge + dx, titleY), 2), c) << c << " " << dx;
        }
        EXPECT_EQ(g.ResizeBorderAt(QPoint(edge, g.DataTop() + 1), 2), -1);
    }
    EXPECT_EQ(g.ResizeBorderAt(QPoint(g.ColumnLeft(1) + 20, titleY), 2), -1);
}

// The horizontal thumb stands apart for every first column and reads back to
// it; a page sideways never leaves a visible column unseen or skips past the
// columns that fit.
TEST(GridGeometry, SidewaysThumbAndPagesCoverEveryFirstColumn)
{
    for (const int width : {150, 300, 492}) {
        GridGeometry g = Sample(width, 230, 0);
        const int maxLeft = g.MaxLeftCol();
        ASSERT_GT(maxLeft, 0) << width;
        int previous = -1;
        for (int left = 0; left <= maxLeft; ++left) {
            g.leftCol = left;
            const int thumb = g.HorzThumb();
            EXPECT_GT(thumb, previous) << width;
            EXPECT_LE(thumb, GridGeometry::kHorzThumbRange);
            EXPECT_EQ(g.LeftColForThumb(thumb), left) << width;
            previous = thumb;

            // Forward: every column skipped lay wholly inside the client.
            const int next = g.PageLeftCol(true);
            EXPECT_GT(next, left);
            if (next - left > 1) {
                EXPECT_LE(g.ColumnLeft(next - 1) + g.widths[static_cast<std::size_t>(next - 1)],
                          g.client.right() + 1);
            }
        }
        EXPECT_EQ(previous, GridGeometry::kHorzThumbRange); // the last first column at the end
    }
}
