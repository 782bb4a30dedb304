// The views of a prepared page are read back from a file the user opens:
// outside input. Reading must never crash, hang or allocate without bound;
// it fails with marlune::Error, and what it reads survives a round trip.
#include "platform/error.h"
#include "platform/stream.h"
#include "report/shapeview.h"
#include "report/viewrecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlune::report;
    static ShapeObject shapeObject1;
    marlune::platform::MemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::unique_ptr<ReportView>> views;
    try {
        views = ReadPageForm(stream);
    } catch (const marlune::Error&) {
        return 0;
    }
    const std::string written = WritePageForm(views);
    marlune::platform::MemoryStream again(written);
    const auto back = ReadPageForm(again);
    if (back.size() != views.size() || WritePageForm(back).size() != written.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < views.size(); ++i) {
        if (back[i]->Kind != views[i]->Kind || back[i]->Memo != views[i]->Memo) {
            std::abort();
        }
    }
    return 0;
}
