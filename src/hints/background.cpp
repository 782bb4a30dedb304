#include "hints/background.h"

#include "hints/raster.h"
#include "platform/error.h"

#include <QPainter>

#include <cmath>
#include <cstdlib>

namespace marlune::hints {
namespace {

QRgb Rgb(platform::paint::TColor color)
{
    return platform::paint::ColorToQColor(color).rgb();
}

// a x b / c, rounded to the nearest integer, halves away from zero.
int M(int a, int b, int c)
{
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

// x rounded to the nearest integer, halves to the even neighbour.
int R(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

Qt::BrushStyle QtBrush(TBrushStyle style)
{
    switch (style) {
    case bsSolid:
        return Qt::SolidPattern;
    case bsClear:
        return Qt::NoBrush;
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::BDiagPattern; // the platform's "forward" diagonal falls to the right
    case bsBDiagonal:
        return Qt::FDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

// One step of a gradient: its shape drawn in its colour (and, for the
// spectral pattern, lines alternating with the mirrored colour).
struct Step {
    QImage& image;
    int w;
    int h;
    int s;     // segment
    int segs;  // S
    int n;     // step
    int steps; // N
    QRgb color;
    QRgb mirrored;

    void Rect(int x, int y, int width, int height) const
    {
        if (width > 0 && height > 0) {
            raster::FillRect(image, x, y, x + width, y + height, color);
        }
    }
    void EllipseIn(int x1, int y1, int x2, int y2) const
    {
        raster::Ellipse(image, x1, y1, x2, y2, color, color);
    }
    void Rays(bool spectral) const
    {
        const int h1 = R(static_cast<double>(h) / segs) + 1;
        const int w1 = R(static_cast<double>(w) / segs) + 1;
        const int oy = h1 * s;
        const int ox = w1 * s;
        const auto pen = [&](int k) { return spectral && k % 2 == 0 ? mirrored : color; };
        for (int j = M(n, w1, steps); j <= M(n + 2, w1, steps); ++j) {
            raster::Line(image, {ox + j, 0}, {w - j - ox, h}, pen(j));
        }
        for (int i = M(n, h1, steps); i <= M(n + 2, h1, steps); ++i) {
            raster::Line(image, {0, oy + i}, {w, h - i - oy}, pen(i));
        }
    }
};

void DrawStep(GradientFillStyle style, const Step& st)
{
    const int w = st.w;
    const int h = st.h;
    const int s = st.s;
    const int n = st.n;
    const int N = st.steps;
    const double hs = static_cast<double>(h) / st.segs;
    const double ws = static_cast<double>(w) / st.segs;
    const int h1 = R(hs) + 1;
    const int w1 = R(ws) + 1;
    const int h0 = R(hs);
    const int w0 = R(ws);
    switch (style) {
    case GradientFillStyle::Circle:
        st.Rays(false);
        break;
    case GradientFillStyle::Spectral:
        st.Rays(true);
        break;
    case GradientFillStyle::Horizontal: {
        const int oy = h1 * s;
        st.Rect(0, oy + M(n, h1, N), w, oy + M(n + 2, h1, N) - M(n, h1, N));
        break;
    }
    case GradientFillStyle::Vertical: {
        const int ox = w1 * s;
        st.Rect(ox + M(n, w1, N), 0, ox + M(n + 2, w1, N) - M(n, w1, N), h);
        break;
    }
    case GradientFillStyle::LeftBottom: {
        const int a = M(n, w1, N);
        const int b = M(n, h1, N);
        st.Rect(w1 * s + a, h1 * s + b, w - a, h - b);
        break;
    }
    case GradientFillStyle::RoundMiddle: {
        const int oy = R(h1 / 2.0 * s) + 1;
        const int ox = R(w1 / 2.0 * s) + 1;
        const int a = M(n, R(w1 / 2.0) + 1, N);
        const int b = M(n, R(h1 / 2.0) + 1, N);
        st.EllipseIn(ox + a, oy + b, w - a - ox, h - b - oy);
        break;
    }
    case GradientFillStyle::SquareMiddle: {
        const int oy = R(h0 / 2.0 * s);
        const int ox = R(w0 / 2.0 * s);
        const int a = M(n, R(w0 / 2.0), N);
        const int b = M(n, R(h0 / 2.0), N);
        st.Rect(ox + a, oy + b, w - 2 * a - 2 * ox, h - 2 * b - 2 * oy);
        break;
    }
    case GradientFillStyle::DoppelFlash: {
        const int oy = h1 * s + 1;
        const int ox = w1 * s + 1;
        const int a = M(n, w1, N);
        const int b = M(n, h1, N);
        st.EllipseIn(ox + a, oy + b, w, h);
        st.EllipseIn(0, 0, w - a - ox, h - b - oy);
        break;
    }
    case GradientFillStyle::Singleflash: {
        const int a = M(n, w0, N);
        const int b = M(n, h0, N);
        st.EllipseIn(w0 * s + a, h0 * s + b, w, h);
        break;
    }
    case GradientFillStyle::MiddleHBar: {
        const int oy = R(h1 / 2.0 * s) + 1;
        const int p = R(h1 / 2.0);
        const int from = h - M(n + 2, p + 1, N) - oy - 1;
        const int to = h - M(n, p + 1, N) - oy - 1;
        st.Rect(0, from, w, to - from);
        st.Rect(0, oy + M(n, p, N), w, M(n + 2, p, N) - M(n, p, N) + 1);
        break;
    }
    case GradientFillStyle::MiddleVBar: {
        const int ox = R(w1 / 2.0 * s) + 1;
        const int p = R(w1 / 2.0);
        const int from = w - M(n + 2, p + 1, N) - ox - 1;
        const int to = w - M(n, p + 1, N) - ox - 1;
        st.Rect(from, 0, to - from, h);
        st.Rect(ox + M(n, p, N), 0, M(n + 2, p, N) - M(n, p, N) + 1, h);
        break;
    }
    case GradientFillStyle::VerticalDoppelBar: {
        const int ox = R(w1 / 3.0 * s) + 1;
        const int t = R(w1 / 3.0) + 1;
        const int a = M(n, t, N);
        const int a2 = M(n + 1, t, N);
        const int third = R(w / 3.0);
        st.Rect(ox + a, 0, a2 - a, h);
        st.Rect(2 * third - a2 - ox, 0, a2 - a, h);
        st.Rect(2 * third + ox + a, 0, a2 - a, h);
        break;
    }
    case GradientFillStyle::HorizontalDoppelBar: {
        const int oy = R(h1 / 3.0 * s) + 1;
        const int t = R(h1 / 3.0) + 1;
        const int b = M(n, t, N);
        const int b2 = M(n + 1, t, N);
        const int third = R(h / 3.0);
        st.Rect(0, oy + b, w, b2 - b);
        st.Rect(0, 2 * third - b2 - oy, w, b2 - b);
        st.Rect(0, 2 * third + oy + b, w, b2 - b);
        break;
    }
    }
}

// The texture over a transparent picture: what the pictures leave uncovered
// (around a centred one) stays as the target had it.
QImage TexturePicture(const Texture& texture, int width, int height)
{
    QImage out(width, height, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QImage image = texture.Image().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        return out;
    }
    if (texture.TransparentColor() != platform::paint::clNone) {
        const QRgb from = Rgb(texture.TransparentColor()) | 0xFF000000u;
        const QRgb to = Rgb(texture.TransparentBackground());
        for (int y = 0; y < image.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if ((row[x] | 0xFF000000u) == from) {
                    row[x] = to;
                }
            }
        }
    }
    QPainter painter(&out);
    const int iw = image.width();
    const int ih = image.height();
    switch (texture.ImageStyle()) {
    case isTile:
        for (int c = 0; c <= width / iw; ++c) {
            for (int r = 0; r <= height / ih; ++r) {
                painter.drawImage(c * iw, r * ih, image);
            }
        }
        break;
    case isStretched:
        painter.drawImage(QRect(0, 0, width, height), image);
        break;
    case isCenter:
        painter.drawImage(iw < width ? (width - iw) / 2 : 0, ih < height ? (height - ih) / 2 : 0,
                          image);
        break;
    }
    return out;
}

} // namespace

void BackgroundPart::Changed() const
{
    owner_.Changed();
}

void Gradient::SetBeginColor(platform::paint::TColor value)
{
    Assign(beginColor_, std::move(value));
}

void Gradient::SetEndColor(platform::paint::TColor value)
{
    Assign(endColor_, std::move(value));
}

void Gradient::SetFillStyle(GradientFillStyle value)
{
    Assign(fillStyle_, std::move(value));
}

void Gradient::SetColorCount(int value)
{
    if (value < 2 || value > 255) {
        return;
    }
    colorCount_ = value;
    Changed();
}

void Gradient::SetColorsInBetween(std::vector<std::string> value)
{
    Assign(colorsInBetween_, std::move(value));
}

void Texture::SetImage(const QImage& value)
{
    Assign(image_, value.copy());
}

void Texture::SetImageStyle(TextureImageStyle value)
{
    Assign(imageStyle_, std::move(value));
}

void Texture::SetTransparentColor(platform::paint::TColor value)
{
    Assign(transparentColor_, std::move(value));
}

void Texture::SetTransparentBackground(platform::paint::TColor value)
{
    Assign(transparentBackground_, std::move(value));
}

void BrushFill::SetBrushStyle(TBrushStyle value)
{
    Assign(brushStyle_, std::move(value));
}

void BrushFill::SetBrushColor(platform::paint::TColor value)
{
    Assign(brushColor_, std::move(value));
}

Background::Background() = default;

void Background::SetSolidColor(platform::paint::TColor value)
{
    Assign(solidColor_, std::move(value));
}

void Background::SetBackgroundStyle(BackStyle value)
{
    Assign(backgroundStyle_, std::move(value));
}

void Background::Changed()
{
    if (OnChanged) {
        OnChanged(*this);
    }
}

platform::paint::TColor ColorFromText(const std::string& text)
{
    if (const auto named = platform::paint::IdentToColor(text)) {
        return *named;
    }
    // A number: decimal, or hexadecimal after "$" or "0x", with a sign.
    const char* begin = text.c_str();
    const char* p = begin;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    int base = 10;
    if (*p == '$') {
        base = 16;
        ++p;
    } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = *p != '\0' && !std::isspace(static_cast<unsigned char>(*p))
                                ? std::strtoll(p, &end, base)
                                : 0;
    if (end == nullptr || *end != '\0' || errno != 0 || value > 0xFFFFFFFFLL) {
        throw Error("'" + text + "' is not a valid integer value");
    }
    return static_cast<platform::paint::TColor>(negative ? -value : value);
}

QImage PaintGradient(const Gradient& gradient, platform::paint::TColor solidColor, int width,
                     int height, bool forward)
{
    std::vector<QRgb> list;
    list.push_back(Rgb(forward ? gradient.BeginColor() : gradient.EndColor()));
    for (const std::string& entry : gradient.ColorsInBetween()) {
        list.push_back(Rgb(ColorFromText(entry)));
    }
    list.push_back(Rgb(forward ? gradient.EndColor() : gradient.BeginColor()));

    QImage image(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    image.fill(platform::paint::ColorToQColor(solidColor));
    image.fill(QColor::fromRgb(list[0]));
    const int segments = static_cast<int>(list.size()) - 1;
    const int steps = gradient.ColorCount();
    const auto channel = [](int c1, int c2, int k, int last) {
        const int v = c1 + M(k, c2 - c1, last);
        return v == 0 ? 1 : v;
    };
    for (int s = 0; s < segments; ++s) {
        const QRgb c1 = list[static_cast<std::size_t>(s)];
        const QRgb c2 = list[static_cast<std::size_t>(s) + 1];
        for (int n = 0; n < steps; ++n) {
            const auto mix = [&](int k) {
                return qRgb(channel(qRed(c1), qRed(c2), k, steps - 1),
                            channel(qGreen(c1), qGreen(c2), k, steps - 1),
                            channel(qBlue(c1), qBlue(c2), k, steps - 1));
            };
            const Step step{
                image, width, height, s, segments, n, steps, mix(n), mix(steps - 1 - n)};
            DrawStep(gradient.FillStyle(), step);
        }
    }
    return image;
}

QImage Background::Picture(int width, int height, bool forward) const
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    switch (backgroundStyle_) {
    case bGradient:
        return PaintGradient(gradient_, solidColor_, width, height, forward);
    case bTexture:
        return TexturePicture(texture_, width, height);
    case bSolidcolor: {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(platform::paint::ColorToQColor(solidColor_));
        return image;
    }
    case bBrushFillUseCurrent:
    case bBrushFillSolidColor: {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.fillRect(image.rect(),
                             QBrush(platform::paint::ColorToQColor(brushFill_.BrushColor()),
                                    QtBrush(brushFill_.BrushStyle())));
        }
        if (backgroundStyle_ == bBrushFillSolidColor) {
            const QRgb white = qRgb(255, 255, 255);
            const QRgb solid = Rgb(solidColor_);
            for (int y = 0; y < height; ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < width; ++x) {
                    if (row[x] == white) {
                        row[x] = solid;
                    }
                }
            }
        }
        return image;
    }
    }
    return {};
}

void Background::Paint(QPainter& painter, int width, int height, bool forward) const
{
    painter.drawImage(0, 0, Picture(width, height, forward));
}

} // namespace marlune::hints
