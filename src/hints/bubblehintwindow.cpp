#include "hints/bubblehintwindow.h"

#include "hints/hintcomponent.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace marlune::hints {
namespace {

// Assistive technology meets the bubble as it meets a tooltip: a tool tip
// named by its text.
QAccessibleInterface* BubbleAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String(BubbleHintWindow::staticMetaObject.className()) &&
        object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::ToolTip);
    }
    return nullptr;
}

} // namespace

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
    static const bool accessible = [] {
        QAccessible::installFactory(BubbleAccessible);
        return true;
    }();
    (void)accessible;
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
    setAccessibleName(text);
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
    // Qt announces the showing of its own tooltips only; a screen reader
    // reads the bubble's text when it hears this.
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void BubbleHintWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, picture_);
}

} // namespace marlune::hints
