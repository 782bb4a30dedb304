#pragma once

#include "report/print/printerlist.h"
#include "report/printerdevice.h"

#include <QPrinter>

#include <memory>

namespace marlune::report {
class Report;
class ReportPrinter;
} // namespace marlune::report

// The printer layer's device over Qt's printers (CUPS underneath): the list
// from ListPrinters, the settings and page measures from a QPrinter. Making
// one loads Qt's print support, which asks CUPS without a time limit: only
// once the print server has answered.
namespace marlune::report::print {

class QPrinterDevice final : public PrinterDevice {
public:
    QPrinterDevice();

    // Takes the platform's printer list, keeping the current printer when it
    // is still there and taking the default printer otherwise.
    void Refresh(const PrinterList& list);

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

// The platform's printer object of the process (created on first use, after
// the application object).
QPrinterDevice& PlatformPrinter();

// Attaches the printer layer to the printer list (at the start of every
// print run and print dialog), asking for it again unless the print server
// answered no more than `maxAge` ago (see RecentPrinters). Without printers,
// or when the print server does not answer in time, the layer has only its
// built-in printer and the platform printer is not touched.
PrinterList AttachPlatformPrinter(ReportPrinter& printer,
                                  std::chrono::milliseconds maxAge = kPrinterAnswerReuse);

// The same for a report about to be built for printing, when the user asks
// to print: the list is always asked afresh, so that a printer added since
// shows, and the steps that follow reuse this answer. Every template page
// then takes its paper from the printer now current. The program never asks
// for printers before that, so a slow or silent print server cannot hold its
// start.
PrinterList AttachReportToPrinters(Report& report);

// The Windows paper code of a Qt page size (0 when it has none), and back.
int PaperCodeOf(const QPageSize& size);
QPageSize PageSizeOfCode(int code);

} // namespace marlune::report::print
