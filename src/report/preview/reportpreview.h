#pragma once

#include "report/preparedpages.h"
#include "report/printoutcome.h"

#include <functional>
#include <optional>
#include <string>

class QWidget;

// A report's preview: the window made from the report's settings, with
// saving (Ctrl+S: a report file, or any registered export such as PDF) and
// loading (Ctrl+O) of prepared reports wired to it.
namespace marlune::report {

class Report;

namespace preview {

class PreviewForm;

// The print command of a report's preview, which the program supplies (the
// print dialog is not the preview's): prints the preview's pages, which it
// only reads, and returns the pages it built anew for another printer, if
// any; the preview shows those from then on. Called only with pages and a
// printer; `currentPage` counts from 1; `parent` is the preview.
using PrintCommand = std::function<PrintOutcome(Report& report, const PreparedPages& pages,
                                                int currentPage, QWidget* parent)>;

// Shows the pages under `caption` as `report` asks (zoom, buttons, modal);
// returns when a modal preview has closed.
void ShowReportPreview(Report& report, PreparedPages pages, const std::string& caption,
                       QWidget* parent, const PrintCommand& print = {});

// Ctrl+S: asks for a file name and writes the preview's pages through the
// chosen entry: "Report file (*.prp)" or a registered export.
void SavePreviewPages(Report& report, PreviewForm& preview);
// Ctrl+O: asks for a report file and shows its pages instead; the report
// can no longer be rebuilt for another printer.
void LoadPreviewPages(Report& report, PreviewForm& preview);

} // namespace preview
} // namespace marlune::report
