// marlune-report run as a user runs it: a sample template written, read back
// by the library, drawn to PNG at two scales and to PDF, the PDF read back
// with poppler's tools.
#include "reportsample.h"

#include "platform/stream.h"
#include "report/report.h"
#include "report/exportfilter.h"
#include "postcodelist/postcodelistreport.h"
#include "report/shapeview.h"
#include "platform/cp1252.h"
#include "table/memtable.h"

#include <QGuiApplication>
#include <QImage>

#include "toolrun.h"

#include "../support/scratchdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
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

std::string Quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// The whole list as marlune-report writes it over the shipped data file,
// built once and shared by every test that reads it: building it takes
// seconds. It is made again when the tool or the data file is newer, under a
// lock, so that concurrent tests (and suites) wait for one build instead of
// each starting its own; an empty path when it could not be built.
fs::path ListPdf()
{
    const fs::path cache = fs::path(MARLUNE_BINARY_DIR) / "tests" / "tools";
    const fs::path pdf = cache / "shipped-list.pdf";
    const fs::path tool = MARLUNE_BIN_DIR "/marlune-report";
    const fs::path data = MARLUNE_BIN_DIR "/20051206.dat";
    fs::create_directories(cache);
    const int lock =
        ::open((cache / "shipped-list.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        return {};
    }
    std::error_code error;
    const auto built = fs::last_write_time(pdf, error);
    if (error || built < fs::last_write_time(tool) || built < fs::last_write_time(data)) {
        const std::string part = "shipped-list-" + std::to_string(::getpid()) + ".pdf";
        if (Tool("--data " + Quoted(data) + " --pdf " + part, cache).code == 0) {
            fs::rename(cache / part, pdf, error);
        }
        fs::remove(cache / part, error);
    }
    ::close(lock);
    return fs::exists(pdf) ? pdf : fs::path();
}

class ReportTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = scratch_.Path();
        ASSERT_EQ(Tool("--write-sample sample.tpl", dir_).code, 0);
    }

    // A data file of the shipped list's first 120 records, in the test's
    // folder: three pages of the list (51, 54 and 15 rows), quick to build.
    fs::path ShortList()
    {
        std::ifstream csv(MARLUNE_SOURCE_DIR "/data/aus_postcodes.csv");
        std::ofstream head(dir_ / "head.csv");
        std::string line;
        for (int i = 0; i <= 120 && std::getline(csv, line); ++i) {
            head << line << '\n';
        }
        head.close();
        EXPECT_EQ(Shell(MARLUNE_BIN_DIR "/marlune-mkdatafile head.csv head.dat", dir_).code, 0);
        return dir_ / "head.dat";
    }

    marlune::test::ScratchDir scratch_{"marlune-report-tool"};
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

// The postcode list built over the shipped data file, read back from the
// PDF page by page against the table walked on its own.
TEST_F(ReportTool, TheListPdfHoldsEveryRecordInOrderOnItsPage)
{
    if (Shell("command -v pdftotext && command -v pdfinfo", dir_).code != 0) {
        GTEST_SKIP() << "poppler-utils are not installed";
    }
    const std::string data = MARLUNE_BIN_DIR "/20051206.dat";
    const fs::path list = ListPdf();
    ASSERT_FALSE(list.empty()) << "marlune-report could not build the list";
    const std::string info = Shell("pdfinfo " + Quoted(list), dir_).out;
    EXPECT_NE(info.find("344\n"), std::string::npos) << info;
    EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
    // Every font is embedded, each as a subset of the glyphs the list uses
    // (pdffonts says a subset from the font's name tag).
    std::istringstream fonts(Shell("pdffonts " + Quoted(list), dir_).out);
    int fontCount = 0;
    for (std::string line; std::getline(fonts, line);) {
        if (line.find("TrueType") != std::string::npos) {
            ++fontCount;
            EXPECT_NE(line.find(" yes yes "), std::string::npos) << line;
        }
    }
    EXPECT_GT(fontCount, 0);
    const std::string text = Shell("pdftotext -layout " + Quoted(list) + " -", dir_).out;
    std::vector<std::string> pages;
    std::istringstream split(text);
    for (std::string page; std::getline(split, page, '\f');) {
        pages.push_back(page);
    }
    ASSERT_GE(pages.size(), 344U);
    EXPECT_NE(pages[0].find("Printed: "), std::string::npos);
    marlune::table::MemTable table;
    table.Open();
    table.LoadTableFile(data);
    const auto& pcode = table.FieldByName("Pcode");
    const auto& locality = table.FieldByName("Locality");
    std::size_t page = 0;
    std::size_t at = 0;
    int onPage = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        // 51 rows on the first page, 54 on every other.
        if (onPage == (page == 0 ? 51 : 54)) {
            EXPECT_NE(pages[page].find(std::to_string(page + 1) + " of 344"), std::string::npos);
            ++page;
            at = 0;
            onPage = 0;
        }
        ++onPage;
        // The suburb's first word: a long name shows its first line only.
        const std::string suburb = marlune::platform::ToUtf8(locality.AsString());
        const std::string row = pcode.AsString() + " ";
        const std::size_t found = pages[page].find(row, at);
        ASSERT_NE(found, std::string::npos) << "record " << table.RecNo() << " page " << page + 1;
        const std::size_t word = pages[page].find(suburb.substr(0, suburb.find(' ')), found);
        ASSERT_NE(word, std::string::npos) << suburb;
        at = word;
    }
    EXPECT_EQ(page, 343U);
}

// The preview's "PDF file" entry writes what marlune-report writes, over the
// short list.
TEST_F(ReportTool, SavingTheListAsPdfGivesTheToolsText)
{
    if (Shell("command -v pdftotext", dir_).code != 0) {
        GTEST_SKIP() << "poppler-utils are not installed";
    }
    const std::string data = ShortList().string();
    ASSERT_EQ(Tool("--data " + data + " --pdf tool.pdf", dir_).code, 0);
    // Text is measured and drawn through the application's fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "tools_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    marlune::table::MemTable table;
    table.Open();
    table.LoadTableFile(data);
    marlune::postcodelist::PostcodeListReport list(table);
    Report& report = list.report();
    const std::optional<PreparedPages> pages = report.Build();
    ASSERT_TRUE(pages);
    const auto filters = SaveFilterTexts();
    ASSERT_EQ(filters.at(1), "PDF file (*.pdf)");
    SaveThroughFilter(1, *pages, report.Printer(), (dir_ / "saved").string());
    const std::string saved = Shell("pdftotext -layout saved.pdf -", dir_).out;
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\f'), 3);
    EXPECT_EQ(saved, Shell("pdftotext -layout tool.pdf -", dir_).out);
}

TEST_F(ReportTool, ChosenListPagesBecomePngsAndFailuresLeaveNothing)
{
    const std::string data = ShortList().string();
    ASSERT_EQ(Tool("--data " + data + " --png page --pages 2,3 --scale 0.5", dir_).code, 0);
    EXPECT_FALSE(fs::exists(dir_ / "page-1.png"));
    const QImage last(QString::fromStdString((dir_ / "page-3.png").string()));
    EXPECT_EQ(last.width(), 376);
    EXPECT_TRUE(fs::exists(dir_ / "page-2.png"));

    const ToolRun missing = Tool("--data nothing.dat --pdf x.pdf", dir_);
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("nothing.dat"), std::string::npos) << missing.err;
    // A directory in the way, and a directory that does not exist: refused,
    // and no part of a file is left beside them.
    fs::create_directories(dir_ / "taken.pdf");
    const auto before = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
    EXPECT_EQ(Tool("--data " + data + " --pdf taken.pdf", dir_).code, 2);
    EXPECT_EQ(Tool("--data " + data + " --pdf nowhere/list.pdf", dir_).code, 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), before);
    EXPECT_TRUE(fs::is_empty(dir_ / "taken.pdf"));
    EXPECT_EQ(Tool("--data " + data + " --png p --pages 1-x", dir_).code, 2);
}

} // namespace
