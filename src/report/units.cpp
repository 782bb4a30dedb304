#include "report/units.h"

#include <cmath>
#include <limits>

namespace marlune::report {

int Round(double x)
{
    if (!std::isfinite(x)) {
        return 0;
    }
    // Computed rather than left to the floating-point mode, so that a caller
    // that changed the mode still gets halves to even.
    double nearest = std::floor(x + 0.5);
    if (nearest - x == 0.5 && std::fmod(nearest, 2.0) != 0.0) {
        nearest -= 1.0;
    }
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (nearest >= kMax) {
        return std::numeric_limits<int>::max();
    }
    if (nearest <= kMin) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(nearest);
}

int Div(int a, int b)
{
    if (b == 0 || (a == std::numeric_limits<int>::min() && b == -1)) {
        return 0;
    }
    return a / b;
}

int TenthsToUnitsX(int tenths)
{
    return Round(tenths * kUnitsPerInchX / 254.0);
}

int TenthsToUnitsY(int tenths)
{
    return Round(tenths * kUnitsPerInchY / 254.0);
}

int PixelsToUnitsX(int pixels, int dpi)
{
    return dpi > 0 ? Round(pixels * kUnitsPerInchX / dpi) : 0;
}

int PixelsToUnitsY(int pixels, int dpi)
{
    return dpi > 0 ? Round(pixels * kUnitsPerInchY / dpi) : 0;
}

int PointsToPixels96(int points)
{
    return Round(points * static_cast<double>(kTextDpi) / 72.0);
}

} // namespace marlune::report
