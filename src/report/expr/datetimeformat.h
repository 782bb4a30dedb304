#pragma once

#include "report/expr/formatsettings.h"

#include <QDateTime>

#include <string>

namespace marlune::report::expr {

// Date-times as serial days from 30 December 1899, time of day the fraction
// (for days before that the fraction still counts forward from midnight).
// Serials outside the years 1 to 9999 raise ExpressionError.
QDateTime DateTimeFromSerial(double serial);
double SerialFromDateTime(const QDateTime& dateTime);

// `serial` written by `pattern` (platform/datetimeformat.h); raises
// ExpressionError for serials outside the calendar.
std::string FormatDateTime(const std::string& pattern, double serial,
                           const FormatSettings& settings);

// Reads a date, a time, or a date and a time in the order of the short date
// format; raises ExpressionError on anything else. A two-digit year is in
// the fifty years either side of 2000 (00 to 49 are 2000 to 2049).
double StrToDateTime(const std::string& text, const FormatSettings& settings);
double StrToDate(const std::string& text, const FormatSettings& settings);
double StrToTime(const std::string& text, const FormatSettings& settings);

} // namespace marlune::report::expr
