#pragma once

#include "platform/formatsettings.h"

#include <QDate>
#include <QTime>

#include <string>
#include <string_view>

namespace marlune::platform {

// Date/time formatting with the platform's format letters, case ignored:
// c (short date and long time), d dd ddd dddd (day, two digits, short and
// long day name), ddddd dddddd (short and long date format), m mm mmm mmmm
// (month, two digits, short and long month name; m and mm right after an
// hour are minutes), yy yyyy, h hh, n nn, s ss, z zzz, t tt (short and long
// time format), am/pm a/p ampm (with one of them hours count 1 to 12), "/"
// and ":" the date and time separators, quoted text, anything else literal.
// Nested formats (ddddd, t, c inside a format) are expanded two levels deep.
// An empty pattern is "c".
std::string FormatDateTime(std::string_view pattern, const QDate& date, const QTime& time,
                           const FormatSettings& settings);

} // namespace marlune::platform
