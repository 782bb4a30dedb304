#include "appmanager/executerequest.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace marlune::appmanager {
namespace {

std::optional<ExecuteCommand> ParseLine(std::string_view line)
{
    if (line.size() < 4 || line.front() != '[' || line.back() != ']') {
        return std::nullopt;
    }
    const std::string_view body = line.substr(1, line.size() - 2);
    const std::size_t end = body.find_first_of(" \t()");
    if (end == 0 || end == std::string_view::npos) {
        return std::nullopt;
    }
    ExecuteCommand c;
    c.command = std::string(body.substr(0, end));
    // Blanks may stand between the command and its bracket.
    const std::size_t open = body.find_first_not_of(" \t", end);
    if (open == std::string_view::npos || body[open] != '(' || body.back() != ')') {
        return std::nullopt;
    }
    const std::string_view inside = body.substr(open + 1, body.size() - open - 2);
    const std::size_t first = inside.find('"');
    if (first != std::string_view::npos) {
        const std::size_t last = inside.find('"', first + 1);
        if (last == std::string_view::npos) {
            return std::nullopt;
        }
        c.argument = std::string(inside.substr(first + 1, last - first - 1));
    }
    return c;
}

} // namespace

std::vector<ExecuteCommand> ParseExecuteRequest(std::string_view request)
{
    std::vector<ExecuteCommand> commands;
    while (!request.empty()) {
        const std::size_t eol = request.find_first_of("\r\n");
        std::string_view line = request.substr(0, eol);
        request = eol == std::string_view::npos ? std::string_view() : request.substr(eol + 1);
        if (auto c = ParseLine(line)) {
            commands.push_back(std::move(*c));
        }
    }
    return commands;
}

void RunExecuteRequest(
    std::string_view request, const std::function<void(const std::string& fileName)>& onFileOpen,
    const std::function<void(const std::string& command, const std::string& argument)>& onMacro)
{
    for (const ExecuteCommand& c : ParseExecuteRequest(request)) {
        std::string lower = c.command;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        if (lower == "open") {
            if (onFileOpen) {
                onFileOpen(c.argument);
            }
        } else if (onMacro) {
            onMacro(c.command, c.argument);
        }
    }
}

} // namespace marlune::appmanager
