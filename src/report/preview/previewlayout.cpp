#include "report/preview/previewlayout.h"

#include "report/units.h"

#include <algorithm>

namespace marlune::report::preview {
namespace {

constexpr int kGap = 10;
// Pages further below the top of the area than this are not kept loaded.
constexpr int kNearPixels = 2000;

int RangeOf(int extent, int area)
{
    const int range = extent - area;
    return range < 0 ? 0 : range + kGap;
}

} // namespace

PaperUnits PaperOf(const PreparedPage& page)
{
    if (page.geometry.paperWidth > 0 && page.geometry.paperHeight > 0) {
        return {page.geometry.paperWidth, page.geometry.paperHeight};
    }
    return {TenthsToUnitsX(page.paperWidth), TenthsToUnitsY(page.paperHeight)};
}

double ZoomFactor(ZoomMode mode, double factor, PaperUnits current, int areaWidth, int areaHeight)
{
    // A page without paper (a damaged entry) keeps the factor rather than
    // dividing by zero.
    if (current.width <= 0 || current.height <= 0) {
        return factor;
    }
    switch (mode) {
    case ZoomMode::PageWidth:
        return (areaWidth - 2 * kGap) / static_cast<double>(current.width);
    case ZoomMode::WholePage:
        return (areaHeight - 2 * kGap) / static_cast<double>(current.height);
    case ZoomMode::TwoPages:
        return (areaWidth - 3 * kGap) / (2.0 * current.width);
    case ZoomMode::Fixed:
        break;
    }
    return factor;
}

PageLayout LayOutPages(const std::vector<PaperUnits>& papers, int current, ZoomMode mode,
                       double factor, int areaWidth, int areaHeight)
{
    PageLayout layout;
    const bool hasCurrent = current >= 0 && current < static_cast<int>(papers.size());
    layout.factor = hasCurrent ? ZoomFactor(mode, factor, papers[static_cast<std::size_t>(current)],
                                            areaWidth, areaHeight)
                               : factor;
    // A zoom that leaves a page no pixel at all still gives it one, so that
    // every page keeps a place to click on.
    layout.factor = std::max(layout.factor, 0.001);
    const double f = layout.factor;
    auto widthOf = [f](const PaperUnits& p) { return std::max(Round(p.width * f), 1); };
    auto heightOf = [f](const PaperUnits& p) { return std::max(Round(p.height * f), 1); };

    if (mode == ZoomMode::WholePage) {
        layout.pagesPerRow = 1;
    } else if (mode == ZoomMode::TwoPages) {
        layout.pagesPerRow = 2;
    } else {
        int most = 1;
        int inRow = 0;
        int x = kGap;
        for (const PaperUnits& paper : papers) {
            const int w = widthOf(paper);
            if (inRow > 0 && x + w > areaWidth) {
                x = kGap;
                inRow = 0;
            }
            x += w + kGap;
            ++inRow;
            most = std::max(most, inRow);
        }
        layout.pagesPerRow = most;
    }

    layout.rects.reserve(papers.size());
    int y = kGap;
    int right = 0;
    int bottom = 0;
    for (std::size_t first = 0; first < papers.size();
         first += static_cast<std::size_t>(layout.pagesPerRow)) {
        const std::size_t end =
            std::min(papers.size(), first + static_cast<std::size_t>(layout.pagesPerRow));
        int x = kGap;
        int tallest = 0;
        for (std::size_t i = first; i < end; ++i) {
            const int w = widthOf(papers[i]);
            const int h = heightOf(papers[i]);
            int left = x;
            if (layout.pagesPerRow == 1 && w < areaWidth) {
                left = (areaWidth - w) / 2;
            }
            layout.rects.push_back({left, y, left + w, y + h});
            right = std::max(right, left + w);
            bottom = std::max(bottom, y + h);
            tallest = std::max(tallest, h);
            x += w + kGap;
        }
        y += tallest + kGap;
    }
    layout.horizontalRange = RangeOf(right, areaWidth);
    layout.verticalRange = RangeOf(bottom, areaHeight);
    return layout;
}

PageNeed NeedOf(const DrawRectangle& onArea, int areaWidth, int areaHeight)
{
    const bool empty = onArea.right <= onArea.left || onArea.bottom <= onArea.top;
    if (!empty && onArea.left < areaWidth && onArea.right > 0 && onArea.top < areaHeight &&
        onArea.bottom > 0) {
        return PageNeed::Show;
    }
    if (onArea.top > kNearPixels || onArea.bottom <= 0) {
        return PageNeed::Release;
    }
    return PageNeed::Keep;
}

} // namespace marlune::report::preview
