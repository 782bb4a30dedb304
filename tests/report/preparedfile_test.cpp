// Report files and PDF export: pages saved, loaded back, drawn to PDF and
// read back with poppler's tools; damaged files and failed saves.
#include "../support/commandoutput.h"
#include "../support/scratchdir.h"
#include "canvas.h"
#include "fakeprinter.h"

#include "platform/error.h"
#include "platform/stream.h"
#include "report/exportfilter.h"
#include "report/lineview.h"
#include "report/memoview.h"
#include "report/pdfexport.h"
#include "report/pictureview.h"
#include "report/preparedfile.h"
#include "report/reportpage.h"
#include "report/reportprinter.h"
#include "report/streamio.h"

#include <QImage>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace marlune::report {
namespace {

using marlune::test::CommandOutput;
using test::FakePrinter;

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A page's size in points as pdfinfo gives it.
QSizeF PagePoints(const std::string& info, int page)
{
    const std::string label =
        "Page " + std::string(page < 10 ? "   " : "  ") + std::to_string(page) + " size:";
    const std::size_t at = info.find(label);
    double width = 0;
    double height = 0;
    if (at != std::string::npos) {
        std::sscanf(info.c_str() + at + label.size(), "%lf x %lf", &width, &height);
    }
    return {width, height};
}

// Each test writes into a fresh folder of its own.
using TempDir = marlune::test::ScratchDir;

void Place(ReportView& view, int left, int top, int width, int height)
{
    view.Left = left;
    view.Top = top;
    view.Width = width;
    view.Height = height;
}

// Three pages as a build leaves them: A4 portrait, A4 landscape, A5, each
// with a heading and a line, the first also with a picture after its text.
PreparedPages ThreePages(ReportPrinter& printer)
{
    PreparedPages pages;
    const struct {
        int code, width, height, orientation;
    } papers[] = {{9, 2100, 2970, 0}, {9, 2970, 2100, 1}, {11, 1480, 2100, 0}};
    for (int i = 0; i < 3; ++i) {
        const ReportPage paper(printer, papers[i].code, papers[i].width, papers[i].height,
                               papers[i].orientation);
        pages.Add(paper);
        MemoView heading;
        Place(heading, 40, 40, 400, 50);
        heading.Font.Size = 14;
        heading.Memo = {"Postcodes page " + std::to_string(i + 1), "Marlune " + std::to_string(i)};
        pages.Output(i, heading);
        LineView line;
        Place(line, 40, 100, 400, 0);
        line.FrameTyp = 0xF;
        pages.Output(i, line);
    }
    PictureView picture;
    Place(picture, 40, 120, 60, 60);
    picture.SetPicture(pkBitmap, test::BitmapFile(8, 8, Qt::blue));
    pages.Output(0, picture);
    return pages;
}

void ExpectSamePages(const PreparedPages& expected, const PreparedPages& actual)
{
    ASSERT_EQ(actual.Count(), expected.Count());
    for (int i = 0; i < expected.Count(); ++i) {
        EXPECT_EQ(actual.Stream(i), expected.Stream(i)) << i;
        EXPECT_EQ(actual[i].paperCode, expected[i].paperCode) << i;
        EXPECT_EQ(actual[i].paperWidth, expected[i].paperWidth) << i;
        EXPECT_EQ(actual[i].paperHeight, expected[i].paperHeight) << i;
        EXPECT_EQ(actual[i].orientation, expected[i].orientation) << i;
        EXPECT_EQ(actual[i].useMargins, expected[i].useMargins) << i;
        // Not stored: computed again for the same printer.
        EXPECT_EQ(actual[i].geometry, expected[i].geometry) << i;
    }
}

std::string Bytes(const PreparedPages& pages, const std::string& printerName)
{
    StreamWriter writer;
    WritePreparedFile(pages, printerName, writer);
    return writer.Bytes();
}

PreparedPages ReadBytes(const std::string& bytes, ReportPrinter& printer, bool toDefault = false)
{
    auto stream = platform::MemoryStream::View(bytes);
    return ReadPreparedFile(stream, printer, toDefault);
}

TEST(PreparedFile, SavedReportLoadsBackAndGivesTheSamePdf)
{
    TempDir dir;
    FakePrinter device(600, 600, 50, 60);
    ReportPrinter printer;
    printer.AttachPrinter(&device);
    PreparedPages pages = ThreePages(printer);

    EXPECT_EQ(SaveFilterTexts(),
              (std::vector<std::string>{"Report file (*.prp)", "PDF file (*.pdf)"}));
    const std::string saved = SaveThroughFilter(0, pages, printer, (dir / "list.txt").string());
    ASSERT_EQ(saved, (dir / "list.prp").string());
    const std::string bytes = Slurp(saved);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes[0], '\0');

    PreparedPages loaded = LoadPreparedFile(saved, printer, false);
    ExpectSamePages(pages, loaded);
    ASSERT_EQ(loaded.Views(0).size(), 3U);
    EXPECT_FALSE(dynamic_cast<PictureView&>(*loaded.Views(0)[2]).Image().isNull());

    const std::string original = SaveThroughFilter(1, pages, printer, (dir / "original").string());
    WritePreparedPagesPdf(loaded, (dir / "loaded.pdf").string());
    ASSERT_EQ(original, (dir / "original.pdf").string());
    const std::string text = CommandOutput("pdftotext -layout '" + original + "' -");
    EXPECT_NE(text.find("Postcodes page 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Marlune 2"), std::string::npos) << text;
    EXPECT_EQ(CommandOutput("pdftotext -layout '" + (dir / "loaded.pdf").string() + "' -"), text);

    // Each page on its own paper, to the point.
    const std::string info = CommandOutput("pdfinfo -f 1 -l 3 '" + original + "'");
    EXPECT_NE(info.find("Pages:           3\n"), std::string::npos) << info;
    for (int i = 0; i < 3; ++i) {
        const QSizeF size = PagePoints(info, i + 1);
        EXPECT_NEAR(size.width(), pages[i].paperWidth / 254.0 * 72, 1.0) << info;
        EXPECT_NEAR(size.height(), pages[i].paperHeight / 254.0 * 72, 1.0) << info;
    }
    EXPECT_NE(info.find("Page    1 size:  595 x 842 pts (A4)"), std::string::npos) << info;

    // The first page drawn at 50 dots per inch: A4 in pixels, the heading's
    // ink where the heading is (40 report units, about 22 pixels, in).
    CommandOutput("pdftoppm -r 50 -f 1 -l 1 -png '" + original + "' '" + (dir / "page").string() +
                  "'");
    const QImage image(QString::fromStdString((dir / "page-1.png").string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_NEAR(image.width(), 2100 / 254.0 * 50, 1.0);
    EXPECT_NEAR(image.height(), 2970 / 254.0 * 50, 1.0);
    EXPECT_GT(test::CountInked(image.copy(18, 18, 150, 30)), 50);
}

// Pages made while the second of two printers was current, which has then
// given way to the first.
class PreparedFileOfPrinter : public ::testing::Test {
protected:
    PreparedFileOfPrinter()
    {
        printer.AttachPrinter(&device);
        printer.SelectPrinter(1);
        pages = ThreePages(printer);
        bytes = Bytes(pages, printer.CurrentPrinterName());
        printer.SelectPrinter(0);
    }

    FakePrinter device{300, 300, 20, 20};
    ReportPrinter printer;
    PreparedPages pages;
    std::string bytes;
};

TEST_F(PreparedFileOfPrinter, NamedPrinterIsSelectedUnlessPrintingToDefault)
{
    ReadBytes(bytes, printer, true);
    EXPECT_EQ(printer.CurrentPrinterName(), "Laser");
    ExpectSamePages(pages, ReadBytes(bytes, printer));
    EXPECT_EQ(printer.CurrentPrinterName(), "Inkjet");
}

TEST_F(PreparedFileOfPrinter, DamagedFileIsRefusedAndChangesNothing)
{
    PreparedPages shown = ThreePages(printer);
    const auto refused = [&](const std::string& input, const std::string& why) {
        try {
            shown = ReadBytes(input, printer);
            ADD_FAILURE() << "read: " << why;
        } catch (const Error& e) {
            EXPECT_EQ(e.Message().rfind("Not a report file: ", 0), 0U) << e.Message();
        }
        EXPECT_EQ(shown.Count(), 3) << why;
        EXPECT_EQ(printer.CurrentPrinterName(), "Laser") << why;
    };
    // Every file cut short.
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        refused(bytes.substr(0, size), "cut at " + std::to_string(size));
    }
    // After the flag, the name "Inkjet" and the count: the first page's end.
    constexpr std::size_t kFirstEnd = 1 + 2 + 6 + 1 + 4;
    const auto endOfFirst = static_cast<std::size_t>(Bytes(PreparedPages(), "Inkjet").size() + 16 +
                                                     pages[0].stream.size());
    // A view kind no view has, in the first record of the second page.
    std::string garbled = bytes;
    ASSERT_EQ(garbled[endOfFirst + 16], '\x17');
    garbled[endOfFirst + 17] = 57;
    refused(garbled, "bad view kind");
    // A page count beyond what the file holds, a page ending past the end.
    std::string counted = bytes;
    counted[kFirstEnd - 1] = 0x7F;
    refused(counted, "page count");
    std::string ends = bytes;
    ends[kFirstEnd + 3] = 0x01;
    refused(ends, "end position");
    refused("Postcodes\n2000 Sydney\n", "a text file");
    ExpectSamePages(ThreePages(printer), shown);
}

TEST(PreparedFile, CompressedPagesLoadEmpty)
{
    ReportPrinter printer;
    const PreparedPages pages = ThreePages(printer);
    std::string bytes = Bytes(pages, "");
    bytes[0] = 1;
    PreparedPages loaded = ReadBytes(bytes, printer);
    ASSERT_EQ(loaded.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded[i].paperWidth, pages[i].paperWidth);
        EXPECT_EQ(loaded[i].geometry, pages[i].geometry);
        EXPECT_TRUE(loaded.Views(i).empty());
    }
}

TEST(PreparedFile, OlderLayoutGivesPagesOfTheirPaperHoldingTheMetafile)
{
    ReportPrinter printer;
    const std::string metafile("\x01\0\0\0 EMF", 8);
    StreamWriter writer;
    writer.WriteBytes(std::string("Laser\rsecond line", 17));
    writer.WriteByte(0);
    writer.WriteInt(2);
    for (const int orientation : {0, 1}) {
        const std::int64_t endAt = writer.Position();
        writer.WriteInt(0);
        writer.WriteWord(9);
        writer.WriteInt(orientation == 0 ? 2100 : 2970);
        writer.WriteInt(orientation == 0 ? 2970 : 2100);
        writer.WriteByte(static_cast<std::uint8_t>(orientation));
        writer.WriteByte(1);
        writer.WriteBytes(metafile);
        writer.PatchInt(endAt, static_cast<std::int32_t>(writer.Position()));
    }
    PreparedPages loaded = ReadBytes(writer.Bytes(), printer);
    ASSERT_EQ(loaded.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        const ReportPage paper(printer, 9, loaded[i].paperWidth, loaded[i].paperHeight, i);
        EXPECT_EQ(loaded[i].geometry, paper.Geometry);
        ASSERT_EQ(loaded.Views(i).size(), 1U);
        const auto& picture = dynamic_cast<const PictureView&>(*loaded.Views(i)[0]);
        EXPECT_EQ(picture.GraphicKind(), pkMetafile);
        EXPECT_EQ(picture.Data(), metafile);
        EXPECT_EQ(picture.Width, paper.Geometry.paperWidth);
        EXPECT_EQ(picture.Height, paper.Geometry.paperHeight);
    }
    EXPECT_GT(loaded[1].paperWidth, loaded[1].paperHeight);
}

// Limits the size of the files this process writes while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
        std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
};

TEST(PreparedFile, FailedSaveLeavesTheExistingFile)
{
    TempDir dir;
    ReportPrinter printer;
    PreparedPages pages = ThreePages(printer);
    const std::string existing = "the user's old file\n";
    for (const char* name : {"list.prp", "list.pdf"}) {
        std::ofstream(dir / name, std::ios::binary) << existing;
    }
    fs::create_directory(dir / "folder.pdf");
    const auto save = [&](const std::string& name) {
        if (fs::path(name).extension() == ".prp") {
            SavePreparedFile(pages, printer, (dir / name).string());
        } else {
            WritePreparedPagesPdf(pages, (dir / name).string());
        }
    };
    try {
        save("folder.pdf");
        ADD_FAILURE() << "saved over a directory";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message().rfind("Cannot create file " + (dir / "folder.pdf").string(), 0), 0U)
            << e.Message();
    }
    EXPECT_TRUE(fs::is_directory(dir / "folder.pdf"));
    {
        // The disk fills up part way through the new file.
        const FileSizeLimit limit(64);
        for (const char* name : {"list.prp", "list.pdf"}) {
            EXPECT_THROW(save(name), Error) << name;
        }
    }
    for (const char* name : {"list.prp", "list.pdf"}) {
        EXPECT_EQ(Slurp(dir / name), existing) << name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 3);
    // Without the limit both saves succeed.
    save("list.prp");
    save("list.pdf");
    EXPECT_EQ(LoadPreparedFile((dir / "list.prp").string(), printer, false).Count(), 3);
    EXPECT_EQ(Slurp(dir / "list.pdf").rfind("%PDF", 0), 0U);
}

} // namespace
} // namespace marlune::report
