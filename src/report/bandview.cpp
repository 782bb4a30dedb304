#include "report/bandview.h"

#include "report/kinds.h"
#include "report/streamio.h"

namespace marlune::report {

BandView::BandView() : ClonableView(okBand, "BandView") {}

SubReportView::SubReportView() : ClonableView(okSubReport, "SubReportView") {}

void SubReportView::Assign(const ReportView& source)
{
    ReportView::Assign(source);
    if (const auto* sub = dynamic_cast<const SubReportView*>(&source)) {
        SubPage = sub->SubPage;
    }
}

void SubReportView::ReadFromStream(StreamReader& reader, ViewForm form)
{
    ReportView::ReadFromStream(reader, form);
    SubPage = reader.ReadInt();
}

void SubReportView::WriteToStream(StreamWriter& writer, ViewForm form) const
{
    ReportView::WriteToStream(writer, form);
    writer.WriteInt(SubPage);
}

bool SubReportView::SameStoredData(const ReportView& other, ViewForm form) const
{
    const auto* sub = dynamic_cast<const SubReportView*>(&other);
    return sub != nullptr && ReportView::SameStoredData(other, form) && SubPage == sub->SubPage;
}

} // namespace marlune::report
