#pragma once

#include <QDateTime>

#include <string>

namespace marlune::report {

struct FormatSettings;

// Date-times as serial days from 30 December 1899, time of day the fraction
// (for days before that the fraction still counts forward from midnight).
// Serials outside the years 1 to 9999 raise ExpressionError.
QDateTime DateTimeFromSerial(double serial);
double SerialFromDateTime(const QDateTime& dateTime);

// Date/time formatting with the platform's format letters, case ignored:
// c (short date and long time), d dd ddd dddd (day, two digits, short and
// long day name), ddddd dddddd (short and long date format), m mm mmm mmmm
// (month, two digits, short and long month name; m and mm right after an
// hour are minutes), yy yyyy, h hh, n nn, s ss, z zzz, t tt (short and long
// time format), am/pm a/p ampm (with one of them hours count 1 to 12), "/"
// and ":" the date and time separators, quoted text, anything else literal.
// Nested formats (ddddd, t, c inside a format) are expanded two levels deep.
std::string FormatDateTime(const std::string& pattern, double serial,
                           const FormatSettings& settings);

// Reads a date, a time, or a date and a time in the order of the short date
// format; raises ExpressionError on anything else. A two-digit year is in
// the fifty years either side of 2000 (00 to 49 are 2000 to 2049).
double StrToDateTime(const std::string& text, const FormatSettings& settings);
double StrToDate(const std::string& text, const FormatSettings& settings);
double StrToTime(const std::string& text, const FormatSettings& settings);

} // namespace marlune::report
