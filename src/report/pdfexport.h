#pragma once

#include <string>

// Prepared pages as a PDF file, drawn exactly as the printer draws them.
namespace marlune::report {

class PreparedPages;

inline constexpr const char* kPdfFileDescription = "PDF file";
inline constexpr const char* kPdfFileExtension = "pdf";

// Writes every page on a sheet of its own paper size and orientation,
// through the printer's drawing path at a high resolution. Needs a
// QGuiApplication (the offscreen platform will do) but no window. The file
// is written beside `path` and renamed over it once complete; a failure
// raises marlune::Error and leaves no part of a file behind (an existing
// file stays as it was). Pages without views loaded are released again.
void WritePreparedPagesPdf(PreparedPages& pages, const std::string& path);

} // namespace marlune::report
