#include "app/ListHandover.h"

#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// A file's name is all a later start sends: anything longer is no name.
constexpr qint64 kMessageLimit = 64 * 1024;
// How long either side waits for the other.
constexpr int kWaitMs = 5000;
const char kTaken = '1';

// True when the peer on the socket runs as this user.
bool sameUser(const QLocalSocket* peer)
{
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    return ::getsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0
        && credentials.uid == ::geteuid();
}

} // namespace

ListHandover::ListHandover(const QString& socketName, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // This copy holds the lock: a socket of the name is one a crashed copy left.
    if (!server_->listen(socketName) && server_->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(socketName);
        server_->listen(socketName);
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection())
            take(peer);
    });
}

void ListHandover::take(QLocalSocket* peer)
{
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    if (!sameUser(peer)) {
        peer->abort();
        return;
    }
    // A peer that sends nothing, or too much, is not waited for.
    QTimer::singleShot(kWaitMs, peer, &QLocalSocket::abort);
    connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
        if (peer->bytesAvailable() > kMessageLimit) {
            peer->abort();
            return;
        }
        QDataStream in(peer);
        in.startTransaction();
        QString fileName;
        in >> fileName;
        if (!in.commitTransaction())
            return;
        peer->putChar(kTaken);
        peer->flush();
        peer->disconnectFromServer();
        if (!fileName.isEmpty())
            emit fileHanded(fileName);
    });
}

bool ListHandover::handOver(const QString& socketName, const QString& fileName)
{
    QLocalSocket socket;
    socket.connectToServer(socketName);
    if (!socket.waitForConnected(kWaitMs))
        return false;
    QDataStream out(&socket);
    out << fileName;
    if (!socket.waitForBytesWritten(kWaitMs) && socket.bytesToWrite() > 0)
        return false;
    char answer = 0;
    return socket.waitForReadyRead(kWaitMs) && socket.getChar(&answer) && answer == kTaken;
}
