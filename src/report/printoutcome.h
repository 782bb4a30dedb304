#pragma once

#include "report/preparedpages.h"

#include <optional>

namespace marlune::report {

// What a print command did with the pages it was given: whether they went to
// the printer (the dialog was confirmed and the run started), and the pages
// it built anew for another printer, which replace the caller's from then on.
struct PrintOutcome {
    bool printed = false;
    std::optional<PreparedPages> rebuilt;
};

} // namespace marlune::report
