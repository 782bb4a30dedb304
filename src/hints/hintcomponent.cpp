#include "hints/hintcomponent.h"

#include "hints/bubblehintwindow.h"
#include "platform/hintsettings.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimerEvent>
#include <QWidget>

namespace marlune::hints {
namespace {

HintComponent* instance = nullptr;

} // namespace

HintComponent::HintComponent() : hintFont_(QGuiApplication::font())
{
    if (instance != nullptr) {
        throw DuplicateHintError("You can have one and ONLY ONE\r\nHintComponent Component\r\n in "
                                 "a project and it must be on the Mainform");
    }
    instance = this;
    // The component's timing becomes the application's.
    platform::ApplicationHintSettings().hintPause = hintPauseTime_;
    platform::ApplicationHintSettings().hintShortPause = kShortPause;
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
    }
}

HintComponent::~HintComponent()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
    instance = nullptr;
}

HintComponent* HintComponent::Instance()
{
    return instance;
}

void HintComponent::SetHintPauseTime(int ms)
{
    hintPauseTime_ = ms;
    platform::ApplicationHintSettings().hintPause = ms;
}

void HintComponent::SetHintFont(const QFont& font, platform::paint::TColor color)
{
    hintFont_ = font;
    hintFontColor_ = color;
}

BubbleStyle HintComponent::Style() const
{
    BubbleStyle style;
    style.speechbubble = speechbubble_;
    style.shadow = shadow_;
    style.unUsedHintColor = unUsedHintColor_;
    style.hintShadowColor = hintShadowColor_;
    style.background = background_;
    style.font3D = &font3D_;
    style.font = hintFont_;
    style.fontColor = hintFontColor_;
    return style;
}

BubbleHintWindow* HintComponent::HintWindow() const
{
    return window_ && window_->isVisible() ? window_.get() : nullptr;
}

QWidget* HintComponent::HintedControl(QWidget* widget)
{
    // As with tooltips, a control without a hint of its own shows its
    // parent's.
    for (QWidget* w = widget; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
        if (!w->toolTip().isEmpty()) {
            return w;
        }
    }
    return nullptr;
}

void HintComponent::ShowHint(QWidget* control, QPoint pointer)
{
    const QString text = control != nullptr ? control->toolTip() : QString();
    if (text.isEmpty()) {
        HideHint();
        return;
    }
    QScreen* screen = BubbleHintWindow::ScreenFor(pointer, control);
    const int screenWidth = screen != nullptr ? screen->size().width() : 1024;
    if (!window_) {
        window_ = std::make_unique<BubbleHintWindow>(*this);
    }
    window_->ActivateHint(MeasureHintText(hintFont_, text, screenWidth), text, pointer, control);
    shown_ = control;
    hideTimer_.start(platform::ApplicationHintSettings().hintHidePause, this);
}

int HintComponent::Pause() const
{
    // From one hint to the next (or across the gap between two controls)
    // without the pause.
    return shown_ != nullptr || awakeTimer_.isActive()
               ? platform::ApplicationHintSettings().hintShortPause
               : platform::ApplicationHintSettings().hintPause;
}

void HintComponent::LeaveShownHint()
{
    HideHint();
    awakeTimer_.start(kAwakeTime, this);
}

void HintComponent::HideHint()
{
    hideTimer_.stop();
    if (window_) {
        window_->hide();
    }
    shown_ = nullptr;
}

bool HintComponent::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        // Qt's own tooltip does not come up where the bubble stands in for
        // it; what has no hint here (the tray icon's window) shows its own.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && HintedControl(widget) != nullptr) {
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
    case QEvent::Enter: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || (window_ && widget == window_.get())) {
            break;
        }
        // With hints switched off for the application no control has one.
        QWidget* control = platform::ApplicationHintSettings().showHint
                               ? HintedControl(QApplication::widgetAt(QCursor::pos()))
                               : nullptr;
        if (control != expired_) {
            expired_ = nullptr;
        }
        if (control == nullptr || control == expired_) {
            if (shown_ != nullptr) {
                LeaveShownHint();
            }
            pending_ = nullptr;
            showTimer_.stop();
        } else if (control != shown_ && control != pending_) {
            pending_ = control;
            showTimer_.start(Pause(), this);
        } else if (control == pending_ && shown_ == nullptr && event->type() == QEvent::MouseMove) {
            // The pointer has not come to rest yet.
            showTimer_.start(Pause(), this);
        }
        break;
    }
    case QEvent::Leave: {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Leaving the control, or the window for the desktop, ends its
        // expired state: coming back shows the hint again.
        if (watched == expired_ || (widget != nullptr && widget->isWindow())) {
            expired_ = nullptr;
        }
        if (watched == shown_ || watched == pending_) {
            showTimer_.stop();
            pending_ = nullptr;
            if (shown_ != nullptr) {
                LeaveShownHint();
            }
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::WindowDeactivate:
        showTimer_.stop();
        awakeTimer_.stop();
        pending_ = nullptr;
        if (shown_ != nullptr) {
            HideHint();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void HintComponent::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == showTimer_.timerId()) {
        showTimer_.stop();
        QWidget* control = pending_;
        pending_ = nullptr;
        if (control != nullptr && control->isVisible()) {
            ShowHint(control, QCursor::pos());
        }
    } else if (event->timerId() == hideTimer_.timerId()) {
        expired_ = shown_;
        HideHint();
    } else if (event->timerId() == awakeTimer_.timerId()) {
        awakeTimer_.stop();
    }
}

} // namespace marlune::hints
