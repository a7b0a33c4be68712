#pragma once

#include "net/ExStringList.h"
#include "net/HeaderInfo.h"
#include "net/HttpRequestHeader.h"
#include "net/HttpResponseHeader.h"
#include "net/SocketClient.h"

#include <memory>

class QTimer;

// An HTTP/1.0 client. One command (Get, Post, ...) runs a whole transaction:
// split the URL, build the request, connect, send, read the response header,
// read the body until the server closes (or, when the server keeps the
// connection open, as far as its Content-Length says), disconnect, then follow a redirect or report success or
// failure through the events. Interim 1xx replies before the real one are
// skipped. Like every operation of the socket client it blocks while the
// event loop runs.
//
// A response is taken only when it is whole and sane: a header that ends
// before its empty line, passes 64 KB or 100 lines, or carries CR or NUL in
// a value the next request would use; a protocol switch, or a transfer or
// content coding, which this client never asks for; a body shorter than its
// announced length or longer than BodyLimit, or cut by a reset; a redirect
// without Location, or to a port outside 1 to 65535: each makes the command
// raise after Disconnect, as a broken transfer does.
class THttpClient : public TSocketClient {
    Q_OBJECT

public:
    using TResultEvent = std::function<void(QObject* sender, CmdType Cmd)>;

    // Redirect passes one command follows before it gives up.
    static constexpr int MaxRedirects = 10;

    explicit THttpClient(QObject* owner = nullptr);
    ~THttpClient() override;

    // With InputFileMode: the name of the file that receives the body;
    // without: the body itself.
    QByteArray Body = "Default.htm";
    // With OutputFileMode: the name of the file that receives the response
    // header; without: the header itself.
    QByteArray Header = "Head.txt";
    THeaderInfo& HeaderInfo() { return *headerInfo_; }
    bool InputFileMode = false;
    bool OutputFileMode = false; // also: request data is read from the file it names
    bool UrlEncodeData = true;
    // One limit for a whole command, redirects included, in milliseconds, on
    // top of TimeOut for each wait: a server that keeps sending a little at
    // a time never lets a single wait run out. 0 = none.
    int AttemptTimeOut = 60000;
    // The largest body taken, in bytes; 0 = no limit. A larger body is not
    // read further: it is discarded and the command raises.
    qint64 BodyLimit = 0;

    TNotifyEvent OnAboutToSend;
    TResultEvent OnSuccess;
    TResultEvent OnFailure;
    THandlerEvent OnRedirect;
    TNotifyEvent OnAuthenticationNeeded;

    void Get(const QByteArray& url);
    void Options(const QByteArray& url);
    void Head(const QByteArray& url);
    void Post(const QByteArray& url, const QByteArray& data);
    void Put(const QByteArray& url, const QByteArray& data);
    void Patch(const QByteArray& url, const QByteArray& data);
    void Copy(const QByteArray& url, const QByteArray& uriHeader);
    void Move(const QByteArray& url, const QByteArray& uriHeader);
    void Delete(const QByteArray& url);
    void Link(const QByteArray& url, const QByteArray& link);
    void Unlink(const QByteArray& url, const QByteArray& link);
    void Trace(const QByteArray& url, const QByteArray& data);
    // Sends data after a header that has no request line.
    void SendRaw(const QByteArray& url, const QByteArray& data);

    // Also ends a wait for a look-up.
    void Abort() override;

    CmdType command() const { return Command; }
    const QByteArray& requestUrl() const { return RequestUrl; }
    const QByteArray& requestPath() const { return RequestPath; }
    const TExStringList& headerLines() const { return HeaderLines; }
    qint16 replyStatus() const { return response_.ReplyStatus; }
    const QByteArray& location() const { return response_.Location; }
    const QByteArray& responseCookie() const { return response_.ResponseCookie; }
    int announcedLength() const { return response_.AnnouncedLength; }

private:
    void run(CmdType command, const QByteArray& url, const QByteArray& data = {}, const QByteArray& extra = {});
    void Transaction();
    // The passes of one command, one per redirect.
    void passes();
    // One pass: connect, exchange, disconnect.
    void exchange();
    void SplitUrl();
    void BuildHeader();
    void SendRequest();
    void ReadResponseHeader();
    void ReadBody();
    void attemptTimedOut();
    // Frees the response header text after a refused response.
    void releaseHeader();

    std::unique_ptr<THeaderInfo> headerInfo_;
    CmdType Command = cmdGet;
    QByteArray RequestUrl;
    QByteArray RequestPath;
    QByteArray RequestData;
    QByteArray RequestExtra;
    TExStringList HeaderLines;
    ResponseFields response_;
    QTimer* attemptTimer_;
    bool attemptExpired_ = false;
};
