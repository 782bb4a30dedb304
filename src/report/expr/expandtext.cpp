#include "report/expr/expandtext.h"

namespace marlune::report::expr {

std::optional<std::size_t> FindMatchingBracket(std::string_view text, std::size_t open)
{
    int depth = 0;
    bool inSingle = false;
    bool inDouble = false;
    for (std::size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (c == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (!inSingle && !inDouble) {
            if (c == '[') {
                ++depth;
            } else if (c == ']') {
                --depth;
                if (depth == 0) {
                    return i;
                }
            }
        }
    }
    return std::nullopt;
}

std::string ExpandLine(const std::string& line,
                       const std::function<std::string(const std::string&)>& lookup)
{
    std::string text = line;
    std::size_t i = 0;
    while (true) {
        const auto open = text.find('[', i);
        if (open == std::string::npos) {
            return text;
        }
        const auto close = FindMatchingBracket(text, open);
        if (!close) {
            return text;
        }
        const std::string value = lookup(text.substr(open + 1, *close - open - 1));
        text.replace(open, *close - open + 1, value);
        i = open + value.size();
    }
}

std::vector<std::string> SplitTextLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

std::vector<std::string> ExpandLines(const std::vector<std::string>& memo,
                                     const std::function<std::string(const std::string&)>& lookup)
{
    std::vector<std::string> out;
    for (const auto& line : memo) {
        if (line.empty()) {
            out.emplace_back();
            continue;
        }
        for (auto& part : SplitTextLines(ExpandLine(line, lookup))) {
            out.push_back(std::move(part));
        }
    }
    return out;
}

} // namespace marlune::report::expr
