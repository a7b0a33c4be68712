#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class HostLookup;
class QSocketNotifier;
class TThreadTimer;

// A TCP client whose operations block their caller while the Qt event loop
// keeps running: each wait sleeps 2 ms and runs one pass of the loop until
// the awaited notice, a time-out or a cancel ends it. So a cancel click or a
// timer tick of the caller is handled in the middle of an operation.
//
// The socket is a non-blocking POSIX socket; socket notifiers stand in for
// the notices of connection, arriving data and closing, a HostLookup looks
// names up, and a TThreadTimer measures the time-outs. System errors are
// reported with the classic socket error numbers (see SockError.h).
class TSocketClient : public QObject {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using THandlerEvent = std::function<void(QObject* sender, bool& Handled)>;
    using TStatusEvent = std::function<void(QObject* sender, const QString& Status)>;
    using TSocketErrorEvent = std::function<void(QObject* sender, quint16 error, const QString& text)>;

    static constexpr int TransferBufferSize = 65536;
    static constexpr int HostEntryBufferSize = 1024;
    static constexpr int NoSocket = -1;

    explicit TSocketClient(QObject* owner = nullptr);
    ~TSocketClient() override;

    // Published properties.
    QByteArray Host; // a name, a dotted IPv4 address or a bracketed IPv6 literal ("[::1]")
    int Port = 0;
    int TimeOut = 0; // milliseconds per wait; 0 = none
    int ReportLevel = 0; // highest status level reported (1, 2, 4, 8)
    TNotifyEvent OnDisconnect;
    TNotifyEvent OnConnect;
    THandlerEvent OnInvalidHost;
    TNotifyEvent OnHostResolved;
    TStatusEvent OnStatus;
    TNotifyEvent OnConnectionFailed;

    // When Proxy is set, the connection goes to Proxy:ProxyPort.
    QByteArray Proxy;
    int ProxyPort = 0;

    TNotifyEvent OnPacketRecvd;
    TNotifyEvent OnPacketSent;
    TNotifyEvent OnDataReady;
    TNotifyEvent OnAcceptReady;
    TSocketErrorEvent OnSocketError;

    void Connect();
    void Disconnect();
    // Only asks: the running wait or transfer sees the request and raises.
    void Cancel();
    virtual void Abort();

    void SendBuffer(const char* buffer, quint16 length);
    void Write(const QByteArray& text);
    void Writeln(const QByteArray& text);
    // One line with its line end; empty when the server closed first. A line
    // longer than the transfer buffer comes in pieces of the buffer's size.
    QByteArray ReadLn();
    void CaptureString(QByteArray& text, int limit);
    void CaptureFile(const QString& fileName);
    void SendFile(const QString& fileName);
    QByteArray Transaction(const QByteArray& command);
    int Accept();
    bool DataAvailable();
    QString ErrorText(int number, const QString& text = QString());

    int socketHandle() const { return SocketHandle; }
    bool linkUp() const { return LinkUp; }
    int lastSocketError() const { return LastSocketError; }
    const QString& lastStatus() const { return LastStatus; }
    const QStringList& startupReport() const { return StartupReport; }
    qint64 receivedCount() const { return ReceivedCount; }
    qint64 sentCount() const { return SentCount; }
    const QByteArray& lastReply() const { return LastReply; }
    qint16 replyNumber() const { return ReplyNumber; }
    // The resolved IPv4 address in network byte order; 0 = none.
    quint32 remoteAddress() const { return RemoteAddress; }
    static int instanceCount() { return InstanceCount; }

protected:
    void ReportStatus(int level, const QString& text);
    void ErrorCheck(int tolerated, QString& text);
    void InitWinsock();
    void ResolveHost();
    void RequestCloseSocket();
    void TimerOn();
    void TimerOff();
    void TimerTriggered();

    // Bounds the next captures: they stop once more than `bytes` have come
    // (and never receive more than one byte past it). -1 = no bound.
    void setCaptureLimit(qint64 bytes) { captureLimit_ = bytes; }
    // The last capture stopped at its bound, with data still coming.
    bool captureOverflowed() const { return captureOverflowed_; }
    // The next captures end once `bytes` have come, whether or not the peer
    // then closes; they never receive past it. -1 = when the peer closes.
    void setCaptureEnd(qint64 bytes) { captureEnd_ = bytes; }

    bool CancelRequested = false;
    bool TimeoutFired = false;
    bool WaitEnded = false;
    bool LastEventOk = false;
    bool LinkUp = false;
    bool Destroying = false;

private:
    void watchSocket(int handle, int family);
    // Puts a fresh socket of the address family in place of the idle one.
    void useFamily(int family);
    void stopWatching();
    void armReadNotice();
    void readNotice();
    void connectNotice();
    void hostLookedUp(const HostLookup& lookup);
    void fireNotice(const TNotifyEvent& event);
    // One pass of a wait: a 2 ms sleep and one pass of the event loop.
    static void pause();
    // A receive through the socket; re-arms the notice of arriving data.
    long receive(char* buffer, long length, int flags);
    long sendSome(const char* buffer, long length);
    // Sends the bytes, waiting while the send queue is full; afterChunk runs
    // after each chunk that went out. Stops early on a cancel or when the
    // socket takes nothing more.
    void sendAll(const char* buffer, long length, const std::function<void(long)>& afterChunk);
    // Receives while goOn() holds, until the peer closes, a cancel or the
    // capture limit; each chunk goes to take. After each chunk TimerOn runs
    // again, which leaves a running period alone (the timer ignores settings
    // it already has): the time-out counts from the start of the capture.
    void receiveWhile(const std::function<bool()>& goOn, const std::function<void(const char*, long)>& take);
    void noteSystemError();
    void raiseIfCancelled(const char* text);

    int SocketHandle = NoSocket;
    QSocketNotifier* readNotifier_;
    QSocketNotifier* writeNotifier_;
    bool watchingReads_ = false;
    std::unique_ptr<char[]> TransferBuffer;
    std::unique_ptr<char[]> HostEntryBuffer;
    quint32 RemoteAddress = 0;
    QByteArray RemoteAddress6; // an IPv6 literal's 16 bytes; empty = none
    int socketFamily_ = 0;
    std::unique_ptr<HostLookup> lookup_; // the running look-up, if any
    qint64 captureLimit_ = -1;
    qint64 captureEnd_ = -1;
    bool captureOverflowed_ = false;
    // An error that broke the connection while nobody was reading (a reset),
    // reported by the next capture instead of taken for the end of the data.
    int streamError_ = 0;
    int systemError_ = 0; // the last error of a socket call, as a socket number
    int LastSocketError = 0;
    QString LastStatus;
    QStringList StartupReport;
    qint64 ReceivedCount = 0;
    qint64 SentCount = 0;
    QByteArray LastReply;
    qint16 ReplyNumber = 0;
    TThreadTimer* Timer;

    static int InstanceCount;
};
