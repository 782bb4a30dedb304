#pragma once

#include "report/preview/glyphs.h"

#include <QAbstractButton>
#include <QWidget>

#include <optional>

// The preview's toolbar: flat buttons that show a glyph (or a text) and
// gaps between groups of them.
namespace marlune::report::preview {

// A flat button: button face without a border while the mouse is elsewhere,
// a raised border while the mouse is over it, sunken with the picture moved
// one pixel right and down while pressed. Its glyph is in shades of the
// palette's button-text colour while the mouse is not over it; a disabled
// button shows the embossed disabled glyph.
class ToolBarButton : public QAbstractButton {
public:
    // A button with a glyph.
    ToolBarButton(QWidget* parent, Glyph glyph, int width, int height);
    // A button that shows a text (the zoom button).
    ToolBarButton(QWidget* parent, int width, int height);

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::optional<Glyph> glyph_;
    QPixmap normal_;
    QPixmap greyed_; // in shades of greyedInk_
    QColor greyedInk_;
    int tag_ = 0;
};

// A gap of a given width between toolbar buttons, with or without an
// etched line down its middle.
class ToolBarSeparator : public QWidget {
public:
    ToolBarSeparator(QWidget* parent, int width, int height, bool bevel);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool bevel_;
};

} // namespace marlune::report::preview
