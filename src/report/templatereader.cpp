// Reading the template stream: the version rules, the records, and the
// failure rule (one empty A4 page and a message).
#include "report/report.h"

#include "platform/error.h"
#include "platform/stream.h"
#include "report/kinds.h"
#include "report/papertable.h"
#include "report/streamio.h"
#include "report/templatetags.h"
#include "report/viewrecord.h"

namespace marlune::report {

namespace {

constexpr int kMaxGeneratedNumber = 10000;
constexpr const char* kUnsupported = "Unsupported report format";
// The smallest values record entry: kind, other kind, three empty short
// strings.
constexpr std::int64_t kMinValueSize = 8;

std::string GeneratedName(const std::string& base, const std::set<std::string>& used)
{
    for (int n = 1; n <= kMaxGeneratedNumber; ++n) {
        std::string name = base + std::to_string(n);
        if (used.count(name) == 0) {
            return name;
        }
    }
    return {};
}

} // namespace

void Report::ReadTemplate(platform::Stream& stream)
{
    const std::int64_t start = stream.Position();
    StreamReader reader(stream, kCurrentVersion);
    try {
        // Taken as signed: a stream without a version byte begins with its
        // print-to-default flag, 0 or 0xFF, and both read as below 21.
        const auto first = static_cast<std::int8_t>(reader.ReadByte());
        if (first > kCurrentVersion) {
            ShowMessage(kUnsupported);
            return;
        }
        if (first < kOldestVersion) {
            reader.SetVersion(kOldestVersion);
            reader.Seek(start);
        } else {
            reader.SetVersion(first);
        }
        ReadRecords(reader);
    } catch (const Error&) {
        FailLoad();
    }
}

void Report::ReadRecords(StreamReader& reader)
{
    Pages.clear();
    Values.clear();
    Variables.clear();
    PrintToDefault = reader.ReadBool16();
    DoublePass = reader.ReadBool16();
    const std::string printerName = reader.ReadString();
    if (!PrintToDefault) {
        printer_.SelectPrinterByName(printerName);
    }
    std::set<std::string> usedNames;
    while (reader.Remaining() > 0) {
        const std::uint8_t tag = reader.ReadByte();
        if (tag == kPageTag) {
            ReadPage(reader);
        } else if (tag == kValuesTag) {
            ReadValues(reader);
        } else if (tag == kEndTag) {
            return;
        } else if (tag <= okAddIn) {
            ReadObject(reader, tag, usedNames);
        } else {
            throw Error("Invalid record");
        }
    }
}

void Report::ReadPage(StreamReader& reader)
{
    ReportPage& page = AddPage(kPaperA4, 2100, 2970, 0);
    const int code = reader.ReadInt();
    const int width = reader.ReadInt();
    const int height = reader.ReadInt();
    for (int& margin : page.Margins) {
        margin = reader.ReadInt();
    }
    const int orientation = reader.ReadByte();
    if (reader.Version() < kCurrentVersion) {
        reader.Skip(6);
    }
    page.PrintToPrevPage = reader.ReadBool16();
    page.UseMargins = reader.ReadBool16();
    page.ColumnCount = reader.ReadInt();
    page.ColumnGap = reader.ReadInt();
    page.ChangePaper(code, width, height, orientation);
}

void Report::ReadValues(StreamReader& reader)
{
    const std::int32_t count = reader.ReadInt();
    if (count < 0 || count > reader.Remaining() / kMinValueSize) {
        throw Error("Invalid values record");
    }
    Values.clear();
    for (std::int32_t i = 0; i < count; ++i) {
        ReportValue value;
        value.Kind = reader.ReadByte();
        value.OtherKind = reader.ReadInt();
        value.Dataset = reader.ReadShortString();
        value.Field = reader.ReadShortString();
        value.Name = reader.ReadShortString();
        Values.push_back(std::move(value));
    }
    Variables = reader.ReadLines();
}

void Report::ReadObject(StreamReader& reader, int kind, std::set<std::string>& usedNames)
{
    ViewRecord record = CreateViewForRecord(reader, kind);
    const std::uint8_t pageIndex = reader.ReadByte();
    if (pageIndex >= Pages.size()) {
        throw Error("Object on a page that does not exist");
    }
    ReadViewData(reader, record, ViewForm::Template);
    if (reader.Version() < kCurrentVersion) {
        record.view->Name = GeneratedName(record.view->BaseName(), usedNames);
    }
    usedNames.insert(record.view->Name);
    Pages[pageIndex]->Objects.push_back(std::move(record.view));
}

} // namespace marlune::report
