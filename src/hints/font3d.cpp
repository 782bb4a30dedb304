#include "hints/font3d.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QtMath>

namespace marlune::hints {

void Font3D::Changed() const
{
    if (OnChange) {
        OnChange();
    }
}

void Font3D::SetThreeDimensional(bool value)
{
    Assign(threeDimensional_, value);
}

void Font3D::SetMaskFont(bool value)
{
    Assign(maskFont_, value);
}

void Font3D::SetHighlight(platform::paint::TColor value)
{
    Assign(highlight_, value);
}

void Font3D::SetShadow(platform::paint::TColor value)
{
    Assign(shadow_, value);
}

void Font3D::SetRepetitionColor(platform::paint::TColor value)
{
    Assign(repetitionColor_, value);
}

void Font3D::SetRepetition(RepeatKind value)
{
    Assign(repetition_, value);
}

void Font3D::SetRepetitionwidth(std::uint8_t value)
{
    if (value == repetitionwidth_) {
        return;
    }
    repetitionwidth_ = value;
    Changed();
}

void Font3D::SetOffset(std::uint8_t value)
{
    if (value != 0) {
        offset_ = value;
    }
    Changed();
}

void Font3D::SetStyle3D(TextStyle3D value)
{
    Assign(style3D_, value);
}

namespace {

// Writes `text` in `color` with whole pixels and no smoothing, each glyph
// where a smoothed drawing of the same font places it (so the words read
// evenly; glyphs drawn without smoothing sit at rounded places of their own
// and gaps open inside words): the smoothed letters are drawn on a clear
// mask, and every pixel they cover at least half is set.
void WriteWholePixels(QPainter& painter, const QFont& font, const QColor& color, int flags,
                      const QString& text, const QRect& rect)
{
    const QRect box = painter.boundingRect(rect, flags, text).united(rect).adjusted(-2, -2, 2, 2);
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const QPointF origin = painter.transform().map(QPointF(box.topLeft())) * ratio;
    const QPoint corner(qFloor(origin.x()), qFloor(origin.y()));
    QImage mask((QSizeF(box.size()) * ratio).toSize() + QSize(2, 2),
                QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter m(&mask);
        m.translate(-QPointF(corner) + origin);
        m.scale(ratio, ratio);
        m.translate(-box.topLeft());
        QFont smooth(font);
        smooth.setStyleStrategy(
            static_cast<QFont::StyleStrategy>(font.styleStrategy() & ~QFont::NoAntialias));
        m.setFont(smooth);
        m.setPen(Qt::black);
        m.drawText(rect, flags, text);
    }
    QImage letters(mask.size(), QImage::Format_ARGB32);
    letters.fill(Qt::transparent);
    const QRgb ink = color.rgba();
    for (int y = 0; y < mask.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(letters.scanLine(y));
        for (int x = 0; x < mask.width(); ++x) {
            if (qAlpha(from[x]) >= 128) {
                to[x] = ink;
            }
        }
    }
    letters.setDevicePixelRatio(ratio);
    painter.save();
    painter.resetTransform();
    painter.drawImage(QPointF(corner) / ratio, letters);
    painter.restore();
}

} // namespace

void Font3D::Draw(QPainter& painter, const QFont& font, platform::paint::TColor fontColor,
                  bool enabled, int flags, const QString& text, const QRect& rect) const
{
    Draw(painter, font, fontColor, enabled, flags, text, rect, QGuiApplication::palette());
}

void Font3D::Draw(QPainter& painter, const QFont& font, platform::paint::TColor fontColor,
                  bool enabled, int flags, const QString& text, const QRect& rect,
                  const QPalette& palette) const
{
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);
    const int textFlags = (flags | Qt::TextDontClip) & ~Qt::TextShowMnemonic;
    QRect r = rect;
    const auto write = [&](platform::paint::TColor color, const QRect& at) {
        WriteWholePixels(painter, font, platform::paint::ColorToQColor(color, palette), textFlags,
                         text, at);
    };

    platform::paint::TColor final = fontColor;
    if (!enabled) {
        write(platform::paint::clBtnHighlight, r);
        r.translate(-1, -1);
        final = platform::paint::clGrayText;
    } else if (threeDimensional_) {
        const int o = offset_;
        if (repetition_ != repeatNone) {
            const int n = repetitionwidth_;
            r.adjust(n, n, -n, -n);
            const int step = repetition_ == repeatOnHighLight ? 1 : -1;
            r.translate(-step * o, -step * o);
            for (int i = 0; i < n; ++i) {
                write(repetitionColor_, r);
                r.translate(step, step);
            }
        }
        switch (style3D_) {
        case fontRaised:
            write(highlight_, r.translated(-o, -o));
            write(shadow_, r.translated(o, o));
            break;
        case fontInset:
            write(shadow_, r.translated(-o, -o));
            write(highlight_, r.translated(o, o));
            break;
        case fontOnlyShadow:
            write(shadow_, r.translated(o, o));
            break;
        case fontOnlyHighlight:
            write(highlight_, r.translated(-o, -o));
            break;
        case fontOutLineShadow:
            write(shadow_, r.translated(-1, -1));
            write(shadow_, r.translated(1, -1));
            write(shadow_, r.translated(1, 1));
            write(shadow_, r.translated(-1, 1));
            break;
        }
    }
    write(final, r);
    painter.restore();
}

} // namespace marlune::hints
