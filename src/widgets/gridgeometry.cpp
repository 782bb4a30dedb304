#include "widgets/gridgeometry.h"

#include <algorithm>
#include <cstdlib>

namespace marlune::widgets {

void GridGeometry::LayOut(const QRect& widget, int vScrollWidth, int hScrollHeight)
{
    const QRect inner = widget.adjusted(1, 1, -1, -1);
    const int clientWidth = std::max(0, inner.width() - vScrollWidth);
    const bool hScroll = TotalColumnWidth() > clientWidth;
    const int clientHeight = std::max(0, inner.height() - (hScroll ? hScrollHeight : 0));
    client = QRect(inner.left(), inner.top(), clientWidth, clientHeight);
    leftCol = std::clamp(leftCol, 0, MaxLeftCol());
}

bool GridGeometry::HorizontalScrollBarNeeded() const
{
    return TotalColumnWidth() > client.width();
}

int GridGeometry::VisibleRowCount() const
{
    return std::max(1, (client.height() - titleHeight - titleLine) / RowPitch());
}

int GridGeometry::TotalColumnWidth() const
{
    int total = 0;
    for (const int w : widths) {
        total += w;
    }
    return total;
}

int GridGeometry::MaxLeftCol() const
{
    int maxLeft = std::max(0, ColumnCount() - 1);
    int fitted = 0;
    for (int c = ColumnCount() - 1; c >= 0; --c) {
        fitted += widths[static_cast<std::size_t>(c)];
        if (fitted > client.width()) {
            break;
        }
        maxLeft = c;
    }
    return maxLeft;
}

int GridGeometry::PageLeftCol(bool forward) const
{
    const int width = client.width();
    int used = 0;
    int count = 0;
    if (forward) {
        for (int c = leftCol; c < ColumnCount(); ++c) {
            used += widths[static_cast<std::size_t>(c)];
            if (used > width) {
                break;
            }
            ++count;
        }
        return leftCol + std::max(1, count);
    }
    for (int c = leftCol - 1; c >= 0; --c) {
        used += widths[static_cast<std::size_t>(c)];
        if (used > width) {
            break;
        }
        ++count;
    }
    return leftCol - std::max(1, count);
}

int GridGeometry::HorzThumb() const
{
    const int maxLeftCol = MaxLeftCol();
    if (maxLeftCol <= 0) {
        return 0;
    }
    return (leftCol * kHorzThumbRange + maxLeftCol / 2) / maxLeftCol;
}

int GridGeometry::LeftColForThumb(int thumb) const
{
    thumb = std::clamp(thumb, 0, kHorzThumbRange);
    return (thumb * MaxLeftCol() + kHorzThumbRange / 2) / kHorzThumbRange;
}

int GridGeometry::HorzThumbPage() const
{
    const int total = TotalColumnWidth();
    const int width = client.width();
    return total > width && width > 0
               ? std::clamp(kHorzThumbRange * width / (total - width), 1, 1016)
               : kHorzThumbRange;
}

int GridGeometry::ColumnLeft(int column) const
{
    int x = client.left();
    if (column >= leftCol) {
        for (int c = leftCol; c < column; ++c) {
            x += widths[static_cast<std::size_t>(c)];
        }
    } else {
        for (int c = column; c < leftCol; ++c) {
            x -= widths[static_cast<std::size_t>(c)];
        }
    }
    return x;
}

int GridGeometry::ColumnsRight() const
{
    int x = client.left();
    for (int c = leftCol; c < ColumnCount() && x <= client.right(); ++c) {
        x += widths[static_cast<std::size_t>(c)];
    }
    return std::min(x, client.right() + 1);
}

QRect GridGeometry::RowRect(int slot) const
{
    return QRect(client.left(), DataTop() + slot * RowPitch(), client.width(), rowHeight);
}

QRect GridGeometry::CellRect(int column, int slot) const
{
    const int width = widths.at(static_cast<std::size_t>(column));
    if (slot < 0) {
        return QRect(ColumnLeft(column), client.top(), width, titleHeight);
    }
    return QRect(ColumnLeft(column), DataTop() + slot * RowPitch(), width, rowHeight);
}

int GridGeometry::SlotAt(int y, int rows) const
{
    if (y < DataTop() || y > client.bottom()) {
        return -1;
    }
    const int slot = (y - DataTop()) / RowPitch();
    return slot < std::min(rows, VisibleRowCount()) ? slot : -1;
}

int GridGeometry::ColumnAt(int x) const
{
    if (x < client.left() || x > client.right()) {
        return -1;
    }
    int left = client.left();
    for (int c = leftCol; c < ColumnCount(); ++c) {
        const int width = widths[static_cast<std::size_t>(c)];
        if (x < left + width) {
            return c;
        }
        left += width;
    }
    return -1;
}

int GridGeometry::ResizeBorderAt(QPoint pos, int zone) const
{
    if (pos.y() < client.top() || pos.y() >= DataTop() || pos.x() > client.right()) {
        return -1;
    }
    int right = client.left();
    int found = -1;
    for (int c = leftCol; c < ColumnCount() && right <= client.right(); ++c) {
        right += widths[static_cast<std::size_t>(c)];
        if (std::abs(pos.x() - right) <= zone) {
            found = c;
        }
    }
    return found;
}

} // namespace marlune::widgets
