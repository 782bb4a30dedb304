#include "widgets/gridcolumns.h"

#include <QFontMetrics>

#include <algorithm>

#include "platform/cp1252.h"
#include "table/memtable.h"

namespace marlune::widgets {

void GridColumns::Assign(std::vector<DBGridColumn> columns)
{
    columns_ = std::move(columns);
    int id = 0;
    for (DBGridColumn& c : columns_) {
        c.id = id++;
        c.field = nullptr;
        if (!c.widthStored) {
            c.width = kDefaultWidth;
        }
    }
    titles_.assign(columns_.size(), QString());
}

bool GridColumns::Bind(const table::MemTable* table)
{
    bool rebound = false;
    for (DBGridColumn& c : columns_) {
        const table::Field* field = table ? table->FindField(c.fieldName) : nullptr;
        rebound = rebound || field != c.field;
        c.field = field;
        QString& title = titles_[static_cast<std::size_t>(c.id)];
        if (!c.caption.isEmpty()) {
            title = c.caption;
        } else if (c.field) {
            title = platform::ToQString(c.field->DisplayName());
        } else {
            title = platform::ToQString(c.fieldName);
        }
    }
    return rebound;
}

int GridColumns::ComputedWidth(const DBGridColumn& column, const QFontMetrics& font,
                               const QFontMetrics* titleFont) const
{
    if (!column.field) {
        return kDefaultWidth;
    }
    // Neither stand-in face has an overhang (it comes from synthesised
    // italics and bold on the original platform).
    const int overhang = 0;
    int width =
        column.field->DisplayWidth() * (font.horizontalAdvance(QLatin1Char('0')) - overhang) +
        overhang + 4;
    if (titleFont) {
        width = std::max(
            width, titleFont->horizontalAdvance(titles_[static_cast<std::size_t>(column.id)]) + 4);
    }
    return width;
}

void GridColumns::ComputeWidths(const QFontMetrics& font, const QFontMetrics* titleFont)
{
    for (DBGridColumn& c : columns_) {
        if (!c.widthStored) {
            c.width = ComputedWidth(c, font, titleFont);
        }
    }
}

bool GridColumns::SetWidth(int index, int width)
{
    DBGridColumn& c = columns_.at(static_cast<std::size_t>(index));
    width = std::max(width, 1);
    if (c.widthStored && c.width == width) {
        return false;
    }
    c.width = width;
    c.widthStored = true;
    return true;
}

bool GridColumns::Move(int from, int to)
{
    const int count = Count();
    if (from < 0 || from >= count || to < 0 || to >= count || from == to) {
        return false;
    }
    auto first = columns_.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to + 1);
    } else {
        std::rotate(first + to, first + from, first + from + 1);
    }
    return true;
}

const DBGridColumn& GridColumns::At(int index) const
{
    return columns_.at(static_cast<std::size_t>(index));
}

const QString& GridColumns::Title(int index) const
{
    return titles_.at(static_cast<std::size_t>(At(index).id));
}

} // namespace marlune::widgets
