#pragma once

#include <cstdint>

// Report units and the rounding every report measure uses.
//
// Positions and sizes of views, bands and margins are report units: 93 / 1.022
// of them to the inch across and 93 / 1.015 down. Paper sizes are tenths of a
// millimetre. Text is measured at 96 pixels per inch whatever the device.
namespace marlune::report {

inline constexpr double kUnitsPerInchX = 90.99804305283757;
inline constexpr double kUnitsPerInchY = 91.62561576354680426;
inline constexpr int kTextDpi = 96;

// Nearest integer, halves to even (the processor's default rounding).
int Round(double x);

// Integer division truncating toward zero; a zero divisor gives 0.
int Div(int a, int b);

// A paper dimension in tenths of a millimetre to report units.
int TenthsToUnitsX(int tenths);
int TenthsToUnitsY(int tenths);

// Device pixels at the given resolution to report units.
int PixelsToUnitsX(int pixels, int dpi);
int PixelsToUnitsY(int pixels, int dpi);

// The character height in pixels of a font of `points` at 96 pixels per inch.
int PointsToPixels96(int points);

} // namespace marlune::report
