// marlune-find: the search box on the command line. Loads the same data file
// as the program and prints the record that typing TEXT would make current.
#include "platform/cp1252.h"
#include "platform/error.h"
#include "settings/datafilesetting.h"
#include "table/memtable.h"
#include "table/recordcompare.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

using marlune::table::MemTable;

constexpr const char* kUsage =
    "usage: marlune-find [--postcode] [--all] [--data FILE] TEXT\n"
    "\n"
    "Finds Australian postcode records as Marlune's search box does: the first\n"
    "record, in data file order, whose suburb (with --postcode: whose postcode)\n"
    "begins with TEXT, case ignored. Prints its five fields, Post Code, Locality,\n"
    "State, Comments and Delivery Office, separated by tabs.\n"
    "\n"
    "  --postcode   search the postcode instead of the suburb\n"
    "  --all        print every record whose field begins with TEXT, in file order\n"
    "  --data FILE  the data file to search; by default the one Marlune loads: its\n"
    "               DataFileName setting (default 20051206.dat) in the current\n"
    "               directory or, when it is not there, in the folder the installed\n"
    "               program runs in (~/.local/share/marlune)\n"
    "  --help       show this text\n"
    "\n"
    "Exit status: 0 when something was found, 1 when nothing was, 2 when the data\n"
    "file could not be loaded or the arguments are wrong.\n";

// The configured data file as the program would load it: in the current
// directory, or in the folder the installed program's launcher runs it in.
std::string LocateDataFile(const std::string& name)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(name, error) || fs::path(name).is_absolute()) {
        return name;
    }
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    fs::path folder;
    if (dataHome != nullptr && *dataHome != '\0') {
        folder = dataHome;
    } else if (home != nullptr && *home != '\0') {
        folder = fs::path(home) / ".local" / "share";
    } else {
        return name;
    }
    const fs::path installed = folder / "marlune" / name;
    return fs::exists(installed, error) ? installed.string() : name;
}

void PrintCurrent(const MemTable& table)
{
    std::string line;
    for (int i = 0; i < table.FieldCount(); ++i) {
        if (i > 0) {
            line += '\t';
        }
        line += table.Fields(i).AsString();
    }
    std::cout << marlune::platform::ToUtf8(line) << '\n';
}

// Every visible record whose field begins with the key, compared exactly as
// Locate compares (the key cut to the field's size, case ignored, by locale).
int PrintAll(MemTable& table, const std::string& fieldName, std::string key)
{
    const auto& field = table.FieldByName(fieldName);
    if (key.size() > static_cast<std::size_t>(field.Size())) {
        key.resize(static_cast<std::size_t>(field.Size()));
    }
    const marlune::table::KeyFieldList none;
    const marlune::table::RecordComparer comparer(none, table.LocaleID(), &table.Store());
    const auto options = marlune::table::mtcoCaseInsensitive | marlune::table::mtcoPartialKey;
    int found = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        if (field.IsNull()) {
            continue;
        }
        bool cut = false;
        if (comparer.CompareText(key, field.AsString(), options, cut) == 0) {
            PrintCurrent(table);
            ++found;
        }
    }
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    bool postcode = false;
    bool all = false;
    std::string dataFile;
    std::vector<std::string> texts;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--postcode") {
            postcode = true;
        } else if (arg == "--all") {
            all = true;
        } else if (arg == "--data" && i + 1 < argc) {
            dataFile = argv[++i];
        } else if (arg == "--") {
            texts.insert(texts.end(), argv + i + 1, argv + argc);
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "marlune-find: unknown option " << arg << "\n" << kUsage;
            return 2;
        } else {
            texts.push_back(arg);
        }
    }
    if (texts.size() != 1) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string key = marlune::platform::FromUtf8(texts.front());
    const std::string fieldName = postcode ? "PCode" : "Locality";

    if (dataFile.empty()) {
        try {
            dataFile = LocateDataFile(marlune::settings::ConfiguredDataFileName());
        } catch (const std::exception& e) {
            std::cerr << "marlune-find: setting " << marlune::settings::kDataFileNameSetting << ": "
                      << marlune::platform::ToUtf8(e.what()) << "\n";
            return 2;
        }
    }
    MemTable table;
    try {
        table.Open();
        table.LoadTableFile(dataFile);
    } catch (const std::exception& e) {
        std::cerr << "marlune-find: " << dataFile << ": " << marlune::platform::ToUtf8(e.what())
                  << "\n";
        return 2;
    }
    try {
        if (all) {
            return PrintAll(table, fieldName, key) > 0 ? 0 : 1;
        }
        if (!table.Locate(fieldName, key,
                          marlune::table::loCaseInsensitive | marlune::table::loPartialKey)) {
            return 1;
        }
        PrintCurrent(table);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "marlune-find: " << marlune::platform::ToUtf8(e.what()) << "\n";
        return 2;
    }
}
