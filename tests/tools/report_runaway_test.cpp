// marlune-report on files that ask for the absurd (a dashed frame two billion
// units wide, a font of two billion points, a file of 3 GB): each run ends
// within a few hundred MB of address space and well before a time-out.
#include "report/memoview.h"
#include "report/preparedfile.h"
#include "report/report.h"
#include "report/reportpage.h"
#include "report/shapeview.h"
#include "report/streamio.h"

#include "toolrun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <limits>

namespace {

using namespace marlune::report;

std::unique_ptr<MemoView> Runaway(bool frame)
{
    auto memo = std::make_unique<MemoView>();
    memo->Width = 300;
    memo->Height = 60;
    memo->FrameTyp = frAll;
    memo->FrameStyle = fsDash;
    memo->Memo = {"Runaway"};
    constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
    if (frame) {
        memo->FrameWidth = FrameWidthFromStored(kMost);
    } else {
        memo->Font.Size = kMost;
    }
    return memo;
}

// The exit status of the tool run in `dir` (124 when timed out); an address
// sanitizer reserves terabytes, so the limit is left out under one.
int RunBounded(const std::string& args, const QTemporaryDir& dir)
{
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit;
#else
    const std::string limit = "ulimit -v 400000 && ";
#endif
    const std::string command = "cd '" + dir.path().toStdString() + "' && " + limit +
                                "QT_QPA_PLATFORM=offscreen timeout 60 " MARLUNE_BIN_DIR
                                "/marlune-report " +
                                args + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ReportToolRunaway, HugeFramesAndFontsAreDrawnWithinBounds)
{
    QTemporaryDir dir;
    ShapeObject shapeObject1;
    ReportPrinter printer;
    for (const bool frame : {true, false}) {
        const std::string kind = frame ? "frame" : "font";
        PreparedPages pages;
        pages.Add(ReportPage(printer, 9, 2100, 2970, 0));
        pages.Output(0, *Runaway(frame));
        StreamWriter prepared;
        WritePreparedFile(pages, "", prepared);
        std::ofstream(dir.filePath(QString::fromStdString(kind + ".prp")).toStdString())
            << prepared.Bytes();
        Report report(printer);
        report.AddPage(9, 2100, 2970, 0).Objects.push_back(Runaway(frame));
        std::ofstream(dir.filePath(QString::fromStdString(kind + ".tpl")).toStdString())
            << report.WriteTemplate();
        for (const std::string& source :
             {"--prepared " + kind + ".prp", "--template " + kind + ".tpl"}) {
            EXPECT_EQ(RunBounded(source + " --pdf out.pdf", dir), 0) << source;
            // A preview's zoom: the font is fitted to a narrower line.
            EXPECT_EQ(RunBounded(source + " --png out --scale 0.5", dir), 0) << source;
        }
    }
}

TEST(ReportToolRunaway, FilesFarPastAnyReportAreRefusedUnread)
{
    QTemporaryDir dir;
    const struct {
        const char* args;
        const char* said;
    } cases[] = {
        {"--template huge --pdf out.pdf",
         "marlune-report: huge: not a report template (a template holds at most 64 MB)\n"},
        {"--prepared huge --pdf out.pdf",
         "marlune-report: Not a report file: huge (a report file holds at most 512 MB)\n"},
    };
    const std::string huge = dir.filePath(QStringLiteral("huge")).toStdString();
    std::ofstream(huge).put('\x17');
    std::filesystem::resize_file(huge, std::uintmax_t{3} << 30); // sparse
    for (const auto& c : cases) {
        EXPECT_EQ(RunBounded(c.args, dir), 1) << c.args;
        const std::string err = marlune::test::Slurp(dir.filePath("err.txt").toStdString());
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
    }
}

} // namespace
