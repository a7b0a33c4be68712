#include "net/HttpClient.h"

#include "net/HttpUrl.h"
#include "net/SockError.h"
#include "net/UrlEncoder.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>

namespace {

const QString kAttemptTimedOut = QStringLiteral("Transaction Timed Out");

// Responses that carry no body whatever their Content-Length says.
bool hasBody(CmdType command, qint16 status)
{
    return command != cmdHead && status != 204 && status != 304 && (status < 100 || status > 199);
}

} // namespace

THttpClient::THttpClient(QObject* owner)
    : TSocketClient(owner), headerInfo_(std::make_unique<THeaderInfo>()), attemptTimer_(new QTimer(this))
{
    attemptTimer_->setSingleShot(true);
    attemptTimer_->setTimerType(Qt::PreciseTimer);
    connect(attemptTimer_, &QTimer::timeout, this, [this] { attemptTimedOut(); });
}

THttpClient::~THttpClient() = default;

void THttpClient::Get(const QByteArray& url)
{
    run(cmdGet, url);
}
void THttpClient::Options(const QByteArray& url)
{
    run(cmdOptions, url);
}
void THttpClient::Head(const QByteArray& url)
{
    run(cmdHead, url);
}

void THttpClient::Post(const QByteArray& url, const QByteArray& data)
{
    QByteArray sent = data;
    if (UrlEncodeData && !OutputFileMode) {
        TUrlEncoder encoder;
        encoder.InputString = data;
        sent = encoder.Encode();
    }
    run(cmdPost, url, sent);
}

void THttpClient::Put(const QByteArray& url, const QByteArray& data)
{
    run(cmdPut, url, data);
}
void THttpClient::Patch(const QByteArray& url, const QByteArray& data)
{
    run(cmdPatch, url, data);
}
void THttpClient::Copy(const QByteArray& url, const QByteArray& uriHeader)
{
    run(cmdCopy, url, {}, uriHeader);
}
void THttpClient::Move(const QByteArray& url, const QByteArray& uriHeader)
{
    run(cmdMove, url, {}, uriHeader);
}
void THttpClient::Delete(const QByteArray& url)
{
    run(cmdDelete, url);
}
void THttpClient::Link(const QByteArray& url, const QByteArray& link)
{
    run(cmdLink, url, "Send.dat", link);
}
void THttpClient::Unlink(const QByteArray& url, const QByteArray& link)
{
    run(cmdUnlink, url, "Send.dat", link);
}
void THttpClient::Trace(const QByteArray& url, const QByteArray& data)
{
    run(cmdTrace, url, data);
}
void THttpClient::SendRaw(const QByteArray& url, const QByteArray& data)
{
    run(cmdRaw, url, data);
}

void THttpClient::Abort()
{
    WaitEnded = true;
    Cancel();
}

void THttpClient::run(CmdType command, const QByteArray& url, const QByteArray& data, const QByteArray& extra)
{
    Command = command;
    RequestUrl = url;
    RequestData = data;
    RequestExtra = extra;
    Transaction();
}

void THttpClient::attemptTimedOut()
{
    attemptExpired_ = true;
    Abort();
}

void THttpClient::Transaction()
{
    attemptExpired_ = false;
    if (AttemptTimeOut > 0)
        attemptTimer_->start(AttemptTimeOut);
    const auto stopTimer = qScopeGuard([this] { attemptTimer_->stop(); });
    try {
        passes();
    } catch (const KvilmarError&) {
        // The wait that was running reports a cancel; the cause was the limit.
        if (attemptExpired_)
            throw ESockError(kAttemptTimedOut);
        throw;
    }
}

void THttpClient::passes()
{
    int redirects = 0;
    for (;;) {
        if (attemptExpired_)
            throw ESockError(kAttemptTimedOut);
        SplitUrl();
        BuildHeader();
        if (OnAboutToSend)
            OnAboutToSend(this);

        try {
            exchange();
        } catch (...) {
            try {
                Disconnect();
            } catch (...) {
                // The failure that brought us here is the one to report.
            }
            throw;
        }
        Disconnect();

        const qint16 status = response_.ReplyStatus;
        if (status >= 300 && status <= 398) {
            bool handled = false;
            if (!response_.ResponseCookie.isEmpty())
                headerInfo_->Cookie = response_.ResponseCookie;
            if (OnRedirect)
                OnRedirect(this, handled);
            if (handled)
                return;
            // A bare name is a page on this server; no URL at all stays empty
            // and ends the next pass with "Empty URL".
            if (!RequestUrl.isEmpty() && !RequestUrl.contains('/'))
                RequestUrl = "http://" + Host + '/' + RequestUrl;
        }
        if (status == 401 && OnAuthenticationNeeded)
            OnAuthenticationNeeded(this);
        if (status < 299 || status > 399)
            return;
        if (++redirects > MaxRedirects)
            throw ESockError(QStringLiteral("Too many redirects: more than %1 in one request").arg(MaxRedirects));
    }
}

void THttpClient::exchange()
{
    Connect();
    SendRequest();
    response_.ReplyStatus = 0;
    ReadResponseHeader();
    const qint16 status = response_.ReplyStatus;
    // A redirect that names no place to go cannot be followed; asking again
    // would only bring the same reply.
    if (status >= 300 && status <= 399 && !response_.LocationGiven)
        throw ESockError(QStringLiteral("Redirect without Location"));
    ReadBody();

    if (status < 299) {
        if (OnSuccess)
            OnSuccess(this, Command);
        ReportStatus(2, QStringLiteral("Transaction Completed"));
    } else if (status > 399) {
        if (OnFailure)
            OnFailure(this, Command);
    }
    if (status >= 300 && status <= 399)
        RequestUrl = response_.Location;
}

void THttpClient::SplitUrl()
{
    UrlTarget target{Host, Port, {}};
    splitUrl(RequestUrl, target);
    Host = target.Host;
    Port = target.Port;
    RequestPath = target.RequestPath;
}

void THttpClient::BuildHeader()
{
    RequestHeaderParts parts;
    parts.Command = Command;
    parts.RequestPath = RequestPath;
    parts.RequestUrl = RequestUrl;
    parts.Proxy = Proxy;
    parts.Host = Host;
    parts.RequestExtra = RequestExtra;
    if (announcesLength(Command))
        parts.ContentLength = OutputFileMode ? QFileInfo(QFile::decodeName(RequestData)).size() : RequestData.size();
    HeaderLines = buildRequestHeader(parts, *headerInfo_);
}

void THttpClient::SendRequest()
{
    Write(HeaderLines.Text());
    Writeln({});
    if (!sendsBody(Command))
        return;
    if (OutputFileMode)
        SendFile(QFile::decodeName(RequestData));
    else
        Write(RequestData);
}

void THttpClient::ReadResponseHeader()
{
    std::unique_ptr<QFile> file;
    if (OutputFileMode) {
        file = std::make_unique<QFile>(QFile::decodeName(Header));
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw KvilmarError(
                QStringLiteral("Cannot create file \"%1\". %2").arg(file->fileName(), file->errorString()));
    } else {
        Header.clear();
    }
    const HeaderEnd end = readResponseHeader(
        [this] { return ReadLn(); },
        [this, &file](const QByteArray& line) {
            if (!file)
                Header += line;
            else if (file->write(line) != line.size())
                throw KvilmarError(
                    QStringLiteral("Cannot write file \"%1\". %2").arg(file->fileName(), file->errorString()));
        },
        response_);
    if (file)
        file->close();
    switch (end) {
    case HeaderEnd::Complete: return;
    case HeaderEnd::Closed: releaseHeader(); throw ESockError(QStringLiteral("Response header incomplete"));
    case HeaderEnd::TooLong: releaseHeader(); throw ESockError(QStringLiteral("Response header too long"));
    case HeaderEnd::BadValue: releaseHeader(); throw ESockError(QStringLiteral("Invalid character in response header"));
    case HeaderEnd::Unasked: throw ESockError(QStringLiteral("Response coding or protocol not asked for"));
    }
}

void THttpClient::releaseHeader()
{
    if (!OutputFileMode)
        Header = QByteArray();
}

void THttpClient::ReadBody()
{
    const qint64 length = hasBody(Command, response_.ReplyStatus) ? response_.BodyLength : 0;
    setCaptureLimit(BodyLimit > 0 ? BodyLimit : -1);
    // A server that keeps the connection open never closes to end the body:
    // it is whole once its length has come (at once when it has none).
    setCaptureEnd(response_.KeepAlive ? length : -1);
    const auto noLimit = qScopeGuard([this] {
        setCaptureLimit(-1);
        setCaptureEnd(-1);
    });
    if (InputFileMode)
        CaptureFile(QFile::decodeName(Body));
    else
        CaptureString(Body, -1);

    if (captureOverflowed()) {
        if (InputFileMode)
            QFile::remove(QFile::decodeName(Body));
        else
            Body = QByteArray();
        throw ESockError(QStringLiteral("Response body too large"));
    }
    if (receivedCount() < length)
        throw ESockError(QStringLiteral("Response body incomplete"));
}
