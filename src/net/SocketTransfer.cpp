#include "net/SocketClient.h"

#include "net/SockError.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <climits>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The transfers of the socket client: sending, reading lines, capturing
// the rest of the stream. Each loop runs the event loop between receives,
// so a cancel or a time-out is seen while data moves.

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

void TSocketClient::sendAll(const char* buffer, long length, const std::function<void(long)>& afterChunk)
{
    long rest = length;
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
        afterChunk(n);
    }
}

void TSocketClient::receiveWhile(const std::function<bool()>& goOn, const std::function<void(const char*, long)>& take)
{
    captureOverflowed_ = false;
    while (!CancelRequested && goOn()) {
        long want = TransferBufferSize;
        if (captureEnd_ >= 0) {
            const qint64 rest = captureEnd_ - ReceivedCount;
            if (rest <= 0)
                break;
            want = long(std::min<qint64>(want, rest));
        }
        if (captureLimit_ >= 0) {
            // One byte past the limit tells a body that is too large.
            const qint64 room = captureLimit_ + 1 - ReceivedCount;
            if (room <= 0) {
                captureOverflowed_ = true;
                break;
            }
            want = long(std::min<qint64>(want, room));
        }
        const long n = receive(TransferBuffer.get(), want, 0);
        if (n == 0)
            break;
        if (n > 0) {
            take(TransferBuffer.get(), n);
            ReceivedCount += n;
            if (OnPacketRecvd)
                OnPacketRecvd(this);
            TimerOn();
            QCoreApplication::processEvents();
            continue;
        }
        // A socket closed by the notice of a reset is no end of the data.
        if (systemError_ == sockerr::NotConnected && streamError_ != 0) {
            systemError_ = streamError_;
            streamError_ = 0;
        }
        LastSocketError = systemError_;
        if (LastSocketError == sockerr::NotConnected)
            break;
        QString error;
        ErrorCheck(sockerr::WouldBlock, error);
        pause();
    }
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
        sendAll(buffer, length != 0 ? length : long(::strnlen(buffer, 0xFFFF)), [](long) {});
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
    long lineEnd = -1; // bytes of the peeked data up to and including LF
    while (!CancelRequested) {
        const long room = TransferBufferSize - long(line.size());
        if (room == 0)
            return line; // the rest of a very long line comes with the next read
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
    receiveWhile([&] { return limit == -1 || text.size() < limit; },
                 [&](const char* data, long n) { text.append(data, n); });
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
    receiveWhile([] { return true; },
                 [&](const char* data, long n) {
                     if (file.write(data, n) != n)
                         throw KvilmarError(
                             QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
                 });
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
        sendAll(TransferBuffer.get(), long(got), [this](long n) {
            SentCount += n;
            if (OnPacketSent)
                OnPacketSent(this);
            QCoreApplication::processEvents();
        });
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
        while (digits < 10 && digits < LastReply.size() && LastReply.at(digits) >= '0' && LastReply.at(digits) <= '9') {
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
        const int handle =
            ::accept4(SocketHandle, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
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
