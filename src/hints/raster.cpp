#include "hints/raster.h"

#include <algorithm>
#include <cstdlib>

namespace marlune::hints::raster {
namespace {

// Whether a pixel centre lies in the ellipse with the given box.
bool InEllipse(int x, int y, double left, double top, double width, double height)
{
    if (width <= 0 || height <= 0) {
        return false;
    }
    const double rx = width / 2;
    const double ry = height / 2;
    const double dx = (x + 0.5 - (left + rx)) / rx;
    const double dy = (y + 0.5 - (top + ry)) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// Fills the pixels of a shape, and outlines those of its pixels that have a
// neighbour outside it.
template <typename Inside>
void FillAndOutline(QImage& image, int x1, int y1, int x2, int y2, QRgb pen, QRgb fill,
                    Inside inside)
{
    for (int y = y1; y < y2; ++y) {
        for (int x = x1; x < x2; ++x) {
            if (!inside(x, y)) {
                continue;
            }
            const bool edge =
                !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            SetPixel(image, x, y, edge ? pen : fill);
        }
    }
}

} // namespace

void SetPixel(QImage& image, int x, int y, QRgb color)
{
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height()) {
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = color;
    }
}

void FillRect(QImage& image, int x1, int y1, int x2, int y2, QRgb color)
{
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, image.width());
    y2 = std::min(y2, image.height());
    for (int y = y1; y < y2; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(row + x1, row + std::max(x1, x2), color);
    }
}

bool InRoundRect(int x, int y, int x1, int y1, int x2, int y2, int corner)
{
    if (x < x1 || y < y1 || x >= x2 || y >= y2) {
        return false;
    }
    if (corner <= 0) {
        return true;
    }
    // Inside a corner square, the pixel must also lie in that corner's ellipse.
    const int e = std::min({corner, x2 - x1, y2 - y1});
    const bool left = x < x1 + e / 2;
    const bool right = x >= x2 - e / 2;
    const bool top = y < y1 + e / 2;
    const bool bottom = y >= y2 - e / 2;
    if (!((left || right) && (top || bottom))) {
        return true;
    }
    const double ex = left ? x1 : x2 - e;
    const double ey = top ? y1 : y2 - e;
    return InEllipse(x, y, ex, ey, e, e);
}

void RoundRect(QImage& image, int x1, int y1, int x2, int y2, int corner, QRgb pen, QRgb fill)
{
    FillAndOutline(image, x1, y1, x2, y2, pen, fill,
                   [&](int x, int y) { return InRoundRect(x, y, x1, y1, x2, y2, corner); });
}

void Line(QImage& image, QPoint a, QPoint b, QRgb color)
{
    int x = a.x();
    int y = a.y();
    const int dx = std::abs(b.x() - x);
    const int dy = -std::abs(b.y() - y);
    const int sx = x < b.x() ? 1 : -1;
    const int sy = y < b.y() ? 1 : -1;
    int error = dx + dy;
    while (x != b.x() || y != b.y()) {
        SetPixel(image, x, y, color);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

bool InTriangle(int x, int y, QPoint a, QPoint b, QPoint c)
{
    const double px = x + 0.5;
    const double py = y + 0.5;
    const auto side = [&](QPoint p, QPoint q) {
        return (q.x() - p.x()) * (py - p.y()) - (q.y() - p.y()) * (px - p.x());
    };
    const double d1 = side(a, b);
    const double d2 = side(b, c);
    const double d3 = side(c, a);
    const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
    const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

void FillTriangle(QImage& image, QPoint a, QPoint b, QPoint c, QRgb color)
{
    const int x1 = std::min({a.x(), b.x(), c.x()});
    const int x2 = std::max({a.x(), b.x(), c.x()});
    const int y1 = std::min({a.y(), b.y(), c.y()});
    const int y2 = std::max({a.y(), b.y(), c.y()});
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            if (InTriangle(x, y, a, b, c)) {
                SetPixel(image, x, y, color);
            }
        }
    }
}

void Ellipse(QImage& image, int x1, int y1, int x2, int y2, QRgb pen, QRgb fill)
{
    if (x2 < x1) {
        std::swap(x1, x2);
    }
    if (y2 < y1) {
        std::swap(y1, y2);
    }
    FillAndOutline(image, x1, y1, x2, y2, pen, fill, [&](int x, int y) {
        return x >= x1 && y >= y1 && x < x2 && y < y2 && InEllipse(x, y, x1, y1, x2 - x1, y2 - y1);
    });
}

} // namespace marlune::hints::raster
