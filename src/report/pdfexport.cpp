#include "report/pdfexport.h"

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "report/pdf/pdfwriter.h"
#include "report/preparedpages.h"
#include "report/units.h"

#include <QPainter>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <unistd.h>

namespace marlune::report {

namespace {

// Dots per inch of the PDF's drawing: fine enough that the report's own
// rounding to device pixels never shows.
constexpr int kPdfDpi = 600;

} // namespace

struct PdfFile::State {
    std::string path;
    platform::PendingFile pending;
    std::FILE* file = nullptr;
    std::unique_ptr<pdf::PdfWriter> writer;

    ~State()
    {
        writer.reset();
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    [[noreturn]] void Fail(int error) const
    {
        throw Error("Cannot create file " + path + ": " + std::strerror(error));
    }
};

PdfFile::PdfFile(const std::string& path) : state_(std::make_unique<State>())
{
    state_->path = path;
    if (std::filesystem::is_directory(path)) {
        state_->Fail(EISDIR);
    }
    const int error = state_->pending.Create(path + ".");
    if (error != 0) {
        state_->Fail(error);
    }
    state_->file = fdopen(dup(state_->pending.Descriptor()), "wb");
    if (state_->file == nullptr) {
        state_->Fail(errno);
    }
    std::setvbuf(state_->file, nullptr, _IOFBF, std::size_t{1} << 16);
    state_->writer = std::make_unique<pdf::PdfWriter>(state_->file, "Report: Marlune", "Marlune");
}

PdfFile::~PdfFile() = default;

int PdfFile::PageCount() const
{
    return state_->writer->PageCount();
}

void PdfFile::AddPage(const PreparedPages& pages, int index)
{
    const PreparedPage& page = pages[index];
    // The paper's sides as the printer layer gives them, already in the
    // page's orientation.
    QPaintDevice& device =
        state_->writer->BeginPage(page.paperWidth / 10.0, page.paperHeight / 10.0, kPdfDpi);
    QPainter painter;
    if (!painter.begin(&device)) {
        throw Error("Cannot create file " + state_->path + ": the PDF could not be started");
    }
    DrawPreparedPage(painter, pages, index, kPdfDpi / kUnitsPerInchX, kPdfDpi / kUnitsPerInchY, 0,
                     0, true);
    painter.end();
    try {
        state_->writer->EndPage();
    } catch (const Error&) {
        state_->Fail(errno != 0 ? errno : EIO);
    }
}

void PdfFile::Commit()
{
    try {
        state_->writer->Finish();
    } catch (const Error&) {
        state_->Fail(errno != 0 ? errno : EIO);
    }
    state_->writer.reset();
    if (std::fclose(state_->file) != 0) {
        state_->file = nullptr;
        state_->Fail(errno);
    }
    state_->file = nullptr;
    const int error = state_->pending.Install(state_->path);
    if (error != 0) {
        state_->Fail(error);
    }
}

void WritePreparedPagesPdf(const PreparedPages& pages, const std::string& path)
{
    if (pages.Empty()) {
        throw Error("There are no pages to write to " + path);
    }
    PdfFile file(path);
    for (int i = 0; i < pages.Count(); ++i) {
        file.AddPage(pages, i);
    }
    file.Commit();
}

} // namespace marlune::report
