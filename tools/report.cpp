// marlune-report: reads a report template and draws its pages as designed
// (texts unexpanded) to PNG files at a chosen scale, or to a PDF file.
#include "reportsample.h"

#include "platform/error.h"
#include "platform/stream.h"
#include "report/bandview.h"
#include "report/shapeview.h"
#include "report/units.h"

#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using namespace marlune::report;

constexpr const char* kUsage =
    "usage: marlune-report --template FILE (--png OUT-PREFIX [--scale S] | --pdf OUT)\n"
    "       marlune-report --write-sample FILE\n"
    "\n"
    "Draws the pages of a report template as designed, texts unexpanded.\n"
    "\n"
    "  --template FILE      a template stream, or the container that holds one\n"
    "                       (the marker 23 and the stream's size in front)\n"
    "  --png OUT-PREFIX     writes OUT-PREFIX-1.png, OUT-PREFIX-2.png ... one\n"
    "                       pixel per report unit at scale 1\n"
    "  --scale S            the scale of the PNG pages (default 1)\n"
    "  --pdf OUT            writes the pages to a PDF file, each on its own paper\n"
    "  --write-sample FILE  writes a template that shows every kind of view\n"
    "\n"
    "Exit status: 0 on success, 1 when the template could not be read, 2 when\n"
    "the arguments are wrong.\n";

struct Options {
    std::string templateFile;
    std::string pngPrefix;
    std::string pdfFile;
    std::string sampleFile;
    double scale = 1.0;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--template" && hasValue) {
            o.templateFile = argv[++i];
        } else if (arg == "--png" && hasValue) {
            o.pngPrefix = argv[++i];
        } else if (arg == "--pdf" && hasValue) {
            o.pdfFile = argv[++i];
        } else if (arg == "--write-sample" && hasValue) {
            o.sampleFile = argv[++i];
        } else if (arg == "--scale" && hasValue) {
            try {
                o.scale = std::stod(argv[++i]);
            } catch (const std::exception&) {
                return false;
            }
            if (!(o.scale > 0.0 && o.scale <= 20.0)) {
                return false;
            }
        } else {
            return false;
        }
    }
    if (!o.sampleFile.empty()) {
        return o.templateFile.empty();
    }
    return !o.templateFile.empty() && (o.pngPrefix.empty() != o.pdfFile.empty());
}

bool WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The container has the marker 23 and the size of what follows in front.
bool IsContainer(const std::string& bytes)
{
    if (bytes.size() < 8 || bytes.compare(0, 4, std::string("\x17\0\0\0", 4)) != 0) {
        return false;
    }
    std::uint32_t size = 0;
    for (int i = 7; i >= 4; --i) {
        size = (size << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    }
    return size == bytes.size() - 8;
}

void DrawPage(QPainter& painter, ReportPage& page, double scaleX, double scaleY, bool printing)
{
    for (const auto& view : page.Objects) {
        if (dynamic_cast<BandView*>(view.get()) != nullptr || !view->Visible) {
            continue;
        }
        view->ScaleX = scaleX;
        view->ScaleY = scaleY;
        view->OffsetX = 0;
        view->OffsetY = 0;
        view->IsPrinting = printing;
        view->Draw(painter);
    }
}

bool WritePngs(Report& report, const Options& o)
{
    int number = 0;
    for (const auto& page : report.Pages) {
        const int width = Round(page->Geometry.paperWidth * o.scale);
        const int height = Round(page->Geometry.paperHeight * o.scale);
        QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        QPainter painter(&image);
        DrawPage(painter, *page, o.scale, o.scale, false);
        painter.end();
        const std::string name = o.pngPrefix + "-" + std::to_string(++number) + ".png";
        if (!image.save(QString::fromStdString(name), "PNG")) {
            std::cerr << "marlune-report: cannot write " << name << '\n';
            return false;
        }
    }
    return true;
}

QPageSize PaperOf(const ReportPage& page)
{
    return QPageSize(QSizeF(page.PaperWidth / 10.0, page.PaperHeight / 10.0), QPageSize::Millimeter,
                     QString(), QPageSize::ExactMatch);
}

bool WritePdf(Report& report, const Options& o)
{
    constexpr int kDpi = 600;
    QPdfWriter writer(QString::fromStdString(o.pdfFile));
    writer.setResolution(kDpi);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator(QStringLiteral("marlune-report"));
    if (!report.Pages.empty()) {
        writer.setPageSize(PaperOf(*report.Pages.front()));
    }
    QPainter painter;
    if (!painter.begin(&writer)) {
        std::cerr << "marlune-report: cannot write " << o.pdfFile << '\n';
        return false;
    }
    for (std::size_t i = 0; i < report.Pages.size(); ++i) {
        if (i > 0) {
            writer.setPageSize(PaperOf(*report.Pages[i]));
            writer.newPage();
        }
        DrawPage(painter, *report.Pages[i], kDpi / kUnitsPerInchX, kDpi / kUnitsPerInchY, true);
    }
    painter.end();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Offscreen unless told otherwise: the tool draws into images only.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    ShapeObject shapeObject1;
    Report report;
    bool failed = false;
    report.OnMessage = [&failed](const std::string& text, const std::string& caption) {
        std::cerr << "marlune-report: " << caption << ": " << text << '\n';
        failed = true;
    };
    if (!options.sampleFile.empty()) {
        marlune::tools::FillSampleReport(report);
        return WriteFile(options.sampleFile, report.WriteTemplate()) ? 0 : 1;
    }
    try {
        marlune::platform::FileStream file(options.templateFile);
        std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
        bytes.resize(file.Read(bytes.data(), bytes.size()));
        marlune::platform::MemoryStream stream(bytes);
        if (IsContainer(bytes)) {
            report.ReadReportForm(stream);
        } else {
            report.ReadTemplate(stream);
        }
    } catch (const marlune::Error& e) {
        std::cerr << "marlune-report: " << e.Message() << '\n';
        return 1;
    }
    if (failed) {
        return 1;
    }
    const bool written =
        options.pdfFile.empty() ? WritePngs(report, options) : WritePdf(report, options);
    return written ? 0 : 1;
}
