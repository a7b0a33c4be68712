#include "LocalServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

LocalServer::LocalServer(Responder responder, bool waitForRequest, const QHostAddress& listenOn)
    : server_(new QTcpServer(this)), responder_(std::move(responder)), waitForRequest_(waitForRequest)
{
    server_->listen(listenOn, 0);
    connect(server_, &QTcpServer::newConnection, this, &LocalServer::accept);
}

LocalServer::~LocalServer() = default;

quint16 LocalServer::port() const
{
    return server_->serverPort();
}

QByteArray LocalServer::host() const
{
    const QByteArray ip = server_->serverAddress().toString().toLatin1();
    return server_->serverAddress().protocol() == QAbstractSocket::IPv6Protocol ? '[' + ip + ']' : ip;
}

QByteArray LocalServer::address() const
{
    return host() + ':' + QByteArray::number(port());
}

void LocalServer::reply(QTcpSocket* socket, QByteArray response)
{
    const bool keepOpen = response.endsWith("{keep open}"), reset = response.endsWith("{reset}");
    if (keepOpen || reset)
        response.truncate(response.lastIndexOf('{'));
    socket->write(response);
    socket->flush();
    if (reset) {
        const linger now{1, 0};   // closing now sends a reset
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        socket->abort();
    } else if (!keepOpen) {
        socket->disconnectFromHost();
    }
}

void LocalServer::accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        ++connections;
        lastSocket = socket;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (!waitForRequest_) {
            requests.append(QByteArray());
            responder_(socket, {});
            continue;
        }
        // Freed with the connection, which goes with the socket or the server.
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
            const bool complete = received->contains("\r\n\r\n");
            *received += socket->readAll();
            if (!complete && received->contains("\r\n\r\n")) {
                requests.append(*received);
                responder_(socket, *received);
            }
        });
    }
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

int loopbackListener(int backlog, quint16& port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, backlog);
    socklen_t size = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return listener;
}

StuckListener::StuckListener()
{
    listener_ = loopbackListener(0, port_);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    // Fill the queue: connects that are never accepted. Once it is full the
    // listener drops new connection requests, and a connect waits.
    for (int i = 0; i < 4; ++i) {
        const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers_.append(filler);
    }
    QTest::qWait(50);
}

StuckListener::~StuckListener()
{
    for (const int filler : fillers_)
        ::close(filler);
    ::close(listener_);
}
