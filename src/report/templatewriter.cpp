// Writing the template stream in the current format.
#include "report/report.h"

#include "platform/error.h"
#include "report/streamio.h"
#include "report/templatetags.h"
#include "report/viewrecord.h"

namespace marlune::report {

namespace {

constexpr std::size_t kMaxPages = 256; // the page index is one byte

void WritePage(StreamWriter& writer, const ReportPage& page)
{
    writer.WriteByte(kPageTag);
    writer.WriteInt(page.PaperCode);
    writer.WriteInt(page.PaperWidth);
    writer.WriteInt(page.PaperHeight);
    for (const int margin : page.Margins) {
        writer.WriteInt(margin);
    }
    writer.WriteByte(static_cast<std::uint8_t>(page.Orientation));
    writer.WriteBool16(page.PrintToPrevPage);
    writer.WriteBool16(page.UseMargins);
    writer.WriteInt(page.ColumnCount);
    writer.WriteInt(page.ColumnGap);
}

} // namespace

std::string Report::WriteTemplate() const
{
    if (Pages.size() > kMaxPages) {
        throw Error("A report template holds at most 256 pages");
    }
    StreamWriter writer;
    writer.WriteByte(kCurrentVersion);
    writer.WriteBool16(PrintToDefault);
    writer.WriteBool16(DoublePass);
    writer.WriteString(printer_.CurrentPrinterName());
    for (const auto& page : Pages) {
        WritePage(writer, *page);
    }
    for (std::size_t i = 0; i < Pages.size(); ++i) {
        for (const auto& view : Pages[i]->Objects) {
            WriteViewHead(writer, *view);
            writer.WriteByte(static_cast<std::uint8_t>(i));
            view->WriteToStream(writer, ViewForm::Template);
        }
    }
    writer.WriteByte(kValuesTag);
    writer.WriteInt(static_cast<std::int32_t>(Values.size()));
    for (const ReportValue& value : Values) {
        writer.WriteByte(value.Kind);
        writer.WriteInt(value.OtherKind);
        writer.WriteShortString(value.Dataset);
        writer.WriteShortString(value.Field);
        writer.WriteShortString(value.Name);
    }
    writer.WriteLines(Variables);
    return writer.Bytes();
}

} // namespace marlune::report
