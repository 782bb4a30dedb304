#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace marlune::appmanager {

// One command of an execute request: [command("argument")].
struct ExecuteCommand {
    std::string command;
    std::string argument;
};

// The commands of an execute request, one a line. A line is "[", the
// command (up to a blank, tab, "(" or ")"), "(", the argument between double
// quotes (empty without quotes), ")" and "]"; a line of another shape is
// skipped.
std::vector<ExecuteCommand> ParseExecuteRequest(std::string_view request);

// Carries out an execute request: "open" (in any case) opens its argument as
// a file, any other command runs as a macro. Unset handlers do nothing.
void RunExecuteRequest(
    std::string_view request, const std::function<void(const std::string& fileName)>& onFileOpen,
    const std::function<void(const std::string& command, const std::string& argument)>& onMacro);

} // namespace marlune::appmanager
