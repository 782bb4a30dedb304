#include "report/kinds.h"

#include <array>

namespace marlune::report {

std::string BandKindName(int kind)
{
    static constexpr std::array<const char*, bkNone + 1> kNames{
        "Report title",     "Report summary",
        "Page header",      "Page footer",
        "Master header",    "Master data",
        "Master footer",    "Detail header",
        "Detail data",      "Detail footer",
        "Subdetail header", "Subdetail data",
        "Subdetail footer", "Overlay",
        "Column header",    "Column footer",
        "Group header",     "Group footer",
        "Cross header",     "Cross data",
        "Cross footer",     "None"};
    if (kind < 0 || kind > bkNone) {
        return {};
    }
    return kNames[static_cast<std::size_t>(kind)];
}

} // namespace marlune::report
