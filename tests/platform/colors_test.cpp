// Colour values of the original platform and their mapping to the palette.
#include "platform/gui/application.h"
#include "platform/paint/colors.h"
#include "platform/paint/fonts.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QPalette>
#include <gtest/gtest.h>

namespace marlune::platform::paint {
namespace {

void EnsureApplication()
{
    if (QCoreApplication::instance()) {
        return;
    }
    static int argc = 1;
    static char name[] = "platform_tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new platform::gui::Application(argc, argv); // lives for the whole run
}

// A palette in which every role has a colour of its own.
QPalette DistinctPalette()
{
    QPalette p;
    int n = 1;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            p.setColor(g, static_cast<QPalette::ColorRole>(r), QColor(n, 255 - n, (n * 7) % 256));
            ++n;
        }
    }
    return p;
}

TEST(Colors, ValuesAreBgrAndSystemColorsAreIndexed)
{
    EXPECT_EQ(clRed, 0x0000FFu);
    EXPECT_EQ(clBlue, 0xFF0000u);
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(GetRValue(0x563412u), 0x12);
    EXPECT_EQ(GetGValue(0x563412u), 0x34);
    EXPECT_EQ(GetBValue(0x563412u), 0x56);
    EXPECT_EQ(clBtnFace, 0x8000000Fu);
    EXPECT_EQ(clInfoBk, 0x80000018u);
    EXPECT_TRUE(IsSystemColor(clWindowText));
    EXPECT_EQ(SystemColorIndex(clWindowText), 8);
    EXPECT_FALSE(IsSystemColor(clWhite));
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_FALSE(IsSystemColor(clDefault));
}

TEST(Colors, PlainColoursMapByTheirBytes)
{
    EXPECT_EQ(ColorToQColor(clRed, QPalette()), QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(clSilver, QPalette()), QColor(192, 192, 192));
    EXPECT_EQ(ColorToQColor(clGray, QPalette()), QColor(128, 128, 128));
    EXPECT_EQ(ColorToQColor(RGB(1, 2, 3), QPalette()), QColor(1, 2, 3));
    // Palette-relative forms name the same colour.
    EXPECT_EQ(ColorToQColor(0x02000080u, QPalette()), QColor(128, 0, 0));
    EXPECT_EQ(QColorToColor(QColor(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(QColorToColor(ColorToQColor(clMoneyGreen, QPalette())), clMoneyGreen);
}

TEST(Colors, SystemColoursComeFromThePalette)
{
    const QPalette p = DistinctPalette();
    const auto role = [&](QPalette::ColorRole r, QPalette::ColorGroup g = QPalette::Active) {
        QColor c = p.color(g, r);
        c.setAlpha(255);
        return c;
    };
    EXPECT_EQ(ColorToQColor(clWindow, p), role(QPalette::Base));
    EXPECT_EQ(ColorToQColor(clWindowText, p), role(QPalette::Text));
    EXPECT_EQ(ColorToQColor(clHighlight, p), role(QPalette::Highlight));
    EXPECT_EQ(ColorToQColor(clHighlightText, p), role(QPalette::HighlightedText));
    EXPECT_EQ(ColorToQColor(clBtnFace, p), role(QPalette::Button));
    EXPECT_EQ(ColorToQColor(clBtnText, p), role(QPalette::ButtonText));
    EXPECT_EQ(ColorToQColor(clBtnShadow, p), role(QPalette::Dark));
    EXPECT_EQ(ColorToQColor(clBtnHighlight, p), role(QPalette::Light));
    EXPECT_EQ(ColorToQColor(cl3DDkShadow, p), role(QPalette::Shadow));
    EXPECT_EQ(ColorToQColor(cl3DLight, p), role(QPalette::Midlight));
    EXPECT_EQ(ColorToQColor(clInfoBk, p), role(QPalette::ToolTipBase));
    EXPECT_EQ(ColorToQColor(clInfoText, p), role(QPalette::ToolTipText));
    EXPECT_EQ(ColorToQColor(clGrayText, p), role(QPalette::Text, QPalette::Disabled));
    EXPECT_EQ(ColorToQColor(clMenu, p), role(QPalette::Window));
    EXPECT_EQ(ColorToQColor(clMenuText, p), role(QPalette::WindowText));
}

TEST(Colors, EverySystemColourIsOpaqueAndUnknownOnesAreBlack)
{
    QPalette p = DistinctPalette();
    p.setColor(QPalette::Active, QPalette::Base, QColor(10, 20, 30, 40));
    EXPECT_EQ(ColorToQColor(clWindow, p), QColor(10, 20, 30));
    for (int i = 0; i <= 30; ++i) {
        EXPECT_EQ(ColorToQColor(clSystemColor + static_cast<TColor>(i), p).alpha(), 255) << i;
    }
    EXPECT_EQ(ColorToQColor(clSystemColor + 25, p), QColor(Qt::black));
    EXPECT_EQ(ColorToQColor(clSystemColor + 99, p), QColor(Qt::black));
}

TEST(Colors, NoneIsTransparentAndDefaultIsLeftToTheCaller)
{
    EXPECT_EQ(ColorToQColor(clNone, QPalette()).alpha(), 0);
    EXPECT_FALSE(ColorToQColor(clDefault, QPalette()).isValid());
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(ColorToRGB(clDefault), clDefault);
}

TEST(Colors, ApplicationPaletteIsTheDefault)
{
    EnsureApplication();
    const QPalette saved = QGuiApplication::palette();
    QPalette p = saved;
    p.setColor(QPalette::Active, QPalette::Highlight, QColor(1, 2, 250));
    QGuiApplication::setPalette(p);
    EXPECT_EQ(ColorToQColor(clHighlight), QColor(1, 2, 250));
    EXPECT_EQ(ColorToRGB(clHighlight), RGB(1, 2, 250));
    EXPECT_EQ(ColorToRGB(0x02123456u), 0x123456u);
    QGuiApplication::setPalette(saved);
}

TEST(Colors, NamesBothWays)
{
    EXPECT_EQ(ColorToIdent(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToIdent(clSilver), "clSilver"); // the primary of clSilver/clLtGray
    EXPECT_EQ(ColorToIdent(clNone), "clNone");
    EXPECT_FALSE(ColorToIdent(RGB(1, 2, 3)).has_value());
    EXPECT_EQ(IdentToColor("clBtnFace"), clBtnFace);
    EXPECT_EQ(IdentToColor("CLINFOBK"), clInfoBk);
    EXPECT_EQ(IdentToColor("clLtGray"), clSilver);
    EXPECT_EQ(IdentToColor("clDefault"), clDefault);
    EXPECT_FALSE(IdentToColor("clBtnFaces").has_value());
    EXPECT_FALSE(IdentToColor("").has_value());
}

// --- fonts ----------------------------------------------------------------------------------

TEST(Fonts, StandInFacesAtPixelSizes)
{
    EnsureApplication();
    const QFont verdana = platform::paint::VerdanaFont(11);
    EXPECT_EQ(verdana.pixelSize(), 11);
    EXPECT_FALSE(verdana.kerning());
    EXPECT_EQ(QFontInfo(verdana).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(QFontInfo(platform::paint::SansSerifFont(11)).family(),
              QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(QFontInfo(platform::paint::ArialFont(13)).family(),
              QStringLiteral("Liberation Sans"));
    EXPECT_EQ(platform::paint::ArialFont(13).pixelSize(), 13);
    EXPECT_EQ(platform::paint::PointsToPixels(8), 11);
    EXPECT_EQ(platform::paint::PointsToPixels(10), 13);
}

TEST(Fonts, MeasuredOnA96DpiDevice)
{
    EnsureApplication();
    EXPECT_EQ(platform::paint::Device96Dpi().logicalDpiX(), 96);
    EXPECT_EQ(platform::paint::Device96Dpi().logicalDpiY(), 96);
    // A point-sized font is as large there as 96 dpi makes it.
    QFont points(QStringLiteral("DejaVu Sans"));
    points.setPointSize(8);
    const QFont pixels = platform::paint::VerdanaFont(11);
    EXPECT_EQ(platform::paint::Metrics96(points).height(),
              platform::paint::Metrics96(pixels).height());
    const QFont arial = platform::paint::ArialFont(16);
    const int w = platform::paint::TextWidth96(arial, QStringLiteral("00"));
    EXPECT_EQ(w, 2 * platform::paint::TextWidth96(arial, QStringLiteral("0")));
    EXPECT_GT(platform::paint::TextHeight96(arial), 16);
    EXPECT_GT(platform::paint::TextWidth96(platform::paint::ArialFont(32), QStringLiteral("Wg")),
              platform::paint::TextWidth96(arial, QStringLiteral("Wg")));
}

} // namespace
} // namespace marlune::platform::paint
