#pragma once

#include <functional>
#include <string>
#include <vector>

// The formats the preview's save dialog offers: the report file first, then
// each registered export filter. The PDF filter is registered from the start.
namespace marlune::report {

class PreparedPages;
class ReportPrinter;

struct ExportFilter {
    std::string description; // "PDF file"
    std::string extension;   // without the dot: "pdf"
    // Writes the pages to the file; raises marlune::Error on failure.
    std::function<void(const PreparedPages& pages, const std::string& path)> write;
};

// The registered filters in the order they were registered.
const std::vector<ExportFilter>& ExportFilters();
void RegisterExportFilter(ExportFilter filter);

// The dialog's entry for a format: "PDF file (*.pdf)".
std::string FilterText(const std::string& description, const std::string& extension);
// The save dialog's entries: "Report file (*.prp)", then each filter's.
std::vector<std::string> SaveFilterTexts();

// The name with its extension replaced (or added when it has none).
std::string WithExtension(const std::string& path, const std::string& extension);

// Saves through the save dialog's entry `index` (0 the report file, under
// the printer layer's current printer; 1 on the registered filters) under
// `path` given the entry's extension, and returns that name. Raises
// marlune::Error on failure, leaving an existing file as it was.
std::string SaveThroughFilter(int index, const PreparedPages& pages, const ReportPrinter& printer,
                              const std::string& path);

} // namespace marlune::report
