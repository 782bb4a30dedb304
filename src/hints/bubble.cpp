#include "hints/bubble.h"

#include "hints/background.h"
#include "hints/raster.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <array>

namespace marlune::hints {
namespace {

QRgb Rgb(platform::paint::TColor color)
{
    return platform::paint::ColorToQColor(color).rgb();
}

struct Try {
    QPoint corner;
    bool fits;
    HintDirectionKind next;
};

Try TryDirection(HintDirectionKind d, QSize text, QPoint p, QSize screen)
{
    const int wu = text.width() + 16;
    const int hu = text.height() + 20;
    const int hd = text.height() + 29;
    const int x = p.x();
    const int y = p.y();
    const int sw = screen.width();
    const int sh = screen.height();
    switch (d) {
    case dUpRight:
        if (x + wu > sw) {
            return {{x, y - 5 - hu}, false, dUpLeft};
        }
        return {{x, y - 5 - hu}, y - 5 - hu >= 0, dDownRight};
    case dUpLeft:
        if (x + 6 - wu < 0) {
            return {{x + 6 - wu, y - 5 - hu}, false, dUpRight};
        }
        return {{x + 6 - wu, y - 5 - hu}, y - 5 - hu >= 0, dDownLeft};
    case dDownRight:
        if (x + wu > sw) {
            return {{x, y + 15}, false, dDownLeft};
        }
        return {{x, y + 15}, y + 15 + hd <= sh, dUpRight};
    case dDownLeft:
        if (x + 6 - wu < 0) {
            return {{x + 6 - wu, y + 15}, false, dDownRight};
        }
        return {{x + 6 - wu, y + 15}, y + 15 + hd <= sh, dUpLeft};
    }
    return {{x, y}, true, d};
}

QPoint TailTip(HintDirectionKind d, QPoint p)
{
    switch (d) {
    case dUpRight:
        return {p.x() + 7, p.y() - 5};
    case dUpLeft:
        return {p.x() - 7, p.y() - 5};
    case dDownRight:
        return {p.x() + 2, p.y() + 15};
    case dDownLeft:
        return {p.x(), p.y() + 17};
    }
    return p;
}

// The chequered shadow right of and below the body, and below the tail.
void PaintShadow(QImage& q, HintDirectionKind d, const BubbleStyle& style)
{
    const int w = q.width();
    const int h = q.height();
    const int corner = style.speechbubble ? 8 : 0;
    const QRgb color = Rgb(style.hintShadowColor);
    const bool up = IsUpward(d);
    const int top = up ? 8 : 23;
    const int bottom = up ? h - 9 : h - 2;
    const int stripTop = up ? h - 14 : h - 8;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((x + y) % 2 != 0 || !raster::InRoundRect(x, y, 10, top, w, bottom, corner)) {
                continue;
            }
            const bool rightStrip = x >= w - 14 && y >= top && y <= (up ? h - 14 : h - 8);
            const bool bottomStrip = x >= 10 && y >= stripTop && y <= bottom;
            if (rightStrip || bottomStrip) {
                raster::SetPixel(q, x, y, color);
            }
        }
    }
    if (!up || !style.speechbubble) {
        return;
    }
    const std::array<QPoint, 3> s =
        d == dUpRight ? std::array<QPoint, 3>{QPoint(10, h - 15), QPoint(25, h - 15), QPoint(10, h)}
                      : std::array<QPoint, 3>{QPoint(w - 23, h - 15), QPoint(w - 10, h - 15),
                                              QPoint(w - 10, h)};
    for (int y = s[0].y(); y <= s[2].y(); ++y) {
        for (int x = s[0].x(); x <= s[1].x(); ++x) {
            if ((x + y) % 2 == 0 && raster::InTriangle(x, y, s[0], s[1], s[2])) {
                raster::SetPixel(q, x, y, color);
            }
        }
    }
}

void PaintBody(QImage& q, HintDirectionKind d, const BubbleStyle& style)
{
    const int w = q.width();
    const int h = q.height();
    const int corner = style.speechbubble ? 9 : 0;
    const QRgb key = Rgb(style.unUsedHintColor);
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    if (IsUpward(d)) {
        raster::RoundRect(q, 1, 0, w - 6, h - 14, corner, black, key);
        raster::RoundRect(q, 0, 0, w - 7, h - 15, corner, white, key);
        raster::RoundRect(q, 1, 1, w - 7, h - 15, corner, key, key);
    } else {
        raster::RoundRect(q, 1, 15, w - 6, h - 8, corner, black, key);
        raster::RoundRect(q, 0, 15, w - 7, h - 9, corner, white, key);
        raster::RoundRect(q, 1, 16, w - 7, h - 9, corner, key, key);
    }
    if (!style.speechbubble) {
        return;
    }
    QPoint p1;
    QPoint p2;
    QPoint p3;
    switch (d) {
    case dUpRight:
        p1 = {7, h - 15};
        p2 = {22, h - 15};
        p3 = {7, h};
        break;
    case dUpLeft:
        p1 = {w - 28, h - 15};
        p2 = {w - 13, h - 15};
        p3 = {w - 13, h};
        break;
    case dDownRight:
        p1 = {7, 15};
        p2 = {22, 15};
        p3 = {2, 0};
        break;
    case dDownLeft:
        p1 = {w - 28, 15};
        p2 = {w - 13, 15};
        p3 = {w - 6, 2};
        break;
    }
    raster::Line(q, p1, p2, key);
    raster::FillTriangle(q, p1, p2, p3, key);
    raster::Line(q, p2, p3, black);
    raster::Line(q, p3, p1, white);
}

// The body is white under any colour scheme, so the text's system colours
// (clWindowText, the highlight copy's clBtnHighlight) come from a light
// scheme: the application's own when it is light, else a plain light one.
QPalette TextPalette()
{
    const QPalette application = QGuiApplication::palette();
    if (application.color(QPalette::Text).lightness() < 128) {
        return application;
    }
    QPalette light(QColor(0xEF, 0xEF, 0xEF));
    light.setColor(QPalette::Text, Qt::black);
    light.setColor(QPalette::WindowText, Qt::black);
    return light;
}

} // namespace

BubblePlacement PlaceBubble(QSize textSize, QPoint pointer, QSize screen, HintDirectionKind first)
{
    std::array<bool, 4> tried{};
    HintDirectionKind d = first;
    while (!tried[d]) {
        tried[d] = true;
        const Try t = TryDirection(d, textSize, pointer, screen);
        if (t.fits) {
            const int height = textSize.height() + (IsUpward(d) ? 20 : 29);
            return {d, QRect(t.corner, QSize(textSize.width() + 16, height)), TailTip(d, pointer)};
        }
        d = t.next;
    }
    const Try t = TryDirection(first, textSize, pointer, screen);
    const QSize size(textSize.width() + 16, textSize.height() + (IsUpward(first) ? 20 : 29));
    const QPoint corner(std::clamp(t.corner.x(), 0, std::max(0, screen.width() - size.width())),
                        std::clamp(t.corner.y(), 0, std::max(0, screen.height() - size.height())));
    return {first, QRect(corner, size), TailTip(first, pointer)};
}

BubblePlacement PlaceBubble(QSize textSize, QPoint pointer, const QRect& screen,
                            HintDirectionKind first)
{
    BubblePlacement placement =
        PlaceBubble(textSize, pointer - screen.topLeft(), screen.size(), first);
    placement.window.translate(screen.topLeft());
    placement.tailTip += screen.topLeft();
    return placement;
}

QSize MeasureHintText(const QFont& font, const QString& text, int screenWidth)
{
    QFont measured(font);
    measured.setStyleStrategy(QFont::NoAntialias);
    const QRect r = QFontMetrics(measured).boundingRect(QRect(0, 0, screenWidth, 0),
                                                        Qt::AlignLeft | Qt::TextWordWrap, text);
    return {r.width() + 6, r.height() + 2};
}

QImage PaintBubble(const QImage& screenCopy, HintDirectionKind direction, const BubbleStyle& style,
                   const QString& text)
{
    // The copy may hold device pixels (devicePixelRatio above 1): the
    // outline, tail and shadow keep their whole logical pixels and are
    // enlarged without smoothing; the screen, the inside and the text keep
    // the device's resolution.
    const qreal ratio = screenCopy.devicePixelRatio();
    const QSize device = screenCopy.size();
    const int w = qRound(device.width() / ratio);
    const int h = qRound(device.height() / ratio);
    QImage p(device, QImage::Format_ARGB32);
    p.setDevicePixelRatio(ratio);
    p.fill(Qt::white);
    if (style.background != nullptr) {
        QPainter painter(&p);
        style.background->Paint(painter, w, h, true);
    }
    // The shapes go on a layer that is clear elsewhere; laid over the copy
    // that is the work picture of the platform's drawing.
    QImage q(w, h, QImage::Format_ARGB32);
    q.fill(Qt::transparent);
    if (style.shadow) {
        PaintShadow(q, direction, style);
    }
    PaintBody(q, direction, style);

    // Lay the work picture over the result, its key colour transparent.
    const QImage screen = screenCopy.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = Rgb(style.unUsedHintColor) & 0x00FFFFFFu;
    const int dw = device.width();
    const int dh = device.height();
    for (int y = 0; y < dh; ++y) {
        const QRgb* shape = reinterpret_cast<const QRgb*>(q.constScanLine(y * h / dh));
        const QRgb* from = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(p.scanLine(y));
        for (int x = 0; x < dw; ++x) {
            const QRgb s = shape[x * w / dw];
            const QRgb pixel = qAlpha(s) != 0 ? s : from[x];
            if ((pixel & 0x00FFFFFFu) != key || qAlpha(pixel) == 0) {
                to[x] = pixel;
            }
        }
    }

    const Font3D defaults;
    const Font3D& font3D = style.font3D != nullptr ? *style.font3D : defaults;
    const int offset = font3D.Offset();
    const int d = IsUpward(direction) ? 0 : 15;
    QPainter painter(&p);
    font3D.Draw(painter, style.font, style.fontColor, true, Qt::AlignLeft | Qt::TextWordWrap, text,
                QRect(QPoint(8 - offset, 3 + d - offset), QPoint(w - 1, h - 1)), TextPalette());
    return p;
}

} // namespace marlune::hints
