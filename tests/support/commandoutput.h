// What a shell command prints on its standard output, for tests that read
// files back with outside tools.
#pragma once

#include <cstdio>
#include <string>

namespace marlune::test {

inline std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return out;
}

// Whether every named program is on the PATH.
inline bool HaveCommands(const std::string& names)
{
    return !CommandOutput("command -v " + names).empty();
}

} // namespace marlune::test
