// Report files are opened by the user: outside input. Reading one must never
// crash, hang or allocate without bound; a bad file fails with
// marlune::Error and leaves the printer layer's current printer as it was.
// Whatever was read must survive being written and read again.
#include "platform/error.h"
#include "platform/stream.h"
#include "report/preparedfile.h"
#include "report/reportprinter.h"
#include "report/shapeview.h"
#include "report/streamio.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace marlune::report;

bool SamePages(const PreparedPages& a, const PreparedPages& b)
{
    if (a.Count() != b.Count()) {
        return false;
    }
    for (int i = 0; i < a.Count(); ++i) {
        if (a[i].stream != b[i].stream || a[i].paperWidth != b[i].paperWidth ||
            a[i].paperHeight != b[i].paperHeight || a[i].orientation != b[i].orientation ||
            a[i].useMargins != b[i].useMargins || !(a[i].geometry == b[i].geometry)) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ShapeObject shapeObject1;
    ReportPrinter printer;
    const int printerBefore = printer.PrinterIndex();
    marlune::platform::MemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    PreparedPages pages;
    try {
        pages = ReadPreparedFile(stream, printer, false);
    } catch (const marlune::Error&) {
        if (printer.PrinterIndex() != printerBefore) {
            std::abort();
        }
        return 0;
    }
    for (int i = 0; i < pages.Count(); ++i) {
        pages.Views(i); // every page loaded can be drawn
    }
    StreamWriter writer;
    WritePreparedFile(pages, printer.CurrentPrinterName(), writer);
    marlune::platform::MemoryStream again(writer.Bytes());
    if (!SamePages(pages, ReadPreparedFile(again, printer, false))) {
        std::abort();
    }
    return 0;
}
