#include "net/SocketClient.h"

#include "net/SockError.h"
#include "net/ThreadTimer.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostInfo>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int TSocketClient::InstanceCount = 0;

namespace {

// A stream socket of the internet family, close-on-exec.
int newStreamSocket(int protocol)
{
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, protocol);
}

bool makeNonBlocking(int handle)
{
    const int flags = ::fcntl(handle, F_GETFL, 0);
    return flags >= 0 && ::fcntl(handle, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

TSocketClient::TSocketClient(QObject* owner)
    : QObject(owner),
      readNotifier_(new QSocketNotifier(QSocketNotifier::Read, this)),
      writeNotifier_(new QSocketNotifier(QSocketNotifier::Write, this)),
      TransferBuffer(new char[TransferBufferSize]),
      HostEntryBuffer(new char[HostEntryBufferSize]),
      Timer(new TThreadTimer(this))
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
    if (lookupId_ >= 0)
        QHostInfo::abortHostLookup(lookupId_);
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
                      << QStringLiteral("Description= POSIX sockets")
                      << QStringLiteral("System= Running")
                      << QStringLiteral("Max Sockets= %1").arg(maxSockets)
                      << QStringLiteral("Max Udp pack size= 65507");
    }
    bool ok = false;
    const int handle = newStreamSocket(IPPROTO_TCP);
    if (handle >= 0) {
        // Closing resets the connection at once instead of lingering.
        const linger noLinger{1, 0};
        ok = ::setsockopt(handle, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger) == 0
             && makeNonBlocking(handle);
        if (ok)
            watchSocket(handle);
        else
            ::close(handle);
    }
    if (!ok) {
        noteSystemError();
        --InstanceCount;
        throw ESockError(QStringLiteral("Initializaton of windows sockets failed"));
    }
}

void TSocketClient::watchSocket(int handle)
{
    SocketHandle = handle;
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
    if (n < 0)
        noteSystemError();
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

void TSocketClient::hostLookedUp(int token, const QHostInfo& info)
{
    // A late answer to a look-up that was given up is of no interest.
    if (token != lookupToken_ || lookupId_ < 0)
        return;
    lookupId_ = -1;
    LastEventOk = false;
    std::memset(HostEntryBuffer.get(), 0, HostEntryBufferSize);
    if (info.error() == QHostInfo::NoError) {
        for (const QHostAddress& address : info.addresses()) {
            bool isIpv4 = false;
            const quint32 ip = address.toIPv4Address(&isIpv4);
            if (isIpv4 && ip != 0) {
                const quint32 networkOrder = htonl(ip);
                std::memcpy(HostEntryBuffer.get(), &networkOrder, sizeof networkOrder);
                LastEventOk = true;
                break;
            }
        }
    }
    if (!LastEventOk)
        systemError_ = sockerr::HostNotFound;
    WaitEnded = true;
}

void TSocketClient::ResolveHost()
{
    ReportStatus(8, QStringLiteral("Resolve Host"));
    const QByteArray name = Proxy.isEmpty() ? Host : Proxy;
    in_addr dotted{};
    if (!name.contains('\0') && ::inet_pton(AF_INET, name.constData(), &dotted) == 1) {
        RemoteAddress = dotted.s_addr;
        return;
    }
    RemoteAddress = 0;
    TimerOn();
    WaitEnded = false;
    const int token = ++lookupToken_;
    lookupId_ = QHostInfo::lookupHost(QString::fromLatin1(name), this,
                                      [this, token](const QHostInfo& info) { hostLookedUp(token, info); });
    while (!WaitEnded && !TimeoutFired && !CancelRequested)
        pause();
    TimerOff();
    if (lookupId_ >= 0) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
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
    if (LinkUp)
        throw ESockError(QStringLiteral("Already connected"));

    bool retried = false;
    for (;;) {
        try {
            ResolveHost();
        } catch (const ESockError& e) {
            if (e.text() == QLatin1String("Host Lookup Timed Out")
                || e.text() == QLatin1String("Host Lookup Canceled"))
                throw;
        }
        if (RemoteAddress != 0)
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

    sockaddr_in PeerAddress{};
    PeerAddress.sin_family = AF_INET;
    PeerAddress.sin_port = htons(quint16(Proxy.isEmpty() ? Port : ProxyPort));
    PeerAddress.sin_addr.s_addr = RemoteAddress;

    WaitEnded = false;
    LastEventOk = true;
    if (::connect(SocketHandle, reinterpret_cast<const sockaddr*>(&PeerAddress), sizeof PeerAddress) != 0) {
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
    const int fresh = newStreamSocket(0);
    if (fresh < 0 || !makeNonBlocking(fresh)) {
        noteSystemError();
        if (fresh >= 0)
            ::close(fresh);
        return;
    }
    watchSocket(fresh);
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

long TSocketClient::receive(char* buffer, long length, int flags)
{
    if (SocketHandle == NoSocket) {
        systemError_ = sockerr::NotConnected;
        return -1;
    }
    const long n = ::recv(SocketHandle, buffer, size_t(length), flags | MSG_DONTWAIT);
    if (n < 0)
        noteSystemError();
    armReadNotice();
    return n;
}

long TSocketClient::sendSome(const char* buffer, long length)
{
    // MSG_NOSIGNAL: a server that went away gives an error, not SIGPIPE.
    const long n = ::send(SocketHandle, buffer, size_t(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0)
        noteSystemError();
    return n;
}

void TSocketClient::raiseIfCancelled(const char* text)
{
    if (CancelRequested) {
        CancelRequested = false;
        throw EAbortError(QLatin1String(text));
    }
}

void TSocketClient::SendBuffer(const char* buffer, quint16 length)
{
    ReportStatus(4, QStringLiteral("Sending Buffer"));
    TimerOn();
    const auto timerOff = qScopeGuard([this] { TimerOff(); });
    if (!CancelRequested) {
        long rest = length != 0 ? length : long(::strnlen(buffer, 0xFFFF));
        while (rest > 0 && !CancelRequested) {
            const long n = sendSome(buffer, rest);
            if (n == 0)
                break;
            if (n < 0) {
                QString text;
                ErrorCheck(sockerr::WouldBlock, text);
                // The socket's send queue is full: wait for it to drain.
                pause();
                continue;
            }
            buffer += n;
            rest -= n;
        }
    }
    raiseIfCancelled("Socket send aborted");
}

void TSocketClient::Write(const QByteArray& text)
{
    ReportStatus(8, QStringLiteral("Write"));
    // Sent up to its first NUL, as a zero-terminated text that fits the buffer.
    qsizetype length = text.indexOf('\0');
    if (length < 0)
        length = text.size();
    length = std::min<qsizetype>(length, 0xFFFF);
    std::memcpy(TransferBuffer.get(), text.constData(), size_t(length));
    TransferBuffer[length] = '\0';
    SendBuffer(TransferBuffer.get(), quint16(length));
}

void TSocketClient::Writeln(const QByteArray& text)
{
    ReportStatus(8, QStringLiteral("Writeln"));
    Write(text + "\r\n");
}

QByteArray TSocketClient::ReadLn()
{
    ReportStatus(8, QStringLiteral("ReadLn"));
    TimerOn();
    const auto timerOff = qScopeGuard([this] { TimerOff(); });
    QByteArray line;
    long lineEnd = -1;   // bytes of the peeked data up to and including LF
    while (!CancelRequested) {
        const long room = TransferBufferSize - long(line.size());
        if (room == 0)
            return line;   // the rest of a very long line comes with the next read
        const long n = receive(TransferBuffer.get(), room, MSG_PEEK);
        if (n == 0)
            return {};
        if (n > 0) {
            const void* lf = std::memchr(TransferBuffer.get(), '\n', size_t(n));
            if (lf) {
                lineEnd = long(static_cast<const char*>(lf) - TransferBuffer.get()) + 1;
                break;
            }
            const long taken = receive(TransferBuffer.get(), n, 0);
            if (taken > 0)
                line.append(TransferBuffer.get(), taken);
            QCoreApplication::processEvents();
            continue;
        }
        LastSocketError = systemError_;
        if (LastSocketError == sockerr::NotConnected)
            return {};
        QString text;
        ErrorCheck(sockerr::WouldBlock, text);
        pause();
    }
    raiseIfCancelled("Socket readln aborted");
    const long taken = receive(TransferBuffer.get(), lineEnd, 0);
    if (taken > 0)
        line.append(TransferBuffer.get(), taken);
    return line;
}

void TSocketClient::CaptureString(QByteArray& text, int limit)
{
    ReportStatus(8, QStringLiteral("Capture String"));
    text.clear();
    ReceivedCount = 0;
    TimerOn();
    const auto timerOff = qScopeGuard([this] { TimerOff(); });
    while (!CancelRequested && (limit == -1 || text.size() < limit)) {
        const long n = receive(TransferBuffer.get(), TransferBufferSize, 0);
        if (n == 0)
            break;
        if (n > 0) {
            text.append(TransferBuffer.get(), n);
            ReceivedCount += n;
            if (OnPacketRecvd)
                OnPacketRecvd(this);
            TimerOn();
            QCoreApplication::processEvents();
            continue;
        }
        LastSocketError = systemError_;
        if (LastSocketError == sockerr::NotConnected)
            break;
        QString error;
        ErrorCheck(sockerr::WouldBlock, error);
        pause();
    }
    raiseIfCancelled("Socket capture aborted");
}

void TSocketClient::CaptureFile(const QString& fileName)
{
    ReportStatus(8, QStringLiteral("CaptureFile"));
    ReceivedCount = 0;
    TimerOn();
    const auto timerOff = qScopeGuard([this] { TimerOff(); });
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw KvilmarError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    while (!CancelRequested) {
        const long n = receive(TransferBuffer.get(), TransferBufferSize, 0);
        if (n == 0)
            break;
        if (n > 0) {
            if (file.write(TransferBuffer.get(), n) != n)
                throw KvilmarError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
            ReceivedCount += n;
            if (OnPacketRecvd)
                OnPacketRecvd(this);
            TimerOn();
            QCoreApplication::processEvents();
            continue;
        }
        LastSocketError = systemError_;
        if (LastSocketError == sockerr::NotConnected)
            break;
        QString error;
        ErrorCheck(sockerr::WouldBlock, error);
        pause();
    }
    file.close();
    raiseIfCancelled("Socket send aborted");
}

void TSocketClient::SendFile(const QString& fileName)
{
    ReportStatus(8, QStringLiteral("SendFile"));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw KvilmarError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    do {
        if (CancelRequested)
            break;
        const qint64 got = file.read(TransferBuffer.get(), TransferBufferSize);
        if (got < 0)
            throw KvilmarError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
        const char* next = TransferBuffer.get();
        long rest = long(got);
        while (rest > 0 && !CancelRequested) {
            const long n = sendSome(next, rest);
            if (n == 0)
                break;
            if (n < 0) {
                QString text;
                ErrorCheck(sockerr::WouldBlock, text);
                pause();
                continue;
            }
            next += n;
            rest -= n;
            SentCount += n;
            if (OnPacketSent)
                OnPacketSent(this);
            QCoreApplication::processEvents();
        }
    } while (file.pos() < file.size() && !CancelRequested);
    file.close();
    raiseIfCancelled("Socket send aborted");
}

QByteArray TSocketClient::Transaction(const QByteArray& command)
{
    ReportStatus(8, QStringLiteral("Transaction"));
    ReplyNumber = 0;
    Writeln(command);
    LastReply = ReadLn();
    if (!LastReply.isEmpty()) {
        ReportStatus(1, QString::fromLatin1(LastReply));
        qint64 value = 0;
        int digits = 0;
        while (digits < 10 && digits < LastReply.size() && LastReply.at(digits) >= '0'
               && LastReply.at(digits) <= '9') {
            value = value * 10 + (LastReply.at(digits) - '0');
            ++digits;
        }
        if (digits > 0) {
            if (value > SHRT_MAX)
                throw KvilmarError(QStringLiteral("Range check error"));
            ReplyNumber = qint16(value);
        }
    }
    return LastReply;
}

int TSocketClient::Accept()
{
    ReportStatus(4, QStringLiteral("Accepting"));
    while (!WaitEnded && !CancelRequested)
        pause();
    if (CancelRequested)
        throw ESockError(QStringLiteral("Accepting Canceled"));
    if (LastEventOk) {
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        const int handle = ::accept4(SocketHandle, reinterpret_cast<sockaddr*>(&peer), &size,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (handle >= 0) {
            if (CancelRequested) {
                ::close(handle);
                CancelRequested = false;
                throw EAbortError(QStringLiteral("Socket send aborted"));
            }
            return handle;
        }
        noteSystemError();
    }
    throw ESockError(QStringLiteral("Error creating Data Connection"));
}

bool TSocketClient::DataAvailable()
{
    ReportStatus(8, QStringLiteral("Data Available"));
    char probe;
    return receive(&probe, 1, MSG_PEEK) > 0;
}
