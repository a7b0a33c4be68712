#include "net/HttpUrl.h"

#include "common/KvilmarError.h"

#include <algorithm>
#include <climits>

namespace {

constexpr qsizetype kMaxPath = 256;

// The index of the n-th '/' (counted from 1), or -1.
qsizetype nthSlash(const QByteArray& url, int n)
{
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = url.indexOf('/', at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

QByteArray requestPathOf(const QByteArray& url)
{
    if (url.contains("//")) {
        const qsizetype third = nthSlash(url, 3);
        if (third < 0 || third == url.size() - 1)
            return {};
        return url.mid(third, kMaxPath);
    }
    const qsizetype first = url.indexOf('/');
    return first < 0 ? QByteArray() : url.mid(first, kMaxPath);
}

QByteArray hostPartOf(const QByteArray& url)
{
    if (url.contains("//")) {
        const qsizetype second = nthSlash(url, 2);
        const qsizetype third = url.indexOf('/', second + 1);
        return third < 0 ? url.mid(second + 1) : url.mid(second + 1, third - second - 1);
    }
    if (url.startsWith('/'))
        return {};
    const qsizetype first = url.indexOf('/');
    return first < 0 ? url : url.left(first);
}

// A whole decimal integer (optionally signed), as the number parser takes it.
int toInteger(const QByteArray& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw KvilmarError(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(text)));
    return value;
}

} // namespace

bool isValidPort(int port)
{
    return port >= 1 && port <= 65535;
}

void splitUrl(QByteArray& url, UrlTarget& target)
{
    if (url.isEmpty())
        throw KvilmarError(QStringLiteral("Empty URL"));
    if (target.Port == 0)
        target.Port = 80;

    target.RequestPath = requestPathOf(url);

    const qsizetype colon = url.indexOf(':');
    if (colon >= 0) {
        const QByteArray scheme = url.left(colon).toLower();
        if (scheme == "gopher")
            target.Port = 70;
        else if (scheme == "ftp")
            target.Port = 21;
        else if (scheme == "https")
            throw KvilmarError(QStringLiteral("HTTP Secure Socket is not supported"));
        else
            target.Port = 80;
    }

    QByteArray host = hostPartOf(url);
    // An IPv6 literal is bracketed ("[::1]:8080"): its own colons name no port.
    const qsizetype hostEnd = host.startsWith('[') ? std::max<qsizetype>(host.indexOf(']'), 0) : 0;
    const qsizetype portColon = host.indexOf(':', hostEnd);
    if (portColon >= 0) {
        const int port = toInteger(host.mid(portColon + 1));
        // Taken as it stands, port p + 65536 would reach port p.
        if (!isValidPort(port))
            throw KvilmarError(QStringLiteral("Port out of range: %1").arg(port));
        target.Port = port;
        host.truncate(portColon);
    }
    if (!host.isEmpty())
        target.Host = host;

    if (target.RequestPath.isEmpty()) {
        target.RequestPath = "/";
        url += '/';
    }
}
