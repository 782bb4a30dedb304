#pragma once

#include <QDate>

#include <string>
#include <string_view>

// The process's date formats: the short and long date format, the date
// separator and the two-digit-year window, process-wide as the original
// platform keeps them. Every date the program writes goes through here, so
// that what the application manager sets is what the user sees.
//
// Formats use the platform's date/time letters (platform/datetimeformat.h):
// d (day), dd (two digits), ddd and dddd (short and long day name), m, mm,
// mmm, mmmm (month likewise), yy and yyyy (year), ddddd and dddddd (the
// short and long date format), "/" (the date separator), and text in double
// or single quotes as it stands. Names are English.
namespace marlune::platform {

// Until set, the system locale's formats (their separator as the date
// separator) and a century window of 50.
std::string ShortDateFormat();
std::string LongDateFormat();
char DateSeparator();
int TwoDigitYearCenturyWindow();
void SetShortDateFormat(std::string format);
void SetLongDateFormat(std::string format);
void SetDateSeparator(char separator);
void SetTwoDigitYearCenturyWindow(int window);

// Forgets what was set: the system's formats again.
void ResetDateFormats();

// `date` written by `format`. Inside the short or long date that five or
// six d's stand for, such runs name no further format.
std::string FormatDate(std::string_view format, const QDate& date);
inline std::string FormatShortDate(const QDate& date)
{
    return FormatDate(ShortDateFormat(), date);
}
inline std::string FormatLongDate(const QDate& date)
{
    return FormatDate(LongDateFormat(), date);
}

// The full year of a two-digit year `yy` in `currentYear`. With a window w
// > 0 it is the year in the hundred years from currentYear - w on (w = 50 in
// 2026: 76 is 1976, 75 is 2075); with w = 0, the year in the current century.
int ExpandTwoDigitYear(int yy, int currentYear);

} // namespace marlune::platform
