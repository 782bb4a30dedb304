#include "platform/paint/colors.h"

#include <array>
#include <cctype>

#include <QGuiApplication>
#include <QPalette>

namespace marlune::platform::paint {

namespace {

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Which palette entry plays each system colour's part. Index 25 has no
// colour on the original platform; it and anything past the table read as
// black, as the platform's own lookup answers for an unknown index.
constexpr std::array<SystemRole, 31> kSystemRoles{{
    {QPalette::Active, QPalette::Midlight},        // 0 clScrollBar
    {QPalette::Active, QPalette::Dark},            // 1 clBackground (the desktop)
    {QPalette::Active, QPalette::Highlight},       // 2 clActiveCaption
    {QPalette::Inactive, QPalette::Mid},           // 3 clInactiveCaption
    {QPalette::Active, QPalette::Window},          // 4 clMenu
    {QPalette::Active, QPalette::Base},            // 5 clWindow
    {QPalette::Active, QPalette::Shadow},          // 6 clWindowFrame
    {QPalette::Active, QPalette::WindowText},      // 7 clMenuText
    {QPalette::Active, QPalette::Text},            // 8 clWindowText
    {QPalette::Active, QPalette::HighlightedText}, // 9 clCaptionText
    {QPalette::Active, QPalette::Window},          // 10 clActiveBorder
    {QPalette::Inactive, QPalette::Window},        // 11 clInactiveBorder
    {QPalette::Active, QPalette::Mid},             // 12 clAppWorkSpace
    {QPalette::Active, QPalette::Highlight},       // 13 clHighlight
    {QPalette::Active, QPalette::HighlightedText}, // 14 clHighlightText
    {QPalette::Active, QPalette::Button},          // 15 clBtnFace
    {QPalette::Active, QPalette::Dark},            // 16 clBtnShadow
    {QPalette::Disabled, QPalette::Text},          // 17 clGrayText
    {QPalette::Active, QPalette::ButtonText},      // 18 clBtnText
    {QPalette::Disabled, QPalette::WindowText},    // 19 clInactiveCaptionText
    {QPalette::Active, QPalette::Light},           // 20 clBtnHighlight
    {QPalette::Active, QPalette::Shadow},          // 21 cl3DDkShadow
    {QPalette::Active, QPalette::Midlight},        // 22 cl3DLight
    {QPalette::Active, QPalette::ToolTipText},     // 23 clInfoText
    {QPalette::Active, QPalette::ToolTipBase},     // 24 clInfoBk
    {QPalette::Active, QPalette::NoRole},          // 25 (none)
    {QPalette::Active, QPalette::Link},            // 26 clHotLight
    {QPalette::Active, QPalette::Highlight},       // 27 clGradientActiveCaption
    {QPalette::Inactive, QPalette::Midlight},      // 28 clGradientInactiveCaption
    {QPalette::Active, QPalette::Highlight},       // 29 clMenuHighlight
    {QPalette::Active, QPalette::Window},          // 30 clMenuBar
}};

struct NamedColor {
    TColor value;
    const char* name;
};

constexpr std::array<NamedColor, 52> kNames{{
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    // Aliases after the names they share a value with, so that value-to-name
    // gives the primary name.
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
}};

// clNone and clDefault are named too, but kept apart from the table above so
// that the table's size stays obvious.
constexpr std::array<NamedColor, 2> kExtraNames{{
    {clNone, "clNone"},
    {clDefault, "clDefault"},
}};

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

QColor FromRgbBytes(TColor c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

QColor ColorToQColor(TColor color)
{
    return ColorToQColor(color, QGuiApplication::palette());
}

QColor ColorToQColor(TColor color, const QPalette& palette)
{
    if (color == clNone) {
        return QColor(Qt::transparent);
    }
    if (color == clDefault) {
        return QColor();
    }
    if (IsSystemColor(color)) {
        const int index = SystemColorIndex(color);
        if (index < 0 || index >= static_cast<int>(kSystemRoles.size())) {
            return QColor(Qt::black);
        }
        const SystemRole& entry = kSystemRoles[static_cast<std::size_t>(index)];
        if (entry.role == QPalette::NoRole) {
            return QColor(Qt::black);
        }
        QColor c = palette.color(entry.group, entry.role);
        c.setAlpha(255);
        return c;
    }
    // Palette-relative forms (0x01BBGGRR, 0x02BBGGRR) name the same RGB.
    return FromRgbBytes(color);
}

TColor ColorToRGB(TColor color)
{
    if (color == clNone || color == clDefault) {
        return color;
    }
    if (IsSystemColor(color)) {
        return QColorToColor(ColorToQColor(color));
    }
    return color & 0x00FFFFFFu;
}

TColor QColorToColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return RGB(rgb.red(), rgb.green(), rgb.blue());
}

std::optional<std::string> ColorToIdent(TColor color)
{
    for (const NamedColor& n : kNames) {
        if (n.value == color) {
            return std::string(n.name);
        }
    }
    for (const NamedColor& n : kExtraNames) {
        if (n.value == color) {
            return std::string(n.name);
        }
    }
    return std::nullopt;
}

std::optional<TColor> IdentToColor(std::string_view ident)
{
    for (const NamedColor& n : kNames) {
        if (SameTextAscii(ident, n.name)) {
            return n.value;
        }
    }
    for (const NamedColor& n : kExtraNames) {
        if (SameTextAscii(ident, n.name)) {
            return n.value;
        }
    }
    return std::nullopt;
}

} // namespace marlune::platform::paint
