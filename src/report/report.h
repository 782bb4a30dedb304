#pragma once

#include "report/reportpage.h"
#include "report/reportprinter.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace marlune::platform {
class Stream;
}

// A report: its template pages with their views, its named values and
// variables, and the template stream that stores them.
namespace marlune::report {

// A named value: a data field, a special function or an expression.
struct ReportValue {
    std::uint8_t Kind = 0; // 0 not assigned, 1 data field, 2 special function, 3 expression
    std::int32_t OtherKind = 0;
    std::string Dataset;
    std::string Field;
    std::string Name;
    bool operator==(const ReportValue&) const = default;
};

class Report {
public:
    // Shows a message box; the library has no widgets, so the program
    // supplies it. Without one the message goes to the standard error.
    using MessageHandler = std::function<void(const std::string& text, const std::string& caption)>;

    explicit Report(ReportPrinter& printer = DefaultPrinter());

    ReportPage& AddPage(int paperCode, int paperWidth, int paperHeight, int orientation);

    // Reads a template stream. A stream of a newer format is refused with a
    // message and the pages kept; a damaged one leaves one empty A4 page and
    // the message "Unsupported report format".
    void ReadTemplate(platform::Stream& stream);
    std::string WriteTemplate() const;

    // The container that the window's form data holds: the marker 23, then,
    // with StoreInDFM, the size and the template stream.
    void ReadReportForm(platform::Stream& stream);
    std::string WriteReportForm() const;

    ReportPrinter& Printer() const { return printer_; }

    std::vector<std::unique_ptr<ReportPage>> Pages;
    std::vector<ReportValue> Values;
    Lines Variables;
    bool PrintToDefault = true;
    bool DoublePass = false;
    bool StoreInDFM = true;
    MessageHandler OnMessage;

private:
    void ShowMessage(const std::string& text) const;
    // The failure rule: one empty A4 page and "Unsupported report format".
    void FailLoad();
    void ReadRecords(StreamReader& reader);
    void ReadPage(StreamReader& reader);
    void ReadValues(StreamReader& reader);
    void ReadObject(StreamReader& reader, int kind, std::set<std::string>& usedNames);

    ReportPrinter& printer_;
};

} // namespace marlune::report
