#include "canvas.h"

#include "report/kinds.h"
#include "report/lineview.h"
#include "report/memoview.h"
#include "report/pictureview.h"
#include "report/shapeview.h"
#include "report/streamio.h"
#include "report/units.h"
#include "report/viewfactory.h"

#include "platform/error.h"

#include <QBuffer>

#include <cmath>

#include <gtest/gtest.h>

namespace marlune::report {
namespace {

using test::BitmapFile;
using test::CountInked;
using test::InkBounds;
using test::Inked;
using test::Paint;

constexpr TColor kRed = platform::paint::RGB(255, 0, 0);
constexpr TColor kBlue = platform::paint::RGB(0, 0, 255);

QRgb Rgb(TColor c)
{
    return qRgb(platform::paint::GetRValue(c), platform::paint::GetGValue(c),
                platform::paint::GetBValue(c));
}

TEST(FrameWidth, StoredWholeUpToTenThenThousandths)
{
    const struct {
        std::int32_t stored;
        double width;
    } cases[] = {{1, 1.0}, {2, 2.0}, {10, 10.0}, {11, 0.011}, {1500, 1.5}};
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(FrameWidthFromStored(c.stored), static_cast<float>(c.width)) << c.stored;
        EXPECT_EQ(FrameWidthToStored(FrameWidthFromStored(c.stored)), c.stored) << c.stored;
    }
    // A whole width above ten goes as thousandths, so it reads back as itself.
    EXPECT_FLOAT_EQ(FrameWidthFromStored(FrameWidthToStored(12.0F)), 12.0F);
}

// A frame stays on the box scaled to the device: never outside it, and
// within a pixel of each of its edges (exactly on them for a one-pixel pen),
// whatever the pen width, at both scales and offsets.
TEST(DrawFrame, FramedBoxCoversTheScaledBox)
{
    for (const double scale : {1.0, 0.5}) {
        for (const float width : {1.0F, 3.0F, 5.0F}) {
            MemoView view;
            view.Left = 21;
            view.Top = 13;
            view.Width = 120;
            view.Height = 61;
            view.FrameTyp = frAll;
            view.FrameWidth = width;
            view.FrameColor = kRed;
            view.ScaleX = view.ScaleY = scale;
            view.OffsetX = 7;
            view.OffsetY = 3;
            const QImage image = Paint(view, 200, 120);
            const QRect box(QPoint(static_cast<int>(std::nearbyint(21 * scale)) + 7,
                                   static_cast<int>(std::nearbyint(13 * scale)) + 3),
                            QPoint(static_cast<int>(std::nearbyint(141 * scale + 7)),
                                   static_cast<int>(std::nearbyint(74 * scale + 3))));
            const QRect ink = InkBounds(image);
            const int slack = width > 1 ? 1 : 0;
            EXPECT_TRUE(box.contains(ink)) << scale << " " << width;
            EXPECT_LE(ink.left() - box.left(), slack) << scale << " " << width;
            EXPECT_LE(ink.top() - box.top(), slack) << scale << " " << width;
            EXPECT_LE(box.right() - ink.right(), slack) << scale << " " << width;
            EXPECT_LE(box.bottom() - ink.bottom(), slack) << scale << " " << width;
            // The frame is the frame colour; the inside is left alone.
            EXPECT_EQ(image.pixel(ink.left(), ink.center().y()), Rgb(kRed));
            EXPECT_FALSE(Inked(image, ink.center().x(), ink.center().y()));
        }
    }
}

TEST(DrawFrame, FillWithoutFrameCoversTheBoxButTheLastRowAndColumn)
{
    MemoView view;
    view.Left = 10;
    view.Top = 10;
    view.Width = 40;
    view.Height = 20;
    view.FillColor = platform::paint::clWhite;
    EXPECT_EQ(CountInked(Paint(view, 80, 50)), 0);
    view.FillColor = kBlue;
    EXPECT_EQ(InkBounds(Paint(view, 80, 50)), QRect(10, 10, 40, 20));
    view.FillColor = platform::paint::clNone;
    EXPECT_EQ(CountInked(Paint(view, 80, 50)), 0);
}

TEST(DrawFrame, SingleEdgesAreDrawnAlone)
{
    const struct {
        unsigned edge;
        QRect ink;
    } cases[] = {
        {frTop, QRect(10, 10, 41, 1)},
        {frLeft, QRect(10, 10, 1, 21)},
        {frRight, QRect(50, 10, 1, 21)},
        {frBottom, QRect(10, 30, 41, 1)},
    };
    for (const auto& c : cases) {
        MemoView view;
        view.Left = 10;
        view.Top = 10;
        view.Width = 40;
        view.Height = 20;
        view.FrameTyp = static_cast<std::uint16_t>(c.edge);
        EXPECT_EQ(InkBounds(Paint(view, 80, 50)), c.ink) << c.edge;
    }
}

// The run lengths of ink along a one-pixel dashed top edge follow the
// platform's pen patterns.
TEST(DrawFrame, PenStylesHaveThePlatformPatterns)
{
    const struct {
        unsigned style;
        std::vector<int> runs; // on, off, on, off …
    } cases[] = {
        {fsDash, {18, 6, 18, 6}},
        {fsDot, {3, 3, 3, 3}},
        {fsDashDot, {9, 6, 3, 6, 9}},
        {fsDashDotDot, {9, 3, 3, 3, 3, 3, 9}},
    };
    for (const auto& c : cases) {
        MemoView view;
        view.Left = 0;
        view.Top = 5;
        view.Width = 100;
        view.Height = 10;
        view.FrameTyp = frTop;
        view.FrameStyle = static_cast<std::uint16_t>(c.style);
        const QImage image = Paint(view, 120, 30);
        std::vector<int> runs;
        bool on = true;
        int length = 0;
        for (int x = 0; x < 100 && runs.size() < c.runs.size(); ++x) {
            if (Inked(image, x, 5) == on) {
                ++length;
            } else {
                runs.push_back(length);
                on = !on;
                length = 1;
            }
        }
        EXPECT_EQ(runs, c.runs) << c.style;
    }
}

TEST(DrawFrame, StyledWideEdgeIsRepeatedAcrossItsWidthWithFilledGaps)
{
    MemoView view;
    view.Left = 0;
    view.Top = 10;
    view.Width = 100;
    view.Height = 20;
    view.FrameTyp = frTop;
    view.FrameStyle = fsDash;
    view.FrameWidth = 3;
    view.FillColor = kBlue;
    const QImage image = Paint(view, 120, 40);
    // Three dashed rows centred on the edge (moved in by the half width);
    // the gaps in the fill colour.
    for (const int y : {10, 11, 12}) {
        EXPECT_EQ(image.pixel(2, y), qRgb(0, 0, 0)) << y;
        EXPECT_EQ(image.pixel(20, y), Rgb(kBlue)) << y;
    }
}

TEST(DrawFrame, DoubleLineHasFrameFillFrame)
{
    MemoView view;
    view.Left = 10;
    view.Top = 20;
    view.Width = 100;
    view.Height = 30;
    view.FrameTyp = frTop;
    view.FrameStyle = fsDouble;
    view.FrameWidth = 2;
    view.FrameColor = kRed;
    view.FillColor = kBlue;
    const QImage image = Paint(view, 140, 80);
    // Down the middle of the edge: frame colour, fill colour, frame colour,
    // each line two pixels wide, two pixels apart.
    std::vector<QRgb> column;
    for (int y = 14; y < 26; ++y) {
        const QRgb p = image.pixel(60, y);
        if (column.empty() || column.back() != p) {
            column.push_back(p);
        }
    }
    const std::vector<QRgb> expected{qRgb(255, 255, 255), Rgb(kRed), Rgb(kBlue), Rgb(kRed),
                                     Rgb(kBlue)};
    // The last run is the filled box below the edge.
    EXPECT_EQ(column, expected);
}

TEST(LineView, WiderThanHighIsTheTopEdge)
{
    LineView line;
    line.Left = 10;
    line.Top = 30;
    line.Width = 724;
    line.Height = 0;
    EXPECT_EQ(InkBounds(Paint(line, 760, 60)), QRect(10, 30, 725, 1));
    line.Width = 0;
    line.Height = 20;
    EXPECT_EQ(InkBounds(Paint(line, 760, 60)), QRect(10, 30, 1, 21));
    EXPECT_EQ(line.Width, 0); // geometry restored
    EXPECT_EQ(line.Height, 20);
}

TEST(ShapeView, EachShapeFillsItsInsideAndLeavesItsCorners)
{
    const struct {
        ShapeKind shape;
        bool cornersInked;
        bool topCornersInked;
    } cases[] = {
        {skRectangle, true, true},
        {skRoundRectangle, false, false},
        {skEllipse, false, false},
        {skTriangle, true, false},
    };
    for (const auto& c : cases) {
        ShapeView view;
        view.Shape = c.shape;
        view.Left = 10;
        view.Top = 10;
        view.Width = 80;
        view.Height = 60;
        view.FrameColor = kRed;
        view.FillColor = kBlue;
        const QImage image = Paint(view, 110, 90);
        EXPECT_EQ(image.pixel(50, 50), Rgb(kBlue)) << int(c.shape);
        EXPECT_EQ(Inked(image, 10, 70), c.cornersInked) << int(c.shape);
        EXPECT_EQ(Inked(image, 90, 10), c.topCornersInked) << int(c.shape);
        EXPECT_EQ(InkBounds(image).bottom(), 70) << int(c.shape);
        EXPECT_EQ(image.pixel(50, 70), Rgb(kRed)) << int(c.shape);
    }
}

TEST(PictureView, StretchCentreAndRatioPlaceTheBitmap)
{
    const struct {
        std::uint16_t flags;
        QRect ink;
    } cases[] = {
        {0, QRect(10, 10, 20, 10)},
        {flPictureCenter, QRect(10 + 40, 10 + 25, 20, 10)},
        {flPictureStretch, QRect(10, 10, 101, 61)},
        {flPictureStretch | flPictureRatio, QRect(10, 10, 101, Round(101 / 2.0))},
        {flPictureStretch | flPictureRatio | flPictureCenter,
         QRect(10, 10 + (61 - 50) / 2, 101, 50)},
    };
    for (const auto& c : cases) {
        PictureView view;
        view.Left = 10;
        view.Top = 10;
        view.Width = 100;
        view.Height = 60;
        view.Flags = c.flags;
        view.SetPicture(pkBitmap, BitmapFile(20, 10, Qt::green));
        ASSERT_FALSE(view.Image().isNull());
        const QImage image = Paint(view, 140, 90);
        EXPECT_EQ(InkBounds(image), c.ink) << c.flags;
        EXPECT_EQ(image.pixel(c.ink.center()), qRgb(0, 255, 0)) << c.flags;
    }
    PictureView empty;
    empty.Width = 50;
    empty.Height = 50;
    EXPECT_EQ(CountInked(Paint(empty, 60, 60)), 0);
}

TEST(PictureView, IconIsDrawnWhereQtReadsIt)
{
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!icon.save(&buffer, "ICO")) {
        GTEST_SKIP() << "no icon image format plug-in";
    }
    PictureView view;
    view.Left = 5;
    view.Top = 5;
    view.Width = 40;
    view.Height = 40;
    view.Flags = 0;
    view.SetPicture(pkIcon, bytes.toStdString());
    const QImage image = Paint(view, 60, 60);
    EXPECT_EQ(InkBounds(image), QRect(5, 5, 16, 16));
    EXPECT_EQ(image.pixel(10, 10), qRgb(0, 0, 255));
}

TEST(ViewFactory, MakesEveryKindAndAddInsByClassName)
{
    EXPECT_NE(dynamic_cast<MemoView*>(CreateView(okMemo).get()), nullptr);
    EXPECT_NE(dynamic_cast<PictureView*>(CreateView(okPicture).get()), nullptr);
    EXPECT_NE(dynamic_cast<LineView*>(CreateView(okLine).get()), nullptr);
    EXPECT_EQ(CreateView(7), nullptr);
    EXPECT_THROW(CreateView(okAddIn, "ShapeView"), Error);
    {
        ShapeObject shapeObject1;
        auto view = CreateView(okAddIn, "ShapeView");
        ASSERT_NE(dynamic_cast<ShapeView*>(view.get()), nullptr);
        EXPECT_EQ(view->Kind, okAddIn);
    }
    try {
        CreateView(okAddIn, "ShapeView");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), "Class not found: ShapeView");
    }
    // New views take the documented defaults.
    MemoView memo;
    EXPECT_EQ(memo.Flags, flStretched | flWordWrap);
    EXPECT_EQ(memo.LineGap, 2);
    EXPECT_EQ(memo.Font.Name, "Arial");
    EXPECT_EQ(PictureView().Flags, 5);
    EXPECT_EQ(LineView().FrameTyp, frLeft);
    EXPECT_LT(memo.ID(), MemoView().ID());
}

TEST(ReportView, CloneCopiesEveryStoredField)
{
    ShapeObject shapeObject1;
    ShapeView shape;
    shape.Name = "Shape7";
    shape.Left = 3;
    shape.Top = 4;
    shape.Width = 5;
    shape.Height = 6;
    shape.Flags = 0x8001;
    shape.FrameTyp = 9;
    shape.FrameWidth = 1.5F;
    shape.FrameStyle = fsDashDot;
    shape.FillColor = kBlue;
    shape.Memo = {"a", "b"};
    shape.Script = {"x := 1"};
    shape.Visible = false;
    shape.Shape = skTriangle;
    const auto copy = shape.Clone();
    EXPECT_TRUE(copy->SameStoredData(shape, ViewForm::Template));
    copy->Left = 4;
    EXPECT_FALSE(copy->SameStoredData(shape, ViewForm::Template));
}

} // namespace
} // namespace marlune::report

namespace marlune::report {
namespace {

// Cells side by side share their one-pixel frame line at any zoom up to
// 100 %, as the rows of a printed list do. The left edge is rounded before
// the offset is added and the right edge after, so with an offset an exact
// half may part them by a pixel.
TEST(ComputeDrawRect, NeighboursShareTheirFrameLine)
{
    for (const double scale : {1.0, 0.5, 0.37, 0.8}) {
        for (const int offset : {0, 3}) {
            MemoView a;
            MemoView b;
            a.Left = 17;
            a.Width = 33;
            b.Left = 50;
            b.Width = 41;
            for (MemoView* v : {&a, &b}) {
                v->Top = 9;
                v->Height = 21;
                v->FrameTyp = frAll;
                v->ScaleX = v->ScaleY = scale;
                v->OffsetX = v->OffsetY = offset;
                v->ComputeDrawRect();
            }
            if (offset == 0) {
                EXPECT_EQ(a.DrawRect.right - 1, b.DrawRect.left) << scale;
            } else {
                EXPECT_LE(std::abs(a.DrawRect.right - 1 - b.DrawRect.left), 1) << scale;
            }
            EXPECT_EQ(a.DrawRect.top, b.DrawRect.top);
            EXPECT_EQ(a.DrawRect.bottom, b.DrawRect.bottom);
            // Undone afterwards.
            a.RestoreGeometry();
            EXPECT_EQ(a.Left, 17);
            EXPECT_EQ(a.Width, 33);
            EXPECT_FLOAT_EQ(a.FrameWidth, 1.0F);
        }
    }
}

} // namespace
} // namespace marlune::report
