#include "report/reportprinter.h"

#include "platform/error.h"
#include "report/papertable.h"
#include "report/units.h"

#include <algorithm>
#include <utility>

namespace marlune::report {

namespace {

constexpr std::size_t kMaxPapers = 256;
constexpr std::size_t kNameLength = 128;

std::string Truncated(std::string s, std::size_t length)
{
    if (s.size() >= length) {
        s.resize(length - 1);
    }
    return s;
}

} // namespace

ReportPrinter::ReportPrinter()
{
    AttachPrinter(nullptr);
}

void ReportPrinter::AttachPrinter(PrinterDevice* device)
{
    platform_ = device;
    printerNames_.clear();
    printerIndex_ = 0;
    const bool hasPrinters = platform_ != nullptr && !platform_->PrinterNames().empty();
    if (hasPrinters) {
        printerNames_ = platform_->PrinterNames();
        printerIndex_ = platform_->PrinterIndex();
        ReadSettings();
    }
    // The built-in printer's name is a string resource left empty here.
    printerNames_.emplace_back();
    builtInIndex_ = static_cast<int>(printerNames_.size()) - 1;
    if (!hasPrinters) {
        printerIndex_ = builtInIndex_;
    }
}

void ReportPrinter::SelectPrinter(int index)
{
    if (index < 0 || index > builtInIndex_) {
        return;
    }
    printerIndex_ = index;
    if (index == builtInIndex_) {
        ApplySettings();
    } else if (platform_ != nullptr) {
        platform_->SetPrinterIndex(index);
        ReadSettings();
    }
}

bool ReportPrinter::SelectPrinterByName(const std::string& name)
{
    const auto it = std::find(printerNames_.begin(), printerNames_.end(), name);
    if (it == printerNames_.end()) {
        return false;
    }
    SelectPrinter(static_cast<int>(it - printerNames_.begin()));
    return true;
}

std::string ReportPrinter::CurrentPrinterName() const
{
    return printerNames_[static_cast<std::size_t>(printerIndex_)];
}

bool ReportPrinter::IsEqualCurrent(int paperCode, int width, int height, int orientation) const
{
    if (paperCode != paperCode_ || orientation != orientation_) {
        return false;
    }
    return paperCode != kCustomPaper || (width == paperWidth_ && height == paperHeight_);
}

void ReportPrinter::SelectPaper(int paperCode, int width, int height, int orientation)
{
    if (IsEqualCurrent(paperCode, width, height, orientation)) {
        return;
    }
    paperCode_ = paperCode;
    paperWidth_ = width;
    paperHeight_ = height;
    orientation_ = orientation;
    ApplySettings();
}

void ReportPrinter::SelectPaperOrCustom(int paperCode, int width, int height, int orientation)
{
    try {
        SelectPaper(paperCode, width, height, orientation);
    } catch (const Error&) {
        SelectPaper(kCustomPaper, width, height, orientation);
    }
}

void ReportPrinter::ReadSettings()
{
    device_ = Truncated(platform_->Device(), kNameLength);
    driver_ = Truncated(platform_->Driver(), kNameLength);
    port_ = Truncated(platform_->Port(), kNameLength);
    mode_ = platform_->Mode();
    paperCode_ = mode_.paperSize;
    orientation_ = mode_.orientation == DeviceMode::kLandscape ? 1 : 0;
    const int dpiX = platform_->DpiX();
    const int dpiY = platform_->DpiY();
    paperWidth_ =
        dpiX > 0 ? Round(platform_->PhysicalWidth() / static_cast<double>(dpiX) * 254) : 0;
    paperHeight_ =
        dpiY > 0 ? Round(platform_->PhysicalHeight() / static_cast<double>(dpiY) * 254) : 0;
    papers_ = platform_->Papers();
    if (papers_.size() > kMaxPapers) {
        papers_.resize(kMaxPapers);
    }
}

void ReportPrinter::ApplySettings()
{
    ++applyCount_;
    if (IsBuiltIn() || platform_ == nullptr) {
        papers_.clear();
        for (const PaperSize& p : BuiltInPapers()) {
            papers_.push_back({p.code, BuiltInPaperName(p.code)});
        }
        const PaperSize* paper =
            paperCode_ == kCustomPaper ? nullptr : FindBuiltInPaper(paperCode_);
        if (paper != nullptr) {
            paperWidth_ = orientation_ == 1 ? paper->height : paper->width;
            paperHeight_ = orientation_ == 1 ? paper->width : paper->height;
        }
        return;
    }
    DeviceMode mode = mode_;
    if (paperCode_ == kCustomPaper) {
        mode.fields |= DeviceMode::kPaperLength | DeviceMode::kPaperWidth;
        mode.paperLength = paperHeight_;
        mode.paperWidth = paperWidth_;
    }
    if ((mode.fields & DeviceMode::kPaperSize) != 0) {
        mode.paperSize = paperCode_;
    }
    if ((mode.fields & DeviceMode::kOrientation) != 0) {
        mode.orientation = orientation_ == 1 ? DeviceMode::kLandscape : DeviceMode::kPortrait;
    }
    if ((mode.fields & DeviceMode::kCopies) != 0) {
        mode.copies = 1;
    }
    platform_->SetMode(mode);
    ReadSettings();
}

void ReportPrinter::FillGeometry(PrintGeometry& g) const
{
    if (IsBuiltIn() || platform_ == nullptr) {
        g.paperWidth = TenthsToUnitsX(paperWidth_);
        g.paperHeight = TenthsToUnitsY(paperHeight_);
        g.offsetX = TenthsToUnitsX(50);
        g.offsetY = TenthsToUnitsY(50);
        g.printableWidth = g.paperWidth - 2 * g.offsetX;
        g.printableHeight = g.paperHeight - 2 * g.offsetY;
        return;
    }
    const int dx = platform_->DpiX();
    const int dy = platform_->DpiY();
    g.physicalWidthPx = platform_->PhysicalWidth();
    g.physicalHeightPx = platform_->PhysicalHeight();
    g.physicalOffsetXPx = platform_->PhysicalOffsetX();
    g.physicalOffsetYPx = platform_->PhysicalOffsetY();
    g.printableWidthPx = platform_->PageWidth();
    g.printableHeightPx = platform_->PageHeight();
    g.paperWidth = PixelsToUnitsX(g.physicalWidthPx, dx);
    g.paperHeight = PixelsToUnitsY(g.physicalHeightPx, dy);
    g.offsetX = PixelsToUnitsX(g.physicalOffsetXPx, dx);
    g.offsetY = PixelsToUnitsY(g.physicalOffsetYPx, dy);
    g.printableWidth = PixelsToUnitsX(g.printableWidthPx, dx);
    g.printableHeight = PixelsToUnitsY(g.printableHeightPx, dy);
}

ReportPrinter& DefaultPrinter()
{
    static ReportPrinter printer;
    return printer;
}

} // namespace marlune::report
