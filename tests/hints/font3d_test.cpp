#include "hints/font3d.h"
#include "hintstest.h"
#include "platform/paint/fonts.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace marlune::hints;
using marlune::hints::testing::BoxOf;
namespace platform = marlune::platform;

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);
constexpr QRgb kGreen = qRgb(0, 128, 0);
const QRect kRect(20, 20, 100, 40);

QImage Draw(const Font3D& f, bool enabled = true)
{
    marlune::hints::testing::TestApplication();
    QImage image(140, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    f.Draw(painter, platform::paint::ArialFont(20), platform::paint::clBlack, enabled,
           Qt::AlignLeft | Qt::AlignTop, QStringLiteral("HH"), kRect);
    return image;
}

// Where the text itself lands when drawn plainly.
QRect PlainBox()
{
    Font3D plain;
    plain.SetThreeDimensional(false);
    return BoxOf(Draw(plain), qRgb(0, 0, 0));
}

Font3D Coloured(TextStyle3D style, int offset)
{
    Font3D f;
    f.SetHighlight(0x0000FF); // red
    f.SetShadow(0xFF0000);    // blue
    f.SetRepetitionColor(0x008000);
    f.SetStyle3D(style);
    f.SetOffset(static_cast<std::uint8_t>(offset));
    return f;
}

} // namespace

TEST(Font3D, StyleCopiesLieAtTheirOffsets)
{
    const QRect plain = PlainBox();
    ASSERT_FALSE(plain.isEmpty());
    struct Case {
        TextStyle3D style;
        int offset;
        QPoint highlight; // top-left shift of the highlight copy; (99, 99): none
        QPoint shadow;    // bottom-right shift of the shadow copy
    };
    const QPoint none(99, 99);
    const Case cases[] = {
        {fontRaised, 2, {-2, -2}, {2, 2}},    {fontInset, 1, {1, 1}, {-1, -1}},
        {fontOnlyShadow, 3, none, {3, 3}},    {fontOnlyHighlight, 1, {-1, -1}, none},
        {fontOutLineShadow, 3, none, {1, 1}},
    };
    for (const Case& c : cases) {
        const QImage image = Draw(Coloured(c.style, c.offset));
        EXPECT_EQ(BoxOf(image, qRgb(0, 0, 0)), plain) << c.style; // the text itself stays
        const QRect red = BoxOf(image, kRed);
        const QRect blue = BoxOf(image, kBlue);
        if (c.highlight == none) {
            EXPECT_TRUE(red.isEmpty()) << c.style;
        } else if (c.highlight.x() < 0) {
            EXPECT_EQ(red.topLeft(), plain.topLeft() + c.highlight) << c.style;
        } else {
            EXPECT_EQ(red.bottomRight(), plain.bottomRight() + c.highlight) << c.style;
        }
        if (c.shadow == none) {
            EXPECT_TRUE(blue.isEmpty()) << c.style;
        } else if (c.shadow.x() > 0) {
            EXPECT_EQ(blue.bottomRight(), plain.bottomRight() + c.shadow) << c.style;
        } else {
            EXPECT_EQ(blue.topLeft(), plain.topLeft() + c.shadow) << c.style;
        }
    }
}

TEST(Font3D, RepeatedCopiesTrailBehindTheText)
{
    const QRect plain = PlainBox();
    Font3D f = Coloured(fontOnlyHighlight, 1);
    f.SetRepetition(repeatOnShadow);
    f.SetRepetitionwidth(3);
    const QImage image = Draw(f);
    // Copies 3 + 1 .. 1 + 1 pixels down-right of the corner, the text 1 away.
    EXPECT_EQ(BoxOf(image, qRgb(0, 0, 0)), plain.translated(1, 1));
    EXPECT_EQ(BoxOf(image, kGreen).bottomRight(), plain.bottomRight() + QPoint(4, 4));
    EXPECT_EQ(f.DrawingWidth(), 2 * 1 + 3);

    // No copies with width 0, but the text still moves by the offset.
    f.SetRepetitionwidth(0);
    f.SetOffset(2);
    const QImage moved = Draw(f);
    EXPECT_TRUE(BoxOf(moved, kGreen).isEmpty());
    EXPECT_EQ(BoxOf(moved, qRgb(0, 0, 0)), plain.translated(2, 2));
}

TEST(Font3D, DisabledTextIsGreyOverAHighlight)
{
    const QRect plain = PlainBox();
    Font3D f = Coloured(fontRaised, 3);
    const QImage image = Draw(f, false);
    const QRgb grey = platform::paint::ColorToQColor(platform::paint::clGrayText).rgb();
    EXPECT_EQ(BoxOf(image, grey).topLeft(), plain.topLeft() - QPoint(1, 1));
    EXPECT_TRUE(BoxOf(image, kRed).isEmpty());
}

TEST(Font3D, OffsetZeroIsRefusedAndChangesAreAnnounced)
{
    Font3D f;
    int changes = 0;
    f.OnChange = [&] { ++changes; };
    f.SetOffset(4);
    f.SetOffset(0);
    EXPECT_EQ(f.Offset(), 4);
    f.SetRepetitionwidth(0); // unchanged: no notification
    f.SetRepetitionwidth(2);
    EXPECT_EQ(f.DrawingWidth(), 10);
    EXPECT_EQ(changes, 3);
}

TEST(Font3D, WordsReadEvenlyInWholePixels)
{
    marlune::hints::testing::TestApplication();
    // The program's hints in its hint font: between the first and the last
    // letter, a gap of three blank columns or more is a space between words,
    // never one inside a word (glyphs placed each on its own rounded place
    // read "c omplete"); and every pixel is the text's or the ground's.
    const QString texts[] = {QStringLiteral("Print complete list"), QStringLiteral("About Marlune"),
                             QStringLiteral("Exit Marlune"), QStringLiteral("Check for updates"),
                             QStringLiteral("Type your search here")};
    Font3D plain;
    plain.SetThreeDimensional(false);
    for (const QString& text : texts) {
        QImage image(200, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        plain.Draw(painter, platform::paint::SansSerifFont(11), platform::paint::clBlack, true,
                   Qt::AlignLeft, text, QRect(4, 2, 190, 16));
        painter.end();
        const QRect ink = BoxOf(image, qRgb(0, 0, 0));
        int gaps = 0;
        int blank = 0;
        for (int x = ink.left(); x <= ink.right(); ++x) {
            bool any = false;
            for (int y = 0; y < image.height(); ++y) {
                const QRgb pixel = image.pixel(x, y);
                EXPECT_TRUE(pixel == qRgb(0, 0, 0) || pixel == qRgb(255, 255, 255))
                    << x << "," << y;
                any = any || pixel == qRgb(0, 0, 0);
            }
            blank = any ? 0 : blank + 1;
            gaps += blank == 3 ? 1 : 0;
        }
        EXPECT_EQ(gaps, text.count(QLatin1Char(' '))) << text.toStdString();
    }
}
