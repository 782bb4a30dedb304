#include "platform/error.h"
#include "report/papertable.h"
#include "report/print/qprinterdevice.h"

#include <QPageSize>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace marlune::report::print {
namespace {

// The built-in table against Qt's own sizes for the same Windows codes. Qt
// gives the C, D and E sheets (17 x 22, 22 x 34, 34 x 44 in) and Tabloid
// Extra (11.69 x 18 in) the nearest architectural and tabloid sizes instead.
TEST(PaperTable, AgreesWithQtsPageSizes)
{
    const std::set<int> mappedElsewhere{24, 25, 26, 52};
    int compared = 0;
    for (const PaperSize& paper : BuiltInPapers()) {
        const QPageSize size = PageSizeOfCode(paper.code);
        if (paper.code == kCustomPaper || !size.isValid() || size.id() == QPageSize::Custom ||
            mappedElsewhere.count(paper.code) != 0) {
            continue;
        }
        const QSizeF mm = size.size(QPageSize::Millimeter);
        // Qt keeps inch sizes to a tenth of a point: allow a millimetre.
        EXPECT_NEAR(std::min(mm.width(), mm.height()) * 10, std::min(paper.width, paper.height),
                    10.0)
            << paper.code;
        EXPECT_NEAR(std::max(mm.width(), mm.height()) * 10, std::max(paper.width, paper.height),
                    10.0)
            << paper.code;
        EXPECT_EQ(PaperCodeOf(size) != 0, true) << paper.code;
        ++compared;
    }
    EXPECT_GT(compared, 40);
}

// Without a printer name QPrinter writes PDF: the device still measures the
// paper it is given.
TEST(QPrinterDevice, MeasuresThePaperItIsGiven)
{
    const struct {
        int code, width, length, orientation;
        double widthMm, heightMm;
    } cases[] = {
        {11, 0, 0, DeviceMode::kLandscape, 210, 148},
        {9, 0, 0, DeviceMode::kPortrait, 210, 297},
        {kCustomPaper, 1000, 1500, DeviceMode::kPortrait, 100, 150},
    };
    for (const auto& c : cases) {
        QPrinterDevice device;
        DeviceMode mode = device.Mode();
        mode.paperSize = c.code;
        mode.paperWidth = c.width;
        mode.paperLength = c.length;
        mode.orientation = c.orientation;
        device.SetMode(mode);
        EXPECT_NEAR(device.PhysicalWidth() * 25.4 / device.DpiX(), c.widthMm, 0.5) << c.code;
        EXPECT_NEAR(device.PhysicalHeight() * 25.4 / device.DpiY(), c.heightMm, 0.5) << c.code;
        EXPECT_LE(device.PageWidth(), device.PhysicalWidth());
        EXPECT_EQ(device.Mode().paperSize, c.code);
        EXPECT_EQ(device.Mode().orientation, c.orientation);
    }
    QPrinterDevice device;
    DeviceMode bad = device.Mode();
    bad.paperSize = kCustomPaper;
    bad.paperWidth = 0;
    EXPECT_THROW(device.SetMode(bad), Error);
}

} // namespace
} // namespace marlune::report::print
