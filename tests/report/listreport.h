#pragma once

#include "postcodelist/postcodelistreport.h"
#include "report/report.h"
#include "table/datasource.h"
#include "table/memtable.h"

namespace marlune::report::test {

// The postcode list over a table of the test's own, shown through a data
// source as the window's grid shows it.
struct ListReport {
    ListReport() { source.SetDataSet(&table); }

    table::MemTable table;
    table::DataSource source;
    marlune::postcodelist::PostcodeListReport list{source};
    Report& report = list.report();
};

} // namespace marlune::report::test
