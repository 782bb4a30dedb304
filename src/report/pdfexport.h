#pragma once

#include <memory>
#include <string>

// Prepared pages as a PDF file, drawn exactly as the printer draws them.
namespace marlune::report {

class PreparedPages;

inline constexpr const char* kPdfFileDescription = "PDF file";
inline constexpr const char* kPdfFileExtension = "pdf";

// A PDF file that takes pages one at a time as they are ready, each written
// out at once, so that memory does not grow with the page count. The file is
// written beside `path` and renamed over it by Commit; without Commit (a
// failure, an exception) no part of a file is left behind and an existing
// file stays as it was. Needs a QGuiApplication (the offscreen platform will
// do). Failures raise marlune::Error.
class PdfFile {
public:
    explicit PdfFile(const std::string& path);
    ~PdfFile();
    PdfFile(const PdfFile&) = delete;
    PdfFile& operator=(const PdfFile&) = delete;

    // Draws page `index` on a sheet of its own paper size and orientation,
    // through the printer's drawing path at a high resolution, from views
    // read for this sheet alone: the pages are only read.
    void AddPage(const PreparedPages& pages, int index);
    int PageCount() const;
    void Commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Writes every page (see PdfFile).
void WritePreparedPagesPdf(const PreparedPages& pages, const std::string& path);

} // namespace marlune::report
