#include "net/HostLookup.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

std::atomic<int> runningLookups{0};

quint32 firstIpv4Address(const QByteArray& name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.constData(), nullptr, &hints, &found) != 0)
        return 0;
    quint32 address = 0;
    for (const addrinfo* entry = found; entry && address == 0; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr)
            address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
    }
    ::freeaddrinfo(found);
    return address;
}

} // namespace

// Shared by the caller and the thread; the last of the two frees it.
struct HostLookup::State {
    mutable std::mutex mutex;
    bool finished = false;
    quint32 address = 0;
};

HostLookup::HostLookup(const QByteArray& name) : state_(std::make_shared<State>())
{
    if (name.isEmpty() || name.contains('\0')) {
        state_->finished = true;
        return;
    }
    try {
        ++runningLookups;
        std::thread([state = state_, name] {
            const quint32 address = firstIpv4Address(name);
            {
                const std::lock_guard<std::mutex> lock(state->mutex);
                state->address = address;
                state->finished = true;
            }
            --runningLookups;
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the look-up fails.
        --runningLookups;
        state_->finished = true;
    }
}

HostLookup::~HostLookup() = default;

bool HostLookup::finished() const
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->finished;
}

quint32 HostLookup::address() const
{
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->address;
}

int HostLookup::running()
{
    return runningLookups;
}
