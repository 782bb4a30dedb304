#pragma once

#include <QString>

#include <cstddef>
#include <span>
#include <vector>

#include "widgets/gridcolumns.h"

namespace marlune::table {
class MemTable;
} // namespace marlune::table

namespace marlune::widgets {

// What the grid shows of its table's record window: the text of every cell
// and where the current record is. The grid reads it at each notification
// and paints only from it, so that a repaint while the table's controls are
// disabled keeps the picture as it was. A plain value: a painter or a test
// can be given one without a table.
struct GridRows {
    bool active = false; // the table is open
    int rows = 1;   // slots drawn: the filled ones; one blank row when the table is closed or empty
    int filled = 0; // slots that hold records
    int activeSlot = -1; // the slot drawn as the current row; -1 while the table is closed
    int recordCount = 0;
    int recNo = -1;
    std::size_t columnCount = 0; // column identities per slot
    std::vector<QString> cells;  // slot * columnCount + column identity

    // Reads the record window of `table` (null or closed: one blank row) for
    // the columns bound to its fields. Reuses the cells' storage, so reading
    // the same window again allocates nothing.
    void Read(table::MemTable* table, std::span<const DBGridColumn> columns);

    // A cell's text by slot and column identity; empty outside the cells.
    const QString& Text(int slot, int columnId) const;
};

} // namespace marlune::widgets
