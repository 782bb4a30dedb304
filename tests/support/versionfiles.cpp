#include "versionfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace marlune::testing {
namespace {

constexpr const char* kSection = ".marlune_version";

void Run(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

} // namespace

std::string BuiltProgram()
{
    return std::string(MARLUNE_BINARY_DIR) + "/bin/marlune";
}

std::string SystemProgram()
{
    return "/usr/bin/true";
}

void MakeExecutableWithRecord(const std::string& from, const std::string& to,
                              const std::string& record)
{
    const std::string recordFile = to + ".record";
    {
        std::ofstream out(recordFile, std::ios::binary);
        out << record;
    }
    Run("objcopy --remove-section=" + std::string(kSection) + " --add-section " + kSection + "=" +
        Quoted(recordFile) + " " + Quoted(from) + " " + Quoted(to));
}

void MakeExecutableWithoutRecord(const std::string& from, const std::string& to)
{
    Run("objcopy --remove-section=" + std::string(kSection) + " " + Quoted(from) + " " +
        Quoted(to));
}

std::string RecordText(const std::string& lines)
{
    return "MarluneVersionRecord=1\n" + lines;
}

} // namespace marlune::testing
