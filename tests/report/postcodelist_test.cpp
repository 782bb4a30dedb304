// The postcode list's stored template: up to date with the code that fills
// it, and read back with the list's layout.
#include "report/bandview.h"
#include "report/kinds.h"
#include "report/memoview.h"
#include "report/pictureview.h"
#include "postcodelist/postcodelist.h"
#include "report/shapeview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace marlune::report {
namespace {

using platform::paint::clNone;
using platform::paint::clWhite;

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

struct ExpectedBand {
    const char* name;
    int kind;
    int top;
    int height;
    const char* dataset;
};

struct ExpectedView {
    const char* name;
    const char* className;
    const char* band;
    int left, top, width, height;
    int flags, frameTyp;
    float frameWidth;
    TColor fill;
    std::uint32_t format;
    int fontSize, adjust;
    const char* text;
};

TEST(PostcodeListTest, HasTheListLayout)
{
    LoadedReport loaded;
    const Report& report = loaded.report;
    EXPECT_TRUE(report.PrintToDefault);
    EXPECT_TRUE(report.DoublePass);
    ASSERT_EQ(report.Pages.size(), 1U);
    const ReportPage& page = *report.Pages[0];
    EXPECT_EQ(page.PaperCode, 9);
    EXPECT_EQ(page.PaperWidth, 2100);
    EXPECT_EQ(page.PaperHeight, 2970);
    EXPECT_EQ(page.Orientation, 0);
    EXPECT_EQ(page.Margins, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_TRUE(page.UseMargins);
    EXPECT_FALSE(page.PrintToPrevPage);
    EXPECT_EQ(page.ColumnCount, 1);
    EXPECT_EQ(page.ColumnGap, 0);
    EXPECT_EQ(page.Geometry.paperWidth, 752);
    EXPECT_EQ(page.Geometry.paperHeight, 1071);

    const ExpectedBand bands[] = {
        {"ReportTitle1", bkReportTitle, 8, 56, ""},
        {"MasterData1", bkMasterData, 148, 18, "TableDataset1"},
        {"PageFooter1", bkPageFooter, 196, 28, ""},
        {"PageHeader1", bkPageHeader, 96, 28, ""},
    };
    const char* copyright = "Copyright (c) 2026 Calderix Software. All rights reserved.";
    const ExpectedView views[] = {
        {"Shape1", "ShapeView", "PageHeader1", 12, 96, 728, 26, 1, 0, 1, clWhite, 0x22E, 0, 0, ""},
        {"Memo1", "MemoView", "PageFooter1", 560, 204, 176, 18, 3, 0, 1, clNone, 0x22E, 10, 0,
         "[PAGE#] of [TOTALPAGES]"},
        {"Memo2", "MemoView", "ReportTitle1", 60, 12, 204, 34, 3, 0, 1, clNone, 0x22E, 20, 0,
         "Marlune"},
        {"Memo3", "MemoView", "ReportTitle1", 268, 12, 268, 24, 3, 0, 1, clNone, 0x22E, 12, 2,
         "Australian Post Code list"},
        {"Memo5", "MemoView", "MasterData1", 20, 148, 68, 17, 3, 0, 1, clWhite, 0x22E, 10, 0,
         "[PCode]"},
        {"Memo6", "MemoView", "PageHeader1", 20, 100, 68, 18, 3, 0, 1, clNone, 0x22E, 10, 0,
         "Post Code"},
        {"Memo7", "MemoView", "PageHeader1", 92, 100, 344, 18, 3, 0, 1, clNone, 0x22E, 10, 0,
         "Suburb"},
        {"Memo8", "MemoView", "PageHeader1", 440, 100, 48, 18, 3, 0, 1, clNone, 0x22E, 10, 0,
         "State"},
        {"Memo9", "MemoView", "PageHeader1", 492, 100, 240, 18, 3, 0, 1, clNone, 0x22E, 10, 0,
         "Comments"},
        {"Memo11", "MemoView", "MasterData1", 92, 148, 344, 17, 3, 0, 1, clWhite, 0x22E, 10, 0,
         "[Locality]"},
        {"Memo12", "MemoView", "MasterData1", 440, 148, 48, 17, 3, 0, 1, clWhite, 0x22E, 10, 0,
         "[State]"},
        {"Memo13", "MemoView", "MasterData1", 492, 148, 240, 17, 3, 0, 1, clWhite, 0x22E, 10, 0,
         "[Comments]"},
        {"Line1", "LineView", "ReportTitle1", 12, 52, 724, 0, 1, 8, 2, clNone, 0x22E, 0, 0, ""},
        {"Memo4", "MemoView", "ReportTitle1", 544, 28, 188, 18, 3, 0, 1, clWhite, 0x0202022E, 10, 1,
         "Printed: [DATE]"},
        {"Picture1", "PictureView", "ReportTitle1", 24, 12, 36, 34, 5, 0, 1, clWhite, 0x22E, 0, 0,
         ""},
        {"Memo10", "MemoView", "ReportTitle1", 268, 36, 268, 14, 3, 0, 1, clWhite, 0x22E, 7, 2,
         copyright},
    };
    constexpr std::size_t bandCount = std::size(bands);
    ASSERT_EQ(page.Objects.size(), bandCount + std::size(views));

    std::map<std::string, const ReportView*> bandOf;
    for (std::size_t i = 0; i < bandCount; ++i) {
        SCOPED_TRACE(bands[i].name);
        const auto* band = dynamic_cast<const BandView*>(page.Objects[i].get());
        ASSERT_NE(band, nullptr);
        EXPECT_EQ(band->Name, bands[i].name);
        EXPECT_EQ(band->BandKind(), bands[i].kind);
        EXPECT_EQ(band->FormatText, bands[i].dataset);
        EXPECT_EQ(std::make_tuple(band->Left, band->Top, band->Width, band->Height),
                  std::make_tuple(0, bands[i].top, 752, bands[i].height));
        EXPECT_EQ(band->Flags, 0x30);
        EXPECT_EQ(band->FillColor, clNone);
        EXPECT_TRUE(band->Visible);
    }
    for (std::size_t i = 0; i < std::size(views); ++i) {
        const ExpectedView& e = views[i];
        SCOPED_TRACE(e.name);
        const ReportView& view = *page.Objects[bandCount + i];
        EXPECT_EQ(view.Name, e.name);
        EXPECT_EQ(view.ClassName(), e.className);
        // The band is the one whose vertical range holds the view's top.
        std::string band;
        for (std::size_t b = 0; b < bandCount; ++b) {
            const ReportView& marker = *page.Objects[b];
            if (view.Top >= marker.Top && view.Top < marker.Top + marker.Height) {
                band = marker.Name;
            }
        }
        EXPECT_EQ(band, e.band);
        EXPECT_EQ(std::make_tuple(view.Left, view.Top, view.Width, view.Height),
                  std::make_tuple(e.left, e.top, e.width, e.height));
        EXPECT_EQ(std::make_tuple(int{view.Flags}, int{view.FrameTyp}, view.FrameWidth),
                  std::make_tuple(e.flags, e.frameTyp, e.frameWidth));
        EXPECT_EQ(view.FillColor, e.fill);
        EXPECT_EQ(static_cast<std::uint32_t>(view.FormatCode), e.format);
        EXPECT_EQ(std::make_tuple(view.FrameColor, int{view.FrameStyle}, view.Visible),
                  std::make_tuple(platform::paint::clBlack, 0, true));
        EXPECT_TRUE(view.FormatText.empty());
        EXPECT_TRUE(view.Script.empty());
        if (const auto* memo = dynamic_cast<const MemoView*>(&view)) {
            EXPECT_EQ(memo->Memo, Lines{e.text});
            EXPECT_EQ(memo->Font, (MemoFont{"Arial", e.fontSize, 0, platform::paint::clBlack, 0}));
            EXPECT_EQ(memo->Adjust, e.adjust);
            EXPECT_EQ(memo->Highlight, MemoHighlight{});
            EXPECT_TRUE(memo->HighlightCondition.empty());
        } else {
            EXPECT_TRUE(view.Memo.empty());
        }
    }
    const auto* shape = dynamic_cast<const ShapeView*>(page.Objects[bandCount].get());
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->Shape, skRectangle);
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
