#include "report/preparedpages.h"

#include "platform/stream.h"
#include "report/reportpage.h"
#include "report/streamio.h"
#include "report/viewrecord.h"

#include <QPainter>

namespace marlune::report {

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
    PreparedPage& page = pages_.emplace_back();
    page.stream.assign(1, static_cast<char>(kCurrentVersion));
    return page;
}

std::vector<std::unique_ptr<ReportView>>& PreparedPages::Views(int index)
{
    PreparedPage& page = (*this)[index];
    if (!page.viewsLoaded) {
        auto stream = platform::MemoryStream::View(page.stream);
        page.views = ReadPageForm(stream);
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
    PreparedPage& page = (*this)[index];
    // Positions inside a record (a picture's end) count from the page's start.
    StreamWriter writer(std::move(page.stream));
    view.OutputToPage(writer);
    page.stream = writer.Take();
    if (page.viewsLoaded) {
        Release(index);
    }
}

void DrawPreparedPage(QPainter& painter, PreparedPages& pages, int index, double scaleX,
                      double scaleY, int offsetX, int offsetY, bool printing,
                      const std::function<bool()>& stop)
{
    // On screen only the views near the part being repainted (the painter's
    // clip) are drawn; on the printer every view is.
    const bool cull = !printing && painter.hasClipping();
    const QRectF repainted = cull ? painter.clipBoundingRect() : QRectF();
    for (const auto& view : pages.Views(index)) {
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

} // namespace marlune::report
