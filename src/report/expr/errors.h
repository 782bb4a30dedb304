#pragma once

#include "platform/error.h"

#include <string>

namespace marlune::report::expr {

// An expression, a format or a script could not be evaluated. The builder
// catches it around every view and turns it into the report's error text.
class ExpressionError : public Error {
public:
    explicit ExpressionError(const std::string& message) : Error(message) {}
};

// The message of the error raised for a name that nothing knows.
inline std::string UndefinedSymbolMessage(const std::string& name)
{
    return "Undefined symbol \"" + name + "\"";
}

} // namespace marlune::report::expr
