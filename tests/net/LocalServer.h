#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QTcpServer;
class QTcpSocket;

// A server on 127.0.0.1 (or ::1) for the network tests. It runs in the
// test's own thread: the client's waits run the event loop, and so serve it.
class LocalServer : public QObject {
    Q_OBJECT

public:
    // Called once a connection has sent its request (up to the empty line
    // that ends the header, or at once for raw servers); the request so far
    // is given.
    using Responder = std::function<void(QTcpSocket* socket, const QByteArray& request)>;

    explicit LocalServer(Responder responder, bool waitForRequest = true,
                         const QHostAddress& listenOn = QHostAddress::LocalHost);
    ~LocalServer() override;

    quint16 port() const;
    // "127.0.0.1" or "[::1]", as a URL and the Host line write it.
    QByteArray host() const;
    // host:port, as KVILMAR_SERVER takes it.
    QByteArray address() const;
    QList<QByteArray> requests;
    int connections = 0;
    QPointer<QTcpSocket> lastSocket;

    // A complete response followed by closing the connection; a response
    // that ends in "{keep open}" leaves it open, one that ends in "{reset}"
    // resets it.
    static void reply(QTcpSocket* socket, QByteArray response);

private:
    void accept();

    QTcpServer* server_;
    Responder responder_;
    bool waitForRequest_;
};

// A raw listening socket on 127.0.0.1 with the given queue length; its port
// goes to port.
int loopbackListener(int backlog, quint16& port);

// A port on 127.0.0.1 on which nobody listens.
quint16 closedPort();

// A listening socket whose queue of pending connections is full, so that a
// further connect to it hangs until it is given up.
class StuckListener {
public:
    StuckListener();
    ~StuckListener();
    quint16 port() const { return port_; }

private:
    int listener_ = -1;
    QList<int> fillers_;
    quint16 port_ = 0;
};
