#include "net/ThreadTimer.h"

#include "common/KvilmarError.h"

#include <QTimer>

#include <climits>

TThreadTimer::TThreadTimer(QObject* owner) : QObject(owner), timer_(new QTimer(this))
{
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &TThreadTimer::tick);
}

TThreadTimer::~TThreadTimer() = default;

void TThreadTimer::SetEnabled(bool value)
{
    if (value == enabled_)
        return;
    enabled_ = value;
    UpdateTimer();
}

void TThreadTimer::SetInterval(unsigned value)
{
    if (value == interval_)
        return;
    interval_ = value;
    UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler)
{
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TThreadTimer::UpdateTimer()
{
    timer_->stop();
    if (interval_ != 0 && enabled_ && onTimer_) {
        if (interval_ > unsigned(INT_MAX))
            throw KvilmarError(QStringLiteral("No Timer"));
        timer_->start(int(interval_));
    }
}

void TThreadTimer::tick()
{
    if (!onTimer_)
        return;
    // Nothing may escape into the event loop.
    try {
        const TNotifyEvent handler = onTimer_;
        handler(this);
    } catch (const std::exception& e) {
        qWarning("Timer handler failed: %s", e.what());
    } catch (...) {
        qWarning("Timer handler failed");
    }
}
