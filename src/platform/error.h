#pragma once

#include <stdexcept>
#include <string>

namespace marlune {

// The one exception type of the program. The message is 8-bit text in the
// program's code page (Windows-1252), shown to the user as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// "%s: %s" with a component's name in front, as errors raised with a
// component as their source read.
inline std::string NamedMessage(const std::string& componentName, const std::string& message)
{
    return componentName.empty() ? message : componentName + ": " + message;
}

} // namespace marlune
