#pragma once

#include "net/ExStringList.h"

#include <QByteArray>

class THeaderInfo;

// The commands of the HTTP client, in the numbering of CmdType.
enum CmdType : int {
    cmdGet = 0,
    cmdOptions = 1,
    cmdHead = 2,
    cmdPost = 3,
    cmdPut = 4,
    cmdPatch = 5,
    cmdCopy = 6,
    cmdMove = 7,
    cmdDelete = 8,
    cmdLink = 9,
    cmdUnlink = 10,
    cmdTrace = 11,
    cmdRaw = 12, // sends its data after the header, without a request line
};

// Commands that send a body after the header.
bool sendsBody(CmdType command);
// Commands whose header carries a Content-Length line.
bool announcesLength(CmdType command);

struct RequestHeaderParts {
    CmdType Command = cmdGet;
    QByteArray RequestPath;
    QByteArray RequestUrl;
    QByteArray Proxy;
    QByteArray Host;
    QByteArray RequestExtra;
    qint64 ContentLength = 0;
};

// The request header lines, without the empty line that ends them. Raises
// ESockError "Invalid character in request header" when a value holds CR,
// LF or NUL.
TExStringList buildRequestHeader(const RequestHeaderParts& parts, const THeaderInfo& info);
