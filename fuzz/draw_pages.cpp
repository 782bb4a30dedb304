// Report files and templates are drawn as soon as they are opened, so what
// they store reaches the drawing code: frame widths, font sizes, positions.
// Every input is read both as a report file and as a template; each page
// that loads is drawn into a small image at a preview's scale and at a
// printer's. Drawing must not crash, and must not take long or much memory
// whatever a page holds (libFuzzer's -timeout and -rss_limit_mb say when it
// does).
#include "platform/error.h"
#include "platform/stream.h"
#include "report/preparedfile.h"
#include "report/preparedpages.h"
#include "report/report.h"
#include "report/reportprinter.h"
#include "report/shapeview.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace {

using namespace marlune::report;

// A page of A4 in report units, drawn 1:8 as a small preview does, and as a
// 600-dpi printer does (into the same small image: what falls outside is
// clipped, but is still worked out).
constexpr double kPreviewScale = 0.125;
constexpr double kPrinterScale = 600.0 / 96.0;
constexpr int kMostPages = 8;

void DrawPages(PreparedPages& pages)
{
    QImage image(96, 136, QImage::Format_RGB32);
    for (int i = 0; i < pages.Count() && i < kMostPages; ++i) {
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawPreparedPage(painter, pages, i, kPreviewScale, kPreviewScale, 0, 0, false);
        // The printer reads the pages without keeping their views.
        DrawPreparedPage(painter, std::as_const(pages), i, kPrinterScale, kPrinterScale, -100, -100,
                         true);
        painter.end();
        pages.Release(i);
    }
}

} // namespace

// A font name a file gives is looked up once and kept by fontconfig, which
// the leak checker would take for a leak of the input's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static const auto app = std::make_unique<QGuiApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ShapeObject shapeObject1;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ReportPrinter printer;
    try {
        marlune::platform::MemoryStream stream(bytes);
        PreparedPages pages = ReadPreparedFile(stream, printer, true);
        DrawPages(pages);
    } catch (const marlune::Error&) {
        // Not a report file; perhaps a template.
    }
    Report report(printer);
    report.OnMessage = [](const std::string&, const std::string&) {};
    marlune::platform::MemoryStream stream(bytes);
    report.ReadTemplate(stream);
    PreparedPages pages = TemplatePages(report);
    DrawPages(pages);
    return 0;
}
