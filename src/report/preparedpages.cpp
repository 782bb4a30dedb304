#include "report/preparedpages.h"

#include "platform/stream.h"
#include "report/reportpage.h"
#include "report/streamio.h"
#include "report/viewrecord.h"

#include "platform/error.h"

#include <QPainter>

#include <unistd.h>

#include <utility>

namespace marlune::report {

PreparedPages::PreparedPages() = default;

PreparedPages::~PreparedPages()
{
    if (spill_ != nullptr) {
        std::fclose(spill_);
    }
}

PreparedPages::PreparedPages(PreparedPages&& other) noexcept
    : pages_(std::move(other.pages_)), spill_(std::exchange(other.spill_, nullptr)),
      spillEnd_(std::exchange(other.spillEnd_, 0))
{
    other.pages_.clear();
}

PreparedPages& PreparedPages::operator=(PreparedPages&& other) noexcept
{
    if (this != &other) {
        Clear();
        pages_ = std::move(other.pages_);
        other.pages_.clear();
        spill_ = std::exchange(other.spill_, nullptr);
        spillEnd_ = std::exchange(other.spillEnd_, 0);
    }
    return *this;
}

void PreparedPages::Clear()
{
    pages_.clear();
    if (spill_ != nullptr) {
        std::fclose(spill_);
        spill_ = nullptr;
    }
    spillEnd_ = 0;
}

void PreparedPages::Spill(int index)
{
    PreparedPage& page = (*this)[index];
    if (page.spillOffset >= 0 || page.viewsLoaded || page.stream.size() <= 1) {
        return;
    }
    if (spill_ == nullptr) {
        spill_ = std::tmpfile();
        if (spill_ == nullptr) {
            return;
        }
    }
    if (::pwrite(fileno(spill_), page.stream.data(), page.stream.size(), spillEnd_) !=
        static_cast<ssize_t>(page.stream.size())) {
        return;
    }
    page.spillOffset = spillEnd_;
    page.spillSize = page.stream.size();
    spillEnd_ += static_cast<std::int64_t>(page.stream.size());
    std::string().swap(page.stream);
}

std::string PreparedPages::Stream(int index) const
{
    const PreparedPage& page = (*this)[index];
    if (page.spillOffset < 0) {
        return page.stream;
    }
    std::string bytes(page.spillSize, '\0');
    if (::pread(fileno(spill_), bytes.data(), bytes.size(), page.spillOffset) !=
        static_cast<ssize_t>(bytes.size())) {
        throw Error("The pages' temporary file could not be read");
    }
    return bytes;
}

void PreparedPages::Unspill(int index)
{
    PreparedPage& page = (*this)[index];
    if (page.spillOffset >= 0) {
        page.stream = Stream(index);
        page.spillOffset = -1;
        page.spillSize = 0;
    }
}

void PreparedPages::Drop(int index)
{
    Release(index);
    PreparedPage& page = (*this)[index];
    page.spillOffset = -1;
    page.spillSize = 0;
    std::string(1, static_cast<char>(kCurrentVersion)).swap(page.stream);
}

PreparedPage& PreparedPages::Add(const ReportPage& templatePage)
{
    PreparedPage& page = AddEmpty();
    page.paperCode = templatePage.PaperCode;
    page.paperWidth = templatePage.PaperWidth;
    page.paperHeight = templatePage.PaperHeight;
    page.orientation = templatePage.Orientation;
    page.useMargins = templatePage.UseMargins;
    page.geometry = templatePage.Geometry;
    return page;
}

PreparedPage& PreparedPages::AddEmpty()
{
    pages_.emplace_back().stream.assign(1, static_cast<char>(kCurrentVersion));
    if (Count() > kHeldPages) {
        Spill(Count() - 1 - kHeldPages);
    }
    return pages_.back();
}

std::vector<std::unique_ptr<ReportView>> PreparedPages::ReadViews(int index) const
{
    const PreparedPage& page = (*this)[index];
    const std::string spilled = page.spillOffset >= 0 ? Stream(index) : std::string();
    auto stream = platform::MemoryStream::View(page.spillOffset >= 0 ? spilled : page.stream);
    return ReadPageForm(stream);
}

std::vector<std::unique_ptr<ReportView>>& PreparedPages::Views(int index)
{
    PreparedPage& page = (*this)[index];
    if (!page.viewsLoaded) {
        page.views = ReadViews(index);
        page.viewsLoaded = true;
    }
    return page.views;
}

void PreparedPages::Release(int index)
{
    PreparedPage& page = (*this)[index];
    page.views.clear();
    page.viewsLoaded = false;
}

void PreparedPages::Output(int index, const ReportView& view)
{
    Unspill(index);
    PreparedPage& page = (*this)[index];
    // Positions inside a record (a picture's end) count from the page's start.
    StreamWriter writer(std::move(page.stream));
    view.OutputToPage(writer);
    page.stream = writer.Take();
    if (page.viewsLoaded) {
        Release(index);
    }
}

namespace {

void DrawViews(QPainter& painter, const std::vector<std::unique_ptr<ReportView>>& views,
               double scaleX, double scaleY, int offsetX, int offsetY, bool printing,
               const std::function<bool()>& stop)
{
    // On screen only the views near the part being repainted (the painter's
    // clip) are drawn; on the printer every view is.
    const bool cull = !printing && painter.hasClipping();
    const QRectF repainted = cull ? painter.clipBoundingRect() : QRectF();
    for (const auto& view : views) {
        if (stop && stop()) {
            return;
        }
        if (!view->Visible) {
            continue;
        }
        if (cull) {
            constexpr double kMargin = 10;
            const QRectF box = QRectF(view->Left * scaleX + offsetX, view->Top * scaleY + offsetY,
                                      view->Width * scaleX, view->Height * scaleY)
                                   .normalized()
                                   .adjusted(-kMargin, -kMargin, kMargin, kMargin);
            if (!box.intersects(repainted)) {
                continue;
            }
        }
        view->ScaleX = scaleX;
        view->ScaleY = scaleY;
        view->OffsetX = offsetX;
        view->OffsetY = offsetY;
        view->IsPrinting = printing;
        view->Draw(painter);
    }
}

} // namespace

void DrawPreparedPage(QPainter& painter, PreparedPages& pages, int index, double scaleX,
                      double scaleY, int offsetX, int offsetY, bool printing,
                      const std::function<bool()>& stop)
{
    DrawViews(painter, pages.Views(index), scaleX, scaleY, offsetX, offsetY, printing, stop);
}

void DrawPreparedPage(QPainter& painter, const PreparedPages& pages, int index, double scaleX,
                      double scaleY, int offsetX, int offsetY, bool printing,
                      const std::function<bool()>& stop)
{
    DrawViews(painter, pages.ReadViews(index), scaleX, scaleY, offsetX, offsetY, printing, stop);
}

} // namespace marlune::report
