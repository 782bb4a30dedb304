#pragma once

#include "report/preparedpages.h"
#include "report/reportview.h"

#include <vector>

// Where the preview puts its pages: the zoom that a zoom mode gives for the
// page area, the pages in rows 10 pixels apart, and the scroll ranges.
namespace marlune::report::preview {

// How the zoom is chosen: a fixed factor, or one that fits the page area.
enum class ZoomMode {
    Fixed,
    PageWidth,
    WholePage,
    TwoPages,
};

// A page's paper in report units.
struct PaperUnits {
    int width = 0;
    int height = 0;
};

// The paper of a prepared page in report units: from its print geometry,
// or from its size in tenths of a millimetre when it has none.
PaperUnits PaperOf(const PreparedPage& page);

struct PageLayout {
    // Screen pixels per report unit.
    double factor = 1.0;
    int pagesPerRow = 1;
    // One rectangle per page, unscrolled, in page-area pixels.
    std::vector<DrawRectangle> rects;
    int horizontalRange = 0;
    int verticalRange = 0;
};

// The zoom factor a mode gives for the current page's paper in an area of
// the given size; a fixed mode keeps `factor`.
double ZoomFactor(ZoomMode mode, double factor, PaperUnits current, int areaWidth, int areaHeight);

// Lays out every page at the factor that `mode` gives (see ZoomFactor) for
// the paper of page `current` (0-based).
PageLayout LayOutPages(const std::vector<PaperUnits>& papers, int current, ZoomMode mode,
                       double factor, int areaWidth, int areaHeight);

// What the preview does with a page's views, decided where the view is laid
// out or scrolled, never while painting: a page on screen is drawn; one
// within reach below the area keeps its views, so that scrolling on does not
// read them again; any other gives them up.
enum class PageNeed { Release, Keep, Show };

// `onArea`: the page in page-area pixels (right and bottom exclusive), the
// area being `areaWidth` × `areaHeight` from its origin.
PageNeed NeedOf(const DrawRectangle& onArea, int areaWidth, int areaHeight);

} // namespace marlune::report::preview
