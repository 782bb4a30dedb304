#include "report/report.h"

#include "platform/error.h"
#include "platform/stream.h"
#include "report/papertable.h"
#include "report/streamio.h"

#include <iostream>

namespace marlune::report {

namespace {

constexpr std::int32_t kContainerMarker = 23;

} // namespace

Report::Report(ReportPrinter& printer) : printer_(printer) {}

ReportPage& Report::AddPage(int paperCode, int paperWidth, int paperHeight, int orientation)
{
    Pages.push_back(
        std::make_unique<ReportPage>(printer_, paperCode, paperWidth, paperHeight, orientation));
    return *Pages.back();
}

void Report::ShowMessage(const std::string& text) const
{
    if (OnMessage) {
        OnMessage(text, "Error");
    } else {
        std::cerr << "Error: " << text << '\n';
    }
}

void Report::FailLoad()
{
    Pages.clear();
    AddPage(kPaperA4, 2100, 2970, 0);
    ShowMessage("Unsupported report format");
}

void Report::ReadReportForm(platform::Stream& stream)
{
    StreamReader reader(stream, kCurrentVersion);
    try {
        reader.ReadInt(); // the marker
        if (!StoreInDFM) {
            return;
        }
        const std::int32_t size = reader.ReadInt();
        platform::MemoryStream body(reader.ReadBytes(size));
        ReadTemplate(body);
    } catch (const Error&) {
        FailLoad();
    }
}

std::string Report::WriteReportForm() const
{
    StreamWriter writer;
    writer.WriteInt(kContainerMarker);
    if (StoreInDFM) {
        const std::string body = WriteTemplate();
        writer.WriteInt(static_cast<std::int32_t>(body.size()));
        writer.WriteBytes(body);
    }
    return writer.Bytes();
}

} // namespace marlune::report
