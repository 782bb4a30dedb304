#include "canvas.h"

#include "report/memoview.h"
#include "report/units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace marlune::report {
namespace {

using test::InkBounds;
using test::InkRowStarts;
using test::Paint;

QFont Arial10()
{
    return MakeFont(MemoFont{}, PointsToPixels96(10));
}

int Measure(const std::string& text)
{
    return MeasureText96(Arial10(), 0, text);
}

// The texts of the wrapped lines.
std::vector<std::string> Texts(const Lines& wrapped)
{
    std::vector<std::string> texts;
    for (const std::string& line : wrapped) {
        texts.push_back(DecodeWrappedLine(line).text);
    }
    return texts;
}

// A memo without frame: its horizontal text gap is 2 report units.
void PlaceMemo(MemoView& memo, const Lines& text, int availableWidth)
{
    memo.Left = 10;
    memo.Top = 10;
    memo.Width = availableWidth + 2 * 2;
    memo.Height = 200;
    memo.Memo = text;
}

TEST(MemoWrap, FitsExactlyOrBreaksAtTheLastSpace)
{
    const std::string text = "Sydney, Melbourne and Brisbane";
    const int full = Measure(text);
    MemoView fits;
    PlaceMemo(fits, {text}, full);
    fits.MeasureHeight();
    EXPECT_EQ(Texts(fits.WorkingText), std::vector<std::string>{text});

    MemoView narrower;
    PlaceMemo(narrower, {text}, full - 1);
    narrower.MeasureHeight();
    const std::vector<std::string> expected{"Sydney, Melbourne and", "Brisbane"};
    EXPECT_EQ(Texts(narrower.WorkingText), expected);
    // Each line keeps its measured width and whether it ends a paragraph.
    const WrappedLine first = DecodeWrappedLine(narrower.WorkingText[0]);
    EXPECT_EQ(first.width, Measure(expected[0]));
    EXPECT_FALSE(first.paragraphEnd);
    EXPECT_TRUE(DecodeWrappedLine(narrower.WorkingText[1]).paragraphEnd);
}

TEST(MemoWrap, BreakCharactersStayOnTheLine)
{
    const struct {
        std::string text;
        std::string firstLine;
    } cases[] = {
        {"Port Douglas-Mossman Gorge", "Port Douglas-"},
        {"Wagga.Wagga.Riverina.District", "Wagga.Wagga."},
        {"Alpha,Beta,Gamma,Delta,Epsilon", "Alpha,Beta,"},
    };
    for (const auto& c : cases) {
        // Room for the first line and a little of the next word.
        MemoView memo;
        PlaceMemo(memo, {c.text}, Measure(c.firstLine) + 3);
        memo.MeasureHeight();
        ASSERT_FALSE(memo.WorkingText.empty());
        EXPECT_EQ(Texts(memo.WorkingText)[0], c.firstLine) << c.text;
    }
}

TEST(MemoWrap, LongWordWithoutBreakIsCutAndTheRestDropped)
{
    const std::string word = "Taumatawhakatangihangakoauauotamateaturipukakapikimaungahoronuku";
    const int available = 120;
    // The first character at which the word overflows is the last one kept.
    std::size_t end = 1;
    while (end < word.size() && Measure(word.substr(0, end)) <= available) {
        ++end;
    }
    MemoView memo;
    PlaceMemo(memo, {word + " and more", "next"}, available);
    memo.MeasureHeight();
    const std::vector<std::string> expected{word.substr(0, end), "next"};
    EXPECT_EQ(Texts(memo.WorkingText), expected);
}

TEST(MemoWrap, LineBreaksEndParagraphsAndNoWrapKeepsTheLine)
{
    MemoView memo;
    PlaceMemo(memo, {"one\r\ntwo\n"}, 400);
    memo.MeasureHeight();
    EXPECT_EQ(Texts(memo.WorkingText), (std::vector<std::string>{"one", "two"}));
    MemoView noWrap;
    PlaceMemo(noWrap, {"a b c d e f g h i j k l m n o p"}, 20);
    noWrap.Flags = flStretched;
    noWrap.MeasureHeight();
    EXPECT_EQ(noWrap.WorkingText.size(), 1U);
}

TEST(MemoWrap, WordBreakHyphenatesAtASyllable)
{
    const std::string text = "Extraordinary";
    MemoView memo;
    PlaceMemo(memo, {text}, Measure("Extraordi"));
    memo.Flags |= flWordBreak;
    memo.MeasureHeight();
    const std::vector<std::string> lines = Texts(memo.WorkingText);
    ASSERT_GE(lines.size(), 2U);
    EXPECT_EQ(lines[0].back(), '-');
    EXPECT_LE(Measure(lines[0]), Measure("Extraordi"));
    // The pieces without their hyphens make the word again.
    std::string joined;
    for (std::string line : lines) {
        if (!line.empty() && line.back() == '-') {
            line.pop_back();
        }
        joined += line;
    }
    EXPECT_EQ(joined, text);
}

TEST(MemoOutput, LineGapTwoWithTenPointsIsFifteenPixels)
{
    MemoView memo;
    PlaceMemo(memo, {"HHH", "HHH", "HHH"}, 200);
    const std::vector<int> rows = InkRowStarts(Paint(memo, 260, 120));
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[1] - rows[0], 2 + PointsToPixels96(10));
    EXPECT_EQ(rows[2] - rows[1], 15);
}

// The same memo at 100 % and 50 % fills the same fraction of its box.
TEST(MemoOutput, TextFillsTheSameFractionOfItsBoxAtEveryZoom)
{
    for (const int adjust : {adLeft, adRight, adCenter, adJustify}) {
        MemoView memo;
        PlaceMemo(memo, {"The quick brown fox jumps over the lazy dog, then over the fence"}, 300);
        memo.Adjust = adjust;
        memo.Height = 40;
        const QRect full = InkBounds(Paint(memo, 400, 100));
        memo.ScaleX = memo.ScaleY = 0.5;
        const QRect half = InkBounds(Paint(memo, 400, 100));
        ASSERT_FALSE(full.isNull());
        ASSERT_FALSE(half.isNull());
        EXPECT_NEAR(half.width() * 2.0 / full.width(), 1.0, 0.03) << adjust;
        EXPECT_NEAR((half.left() - 5) * 2.0, full.left() - 10, 3.0) << adjust;
    }
}

TEST(MemoOutput, RightAndJustifiedLinesReachTheRightEdge)
{
    const Lines text{"Kings Cross Darlinghurst Woolloomooloo Potts Point Elizabeth Bay"};
    MemoView right;
    PlaceMemo(right, text, 180);
    right.Adjust = adRight;
    const QImage rightImage = Paint(right, 260, 120);
    // Right: every line ends one pixel inside the gap.
    const int rightEdge = 10 + right.Width - 2 - 1;
    EXPECT_NEAR(InkBounds(rightImage).right(), rightEdge - 1, 1);

    MemoView justified;
    PlaceMemo(justified, text, 180);
    justified.Adjust = adJustify;
    const QImage image = Paint(justified, 260, 120);
    // Justified: the first line spans the box, the paragraph's last line
    // stays left and shorter.
    const std::vector<int> rows = InkRowStarts(image);
    ASSERT_GE(rows.size(), 2U);
    const QRect firstLine = InkBounds(image.copy(0, rows[0], 260, 12));
    const QRect lastLine = InkBounds(image.copy(0, rows.back(), 260, 12));
    EXPECT_NEAR(firstLine.right(), 10 + justified.Width - 2, 2);
    EXPECT_NEAR(firstLine.left(), 12, 1);
    EXPECT_NEAR(lastLine.left(), 12, 1);
    EXPECT_LT(lastLine.right(), firstLine.right() - 10);
}

TEST(MemoOutput, AutoWidthKeepsTheRightEdgeOfARightAlignedMemo)
{
    MemoView memo;
    PlaceMemo(memo, {"Parramatta"}, 300);
    memo.Flags |= flAutoWidth;
    memo.Adjust = adRight;
    memo.Outputting = true;
    const int rightEdge = memo.Left + memo.Width;
    const QRect ink = InkBounds(Paint(memo, 400, 60));
    EXPECT_EQ(memo.Left + memo.Width, rightEdge);
    EXPECT_LT(memo.Width, 100);
    EXPECT_EQ(memo.Width, Measure("Parramatta") + 2 + 2);
    EXPECT_GE(ink.left(), memo.Left);
    EXPECT_LE(ink.right(), rightEdge);
}

TEST(MemoOutput, AlignmentsPlaceTheBlock)
{
    const struct {
        int adjust;
        int expectedTop; // of the ink, roughly
    } cases[] = {{0, 10}, {adVertCenter, 10 + (100 - 19) / 2}, {adBottom, 10 + 100 - 19}};
    for (const auto& c : cases) {
        MemoView memo;
        PlaceMemo(memo, {"Hobart"}, 100);
        memo.Height = 100;
        memo.Adjust = c.adjust;
        const QRect ink = InkBounds(Paint(memo, 200, 140));
        // The block is the text height plus the gaps (1 above and below).
        EXPECT_NEAR(ink.top(), c.expectedTop + 1 + 3, 3) << c.adjust;
    }
}

TEST(MemoOutput, RotatedTextRunsUpTheBox)
{
    MemoView memo;
    PlaceMemo(memo, {"Wollongong"}, 40);
    memo.Height = 150;
    memo.Adjust = adRotated;
    const QRect ink = InkBounds(Paint(memo, 100, 200));
    EXPECT_GT(ink.height(), 2 * ink.width());
    EXPECT_GE(ink.top(), 10);
    EXPECT_LE(ink.bottom(), 160);
}

TEST(MemoOutput, WrappedFormIsDrawnAsItStands)
{
    MemoView memo;
    PlaceMemo(memo, {}, 300);
    memo.Memo = {EncodeWrappedLine({"Perth", true, Measure("Perth")}),
                 EncodeWrappedLine({"Darwin", true, Measure("Darwin")}), "\x01"};
    EXPECT_EQ(InkRowStarts(Paint(memo, 360, 100)).size(), 2U);
    EXPECT_EQ(memo.RemainingHeight(), 2 * memo.LineHeight());
}

} // namespace
} // namespace marlune::report

namespace marlune::report {
namespace {

// Sizes straight from a template file: drawn within the box, in finite time.
TEST(MemoOutput, OutlandishSizesStayInTheirBox)
{
    const struct {
        std::int32_t fontSize;
        std::int32_t width;
    } cases[] = {{1000000000, 100}, {-50, 100}, {0, 100}, {10, 2147483000}};
    for (const auto& c : cases) {
        MemoView memo;
        memo.Left = 10;
        memo.Top = 10;
        memo.Width = c.width;
        memo.Height = 40;
        memo.Font.Size = c.fontSize;
        memo.Memo = {"Alice Springs"};
        const QRect ink = InkBounds(Paint(memo, 200, 80));
        EXPECT_TRUE(ink.isNull() || QRect(10, 10, 191, 41).contains(ink)) << c.fontSize;
    }
}

} // namespace
} // namespace marlune::report

namespace marlune::report {
namespace {

// A memo split across pages draws the lines that fit and goes on from there.
TEST(MemoOutput, SplitMemoStopsAtTheClipAndGoesOn)
{
    MemoView memo;
    memo.Left = 10;
    memo.Top = 10;
    memo.Width = 200;
    memo.Height = 50; // room for three lines of 15 pixels
    memo.Memo = {"one", "two", "three", "four", "five"};
    memo.DrawMode = MemoDrawMode::Part;
    const std::size_t first = test::InkRowCount(Paint(memo, 240, 80));
    EXPECT_EQ(first, 3U);
    EXPECT_EQ(memo.CurrentLine, 3);
    EXPECT_EQ(test::InkRowCount(Paint(memo, 240, 80)), 2U);
    EXPECT_EQ(memo.CurrentLine, 5);
}

} // namespace
} // namespace marlune::report

namespace marlune::report {
namespace {

// At 50 % the font is wider than half its 100 % width; a justified line is
// made to fit the box rather than run on and be cut at the clip.
TEST(MemoOutput, JustifiedLinesFitTheBoxAtEveryZoom)
{
    for (const double scale : {1.0, 0.5}) {
        MemoView memo;
        PlaceMemo(memo, {"The quick brown fox jumps over the lazy dog, then over the fence"}, 260);
        memo.Adjust = adJustify;
        memo.Height = 60;
        memo.ScaleX = memo.ScaleY = scale;
        const QImage image = Paint(memo, 300, 80);
        const std::vector<int> rows = InkRowStarts(image);
        ASSERT_GE(rows.size(), 2U);
        const QRect firstLine = InkBounds(image.copy(0, rows[0], 300, rows[1] - rows[0]));
        // The line ends where the text gap begins, inside the clip (which
        // stops two pixels short of the draw rectangle).
        const int clipRight = memo.DrawRect.right - 3;
        EXPECT_LT(firstLine.right(), clipRight) << scale;
        EXPECT_GE(firstLine.right(), clipRight - 3) << scale;
    }
}

} // namespace
} // namespace marlune::report
