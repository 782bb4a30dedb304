#pragma once

#include "report/expr/formatsettings.h"
#include "report/expr/value.h"

#include <cstdint>
#include <string>

namespace marlune::report::expr {

// A view's format code: bits 0-7 the decimal separator character of number
// formats, 8-15 the number of decimals, 16-23 the format index within the
// category, 24-27 the category.
struct FormatCode {
    enum Category { Text = 0, Number = 1, Date = 2, Time = 3, Boolean = 4 };
    // The index whose format is the view's format text.
    static constexpr int kCustom = 4;

    std::uint32_t raw = 0;

    static FormatCode Make(int category, int index, int decimals, char separator);
    char Separator() const { return static_cast<char>(raw & 0xFFu); }
    int Decimals() const { return static_cast<int>((raw >> 8) & 0xFFu); }
    int Index() const { return static_cast<int>((raw >> 16) & 0xFFu); }
    int CategoryCode() const { return static_cast<int>((raw >> 24) & 0x0Fu); }
};

// The format a bracketed expression is shown with: the view's, or the one its
// suffix gives.
struct ValueFormat {
    FormatCode code;
    std::string text;
};

// A bracketed expression split at its first " #" into the name and the
// suffix, and the format that results: the suffix's when it names one
// ("N…" or a digit for numbers, "D…"/"T…" dates and times, "B…"
// booleans), otherwise `viewFormat`.
struct SplitExpression {
    std::string name;
    ValueFormat format;
};
SplitExpression SplitFormatSuffix(const std::string& expression, const ValueFormat& viewFormat);

// The built-in format texts of a category (index 0 to 3), or empty.
std::string BuiltinFormat(int category, int index);

// A value as the format shows it. Null and empty text are a single space;
// a value the format cannot take shows as text.
std::string FormatForOutput(const Value& value, FormatCode code, const std::string& formatText,
                            const FormatSettings& settings);

} // namespace marlune::report::expr
