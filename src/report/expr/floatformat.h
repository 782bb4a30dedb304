#pragma once

#include "report/expr/formatsettings.h"

#include <string>

namespace marlune::report::expr {

// Floating-point formatting with the meaning of the platform's functions
// that the report's number formats name. Numbers are first rounded to 15
// significant digits and then, in decimal, to the digits the format shows
// (halves away from zero), so 2.675 with two decimals is "2.68".

// The general form: up to 15 significant digits, no trailing zeros,
// scientific ("1.5E20", "1E-5") when the number needs more than 15 integer
// digits or is below 0.0001.
std::string FloatToText(double value, const FormatSettings& settings);

// Fixed with `decimals` decimals (0 to 18); with `thousands` the integer
// digits are grouped in threes. Numbers of 1E15 and above take the general
// form.
std::string FloatToFixed(double value, int decimals, bool thousands,
                         const FormatSettings& settings);

// A pattern: up to three sections separated by ";" for positive, negative
// and zero values (a negative or zero section that is empty is not used);
// in a section "0" is a digit that is always shown, "#" a digit shown when
// significant, the first "." the decimal point, any "," groups the integer
// digits in threes, "E+", "E-", "e+", "e-" followed by "0"s the exponent,
// text in single or double quotes and every other character literal. An
// empty pattern is the general form; numbers of 1E18 and above too.
std::string FormatFloat(const std::string& pattern, double value, const FormatSettings& settings);

} // namespace marlune::report::expr
