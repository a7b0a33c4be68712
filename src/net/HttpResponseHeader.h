#pragma once

#include <QByteArray>

#include <functional>

// What the client keeps from a response header.
struct ResponseFields {
    qint16 ReplyStatus = 0;
    QByteArray Location; // kept from an earlier response when a new one has none
    QByteArray ResponseCookie;
    int AnnouncedLength = 0;
    bool LocationGiven = false; // this response has a Location line
    // The body's length when a Content-Length line gives a plain number;
    // -1 when none does, and the body runs until the server closes.
    qint64 BodyLength = -1;
    // The server keeps the connection open after the reply: "Connection:
    // keep-alive", or an HTTP/1.1 reply without "Connection: close".
    bool KeepAlive = false;
};

// A response header is refused beyond either bound: no server needs more,
// and a hostile one must not make the client hold more.
constexpr qsizetype kMaxHeaderBytes = 65536;
constexpr int kMaxHeaderLines = 100;
// Interim (1xx) replies skipped before the final one; the header bounds
// count their lines as well.
constexpr int kMaxInterimReplies = 5;

// How reading a response header ended.
enum class HeaderEnd {
    Complete, // the empty line that ends the header came
    Closed, // the server closed before it: the response is broken
    TooLong, // past kMaxHeaderBytes or kMaxHeaderLines
    BadValue, // a Location or Set-Cookie value holds CR, LF or NUL
    Unasked, // a protocol switch (101), or a transfer or content coding
    // other than identity: an HTTP/1.0 client asks for neither
};

// Reads a response header line by line through readLine (a line with its
// line end; empty when the server closed): the status line, then header
// lines up to and including the empty line that ends the header. Interim
// replies (100, 102 to 199) before it are read and dropped. Every line of
// the final reply goes to keep as received, as long as the header stays
// within its bounds; a line that would pass them is neither kept nor looked
// at.
HeaderEnd readResponseHeader(const std::function<QByteArray()>& readLine,
                             const std::function<void(const QByteArray&)>& keep, ResponseFields& fields);

// The status number of a status line ("HTTP/1.0 200 OK" gives 200); 0 when
// its second field is no number.
qint16 statusOfLine(const QByteArray& line);

// True when a value may go into a request line or header, or be taken from
// a response: it holds no CR, LF or NUL, which would end the line early.
bool isSafeHeaderValue(const QByteArray& value);
