#include "StreamServer.h"

#include "LocalServer.h"

#include <QFile>

#include <cerrno>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Waits up to 100 ms for the descriptor to be ready for the events.
bool ready(int fd, short events)
{
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, 100) > 0;
}

} // namespace

StreamServer::StreamServer(QByteArray head, QByteArray chunk, qint64 total, int pauseMs)
    : head_(std::move(head)), chunk_(std::move(chunk)), total_(total), pauseMs_(pauseMs)
{
    listener_ = loopbackListener(4, port_);
    thread_ = std::thread([this] { serve(); });
}

StreamServer::~StreamServer()
{
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

QByteArray StreamServer::address() const
{
    return "127.0.0.1:" + QByteArray::number(port_);
}

void StreamServer::serve()
{
    int client = -1;
    while (!stop_ && client < 0) {
        if (ready(listener_, POLLIN))
            client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    if (client < 0)
        return;
    // The request first, up to the empty line that ends it.
    QByteArray request;
    char buffer[4096];
    while (!stop_ && !request.contains("\r\n\r\n")) {
        if (!ready(client, POLLIN))
            continue;
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, n);
    }
    // Blocking sends: each waits until the client has taken enough.
    auto sendAll = [&](const char* data, qint64 size) {
        while (size > 0 && !stop_) {
            if (!ready(client, POLLOUT))
                continue;
            const ssize_t n = ::send(client, data, size_t(size), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0)
                return false;
            data += n;
            size -= n;
        }
        return !stop_;
    };
    bool going = sendAll(head_.constData(), head_.size());
    while (going && written_ < total_) {
        const qint64 size = std::min<qint64>(chunk_.size(), total_ - written_);
        going = sendAll(chunk_.constData(), size);
        if (going)
            written_ += size;
        if (pauseMs_ > 0)
            ::usleep(useconds_t(pauseMs_) * 1000);
    }
    ::close(client);
}

qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}
