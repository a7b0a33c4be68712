#pragma once

#include <QByteArray>

#include <functional>

// What the client keeps from a response header.
struct ResponseFields {
    qint16 ReplyStatus = 0;
    QByteArray Location;        // kept from an earlier response when a new one has none
    QByteArray ResponseCookie;
    int AnnouncedLength = 0;
};

// Reads a response header line by line through readLine (a line with its
// line end; empty when the server closed): the status line, then header
// lines up to and including the empty line that ends the header. Every line
// goes to keep as received.
void readResponseHeader(const std::function<QByteArray()>& readLine,
                        const std::function<void(const QByteArray&)>& keep,
                        ResponseFields& fields);

// The status number of a status line ("HTTP/1.0 200 OK" gives 200); 0 when
// its second field is no number.
qint16 statusOfLine(const QByteArray& line);
