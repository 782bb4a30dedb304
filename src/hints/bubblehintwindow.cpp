#include "hints/bubblehintwindow.h"

#include "hints/hintcomponent.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

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

QScreen* BubbleHintWindow::ScreenFor(QPoint pointer, const QWidget* control)
{
    // Where the desktop knows where the pointer is, the screen under it;
    // else (Wayland) the screen of the hinted control's window.
    if (QScreen* screen = QGuiApplication::screenAt(pointer)) {
        return screen;
    }
    if (control != nullptr && control->screen() != nullptr) {
        return control->screen();
    }
    return QGuiApplication::primaryScreen();
}

void BubbleHintWindow::ActivateHint(QSize textSize, const QString& text, QPoint pointer,
                                    QWidget* control)
{
    HintDirectionKind first = component_.HintDirection();
    if (component_.OnSelectHintDirection) {
        component_.OnSelectHintDirection(control, first);
    }
    QScreen* screen = ScreenFor(pointer, control);
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    const BubblePlacement placement = PlaceBubble(textSize, pointer, area, first);
    direction_ = placement.direction;
    const QRect r = placement.window;

    hide();
    setWindowTitle(text);
    setAccessibleName(text);
    // A pop-up of the hinted control's window: on Wayland a window without
    // one would be a top-level of its own, placed by the compositor, with
    // the keyboard focus.
    if (control != nullptr && control->window()->windowHandle() != nullptr) {
        winId();
        windowHandle()->setTransientParent(control->window()->windowHandle());
    }
    const qreal ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    const QSize device = (QSizeF(r.size()) * ratio).toSize();
    QImage behind;
    if (copiesScreen_ && screen != nullptr) {
        behind = screen->grabWindow(0, r.x() - area.x(), r.y() - area.y(), r.width(), r.height())
                     .toImage();
    }
    if (behind.isNull()) {
        behind = QImage(device, QImage::Format_ARGB32);
        behind.fill(Qt::transparent);
    } else if (behind.size() != device) {
        // Device pixels of another ratio than the screen's: the same area.
        behind = behind.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    behind.setDevicePixelRatio(ratio);
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
