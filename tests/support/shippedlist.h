#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace marlune::test {

// The shipped list's source (data/aus_postcodes.csv) read on its own, apart
// from the program's CSV reader, so that tests compare the program with an
// independent reading. The file quotes nothing: each row is five fields
// split at commas, a missing last field read as empty.
inline std::vector<std::vector<std::string>> ShippedListRows()
{
    std::ifstream in(MARLUNE_SOURCE_DIR "/data/aus_postcodes.csv");
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream row(line);
        std::string field;
        while (std::getline(row, field, ',')) {
            fields.push_back(field);
        }
        fields.resize(5);
        rows.push_back(std::move(fields));
    }
    return rows;
}

} // namespace marlune::test
