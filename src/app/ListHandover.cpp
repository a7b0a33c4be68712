#include "app/ListHandover.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

// A file's name is all a later start sends: anything longer is no name.
constexpr qsizetype kMessageLimit = 64 * 1024;
// How long either side waits for the other.
constexpr int kWaitMs = 5000;
const char kTaken = '1';

// The socket's address; false when the name does not fit in one.
bool addressOf(const QByteArray& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

int localSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// True when the peer on the socket runs as this user.
bool sameUser(int peer)
{
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    return ::getsockopt(peer, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == ::geteuid();
}

// Waits for the socket to be ready for `events` within what is left of the
// wait; false on a timeout or an error.
bool waitFor(int fd, short events, const QElapsedTimer& waited)
{
    for (;;) {
        const qint64 left = kWaitMs - waited.elapsed();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready > 0)
            return (p.revents & events) != 0;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

// The name as the running copy reads it: a QDataStream string.
QByteArray message(const QString& fileName)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << fileName;
    return bytes;
}

// One later start's connection: read until a whole name came, then answered
// and closed. A peer that sends nothing, or too much, is not waited for.
class Peer : public QObject {
public:
    Peer(int fd, ListHandover* owner, std::function<void(const QString&)> handed)
        : QObject(owner), fd_(fd), readable_(fd, QSocketNotifier::Read, this), handed_(std::move(handed))
    {
        connect(&readable_, &QSocketNotifier::activated, this, &Peer::read);
        QTimer::singleShot(kWaitMs, this, &Peer::end);
    }
    ~Peer() override { ::close(fd_); }

private:
    void read()
    {
        bool over = false; // the peer left, or the socket failed
        char chunk[4096];
        for (;;) {
            const ssize_t got = ::read(fd_, chunk, sizeof chunk);
            if (got > 0) {
                received_.append(chunk, got);
                if (received_.size() > kMessageLimit)
                    return end();
            } else if (got < 0 && errno == EINTR) {
                continue;
            } else {
                over = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
                break;
            }
        }
        QDataStream in(received_);
        in.startTransaction();
        QString fileName;
        in >> fileName;
        if (!in.commitTransaction()) {
            if (over)
                end();
            return; // not whole yet
        }
        ::send(fd_, &kTaken, 1, MSG_NOSIGNAL);
        end();
        if (!fileName.isEmpty())
            handed_(fileName);
    }

    void end()
    {
        readable_.setEnabled(false);
        deleteLater();
    }

    int fd_;
    QSocketNotifier readable_;
    std::function<void(const QString&)> handed_;
    QByteArray received_;
};

} // namespace

ListHandover::ListHandover(const QString& socketName, QObject* parent)
    : QObject(parent), path_(QFile::encodeName(socketName))
{
    sockaddr_un address;
    if (!addressOf(path_, address) || (server_ = localSocket()) < 0)
        return;
    const auto* where = reinterpret_cast<const sockaddr*>(&address);
    bool bound = ::bind(server_, where, sizeof address) == 0;
    // This copy holds the lock: a socket of the name is one a crashed copy left.
    if (!bound && errno == EADDRINUSE && ::unlink(path_.constData()) == 0)
        bound = ::bind(server_, where, sizeof address) == 0;
    if (!bound || ::chmod(path_.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(server_, 8) != 0) {
        if (bound)
            ::unlink(path_.constData());
        ::close(std::exchange(server_, -1));
        return;
    }
    waiting_ = new QSocketNotifier(server_, QSocketNotifier::Read, this);
    connect(waiting_, &QSocketNotifier::activated, this, &ListHandover::takeConnections);
}

ListHandover::~ListHandover()
{
    if (server_ < 0)
        return;
    delete waiting_;
    ::close(server_);
    ::unlink(path_.constData());
}

void ListHandover::takeConnections()
{
    for (int peer; (peer = ::accept4(server_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;)
        take(peer);
}

void ListHandover::take(int peer)
{
    if (!sameUser(peer)) {
        ::close(peer);
        return;
    }
    new Peer(peer, this, [this](const QString& fileName) { emit fileHanded(fileName); });
}

bool ListHandover::handOver(const QString& socketName, const QString& fileName)
{
    sockaddr_un address;
    if (!addressOf(QFile::encodeName(socketName), address))
        return false;
    const int fd = localSocket();
    if (fd < 0)
        return false;
    QElapsedTimer waited;
    waited.start();
    bool taken = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
        || (errno == EINPROGRESS && waitFor(fd, POLLOUT, waited))) {
        const QByteArray bytes = message(fileName);
        qsizetype sent = 0;
        while (sent < bytes.size() && waitFor(fd, POLLOUT, waited)) {
            const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n > 0)
                sent += n;
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
        }
        char answer = 0;
        taken = sent == bytes.size() && waitFor(fd, POLLIN, waited) && ::read(fd, &answer, 1) == 1 && answer == kTaken;
    }
    ::close(fd);
    return taken;
}
