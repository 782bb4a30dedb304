#pragma once

#include <QString>

#include <string>

namespace marlune::table {
class Field;
} // namespace marlune::table

namespace marlune::widgets {

// Options of the grid; only the ones named in a comment change what it does.
enum GridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2, // a title row above the data rows
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4, // columns can be resized and moved with the mouse
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6, // a 1-pixel line after every row
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9, // the current row stays highlighted without the focus
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgMultiSelect = 1u << 12,
};
using GridOptions = unsigned;

// One column of the grid, bound to a table field by name.
struct DBGridColumn {
    std::string fieldName;
    QString caption;                     // the column's own title; empty: the field's display name
    int width = 64;                      // pixels
    bool widthStored = false;            // false: computed from the field's display width
    const table::Field* field = nullptr; // bound field, null while none of that name exists
    int id = 0;                          // stays with the column when columns are moved
};

} // namespace marlune::widgets
