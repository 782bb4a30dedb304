// marlune-report run as a user runs it: a sample template written, read back
// by the library, drawn to PNG at two scales and to PDF, the PDF read back
// with poppler's tools.
#include "reportsample.h"

#include "platform/stream.h"
#include "report/report.h"
#include "report/shapeview.h"

#include <QImage>

#include "toolrun.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using namespace marlune::report;

using marlune::test::Slurp;
using marlune::test::ToolRun;

ToolRun Shell(const std::string& command, const fs::path& dir)
{
    const std::string cmd = "cd '" + dir.string() + "' && " + command + " >out.txt 2>err.txt";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir / "out.txt"),
            Slurp(dir / "err.txt")};
}

ToolRun Tool(const std::string& args, const fs::path& dir)
{
    return Shell("QT_QPA_PLATFORM=offscreen " MARLUNE_BIN_DIR "/marlune-report " + args, dir);
}

class ReportTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("marlune-report-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ASSERT_EQ(Tool("--write-sample sample.tpl", dir_).code, 0);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

QRect InkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

TEST_F(ReportTool, SampleReadsBackAsWritten)
{
    ShapeObject shapeObject1;
    ReportPrinter printer;
    Report expected(printer);
    marlune::tools::FillSampleReport(expected);
    Report read(printer);
    int messages = 0;
    read.OnMessage = [&messages](const std::string&, const std::string&) { ++messages; };
    marlune::platform::FileStream file((dir_ / "sample.tpl").string());
    read.ReadTemplate(file);
    EXPECT_EQ(messages, 0);
    ASSERT_EQ(read.Pages.size(), 1U);
    ASSERT_EQ(read.Pages[0]->Objects.size(), expected.Pages[0]->Objects.size());
    for (std::size_t i = 0; i < read.Pages[0]->Objects.size(); ++i) {
        EXPECT_TRUE(read.Pages[0]->Objects[i]->SameStoredData(*expected.Pages[0]->Objects[i],
                                                              ViewForm::Template))
            << read.Pages[0]->Objects[i]->Name;
    }
}

TEST_F(ReportTool, PngPagesScaleWithTheirContent)
{
    ASSERT_EQ(Tool("--template sample.tpl --png full", dir_).code, 0);
    ASSERT_EQ(Tool("--template sample.tpl --png half --scale 0.5", dir_).code, 0);
    const QImage full(QString::fromStdString((dir_ / "full-1.png").string()));
    const QImage half(QString::fromStdString((dir_ / "half-1.png").string()));
    // An A4 page: 752 x 1071 report units.
    EXPECT_EQ(full.size(), QSize(752, 1071));
    EXPECT_EQ(half.size(), QSize(376, 536));
    const QRect a = InkBounds(full);
    const QRect b = InkBounds(half);
    ASSERT_FALSE(a.isNull());
    EXPECT_NEAR(b.left() * 2, a.left(), 2);
    EXPECT_NEAR(b.top() * 2, a.top(), 2);
    EXPECT_NEAR(b.right() * 2, a.right(), 3);
    EXPECT_NEAR(b.bottom() * 2, a.bottom(), 3);
}

TEST_F(ReportTool, PdfHoldsTheTextsOnA4)
{
    if (Shell("command -v pdftotext && command -v pdfinfo", dir_).code != 0) {
        GTEST_SKIP() << "poppler-utils are not installed";
    }
    ASSERT_EQ(Tool("--template sample.tpl --pdf sample.pdf", dir_).code, 0);
    const ToolRun text = Shell("pdftotext -layout sample.pdf -", dir_);
    EXPECT_NE(text.out.find("Australian Post Codes"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Page [PAGE#] of [TOTALPAGES]"), std::string::npos);
    EXPECT_NE(text.out.find("[Pcode]"), std::string::npos);
    const ToolRun info = Shell("pdfinfo sample.pdf", dir_);
    EXPECT_NE(info.out.find("595 x 842 pts (A4)"), std::string::npos) << info.out;
}

TEST_F(ReportTool, BadInputIsRefused)
{
    EXPECT_EQ(Tool("--png out", dir_).code, 2);
    EXPECT_EQ(Tool("--template sample.tpl --png a --pdf b", dir_).code, 2);
    EXPECT_EQ(Tool("--template sample.tpl --png a --scale zero", dir_).code, 2);
    std::ofstream(dir_ / "bad.tpl", std::ios::binary) << std::string("\x17\0\0\0\0\0\x42", 7);
    const ToolRun bad = Tool("--template bad.tpl --png bad", dir_);
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("Unsupported report format"), std::string::npos) << bad.err;
    EXPECT_EQ(Tool("--template missing.tpl --png x", dir_).code, 1);
}

} // namespace
