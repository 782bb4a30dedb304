#pragma once

#include "report/printerdevice.h"
#include "report/printgeometry.h"

#include <string>
#include <vector>

// The printer layer: turns a page's paper (code, size, orientation) into the
// current printer's settings and into the page's print geometry. With no real
// printer it falls back to a built-in printer with the built-in paper table,
// so reports can still be built and previewed.
namespace marlune::report {

class ReportPrinter {
public:
    ReportPrinter();

    // Takes the platform's printer list (nullptr: none) and appends the
    // built-in entry. The device must outlive this object or be detached.
    void AttachPrinter(PrinterDevice* device);
    void SelectPrinter(int index);
    // Makes the printer of that name current; an unknown name changes
    // nothing (false).
    bool SelectPrinterByName(const std::string& name);
    // Applies the paper unless it is the current one; errors of the device
    // pass to the caller.
    void SelectPaper(int paperCode, int width, int height, int orientation);
    // The same, asking again as a custom paper of the same size when the
    // printer refuses the standard code.
    void SelectPaperOrCustom(int paperCode, int width, int height, int orientation);
    bool IsEqualCurrent(int paperCode, int width, int height, int orientation) const;
    void FillGeometry(PrintGeometry& geometry) const;

    const std::vector<std::string>& PrinterNames() const { return printerNames_; }
    int PrinterIndex() const { return printerIndex_; }
    int BuiltInIndex() const { return builtInIndex_; }
    bool IsBuiltIn() const { return printerIndex_ == builtInIndex_; }
    // The platform printer attached, or nullptr.
    PrinterDevice* Platform() const { return platform_; }
    // Makes the next paper selection apply even when it matches the current
    // paper (a printer change re-selects every page's paper).
    void ForgetPaper() { paperCode_ = -1; }
    std::string CurrentPrinterName() const;

    const std::string& Device() const { return device_; }
    const std::string& Driver() const { return driver_; }
    const std::string& Port() const { return port_; }
    int PaperCode() const { return paperCode_; }
    int PaperWidth() const { return paperWidth_; }
    int PaperHeight() const { return paperHeight_; }
    int Orientation() const { return orientation_; }
    const std::vector<PrinterPaper>& Papers() const { return papers_; }
    // How many times settings were applied (tests see that a repeated
    // selection did nothing).
    int ApplyCount() const { return applyCount_; }

private:
    void ReadSettings();
    void ApplySettings();

    PrinterDevice* platform_ = nullptr;
    std::vector<std::string> printerNames_;
    int printerIndex_ = 0;
    int builtInIndex_ = 0;
    std::string device_;
    std::string driver_;
    std::string port_;
    DeviceMode mode_;
    int paperCode_ = -1; // forces the first selection to be applied
    int paperWidth_ = 0;
    int paperHeight_ = 0;
    int orientation_ = 0;
    std::vector<PrinterPaper> papers_;
    int applyCount_ = 0;
};

// The one printer layer of the process.
ReportPrinter& DefaultPrinter();

} // namespace marlune::report
