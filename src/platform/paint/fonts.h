#pragma once

#include <QFont>
#include <QFontMetrics>

class QPaintDevice;
class QString;

// The program's fonts. The original desktop names Verdana, MS Sans Serif and
// Arial; here DejaVu Sans stands in for the first two and Liberation Sans
// (metric-compatible with Arial) for the third. Sizes are character heights
// in pixels (the em height without internal leading): 11 px is 8 point at
// 96 dpi. Kerning is off, as the original text output does not kern, so
// widths add up character by character.
namespace marlune::platform::paint {

inline constexpr int kScreenDpi = 96;

QFont VerdanaFont(int characterHeightPx);
QFont SansSerifFont(int characterHeightPx);
QFont ArialFont(int characterHeightPx);

// Points at 96 dpi to a character height in pixels, rounded (8 pt -> 11 px).
int PointsToPixels(int points);

// A paint device of 96 dpi for measuring text "at 96 pixels per inch"
// whatever the screen or printer. Lives for the whole run.
const QPaintDevice& Device96Dpi();

// Metrics of a font on that device.
QFontMetrics Metrics96(const QFont& font);
int TextWidth96(const QFont& font, const QString& text);
int TextHeight96(const QFont& font); // ascent + descent, as the platform's text height

} // namespace marlune::platform::paint
