#include "report/preview/toolbarbutton.h"

#include <QPainter>
#include <qdrawutil.h>

namespace marlune::report::preview {
namespace {

constexpr int kGlyphSize = 16;

void Setup(QAbstractButton& button, int width, int height)
{
    button.setFixedSize(width, height);
    button.setFocusPolicy(Qt::NoFocus);
    button.setAttribute(Qt::WA_Hover);
}

} // namespace

ToolBarButton::ToolBarButton(QWidget* parent, Glyph glyph, int width, int height)
    : QAbstractButton(parent), glyph_(glyph), normal_(GlyphPixmap(glyph, {kGlyphSize, kGlyphSize}))
{
    Setup(*this, width, height);
}

ToolBarButton::ToolBarButton(QWidget* parent, int width, int height) : QAbstractButton(parent)
{
    Setup(*this, width, height);
}

void ToolBarButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    update();
}

void ToolBarButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    update();
}

void ToolBarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect all = rect();
    painter.fillRect(all, pal.color(QPalette::Button));
    const bool enabled = isEnabled();
    const bool hot = enabled && underMouse();
    const bool down = enabled && isDown();
    if (down) {
        qDrawShadePanel(&painter, all, pal, true, 1);
    } else if (hot) {
        qDrawShadePanel(&painter, all, pal, false, 1);
    }
    const int shift = down ? 1 : 0;
    if (!glyph_) {
        painter.setPen(
            pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.setFont(font());
        painter.drawText(all.translated(shift, shift), Qt::AlignCenter, text());
        return;
    }
    QPixmap picture = normal_;
    if (!enabled) {
        picture = DisabledPixmap(normal_, pal.color(QPalette::Light), pal.color(QPalette::Dark));
    } else if (!hot) {
        // Made again when the palette changes (a dark colour scheme).
        const QColor ink = pal.color(QPalette::Active, QPalette::ButtonText);
        if (greyed_.isNull() || ink != greyedInk_) {
            greyed_ = GreyedPixmap(normal_, ink);
            greyedInk_ = ink;
        }
        picture = greyed_;
    }
    const QPoint at((width() - kGlyphSize) / 2 + shift, (height() - kGlyphSize) / 2 + shift);
    painter.drawPixmap(at, picture);
}

ToolBarSeparator::ToolBarSeparator(QWidget* parent, int width, int height, bool bevel)
    : QWidget(parent), bevel_(bevel)
{
    setFixedSize(width, height);
}

void ToolBarSeparator::paintEvent(QPaintEvent*)
{
    if (!bevel_) {
        return;
    }
    QPainter painter(this);
    const int x = width() / 2 - 1;
    qDrawShadeLine(&painter, x, 2, x, height() - 3, palette(), true, 1, 0);
}

} // namespace marlune::report::preview
