#include "LocalServer.h"
#include "StreamServer.h"
#include "support/RaisedText.h"
#include "support/TestMain.h"

#include "net/HostLookup.h"
#include "net/SockError.h"
#include "net/SocketClient.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Connects a fresh client to the server.
void connectTo(TSocketClient& client, quint16 port)
{
    client.Host = "127.0.0.1";
    client.Port = port;
    client.Connect();
}

// Runs the event loop until the client sees data from the server.
void waitForData(TSocketClient& client)
{
    QTRY_VERIFY_WITH_TIMEOUT(client.DataAvailable(), 5000);
    QTest::qWait(20);
}

} // namespace

class SocketClientTest : public QObject {
    Q_OBJECT

private slots:
    void errorText_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused") << 10061 << "10061:Connection refused";
        QTest::newRow("would block") << 10035 << "10035:Operation would block";
        QTest::newRow("first") << 10004 << "10004:Interrupted system call";
        QTest::newRow("host") << 11004 << "11004:Valid name, no data record of requested type";
        QTest::newRow("unknown") << 12345 << "Unknown Error No. 12345";
        QTest::newRow("zero") << 0 << "";
    }
    void errorText()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        TSocketClient client;
        QCOMPARE(client.ErrorText(number), text);
    }

    void systemErrorsMapToSocketNumbers_data()
    {
        QTest::addColumn<int>("systemError");
        QTest::addColumn<int>("number");
        QTest::newRow("refused") << ECONNREFUSED << 10061;
        QTest::newRow("would block") << EAGAIN << 10035;
        QTest::newRow("not connected") << ENOTCONN << 10057;
        QTest::newRow("reset") << ECONNRESET << 10054;
        QTest::newRow("timed out") << ETIMEDOUT << 10060;
        QTest::newRow("broken pipe") << EPIPE << 10058;
        QTest::newRow("bad file") << EBADF << 10009;
    }
    void systemErrorsMapToSocketNumbers()
    {
        QFETCH(int, systemError);
        QFETCH(int, number);
        QCOMPARE(sockerr::fromErrno(systemError), number);
    }

    void dottedAddressSkipsLookup()
    {
        LocalServer server([](QTcpSocket*, const QByteArray&) {}, false);
        TSocketClient client;
        bool resolved = false;
        bool connected = false;
        client.OnHostResolved = [&](QObject*) { resolved = true; };
        client.OnConnect = [&](QObject*) { connected = true; };
        connectTo(client, server.port());
        QVERIFY(client.linkUp());
        QVERIFY(connected);
        QVERIFY(!resolved);
        QCOMPARE(raisedText<ESockError>([&] { client.Connect(); }), QStringLiteral("Already connected"));
        client.Disconnect();
        QVERIFY(!client.linkUp());
    }

    void namedHostIsLookedUp()
    {
        LocalServer server([](QTcpSocket*, const QByteArray&) {}, false);
        TSocketClient client;
        bool resolved = false;
        client.OnHostResolved = [&](QObject*) { resolved = true; };
        client.TimeOut = 10000;
        client.Host = "localhost";
        client.Port = server.port();
        client.Connect();
        QVERIFY(resolved);
        QVERIFY(client.linkUp());
    }

    void refusedConnectionGivesItsErrorText()
    {
        TSocketClient client;
        client.TimeOut = 5000;
        int reported = 0;
        client.OnSocketError = [&](QObject*, quint16 error, const QString&) { reported = error; };
        QCOMPARE(raisedText<ESockError>([&] { connectTo(client, closedPort()); }),
                 QStringLiteral("10061:Connection refused"));
        QCOMPARE(reported, 10061);
        // After Disconnect the client can connect again.
        client.Disconnect();
        LocalServer server([](QTcpSocket*, const QByteArray&) {}, false);
        connectTo(client, server.port());
        QVERIFY(client.linkUp());
    }

    void unknownHostEndsInNullRemoteAddress()
    {
        TSocketClient client;
        client.TimeOut = 3000;
        int offered = 0;
        client.OnInvalidHost = [&](QObject*, bool& handled) {
            ++offered;
            handled = true;   // asks for one more try, which fails again
        };
        client.Host = "nosuchhost.invalid";
        client.Port = 80;
        const QString text = raisedText<ESockError>([&] { client.Connect(); });
        QVERIFY2(text == QLatin1String("Null Remote Address") || text == QLatin1String("Host Lookup Timed Out"),
                 qPrintable(text));
        if (text == QLatin1String("Null Remote Address"))
            QCOMPARE(offered, 1);
    }

    // A look-up given up goes on alone and frees itself once the name
    // server answers; the client does not wait for it.
    void abandonedLookUpEndsAlone()
    {
        TSocketClient client;
        client.TimeOut = 100;
        client.Host = "1000.slow.test";
        client.Port = 80;
        QCOMPARE(raisedText<ESockError>([&] { client.Connect(); }), QStringLiteral("Host Lookup Timed Out"));
        // The name server answers only after a second.
        QVERIFY(HostLookup::running() >= 1);
        QTRY_COMPARE_WITH_TIMEOUT(HostLookup::running(), 0, 30000);
    }

    // Nor does the program: it ends at once, with nothing leaked, while the
    // name server would keep a look-up waiting for a minute.
    void programEndsDespiteALookUp()
    {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=1"));
        child.setProcessEnvironment(environment);
        child.start(QStringLiteral(LOOKUP_CHILD), {QStringLiteral("60000.slow.test")});
        QVERIFY2(child.waitForFinished(30000), "the program waited for the look-up");
        const QByteArray errors = child.readAllStandardError();
        QVERIFY2(!errors.contains("LeakSanitizer"), errors.constData());
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("Host Lookup Timed Out"));
    }

    void portOutOfRangeIsRefused_data()
    {
        QTest::addColumn<int>("port");
        QTest::newRow("zero") << 0;
        QTest::newRow("past 65535") << 65536 + 80;
        QTest::newRow("negative") << -1;
    }
    void portOutOfRangeIsRefused()
    {
        QFETCH(int, port);
        TSocketClient client;
        client.TimeOut = 5000;
        client.Host = "127.0.0.1";
        client.Port = port;
        QCOMPARE(raisedText<ESockError>([&] { client.Connect(); }), QStringLiteral("Port out of range: %1").arg(port));
        QVERIFY(!client.linkUp());
    }

    void cancelWhileConnecting()
    {
        StuckListener stuck;
        TSocketClient client;
        client.TimeOut = 20000;
        bool failed = false;
        client.OnConnectionFailed = [&](QObject*) { failed = true; };
        QTimer::singleShot(100, &client, [&] { client.Cancel(); });
        QCOMPARE(raisedText<ESockError>([&] { connectTo(client, stuck.port()); }), QStringLiteral("Connection Canceled"));
        QVERIFY(failed);
    }

    void timeOutWhileConnecting()
    {
        StuckListener stuck;
        TSocketClient client;
        client.TimeOut = 200;
        bool failed = false;
        client.OnConnectionFailed = [&](QObject*) { failed = true; };
        QCOMPARE(raisedText<ESockError>([&] { connectTo(client, stuck.port()); }), QStringLiteral("Connection Timed out"));
        QVERIFY(failed);
    }

    void lineInTwoPackets()
    {
        const QByteArray line = QByteArray(38, 'x') + "\r\n";
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) {
            socket->write(line.left(20));
            socket->flush();
            QTimer::singleShot(100, socket, [socket, line] { socket->write(line.mid(20)); });
        }, false);
        TSocketClient client;
        client.TimeOut = 5000;
        connectTo(client, server.port());
        QCOMPARE(client.ReadLn(), line);
    }

    void linesKeepTheirEnds()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, "HTTP/1.0 200 OK\r\nsecond\nlast");
        }, false);
        TSocketClient client;
        client.TimeOut = 5000;
        connectTo(client, server.port());
        QCOMPARE(client.ReadLn(), QByteArray("HTTP/1.0 200 OK\r\n"));
        QCOMPARE(client.ReadLn(), QByteArray("second\n"));
        // The server closed before a line end.
        QCOMPARE(client.ReadLn(), QByteArray());
    }

    void lineLongerThanTheBufferComesInPieces()
    {
        const QByteArray line = QByteArray(TSocketClient::TransferBufferSize + 1000, 'a') + "\r\n";
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) { socket->write(line + "next\r\n"); }, false);
        TSocketClient client;
        client.TimeOut = 5000;
        connectTo(client, server.port());
        const QByteArray first = client.ReadLn();
        QCOMPARE(first.size(), qsizetype(TSocketClient::TransferBufferSize));
        QCOMPARE(first + client.ReadLn(), line);
        QCOMPARE(client.ReadLn(), QByteArray("next\r\n"));
    }

    void readLnTimesOut()
    {
        LocalServer server([](QTcpSocket*, const QByteArray&) {}, false);
        TSocketClient client;
        client.TimeOut = 200;
        connectTo(client, server.port());
        try {
            client.ReadLn();
            QFAIL("no time-out");
        } catch (const EAbortError& e) {
            QCOMPARE(e.text(), QStringLiteral("Socket readln aborted"));
        }
    }

    void captureStringWithALimit()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) { socket->write(QByteArray(1400, 'b')); },
                           false);
        TSocketClient client;
        client.TimeOut = 5000;
        connectTo(client, server.port());
        waitForData(client);
        QByteArray text;
        // The limit is looked at before each receive: the whole packet comes.
        client.CaptureString(text, 100);
        QCOMPARE(text.size(), qsizetype(1400));
        QCOMPARE(client.receivedCount(), qint64(1400));
    }

    void captureStringToTheEnd()
    {
        // One byte first; the rest only once the client has taken it.
        LocalServer server([](QTcpSocket* socket, const QByteArray&) { socket->write("a"); }, false);
        TSocketClient client;
        client.TimeOut = 5000;
        int packets = 0;
        client.OnPacketRecvd = [&](QObject*) {
            if (++packets == 1)
                LocalServer::reply(server.lastSocket, QByteArray(3000, 'c'));
        };
        connectTo(client, server.port());
        waitForData(client);
        QByteArray text;
        client.CaptureString(text, -1);
        QCOMPARE(text, QByteArray("a") + QByteArray(3000, 'c'));
        QVERIFY(packets >= 2);
        QCOMPARE(client.receivedCount(), qint64(3001));
    }

    // The capture's time-out counts from its start: data that keeps
    // trickling in does not put it off.
    void captureTimeOutCountsFromItsStart()
    {
        StreamServer server("", "x", 60, 50);
        TSocketClient client;
        client.TimeOut = 400;
        connectTo(client, server.port());
        client.Write("GET / HTTP/1.0\r\n\r\n");
        QByteArray text;
        try {
            client.CaptureString(text, -1);
            QFAIL("no time-out: each packet put it off");
        } catch (const EAbortError& e) {
            QCOMPARE(e.text(), QStringLiteral("Socket capture aborted"));
        }
        QVERIFY(!text.isEmpty());
        QVERIFY(text.size() < 60);
    }

    void captureStringCancelled()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) { socket->write("partial"); }, false);
        TSocketClient client;
        client.TimeOut = 20000;
        connectTo(client, server.port());
        client.OnPacketRecvd = [&](QObject*) { QTimer::singleShot(20, &client, [&] { client.Cancel(); }); };
        QByteArray text;
        try {
            client.CaptureString(text, -1);
            QFAIL("not cancelled");
        } catch (const EAbortError& e) {
            QCOMPARE(e.text(), QStringLiteral("Socket capture aborted"));
        }
        QCOMPARE(text, QByteArray("partial"));
    }

    void transactionReadsTheReplyNumber()
    {
        QByteArray received;
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [&received, socket] {
                received += socket->readAll();
                if (received.endsWith("\r\n"))
                    socket->write("250 done\r\n");
            });
        }, false);
        TSocketClient client;
        client.TimeOut = 5000;
        client.ReportLevel = 1;
        connectTo(client, server.port());
        QCOMPARE(client.Transaction("NOOP"), QByteArray("250 done\r\n"));
        QCOMPARE(received, QByteArray("NOOP\r\n"));
        QCOMPARE(client.replyNumber(), qint16(250));
        QCOMPARE(client.lastStatus(), QStringLiteral("250 done\r\n"));
    }

    void closeNoticeReplacesTheSocket()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) { socket->disconnectFromHost(); }, false);
        TSocketClient client;
        client.TimeOut = 5000;
        int disconnects = 0;
        client.OnDisconnect = [&](QObject*) { ++disconnects; };
        connectTo(client, server.port());
        QTRY_VERIFY_WITH_TIMEOUT(!client.linkUp(), 5000);
        QCOMPARE(disconnects, 1);
        QVERIFY(client.socketHandle() != TSocketClient::NoSocket);
    }

    void statusReportsUpToTheLevel()
    {
        QStringList seen;
        TSocketClient client;
        client.OnStatus = [&](QObject*, const QString& status) { seen << status; };
        client.ReportLevel = 4;
        client.Cancel();
        client.Disconnect();
        QCOMPARE(seen, QStringList{QStringLiteral("Request Close Socket")});
        client.ReportLevel = 8;
        client.Cancel();
        QCOMPARE(seen.last(), QStringLiteral("Canceling"));
    }
};

KV_TEST_MAIN(SocketClientTest)
#include "SocketClientTest.moc"
