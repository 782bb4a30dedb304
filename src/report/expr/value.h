#pragma once

#include "report/expr/formatsettings.h"

#include <cstdint>
#include <string>
#include <variant>

namespace marlune::report::expr {

// The value of an expression: null, a whole number, a floating-point number,
// 8-bit text, a boolean, or a date-time. Date-times are serial days counted
// from 30 December 1899 with the time of day as the fraction, so that they
// take part in arithmetic like any number.
class Value {
public:
    enum class Kind { Null, Integer, Float, Text, Boolean, DateTime };

    Value() = default;
    static Value Integer(std::int64_t v);
    static Value Float(double v);
    static Value Text(std::string v);
    static Value Boolean(bool v);
    static Value DateTime(double serial);

    Kind kind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::Null; }
    bool IsNumeric() const;
    // Null, or text that is empty.
    bool IsEmpty() const;

    // Conversions; those that cannot convert raise ExpressionError.
    // Text converts to a number when it reads as one (a full stop or the
    // settings' decimal separator), booleans are 0 and 1 (true is -1 for
    // the integer form, as the platform's variants have it).
    double ToFloat(const FormatSettings& settings) const;
    std::int64_t ToInteger(const FormatSettings& settings) const;
    bool ToBoolean(const FormatSettings& settings) const;
    double ToDateTime(const FormatSettings& settings) const;
    // Null is the empty text; floats have up to 15 significant digits with
    // the settings' decimal separator; booleans read "True" and "False";
    // date-times the short date unless it is day 0, and the long time
    // unless it is midnight.
    std::string ToText(const FormatSettings& settings) const;

    // The same kind and the same contents.
    bool operator==(const Value& other) const = default;

private:
    using Data = std::variant<std::monostate, std::int64_t, double, std::string, bool>;
    Value(Kind kind, Data data) : kind_(kind), data_(std::move(data)) {}

    Kind kind_ = Kind::Null;
    Data data_;
};

// Reads a whole text as a number; false when it is not one (no partial reads,
// no surrounding blanks beyond leading and trailing spaces).
bool TextToFloat(const std::string& text, char decimalSeparator, double& out);

} // namespace marlune::report::expr
