#include "net/HttpResponseHeader.h"

#include <QByteArrayList>

#include <climits>

namespace {

constexpr qsizetype kMaxValue = 256;

QByteArray withoutLineEnd(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// The n-th (from 0) blank-separated field of a line, without its line end.
QByteArray blankField(const QByteArray& line, int n)
{
    const QByteArrayList fields = withoutLineEnd(line).split(' ');
    int seen = 0;
    for (const QByteArray& field : fields) {
        if (field.isEmpty())
            continue;
        if (seen++ == n)
            return field;
    }
    return {};
}

// The line from a position on, without its line end, at most 256 characters.
QByteArray valueFrom(const QByteArray& line, qsizetype position)
{
    return withoutLineEnd(line).mid(position, kMaxValue);
}

// The first run of decimal digits from a position on; 0 when there is none
// or it does not fit an integer.
int firstNumberFrom(const QByteArray& line, qsizetype position)
{
    qsizetype at = position;
    while (at < line.size() && (line[at] < '0' || line[at] > '9'))
        ++at;
    qint64 value = 0;
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
        value = value * 10 + (line[at] - '0');
        if (value > INT_MAX)
            return 0;
    }
    return int(value);
}

bool endsHeader(const QByteArray& line)
{
    return line == "\n" || line == "\r\n";
}

// 1xx but 101: a reply the server sends ahead of the real one.
bool isInterim(qint16 status)
{
    return status >= 100 && status <= 199 && status != 101;
}

// The length a Content-Length value gives when it is a plain number; -1
// for anything else ("5, 5", letters, a number past 18 digits).
qint64 plainLength(const QByteArray& value)
{
    const QByteArray digits = value.trimmed();
    if (digits.isEmpty() || digits.size() > 18)
        return -1;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
    }
    return digits.toLongLong();
}

// The comma-separated tokens of a field value, in lower case.
QByteArrayList tokens(const QByteArray& value)
{
    QByteArrayList found;
    for (const QByteArray& token : value.split(',')) {
        if (!token.trimmed().isEmpty())
            found << token.trimmed().toLower();
    }
    return found;
}

} // namespace

qint16 statusOfLine(const QByteArray& line)
{
    const QByteArray field = blankField(line, 1);
    if (field.isEmpty() || field.size() > 5)
        return 0;
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value > SHRT_MAX ? qint16(0) : qint16(value);
}

bool isSafeHeaderValue(const QByteArray& value)
{
    return !value.contains('\r') && !value.contains('\n') && !value.contains('\0');
}

HeaderEnd readResponseHeader(const std::function<QByteArray()>& readLine,
                             const std::function<void(const QByteArray&)>& keep, ResponseFields& fields)
{
    fields.AnnouncedLength = 0;
    fields.LocationGiven = false;
    fields.BodyLength = -1;
    fields.KeepAlive = false;
    fields.ResponseCookie.clear();

    qsizetype bytes = 0;
    int lines = 0;
    // Takes the next line into the count; false when it passes a bound.
    const auto withinBounds = [&](const QByteArray& line) {
        bytes += line.size();
        ++lines;
        return bytes <= kMaxHeaderBytes && lines <= kMaxHeaderLines;
    };

    QByteArray status = readLine();
    // Interim replies are dropped, header and all, up to their empty line.
    for (int interim = 0; withinBounds(status) && isInterim(statusOfLine(status)); status = readLine()) {
        if (++interim > kMaxInterimReplies)
            return HeaderEnd::TooLong;
        QByteArray line;
        do {
            line = readLine();
            if (!withinBounds(line))
                return HeaderEnd::TooLong;
            if (line.isEmpty())
                return HeaderEnd::Closed;
        } while (!endsHeader(line));
    }
    if (bytes > kMaxHeaderBytes || lines > kMaxHeaderLines)
        return HeaderEnd::TooLong;
    if (!status.isEmpty())
        fields.ReplyStatus = statusOfLine(status);
    keep(status);
    if (status.isEmpty())
        return HeaderEnd::Closed;

    bool unasked = fields.ReplyStatus == 101;
    QByteArrayList connection;
    QByteArray field; // the field a folded line goes on with
    for (;;) {
        const QByteArray line = readLine();
        if (!withinBounds(line))
            return HeaderEnd::TooLong;
        const QByteArray name = blankField(line, 0).toUpper();
        const bool folded = line.startsWith(' ') || line.startsWith('\t');
        if (name == "SET-COOKIE:" || name == "LOCATION:") {
            // These values go into the next request: a CR or NUL inside
            // would let the server write lines of its own there.
            if (!isSafeHeaderValue(withoutLineEnd(line))) {
                keep(line);
                return HeaderEnd::BadValue;
            }
            if (name == "SET-COOKIE:") {
                fields.ResponseCookie = valueFrom(line, 12);
            } else {
                fields.Location = valueFrom(line, 10);
                fields.LocationGiven = true;
            }
        } else if (name == "CONTENT-LENGTH:") {
            fields.AnnouncedLength = firstNumberFrom(line, qsizetype(sizeof "Content-Length:" - 1));
        }
        // The body's framing and coding go by the field name alone, with or
        // without a blank after the colon.
        const QByteArray value = withoutLineEnd(folded ? line : line.mid(line.indexOf(':') + 1));
        if (!folded)
            field = line.left(line.indexOf(':')).trimmed().toUpper();
        if (field == "CONTENT-LENGTH" && !folded)
            fields.BodyLength = plainLength(value);
        else if (field == "CONNECTION")
            connection << tokens(value);
        else if (field == "TRANSFER-ENCODING" || field == "CONTENT-ENCODING") {
            const QByteArrayList codings = tokens(value);
            unasked = unasked || codings.count("identity") != codings.size();
        }
        keep(line);
        if (line.isEmpty())
            return HeaderEnd::Closed;
        if (endsHeader(line)) {
            fields.KeepAlive = connection.contains("keep-alive")
                || (blankField(status, 0) == "HTTP/1.1" && !connection.contains("close"));
            return unasked ? HeaderEnd::Unasked : HeaderEnd::Complete;
        }
    }
}
