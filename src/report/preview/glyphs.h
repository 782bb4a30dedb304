#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>

class QPainter;
class QRect;

// The preview's own button pictures, drawn with the painter rather than
// loaded, in 16 by 16 design units scaled to the rectangle given.
namespace marlune::report::preview {

enum class Glyph {
    Open,
    Save,
    Print,
    Find,
    Help,
    Exit,
    PageUp,
    PageDown,
    Window,
};

// Draws the glyph in its colours into `rect`.
void DrawGlyph(QPainter& painter, Glyph glyph, const QRect& rect);

// The glyph on a transparent pixmap of `size`.
QPixmap GlyphPixmap(Glyph glyph, QSize size);

// The glyph's colours turned to shades of `ink` (the button-text colour) by
// their darkness: the look of a flat button that the mouse is not over. Dark
// ink gives greys of the same lightness; light ink (a dark colour scheme)
// turns the picture's dark lines light, so that it stands out from the button.
QPixmap GreyedPixmap(const QPixmap& pixmap, const QColor& ink = Qt::black);

// The disabled look: the glyph's shape embossed, a light copy one pixel
// right and down under a shadow-coloured one.
QPixmap DisabledPixmap(const QPixmap& pixmap, const QColor& light, const QColor& shadow);

} // namespace marlune::report::preview
