#pragma once

#include <array>
#include <string>

namespace marlune::platform {

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

} // namespace marlune::platform
