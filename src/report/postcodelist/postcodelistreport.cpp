#include "report/postcodelist/postcodelistreport.h"

#include "report/postcodelist/postcodelist.h"

#include <utility>

namespace marlune::report {

PostcodeListReport::PostcodeListReport(table::MemTable& table, ReportPrinter& printer,
                                       Report::MessageHandler onMessage)
    : report_(printer)
{
    dataset_.DataSet = &table;
    Load(std::move(onMessage));
}

PostcodeListReport::PostcodeListReport(table::DataSource& source, ReportPrinter& printer,
                                       Report::MessageHandler onMessage)
    : report_(printer)
{
    dataset_.DataSource = &source;
    Load(std::move(onMessage));
}

void PostcodeListReport::Load(Report::MessageHandler onMessage)
{
    report_.OnMessage = std::move(onMessage);
    report_.AddDataset(&dataset_);
    report_.Dataset = &dataset_;
    report_.Title = "Marlune";
    LoadPostcodeListTemplate(report_);
}

} // namespace marlune::report
