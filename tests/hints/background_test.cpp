#include "hints/background.h"
#include "hintstest.h"
#include "platform/error.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace marlune::hints;
namespace platform = marlune::platform;

namespace {

QRgb Rgb(platform::paint::TColor c)
{
    return platform::paint::ColorToQColor(c).rgb();
}

} // namespace

TEST(Gradient, DefaultHorizontalBandsGoFromShadowToHighlight)
{
    marlune::hints::testing::TestApplication();
    Background b;
    const QImage image = b.Picture(100, 40, true);
    const QRgb first = Rgb(platform::paint::clBtnShadow);
    const QRgb last = Rgb(platform::paint::clBtnHighlight);
    // Band n starts M(n, 41, 32) rows down in the n-th of 32 steps from the
    // first colour to the last; each band covers the next one's first row
    // until that band is drawn over it.
    const auto step = [&](int n) {
        const auto mix = [&](int a, int z) {
            const int v = a + static_cast<int>(std::lround(n * (z - a) / 31.0));
            return v == 0 ? 1 : v;
        };
        return qRgb(mix(qRed(first), qRed(last)), mix(qGreen(first), qGreen(last)),
                    mix(qBlue(first), qBlue(last)));
    };
    for (int n = 0; n < 32; ++n) {
        const int row = static_cast<int>(std::lround(n * 41.0 / 32));
        const int next = static_cast<int>(std::lround((n + 1) * 41.0 / 32));
        if (row < 40 && next > row) {
            EXPECT_EQ(image.pixel(50, row), step(n)) << "band " << n;
        }
    }
    EXPECT_EQ(image.pixel(50, 39), step(30)); // band 31 would start at row 40
    // Every row is one colour across.
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(image.pixel(0, y), image.pixel(99, y)) << y;
    }
}

TEST(Gradient, FromBlackStartsAtOneAndRunsBackwardsWhenAsked)
{
    marlune::hints::testing::TestApplication();
    Background b;
    b.GetGradient().SetBeginColor(platform::paint::clBlack);
    b.GetGradient().SetEndColor(platform::paint::clWhite);
    b.GetGradient().SetColorsInBetween({"clRed"});
    EXPECT_EQ(b.Picture(100, 40, true).pixel(50, 0), qRgb(1, 1, 1));
    const QImage back = b.Picture(100, 40, false);
    EXPECT_EQ(back.pixel(50, 0), qRgb(255, 255, 255));
    // The in-between colour is reached in the middle either way.
    EXPECT_EQ(back.pixel(50, 21), qRgb(255, 1, 1));

    b.GetGradient().SetColorsInBetween({"notacolour"});
    try {
        b.Picture(10, 10, true);
        FAIL() << "no error";
    } catch (const marlune::Error& e) {
        EXPECT_STREQ(e.what(), "'notacolour' is not a valid integer value");
    }
}

TEST(Gradient, ColorCountOutsideItsRangeIsRefused)
{
    Background b;
    int changes = 0;
    b.OnChanged = [&](Background&) { ++changes; };
    b.GetGradient().SetColorCount(1);
    b.GetGradient().SetColorCount(300);
    EXPECT_EQ(b.GetGradient().ColorCount(), 32);
    b.GetGradient().SetColorCount(2);
    EXPECT_EQ(b.GetGradient().ColorCount(), 2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(ColorFromText("$0000FF"), 0x0000FFu);
    EXPECT_EQ(ColorFromText("clRed"), platform::paint::clRed);
}

TEST(Gradient, EveryPatternPaintsInTheListsColours)
{
    marlune::hints::testing::TestApplication();
    for (int style = 0; style <= static_cast<int>(GradientFillStyle::HorizontalDoppelBar);
         ++style) {
        Background b;
        b.GetGradient().SetFillStyle(static_cast<GradientFillStyle>(style));
        b.GetGradient().SetBeginColor(platform::paint::clRed);
        b.GetGradient().SetEndColor(platform::paint::clBlue);
        const QImage image = b.Picture(60, 30, true);
        int colours = 0;
        QRgb last = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 60; ++x) {
                const QRgb c = image.pixel(x, y);
                EXPECT_LE(qGreen(c), 1) << style; // between red and blue only
                if (c != last) {
                    ++colours;
                    last = c;
                }
            }
        }
        EXPECT_GT(colours, 4) << style;
    }
}

TEST(Texture, TilesCentresAndReplacesItsTransparentColour)
{
    marlune::hints::testing::TestApplication();
    QImage tile(16, 16, QImage::Format_RGB32);
    tile.fill(qRgb(0, 0, 200));
    tile.setPixel(0, 0, qRgb(255, 0, 0));
    Background b;
    b.SetBackgroundStyle(bTexture);
    b.GetTexture().SetImage(tile);
    const QImage tiled = b.Picture(40, 20, true);
    int marks = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            marks += tiled.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
        }
    }
    EXPECT_EQ(marks, 3 * 2);
    EXPECT_EQ(tiled.pixel(39, 19), qRgb(0, 0, 200)); // the last copies cut at the edge

    b.GetTexture().SetImageStyle(isCenter);
    b.GetTexture().SetTransparentColor(0x0000FF); // red
    b.GetTexture().SetTransparentBackground(platform::paint::clYellow);
    const QImage centred = b.Picture(10, 10, true); // picture larger than the area
    EXPECT_EQ(centred.pixel(0, 0), qRgb(255, 255, 0));
    EXPECT_EQ(centred.pixel(5, 5), qRgb(0, 0, 200));
}

TEST(BrushFill, HatchLinesOnTheSolidColour)
{
    marlune::hints::testing::TestApplication();
    Background b;
    b.SetBackgroundStyle(bBrushFillSolidColor);
    b.SetSolidColor(platform::paint::clYellow);
    b.GetBrushFill().SetBrushStyle(bsFDiagonal);
    b.GetBrushFill().SetBrushColor(platform::paint::clRed);
    const QImage image = b.Picture(32, 32, true);
    int red = 0;
    int yellow = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb c = image.pixel(x, y);
            red += c == qRgb(255, 0, 0) ? 1 : 0;
            yellow += c == qRgb(255, 255, 0) ? 1 : 0;
        }
    }
    EXPECT_GT(red, 32);
    EXPECT_GT(yellow, 32 * 16);
    EXPECT_EQ(red + yellow, 32 * 32);
}
