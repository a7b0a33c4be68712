#pragma once

#include <QByteArray>

#include <atomic>
#include <thread>

// A web server on 127.0.0.1, in a thread of its own, that answers every
// request "404" and counts the connections made to it: a template's linked
// picture points at it, and a filling must never reach it.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    quint16 port() const { return port_; }
    // "http://127.0.0.1:port/path".
    QByteArray url(const QByteArray& path) const;
    // Connections made so far, answered or still waiting to be.
    int connections() const;

private:
    void serve();

    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<int> answered_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
