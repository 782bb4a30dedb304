#include "report/expr/functionlibrary.h"

#include "platform/ascii.h"
#include "report/expr/datetimeformat.h"
#include "report/expr/errors.h"
#include "report/expr/floatformat.h"
#include "report/expr/formatsettings.h"

namespace marlune::report::expr {

namespace {

void Arity(const std::string& name, const std::vector<Value>& args, std::size_t least,
           std::size_t most)
{
    if (args.size() < least || args.size() > most) {
        throw ExpressionError("Wrong number of arguments to " + name);
    }
}

std::string ChangeCase(std::string text, bool upper)
{
    for (char& c : text) {
        c = upper ? platform::UpperAscii(c) : platform::LowerAscii(c);
    }
    return text;
}

// Every word's first letter upper case, the rest lower.
std::string NameCase(const std::string& text)
{
    std::string out = ChangeCase(text, false);
    bool start = true;
    for (char& c : out) {
        if (platform::IsAsciiLetter(c)) {
            if (start) {
                c = platform::UpperAscii(c);
            }
            start = false;
        } else {
            start = c == ' ' || c == '-' || c == '.' || c == '\'';
        }
    }
    return out;
}

Value Aggregate(const std::string& name, const std::vector<Value>& args, const FormatSettings& s)
{
    if (name == "COUNT") {
        std::int64_t n = 0;
        for (const auto& v : args) {
            n += v.IsNull() ? 0 : 1;
        }
        return Value::Integer(n);
    }
    if (args.empty()) {
        return Value::Integer(0);
    }
    if (name == "MAX" || name == "MIN") {
        Value best = args[0];
        for (const auto& v : args) {
            const double x = v.ToFloat(s);
            const double b = best.ToFloat(s);
            if (name == "MAX" ? x > b : x < b) {
                best = v;
            }
        }
        return best;
    }
    double sum = 0.0;
    for (const auto& v : args) {
        sum += v.ToFloat(s);
    }
    return Value::Float(name == "AVG" ? sum / static_cast<double>(args.size()) : sum);
}

} // namespace

std::optional<Value> CallStandardFunction(const std::string& name, const std::vector<Value>& args,
                                          const LibraryHooks& hooks, const FormatSettings& s)
{
    if (name == "SUM" || name == "AVG" || name == "COUNT" || name == "MAX" || name == "MIN") {
        if (hooks.aggregate) {
            if (auto v = hooks.aggregate(name, args)) {
                return v;
            }
        }
        return Aggregate(name, args, s);
    }
    if (name == "UPPERCASE" || name == "LOWERCASE") {
        Arity(name, args, 1, 1);
        return Value::Text(ChangeCase(args[0].ToText(s), name == "UPPERCASE"));
    }
    if (name == "NAMECASE") {
        Arity(name, args, 1, 1);
        return Value::Text(NameCase(args[0].ToText(s)));
    }
    if (name == "FORMATDATETIME") {
        Arity(name, args, 2, 2);
        return Value::Text(FormatDateTime(args[0].ToText(s), args[1].ToDateTime(s), s));
    }
    if (name == "FORMATFLOAT") {
        Arity(name, args, 2, 2);
        return Value::Text(FormatFloat(args[0].ToText(s), args[1].ToFloat(s), s));
    }
    if (name == "STRTODATE") {
        Arity(name, args, 1, 1);
        return Value::DateTime(StrToDate(args[0].ToText(s), s));
    }
    if (name == "STRTOTIME") {
        Arity(name, args, 1, 1);
        return Value::DateTime(StrToTime(args[0].ToText(s), s));
    }
    if (name == "INPUT") {
        Arity(name, args, 1, 2);
        const std::string fallback = args.size() > 1 ? args[1].ToText(s) : std::string();
        return Value::Text(hooks.input ? hooks.input(args[0].ToText(s), fallback) : fallback);
    }
    return std::nullopt;
}

} // namespace marlune::report::expr
