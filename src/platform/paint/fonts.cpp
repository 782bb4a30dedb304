#include "platform/paint/fonts.h"

#include <cmath>

#include <QImage>
#include <QString>

namespace marlune::platform::paint {

namespace {

QFont PixelFont(const char* family, int characterHeightPx)
{
    QFont font{QString::fromLatin1(family)};
    font.setPixelSize(characterHeightPx > 0 ? characterHeightPx : 1);
    font.setKerning(false);
    // Keep the face we ask for rather than a look-alike fontconfig prefers.
    font.setStyleHint(QFont::SansSerif, QFont::PreferMatch);
    return font;
}

} // namespace

QFont VerdanaFont(int characterHeightPx)
{
    return PixelFont("DejaVu Sans", characterHeightPx);
}

QFont SansSerifFont(int characterHeightPx)
{
    return PixelFont("DejaVu Sans", characterHeightPx);
}

QFont ArialFont(int characterHeightPx)
{
    return PixelFont("Liberation Sans", characterHeightPx);
}

int PointsToPixels(int points)
{
    return static_cast<int>(std::lround(points * static_cast<double>(kScreenDpi) / 72.0));
}

const QPaintDevice& Device96Dpi()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = static_cast<int>(std::lround(kScreenDpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

QFontMetrics Metrics96(const QFont& font)
{
    return QFontMetrics(font, &Device96Dpi());
}

int TextWidth96(const QFont& font, const QString& text)
{
    return Metrics96(font).horizontalAdvance(text);
}

int TextHeight96(const QFont& font)
{
    return Metrics96(font).height();
}

} // namespace marlune::platform::paint
