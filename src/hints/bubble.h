#pragma once

#include "hints/font3d.h"
#include "platform/paint/colors.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace marlune::hints {

class Background;

enum HintDirectionKind { dUpRight, dUpLeft, dDownRight, dDownLeft };

inline bool IsUpward(HintDirectionKind d)
{
    return d == dUpRight || d == dUpLeft;
}

// Where a bubble goes for a text of a measured size (w x h) and the pointer
// at `pointer` on a screen of `screen` pixels.
struct BubblePlacement {
    HintDirectionKind direction = dUpRight;
    QRect window;   // on the screen
    QPoint tailTip; // on the screen: the spot the tail points at
};

// Tries the directions from `first` on, each unfitting direction naming the
// next to try, until one fits. When the tries come round to a direction
// already tried (the bubble fits neither left nor right, or neither above nor
// below the pointer), the first direction is kept and the window is moved
// back onto the screen as far as it goes.
BubblePlacement PlaceBubble(QSize textSize, QPoint pointer, QSize screen, HintDirectionKind first);
// The same on a screen at `screen` among several (all in desktop coordinates).
BubblePlacement PlaceBubble(QSize textSize, QPoint pointer, const QRect& screen,
                            HintDirectionKind first);

// What the bubble looks like, from the hint component's settings.
struct BubbleStyle {
    bool speechbubble = true;
    bool shadow = true;
    platform::paint::TColor unUsedHintColor = 0x00FF00;
    platform::paint::TColor hintShadowColor = platform::paint::clBlack;
    const Background* background = nullptr; // none: white
    const Font3D* font3D = nullptr;         // none: the defaults
    QFont font;
    platform::paint::TColor fontColor = platform::paint::clWindowText;
};

// The size a hint text needs (w x h): laid out with word wrap at the screen
// width, without prefix processing, plus the window's margins (6 and 2).
QSize MeasureHintText(const QFont& font, const QString& text, int screenWidth);

// Paints the bubble for a window of screenCopy's size: `screenCopy` is what
// the screen shows behind the window (the work picture), and what it shows
// outside the bubble; inside lies the background (or white) and the text.
// The picture has the copy's device pixel ratio; a transparent copy gives a
// picture transparent outside the bubble.
QImage PaintBubble(const QImage& screenCopy, HintDirectionKind direction, const BubbleStyle& style,
                   const QString& text);

} // namespace marlune::hints
