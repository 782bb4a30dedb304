// marlune-report: builds the postcode list over a data file and writes its
// pages as a PDF or as PNG images; or draws the pages of a report template as
// designed (texts unexpanded).
#include "reportsample.h"

#include "platform/cp1252.h"
#include "platform/error.h"
#include "platform/stream.h"
#include "report/pagelist.h"
#include "report/pdfexport.h"
#include "postcodelist/postcodelist.h"
#include "postcodelist/postcodelistreport.h"
#include "report/preparedfile.h"
#include "report/preparedpages.h"
#include "report/reportprinter.h"
#include "report/shapeview.h"
#include "report/units.h"
#include "settings/datafilesetting.h"
#include "table/memtable.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

namespace {

using namespace marlune::report;

constexpr std::int64_t kMaxTemplateFileSize = std::int64_t{64} << 20;

constexpr const char* kUsage =
    "usage: marlune-report [--data FILE] --pdf OUT\n"
    "       marlune-report [--data FILE] --png OUT-PREFIX [--scale S] [--pages LIST]\n"
    "       marlune-report --template FILE (--png OUT-PREFIX [--scale S] | --pdf OUT)\n"
    "       marlune-report --prepared FILE (--png OUT-PREFIX [--scale S] | --pdf OUT)\n"
    "       marlune-report --write-sample FILE\n"
    "\n"
    "Builds the postcode list over a data file and writes its pages, as the\n"
    "program prints them; or draws the pages of a report template as designed,\n"
    "or those of a report file saved from the preview.\n"
    "\n"
    "  --data FILE          the data file of the list (default: the one the\n"
    "                       program loads, the DataFileName setting or 20051206.dat\n"
    "                       in the current directory)\n"
    "  --pdf OUT            writes the pages to a PDF file, each on its own paper\n"
    "  --png OUT-PREFIX     writes OUT-PREFIX-1.png, OUT-PREFIX-2.png ... one\n"
    "                       pixel per report unit at scale 1\n"
    "  --scale S            the scale of the PNG pages (default 1)\n"
    "  --pages LIST         the pages to draw as PNG, e.g. 1,3,5-12 (default all)\n"
    "  --template FILE      draws a template stream, or the container that holds\n"
    "                       one (the marker 23 and the stream's size in front);\n"
    "                       at most 64 MB\n"
    "  --prepared FILE      draws the pages of a report file (.prp), at most 512 MB\n"
    "  --write-sample FILE  writes a template that shows every kind of view\n"
    "\n"
    "Exit status: 0 on success, 1 when the template or report file could not be\n"
    "read, 2 when the arguments are wrong, the data file could not be loaded or\n"
    "the output could not be written.\n";

struct Options {
    std::string dataFile;
    std::string templateFile;
    std::string preparedFile;
    std::string pngPrefix;
    std::string pdfFile;
    std::string sampleFile;
    std::string pages;
    double scale = 1.0;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--data" && hasValue) {
            o.dataFile = argv[++i];
        } else if (arg == "--template" && hasValue) {
            o.templateFile = argv[++i];
        } else if (arg == "--prepared" && hasValue) {
            o.preparedFile = argv[++i];
        } else if (arg == "--png" && hasValue) {
            o.pngPrefix = argv[++i];
        } else if (arg == "--pdf" && hasValue) {
            o.pdfFile = argv[++i];
        } else if (arg == "--pages" && hasValue) {
            o.pages = argv[++i];
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
        return o.templateFile.empty() && o.preparedFile.empty() && o.dataFile.empty() &&
               o.pngPrefix.empty() && o.pdfFile.empty();
    }
    const int sources =
        int(!o.templateFile.empty()) + int(!o.preparedFile.empty()) + int(!o.dataFile.empty());
    if (sources > 1) {
        return false;
    }
    if (!o.pages.empty() && o.pngPrefix.empty()) {
        return false;
    }
    return o.pngPrefix.empty() != o.pdfFile.empty();
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

bool WritePngs(const PreparedPages& pages, const Options& o)
{
    std::vector<int> numbers;
    try {
        numbers = ParsePageList(o.pages, pages.Count());
    } catch (const marlune::Error& e) {
        std::cerr << "marlune-report: --pages: " << marlune::platform::ToUtf8(e.Message()) << '\n';
        return false;
    }
    for (const int number : numbers) {
        const PreparedPage& page = pages[number - 1];
        const int width = Round(page.geometry.paperWidth * o.scale);
        const int height = Round(page.geometry.paperHeight * o.scale);
        QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        QPainter painter(&image);
        DrawPreparedPage(painter, pages, number - 1, o.scale, o.scale, 0, 0, false);
        painter.end();
        const std::string name = o.pngPrefix + "-" + std::to_string(number) + ".png";
        if (!image.save(QString::fromStdString(name), "PNG")) {
            std::cerr << "marlune-report: cannot write " << name << '\n';
            return false;
        }
    }
    return true;
}

bool WritePdf(const PreparedPages& pages, const Options& o)
{
    try {
        WritePreparedPagesPdf(pages, o.pdfFile);
    } catch (const marlune::Error& e) {
        std::cerr << "marlune-report: " << o.pdfFile << ": "
                  << marlune::platform::ToUtf8(e.Message()) << '\n';
        return false;
    }
    return true;
}

bool WritePages(const PreparedPages& pages, const Options& o)
{
    return o.pdfFile.empty() ? WritePngs(pages, o) : WritePdf(pages, o);
}

// Builds the postcode list over the data file; exit status.
int BuildList(const Options& o)
{
    std::string dataFile = o.dataFile;
    if (dataFile.empty()) {
        try {
            dataFile = marlune::settings::ConfiguredDataFileName();
        } catch (const std::exception& e) {
            std::cerr << "marlune-report: setting " << marlune::settings::kDataFileNameSetting
                      << ": " << marlune::platform::ToUtf8(e.what()) << '\n';
            return 2;
        }
    }
    marlune::table::MemTable table;
    try {
        table.Open();
        table.LoadTableFile(dataFile);
    } catch (const std::exception& e) {
        std::cerr << "marlune-report: " << dataFile << ": " << marlune::platform::ToUtf8(e.what())
                  << '\n';
        return 2;
    }
    std::string error;
    marlune::postcodelist::PostcodeListReport list(
        table, DefaultPrinter(),
        [&error](const std::string& text, const std::string& /*caption*/) { error = text; });
    Report& report = list.report();
    PreparedPages pages;
    std::unique_ptr<PdfFile> pdf;
    std::string pdfError;
    if (!o.pdfFile.empty()) {
        try {
            pdf = std::make_unique<PdfFile>(o.pdfFile);
        } catch (const marlune::Error& e) {
            pdfError = e.Message();
        }
    }
    // The final pass's pages go to the PDF as each is finished, so that
    // memory holds only the page being built. The first pass of a double
    // pass only counts the pages; it is over when the count starts again.
    bool finalPass = !report.DoublePass;
    int lastCount = 0;
    int written = 0;
    const auto writeFinished = [&](int upTo) {
        try {
            for (; pdf && pdfError.empty() && written < upTo; ++written) {
                pdf->AddPage(pages, written);
                pages.Drop(written);
            }
        } catch (const marlune::Error& e) {
            pdfError = e.Message();
        }
        if (!pdfError.empty()) {
            report.Terminate();
        }
    };
    // A progress line while it works, when someone watches.
    const bool watched = isatty(STDERR_FILENO) != 0;
    report.OnProgress = [&](int page) {
        if (watched) {
            std::cerr << "\rmarlune-report: building page " << page << std::flush;
        }
        const int count = pages.Count();
        finalPass = finalPass || count < lastCount;
        lastCount = count;
        if (finalPass) {
            // The page being built may still get its footer.
            writeFinished(count - 1);
        }
    };
    if (pdfError.empty()) {
        report.BuildInto(pages);
    }
    if (watched) {
        std::cerr << '\n';
    }
    if (pdfError.empty() && (!error.empty() || report.ErrorFlag)) {
        std::cerr << "marlune-report: "
                  << marlune::platform::ToUtf8(error.empty() ? report.ErrorText : error) << '\n';
        return 2;
    }
    if (!pdf) {
        if (!pdfError.empty()) {
            std::cerr << "marlune-report: " << o.pdfFile << ": "
                      << marlune::platform::ToUtf8(pdfError) << '\n';
            return 2;
        }
        return WritePages(pages, o) ? 0 : 2;
    }
    if (written == 0 && pages.Empty()) {
        pdfError = "There are no pages to write to " + o.pdfFile;
    }
    writeFinished(pages.Count());
    try {
        if (pdfError.empty()) {
            pdf->Commit();
        }
    } catch (const marlune::Error& e) {
        pdfError = e.Message();
    }
    if (!pdfError.empty()) {
        std::cerr << "marlune-report: " << o.pdfFile << ": " << marlune::platform::ToUtf8(pdfError)
                  << '\n';
        return 2;
    }
    return 0;
}

// Draws the pages of a report file; exit status.
int DrawPreparedFile(const Options& o)
{
    ShapeObject shapeObject1;
    ReportPrinter printer;
    PreparedPages pages;
    try {
        pages = LoadPreparedFile(o.preparedFile, printer, true);
    } catch (const marlune::Error& e) {
        std::cerr << "marlune-report: " << marlune::platform::ToUtf8(e.Message()) << '\n';
        return 1;
    }
    return WritePages(pages, o) ? 0 : 1;
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
    if (!options.preparedFile.empty()) {
        return DrawPreparedFile(options);
    }
    if (options.templateFile.empty() && options.sampleFile.empty()) {
        return BuildList(options);
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
        // Templates are kilobytes: a file far past that is not one, and is
        // refused before it is read into memory.
        if (file.Size() > kMaxTemplateFileSize) {
            std::cerr << "marlune-report: " << options.templateFile
                      << ": not a report template (a template holds at most "
                      << (kMaxTemplateFileSize >> 20) << " MB)\n";
            return 1;
        }
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
    PreparedPages pages = TemplatePages(report);
    return WritePages(pages, options) ? 0 : 1;
}
