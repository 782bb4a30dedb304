#pragma once

#include "report/preparedpages.h"

#include <cstdint>
#include <string>

namespace marlune::platform {
class Stream;
}

// The report file (".prp"): the prepared pages of a built report with each
// page's paper and page stream, saved from the preview and loaded back in
// place of a build. A loaded report can be previewed and printed but not
// rebuilt; the print geometry is not stored but computed again on loading.
namespace marlune::report {

class ReportPrinter;
class StreamWriter;

inline constexpr const char* kReportFileDescription = "Report file";
inline constexpr const char* kReportFileExtension = "prp";
// The largest report file written or read: the pages are read whole into
// memory, and the biggest list this program builds stays well below it.
inline constexpr std::int64_t kMaxReportFileSize = std::int64_t{512} << 20;

// The file: compression flag 0, the printer name, the page count, then per
// page its end position, paper and page stream. Raises marlune::Error when
// the pages outgrow kMaxReportFileSize.
void WritePreparedFile(const PreparedPages& pages, const std::string& printerName,
                       StreamWriter& writer);

// Writes the file under the name of the printer layer's current printer
// through a new file beside `path`, renamed over it once complete: a save
// that fails raises marlune::Error ("Cannot create file ...") and leaves an
// existing file as it was.
void SavePreparedFile(const PreparedPages& pages, const ReportPrinter& printer,
                      const std::string& path);

// Reads a report file, or one of the older layout (a metafile per page: each
// becomes an empty page of its paper holding the metafile as a picture),
// into new pages. The printer named in the file becomes current unless
// `printToDefault`; each page's paper is selected and its geometry computed.
// A file of compressed pages (flag 1) loads with empty pages. A damaged or
// short file raises marlune::Error "Not a report file: ..." and changes
// nothing, the printer layer's current printer included. A file may hold no
// pages.
PreparedPages ReadPreparedFile(platform::Stream& stream, ReportPrinter& printer,
                               bool printToDefault);
// The same from a file; "Cannot open file ..." when it cannot be opened. A
// file larger than kMaxReportFileSize is refused before anything is read.
PreparedPages LoadPreparedFile(const std::string& path, ReportPrinter& printer,
                               bool printToDefault);

} // namespace marlune::report
