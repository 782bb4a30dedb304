#pragma once

#include <string>
#include <vector>

// What the printer layer needs of the platform's printers: the list, the
// current one, its settings record and its page measures in device pixels.
// The real implementation is over QPrinter (report/print); tests use a device
// with a resolution and offsets of their choosing.
namespace marlune::report {

// The printer's settings record; `fields` says which members the driver
// supports (or, for the custom size, which the caller has set).
struct DeviceMode {
    static constexpr unsigned kOrientation = 0x1;
    static constexpr unsigned kPaperSize = 0x2;
    static constexpr unsigned kPaperLength = 0x4;
    static constexpr unsigned kPaperWidth = 0x8;
    static constexpr unsigned kCopies = 0x100;
    static constexpr int kPortrait = 1;
    static constexpr int kLandscape = 2;

    unsigned fields = 0;
    int paperSize = 0;   // Windows paper code
    int paperLength = 0; // tenths of a millimetre, for the custom size
    int paperWidth = 0;  // tenths of a millimetre, for the custom size
    int orientation = kPortrait;
    int copies = 1;
};

struct PrinterPaper {
    int code = 0;
    std::string name;
};

class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;

    virtual std::vector<std::string> PrinterNames() const = 0;
    virtual int PrinterIndex() const = 0;
    virtual void SetPrinterIndex(int index) = 0;

    // Of the current printer.
    virtual std::string Device() const = 0;
    virtual std::string Driver() const = 0;
    virtual std::string Port() const = 0;
    virtual DeviceMode Mode() const = 0;
    // Applies a settings record; may raise marlune::Error.
    virtual void SetMode(const DeviceMode& mode) = 0;
    virtual std::vector<PrinterPaper> Papers() const = 0;

    // Measures for the current settings, in device pixels.
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
    virtual int PhysicalWidth() const = 0;
    virtual int PhysicalHeight() const = 0;
    virtual int PhysicalOffsetX() const = 0;
    virtual int PhysicalOffsetY() const = 0;
    virtual int PageWidth() const = 0; // the printable area
    virtual int PageHeight() const = 0;
};

} // namespace marlune::report
