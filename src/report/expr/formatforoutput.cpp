#include "report/expr/formatforoutput.h"

#include "report/expr/datetimeformat.h"
#include "report/expr/errors.h"
#include "report/expr/floatformat.h"
#include "report/expr/formatsettings.h"

#include <array>
#include <cctype>

namespace marlune::report::expr {

namespace {

constexpr std::array<const char*, 4> kDateFormats = {"mm.dd.yy", "mm.dd.yyyy", "d mmm yyyy",
                                                     "d mmmm yyyy"};
constexpr std::array<const char*, 4> kTimeFormats = {"hh:nn:ss", "h:nn:ss", "hh:nn", "h:nn"};
constexpr std::array<const char*, 4> kBooleanFormats = {"0;1", "No;Yes", "_;x", "False;True"};
constexpr std::array<const char*, 4> kNumberPatterns = {"###.##", "", "#,###.##", ""};

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

ValueFormat NumberSuffix(std::string suffix)
{
    if (IsDigit(suffix[0])) {
        suffix.insert(suffix.begin(), 'N');
    }
    char separator = 0;
    std::size_t at = std::string::npos;
    for (std::size_t i = suffix.size() - 1; i >= 1; --i) {
        const char c = suffix[i];
        if (c == ',' || c == '-' || c == '.') {
            separator = c;
            at = i;
            suffix[i] = '.';
            break;
        }
    }
    if (suffix.size() > 1 && IsDigit(suffix[1])) {
        int decimals = 0;
        if (at != std::string::npos) {
            for (std::size_t i = at + 1; i < suffix.size() && IsDigit(suffix[i]); ++i) {
                decimals = std::min(decimals * 10 + (suffix[i] - '0'), 255);
            }
        }
        return {FormatCode::Make(FormatCode::Number, 1, decimals, separator), {}};
    }
    return {FormatCode::Make(FormatCode::Number, FormatCode::kCustom, 0, separator),
            suffix.substr(1)};
}

std::string FormatNumber(const Value& value, FormatCode code, const std::string& formatText,
                         const FormatSettings& system)
{
    // Text is read as the system writes numbers: the format's separator is
    // for showing the number, not for reading it.
    const double v = value.ToFloat(system);
    FormatSettings settings = system;
    // No separator in the code keeps the system's, rather than writing a NUL
    // character into the text.
    if (code.Separator() != 0) {
        settings.decimalSeparator = code.Separator();
        if (settings.thousandSeparator == settings.decimalSeparator) {
            settings.thousandSeparator = settings.decimalSeparator == ',' ? '.' : ',';
        }
    }
    switch (code.Index()) {
    case 1:
        return FloatToFixed(v, code.Decimals(), false, settings);
    case 3:
        return FloatToFixed(v, code.Decimals(), true, settings);
    case FormatCode::kCustom:
        return FormatFloat(formatText, v, settings);
    case 0:
    case 2:
        return FormatFloat(kNumberPatterns[static_cast<std::size_t>(code.Index())], v, settings);
    default:
        return value.ToText(settings);
    }
}

std::string FormatBoolean(const Value& value, const std::string& format,
                          const FormatSettings& settings)
{
    const auto semicolon = format.find(';');
    const bool isFalse = value.ToFloat(settings) == 0.0;
    if (semicolon == std::string::npos) {
        return isFalse ? std::string() : format;
    }
    return isFalse ? format.substr(0, semicolon) : format.substr(semicolon + 1);
}

} // namespace

FormatCode FormatCode::Make(int category, int index, int decimals, char separator)
{
    FormatCode c;
    c.raw = (static_cast<std::uint32_t>(category & 0x0F) << 24) |
            (static_cast<std::uint32_t>(index & 0xFF) << 16) |
            (static_cast<std::uint32_t>(decimals & 0xFF) << 8) |
            static_cast<unsigned char>(separator);
    return c;
}

SplitExpression SplitFormatSuffix(const std::string& expression, const ValueFormat& viewFormat)
{
    const auto at = expression.find(" #");
    if (at == std::string::npos) {
        return {expression, viewFormat};
    }
    SplitExpression result{expression.substr(0, at), viewFormat};
    const std::string suffix = expression.substr(at + 2);
    if (suffix.empty()) {
        return result;
    }
    const char first = suffix[0];
    if (IsDigit(first) || first == 'N' || first == 'n') {
        result.format = NumberSuffix(suffix);
    } else if (first == 'D' || first == 'd' || first == 'T' || first == 't') {
        result.format = {FormatCode::Make(FormatCode::Date, FormatCode::kCustom, 0, 0),
                         suffix.substr(1)};
    } else if (first == 'B' || first == 'b') {
        result.format = {FormatCode::Make(FormatCode::Boolean, FormatCode::kCustom, 0, 0),
                         suffix.substr(1)};
    }
    return result;
}

std::string BuiltinFormat(int category, int index)
{
    if (index < 0 || index > 3) {
        return {};
    }
    const auto i = static_cast<std::size_t>(index);
    switch (category) {
    case FormatCode::Number:
        return kNumberPatterns[i];
    case FormatCode::Date:
        return kDateFormats[i];
    case FormatCode::Time:
        return kTimeFormats[i];
    case FormatCode::Boolean:
        return kBooleanFormats[i];
    default:
        return {};
    }
}

std::string FormatForOutput(const Value& value, FormatCode code, const std::string& formatText,
                            const FormatSettings& settings)
{
    if (value.IsEmpty()) {
        return " ";
    }
    const int index = code.Index();
    const std::string format =
        index == FormatCode::kCustom ? formatText : BuiltinFormat(code.CategoryCode(), index);
    try {
        switch (code.CategoryCode()) {
        case FormatCode::Number:
            return FormatNumber(value, code, formatText, settings);
        case FormatCode::Date:
        case FormatCode::Time:
            return FormatDateTime(format, value.ToDateTime(settings), settings);
        case FormatCode::Boolean:
            return FormatBoolean(value, format, settings);
        default:
            return value.ToText(settings);
        }
    } catch (const Error&) {
        return value.ToText(settings);
    }
}

} // namespace marlune::report::expr
