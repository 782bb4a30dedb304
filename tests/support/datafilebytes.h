// The bytes of a data file as marlune-mkdatafile writes it, for the tests
// that serve or install one.
#pragma once

#include "datafilewriter.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace marlune::testing {

// A data file of the given (postcode, locality) records, all in NSW.
inline std::string DataFileBytes(const std::vector<std::pair<std::string, std::string>>& records)
{
    std::vector<tools::PostcodeRow> rows;
    for (const auto& [pcode, locality] : records) {
        rows.push_back({pcode, locality, std::string("NSW"), std::nullopt, std::nullopt});
    }
    std::ostringstream out;
    tools::WriteDataFile(out, rows);
    return out.str();
}

} // namespace marlune::testing
