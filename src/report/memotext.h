#pragma once

#include "platform/paint/colors.h"
#include "platform/paint/fontcache.h"

#include <QFont>

#include <cstdint>
#include <string>
#include <vector>

class QPainter;

// Memo text layout. Wrapping breaks the text into output lines measured once
// at 96 pixels per inch; each wrapped line carries its measured width. Line
// output then fits each line to that width scaled to the device, so that text
// fills the same fraction of its box at every zoom and on paper.
namespace marlune::report {

using Lines = std::vector<std::string>;

inline constexpr std::uint16_t fsItalic = 1;
inline constexpr std::uint16_t fsBold = 2;
inline constexpr std::uint16_t fsUnderline = 4;

struct MemoFont {
    std::string Name = "Arial";
    std::int32_t Size = 10; // points
    std::uint16_t Style = 0;
    platform::paint::TColor Color = platform::paint::clBlack;
    std::uint8_t Charset = 0;
    bool operator==(const MemoFont&) const = default;
};

// The tallest character drawn, in pixels: a glyph of millions of pixels
// would take the renderer down, so heights stop at what a poster needs.
inline constexpr int kMaxFontPixelHeight = 4096;
// The largest font size drawn, in points: kMaxFontPixelHeight at 96 dpi.
inline constexpr int kMaxFontPoints = kMaxFontPixelHeight * 72 / 96;

// The font with the given character height in pixels (1 to
// kMaxFontPixelHeight).
QFont MakeFont(const MemoFont& font, int pixelHeight);

// MakeFont's font on `device` (at its vertical resolution), with its
// measurements, shared with every other caller asking for the same.
std::shared_ptr<platform::paint::MeasuredFont>
MeasuredMemoFont(const MemoFont& font, int pixelHeight, const QPaintDevice* device);
// The same at 96 pixels per inch.
std::shared_ptr<platform::paint::MeasuredFont> MeasuredMemoFont96(const MemoFont& font,
                                                                  int pixelHeight);

// A wrapped line: text, then character 1 if it ends a paragraph, then its
// width at 96 pixels per inch in two bytes, high byte first.
struct WrappedLine {
    std::string text;
    bool paragraphEnd = false;
    int width = 0;
};
std::string EncodeWrappedLine(const WrappedLine& line);
WrappedLine DecodeWrappedLine(const std::string& line);

// Text that holds character 1 anywhere is already in wrapped form.
bool IsWrappedForm(const Lines& text);

// Width of 8-bit text at 96 pixels per inch with `charGap` extra pixels after
// each character.
int MeasureText96(const QFont& font, int charGap, const std::string& text);
// The same with a font measured at 96 dpi (MeasuredMemoFont96).
int MeasureText96(platform::paint::MeasuredFont& font, int charGap, const std::string& text);

struct WrapOptions {
    std::shared_ptr<platform::paint::MeasuredFont> font; // at the 96-dpi character height
    int charGap = 0;
    int availableWidth = 0;
    bool wordWrap = true;
    // Hyphenate the overflowing word of Latin text: see WrapText.
    bool wordBreak = false;
};

// Breaks the text into wrapped lines.
Lines WrapText(const Lines& text, const WrapOptions& options);

// The widest line of the text (the trailing line break left out), at 96
// pixels per inch.
int MeasureTextWidth(const Lines& text, platform::paint::MeasuredFont& font, int charGap);

enum class MemoDrawMode { All, AfterHeightMeasure, Part };

// Where and how wrapped lines are drawn, all in device pixels.
struct LineOutputBox {
    int left = 0; // the view's box at the device scale
    int top = 0;
    int width = 0;
    int height = 0;
    int gapX = 0;
    int gapY = 0;
    int clipLeft = 0; // the draw rectangle
    int clipTop = 0;
    int clipRight = 0;
    int clipBottom = 0;
};

struct LineOutputStyle {
    MemoFont font;
    int fontPixelHeight = 0; // on the device
    int charGap = 0;         // on the device
    int lineGap = 0;         // on the device
    int adjust = 0;
    double scaleX = 1.0;
    int blockHeight = 0; // vertical extent on the device
    bool stopAtClip = false;
    // Each line as one run of placed glyphs rather than one text per
    // character: the same positions, a fraction of the work for a PDF or a
    // printer. Text-recording devices need the characters, so not on screen.
    bool glyphRuns = false;
};

// Draws `lines` (wrapped form) from `firstLine`; returns the index of the
// first line not drawn.
int OutputLines(QPainter& painter, const Lines& lines, int firstLine, const LineOutputBox& box,
                const LineOutputStyle& style);

} // namespace marlune::report
