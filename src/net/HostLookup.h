#pragma once

#include <QByteArray>

#include <memory>

// Looks a host name up on a thread of its own; the caller polls finished().
// Dropping a look-up that is still running leaves the thread to end on its
// own, and it frees what it holds then. Nothing waits for such a thread:
// the program can end while a name server keeps it waiting.
class HostLookup {
public:
    explicit HostLookup(const QByteArray& name);
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    bool finished() const;
    // Once finished: the first IPv4 address in network byte order, 0 when
    // the name has none or the look-up failed.
    quint32 address() const;

    // Look-ups whose threads have not ended yet, given up ones included.
    static int running();

private:
    struct State;
    std::shared_ptr<State> state_;
};
