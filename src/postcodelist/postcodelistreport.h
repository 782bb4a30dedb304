#pragma once

#include "report/report.h"
#include "report/shapeview.h"
#include "tabledataset/tabledataset.h"

namespace marlune::postcodelist {

// The postcode list over a table: the shape view registered, the dataset
// made and attached, the stored template loaded and the title set, in the
// order the template needs (its page header holds a shape, so the shape
// object exists before the read). Messages of a failed read go to
// `onMessage`, or to the standard error without one.
class PostcodeListReport {
public:
    PostcodeListReport(table::MemTable& table,
                       report::ReportPrinter& printer = report::DefaultPrinter(),
                       report::Report::MessageHandler onMessage = {});
    // Over the table a data source shows, as the window's grid does.
    PostcodeListReport(table::DataSource& source,
                       report::ReportPrinter& printer = report::DefaultPrinter(),
                       report::Report::MessageHandler onMessage = {});
    PostcodeListReport(const PostcodeListReport&) = delete;
    PostcodeListReport& operator=(const PostcodeListReport&) = delete;

    report::Report& report() { return report_; }
    const report::Report& report() const { return report_; }
    tabledataset::TableDataset& dataset() { return dataset_; }

private:
    void Load(report::Report::MessageHandler onMessage);

    // Declared first: alive while the template is read and for as long as
    // the report's views may be copied.
    report::ShapeObject shapes_;
    tabledataset::TableDataset dataset_{"TableDataset1"};
    report::Report report_;
};

} // namespace marlune::postcodelist
