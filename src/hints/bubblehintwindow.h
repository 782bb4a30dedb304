#pragma once

#include "hints/bubble.h"

#include <QImage>
#include <QWidget>

class QScreen;

namespace marlune::hints {

class HintComponent;

// The hint window: a borderless, topmost pop-up that takes no input and is
// never activated. Each activation places it beside the pointer, takes the
// picture of what lies behind it and paints the bubble over that picture.
// Where the desktop lets the program copy screen pixels (X11) the window is
// opaque and shows the copy outside the bubble; elsewhere it is translucent
// there, which gives the same picture.
class BubbleHintWindow : public QWidget {
    Q_OBJECT
public:
    explicit BubbleHintWindow(HintComponent& component);

    // Shows the bubble for `text`, measured as `textSize` (w x h), for the
    // pointer at `pointer` over `control`.
    void ActivateHint(QSize textSize, const QString& text, QPoint pointer, QWidget* control);

    // The screen whose size decides the direction and the fit.
    static QScreen* ScreenFor(QPoint pointer, const QWidget* control);

    HintDirectionKind Direction() const { return direction_; }
    const QImage& Picture() const { return picture_; }
    bool CopiesScreen() const { return copiesScreen_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HintComponent& component_;
    HintDirectionKind direction_ = dUpRight;
    QImage picture_; // this activation's bubble, what every repaint shows
    bool copiesScreen_ = false;
};

} // namespace marlune::hints
