// The readers of what a server sends: the URL splitter (a redirect's
// Location becomes the next URL), the response header reader, the request
// header built from what they gave, and a whole reply framed as the version
// check takes it.

#include "FuzzSupport.h"

#include "common/KvilmarError.h"
#include "common/TextFile.h"
#include "net/HeaderInfo.h"
#include "net/HttpRequestHeader.h"
#include "net/HttpResponseHeader.h"
#include "net/HttpUrl.h"
#include "net/VersionCheck.h"

namespace {

constexpr qsizetype kTransferBufferSize = 65536;

// Hands out lines the way the socket client's ReadLn does: up to and with
// the LF, at most a transfer buffer at a time, and the empty text once the
// stream ends without a line end.
class LineFeed {
public:
    explicit LineFeed(QByteArray stream) : stream_(std::move(stream)) {}

    QByteArray next()
    {
        ++lines_;
        const QByteArray rest = stream_.mid(at_);
        const qsizetype lf = rest.left(kTransferBufferSize).indexOf('\n');
        if (lf < 0 && rest.size() < kTransferBufferSize)
            return {};
        const qsizetype size = lf < 0 ? kTransferBufferSize : lf + 1;
        at_ += size;
        last_ = rest.left(size);
        return last_;
    }

    QByteArray consumed() const { return stream_.left(at_); }
    const QByteArray& last() const { return last_; }
    int lines() const { return lines_; }

private:
    QByteArray stream_;
    qsizetype at_ = 0;
    QByteArray last_;
    int lines_ = 0;
};

// The URL and the request header built for it, as a redirect would make
// them: a value that would end a request line early is refused, never sent.
void splitAndBuild(const QByteArray& input)
{
    QByteArray url = input.left(input.indexOf('\n') < 0 ? input.size() : input.indexOf('\n'));
    const QByteArray before = url;
    UrlTarget target{"previous.host", 8080, {}};
    try {
        splitUrl(url, target);
    } catch (const KvilmarError&) {
        return;
    }
    FUZZ_REQUIRE(target.RequestPath.startsWith('/'));
    FUZZ_REQUIRE(target.RequestPath.size() <= 256);
    FUZZ_REQUIRE(url == before || url == before + '/');
    FUZZ_REQUIRE(!target.Host.contains('/'));
    FUZZ_REQUIRE(isValidPort(target.Port));

    RequestHeaderParts parts;
    parts.RequestPath = target.RequestPath;
    parts.RequestUrl = url;
    parts.Host = target.Host;
    THeaderInfo info;
    info.Cookie = input.mid(url.size() + 1, 300);
    try {
        const TExStringList lines = buildRequestHeader(parts, info);
        for (const QByteArray& line : lines)
            FUZZ_REQUIRE(isSafeHeaderValue(line));
        FUZZ_REQUIRE(lines.first() == "GET " + target.RequestPath + " HTTP/1.0");
    } catch (const KvilmarError&) {
        FUZZ_REQUIRE(!isSafeHeaderValue(target.RequestPath + target.Host + info.Cookie));
    }
}

void readAsResponse(const QByteArray& input)
{
    LineFeed feed(input);
    ResponseFields fields;
    QByteArray kept;
    int keptLines = 0;
    const HeaderEnd end = readResponseHeader([&feed] { return feed.next(); },
                                             [&](const QByteArray& line) {
                                                 kept += line;
                                                 ++keptLines;
                                             },
                                             fields);
    // Bounded whatever comes: what is kept never passes the header's bounds.
    FUZZ_REQUIRE(kept.size() <= kMaxHeaderBytes);
    FUZZ_REQUIRE(keptLines <= kMaxHeaderLines);
    FUZZ_REQUIRE(feed.lines() <= kMaxHeaderLines + 1);
    // Every line of the final reply is kept as received, but for one past a
    // bound; interim replies before it are dropped.
    if (end == HeaderEnd::TooLong)
        FUZZ_REQUIRE(feed.consumed().endsWith(kept + feed.last()) || feed.consumed().endsWith(kept));
    else
        FUZZ_REQUIRE(feed.consumed().endsWith(kept));
    // A reply taken whole is final and plain: no interim status, no chunks.
    if (end == HeaderEnd::Complete) {
        FUZZ_REQUIRE(fields.ReplyStatus < 100 || fields.ReplyStatus > 199);
        for (const QByteArray& line : kept.toLower().split('\n'))
            FUZZ_REQUIRE(!(line.startsWith("transfer-encoding:") && line.contains("chunked")));
    }
    if (end == HeaderEnd::Complete)
        FUZZ_REQUIRE(kept.endsWith('\n'));
    // Nothing unsafe is taken into a field the next request would use.
    FUZZ_REQUIRE(isSafeHeaderValue(fields.Location));
    FUZZ_REQUIRE(isSafeHeaderValue(fields.ResponseCookie));
    FUZZ_REQUIRE(fields.Location.size() <= 256);
    FUZZ_REQUIRE(fields.ResponseCookie.size() <= 256);
    FUZZ_REQUIRE(fields.AnnouncedLength >= 0);
    FUZZ_REQUIRE(fields.ReplyStatus >= 0);
}

// The body as the client frames it: cut at its length on a connection kept
// open, else all that follows. Taken as a version file only when it is
// text lines whose first is a version.
void readAsVersionReply(const QByteArray& input)
{
    LineFeed feed(input);
    ResponseFields fields;
    if (readResponseHeader([&feed] { return feed.next(); }, [](const QByteArray&) {}, fields) != HeaderEnd::Complete)
        return;
    QByteArray body = input.mid(feed.consumed().size());
    if (fields.KeepAlive && fields.BodyLength >= 0)
        body.truncate(fields.BodyLength);
    if (!versionCheck::isVersionFileText(body))
        return;
    const QByteArray version = TextLineReader(body).readLine();
    FUZZ_REQUIRE(!version.isEmpty() && version.size() <= 32 && !body.split(char(26)).first().contains('\0'));
    for (const char c : version)
        FUZZ_REQUIRE(c == '.' || (c >= '0' && c <= '9'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::input(data, size);
    splitAndBuild(bytes);
    readAsResponse(bytes);
    readAsVersionReply(bytes);
    return 0;
}
