#pragma once

#include <array>
#include <string_view>

namespace marlune::table {

// The postcode table's five text fields, in data-file order, and how the
// main window's grid shows them. The table, the data file writer and the
// grid's columns are all made from this one list.
struct PostcodeField {
    std::string_view name;        // looked up without regard to case
    int size;                     // characters
    int displayWidth;             // characters
    std::string_view columnTitle; // empty: the field's display label
    int columnWidth;              // pixels; 0: computed from the display width
};

inline constexpr std::array<PostcodeField, 5> kPostcodeFields{{
    {"Pcode", 5, 9, "Post Code", 0},
    {"Locality", 64, 77, "", 250},
    {"State", 32, 39, "", 60},
    {"Comments", 128, 154, "", 150},
    {"DeliveryOffice", 64, 77, "Delivery Office", 200},
}};

} // namespace marlune::table
