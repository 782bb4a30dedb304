#include "report/pagedevicemetrics.h"

#include <climits>
#include <cmath>

namespace marlune::report {

namespace {

int Rounded(double value)
{
    return static_cast<int>(std::lround(value));
}

} // namespace

PageDeviceMetrics PageDeviceMetrics::FromPoints(double widthPt, double heightPt, int dpi)
{
    return {QSize(Rounded(widthPt / 72 * dpi), Rounded(heightPt / 72 * dpi)),
            QSize(Rounded(widthPt / 72 * 25.4), Rounded(heightPt / 72 * 25.4)), dpi};
}

PageDeviceMetrics PageDeviceMetrics::FromDots(int width, int height, int dpi)
{
    return {QSize(width, height), QSize(Rounded(width * 25.4 / dpi), Rounded(height * 25.4 / dpi)),
            dpi};
}

std::optional<int> PageDeviceMetrics::Metric(QPaintDevice::PaintDeviceMetric metric) const
{
    switch (metric) {
    case QPaintDevice::PdmWidth:
        return dots.width();
    case QPaintDevice::PdmHeight:
        return dots.height();
    case QPaintDevice::PdmWidthMM:
        return millimetres.width();
    case QPaintDevice::PdmHeightMM:
        return millimetres.height();
    case QPaintDevice::PdmNumColors:
        return INT_MAX;
    case QPaintDevice::PdmDepth:
        return 32;
    case QPaintDevice::PdmDpiX:
    case QPaintDevice::PdmDpiY:
    case QPaintDevice::PdmPhysicalDpiX:
    case QPaintDevice::PdmPhysicalDpiY:
        return dpi;
    case QPaintDevice::PdmDevicePixelRatio:
        return 1;
    case QPaintDevice::PdmDevicePixelRatioScaled:
        return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    default:
        return std::nullopt;
    }
}

} // namespace marlune::report
