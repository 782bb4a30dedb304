#include "net/sockettimer.h"

#include "net/socketerror.h"

#include <QTimerEvent>

#include <climits>

namespace marlune::net {

SocketTimer::~SocketTimer()
{
    if (timerId_ != 0) {
        killTimer(timerId_);
    }
}

void SocketTimer::SetEnabled(bool enabled)
{
    if (enabled != enabled_) {
        enabled_ = enabled;
        UpdateTimer();
    }
}

void SocketTimer::SetInterval(unsigned interval)
{
    if (interval != interval_) {
        interval_ = interval;
        UpdateTimer();
    }
}

void SocketTimer::SetOnTimer(std::function<void()> handler)
{
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void SocketTimer::UpdateTimer()
{
    if (timerId_ != 0) {
        killTimer(timerId_);
        timerId_ = 0;
    }
    if (interval_ != 0 && enabled_ && onTimer_) {
        const int interval =
            interval_ > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(interval_);
        timerId_ = startTimer(interval, Qt::PreciseTimer);
        if (timerId_ == 0) {
            throw Error("No Timer");
        }
    }
}

void SocketTimer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId_) {
        QObject::timerEvent(event);
        return;
    }
    // A copy: the handler may reassign OnTimer. Its errors reach the
    // application object's event handling.
    const std::function<void()> handler = onTimer_;
    if (handler) {
        handler();
    }
}

} // namespace marlune::net
