#include "PipeSocket.h"

#include <QFile>

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

PipeSocket::PipeSocket(const QString& path, bool listening, uid_t owner) : path_(QFile::encodeName(path))
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.constData(), sizeof address.sun_path - 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    made_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
            && (!listening || ::listen(fd_, 8) == 0) && ::chown(path_.constData(), owner, owner) == 0;
    if (!listening) {
        ::close(fd_);
        fd_ = -1;
    }
}

PipeSocket::~PipeSocket()
{
    if (fd_ >= 0)
        ::close(fd_);
    ::unlink(path_.constData());
}

bool PipeSocket::reached() const
{
    pollfd waiting{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&waiting, 1, 0) > 0;
}

QString PipeSocket::pathOf(const QString& pipe)
{
    return QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(::getuid()).arg(pipe);
}
