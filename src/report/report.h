#pragma once

#include "report/expr/value.h"
#include "report/preparedpages.h"
#include "report/previewkinds.h"
#include "report/reportpage.h"
#include "report/reportprinter.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace marlune::platform {
class Stream;
}

namespace marlune::report::expr {
class ReportExpressions;
} // namespace marlune::report::expr

// A report: its template pages with their views, its named values and
// variables, and the template stream that stores them.
namespace marlune::report {

class ReportDataset;
class BuildProgress;

enum class ReportType { rtSimple, rtMultiple };

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

    // Builds the prepared pages from the template and the datasets (two
    // passes with DoublePass, inside the progress window when there is
    // one) and returns them. Nullopt when the progress window was closed
    // with Cancel, or when an error in a view stopped the build (ErrorFlag
    // and ErrorText say so).
    std::optional<PreparedPages> Build();
    // Builds into `target`, which the caller may read from OnProgress while
    // the build runs (a writer that takes each page as it is finished).
    // False when the progress window was closed with Cancel; an error sets
    // ErrorFlag and ErrorText and leaves `target` as far as it got.
    bool BuildInto(PreparedPages& target);
    // Builds; on an error shows ErrorText with the caption "Error" and
    // discards the pages; otherwise ShowBuiltReport with what was built (a
    // Cancel in a single pass shows the pages built until then). Returns
    // when the preview has closed.
    void BuildAndPreview();
    // Hands the pages to the preview (OnPreview) with the caption
    // "Preview", " - " and the title; nothing without pages.
    void ShowBuiltReport(PreparedPages pages);
    // "Preview", or "Preview - " and the title.
    std::string PreviewCaption() const;
    // The progress window's caption: "Report preparing", or that, " - " and
    // the title.
    std::string ProgressCaption() const;
    // The progress window a build or print run shows: none with an
    // OnProgress handler or with ShowProgress off.
    BuildProgress* ProgressWindow() const
    {
        return OnProgress || !ShowProgress ? nullptr : Progress;
    }
    // Stops a build at its next check (the progress window's Cancel).
    void Terminate() { Terminated = true; }

    // The datasets the report's bands may name: the components of the
    // report's owner form. Not owned.
    void AddDataset(ReportDataset* dataset);
    ReportDataset* FindDataset(const std::string& name) const;

    std::string Name = "Report1";
    std::string Title;
    ReportDataset* Dataset = nullptr;
    ReportType Type = ReportType::rtSimple;
    PreviewZoom InitialZoom = pzDefault;
    report::PreviewButtons PreviewButtons = kAllPreviewButtons;
    bool GrayedButtons = false;
    bool ModalPreview = true;
    bool ModifyPrepared = true;
    bool ShowProgress = true;
    // The progress window; none builds without one. Not owned.
    BuildProgress* Progress = nullptr;
    // Called with each progress number instead of the progress window.
    std::function<void(int)> OnProgress;
    // Shows prepared pages: the program opens its preview window here and
    // returns when it closes. The pages are the preview's to keep.
    std::function<void(PreparedPages pages, const std::string& caption)> OnPreview;
    // Asked for the value of a bracketed name before anything else.
    std::function<expr::Value(const std::string& name)> OnGetValue;

    bool ErrorFlag = false;
    std::string ErrorText;
    bool Terminated = false;
    // False for pages loaded from a file: a printer change cannot rebuild them.
    bool CanRebuild = true;

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
    std::vector<ReportDataset*> datasets_;
};

// A template's pages as designed, without building: every visible view but
// the band markers, its text as it stands, on a page of the template's paper.
PreparedPages TemplatePages(const Report& report);

} // namespace marlune::report
