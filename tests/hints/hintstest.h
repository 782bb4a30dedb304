#pragma once

#include <QApplication>
#include <QImage>
#include <QRect>

namespace marlune::hints::testing {

// The application the tests run in (offscreen).
QApplication* TestApplication();

// The bounding box of the pixels of exactly `color`; empty when there are none.
QRect BoxOf(const QImage& image, QRgb color);

} // namespace marlune::hints::testing
