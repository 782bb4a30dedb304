#pragma once

#include "report/expr/formatsettings.h"
#include "report/expr/value.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace marlune::report::expr {

// What the standard library asks of the report.
struct LibraryHooks {
    // SUM, AVG, COUNT, MAX and MIN over a band's records are the builder's
    // to keep; it answers here by name and arguments. Without an answer
    // they work on their arguments: SUM adds, AVG averages, COUNT counts the
    // arguments that are not null, MAX and MIN pick.
    std::function<std::optional<Value>(const std::string& name, const std::vector<Value>& args)>
        aggregate;
    // INPUT(prompt [, default]): asks the user; without a handler the
    // default (or the empty text) is the answer.
    std::function<std::string(const std::string& prompt, const std::string& defaultText)> input;
};

// The standard function library: AVG, COUNT, FORMATDATETIME(format, date),
// FORMATFLOAT(pattern, number), INPUT, LOWERCASE(text), MAX, MIN,
// NAMECASE(text), STRTODATE(text), STRTOTIME(text), SUM, UPPERCASE(text).
// `name` is upper case; nothing when the library does not have it.
std::optional<Value> CallStandardFunction(const std::string& name,
                                          const std::vector<Value>& arguments,
                                          const LibraryHooks& hooks,
                                          const FormatSettings& settings);

} // namespace marlune::report::expr
