#include "LocalServer.h"
#include "StreamServer.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include "common/Codec1251.h"
#include "common/windows/Help.h"
#include "common/ProgramVersion.h"
#include "net/HttpClient.h"
#include "net/windows/UnitBrowser.h"
#include "net/VersionCheck.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QString kNoConnection =
    QStringLiteral("Не удается установить соединение с сервером, повторите операцию позже.");
const QString kCancelled = QStringLiteral("Попытка соединения с сервером прервана пользователем.");

// A file that starts with a status line comes with a head of its own.
QByteArray versionResponse(const QString& file)
{
    const QByteArray head = file.startsWith(QLatin1String("HTTP/")) ? "" : "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";
    return head + cp1251::fromUnicode(file);
}

bool isRed(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText) == QColor(Qt::red);
}

} // namespace

class VersionWindowTest : public QObject {
    Q_OBJECT

private:
    // A window pointed at a server, with its own temporary and current folders.
    struct Scene {
        TempFolder temp{false};
        TempFolder current{false};
        ScriptedDialogs dialogs;
        TFormVelBrowser window;
        QString previousCurrent = QDir::currentPath();
        QByteArray previousTemp = qgetenv("TMPDIR");

        explicit Scene(const QByteArray& server)
        {
            qputenv("KVILMAR_SERVER", server);
            qputenv("TMPDIR", QFile::encodeName(temp.path()));
            QDir::setCurrent(current.path());
            FormVelBrowser = &window;
            window.HttpClient1->TimeOut = 5000;
            window.FormActivate();
        }
        ~Scene()
        {
            FormVelBrowser = nullptr;
            QDir::setCurrent(previousCurrent);
            qputenv("TMPDIR", previousTemp);
            qunsetenv("KVILMAR_SERVER");
        }
        void check() { window.ButtonVersionConnect->click(); }
        bool nothingLeft() const { return QDir(temp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
        QString memo() const { return window.MemoWWW->toPlainText(); }
    };

    // The window is idle again: button, hints, panels, timer.
    static void verifyIdle(const Scene& s)
    {
        QCOMPARE(s.window.ButtonVersionConnect->text(), QStringLiteral("Узнать"));
        QCOMPARE(s.window.ButtonVersionConnect->toolTip(), QStringLiteral("Получить информацию о программе"));
        QCOMPARE(s.window.panelText(0), QString());
        QCOMPARE(s.window.panelText(1), QString());
        QVERIFY(!s.window.Timer1->isActive());
        QVERIFY(!s.window.attemptRunning());
        QVERIFY(s.nothingLeft());
    }

private slots:
    void createdAsDesigned()
    {
        TFormVelBrowser window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Информация о новых версиях программы"));
        QVERIFY(!window.Timer1->isActive());
        QCOMPARE(window.Timer1->interval(), 1000);
        QCOMPARE(window.HttpClient1->TimeOut, 30000);
        QCOMPARE(window.HttpClient1->AttemptTimeOut, 60000);
        QCOMPARE(window.HttpClient1->BodyLimit, qint64(65536));
        QVERIFY(window.HttpClient1->InputFileMode);
        QVERIFY(!window.HttpClient1->OutputFileMode);
        QCOMPARE(window.LabelAppVersionNew->text(), QStringLiteral("неизвестно"));
        QCOMPARE(window.ButtonVersionConnect->text(), QStringLiteral("Узнать"));
        window.FormActivate();
        QCOMPARE(window.LabelApplName->text(), QStringLiteral("Квилмар"));
        QCOMPARE(window.LabelApplVersion->text(), QStringLiteral(KVILMAR_VERSION));
        QCOMPARE(window.LabelVersDate->text(), QStringLiteral("17 октября 2000 г."));
    }

    void versionFromCaption_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("version");
        QTest::newRow("about label") << "v " KVILMAR_VERSION << "" << KVILMAR_VERSION;
        QTest::newRow("two characters") << "v " << "1.0" << "1.0";
        QTest::newRow("three characters") << "v 2" << "1.0" << "2";
    }
    void versionFromCaption()
    {
        QFETCH(QString, caption);
        QFETCH(QString, previous);
        QTEST(versionCheck::versionFromCaption(caption, previous), "version");
    }

    void countdown_data()
    {
        QTest::addColumn<int>("elapsedMs");
        QTest::addColumn<int>("seconds");
        QTest::newRow("start") << 0 << 30;
        QTest::newRow("half rounds to even up") << 1500 << 28;
        QTest::newRow("half rounds to even down") << 2500 << 28;
        QTest::newRow("just under") << 2499 << 28;
        QTest::newRow("past thirty") << 45000 << -15;
    }
    void countdown()
    {
        QFETCH(int, elapsedMs);
        const QDateTime start = QDateTime::currentDateTime();
        QTEST(versionCheck::countdownSeconds(start, start.addMSecs(elapsedMs)), "seconds");
    }

    void timerShowsTheCountdown()
    {
        TFormVelBrowser window;
        window.ConnectStartTime = QDateTime::currentDateTime().addSecs(-5);
        window.Timer1Timer();
        QCOMPARE(window.panelText(0), QStringLiteral("25 c"));
    }

    void versionFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("newVersion");
        QTest::addColumn<QString>("newDate");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<bool>("red");

        QTest::newRow("running is newest") << KVILMAR_VERSION "\r\n17 октября 2000 г.\r\nПервая версия\r\n" << KVILMAR_VERSION
                                           << "17 октября 2000 г."
                                           << "Вы пользуетесь самой последней версией программы!" << false;
        QTest::newRow("newer with history")
            << "1.0.0.40\r\n1 мая 2001 г.\r\nИсправлены ошибки\r\n" KVILMAR_VERSION "\r\n17 октября 2000 г.\r\nСтарое\r\n"
            << "1.0.0.40" << "1 мая 2001 г." << "1.0.0.40\n1 мая 2001 г.\nИсправлены ошибки" << true;
        QTest::newRow("running is third line") << "1.0.0.40\r\nD\r\n" KVILMAR_VERSION "\r\nO\r\n" << "1.0.0.40" << "D" << ""
                                               << true;
        QTest::newRow("running never named") << "2.0\r\nD\r\nT1\r\nT2\r\n" << "2.0" << "D" << "2.0\nD\nT1\nT2"
                                             << true;
        QTest::newRow("compared as text") << "1.0.0.032\r\nD\r\n" << "1.0.0.032" << "D" << "1.0.0.032\nD" << true;
        QTest::newRow("after 100 Continue") << "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nConnection: close\r\n\r\n2.0\r\nD\r\n"
                                            << "2.0" << "D" << "2.0\nD" << true;
        QTest::newRow("after 103 Early Hints") << "HTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\nHTTP/1.0 200 OK\r\n\r\n2.0\r\nD\r\n"
                                               << "2.0" << "D" << "2.0\nD" << true;
        QTest::newRow("kept open after its length")
            << "HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nContent-Length: 8\r\n\r\n2.0\r\nD\r\n{keep open}" << "2.0" << "D"
            << "2.0\nD" << true;
    }
    void versionFiles()
    {
        QFETCH(QString, file);
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, versionResponse(file));
        });
        Scene s(server.address());
        s.current.write("kvilmar.iss", "the user's own file");
        s.check();
        QTEST(s.window.LabelAppVersionNew->text(), "newVersion");
        QTEST(s.window.LabelNewApplDate->text(), "newDate");
        QTEST(s.memo(), "memo");
        QTEST(isRed(s.window.LabelAppVersionNew), "red");
        QTEST(isRed(s.window.LabelNewApplDate), "red");
        verifyIdle(s);
        QCOMPARE(server.requests,
                 QList<QByteArray>{"GET /brennic/kvilmar.iss HTTP/1.0\r\n"
                                   "Host: 127.0.0.1\r\n"
                                   "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                                   "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                                   "Content-type: application/x-www-form-urlencoded\r\n"
                                   "\r\n"});
        QCOMPARE(s.current.read("kvilmar.iss"), QByteArray("the user's own file"));
        KV_VERIFY_DIALOGS(s.dialogs);
    }

    void redReturnsWhenNoNewerVersion()
    {
        QString file = QStringLiteral("1.0.0.40\r\nD\r\n");
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) {
            LocalServer::reply(socket, versionResponse(file));
        });
        Scene s(server.address());
        s.check();
        QVERIFY(isRed(s.window.LabelAppVersionNew));
        file = QStringLiteral(KVILMAR_VERSION "\r\nD\r\n");
        s.check();
        QVERIFY(!isRed(s.window.LabelAppVersionNew));
        QVERIFY(!isRed(s.window.LabelNewApplDate));
        QCOMPARE(s.memo(), QStringLiteral("Вы пользуетесь самой последней версией программы!"));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::newRow("not found") << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n<html>Нет</html>\r\n");
        QTest::newRow("server error") << QByteArray("HTTP/1.0 500 Oops\r\n\r\n1.0.0.99\r\n");
        QTest::newRow("status line without end") << QByteArray("HTTP/1.0 200 OK");
        QTest::newRow("not http") << QByteArray("220 mail server ready\r\n\r\n1.0.0.99\r\n");
        QTest::newRow("closed at once") << QByteArray();
        QTest::newRow("redirect to https") << QByteArray("HTTP/1.0 302 Found\r\nLocation: https://127.0.0.1/x\r\n\r\n");
        QTest::newRow("redirect loop") << QByteArray("HTTP/1.0 302 Found\r\nLocation: /brennic/kvilmar.iss\r\n\r\n");
        QTest::newRow("long location") << QByteArray("HTTP/1.0 301 Moved\r\nLocation: /" + QByteArray(10000, 'a') + "\r\n\r\n");
        QTest::newRow("closed in mid-header") << QByteArray("HTTP/1.0 200 OK\r\nContent-Ty");
        QTest::newRow("no line end at all") << QByteArray("HTTP/1.0 200 OK 1.0.0.9");
        QTest::newRow("no empty line after the header") << QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n");
        QTest::newRow("body shorter than announced")
            << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n1.0.0.9");
        QTest::newRow("header of 101 lines")
            << QByteArray("HTTP/1.0 200 OK\r\n" + QByteArray("X: y\r\n").repeated(99) + "\r\n1.0.0.9\r\n");
        QTest::newRow("version file past 64 KB")
            << QByteArray("HTTP/1.0 200 OK\r\n\r\n" + QByteArray("1.0.0.9\r\n").repeated(8000));
        QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n30\r\n1.0.0.40\r\n");
        QTest::newRow("gzip") << QByteArray("HTTP/1.0 200 OK\r\nContent-Encoding: gzip\r\n\r\n\x1f\x8b\x08\0\0\0\0\0\0\x03");
        QTest::newRow("reset in mid-body") << QByteArray("HTTP/1.0 200 OK\r\n\r\n1.0.0.40\r\n1 May 20{reset}");
        QByteArray noise(600, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        QTest::newRow("random bytes") << QByteArray("HTTP/1.0 200 OK\r\n\r\n" + noise);
        QTest::newRow("web page") << QByteArray("HTTP/1.0 200 OK\r\n\r\n<html><body>1.0.0.40</body></html>\r\n");
        QTest::newRow("empty version file") << QByteArray("HTTP/1.0 200 OK\r\n\r\n");
        // Only a 200 reply carries the version file.
        QTest::newRow("status 099") << QByteArray("HTTP/1.0 099\r\n\r\n1.0.0.99\r\n");
        QTest::newRow("status 600") << QByteArray("HTTP/1.0 600 Odd\r\n\r\n1.0.0.99\r\n");
        QTest::newRow("204 No Content") << QByteArray("HTTP/1.0 204 No Content\r\n\r\n1.0.0.99\r\n");
        QTest::newRow("206 Partial Content") << QByteArray("HTTP/1.0 206 Partial Content\r\n\r\n1.0.0.99\r\n");
    }
    void failures()
    {
        QFETCH(QByteArray, response);
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) { LocalServer::reply(socket, response); });
        Scene s(server.address());
        s.dialogs.answer(MessageAnswer::Ok);
        s.check();
        verifyFailure(s, kNoConnection, MessageKind::Error);
    }

    // A redirect whose values would steer the next request fails the
    // attempt; no second request goes out.
    void steeringRedirectsFail_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::newRow("CR in Location")
            << QByteArray("HTTP/1.0 302 Found\r\nLocation: /a\rX-Injected: yes\r\n\r\n");
        QTest::newRow("CR in Set-Cookie")
            << QByteArray("HTTP/1.0 302 Found\r\nSet-Cookie: a\rX-Injected: yes\r\nLocation: /b\r\n\r\n");
        QTest::newRow("port past 65535, which would wrap to this server")
            << QByteArray("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:{port+65536}/brennic/kvilmar.iss\r\n\r\n");
        QTest::newRow("304 without Location") << QByteArray("HTTP/1.0 304 Not Modified\r\n\r\n");
    }
    void steeringRedirectsFail()
    {
        QFETCH(QByteArray, response);
        LocalServer server([&](QTcpSocket* socket, const QByteArray&) { LocalServer::reply(socket, response); });
        response.replace("{port+65536}", QByteArray::number(server.port() + 65536));
        Scene s(server.address());
        s.dialogs.answer(MessageAnswer::Ok);
        s.check();
        verifyFailure(s, kNoConnection, MessageKind::Error);
        QTest::qWait(50);
        QCOMPARE(server.requests.size(), 1);
    }

    // The server would send 100 MB, or a header without end: the attempt
    // ends at 64 KB, shows the failure, and memory stays small.
    void endlessRepliesAreCut_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("chunk");
        QTest::newRow("100 MB version file") << QByteArray("HTTP/1.0 200 OK\r\n\r\n")
                                             << QByteArray("1.0.0.9\r\n").repeated(6554);
        QTest::newRow("header without end") << QByteArray("HTTP/1.0 200 OK\r\n") << QByteArray("X-Filler: a\r\n");
    }
    void endlessRepliesAreCut()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, chunk);
        const qint64 total = 100 << 20;
        StreamServer server(head, chunk, total);
        const qint64 residentBefore = residentBytes();
        Scene s(server.address());
        s.window.HttpClient1->TimeOut = 20000;
        s.dialogs.answer(MessageAnswer::Ok);
        s.check();
        verifyFailure(s, kNoConnection, MessageKind::Error);
        QVERIFY(server.written() < total);
        QCOMPARE(s.window.HttpClient1->Header, QByteArray());
        QVERIFY2(residentBytes() - residentBefore < 50 << 20, QByteArray::number(residentBytes()).constData());
    }

    void unreachableServers_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::newRow("refused port") << QByteArray("127.0.0.1:" + QByteArray::number(closedPort()));
        QTest::newRow("host that does not resolve") << QByteArray("nosuchhost.invalid");
    }
    void unreachableServers()
    {
        QFETCH(QByteArray, server);
        Scene s(server);
        s.window.HttpClient1->TimeOut = 3000;
        s.dialogs.answer(MessageAnswer::Ok);
        s.check();
        verifyFailure(s, kNoConnection, MessageKind::Error);
    }

    void silentServerTimesOut()
    {
        LocalServer server([](QTcpSocket*, const QByteArray&) {});
        Scene s(server.address());
        s.window.HttpClient1->TimeOut = 300;
        s.dialogs.answer(MessageAnswer::Ok);
        s.check();
        verifyFailure(s, kNoConnection, MessageKind::Error);
    }

    void cancelWhileConnecting()
    {
        StuckListener stuck;
        Scene s("127.0.0.1:" + QByteArray::number(stuck.port()));
        s.window.HttpClient1->TimeOut = 20000;
        s.window.show();
        s.dialogs.answer(MessageAnswer::Ok);
        QString caption, hint, panel0, panel1;
        bool panelWhole = false;
        QTimer::singleShot(100, &s.window, [&] {
            // The long address is never clipped: it fits, or its middle is
            // elided and the tooltip holds all of it.
            const auto* panel = s.window.StatusBarWWW->findChildren<QLabel*>().at(1);
            panelWhole = panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width()
                         && (panel->text() == s.window.panelText(1) || panel->toolTip() == s.window.panelText(1));
            caption = s.window.ButtonVersionConnect->text();
            hint = s.window.ButtonVersionConnect->toolTip();
            panel0 = s.window.panelText(0);
            panel1 = s.window.panelText(1);
            s.window.ButtonVersionConnect->click();
        });
        s.check();
        QCOMPARE(caption, QStringLiteral("Прервать"));
        QCOMPARE(hint, QStringLiteral("Прервать сеанс связи?"));
        QCOMPARE(panel0, QStringLiteral("30 c"));
        QCOMPARE(panel1, QStringLiteral("Идет подключение к серверу http://127.0.0.1:%1/brennic").arg(stuck.port()));
        QVERIFY(panelWhole);
        verifyFailure(s, kCancelled, MessageKind::Information);
    }

    void cancelWhileReceiving()
    {
        LocalServer server([](QTcpSocket* socket, const QByteArray&) {
            socket->write("HTTP/1.0 200 OK\r\n\r\n1.0.0.50\r\nD\r\n");
        });
        Scene s(server.address());
        s.window.HttpClient1->TimeOut = 20000;
        s.dialogs.answer(MessageAnswer::Ok);
        QString panel1;
        s.window.HttpClient1->OnPacketRecvd = [&](QObject*) {
            QTimer::singleShot(0, &s.window, [&] {
                panel1 = s.window.panelText(1);
                s.window.ButtonVersionConnect->click();
            });
        };
        s.check();
        QCOMPARE(panel1, QStringLiteral("Соединение установлено. Идет прием информации..."));
        // The part that had arrived is not taken for a version file.
        verifyFailure(s, kCancelled, MessageKind::Information);
    }

    void closingWaitsForTheAttempt()
    {
        StuckListener stuck;
        Scene s("127.0.0.1:" + QByteArray::number(stuck.port()));
        s.window.HttpClient1->TimeOut = 20000;
        s.window.show();
        s.dialogs.answer(MessageAnswer::Ok);
        bool visibleAfterClose = false;
        QTimer::singleShot(100, &s.window, [&] {
            s.window.ButtonBrowserExit->click();
            visibleAfterClose = s.window.isVisible();
            s.window.ButtonVersionConnect->click();
        });
        s.check();
        QVERIFY(visibleAfterClose);
        QVERIFY(!s.window.isVisible());
        verifyFailure(s, kCancelled, MessageKind::Information);
    }

private:
    // One box of the kind and text; the newest-version labels and the memo
    // show nothing of the failed attempt.
    static void verifyFailure(const Scene& s, const QString& text, MessageKind kind)
    {
        QCOMPARE(s.dialogs.shownTexts(), QStringList{text});
        QCOMPARE(s.dialogs.shown().first().kind, kind);
        QCOMPARE(s.window.LabelAppVersionNew->text(), QStringLiteral("неизвестно"));
        QCOMPARE(s.window.LabelNewApplDate->text(), QStringLiteral("неизвестно"));
        QVERIFY(!isRed(s.window.LabelAppVersionNew));
        QCOMPARE(s.memo(), QString());
        verifyIdle(s);
        KV_VERIFY_DIALOGS(s.dialogs);
    }
};

KV_TEST_MAIN(VersionWindowTest)
#include "VersionWindowTest.moc"
