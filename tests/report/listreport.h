#pragma once

#include "report/postcodelist/postcodelist.h"
#include "report/report.h"
#include "report/shapeview.h"
#include "report/tabledataset/tabledataset.h"
#include "table/datasource.h"
#include "table/memtable.h"

namespace marlune::report::test {

// The postcode list over a table of the test's own, set up as the program
// sets up Report1.
struct ListReport {
    ListReport()
    {
        source.SetDataSet(&table);
        adapter.DataSource = &source;
        report.AddDataset(&adapter);
        report.Dataset = &adapter;
        report.Title = "Marlune";
        LoadPostcodeListTemplate(report);
    }

    ShapeObject shapes; // the page header's shape needs it while loading
    table::MemTable table;
    table::DataSource source;
    TableDataset adapter;
    Report report;
};

} // namespace marlune::report::test
