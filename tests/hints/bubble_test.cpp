#include "hints/bubble.h"
#include "hintstest.h"
#include "platform/paint/fonts.h"

#include <gtest/gtest.h>

using namespace marlune::hints;
using marlune::hints::testing::BoxOf;

namespace {

const QSize kScreen(1024, 768);
const QSize kText(60, 15); // w x h as measured

struct PlaceCase {
    const char* name;
    QPoint pointer;
    HintDirectionKind first;
    HintDirectionKind expected;
};

QImage Screen(QSize size, QRgb color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

BubbleStyle Plain()
{
    BubbleStyle style;
    style.font = marlune::platform::paint::SansSerifFont(11);
    style.fontColor = marlune::platform::paint::clBlack;
    return style;
}

} // namespace

TEST(PlaceBubble, TriesTheDirectionsAsTheTableSays)
{
    const PlaceCase cases[] = {
        {"middle", {500, 400}, dUpRight, dUpRight},
        {"right edge", {1000, 400}, dUpRight, dUpLeft},
        {"top edge", {500, 10}, dUpRight, dDownRight},
        {"top right corner", {1000, 10}, dUpRight, dDownLeft},
        {"bottom left corner", {10, 760}, dDownLeft, dUpRight},
        {"asked down left", {500, 400}, dDownLeft, dDownLeft},
    };
    for (const PlaceCase& c : cases) {
        const BubblePlacement p = PlaceBubble(kText, c.pointer, kScreen, c.first);
        EXPECT_EQ(p.direction, c.expected) << c.name;
        EXPECT_TRUE(QRect(QPoint(0, 0), kScreen).contains(p.window)) << c.name;
        EXPECT_EQ(p.window.width(), kText.width() + 16) << c.name;
        EXPECT_EQ(p.window.height(), kText.height() + (IsUpward(p.direction) ? 20 : 29)) << c.name;
    }
    // Up and left: the tail points 7 pixels left of and 5 above the pointer.
    const BubblePlacement left = PlaceBubble(kText, {1000, 400}, kScreen, dUpRight);
    EXPECT_EQ(left.tailTip, QPoint(993, 395));
    const BubblePlacement down = PlaceBubble(kText, {500, 10}, kScreen, dUpRight);
    EXPECT_EQ(down.window.topLeft(), QPoint(500, 25));
}

TEST(PlaceBubble, AScreenTooSmallForAnyDirectionKeepsTheFirstOnTheScreen)
{
    const QSize tiny(70, 40);
    const BubblePlacement p = PlaceBubble(kText, {35, 20}, tiny, dUpRight);
    EXPECT_EQ(p.direction, dUpRight);
    EXPECT_EQ(p.window.topLeft(), QPoint(0, 0));
}

TEST(PaintBubble, BodyTailShadowAndScreenAsDrawn)
{
    marlune::hints::testing::TestApplication();
    const QRgb desk = qRgb(10, 120, 200);
    for (const HintDirectionKind d : {dUpRight, dUpLeft, dDownRight, dDownLeft}) {
        const int h = kText.height() + (IsUpward(d) ? 20 : 29);
        const int w = kText.width() + 16;
        const QImage bubble = PaintBubble(Screen({w, h}, desk), d, Plain(), QString());
        const int top = IsUpward(d) ? 0 : 15;
        const int bottom = IsUpward(d) ? h - 15 : h - 9;
        // Inside: white; left and top edges white, right and bottom black.
        EXPECT_EQ(bubble.pixel(w / 2, (top + bottom) / 2), qRgb(255, 255, 255)) << d;
        EXPECT_EQ(bubble.pixel(w / 2, top), qRgb(255, 255, 255)) << d;
        EXPECT_EQ(bubble.pixel(w - 7, (top + bottom) / 2), qRgb(0, 0, 0)) << d;
        EXPECT_EQ(bubble.pixel(w / 2, bottom), qRgb(0, 0, 0)) << d;
        // Outside, above or below the body, the desk shows.
        EXPECT_EQ(bubble.pixel(w / 2, IsUpward(d) ? h - 1 : 0), desk) << d;
        // The shadow: black dots on even x + y only, right of the body.
        int dots = 0;
        for (int y = top + 10; y < bottom - 4; ++y) {
            for (int x = w - 5; x < w; ++x) {
                const bool black = bubble.pixel(x, y) == qRgb(0, 0, 0);
                dots += black ? 1 : 0;
                EXPECT_TRUE(!black || (x + y) % 2 == 0) << d << " " << x << "," << y;
            }
        }
        EXPECT_GT(dots, 10) << d;
    }
}

TEST(PaintBubble, TheTailReachesItsTipAndOnlyForSpeechBubbles)
{
    marlune::hints::testing::TestApplication();
    const QRgb desk = qRgb(200, 50, 50);
    const int w = kText.width() + 16;
    // The tip of each direction's tail, in window pixels: the last pixel of
    // the tail's black or white edge next to it.
    struct Tip {
        HintDirectionKind d;
        QPoint near;
    };
    const int hu = kText.height() + 20;
    const Tip tips[] = {{dUpRight, {7, hu - 1}}, {dUpLeft, {w - 13, hu - 1}}, {dDownRight, {3, 1}}};
    for (const Tip& t : tips) {
        const int h = IsUpward(t.d) ? hu : kText.height() + 29;
        BubbleStyle style = Plain();
        style.shadow = false;
        const QImage with = PaintBubble(Screen({w, h}, desk), t.d, style, QString());
        EXPECT_NE(with.pixel(t.near), desk) << t.d;
        style.speechbubble = false;
        const QImage without = PaintBubble(Screen({w, h}, desk), t.d, style, QString());
        EXPECT_EQ(without.pixel(t.near), desk) << t.d;
        // Square corners without the speech bubble: the corner pixel is the edge.
        const int top = IsUpward(t.d) ? 0 : 15;
        EXPECT_EQ(without.pixel(0, top), qRgb(255, 255, 255)) << t.d;
        EXPECT_EQ(with.pixel(0, top), desk) << t.d;
    }
}

TEST(PaintBubble, KeyGreenBehindShowsTheInsideAndNoShadowLeavesTheDesk)
{
    marlune::hints::testing::TestApplication();
    const int w = kText.width() + 16;
    const int h = kText.height() + 20;
    QImage behind = Screen({w, h}, qRgb(0, 255, 0)); // the key colour itself
    BubbleStyle style = Plain();
    style.shadow = false;
    const QImage bubble = PaintBubble(behind, dUpRight, style, QString());
    // Outside the body the green of the screen turns white, like the inside.
    EXPECT_EQ(bubble.pixel(w - 1, 2), qRgb(255, 255, 255));
    const QImage desk = PaintBubble(Screen({w, h}, qRgb(1, 2, 3)), dUpRight, style, QString());
    EXPECT_EQ(BoxOf(desk, qRgb(0, 0, 0)).right(), w - 7); // only the outline, no dots beyond
}

TEST(PaintBubble, TextStartsWhereTheWindowSays)
{
    marlune::hints::testing::TestApplication();
    BubbleStyle style = Plain();
    style.shadow = false;
    const QString text = QStringLiteral("Check for updates");
    const QSize size = MeasureHintText(style.font, text, 1024);
    for (const HintDirectionKind d : {dUpRight, dDownRight}) {
        const QSize window(size.width() + 16, size.height() + (IsUpward(d) ? 20 : 29));
        const QImage bubble = PaintBubble(Screen(window, qRgb(90, 90, 90)), d, style, text);
        const QRect ink =
            BoxOf(bubble.copy(2, IsUpward(d) ? 1 : 16, window.width() - 10, size.height() + 2),
                  qRgb(0, 0, 0));
        ASSERT_FALSE(ink.isEmpty());
        // The first line starts 7 pixels from the left and 2 (or 17) from the
        // top; glyphs sit a pixel or so inside their cell.
        EXPECT_GE(ink.left() + 2, 7);
        EXPECT_LE(ink.left() + 2, 9);
    }
    // "&" is shown, not taken as a mnemonic marker.
    EXPECT_GT(MeasureHintText(style.font, QStringLiteral("A&B"), 1024).width(),
              MeasureHintText(style.font, QStringLiteral("AB"), 1024).width());
}

TEST(PlaceBubble, TheScreenUnderThePointerDecidesAmongSeveral)
{
    // Two screens side by side, and one below the first.
    const QRect right(1024, 0, 1024, 768);
    const QRect below(0, 768, 1024, 768);
    const struct {
        const char* name;
        QRect screen;
        QPoint pointer;
        HintDirectionKind expected;
    } cases[] = {
        {"right screen, middle", right, {1500, 400}, dUpRight},
        {"right screen, right edge", right, {2040, 400}, dUpLeft},
        {"right screen, top edge", right, {1100, 10}, dDownRight},
        {"lower screen, its top", below, {500, 778}, dDownRight},
    };
    for (const auto& c : cases) {
        const BubblePlacement p = PlaceBubble(kText, c.pointer, c.screen, dUpRight);
        EXPECT_EQ(p.direction, c.expected) << c.name;
        EXPECT_TRUE(c.screen.contains(p.window)) << c.name;
        // The same bubble as on a lone screen, moved with the screen.
        const BubblePlacement alone =
            PlaceBubble(kText, c.pointer - c.screen.topLeft(), c.screen.size(), dUpRight);
        EXPECT_EQ(p.window, alone.window.translated(c.screen.topLeft())) << c.name;
        EXPECT_EQ(p.tailTip, alone.tailTip + c.screen.topLeft()) << c.name;
    }
}
