// marlune-report on report files and templates that ask for the absurd: a
// dashed frame two billion units wide, a font of two billion points. Each
// must be drawn within a bounded address space and end well before a
// generous time-out; the output is then read back.
#include "platform/stream.h"
#include "report/memoview.h"
#include "report/preparedfile.h"
#include "report/preparedpages.h"
#include "report/report.h"
#include "report/reportpage.h"
#include "report/reportprinter.h"
#include "report/shapeview.h"
#include "report/streamio.h"

#include "toolrun.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>

namespace {

using namespace marlune::report;
using marlune::test::Slurp;

constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();

// A memo as the files hold it: framed all round, dashed, with either
// the widest frame or the largest font a file can store.
std::unique_ptr<MemoView> Runaway(bool frame)
{
    auto memo = std::make_unique<MemoView>();
    memo->Left = 40;
    memo->Top = 40;
    memo->Width = 300;
    memo->Height = 60;
    memo->FrameTyp = frAll;
    memo->FrameStyle = fsDash;
    memo->Memo = {"Runaway"};
    if (frame) {
        memo->FrameWidth = FrameWidthFromStored(kHuge);
    } else {
        memo->Font.Size = kHuge;
    }
    return memo;
}

// The pixels of `area` that are not white.
int Inked(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
        }
    }
    return count;
}

// The last line a run printed (Qt may say something of its own first).
std::string LastLine(const QString& path)
{
    std::string text = Slurp(path.toStdString());
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text.substr(text.rfind('\n') + 1);
}

void Write(const QString& path, const std::string& bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// Runs the tool in `dir` under a limit of address space (not with an
// address sanitizer, which reserves terabytes) and a time-out; the exit
// status, 124 when timed out.
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
        // A report file and a template, each of one page holding the memo.
        PreparedPages pages;
        pages.Add(ReportPage(printer, 9, 2100, 2970, 0));
        pages.Output(0, *Runaway(frame));
        StreamWriter prepared;
        WritePreparedFile(pages, "", prepared);
        Write(dir.filePath(QString::fromStdString(kind + ".prp")), prepared.Bytes());
        Report report(printer);
        report.AddPage(9, 2100, 2970, 0).Objects.push_back(Runaway(frame));
        Write(dir.filePath(QString::fromStdString(kind + ".tpl")), report.WriteTemplate());

        for (const std::string& source :
             {"--prepared " + kind + ".prp", "--template " + kind + ".tpl"}) {
            EXPECT_EQ(RunBounded(source + " --pdf out.pdf", dir), 0) << source;
            EXPECT_EQ(RunBounded(source + " --png out --scale 0.5", dir), 0) << source;
            // The frame's dashes cover most of the page; the memo of the
            // huge font keeps its own frame.
            const QImage image(dir.filePath(QStringLiteral("out-1.png")));
            const QRect area = frame ? image.rect() : QRect(15, 15, 160, 40);
            EXPECT_GT(Inked(image, area), area.width() * area.height() / (frame ? 2 : 100))
                << source;
        }
    }
}

TEST(ReportToolRunaway, FilesFarPastAnyReportAreRefusedUnread)
{
    QTemporaryDir dir;
    // Sparse files of 3 GB: read whole they would exceed the address space.
    for (const char* name : {"huge.tpl", "huge.prp"}) {
        const std::string path = dir.filePath(QLatin1String(name)).toStdString();
        std::ofstream(path, std::ios::binary).put('\x17');
        std::filesystem::resize_file(path, std::uintmax_t{3} << 30);
    }
    EXPECT_EQ(RunBounded("--template huge.tpl --pdf out.pdf", dir), 1);
    EXPECT_EQ(LastLine(dir.filePath("err.txt")),
              "marlune-report: huge.tpl: not a report template (a template holds at most 64 MB)");
    EXPECT_EQ(RunBounded("--prepared huge.prp --pdf out.pdf", dir), 1);
    EXPECT_EQ(LastLine(dir.filePath("err.txt")),
              "marlune-report: Not a report file: huge.prp (a report file holds at most 512 MB)");
}

} // namespace
