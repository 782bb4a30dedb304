#include "report/viewrecord.h"

#include "platform/error.h"
#include "platform/stream.h"
#include "report/kinds.h"
#include "report/streamio.h"
#include "report/viewfactory.h"

#include <QString>

namespace marlune::report {

namespace {

constexpr int kFramedMemoExtra = 8;

bool IsFramedMemoName(const std::string& name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))
               .compare(QLatin1String("FRAMEDMEMOVIEW"), Qt::CaseInsensitive) == 0;
}

} // namespace

ViewRecord CreateViewForRecord(StreamReader& reader, int kind)
{
    ViewRecord record;
    if (kind == okAddIn) {
        const std::string className = reader.ReadString();
        if (IsFramedMemoName(className)) {
            record.view = CreateView(okMemo);
            record.framedMemo = true;
            return record;
        }
        record.view = CreateView(kind, className);
    } else {
        record.view = CreateView(kind);
    }
    if (record.view == nullptr) {
        throw Error("Unknown object kind " + std::to_string(kind));
    }
    return record;
}

void ReadViewData(StreamReader& reader, ViewRecord& record, ViewForm form)
{
    record.view->ReadFromStream(reader, form);
    if (record.framedMemo) {
        reader.Skip(kFramedMemoExtra);
    }
}

void WriteViewHead(StreamWriter& writer, const ReportView& view)
{
    writer.WriteByte(static_cast<std::uint8_t>(view.Kind));
    if (view.Kind == okAddIn) {
        writer.WriteString(view.ClassName());
    }
}

std::string WritePageForm(const std::vector<std::unique_ptr<ReportView>>& views)
{
    StreamWriter writer;
    writer.WriteByte(kCurrentVersion);
    for (const auto& view : views) {
        view->OutputToPage(writer);
    }
    return writer.Bytes();
}

std::vector<std::unique_ptr<ReportView>> ReadPageForm(platform::Stream& stream)
{
    StreamReader reader(stream, kCurrentVersion);
    if (reader.ReadByte() != kCurrentVersion) {
        throw Error("Unsupported report format");
    }
    std::vector<std::unique_ptr<ReportView>> views;
    while (reader.Remaining() > 0) {
        ViewRecord record = CreateViewForRecord(reader, reader.ReadByte());
        ReadViewData(reader, record, ViewForm::Page);
        views.push_back(std::move(record.view));
    }
    return views;
}

} // namespace marlune::report
