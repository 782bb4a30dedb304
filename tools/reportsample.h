#pragma once

#include "report/report.h"

// A demonstration template: one A4 page holding a view of every kind (band
// markers, memos in each alignment and frame style, a line, each shape, a
// picture). Written by `marlune-report --write-sample`, and a seed for the
// template fuzzer.
namespace marlune::tools {

void FillSampleReport(report::Report& report);

} // namespace marlune::tools
