#include "report/expr/value.h"

#include "platform/ascii.h"
#include "report/expr/datetimeformat.h"
#include "report/expr/errors.h"
#include "report/expr/floatformat.h"
#include "report/expr/formatsettings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace marlune::report::expr {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

[[noreturn]] void NotA(const std::string& text, const char* what)
{
    throw ExpressionError("'" + text + "' is not a valid " + what);
}

} // namespace

bool TextToFloat(const std::string& text, char decimalSeparator, double& out)
{
    std::string t = Trimmed(text);
    if (t.empty()) {
        return false;
    }
    for (char& c : t) {
        if (c == decimalSeparator) {
            c = '.';
        }
    }
    // Only digits, one point, a sign and an exponent: no hexadecimal, no
    // "inf" or "nan" words.
    for (const char c : t) {
        const bool allowed =
            (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E';
        if (!allowed) {
            return false;
        }
    }
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

Value Value::Integer(std::int64_t v)
{
    return Value(Kind::Integer, v);
}

Value Value::Float(double v)
{
    return Value(Kind::Float, v);
}

Value Value::Text(std::string v)
{
    return Value(Kind::Text, std::move(v));
}

Value Value::Boolean(bool v)
{
    return Value(Kind::Boolean, v);
}

Value Value::DateTime(double serial)
{
    return Value(Kind::DateTime, serial);
}

bool Value::IsNumeric() const
{
    return kind_ == Kind::Integer || kind_ == Kind::Float || kind_ == Kind::DateTime;
}

bool Value::IsEmpty() const
{
    return kind_ == Kind::Null || (kind_ == Kind::Text && std::get<std::string>(data_).empty());
}

double Value::ToFloat(const FormatSettings& settings) const
{
    switch (kind_) {
    case Kind::Null:
        return 0.0;
    case Kind::Integer:
        return static_cast<double>(std::get<std::int64_t>(data_));
    case Kind::Float:
    case Kind::DateTime:
        return std::get<double>(data_);
    case Kind::Boolean:
        return std::get<bool>(data_) ? -1.0 : 0.0;
    case Kind::Text: {
        const auto& text = std::get<std::string>(data_);
        double v = 0.0;
        if (!TextToFloat(text, settings.decimalSeparator, v)) {
            NotA(text, "floating point value");
        }
        return v;
    }
    }
    return 0.0;
}

std::int64_t Value::ToInteger(const FormatSettings& settings) const
{
    if (kind_ == Kind::Integer) {
        return std::get<std::int64_t>(data_);
    }
    const double v = ToFloat(settings);
    // Out of range is an error rather than undefined behaviour.
    if (!(v > -9.2e18 && v < 9.2e18)) {
        throw ExpressionError("Integer overflow");
    }
    return static_cast<std::int64_t>(std::nearbyint(v));
}

bool Value::ToBoolean(const FormatSettings& settings) const
{
    if (kind_ == Kind::Boolean) {
        return std::get<bool>(data_);
    }
    if (kind_ == Kind::Text) {
        const auto& text = std::get<std::string>(data_);
        const std::string upper = platform::UpperAscii(Trimmed(text));
        if (upper == "TRUE") {
            return true;
        }
        if (upper == "FALSE") {
            return false;
        }
        double v = 0.0;
        if (!TextToFloat(text, settings.decimalSeparator, v)) {
            NotA(text, "boolean value");
        }
        return v != 0.0;
    }
    return ToFloat(settings) != 0.0;
}

double Value::ToDateTime(const FormatSettings& settings) const
{
    if (kind_ == Kind::Text) {
        const auto& text = std::get<std::string>(data_);
        double v = 0.0;
        if (TextToFloat(text, settings.decimalSeparator, v)) {
            return v;
        }
        return StrToDateTime(text, settings);
    }
    return ToFloat(settings);
}

std::string Value::ToText(const FormatSettings& settings) const
{
    switch (kind_) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return std::to_string(std::get<std::int64_t>(data_));
    case Kind::Float:
        return FloatToText(std::get<double>(data_), settings);
    case Kind::Text:
        return std::get<std::string>(data_);
    case Kind::Boolean:
        return std::get<bool>(data_) ? "True" : "False";
    case Kind::DateTime:
        return FormatDateTime("c", std::get<double>(data_), settings);
    }
    return {};
}

} // namespace marlune::report::expr
