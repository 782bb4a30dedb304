#pragma once

#include <string_view>

namespace marlune::platform {

// The text without the blanks (spaces and tabs) at either end, which the
// settings file formats ignore around names, values and section lines.
inline std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace marlune::platform
