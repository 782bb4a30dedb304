#pragma once

#include "platform/formatsettings.h"

#include <string>

namespace marlune::report::expr {

// The platform's format settings (platform/formatsettings.h).
using FormatSettings = platform::FormatSettings;

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

} // namespace marlune::report::expr
