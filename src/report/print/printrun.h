#pragma once

#include <string>

// The most copies of a page one run prints; more is surely a slip.
inline constexpr int kMaxCopies = 999;

namespace marlune::report {
class PreparedPages;
class Report;
} // namespace marlune::report

// The print run: replays a report's prepared pages on the platform printer,
// inside the report's progress window when it has one.
namespace marlune::report::print {

// Prints the pages that `pageList` selects (the page-list
// syntax; empty for all), each page `copies` times in a row (copies below 1
// count as 1; more than kMaxCopies raise marlune::Error), in jobs titled "Report: " and the title.
// A page whose paper differs from the one before it starts a new job. A page list that is not valid
// raises marlune::Error before anything is shown or sent to the printer; a selection without pages
// sends nothing. Cancel in the progress window abandons the job after the sheet being printed.
// False when cancelled. The pages are only read: each sheet is drawn from
// views read for it alone, in the geometry the printer gives its paper now.
bool PrintPreparedReport(Report& report, const PreparedPages& pages, const std::string& pageList,
                         int copies);

// What is said of a number of copies out of 1 to kMaxCopies.
std::string CopiesOutOfRange();

// The print job's title for a report title.
std::string PrintJobTitle(const std::string& title);

} // namespace marlune::report::print
