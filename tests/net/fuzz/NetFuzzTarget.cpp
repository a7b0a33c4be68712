// libFuzzer target for the two readers of untrusted network text: the URL
// splitter (a redirect's Location becomes the next URL) and the response
// header reader. Built and run by scripts/fuzz-net.sh.

#include "common/KvilmarError.h"
#include "net/HttpResponseHeader.h"
#include "net/HttpUrl.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr qsizetype kTransferBufferSize = 65536;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// Hands out lines the way the socket client's ReadLn does: up to and with
// the LF, at most a transfer buffer at a time, and the empty text once the
// stream ends without a line end.
class LineFeed {
public:
    explicit LineFeed(QByteArray stream) : stream_(std::move(stream)) {}

    QByteArray next()
    {
        const QByteArray rest = stream_.mid(at_);
        const qsizetype lf = rest.left(kTransferBufferSize).indexOf('\n');
        if (lf < 0 && rest.size() < kTransferBufferSize)
            return {};
        const qsizetype size = lf < 0 ? kTransferBufferSize : lf + 1;
        at_ += size;
        return rest.left(size);
    }

    QByteArray consumed() const { return stream_.left(at_); }

private:
    QByteArray stream_;
    qsizetype at_ = 0;
};

void splitAsUrl(const QByteArray& input)
{
    QByteArray url = input.left(input.indexOf('\n') < 0 ? input.size() : input.indexOf('\n'));
    const QByteArray before = url;
    UrlTarget target{"previous.host", 8080, {}};
    try {
        splitUrl(url, target);
    } catch (const KvilmarError&) {
        return;
    }
    require(target.RequestPath.startsWith('/'));
    require(target.RequestPath.size() <= 256);
    require(url == before || url == before + '/');
    require(!target.Host.contains('/'));
}

void readAsResponse(const QByteArray& input)
{
    LineFeed feed(input);
    ResponseFields fields;
    QByteArray kept;
    readResponseHeader([&feed] { return feed.next(); }, [&kept](const QByteArray& line) { kept += line; }, fields);
    require(kept == feed.consumed());
    require(fields.Location.size() <= 256);
    require(fields.ResponseCookie.size() <= 256);
    require(fields.AnnouncedLength >= 0);
    require(fields.ReplyStatus >= 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    splitAsUrl(input);
    readAsResponse(input);
    return 0;
}
