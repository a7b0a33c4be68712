#pragma once

#include <QObject>

#include <functional>

class QTimer;

// A component that calls OnTimer every Interval milliseconds while Enabled.
// Setting a property to the value it already has leaves a running period
// alone, so a time-out counts from the first time it was switched on.
class TThreadTimer : public QObject {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TThreadTimer(QObject* owner = nullptr);
    ~TThreadTimer() override;

    bool Enabled() const { return enabled_; }
    unsigned Interval() const { return interval_; }
    const TNotifyEvent& OnTimer() const { return onTimer_; }

    void SetEnabled(bool value);
    void SetInterval(unsigned value);
    void SetOnTimer(TNotifyEvent handler);

    // Restarts the underlying timer from the current settings.
    void UpdateTimer();

private:
    void tick();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    QTimer* timer_;
};
