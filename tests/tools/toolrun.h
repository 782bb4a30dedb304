#pragma once

// What the tool tests need to run a tool and read back what it printed.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace marlune::test {

struct ToolRun {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace marlune::test
