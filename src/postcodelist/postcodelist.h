#pragma once

#include "report/report.h"

#include <string>

// The postcode list: the program's one report template, kept as Report1's
// form data (the marker, the size and the template stream) in a resource of
// this library, and the code that fills the same template from scratch, from
// which that resource is made (marlune-mkreportform).
namespace marlune::postcodelist {

// Adds the postcode list's page, bands and views to `report` (which should
// have no pages) and sets its report-level flags.
void FillPostcodeListTemplate(report::Report& report);

// Report1's form data as the product stores it: FillPostcodeListTemplate
// on the built-in printer, written with WriteReportForm. The built-in
// printer makes the bytes independent of the printers installed: its paper
// sizes are the standard ones and its name, the one the stream records, is
// empty (print to default leaves the name unused).
std::string PostcodeListReportForm();

// The stored form data compiled into the program.
std::string StoredPostcodeListReportForm();

// Reads the stored template into `report` with ReadReportForm. Its page
// header holds a ShapeView, so a ShapeObject must be alive; a failed read
// reports through the report's message handler as any template does.
void LoadPostcodeListTemplate(report::Report& report);

} // namespace marlune::postcodelist
