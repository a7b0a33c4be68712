#include "net/HttpRequestHeader.h"

#include "net/HeaderInfo.h"
#include "net/HttpResponseHeader.h"
#include "net/SockError.h"
#include "net/UUProcessor.h"

namespace {

const char* methodWord(CmdType command)
{
    static constexpr const char* kWords[] = {
        "GET ",  "OPTIONS ", "HEAD ",   "POST ", "PUT ",    "PATCH ",
        "COPY ", "MOVE ",    "DELETE ", "LINK ", "UNLINK ", "TRACE ",
    };
    return command >= cmdGet && command <= cmdTrace ? kWords[command] : nullptr;
}

} // namespace

bool sendsBody(CmdType command)
{
    return command == cmdPost || command == cmdPut || command == cmdPatch || command == cmdTrace || command == cmdRaw;
}

bool announcesLength(CmdType command)
{
    return command == cmdPost || command == cmdPut || command == cmdPatch || (command >= cmdLink && command <= cmdRaw);
}

TExStringList buildRequestHeader(const RequestHeaderParts& parts, const THeaderInfo& info)
{
    TExStringList lines;
    if (const char* word = methodWord(parts.Command))
        lines.Add(word + (parts.Proxy.isEmpty() ? parts.RequestPath : parts.RequestUrl) + " HTTP/1.0");
    if (!parts.Proxy.isEmpty()) {
        lines.Add("Proxy-Connection: Keep-Alive");
        lines.Add("Host: " + parts.Host);
    }
    lines.SetValue("Host", parts.Host);
    lines.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
    lines.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
    if (!info.LocalProgram.isEmpty())
        lines.SetValue("User-Agent", info.LocalProgram);
    if (!info.LocalMailAddress.isEmpty())
        lines.SetValue("From", info.LocalMailAddress);
    if (!info.Cookie.isEmpty())
        lines.SetValue("Cookie", info.Cookie);
    if (!info.Referer.isEmpty())
        lines.SetValue("Referer", info.Referer);
    if (!info.UserId.isEmpty() && !info.Password.isEmpty())
        lines.SetValue("Authorization", "Basic " + base64Line(info.UserId + ':' + info.Password));
    lines.Add("Content-type: application/x-www-form-urlencoded");
    if (parts.Command == cmdCopy || parts.Command == cmdMove)
        lines.Add("URI-header: " + parts.RequestExtra);
    if (parts.Command == cmdLink || parts.Command == cmdUnlink)
        lines.Add("Link: " + parts.RequestExtra);
    if (announcesLength(parts.Command))
        lines.Add("Content-Length: " + QByteArray::number(parts.ContentLength));
    // A value that would end its line early (a path or cookie taken over
    // from a redirect, say) must not add lines of its own.
    for (const QByteArray& line : lines) {
        if (!isSafeHeaderValue(line))
            throw ESockError(QStringLiteral("Invalid character in request header"));
    }
    return lines;
}
