#pragma once

#include <QObject>

#include <functional>

// A timer driven by the event loop of the thread that owns it; no thread of
// its own. It runs while Enabled is set, Interval is not 0 and OnTimer is
// assigned. Changing either property, or assigning OnTimer, starts the
// countdown afresh; setting a property to the value it has changes nothing.
namespace marlune::net {

class SocketTimer : private QObject {
public:
    SocketTimer() = default;
    ~SocketTimer() override;
    SocketTimer(const SocketTimer&) = delete;
    SocketTimer& operator=(const SocketTimer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned interval);

    const std::function<void()>& OnTimer() const { return onTimer_; }
    void SetOnTimer(std::function<void()> handler);

    // Whether a countdown is running.
    bool Running() const { return timerId_ != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void UpdateTimer();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    std::function<void()> onTimer_;
    int timerId_ = 0;
};

} // namespace marlune::net
