#include "LocalServer.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include "net/HttpClient.h"
#include "net/SockError.h"

#include <QFile>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QByteArray kOk = "HTTP/1.0 200 OK\r\n\r\n";

QByteArray requestLine(const QByteArray& request)
{
    return request.left(request.indexOf("\r\n"));
}

QString raisedText(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const KvilmarError& e) {
        return e.text();
    }
    return QStringLiteral("(nothing raised)");
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

    void redirectToAnotherPortThenAPathOnly()
    {
        LocalServer second([](QTcpSocket* socket, const QByteArray& request) {
            if (requestLine(request) == "GET /next HTTP/1.0")
                LocalServer::reply(socket, "HTTP/1.0 302 Found\r\nLocation: /final\r\n\r\n");
            else
                LocalServer::reply(socket, kOk + "arrived");
        });
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
        QVERIFY(second.requests[1].contains("\r\nHost: 127.0.0.1\r\n"));
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

    void redirectWithoutLocationEndsInEmptyUrl()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, "HTTP/1.0 302 Found\r\n\r\n");
        });
        THttpClient client;
        client.TimeOut = 5000;
        QCOMPARE(raisedText([&] { client.Get("http://" + server.address() + "/"); }), QStringLiteral("Empty URL"));
        QCOMPARE(server.requests.size(), 1);
    }

    void redirectsAreBounded()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, "HTTP/1.0 304 Not Modified\r\n\r\n");
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

        QTest::newRow("status line without end") << QByteArray("HTTP/1.0 200 OK") << 0 << QByteArray() << 0;
        QTest::newRow("not http") << QByteArray("SSH-2.0-OpenSSH\r\n\r\nrest") << 0 << QByteArray("rest") << 0;
        QTest::newRow("length of letters") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: many\r\n\r\nb") << 200
                                           << QByteArray("b") << 0;
        QTest::newRow("1 MiB header line")
            << QByteArray("HTTP/1.0 200 OK\r\nX-Big: " + QByteArray(1 << 20, 'h') + "\r\nContent-Length: 4\r\n\r\nbody")
            << 200 << QByteArray("body") << 4;
        QTest::newRow("nothing") << QByteArray() << 0 << QByteArray() << 0;
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
