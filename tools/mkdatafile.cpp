// marlune-mkdatafile: writes a Marlune data file from a CSV of postcode records.
#include "datafilewriter.h"

#include "platform/error.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

int Usage(std::ostream& out, int code)
{
    out << "usage: marlune-mkdatafile INPUT.csv OUTPUT.dat\n"
           "\n"
           "Writes a Marlune data file from a UTF-8 CSV whose header row is\n"
           "Pcode,Locality,State,Comments,DeliveryOffice. An unquoted empty field is\n"
           "a null value, \"\" the empty text. Texts are stored in Windows-1252; a row\n"
           "that does not fit (wrong column count, a character Windows-1252 cannot\n"
           "hold, a text longer than its field) is refused, naming its line.\n";
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        return Usage(std::cout, 0);
    }
    if (argc != 3) {
        return Usage(std::cerr, 2);
    }
    const std::string input = argv[1];
    const std::filesystem::path output = argv[2];
    try {
        std::ifstream in(input, std::ios::binary);
        if (!in) {
            throw marlune::Error("cannot open " + input);
        }
        const auto rows = marlune::tools::ReadPostcodeCsv(in, input);
        // Write beside the target and rename, so a failed run never leaves a
        // half-written data file under the real name.
        const auto temp = std::filesystem::path(output.string() + ".tmp");
        try {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            if (!out) {
                throw marlune::Error("cannot create " + temp.string());
            }
            marlune::tools::WriteDataFile(out, rows);
        } catch (...) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw;
        }
        std::filesystem::rename(temp, output);
        std::cout << rows.size() << " records written to " << output.string() << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "marlune-mkdatafile: " << e.what() << "\n";
        return 1;
    }
}
