#pragma once

#include <QByteArray>

#include <atomic>
#include <thread>

// A server on 127.0.0.1 that answers one connection, in a thread of its own,
// with a head and then a chunk repeated up to a total size. It writes only
// as fast as the client reads and holds one chunk at a time, so a response
// of gigabytes costs the test no memory. It stops when the client closes.
class StreamServer {
public:
    // pauseMs > 0 writes one chunk, then waits that long before the next.
    StreamServer(QByteArray head, QByteArray chunk, qint64 total, int pauseMs = 0);
    ~StreamServer();
    StreamServer(const StreamServer&) = delete;
    StreamServer& operator=(const StreamServer&) = delete;

    quint16 port() const { return port_; }
    // "127.0.0.1:port", as a URL or KVILMAR_SERVER takes it.
    QByteArray address() const;
    // Bytes of the stream (after the head) that went out so far.
    qint64 written() const { return written_; }

private:
    void serve();

    QByteArray head_;
    QByteArray chunk_;
    qint64 total_;
    int pauseMs_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<qint64> written_{0};
    std::thread thread_;
};

// The resident memory of this process in bytes, from /proc/self/status.
qint64 residentBytes();
