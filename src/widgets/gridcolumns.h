#pragma once

#include <QString>

#include <span>
#include <string>
#include <vector>

class QFontMetrics;

namespace marlune::table {
class Field;
class MemTable;
} // namespace marlune::table

namespace marlune::widgets {

// One column of the grid, bound to a table field by name.
struct DBGridColumn {
    std::string fieldName;
    QString caption;                     // the column's own title; empty: the field's display name
    int width = 64;                      // pixels
    bool widthStored = false;            // false: computed from the field's display width
    const table::Field* field = nullptr; // bound field, null while none of that name exists
    int id = 0;                          // stays with the column when columns are moved
};

// The grid's columns in display order, each bound by name to a field of the
// table, with the title it shows. Titles are kept by column identity, which
// stays with a column when it moves.
class GridColumns {
public:
    static constexpr int kDefaultWidth = 64;

    // Replaces the columns, unbound and untitled; a width that is not
    // stored starts at the default.
    void Assign(std::vector<DBGridColumn> columns);
    // Binds each column to the table's field of its name (to none without a
    // table) and titles it: its caption, else the field's display name, else
    // the field name. Whether any column's field changed.
    bool Bind(const table::MemTable* table);
    // Gives every column whose width is not stored one from its field's
    // display width in `font`, and, with `titleFont`, wide enough for its title.
    void ComputeWidths(const QFontMetrics& font, const QFontMetrics* titleFont);
    // Sets a width (at least 1) that then stays as given; whether it changed.
    bool SetWidth(int index, int width);
    // Moves a column to another display index; false when either is outside.
    bool Move(int from, int to);

    int Count() const { return static_cast<int>(columns_.size()); }
    const DBGridColumn& At(int index) const;
    const QString& Title(int index) const; // by display index
    std::span<const DBGridColumn> All() const { return columns_; }
    std::span<const QString> Titles() const { return titles_; } // by column identity

private:
    int ComputedWidth(const DBGridColumn& column, const QFontMetrics& font,
                      const QFontMetrics* titleFont) const;

    std::vector<DBGridColumn> columns_;
    std::vector<QString> titles_;
};

} // namespace marlune::widgets
