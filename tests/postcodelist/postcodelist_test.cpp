// The postcode list's stored template: up to date with the code that fills
// it, laid out so that it fits its page and shows the table's fields, and
// printed with its texts.
#include "report/bandview.h"
#include "report/kinds.h"
#include "report/memoview.h"
#include "report/pictureview.h"
#include "postcodelist/postcodelist.h"
#include "report/shapeview.h"
#include "platform/cp1252.h"
#include "table/memtable.h"
#include "table/postcodeschema.h"

#include "../support/commandoutput.h"
#include "../support/scratchdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>

namespace marlune::report {
namespace {

// Report1 on its own built-in printer, loaded from the stored form data.
struct LoadedReport {
    ShapeObject shapeObject1;
    ReportPrinter printer;
    Report report{printer};
    std::vector<std::string> messages;
    LoadedReport()
    {
        report.OnMessage = [this](const std::string& text, const std::string&) {
            messages.push_back(text);
        };
        marlune::postcodelist::LoadPostcodeListTemplate(report);
    }
};

TEST(PostcodeListTest, StoredFormIsWhatTheCodeFills)
{
    const std::string stored = marlune::postcodelist::StoredPostcodeListReportForm();
    ASSERT_FALSE(stored.empty()) << "the resource report1.frm is missing";
    EXPECT_TRUE(stored == marlune::postcodelist::PostcodeListReportForm())
        << "src/postcodelist/report1.frm is out of date with "
           "marlune::postcodelist::FillPostcodeListTemplate; "
           "regenerate it with\n  cmake --build " MARLUNE_BINARY_DIR
           " --target marlune-mkreportform\n  " MARLUNE_BINARY_DIR
           "/bin/marlune-mkreportform " MARLUNE_SOURCE_DIR
           "/src/postcodelist/report1.frm\nand commit it";
}

TEST(PostcodeListTest, ReadsBackToTheSameBytes)
{
    LoadedReport loaded;
    EXPECT_TRUE(loaded.messages.empty());
    // Read to its exact end and written again unchanged: nothing was lost
    // or left over.
    EXPECT_TRUE(loaded.report.WriteReportForm() ==
                marlune::postcodelist::StoredPostcodeListReportForm());
}

// The bands stack down the paper without overlap, each view lies wholly in
// one band and on the paper, and every data memo shows a field of the
// postcode table under a caption of the same left and width.
TEST(PostcodeListTest, LayoutFitsThePaperAndShowsTheTablesFields)
{
    LoadedReport loaded;
    const ReportPage& page = *loaded.report.Pages.at(0);
    std::vector<const BandView*> bands;
    std::vector<const ReportView*> views;
    for (const auto& object : page.Objects) {
        if (const auto* band = dynamic_cast<const BandView*>(object.get())) {
            bands.push_back(band);
        } else {
            views.push_back(object.get());
        }
    }
    std::sort(bands.begin(), bands.end(), [](auto* a, auto* b) { return a->Top < b->Top; });
    ASSERT_FALSE(bands.empty());
    for (std::size_t i = 1; i < bands.size(); ++i) {
        EXPECT_LE(bands[i - 1]->Top + bands[i - 1]->Height, bands[i]->Top) << bands[i]->Name;
    }
    EXPECT_LE(bands.back()->Top + bands.back()->Height, page.Geometry.paperHeight);

    std::map<int, std::vector<const ReportView*>> byKind; // views by their band's kind
    for (const ReportView* view : views) {
        SCOPED_TRACE(view->Name);
        const auto holds = [view](const BandView* b) {
            return view->Top >= b->Top && view->Top + view->Height <= b->Top + b->Height;
        };
        ASSERT_EQ(std::count_if(bands.begin(), bands.end(), holds), 1);
        byKind[(*std::find_if(bands.begin(), bands.end(), holds))->BandKind()].push_back(view);
        EXPECT_GE(view->Left, 0);
        EXPECT_LE(view->Left + view->Width, page.Geometry.paperWidth);
    }

    const auto& data = byKind[bkMasterData];
    ASSERT_FALSE(data.empty());
    for (const ReportView* memo : data) {
        SCOPED_TRACE(memo->Name);
        const std::string text = memo->Memo.size() == 1 ? memo->Memo[0] : std::string();
        ASSERT_TRUE(text.size() > 2 && text.front() == '[' && text.back() == ']') << text;
        const QString name = QString::fromStdString(text.substr(1, text.size() - 2));
        const auto field = std::find_if(
            table::kPostcodeFields.begin(), table::kPostcodeFields.end(), [&](const auto& f) {
                return name.compare(QLatin1String(f.name.data(), f.name.size()),
                                    Qt::CaseInsensitive) == 0;
            });
        ASSERT_NE(field, table::kPostcodeFields.end()) << text;
        const auto& header = byKind[bkPageHeader];
        const auto caption = std::find_if(header.begin(), header.end(), [&](auto* c) {
            return c->Left == memo->Left && c->Width == memo->Width && c->Memo.size() == 1;
        });
        ASSERT_NE(caption, header.end());
        if (!field->columnTitle.empty()) {
            EXPECT_EQ((*caption)->Memo[0], field->columnTitle); // as the grid titles it
        }
    }
}

std::string PrintedText(const std::string& pdf, int page)
{
    const std::string n = std::to_string(page);
    return marlune::test::CommandOutput("pdftotext -layout -f " + n + " -l " + n + " '" + pdf +
                                        "' -");
}

// The list as the program prints it over the shipped data file, read back
// from its PDF: the fixed texts, the page numbers, the first record.
TEST(PostcodeListTest, PrintedListReadsBack)
{
    if (!marlune::test::HaveCommands("pdftotext pdfinfo")) {
        GTEST_SKIP() << "poppler-utils are not installed";
    }
    const marlune::test::ScratchDir dir("marlune-postcode-list");
    const std::string data = MARLUNE_BIN_DIR "/20051206.dat";
    const std::string pdf = dir.File("list.pdf");
    ASSERT_EQ(std::system(("QT_QPA_PLATFORM=offscreen " MARLUNE_BIN_DIR "/marlune-report --data '" +
                           data + "' --pdf '" + pdf + "' 2>/dev/null")
                              .c_str()),
              0);
    std::smatch count;
    const std::string info = marlune::test::CommandOutput("pdfinfo '" + pdf + "'");
    ASSERT_TRUE(std::regex_search(info, count, std::regex(R"(Pages:\s+([0-9]+))"))) << info;
    EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
    const int pages = std::stoi(count[1]);
    ASSERT_GT(pages, 2);

    const std::string first = PrintedText(pdf, 1);
    for (const char* text :
         {"Marlune", "Australian Post Code list",
          "Copyright (c) 2026 Calderix Software. All rights reserved.", "Printed: "}) {
        EXPECT_NE(first.find(text), std::string::npos) << text << " in\n" << first;
    }
    for (const int page : {1, 2, pages}) {
        const std::string number = std::to_string(page) + " of " + std::to_string(pages);
        EXPECT_NE(PrintedText(pdf, page).find(number), std::string::npos) << number;
    }
    // The captions, then the first record as the data file holds it, read on
    // its own, on the next line.
    table::MemTable table;
    table.Open();
    table.LoadTableFile(data);
    table.First();
    std::string row = "Post Code +Suburb +State +Comments *\n";
    for (const char* field : {"Pcode", "Locality", "State"}) {
        row +=
            (field[0] == 'P' ? "" : " +") + platform::ToUtf8(table.FieldByName(field).AsString());
    }
    EXPECT_TRUE(std::regex_search(first, std::regex(row))) << row << " in\n" << first;
}

TEST(PostcodeListTest, FixedTextsFitOnOneLineInTheirBoxes)
{
    LoadedReport loaded;
    int checked = 0;
    for (const auto& object : loaded.report.Pages.at(0)->Objects) {
        auto* memo = dynamic_cast<MemoView*>(object.get());
        if (memo == nullptr || memo->Memo.at(0).find('[') != std::string::npos) {
            continue;
        }
        SCOPED_TRACE(memo->Name);
        EXPECT_LE(memo->MeasureHeight(), memo->Height);
        EXPECT_EQ(memo->WorkingText.size(), 1U);
        ++checked;
    }
    EXPECT_EQ(checked, 7); // the two names, the copyright and the four captions
}

TEST(PostcodeListTest, LogoIsA48By48BitmapOf24BitsPerPixel)
{
    LoadedReport loaded;
    const PictureView* picture = nullptr;
    for (const auto& object : loaded.report.Pages.at(0)->Objects) {
        if (object->Name == "Picture1") {
            picture = dynamic_cast<const PictureView*>(object.get());
        }
    }
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GraphicKind(), pkBitmap);
    const std::string& data = picture->Data();
    ASSERT_EQ(data.size(), 6966U);
    EXPECT_EQ(data.substr(0, 2), "BM");
    std::uint16_t bitsPerPixel = 0;
    std::memcpy(&bitsPerPixel, data.data() + 28, sizeof bitsPerPixel);
    EXPECT_EQ(bitsPerPixel, 24);
    const QImage& image = picture->Image();
    ASSERT_EQ(image.size(), QSize(48, 48));
    // A picture, not a blank: the red post box on white.
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(24, 36), QColor(0xC8, 0x16, 0x1D));
}

} // namespace
} // namespace marlune::report
