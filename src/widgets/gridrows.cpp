#include "widgets/gridrows.h"

#include <algorithm>
#include <string_view>

#include "platform/cp1252.h"
#include "table/memtable.h"

namespace marlune::widgets {

namespace {

// Fills a reusable QString with Windows-1252 text; no allocation once the
// string has grown to the longest text it holds.
void AssignCp1252(QString& out, std::string_view text)
{
    if (text.empty()) {
        out.resize(0);
        return;
    }
    out.resize(static_cast<qsizetype>(text.size()));
    QChar* d = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        d[i] =
            QChar(static_cast<char16_t>(platform::ToUnicode(static_cast<unsigned char>(text[i]))));
    }
}

} // namespace

void GridRows::Read(table::MemTable* table, std::span<const DBGridColumn> columns)
{
    active = table && table->Active();
    columnCount = columns.size();
    filled = active ? table->WindowRecordCount() : 0;
    if (!active) {
        rows = 1;
        activeSlot = -1;
        recordCount = 0;
        recNo = -1;
    } else {
        // An empty table still shows one (blank) current row.
        rows = std::max(1, filled);
        activeSlot = filled > 0 ? std::clamp(table->ActiveRecord(), 0, filled - 1) : 0;
        recordCount = table->RecordCount();
        recNo = table->RecNo();
    }
    cells.resize(static_cast<std::size_t>(rows) * columnCount);
    for (int slot = 0; slot < rows; ++slot) {
        for (const DBGridColumn& c : columns) {
            QString& cell = cells[static_cast<std::size_t>(slot) * columnCount +
                                  static_cast<std::size_t>(c.id)];
            if (slot < filled && c.field && !table->SlotIsNull(slot, *c.field)) {
                AssignCp1252(cell, table->SlotText(slot, *c.field));
            } else {
                cell.resize(0);
            }
        }
    }
}

const QString& GridRows::Text(int slot, int columnId) const
{
    static const QString empty;
    const std::size_t index =
        static_cast<std::size_t>(slot) * columnCount + static_cast<std::size_t>(columnId);
    return index < cells.size() ? cells[index] : empty;
}

} // namespace marlune::widgets
