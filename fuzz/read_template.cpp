// Template streams are outside input. Reading one must never crash, hang or
// allocate without bound: a bad stream ends as one empty page and a message.
// Whatever was read must survive being written and read again.
#include "platform/error.h"
#include "platform/stream.h"
#include "report/report.h"
#include "report/shapeview.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace marlune::report;

struct Loaded {
    ReportPrinter printer;
    Report report{printer};
    int messages = 0;
    Loaded()
    {
        report.OnMessage = [this](const std::string&, const std::string&) { ++messages; };
    }
};

std::size_t ObjectCount(const Report& report)
{
    std::size_t n = 0;
    for (const auto& page : report.Pages) {
        n += page->Objects.size();
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ShapeObject shapeObject1;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Loaded first;
    marlune::platform::MemoryStream stream(bytes);
    first.report.ReadTemplate(stream);
    if (first.messages > 0 && first.report.Pages.size() > 1) {
        std::abort(); // a failed or refused load keeps at most one page
    }
    std::string written;
    try {
        written = first.report.WriteTemplate();
    } catch (const marlune::Error&) {
        return 0; // more pages than the format can number
    }
    Loaded second;
    marlune::platform::MemoryStream again(written);
    second.report.ReadTemplate(again);
    if (second.messages != 0 || second.report.Pages.size() != first.report.Pages.size() ||
        ObjectCount(second.report) != ObjectCount(first.report) ||
        second.report.WriteTemplate().size() != written.size()) {
        std::abort();
    }
    // And the container around it.
    Loaded third;
    const std::string form = first.report.WriteReportForm();
    marlune::platform::MemoryStream formStream(form);
    third.report.ReadReportForm(formStream);
    if (third.messages != 0 || formStream.Position() != static_cast<std::int64_t>(form.size())) {
        std::abort();
    }
    return 0;
}
