#include "LoopbackListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackListener::LoopbackListener()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(listener_, 16) == 0
        && ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port_ = ntohs(address.sin_port);
    thread_ = std::thread(&LoopbackListener::serve, this);
}

LoopbackListener::~LoopbackListener()
{
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

QByteArray LoopbackListener::url(const QByteArray& path) const
{
    return "http://127.0.0.1:" + QByteArray::number(port_) + path;
}

int LoopbackListener::connections() const
{
    // One made but not yet taken counts too.
    pollfd waiting{listener_, POLLIN, 0};
    return answered_ + (::poll(&waiting, 1, 0) > 0 ? 1 : 0);
}

void LoopbackListener::serve()
{
    while (!stop_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++answered_;
        // The head of the request, as far as it comes within a second.
        QByteArray head;
        char buffer[4096];
        pollfd reading{client, POLLIN, 0};
        while (!head.contains("\r\n\r\n") && head.size() < 65536 && ::poll(&reading, 1, 1000) > 0) {
            const ssize_t got = ::read(client, buffer, sizeof buffer);
            if (got <= 0)
                break;
            head.append(buffer, got);
        }
        const char reply[] = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        [[maybe_unused]] const ssize_t sent = ::write(client, reply, sizeof reply - 1);
        ::close(client);
    }
}
