#pragma once

#include "report/printerdevice.h"

#include <QPrinter>

#include <memory>

// The printer layer's device over Qt's printers (CUPS underneath): the list
// from QPrinterInfo, the settings and page measures from a QPrinter.
namespace marlune::report {

class QPrinterDevice final : public PrinterDevice {
public:
    QPrinterDevice();

    // Reads the platform's printer list again, keeping the current printer
    // when it is still there and taking the default printer otherwise.
    void Refresh();

    std::vector<std::string> PrinterNames() const override;
    int PrinterIndex() const override { return index_; }
    void SetPrinterIndex(int index) override;

    std::string Device() const override;
    std::string Driver() const override { return "CUPS"; }
    std::string Port() const override { return {}; }
    DeviceMode Mode() const override;
    void SetMode(const DeviceMode& mode) override;
    std::vector<PrinterPaper> Papers() const override;

    int DpiX() const override;
    int DpiY() const override;
    int PhysicalWidth() const override;
    int PhysicalHeight() const override;
    int PhysicalOffsetX() const override;
    int PhysicalOffsetY() const override;
    int PageWidth() const override;
    int PageHeight() const override;

    QPrinter& Printer() { return *printer_; }

private:
    void SetPrinter(int index);

    std::vector<std::string> names_;
    int index_ = 0;
    std::unique_ptr<QPrinter> printer_;
    int paperCode_ = 0;
};

class ReportPrinter;

// The platform's printer object of the process (created on first use, after
// the application object).
QPrinterDevice& PlatformPrinter();

// Refreshes the platform's printer list and attaches the printer layer to it:
// at start-up and at the start of every print run.
void AttachPlatformPrinter(ReportPrinter& printer);

// The Windows paper code of a Qt page size (0 when it has none), and back.
int PaperCodeOf(const QPageSize& size);
QPageSize PageSizeOfCode(int code);

} // namespace marlune::report
