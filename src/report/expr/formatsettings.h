#pragma once

#include <array>
#include <string>

namespace marlune::report {

// What number and date/time formatting needs of the system: separators, the
// date and time formats, and month and day names, all 8-bit text.
struct FormatSettings {
    char decimalSeparator = '.';
    char thousandSeparator = ',';
    char dateSeparator = '/';
    char timeSeparator = ':';
    std::string shortDateFormat = "d/MM/yyyy";
    std::string longDateFormat = "dddd, d MMMM yyyy";
    std::string shortTimeFormat = "h:nn AMPM";
    std::string longTimeFormat = "h:nn:ss AMPM";
    std::string timeAm = "AM";
    std::string timePm = "PM";
    // January first; Sunday first.
    std::array<std::string, 12> shortMonthNames;
    std::array<std::string, 12> longMonthNames;
    std::array<std::string, 7> shortDayNames;
    std::array<std::string, 7> longDayNames;
};

// Settings from the system locale: its separators (where one 8-bit
// character holds them) and its month and day names, with the process's
// date formats.
FormatSettings SystemFormatSettings();

// The process-wide settings every formatting function uses unless it is
// given others. Built from the system locale on first use; the short and long
// date formats are always the process's own (platform/dateformat.h), which
// the application manager sets at start-up.
const FormatSettings& ProcessFormatSettings();

// Sets the process's short and long date formats (platform/dateformat.h).
void SetProcessDateFormats(const std::string& shortDate, const std::string& longDate);

// Replaces all the process-wide settings (tests use it to fix the names).
void SetProcessFormatSettings(const FormatSettings& settings);

} // namespace marlune::report
