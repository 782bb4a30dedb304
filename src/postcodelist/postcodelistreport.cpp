#include "postcodelist/postcodelistreport.h"

#include "postcodelist/postcodelist.h"

#include <utility>

namespace marlune::postcodelist {

PostcodeListReport::PostcodeListReport(table::MemTable& table, report::ReportPrinter& printer,
                                       report::Report::MessageHandler onMessage)
    : report_(printer)
{
    dataset_.DataSet = &table;
    Load(std::move(onMessage));
}

PostcodeListReport::PostcodeListReport(table::DataSource& source, report::ReportPrinter& printer,
                                       report::Report::MessageHandler onMessage)
    : report_(printer)
{
    dataset_.DataSource = &source;
    Load(std::move(onMessage));
}

void PostcodeListReport::Load(report::Report::MessageHandler onMessage)
{
    report_.OnMessage = std::move(onMessage);
    report_.AddDataset(&dataset_);
    report_.Dataset = &dataset_;
    report_.Title = "Marlune";
    LoadPostcodeListTemplate(report_);
}

} // namespace marlune::postcodelist
