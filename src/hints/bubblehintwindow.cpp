#include "hints/bubblehintwindow.h"

#include "hints/hintcomponent.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace marlune::hints {

BubbleHintWindow::BubbleHintWindow(HintComponent& component)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                           Qt::NoDropShadowWindowHint),
      component_(component)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Only X11 lets a program read the screen behind its window.
    copiesScreen_ = QGuiApplication::platformName() == QLatin1String("xcb");
    if (!copiesScreen_) {
        setAttribute(Qt::WA_TranslucentBackground);
    }
}

void BubbleHintWindow::ActivateHint(QSize textSize, const QString& text, QPoint pointer,
                                    QWidget* control)
{
    HintDirectionKind first = component_.HintDirection();
    if (component_.OnSelectHintDirection) {
        component_.OnSelectHintDirection(control, first);
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen != nullptr ? screen->size() : QSize(1024, 768);
    const BubblePlacement placement = PlaceBubble(textSize, pointer, screenSize, first);
    direction_ = placement.direction;
    const QRect r = placement.window;

    hide();
    setWindowTitle(text);
    QImage behind;
    if (copiesScreen_ && screen != nullptr) {
        behind = screen->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
    }
    if (behind.size() != r.size()) {
        behind = QImage(r.size(), QImage::Format_ARGB32);
        behind.fill(Qt::transparent);
    }
    picture_ = PaintBubble(behind, direction_, component_.Style(), text);
    setGeometry(r);
    show();
    raise();
    update();
}

void BubbleHintWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, picture_);
}

} // namespace marlune::hints
