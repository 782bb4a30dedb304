#include "report/print/qprinterdevice.h"

#include "platform/cp1252.h"
#include "platform/error.h"
#include "report/papertable.h"
#include "report/report.h"
#include "report/reportprinter.h"

#include <QPageLayout>
#include <QPrinterInfo>

namespace marlune::report::print {

namespace {

QRect PaperPixels(const QPrinter& printer)
{
    return printer.pageLayout().fullRectPixels(printer.resolution());
}

} // namespace

int PaperCodeOf(const QPageSize& size)
{
    const int windowsId = size.windowsId();
    return FindBuiltInPaper(windowsId) != nullptr ? windowsId : 0;
}

QPageSize PageSizeOfCode(int code)
{
    return QPageSize(QPageSize::id(code));
}

QPrinterDevice::QPrinterDevice() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    paperCode_ = PaperCodeOf(printer_->pageLayout().pageSize());
}

void QPrinterDevice::Refresh(const PrinterList& list)
{
    const std::string current = names_.empty() ? std::string() : Device();
    names_.clear();
    int currentIndex = -1;
    int defaultIndex = 0;
    for (const std::string& name : list.names) {
        // The list gives the system's bytes; the names here are Windows-1252
        // like every text of the report.
        const std::string entry = platform::FromQString(QString::fromLocal8Bit(name));
        if (!current.empty() && entry == current) {
            currentIndex = static_cast<int>(names_.size());
        }
        if (name == list.defaultName) {
            defaultIndex = static_cast<int>(names_.size());
        }
        names_.push_back(entry);
    }
    if (currentIndex >= 0) {
        // The printer keeps its settings.
        index_ = currentIndex;
    } else if (!names_.empty()) {
        SetPrinter(defaultIndex);
    } else {
        index_ = 0;
    }
}

std::vector<std::string> QPrinterDevice::PrinterNames() const
{
    return names_;
}

void QPrinterDevice::SetPrinterIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(names_.size())) {
        return;
    }
    SetPrinter(index);
}

void QPrinterDevice::SetPrinter(int index)
{
    index_ = index;
    printer_->setPrinterName(platform::ToQString(names_[static_cast<std::size_t>(index)]));
    paperCode_ = PaperCodeOf(printer_->pageLayout().pageSize());
}

std::string QPrinterDevice::Device() const
{
    return platform::FromQString(printer_->printerName());
}

DeviceMode QPrinterDevice::Mode() const
{
    DeviceMode mode;
    mode.fields = DeviceMode::kOrientation | DeviceMode::kPaperSize | DeviceMode::kCopies;
    mode.paperSize = paperCode_;
    const QSizeF mm = printer_->pageLayout().pageSize().size(QPageSize::Millimeter);
    mode.paperWidth = static_cast<int>(mm.width() * 10 + 0.5);
    mode.paperLength = static_cast<int>(mm.height() * 10 + 0.5);
    mode.orientation = printer_->pageLayout().orientation() == QPageLayout::Landscape
                           ? DeviceMode::kLandscape
                           : DeviceMode::kPortrait;
    mode.copies = printer_->copyCount();
    return mode;
}

void QPrinterDevice::SetMode(const DeviceMode& mode)
{
    QPageSize size;
    if (mode.paperSize == kCustomPaper) {
        if (mode.paperWidth <= 0 || mode.paperLength <= 0) {
            throw Error("Invalid paper size");
        }
        size = QPageSize(QSizeF(mode.paperWidth / 10.0, mode.paperLength / 10.0),
                         QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    } else {
        size = PageSizeOfCode(mode.paperSize);
        if (!size.isValid() || size.id() == QPageSize::Custom) {
            throw Error("Paper code " + std::to_string(mode.paperSize) + " not supported");
        }
    }
    if (!printer_->setPageSize(size)) {
        throw Error("The printer does not take this paper");
    }
    paperCode_ = mode.paperSize;
    printer_->setPageOrientation(mode.orientation == DeviceMode::kLandscape
                                     ? QPageLayout::Landscape
                                     : QPageLayout::Portrait);
    printer_->setCopyCount(mode.copies);
}

std::vector<PrinterPaper> QPrinterDevice::Papers() const
{
    std::vector<PrinterPaper> papers;
    const QPrinterInfo info(*printer_);
    for (const QPageSize& size : info.supportedPageSizes()) {
        const int code = PaperCodeOf(size);
        if (code != 0) {
            papers.push_back({code, platform::FromQString(size.name())});
        }
    }
    return papers;
}

int QPrinterDevice::DpiX() const
{
    return printer_->logicalDpiX();
}

int QPrinterDevice::DpiY() const
{
    return printer_->logicalDpiY();
}

int QPrinterDevice::PhysicalWidth() const
{
    return PaperPixels(*printer_).width();
}

int QPrinterDevice::PhysicalHeight() const
{
    return PaperPixels(*printer_).height();
}

int QPrinterDevice::PhysicalOffsetX() const
{
    return printer_->pageLayout().paintRectPixels(printer_->resolution()).left();
}

int QPrinterDevice::PhysicalOffsetY() const
{
    return printer_->pageLayout().paintRectPixels(printer_->resolution()).top();
}

int QPrinterDevice::PageWidth() const
{
    return printer_->pageLayout().paintRectPixels(printer_->resolution()).width();
}

int QPrinterDevice::PageHeight() const
{
    return printer_->pageLayout().paintRectPixels(printer_->resolution()).height();
}

QPrinterDevice& PlatformPrinter()
{
    static QPrinterDevice device;
    return device;
}

PrinterList AttachPlatformPrinter(ReportPrinter& printer, std::chrono::milliseconds maxAge)
{
    PrinterList list = RecentPrinters(maxAge);
    if (list.names.empty()) {
        printer.AttachPrinter(nullptr);
        return list;
    }
    QPrinterDevice& device = PlatformPrinter();
    device.Refresh(list);
    printer.AttachPrinter(&device);
    return list;
}

PrinterList AttachReportToPrinters(Report& report)
{
    ReportPrinter& printer = report.Printer();
    PrinterList list = AttachPlatformPrinter(printer, std::chrono::milliseconds::zero());
    printer.ForgetPaper();
    for (const auto& page : report.Pages) {
        page->ChangePaper(page->PaperCode, page->PaperWidth, page->PaperHeight, page->Orientation);
    }
    return list;
}

} // namespace marlune::report::print
