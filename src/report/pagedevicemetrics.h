#pragma once

#include <QPaintDevice>
#include <QSize>

#include <optional>

namespace marlune::report {

// What a page-sized paint device that is no screen tells its painters: its
// size in dots and millimetres, one resolution on both axes, full colour, one
// device pixel per pixel. The PDF page and the preview's text recorder are
// both such devices, so they answer alike.
struct PageDeviceMetrics {
    QSize dots;
    QSize millimetres;
    int dpi = 72;

    // A page measured in points (1/72 inch), drawn at `dpi`.
    static PageDeviceMetrics FromPoints(double widthPt, double heightPt, int dpi);
    // A page measured in dots at `dpi`.
    static PageDeviceMetrics FromDots(int width, int height, int dpi);

    // The answer to QPaintDevice::metric; none for the metrics a device
    // leaves to QPaintDevice's own.
    std::optional<int> Metric(QPaintDevice::PaintDeviceMetric metric) const;
};

} // namespace marlune::report
