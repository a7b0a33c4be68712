#include "support/TestMain.h"

#include "common/KvilmarError.h"
#include "net/ExStringList.h"
#include "net/HeaderInfo.h"
#include "net/HttpRequestHeader.h"
#include "net/HttpResponseHeader.h"
#include "net/HttpUrl.h"
#include "net/UUProcessor.h"
#include "net/UrlEncoder.h"

#include <QBuffer>

// The URL splitter, the request header, the response header reader and the
// small helpers of the HTTP client, without a connection.
class HttpPartsTest : public QObject {
    Q_OBJECT

private slots:
    void splitUrl_data()
    {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("hostBefore");
        QTest::addColumn<int>("portBefore");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("urlAfter");

        QTest::newRow("version file") << QByteArray("http://www.kvilmar.ru/brennic/kvilmar.iss") << QByteArray() << 0
                                      << QByteArray("www.kvilmar.ru") << 80 << QByteArray("/brennic/kvilmar.iss")
                                      << QByteArray("http://www.kvilmar.ru/brennic/kvilmar.iss");
        QTest::newRow("port in url") << QByteArray("http://host:8080/x") << QByteArray() << 0 << QByteArray("host")
                                     << 8080 << QByteArray("/x") << QByteArray("http://host:8080/x");
        QTest::newRow("no path") << QByteArray("http://host") << QByteArray() << 0 << QByteArray("host") << 80
                                 << QByteArray("/") << QByteArray("http://host/");
        QTest::newRow("scheme overrides port") << QByteArray("http://host/a") << QByteArray() << 3000
                                               << QByteArray("host") << 80 << QByteArray("/a")
                                               << QByteArray("http://host/a");
        QTest::newRow("path only keeps server") << QByteArray("/final") << QByteArray("127.0.0.1") << 5555
                                                << QByteArray("127.0.0.1") << 5555 << QByteArray("/final")
                                                << QByteArray("/final");
        QTest::newRow("ftp") << QByteArray("ftp://files/f.txt") << QByteArray() << 0 << QByteArray("files") << 21
                             << QByteArray("/f.txt") << QByteArray("ftp://files/f.txt");
        QTest::newRow("gopher") << QByteArray("Gopher://g/m") << QByteArray() << 0 << QByteArray("g") << 70
                                << QByteArray("/m") << QByteArray("Gopher://g/m");
        QTest::newRow("no scheme") << QByteArray("host/x") << QByteArray() << 0 << QByteArray("host") << 80
                                   << QByteArray("/x") << QByteArray("host/x");
        QTest::newRow("bare host") << QByteArray("host") << QByteArray("old") << 81 << QByteArray("host") << 81
                                   << QByteArray("/") << QByteArray("host/");
        QTest::newRow("long path cut") << QByteArray("http://h/" + QByteArray(400, 'p')) << QByteArray() << 0
                                       << QByteArray("h") << 80 << QByteArray("/" + QByteArray(255, 'p'))
                                       << QByteArray("http://h/" + QByteArray(400, 'p'));
    }
    void splitUrl()
    {
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, hostBefore);
        QFETCH(int, portBefore);
        UrlTarget target{hostBefore, portBefore, {}};
        ::splitUrl(url, target);
        QTEST(target.Host, "host");
        QTEST(target.Port, "port");
        QTEST(target.RequestPath, "path");
        QTEST(url, "urlAfter");
    }

    void badUrls_data()
    {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << "Empty URL";
        QTest::newRow("https") << QByteArray("https://host/x") << "HTTP Secure Socket is not supported";
        QTest::newRow("HTTPS") << QByteArray("HTTPS://host/x") << "HTTP Secure Socket is not supported";
        QTest::newRow("port letters") << QByteArray("http://host:abc/x") << "'abc' is not a valid integer value";
        QTest::newRow("port past 65535") << QByteArray("http://host:65616/x") << "Port out of range: 65616";
        QTest::newRow("port 0") << QByteArray("http://host:0/x") << "Port out of range: 0";
    }
    void badUrls()
    {
        QFETCH(QByteArray, url);
        QFETCH(QString, text);
        UrlTarget target;
        try {
            ::splitUrl(url, target);
            QFAIL("nothing raised");
        } catch (const KvilmarError& e) {
            QCOMPARE(e.text(), text);
        }
    }

    void versionGetHeader()
    {
        RequestHeaderParts parts;
        parts.RequestPath = "/brennic/kvilmar.iss";
        parts.Host = "www.kvilmar.ru";
        const TExStringList lines = buildRequestHeader(parts, THeaderInfo());
        QCOMPARE(lines.Text() + "\r\n",
                 QByteArray("GET /brennic/kvilmar.iss HTTP/1.0\r\n"
                            "Host: www.kvilmar.ru\r\n"
                            "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                            "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                            "Content-type: application/x-www-form-urlencoded\r\n"
                            "\r\n"));
    }

    void headerThroughAProxyWithValues()
    {
        RequestHeaderParts parts;
        parts.Command = cmdPost;
        parts.RequestPath = "/a";
        parts.RequestUrl = "http://h/a";
        parts.Proxy = "proxy";
        parts.Host = "h";
        parts.ContentLength = 7;
        THeaderInfo info;
        info.LocalProgram = "Kvilmar";
        info.LocalMailAddress = "me@h";
        info.Cookie = "c=1";
        info.Referer = "http://r/";
        info.UserId = QByteArray(40, 'u');
        info.Password = QByteArray(30, 'p');
        const TExStringList lines = buildRequestHeader(parts, info);
        QCOMPARE(lines, (QByteArrayList{
                     "POST http://h/a HTTP/1.0",
                     "Proxy-Connection: Keep-Alive",
                     "Host: h",
                     "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff",
                     "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript",
                     "User-Agent: Kvilmar",
                     "From: me@h",
                     "Cookie: c=1",
                     "Referer: http://r/",
                     "Authorization: Basic " + (info.UserId + ':' + info.Password).toBase64(),
                     "Content-type: application/x-www-form-urlencoded",
                     "Content-Length: 7",
                 }));
    }

    void extraLinesOfCommands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("last");
        QTest::newRow("copy") << int(cmdCopy) << QByteArray("COPY /p HTTP/1.0") << QByteArray("URI-header: x");
        QTest::newRow("link") << int(cmdLink) << QByteArray("LINK /p HTTP/1.0") << QByteArray("Content-Length: 3");
        QTest::newRow("delete") << int(cmdDelete) << QByteArray("DELETE /p HTTP/1.0")
                                << QByteArray("Content-type: application/x-www-form-urlencoded");
        QTest::newRow("raw") << int(cmdRaw) << QByteArray("Host: h") << QByteArray("Content-Length: 3");
    }
    void extraLinesOfCommands()
    {
        QFETCH(int, command);
        RequestHeaderParts parts;
        parts.Command = CmdType(command);
        parts.RequestPath = "/p";
        parts.Host = "h";
        parts.RequestExtra = "x";
        parts.ContentLength = 3;
        const TExStringList lines = buildRequestHeader(parts, THeaderInfo());
        QTEST(lines.first(), "first");
        QTEST(lines.last(), "last");
    }

    void statusOfLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("status");
        QTest::newRow("ok") << QByteArray("HTTP/1.0 200 OK\r\n") << 200;
        QTest::newRow("no reason") << QByteArray("HTTP/1.1 404\r\n") << 404;
        QTest::newRow("not http") << QByteArray("hello world\r\n") << 0;
        QTest::newRow("one field") << QByteArray("HTTP/1.0\r\n") << 0;
        QTest::newRow("too big") << QByteArray("HTTP/1.0 99999 X\r\n") << 0;
        QTest::newRow("negative") << QByteArray("HTTP/1.0 -5 X\r\n") << 0;
    }
    void statusOfLine()
    {
        QFETCH(QByteArray, line);
        QTEST(int(::statusOfLine(line)), "status");
    }

    void responseHeader_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QByteArray>("cookie");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("linesRead");
        QTest::addColumn<int>("end");
        const int complete = int(HeaderEnd::Complete);

        QTest::newRow("plain") << QByteArrayList{"HTTP/1.0 200 OK\r\n", "Content-Length: 1234\r\n", "\r\n", "body"}
                               << 200 << QByteArray("earlier") << QByteArray() << 1234 << 3 << complete;
        QTest::newRow("redirect") << QByteArrayList{"HTTP/1.0 302 Found\r\n", "location: http://x/y\r\n",
                                                    "Set-Cookie: id=7\r\n", "\n"}
                                  << 302 << QByteArray("http://x/y") << QByteArray("id=7") << 0 << 4 << complete;
        QTest::newRow("length letters") << QByteArrayList{"HTTP/1.0 200 OK\r\n", "Content-Length: abc\r\n", "\r\n"}
                                        << 200 << QByteArray("earlier") << QByteArray() << 0 << 3 << complete;
        QTest::newRow("long location") << QByteArrayList{"HTTP/1.0 301 M\r\n",
                                                         "Location: /" + QByteArray(9999, 'a') + "\r\n", "\r\n"}
                                       << 301 << QByteArray("/" + QByteArray(255, 'a')) << QByteArray() << 0 << 3
                                       << complete;
        QTest::newRow("closed early") << QByteArrayList{"HTTP/1.0 200 OK\r\n", "X: y\r\n"} << 200
                                      << QByteArray("earlier") << QByteArray() << 0 << 3 << int(HeaderEnd::Closed);
        QTest::newRow("no blank after colon") << QByteArrayList{"HTTP/1.0 302 F\r\n", "Location:/x\r\n", "\r\n"}
                                              << 302 << QByteArray("earlier") << QByteArray() << 0 << 3 << complete;
        QTest::newRow("CR inside a cookie") << QByteArrayList{"HTTP/1.0 200 OK\r\n", "Set-Cookie: a\rb\r\n", "\r\n"}
                                            << 200 << QByteArray("earlier") << QByteArray() << 0 << 2
                                            << int(HeaderEnd::BadValue);
        QByteArrayList hundred{"HTTP/1.0 200 OK\r\n"};
        for (int i = 0; i < 100; ++i)
            hundred << "X: y\r\n";
        QTest::newRow("a 101st line") << hundred << 200 << QByteArray("earlier") << QByteArray() << 0 << 101
                                      << int(HeaderEnd::TooLong);
    }
    void responseHeader()
    {
        QFETCH(QByteArrayList, lines);
        ResponseFields fields;
        fields.Location = "earlier";
        fields.ResponseCookie = "stale";
        fields.AnnouncedLength = 99;
        int read = 0;
        QByteArray kept;
        const HeaderEnd end = readResponseHeader(
            [&]() -> QByteArray { return read < lines.size() ? lines[read++] : (++read, QByteArray()); },
            [&](const QByteArray& line) { kept += line; }, fields);
        QTEST(int(end), "end");
        QTEST(int(fields.ReplyStatus), "status");
        QTEST(fields.Location, "location");
        QTEST(fields.ResponseCookie, "cookie");
        QTEST(fields.AnnouncedLength, "length");
        QTEST(read, "linesRead");
        // Every line read is kept, but for one that passed a bound.
        const qsizetype keptLines = std::min<qsizetype>(end == HeaderEnd::TooLong ? read - 1 : read, lines.size());
        QCOMPARE(kept, lines.mid(0, keptLines).join());
    }

    void exStringListFindsByName()
    {
        TExStringList list;
        list << "Host: a" << "no colon line" << "accept: x" << "Accept: y";
        QCOMPARE(list.Find("ACCEPT"), qsizetype(2));
        QCOMPARE(list.Find("no colon line"), qsizetype(-1));
        QCOMPARE(list.Find("Missing"), qsizetype(-1));
        list.SetValue("host", "b");
        QCOMPARE(list.first(), QByteArray("host: b"));
        list.SetValue("Accept", {});
        QCOMPARE(list, (QByteArrayList{"host: b", "no colon line", "Accept: y"}));
        list.SetValue("New", "v");
        QCOMPARE(list.last(), QByteArray("New: v"));
    }

    void sortedExStringListHalves()
    {
        TExStringList list;
        list.Sorted = true;
        for (const char* line : {"Zeta: 1", "alpha: 2", "Mid: 3", "beta", "Beta: 4"})
            list.Add(line);
        QCOMPARE(list, (QByteArrayList{"alpha: 2", "beta", "Beta: 4", "Mid: 3", "Zeta: 1"}));
        QCOMPARE(list.Find("BETA"), qsizetype(2));
        QCOMPARE(list.Find("zeta"), qsizetype(4));
        QCOMPARE(list.Find("gamma"), qsizetype(-1));
    }

    void urlEncoder()
    {
        TUrlEncoder encoder;
        encoder.InputString = "a b&c=\xE4~Z9";
        QCOMPARE(encoder.Encode(), QByteArray("a+b%26c%3D%E4%7EZ9"));
    }

    void base64InLinesOf45Bytes_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("one byte") << 1;
        QTest::newRow("two bytes") << 2;
        QTest::newRow("one line") << 45;
        QTest::newRow("two lines") << 50;
        QTest::newRow("three lines") << 136;
    }
    void base64InLinesOf45Bytes()
    {
        QFETCH(int, size);
        QByteArray bytes;
        for (int i = 0; i < size; ++i)
            bytes += char(i * 37 + 11);
        QBuffer input(&bytes);
        input.open(QIODevice::ReadOnly);
        QBuffer output;
        output.open(QIODevice::ReadWrite);
        TUUProcessor processor;
        QStringList events;
        processor.OnBeginEncode = [&](QObject*) { events << "begin"; };
        processor.OnEndEncode = [&](QObject*) { events << "end"; };
        processor.InputStream = &input;
        processor.OutputStream = &output;
        processor.Encode();
        QCOMPARE(events, (QStringList{"begin", "end"}));
        QCOMPARE(output.pos(), qint64(0));
        QByteArray expected;
        for (int at = 0; at < size; at += 45)
            expected += bytes.mid(at, 45).toBase64() + "\r\n";
        QCOMPARE(output.readAll(), expected);
        QCOMPARE(base64Line(bytes), bytes.toBase64());
    }
};

KV_TEST_MAIN(HttpPartsTest)
#include "HttpPartsTest.moc"
