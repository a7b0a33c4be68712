#include "net/SocketClient.h"

#include "net/HostLookup.h"
#include "net/SockError.h"
#include "net/ThreadTimer.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int TSocketClient::InstanceCount = 0;

namespace {

// A stream socket of the family, close-on-exec.
int newStreamSocket(int family, int protocol)
{
    return ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, protocol);
}

bool makeNonBlocking(int handle)
{
    const int flags = ::fcntl(handle, F_GETFL, 0);
    return flags >= 0 && ::fcntl(handle, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

TSocketClient::TSocketClient(QObject* owner)
    : QObject(owner), readNotifier_(new QSocketNotifier(QSocketNotifier::Read, this)),
      writeNotifier_(new QSocketNotifier(QSocketNotifier::Write, this)), TransferBuffer(new char[TransferBufferSize]),
      HostEntryBuffer(new char[HostEntryBufferSize]), Timer(new TThreadTimer(this))
{
    ReportStatus(8, QStringLiteral("Create"));
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    connect(readNotifier_, &QSocketNotifier::activated, this, [this] { readNotice(); });
    connect(writeNotifier_, &QSocketNotifier::activated, this, [this] { connectNotice(); });
    std::memset(HostEntryBuffer.get(), 0, HostEntryBufferSize);

    Timer->SetEnabled(false);
    Timer->SetOnTimer([this](QObject*) { TimerTriggered(); });

    InitWinsock();
}

TSocketClient::~TSocketClient()
{
    ReportStatus(8, QStringLiteral("Destroy"));
    TSocketClient::Abort();
    Cancel();
    lookup_.reset();
    delete Timer;
    Timer = nullptr;
    Destroying = true;
    try {
        RequestCloseSocket();
    } catch (...) {
        // A socket that cannot be closed any more is of no concern now.
    }
    --InstanceCount;
}

void TSocketClient::ReportStatus(int level, const QString& text)
{
    if (ReportLevel < level)
        return;
    LastStatus = text;
    if (Destroying || !OnStatus)
        return;
    try {
        OnStatus(this, text);
    } catch (...) {
        // A status handler must not disturb the operation it watches.
    }
}

void TSocketClient::pause()
{
    QThread::msleep(2);
    QCoreApplication::processEvents();
}

void TSocketClient::noteSystemError()
{
    systemError_ = sockerr::fromErrno(errno);
}

void TSocketClient::ErrorCheck(int tolerated, QString& text)
{
    LastSocketError = systemError_;
    if (LastSocketError != tolerated && LastSocketError > 10000) {
        text = ErrorText(LastSocketError);
        if (OnSocketError)
            OnSocketError(this, quint16(LastSocketError), text);
        throw ESockError(text);
    }
    text.clear();
}

QString TSocketClient::ErrorText(int number, const QString& text)
{
    ReportStatus(8, QStringLiteral("Looking Up Error Message") + text);
    return sockerr::describe(number);
}

void TSocketClient::InitWinsock()
{
    ReportStatus(8, QStringLiteral("Initializing Winsock"));
    ++InstanceCount;
    if (InstanceCount == 1) {
        const long maxSockets = ::sysconf(_SC_OPEN_MAX);
        StartupReport << QStringLiteral("Version= 1.1") << QStringLiteral("High Version= 1.1")
                      << QStringLiteral("Description= POSIX sockets") << QStringLiteral("System= Running")
                      << QStringLiteral("Max Sockets= %1").arg(maxSockets)
                      << QStringLiteral("Max Udp pack size= 65507");
    }
    bool ok = false;
    const int handle = newStreamSocket(AF_INET, IPPROTO_TCP);
    if (handle >= 0) {
        // Closing resets the connection at once instead of lingering.
        const linger noLinger{1, 0};
        ok = ::setsockopt(handle, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger) == 0 && makeNonBlocking(handle);
        if (ok)
            watchSocket(handle, AF_INET);
        else
            ::close(handle);
    }
    if (!ok) {
        noteSystemError();
        --InstanceCount;
        throw ESockError(QStringLiteral("Initializaton of windows sockets failed"));
    }
}

void TSocketClient::watchSocket(int handle, int family)
{
    SocketHandle = handle;
    socketFamily_ = family;
    watchingReads_ = false;
    readNotifier_->setSocket(handle);
    writeNotifier_->setSocket(handle);
}

void TSocketClient::stopWatching()
{
    watchingReads_ = false;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
}

void TSocketClient::armReadNotice()
{
    if (watchingReads_ && SocketHandle != NoSocket)
        readNotifier_->setEnabled(true);
}

void TSocketClient::fireNotice(const TNotifyEvent& event)
{
    if (!event)
        return;
    try {
        event(this);
    } catch (...) {
        // Nothing may escape a notice into the event loop.
    }
}

// Data arrived, or the server closed the connection (a read notice with
// nothing to read). Like the classic notices, the next one comes only after
// the next receive.
void TSocketClient::readNotice()
{
    readNotifier_->setEnabled(false);
    char probe;
    const long n = ::recv(SocketHandle, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        LastEventOk = true;
        fireNotice(OnDataReady);
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        readNotifier_->setEnabled(true);
        return;
    }
    if (n < 0) {
        noteSystemError();
        streamError_ = systemError_;
    }
    LastEventOk = n == 0;
    try {
        if (!DataAvailable())
            RequestCloseSocket();
    } catch (...) {
        // Swallowed like every failure inside a notice.
    }
}

// The connect finished, well or badly.
void TSocketClient::connectNotice()
{
    writeNotifier_->setEnabled(false);
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(SocketHandle, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    LastEventOk = error == 0;
    if (!LastEventOk) {
        systemError_ = sockerr::fromErrno(error);
        return;
    }
    LinkUp = true;
    watchingReads_ = true;
    armReadNotice();
    fireNotice(OnConnect);
}

void TSocketClient::hostLookedUp(const HostLookup& lookup)
{
    const quint32 address = lookup.address();
    LastEventOk = address != 0;
    std::memset(HostEntryBuffer.get(), 0, HostEntryBufferSize);
    std::memcpy(HostEntryBuffer.get(), &address, sizeof address);
    if (!LastEventOk)
        systemError_ = sockerr::HostNotFound;
    WaitEnded = true;
}

void TSocketClient::ResolveHost()
{
    ReportStatus(8, QStringLiteral("Resolve Host"));
    const QByteArray name = Proxy.isEmpty() ? Host : Proxy;
    RemoteAddress6.clear();
    // An IPv6 literal, as a URL writes it: "[::1]".
    if (name.startsWith('[') && name.endsWith(']')) {
        RemoteAddress = 0;
        in6_addr literal{};
        const QByteArray inside = name.mid(1, name.size() - 2);
        if (inside.contains('\0') || ::inet_pton(AF_INET6, inside.constData(), &literal) != 1)
            throw ESockError(QStringLiteral("Host Lookup Failed"));
        RemoteAddress6 = QByteArray(reinterpret_cast<const char*>(&literal), sizeof literal);
        return;
    }
    in_addr dotted{};
    if (!name.contains('\0') && ::inet_pton(AF_INET, name.constData(), &dotted) == 1) {
        RemoteAddress = dotted.s_addr;
        return;
    }
    RemoteAddress = 0;
    TimerOn();
    WaitEnded = false;
    lookup_ = std::make_unique<HostLookup>(name);
    while (!WaitEnded && !TimeoutFired && !CancelRequested) {
        if (lookup_->finished())
            hostLookedUp(*lookup_);
        else
            pause();
    }
    TimerOff();
    // A look-up given up goes on alone and frees itself when it ends.
    lookup_.reset();
    if (TimeoutFired)
        throw ESockError(QStringLiteral("Host Lookup Timed Out"));
    if (CancelRequested)
        throw ESockError(QStringLiteral("Host Lookup Canceled"));
    if (LastEventOk) {
        std::memcpy(&RemoteAddress, HostEntryBuffer.get(), sizeof RemoteAddress);
        if (OnHostResolved)
            OnHostResolved(this);
        return;
    }
    throw ESockError(QStringLiteral("Host Lookup Failed"));
}

void TSocketClient::Connect()
{
    ReportStatus(8, QStringLiteral("Connecting"));
    CancelRequested = false;
    streamError_ = 0;
    if (LinkUp)
        throw ESockError(QStringLiteral("Already connected"));

    bool retried = false;
    for (;;) {
        try {
            ResolveHost();
        } catch (const ESockError& e) {
            if (e.text() == QLatin1String("Host Lookup Timed Out") || e.text() == QLatin1String("Host Lookup Canceled"))
                throw;
        }
        if (RemoteAddress != 0 || !RemoteAddress6.isEmpty())
            break;
        if (!retried && OnInvalidHost) {
            bool handled = false;
            OnInvalidHost(this, handled);
            if (handled) {
                retried = true;
                continue;
            }
        }
        throw ESockError(QStringLiteral("Null Remote Address"));
    }

    // A port past 65535 would wrap around to another one.
    const int port = Proxy.isEmpty() ? Port : ProxyPort;
    if (port < 1 || port > 65535)
        throw ESockError(QStringLiteral("Port out of range: %1").arg(port));
    sockaddr_in PeerAddress{};
    PeerAddress.sin_family = AF_INET;
    PeerAddress.sin_port = htons(quint16(port));
    PeerAddress.sin_addr.s_addr = RemoteAddress;
    sockaddr_in6 peer6{};
    peer6.sin6_family = AF_INET6;
    peer6.sin6_port = PeerAddress.sin_port;
    std::memcpy(&peer6.sin6_addr, RemoteAddress6.constData(), size_t(RemoteAddress6.size()));
    const bool v6 = !RemoteAddress6.isEmpty();
    useFamily(v6 ? AF_INET6 : AF_INET);

    WaitEnded = false;
    LastEventOk = true;
    const int started = v6
        ? ::connect(SocketHandle, reinterpret_cast<const sockaddr*>(&peer6), sizeof peer6)
        : ::connect(SocketHandle, reinterpret_cast<const sockaddr*>(&PeerAddress), sizeof PeerAddress);
    if (started != 0) {
        // A connect in progress is the expected outcome on a non-blocking socket.
        systemError_ = errno == EINPROGRESS ? sockerr::WouldBlock : sockerr::fromErrno(errno);
        QString text;
        ErrorCheck(sockerr::WouldBlock, text);
    }
    writeNotifier_->setEnabled(true);

    TimerOn();
    while (!LinkUp && !TimeoutFired && !CancelRequested && LastEventOk)
        pause();
    TimerOff();
    writeNotifier_->setEnabled(false);

    if (!TimeoutFired && !CancelRequested && LastEventOk)
        return;
    if (OnConnectionFailed)
        OnConnectionFailed(this);
    if (TimeoutFired)
        throw ESockError(QStringLiteral("Connection Timed out"));
    if (CancelRequested)
        throw ESockError(QStringLiteral("Connection Canceled"));
    // The server's answer tells why, as "10061:Connection refused".
    LastSocketError = systemError_;
    if (LastSocketError > 10000) {
        const QString text = ErrorText(LastSocketError);
        if (OnSocketError)
            OnSocketError(this, quint16(LastSocketError), text);
        throw ESockError(text);
    }
    throw ESockError(QStringLiteral("Connection Failed"));
}

void TSocketClient::Disconnect()
{
    ReportStatus(8, QStringLiteral("Disconnecting"));
    RequestCloseSocket();
}

void TSocketClient::RequestCloseSocket()
{
    ReportStatus(4, QStringLiteral("Request Close Socket"));
    LinkUp = false;
    if (SocketHandle == NoSocket)
        return;
    stopWatching();
    const int handle = SocketHandle;
    SocketHandle = NoSocket;
    if (::close(handle) != 0) {
        noteSystemError();
        QString text;
        ErrorCheck(sockerr::WouldBlock, text);
        return;
    }
    if (Destroying)
        return;
    if (OnDisconnect)
        OnDisconnect(this);
    const int fresh = newStreamSocket(AF_INET, 0);
    if (fresh < 0 || !makeNonBlocking(fresh)) {
        noteSystemError();
        if (fresh >= 0)
            ::close(fresh);
        return;
    }
    watchSocket(fresh, AF_INET);
}

void TSocketClient::useFamily(int family)
{
    if (socketFamily_ == family)
        return;
    const int fresh = newStreamSocket(family, 0);
    if (fresh < 0 || !makeNonBlocking(fresh)) {
        noteSystemError();
        if (fresh >= 0)
            ::close(fresh);
        QString text;
        ErrorCheck(sockerr::WouldBlock, text);
        throw ESockError(QStringLiteral("Connection Failed"));
    }
    stopWatching();
    if (SocketHandle != NoSocket)
        ::close(SocketHandle);
    watchSocket(fresh, family);
}

void TSocketClient::Cancel()
{
    ReportStatus(8, QStringLiteral("Canceling"));
    CancelRequested = true;
}

void TSocketClient::Abort()
{
    ReportStatus(8, QStringLiteral("Abort"));
    Cancel();
}

void TSocketClient::TimerOn()
{
    ReportStatus(8, QStringLiteral("Timer On"));
    TimeoutFired = false;
    if (TimeOut < 0)
        throw KvilmarError(QStringLiteral("Range check error"));
    Timer->SetInterval(unsigned(TimeOut));
    Timer->SetEnabled(true);
}

void TSocketClient::TimerOff()
{
    ReportStatus(8, QStringLiteral("Timer Off"));
    if (Timer)
        Timer->SetEnabled(false);
}

void TSocketClient::TimerTriggered()
{
    ReportStatus(8, QStringLiteral("Timer Triggered"));
    TimerOff();
    TimeoutFired = true;
    WaitEnded = true;
    Abort();
}
