#include "LocalServer.h"
#include "StreamServer.h"
#include "support/RaisedText.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include "net/HttpClient.h"
#include "net/SockError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QByteArray kOk = "HTTP/1.0 200 OK\r\n\r\n";

QByteArray requestLine(const QByteArray& request)
{
    return request.left(request.indexOf("\r\n"));
}

} // namespace

class HttpClientTest : public QObject {
    Q_OBJECT

private slots:
    void versionGetSendsExactlyTheFiveLines()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, kOk + "1.0.0.33\r\n");
        });
        TempFolder folder;
        THttpClient client;
        client.TimeOut = 5000;
        client.InputFileMode = true;
        client.Body = QFile::encodeName(folder.file("kvilmar.iss"));
        client.Get("http://" + server.address() + "/brennic/kvilmar.iss");

        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests.first(),
                 QByteArray("GET /brennic/kvilmar.iss HTTP/1.0\r\n"
                            "Host: 127.0.0.1\r\n"
                            "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                            "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                            "Content-type: application/x-www-form-urlencoded\r\n"
                            "\r\n"));
        QCOMPARE(folder.read("kvilmar.iss"), QByteArray("1.0.0.33\r\n"));
        QCOMPARE(client.replyStatus(), qint16(200));
        QCOMPARE(client.Header, kOk);
        QVERIFY(!client.linkUp());
    }

    void eventsComeInOrder()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, "HTTP/1.0 200 OK\r\nContent-Length: 1234\r\n\r\n" + QByteArray(5000, 'z'));
        });
        THttpClient client;
        client.TimeOut = 5000;
        QStringList events;
        client.OnAboutToSend = [&](QObject*) { events << "about to send"; };
        client.OnConnect = [&](QObject*) { events << "connect"; };
        client.OnPacketRecvd = [&](QObject*) {
            if (events.last() != QLatin1String("packet"))
                events << "packet";
        };
        client.OnSuccess = [&](QObject*, CmdType cmd) { events << QStringLiteral("success %1").arg(int(cmd)); };
        client.OnFailure = [&](QObject*, CmdType) { events << "failure"; };
        client.OnDisconnect = [&](QObject*) { events << "disconnect"; };
        client.Get("http://" + server.address() + "/page");
        // The server's close may be noticed during the body already.
        QCOMPARE(events.last(), QStringLiteral("disconnect"));
        events.removeAll(QStringLiteral("disconnect"));
        QCOMPARE(events, (QStringList{"about to send", "connect", "packet", "success 0"}));
        QCOMPARE(client.announcedLength(), 1234);
        QCOMPARE(client.Body.size(), qsizetype(5000));
    }

    void notFoundIsAFailureButNoException()
    {
        const QByteArray page = "<html>Not here</html>";
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, "HTTP/1.0 404 Not Found\r\n\r\n" + page);
        });
        THttpClient client;
        client.TimeOut = 5000;
        int failures = -1;
        bool succeeded = false;
        client.OnFailure = [&](QObject*, CmdType cmd) { failures = cmd; };
        client.OnSuccess = [&](QObject*, CmdType) { succeeded = true; };
        client.Get("http://" + server.address() + "/missing");
        QCOMPARE(failures, int(cmdGet));
        QVERIFY(!succeeded);
        QCOMPARE(client.replyStatus(), qint16(404));
        QCOMPARE(client.Body, page);
    }

    void redirectToAnotherServerThenAPathOnly_data()
    {
        QTest::addColumn<QString>("secondServer");
        QTest::newRow("IPv4 address") << "127.0.0.1";
        QTest::newRow("IPv6 literal") << "::1";
    }
    void redirectToAnotherServerThenAPathOnly()
    {
        QFETCH(QString, secondServer);
        LocalServer second([](QTcpSocket* socket, const QByteArray& request) {
            if (requestLine(request) == "GET /next HTTP/1.0")
                LocalServer::reply(socket, "HTTP/1.0 302 Found\r\nLocation: /final\r\n\r\n");
            else
                LocalServer::reply(socket, kOk + "arrived");
        }, true, QHostAddress(secondServer));
        if (second.port() == 0)
            QSKIP("no such loopback address here");
        LocalServer first([&](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, "HTTP/1.0 302 Found\r\nLocation: http://" + second.address() + "/next\r\n\r\n");
        });
        THttpClient client;
        client.TimeOut = 5000;
        int redirects = 0;
        client.OnRedirect = [&](QObject*, bool&) { ++redirects; };
        client.Get("http://" + first.address() + "/start");

        QCOMPARE(first.requests.size(), 1);
        QCOMPARE(requestLine(first.requests[0]), QByteArray("GET /start HTTP/1.0"));
        QCOMPARE(second.requests.size(), 2);
        QCOMPARE(requestLine(second.requests[0]), QByteArray("GET /next HTTP/1.0"));
        QCOMPARE(requestLine(second.requests[1]), QByteArray("GET /final HTTP/1.0"));
        QVERIFY(second.requests[1].contains("\r\nHost: " + second.host() + "\r\n"));
        QCOMPARE(redirects, 2);
        QCOMPARE(client.Port, int(second.port()));
        QCOMPARE(client.Body, QByteArray("arrived"));
    }

    void redirectHandledStops()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, "HTTP/1.0 301 Moved\r\nLocation: /elsewhere\r\nSet-Cookie: s=1\r\n\r\n");
        });
        THttpClient client;
        client.TimeOut = 5000;
        client.OnRedirect = [](QObject*, bool& handled) { handled = true; };
        client.Get("http://" + server.address() + "/");
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(client.HeaderInfo().Cookie, QByteArray("s=1"));
        QCOMPARE(client.requestUrl(), QByteArray("/elsewhere"));
    }

    void redirectsAreBounded()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, "HTTP/1.0 302 Found\r\nLocation: /loop\r\n\r\n");
        });
        THttpClient client;
        client.TimeOut = 5000;
        QCOMPARE(raisedText([&] { client.Get("http://" + server.address() + "/loop"); }),
                 QStringLiteral("Too many redirects: more than 10 in one request"));
        QCOMPARE(server.requests.size(), 1 + THttpClient::MaxRedirects);
        QVERIFY(!client.linkUp());
    }

    void longLocationIsCut()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray& request) {
            if (requestLine(request) == "GET /start HTTP/1.0")
                LocalServer::reply(socket, "HTTP/1.0 302 F\r\nLocation: /" + QByteArray(9999, 'L') + "\r\n\r\n");
            else
                LocalServer::reply(socket, kOk);
        });
        THttpClient client;
        client.TimeOut = 5000;
        client.Get("http://" + server.address() + "/start");
        QCOMPARE(server.requests.size(), 2);
        QCOMPARE(requestLine(server.requests[1]), "GET /" + QByteArray(255, 'L') + " HTTP/1.0");
    }

    void oddResponses_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("length");

        QTest::newRow("not http") << QByteArray("SSH-2.0-OpenSSH\r\n\r\nrest") << 0 << QByteArray("rest") << 0;
        QTest::newRow("length of letters") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: many\r\n\r\nb") << 200
                                           << QByteArray("b") << 0;
        QTest::newRow("longer than announced") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nbody")
                                               << 200 << QByteArray("body") << 2;
        QTest::newRow("100 header lines")
            << QByteArray("HTTP/1.0 200 OK\r\n" + QByteArray("X: y\r\n").repeated(98) + "\r\nbody") << 200
            << QByteArray("body") << 0;
        QTest::newRow("64 KB header")
            << QByteArray("HTTP/1.0 200 OK\r\nX: " + QByteArray(65536 - 17 - 5 - 2, 'h') + "\r\n\r\nbody") << 200
            << QByteArray("body") << 0;
        // Kept open: whole once the length came, no wait for a close.
        QTest::newRow("HTTP/1.1 kept open") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length:4\r\n\r\nbody{keep open}")
                                            << 200 << QByteArray("body") << 0;
    }
    void oddResponses()
    {
        QFETCH(QByteArray, response);
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) { LocalServer::reply(socket, response); });
        THttpClient client;
        client.TimeOut = 5000;
        client.Get("http://" + server.address() + "/");
        QTEST(int(client.replyStatus()), "status");
        QTEST(client.Body, "body");
        QTEST(client.announcedLength(), "length");
    }

    // A response that is not whole and sane fails the command; nothing of
    // it is followed and its header is not kept.
    void brokenResponsesFail_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("error");
        const QString incomplete = QStringLiteral("Response header incomplete");
        const QString tooLong = QStringLiteral("Response header too long");
        const QString invalid = QStringLiteral("Invalid character in response header");

        QTest::newRow("nothing") << QByteArray() << incomplete;
        QTest::newRow("no line end at all") << QByteArray("HTTP/1.0 200 OK 1.0.0.9") << incomplete;
        QTest::newRow("closed in mid-header") << QByteArray("HTTP/1.0 200 OK\r\nContent-Ty") << incomplete;
        QTest::newRow("no empty line") << QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n") << incomplete;
        QTest::newRow("body shorter than announced")
            << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n1.0.0.9") << "Response body incomplete";
        QTest::newRow("101 header lines")
            << QByteArray("HTTP/1.0 200 OK\r\n" + QByteArray("X: y\r\n").repeated(99) + "\r\nbody") << tooLong;
        QTest::newRow("1 MiB header line")
            << QByteArray("HTTP/1.0 200 OK\r\nX-Big: " + QByteArray(1 << 20, 'h') + "\r\n\r\nbody") << tooLong;
        QTest::newRow("CR in Location")
            << QByteArray("HTTP/1.0 302 Found\r\nLocation: /a\rX-Injected: yes\r\n\r\n") << invalid;
        QTest::newRow("NUL in Location") << QByteArrayLiteral("HTTP/1.0 301 M\r\nLocation: /a\0b\r\n\r\n") << invalid;
        QTest::newRow("CR in Set-Cookie")
            << QByteArray("HTTP/1.0 302 Found\r\nSet-Cookie: a=b\rX-Injected: yes\r\nLocation: /next\r\n\r\n")
            << invalid;
        QTest::newRow("redirect to port + 65536")
            << QByteArray("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:{port+65536}/x\r\n\r\n")
            << "Port out of range: {port+65536}";
        QTest::newRow("redirect to port 0")
            << QByteArray("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:0/x\r\n\r\n") << "Port out of range: 0";
        const QString unasked = QStringLiteral("Response coding or protocol not asked for");
        QTest::newRow("gzip, folded") << QByteArray("HTTP/1.0 200 OK\r\nContent-Encoding:\r\n x-gzip\r\n\r\n\x1f\x8b") << unasked;
        QTest::newRow("protocol switch") << QByteArray("HTTP/1.1 101 Switching Protocols\r\n\r\n") << unasked;
        QTest::newRow("6 interim replies")
            << QByteArray(QByteArray("HTTP/1.1 100 Continue\r\n\r\n").repeated(6) + kOk) << tooLong;
        QTest::newRow("reset in mid-body") << QByteArray("HTTP/1.0 200 OK\r\n\r\n1.0.0.40\r\n1 May{reset}")
                                           << "10054:Connection reset by peer";
        QTest::newRow("302 without Location") << QByteArray("HTTP/1.0 302 Found\r\n\r\n")
                                              << "Redirect without Location";
    }
    void brokenResponsesFail()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, error);
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) { LocalServer::reply(socket, response); });
        // A port that wrapped around would come back to this very server.
        const QByteArray wrapped = QByteArray::number(server.port() + 65536);
        response.replace("{port+65536}", wrapped);
        error.replace(QLatin1String("{port+65536}"), QLatin1String(wrapped));
        THttpClient client;
        client.TimeOut = 5000;
        bool ended = false;
        client.OnSuccess = [&](QObject*, CmdType) { ended = true; };
        client.OnFailure = [&](QObject*, CmdType) { ended = true; };
        QCOMPARE(raisedText([&] { client.Get("http://" + server.address() + "/"); }), error);
        QTest::qWait(50);
        QCOMPARE(server.connections, 1);
        QCOMPARE(server.requests.size(), 1);
        QVERIFY(!client.linkUp());
        if (error.startsWith(QLatin1String("Response header")) || error.startsWith(QLatin1String("Invalid")))
            QCOMPARE(client.Header, QByteArray());
        QVERIFY(!ended || error.startsWith(QLatin1String("Port")));
    }

    // Nothing of a value with CR, LF or NUL goes out: such a value would
    // add header lines of its own.
    void unsafeRequestValuesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QByteArray>("cookie");
        QTest::newRow("CR LF in the path") << QByteArray("/a\r\nX-Injected: yes") << QByteArray() << QByteArray();
        QTest::newRow("bare CR in the path") << QByteArray("/a\rb") << QByteArray() << QByteArray();
        QTest::newRow("LF in a header value") << QByteArray("/") << QByteArray("Kvilmar\nX: y") << QByteArray();
        QTest::newRow("NUL in the cookie") << QByteArray("/") << QByteArray() << QByteArrayLiteral("a\0b");
    }
    void unsafeRequestValuesAreRefused()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, program);
        QFETCH(QByteArray, cookie);
        LocalServer server([](QTcpSocket* socket, const QByteArray&) { LocalServer::reply(socket, kOk); });
        THttpClient client;
        client.TimeOut = 5000;
        client.HeaderInfo().LocalProgram = program;
        client.HeaderInfo().Cookie = cookie;
        QCOMPARE(raisedText([&] { client.Get("http://" + server.address() + path); }),
                 QStringLiteral("Invalid character in request header"));
        QTest::qWait(50);
        QCOMPARE(server.connections, 0);
    }

    // A body past BodyLimit is not read further: the command stops one byte
    // past the limit, discards what came, and memory stays small. The server
    // would send 100 MB.
    void bodyPastTheLimitIsRefused_data()
    {
        QTest::addColumn<bool>("toFile");
        QTest::newRow("to a file") << true;
        QTest::newRow("in memory") << false;
    }
    void bodyPastTheLimitIsRefused()
    {
        QFETCH(bool, toFile);
        const qint64 total = 100 << 20;
        StreamServer server("HTTP/1.0 200 OK\r\n\r\n", QByteArray("1.0.0.40\r\n").repeated(6554), total);
        TempFolder folder;
        THttpClient client;
        client.TimeOut = 20000;
        client.BodyLimit = 65536;
        client.InputFileMode = toFile;
        if (toFile)
            client.Body = QFile::encodeName(folder.file("kvilmar.iss"));
        QElapsedTimer sinceArrival;
        client.OnPacketRecvd = [&](QObject*) {
            if (!sinceArrival.isValid())
                sinceArrival.start();
        };
        QCOMPARE(raisedText([&] { client.Get("http://" + server.address() + "/"); }),
                 QStringLiteral("Response body too large"));
        QVERIFY2(sinceArrival.elapsed() < 20000, "a generous bound: the refusal takes milliseconds");
        QCOMPARE(client.receivedCount(), qint64(65537));
        QVERIFY(server.written() < total);
        QVERIFY(toFile ? !QFile::exists(folder.file("kvilmar.iss")) : client.Body.isEmpty());
        QVERIFY2(residentBytes() < 100 << 20, QByteArray::number(residentBytes()).constData());
    }

    // A header that never ends stops at its bound, whether its lines are
    // short (100 lines) or long (64 KB), or it never ends a line at all.
    void endlessHeaderEndsAtItsCap_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("short lines") << QByteArray("X-Filler: a\r\n");
        QTest::newRow("long lines") << QByteArray("X-Filler: " + QByteArray(2000, 'a') + "\r\n");
        QTest::newRow("no line end") << QByteArray(65536, 'h');
    }
    void endlessHeaderEndsAtItsCap()
    {
        QFETCH(QByteArray, line);
        const qint64 total = qint64(1) << 30;
        StreamServer server("HTTP/1.0 200 OK\r\n", line, total);
        THttpClient client;
        client.TimeOut = 20000;
        QCOMPARE(raisedText([&] { client.Get("http://" + server.address() + "/"); }),
                 QStringLiteral("Response header too long"));
        QCOMPARE(client.Header, QByteArray());
        QVERIFY(server.written() < total);
        QVERIFY2(residentBytes() < 100 << 20, QByteArray::number(residentBytes()).constData());
    }

    // Each wait has TimeOut; the whole command has AttemptTimeOut. A server
    // that sends a header line every 50 ms never lets a wait run out.
    void attemptHasOneDeadline()
    {
        StreamServer server("HTTP/1.0 200 OK\r\n", "X-Slow: a\r\n", 11 * 90, 50);
        THttpClient client;
        client.TimeOut = 2000;
        client.AttemptTimeOut = 300;
        QCOMPARE(raisedText([&] { client.Get("http://" + server.address() + "/"); }),
                 QStringLiteral("Transaction Timed Out"));
        QVERIFY(server.written() < 11 * 90);
        QVERIFY(!client.linkUp());
    }

    void silentServerTimesOut()
    {
        LocalServer server([](QTcpSocket*, const QByteArray&) {});
        THttpClient client;
        client.TimeOut = 300;
        bool ended = false;
        client.OnSuccess = [&](QObject*, CmdType) { ended = true; };
        client.OnFailure = [&](QObject*, CmdType) { ended = true; };
        try {
            client.Get("http://" + server.address() + "/");
            QFAIL("no time-out");
        } catch (const EAbortError& e) {
            QCOMPARE(e.text(), QStringLiteral("Socket readln aborted"));
        }
        QVERIFY(!ended);
        QVERIFY(!client.linkUp());
    }

    void refusedPort()
    {
        THttpClient client;
        client.TimeOut = 5000;
        QCOMPARE(raisedText([&] { client.Get("http://127.0.0.1:" + QByteArray::number(closedPort()) + "/"); }),
                 QStringLiteral("10061:Connection refused"));
    }

    void httpsIsRefusedBeforeConnecting()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) { LocalServer::reply(socket, kOk); });
        THttpClient client;
        bool announced = false;
        client.OnAboutToSend = [&](QObject*) { announced = true; };
        QCOMPARE(raisedText([&] { client.Get("https://" + server.address() + "/"); }),
                 QStringLiteral("HTTP Secure Socket is not supported"));
        QCOMPARE(raisedText([&] { client.Get(""); }), QStringLiteral("Empty URL"));
        QTest::qWait(50);
        QCOMPARE(server.connections, 0);
        QVERIFY(!announced);
    }

    void postSendsEncodedData()
    {
        QByteArray received;
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) {
            QTimer::singleShot(100, socket, [&received, socket] {
                received = socket->readAll();
                LocalServer::reply(socket, kOk);
            });
        });
        THttpClient client;
        client.TimeOut = 5000;
        client.Post("http://" + server.address() + "/form", "a b=c");
        QVERIFY(server.requests.first().startsWith("POST /form HTTP/1.0\r\n"));
        QVERIFY(server.requests.first().contains("\r\nContent-Length: 7\r\n\r\n"));
        QCOMPARE(server.requests.first().mid(server.requests.first().indexOf("\r\n\r\n") + 4) + received,
                 QByteArray("a+b%3Dc"));
    }
};

KV_TEST_MAIN(HttpClientTest)
#include "HttpClientTest.moc"
