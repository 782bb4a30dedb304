#pragma once

#include "report/papertable.h"
#include "report/printerdevice.h"

#include "platform/error.h"

#include <cmath>

namespace marlune::report::test {

// A printer with a chosen resolution and unprintable margins, that takes the
// built-in papers (and, if asked, refuses the standard codes).
class FakePrinter final : public PrinterDevice {
public:
    FakePrinter(int dpiX, int dpiY, int marginXPx, int marginYPx)
        : dpiX_(dpiX), dpiY_(dpiY), marginX_(marginXPx), marginY_(marginYPx)
    {
        mode_.fields = DeviceMode::kOrientation | DeviceMode::kPaperSize | DeviceMode::kCopies;
        mode_.paperSize = kPaperA4;
    }

    std::vector<std::string> PrinterNames() const override { return {"Laser", "Inkjet"}; }
    int PrinterIndex() const override { return index_; }
    void SetPrinterIndex(int index) override { index_ = index; }
    std::string Device() const override { return index_ == 0 ? "Laser" : "Inkjet"; }
    std::string Driver() const override { return "fake"; }
    std::string Port() const override { return "LPT1:"; }
    DeviceMode Mode() const override { return mode_; }
    void SetMode(const DeviceMode& mode) override
    {
        lastApplied = mode;
        ++setModeCount;
        if (index_ == refusingPrinter) {
            throw Error("no paper");
        }
        if (refuseStandard && mode.paperSize != kCustomPaper) {
            throw Error("paper refused");
        }
        mode_ = mode;
    }
    std::vector<PrinterPaper> Papers() const override { return {{9, "A4"}, {1, "Letter"}}; }

    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }
    // The paper in tenths of a millimetre, in the current orientation.
    int PaperTenthsW() const { return Landscape() ? PortraitH() : PortraitW(); }
    int PaperTenthsH() const { return Landscape() ? PortraitW() : PortraitH(); }
    int PhysicalWidth() const override { return ToPx(PaperTenthsW(), dpiX_); }
    int PhysicalHeight() const override { return ToPx(PaperTenthsH(), dpiY_); }
    int PhysicalOffsetX() const override { return marginX_; }
    int PhysicalOffsetY() const override { return marginY_; }
    int PageWidth() const override { return PhysicalWidth() - 2 * marginX_; }
    int PageHeight() const override { return PhysicalHeight() - 2 * marginY_; }

    DeviceMode lastApplied;
    int setModeCount = 0;
    bool refuseStandard = false;
    // The printer (by index) that takes no paper at all.
    int refusingPrinter = -1;

private:
    bool Landscape() const { return mode_.orientation == DeviceMode::kLandscape; }
    int PortraitW() const
    {
        if (mode_.paperSize == kCustomPaper) {
            return mode_.paperWidth;
        }
        const PaperSize* p = FindBuiltInPaper(mode_.paperSize);
        return p != nullptr ? p->width : 0;
    }
    int PortraitH() const
    {
        if (mode_.paperSize == kCustomPaper) {
            return mode_.paperLength;
        }
        const PaperSize* p = FindBuiltInPaper(mode_.paperSize);
        return p != nullptr ? p->height : 0;
    }
    static int ToPx(int tenths, int dpi)
    {
        return static_cast<int>(std::lround(tenths / 254.0 * dpi));
    }

    int dpiX_;
    int dpiY_;
    int marginX_;
    int marginY_;
    int index_ = 0;
    DeviceMode mode_;
};

} // namespace marlune::report::test
