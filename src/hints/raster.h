#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

// Pixel-exact drawing on a 32-bit image, in the conventions of the original
// platform's drawing calls: a rectangle (x1, y1)-(x2, y2) covers x1 <= x < x2
// and y1 <= y < y2, a line leaves out its end point, nothing is smoothed.
// Everything outside the image is clipped.
namespace marlune::hints::raster {

void SetPixel(QImage& image, int x, int y, QRgb color);

// Fills (x1, y1)-(x2, y2); nothing when it is empty.
void FillRect(QImage& image, int x1, int y1, int x2, int y2, QRgb color);

// Whether a pixel lies in the rounded rectangle (x1, y1)-(x2, y2) whose
// corners are rounded by an ellipse `corner` x `corner` pixels (0: square).
bool InRoundRect(int x, int y, int x1, int y1, int x2, int y2, int corner);

// A rounded rectangle filled with `fill` and outlined with `pen`, one pixel.
void RoundRect(QImage& image, int x1, int y1, int x2, int y2, int corner, QRgb pen, QRgb fill);

// The line from a to b, without b (Bresenham).
void Line(QImage& image, QPoint a, QPoint b, QRgb color);

// Whether a pixel's centre lies in the triangle a b c (edges included).
bool InTriangle(int x, int y, QPoint a, QPoint b, QPoint c);
void FillTriangle(QImage& image, QPoint a, QPoint b, QPoint c, QRgb color);

// An ellipse in (x1, y1)-(x2, y2) filled with `fill` and outlined with `pen`.
void Ellipse(QImage& image, int x1, int y1, int x2, int y2, QRgb pen, QRgb fill);

} // namespace marlune::hints::raster
