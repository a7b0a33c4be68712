#pragma once

#include "net/ExStringList.h"
#include "net/HeaderInfo.h"
#include "net/HttpRequestHeader.h"
#include "net/HttpResponseHeader.h"
#include "net/SocketClient.h"

#include <memory>

// An HTTP/1.0 client. One command (Get, Post, ...) runs a whole transaction:
// split the URL, build the request, connect, send, read the response header,
// read the body until the server closes, disconnect, then follow a redirect
// or report success or failure through the events. Like every operation of
// the socket client it blocks while the event loop runs.
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
    bool OutputFileMode = false;   // also: request data is read from the file it names
    bool UrlEncodeData = true;

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
    void run(CmdType command, const QByteArray& url, const QByteArray& data = {},
             const QByteArray& extra = {});
    void Transaction();
    // One pass: connect, exchange, disconnect.
    void exchange();
    void SplitUrl();
    void BuildHeader();
    void SendRequest();
    void ReadResponseHeader();

    std::unique_ptr<THeaderInfo> headerInfo_;
    CmdType Command = cmdGet;
    QByteArray RequestUrl;
    QByteArray RequestPath;
    QByteArray RequestData;
    QByteArray RequestExtra;
    TExStringList HeaderLines;
    ResponseFields response_;
};
