// marlune-mkdatafile: writes a Marlune data file from a CSV of postcode records.
#include "datafilewriter.h"

#include "platform/atomicfile.h"
#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

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
    const std::string output = argv[2];
    try {
        if (std::filesystem::is_directory(input)) {
            throw marlune::Error(input + " is a directory");
        }
        std::ifstream in(input, std::ios::binary);
        if (!in) {
            throw marlune::Error("cannot open " + input + ": " + std::strerror(errno));
        }
        const auto rows = marlune::tools::ReadPostcodeCsv(in, input);
        std::ostringstream bytes;
        marlune::tools::WriteDataFile(bytes, rows);
        // Written to a fresh temporary file beside the target and renamed,
        // so a failed run never leaves a half-written data file under the
        // real name, nor a temporary file anywhere.
        if (const int error = marlune::platform::ReplaceFile(output, bytes.str())) {
            throw marlune::Error("cannot write " + output + ": " + std::strerror(error));
        }
        std::cout << rows.size() << " records written to " << output << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "marlune-mkdatafile: " << e.what() << "\n";
        return 1;
    }
}
