#pragma once

#include <QByteArray>

// The parts of a request URL an HTTP transaction needs.
struct UrlTarget {
    // Keeps its value when the URL names no host (a path-only redirect). An
    // IPv6 literal keeps its brackets ("[::1]"), as the Host line sends it.
    QByteArray Host;
    int Port = 0; // 0 becomes 80; a scheme or a ":port" in the URL overrides it
    QByteArray RequestPath;
};

// A TCP port a connection can go to: 1 to 65535.
bool isValidPort(int port);

// Splits url into host, port and the path sent in the request line. A URL
// without a path gets "/" as its path and a "/" appended. Raises
// KvilmarError "Empty URL", "HTTP Secure Socket is not supported", the
// number conversion error for a port that is not a number, or "Port out of
// range" for one outside 1 to 65535.
void splitUrl(QByteArray& url, UrlTarget& target);
