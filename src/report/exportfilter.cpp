#include "report/exportfilter.h"

#include "platform/error.h"
#include "report/pdfexport.h"
#include "report/preparedfile.h"

#include <filesystem>
#include <utility>

namespace marlune::report {

namespace {

std::vector<ExportFilter>& Registry()
{
    static std::vector<ExportFilter> filters{
        {kPdfFileDescription, kPdfFileExtension, WritePreparedPagesPdf}};
    return filters;
}

} // namespace

const std::vector<ExportFilter>& ExportFilters()
{
    return Registry();
}

void RegisterExportFilter(ExportFilter filter)
{
    Registry().push_back(std::move(filter));
}

std::string FilterText(const std::string& description, const std::string& extension)
{
    return description + " (*." + extension + ")";
}

std::vector<std::string> SaveFilterTexts()
{
    std::vector<std::string> texts{FilterText(kReportFileDescription, kReportFileExtension)};
    for (const ExportFilter& filter : ExportFilters()) {
        texts.push_back(FilterText(filter.description, filter.extension));
    }
    return texts;
}

std::string WithExtension(const std::string& path, const std::string& extension)
{
    return std::filesystem::path(path).replace_extension(extension).string();
}

std::string SaveThroughFilter(int index, const PreparedPages& pages, const ReportPrinter& printer,
                              const std::string& path)
{
    const std::vector<ExportFilter>& filters = ExportFilters();
    if (index < 0 || index > static_cast<int>(filters.size())) {
        throw Error("There is no file format " + std::to_string(index));
    }
    if (index == 0) {
        const std::string name = WithExtension(path, kReportFileExtension);
        SavePreparedFile(pages, printer, name);
        return name;
    }
    const ExportFilter& filter = filters[static_cast<std::size_t>(index - 1)];
    const std::string name = WithExtension(path, filter.extension);
    filter.write(pages, name);
    return name;
}

} // namespace marlune::report
