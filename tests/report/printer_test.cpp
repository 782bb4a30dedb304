#include "fakeprinter.h"

#include "report/reportpage.h"
#include "report/reportprinter.h"
#include "report/units.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace marlune::report {
namespace {

using test::FakePrinter;

TEST(Units, RoundsHalvesToEven)
{
    // The tie cases and their neighbours, against the C library's rounding
    // in its default (to-nearest-even) mode.
    for (const double x : {-2.5, -1.5, -0.5, 0.5, 1.5, 2.5, 3.5, 0.49, 0.51, -0.51, 752.35}) {
        EXPECT_EQ(Round(x), static_cast<int>(std::nearbyint(x))) << x;
    }
}

TEST(Units, DivTruncatesTowardZero)
{
    for (const auto& [a, b] :
         std::vector<std::pair<int, int>>{{7, 2}, {-7, 2}, {7, -2}, {-7, -2}}) {
        EXPECT_EQ(Div(a, b), static_cast<int>(std::trunc(static_cast<double>(a) / b)));
    }
}

TEST(ReportPrinter, BuiltInA4Geometry)
{
    ReportPrinter printer;
    ReportPage page(printer, 9, 2100, 2970, 0);
    EXPECT_TRUE(printer.IsBuiltIn());
    EXPECT_EQ(page.Geometry.paperWidth, 752);
    EXPECT_EQ(page.Geometry.paperHeight, 1071);
    EXPECT_EQ(page.Geometry.offsetX, 18);
    EXPECT_EQ(page.Geometry.offsetY, 18);
    EXPECT_EQ(page.Geometry.printableWidth, 716);
    EXPECT_EQ(page.Geometry.printableHeight, 1035);
    // The derived margins of a page without its own.
    EXPECT_EQ(page.LeftMargin(), 18);
    EXPECT_EQ(page.RightMargin(), 18 + 716);
    EXPECT_EQ(page.BottomMargin(), 18 + 1035);
}

TEST(ReportPage, MarginsComeFromThePageOrThePrinter)
{
    const struct {
        bool useMargins;
        std::array<int, 4> margins;
        int columns;
        int left, top, right, bottom, columnWidth;
    } cases[] = {
        // A4 on the built-in printer: 752 x 1071 units, offsets 18.
        {true, {0, 0, 0, 0}, 1, 18, 18, 734, 1053, 716},
        {true, {30, 40, 50, 60}, 3, 30, 40, 702, 1011, 224},
        {false, {30, 40, 50, 60}, 0, 0, 0, 752, 1071, 752},
    };
    for (const auto& c : cases) {
        ReportPrinter printer;
        ReportPage page(printer, 9, 2100, 2970, 0);
        page.UseMargins = c.useMargins;
        page.Margins = c.margins;
        page.ColumnCount = c.columns;
        EXPECT_EQ(page.LeftMargin(), c.left);
        EXPECT_EQ(page.TopMargin(), c.top);
        EXPECT_EQ(page.RightMargin(), c.right);
        EXPECT_EQ(page.BottomMargin(), c.bottom);
        EXPECT_EQ(page.BottomMargin(20), c.bottom - 20);
        EXPECT_EQ(page.ColumnWidth(), c.columnWidth);
    }
}

TEST(ReportPrinter, LandscapeSwapsTheTableSizes)
{
    ReportPrinter printer;
    for (const PaperSize& paper : BuiltInPapers()) {
        if (paper.code == kCustomPaper) {
            continue;
        }
        printer.SelectPaper(paper.code, 0, 0, 1);
        EXPECT_EQ(printer.PaperWidth(), paper.height) << paper.code;
        EXPECT_EQ(printer.PaperHeight(), paper.width) << paper.code;
    }
    EXPECT_EQ(BuiltInPapers().size(), 67U);
}

TEST(ReportPrinter, SelectingTheCurrentPaperChangesNothing)
{
    struct Case {
        int code, width, height, orientation;
        bool applies;
    };
    // After selecting code 256 at 1000 x 2000, portrait.
    const Case cases[] = {
        {256, 1000, 2000, 0, false},
        {256, 1000, 2001, 0, true},
        {256, 1000, 2000, 1, true},
        {9, 1000, 2000, 0, true},
    };
    for (const Case& c : cases) {
        ReportPrinter printer;
        printer.SelectPaper(256, 1000, 2000, 0);
        const int before = printer.ApplyCount();
        printer.SelectPaper(c.code, c.width, c.height, c.orientation);
        EXPECT_EQ(printer.ApplyCount() != before, c.applies) << c.code << " " << c.height;
    }
    // A standard code ignores the sizes in the test.
    ReportPrinter printer;
    printer.SelectPaper(9, 0, 0, 0);
    EXPECT_TRUE(printer.IsEqualCurrent(9, 1, 2, 0));
}

TEST(ReportPrinter, RealPrinterGeometryFollowsItsResolution)
{
    struct Case {
        int dpiX, dpiY, marginX, marginY, orientation;
    };
    for (const Case& c :
         {Case{600, 600, 100, 120, 0}, Case{300, 600, 50, 75, 0}, Case{360, 180, 31, 17, 1}}) {
        FakePrinter device(c.dpiX, c.dpiY, c.marginX, c.marginY);
        ReportPrinter printer;
        printer.AttachPrinter(&device);
        ASSERT_FALSE(printer.IsBuiltIn());
        ReportPage page(printer, 9, 2100, 2970, c.orientation);
        const PrintGeometry& g = page.Geometry;
        // Paper in inches, then in report units.
        const double inchW = (c.orientation == 1 ? 297.0 : 210.0) / 25.4;
        const double inchH = (c.orientation == 1 ? 210.0 : 297.0) / 25.4;
        EXPECT_EQ(g.physicalWidthPx, device.PhysicalWidth());
        EXPECT_EQ(g.physicalHeightPx, device.PhysicalHeight());
        EXPECT_NEAR(g.paperWidth, inchW * 93 / 1.022, 1.0);
        EXPECT_NEAR(g.paperHeight, inchH * 93 / 1.015, 1.0);
        EXPECT_EQ(g.physicalOffsetXPx, c.marginX);
        EXPECT_EQ(g.physicalOffsetYPx, c.marginY);
        EXPECT_NEAR(g.offsetX, c.marginX / double(c.dpiX) * 93 / 1.022, 0.5);
        EXPECT_NEAR(g.offsetY, c.marginY / double(c.dpiY) * 93 / 1.015, 0.5);
        EXPECT_EQ(g.printableWidthPx, device.PhysicalWidth() - 2 * c.marginX);
        EXPECT_NEAR(g.printableWidth, g.printableWidthPx / double(c.dpiX) * 93 / 1.022, 0.5);
        EXPECT_NEAR(g.printableHeight, g.printableHeightPx / double(c.dpiY) * 93 / 1.015, 0.5);
        // The paper read back from the device, in tenths of a millimetre.
        EXPECT_NEAR(page.PaperWidth, c.orientation == 1 ? 2970 : 2100, 254.0 / c.dpiX + 1);
        EXPECT_EQ(page.Orientation, c.orientation);
    }
}

TEST(ReportPrinter, CustomSizeReachesTheDeviceAsPaperLengthAndWidth)
{
    FakePrinter device(600, 600, 0, 0);
    ReportPrinter printer;
    printer.AttachPrinter(&device);
    printer.SelectPaper(kCustomPaper, 1500, 2500, 0);
    const DeviceMode& mode = device.lastApplied;
    EXPECT_EQ(mode.paperSize, kCustomPaper);
    EXPECT_NE(mode.fields & DeviceMode::kPaperLength, 0U);
    EXPECT_NE(mode.fields & DeviceMode::kPaperWidth, 0U);
    EXPECT_EQ(mode.paperLength, 2500);
    EXPECT_EQ(mode.paperWidth, 1500);
    EXPECT_EQ(printer.PaperWidth(), 1500);
    EXPECT_EQ(printer.PaperHeight(), 2500);
}

TEST(ReportPrinter, PageRetriesARefusedPaperAsCustomSize)
{
    FakePrinter device(600, 600, 0, 0);
    device.refuseStandard = true;
    ReportPrinter printer;
    printer.AttachPrinter(&device);
    ReportPage page(printer, 11, 1480, 2100, 0);
    EXPECT_EQ(page.PaperCode, kCustomPaper);
    EXPECT_NEAR(page.PaperWidth, 1480, 1);
    EXPECT_NEAR(page.PaperHeight, 2100, 1);
}

TEST(ReportPrinter, PrinterListEndsWithTheBuiltInEntry)
{
    FakePrinter device(600, 600, 0, 0);
    ReportPrinter printer;
    printer.AttachPrinter(&device);
    ASSERT_EQ(printer.PrinterNames().size(), 3U);
    EXPECT_EQ(printer.BuiltInIndex(), 2);
    EXPECT_EQ(printer.PrinterNames().back(), "");
    printer.SelectPrinter(1);
    EXPECT_EQ(device.PrinterIndex(), 1);
    EXPECT_EQ(printer.Device(), "Inkjet");
    printer.SelectPrinter(2);
    printer.SelectPaper(9, 0, 0, 0);
    PrintGeometry g;
    printer.FillGeometry(g);
    EXPECT_EQ(g.offsetX, 18); // the built-in border again
    EXPECT_EQ(printer.Papers().size(), BuiltInPapers().size());
}

} // namespace
} // namespace marlune::report
