#pragma once

#include <QPoint>
#include <QRect>

#include <vector>

namespace marlune::widgets {

// Where the grid's title row, data rows and columns lie, and what lies under
// a point: plain numbers, so that the grid, its painting and its tests all
// ask the same questions of the same value, with or without a window.
// Coordinates are the grid widget's. A row line belongs to the row above it,
// the title line to the title row.
struct GridGeometry {
    QRect client;        // inside the border, without the scroll bars
    int titleHeight = 0; // without the title line
    int titleLine = 1;
    int rowHeight = 0; // without the row line
    int rowLine = 1;
    int leftCol = 0;         // first visible column
    std::vector<int> widths; // column widths in display order

    // Places the client inside the widget's one-pixel border, less the
    // vertical scroll bar and, when the columns do not fit, the horizontal
    // one; keeps the first visible column within what can be scrolled to.
    void LayOut(const QRect& widget, int vScrollWidth, int hScrollHeight);
    bool HorizontalScrollBarNeeded() const;

    int ColumnCount() const { return static_cast<int>(widths.size()); }
    int RowPitch() const { return rowHeight + rowLine; }
    int DataTop() const { return client.top() + titleHeight + titleLine; }
    int VisibleRowCount() const; // whole data rows that fit, at least one
    int TotalColumnWidth() const;
    // The last first column: the one from which the remaining columns fit.
    int MaxLeftCol() const;
    // The first column a page sideways shows: past (or back over) as many
    // whole columns as fit in the client, at least one; not yet clamped.
    int PageLeftCol(bool forward) const;

    // The horizontal scroll bar's thumb runs over 0..kHorzThumbRange, spread
    // evenly, rounded, over the first columns that can be scrolled to.
    static constexpr int kHorzThumbRange = 127;
    int HorzThumb() const; // where the thumb stands for leftCol
    int LeftColForThumb(int thumb) const;
    // A thumb as long as the share of the columns that can be seen.
    int HorzThumbPage() const;

    int ColumnLeft(int column) const; // x of a column's left edge (may be hidden)
    int ColumnsRight() const;         // x just after the last visible column, within the client
    QRect RowRect(int slot) const;    // a data row, full client width, no line
    QRect CellRect(int column, int slot) const; // slot -1: the title cell

    // The data slot under y among `rows` shown, or -1.
    int SlotAt(int y, int rows) const;
    // The column (display index) under x, or -1.
    int ColumnAt(int x) const;
    // The column whose right title border is within `zone` pixels of pos, or
    // -1; scanned from the right so that a column made very narrow can still
    // be widened again.
    int ResizeBorderAt(QPoint pos, int zone) const;
};

} // namespace marlune::widgets
