#include "hints/font3d.h"

#include <QPainter>

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

void Font3D::SetHighlight(paint::TColor value)
{
    Assign(highlight_, value);
}

void Font3D::SetShadow(paint::TColor value)
{
    Assign(shadow_, value);
}

void Font3D::SetRepetitionColor(paint::TColor value)
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

void Font3D::Draw(QPainter& painter, const QFont& font, paint::TColor fontColor, bool enabled,
                  int flags, const QString& text, const QRect& rect) const
{
    painter.save();
    // The platform's text output: whole pixels, no smoothing, so that every
    // copy lands exactly where its offset says.
    QFont copy(font);
    copy.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(copy);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int textFlags = (flags | Qt::TextDontClip) & ~Qt::TextShowMnemonic;
    QRect r = rect;
    const auto write = [&](paint::TColor color, const QRect& at) {
        painter.setPen(paint::ColorToQColor(color));
        painter.drawText(at, textFlags, text);
    };

    paint::TColor final = fontColor;
    if (!enabled) {
        write(paint::clBtnHighlight, r);
        r.translate(-1, -1);
        final = paint::clGrayText;
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
