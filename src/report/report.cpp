#include "report/report.h"

#include "platform/error.h"
#include "platform/stream.h"
#include "report/bandview.h"
#include "report/papertable.h"
#include "report/reportbuilder.h"
#include "report/reportdataset.h"
#include "report/streamio.h"

#include <algorithm>
#include <iostream>
#include <utility>

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

void Report::AddDataset(ReportDataset* dataset)
{
    if (dataset != nullptr &&
        std::find(datasets_.begin(), datasets_.end(), dataset) == datasets_.end()) {
        datasets_.push_back(dataset);
    }
}

ReportDataset* Report::FindDataset(const std::string& name) const
{
    for (ReportDataset* dataset : datasets_) {
        if (dataset->Name() == name || (!name.empty() && dataset->DataSetName() == name)) {
            return dataset;
        }
    }
    return nullptr;
}

bool Report::BuildInto(PreparedPages& target)
{
    // A dataset that cannot be walked stops the build before it starts, so
    // the error reaches the caller rather than the progress window.
    if (Dataset != nullptr) {
        Dataset->Check();
    }
    for (const auto& page : Pages) {
        for (const auto& view : page->Objects) {
            if (dynamic_cast<const BandView*>(view.get()) == nullptr) {
                continue;
            }
            if (ReportDataset* dataset = FindDataset(view->FormatText)) {
                dataset->Check();
            }
        }
    }
    ReportBuilder builder(*this, target);
    return builder.Build();
}

std::optional<PreparedPages> Report::Build()
{
    PreparedPages pages;
    if (!BuildInto(pages) || ErrorFlag) {
        return std::nullopt;
    }
    return pages;
}

void Report::BuildAndPreview()
{
    PreparedPages pages;
    BuildInto(pages);
    if (ErrorFlag) {
        ShowMessage(ErrorText);
        return;
    }
    ShowBuiltReport(std::move(pages));
}

std::string Report::PreviewCaption() const
{
    return Title.empty() ? std::string("Preview") : "Preview - " + Title;
}

std::string Report::ProgressCaption() const
{
    return Title.empty() ? std::string("Report preparing") : "Report preparing - " + Title;
}

void Report::ShowBuiltReport(PreparedPages pages)
{
    if (pages.Empty() || !OnPreview) {
        return;
    }
    OnPreview(std::move(pages), PreviewCaption());
}

PreparedPages TemplatePages(const Report& report)
{
    PreparedPages pages;
    for (const auto& page : report.Pages) {
        pages.Add(*page);
        for (const auto& view : page->Objects) {
            if (dynamic_cast<const BandView*>(view.get()) == nullptr && view->Visible) {
                pages.Output(pages.Count() - 1, *view);
            }
        }
    }
    return pages;
}

} // namespace marlune::report
