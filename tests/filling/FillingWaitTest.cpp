// While a run waits for the office, the program's windows go on: events are
// processed, the window repaints, a busy cursor and the awaited step show.
// The office here is one that never answers, and is ended when given up.
// And the office is reached only over a pipe of the user's own, in the time
// it is given.
#include "support/ListBuilder.h"
#include "support/PipeSocket.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestHost.h"
#include "support/TestMain.h"

#include "common/windows/Guard.h"
#include "common/KvilmarError.h"
#include "filling/windows/FillingRun.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/OfficeWait.h"
#include "general/windows/UnitVelGeneral.h"

#include <QComboBox>
#include <QCursor>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

namespace {

const QString kStarting = QStringLiteral("Запуск LibreOffice...");

// Counts paint events of a window.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Offices of the program still running as the silent one: every office
// started carries its mark in its environment.
int silentOfficesLeft()
{
    int left = 0;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile command("/proc/" + pid + "/cmdline"), environment("/proc/" + pid + "/environ");
        if (command.open(QIODevice::ReadOnly) && command.readAll() == QByteArray("sleep\0" "120\0", 10)
            && environment.open(QIODevice::ReadOnly) && environment.readAll().contains("KVILMAR_OFFICE_MARK="))
            ++left;
    }
    return left;
}

} // namespace

class FillingWaitTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    QScopedPointer<ScriptedDialogs> dialogs_;

private slots:
    void initTestCase()
    {
        qputenv("HOME", folder_.path().toLocal8Bit());
        qputenv("KVILMAR_OFFICE_PIPE", "kvilmar_silent_" + QByteArray::number(::getpid()));
        // An office that starts and never answers.
        const QString silent = folder_.write("silent-office", "#!/bin/sh\nexec sleep 120\n");
        QFile::setPermissions(silent, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        qputenv("KVILMAR_OFFICE_PROGRAM", silent.toLocal8Bit());
        qputenv("KVILMAR_OFFICE_WAIT", "2");
        qputenv("KVILMAR_OFFICE_HEADLESS", "1");
    }

    void init()
    {
        dialogs_.reset(new ScriptedDialogs);
        office::lo::Connection::instance().forget();
    }

    void cleanup()
    {
        KV_VERIFY_DIALOGS(*dialogs_);
        dialogs_.reset();
    }

    void eventsRunWhileTheOfficeIsAwaited()
    {
        setList({{"A", "B"}});
        TestHost host;
        host.name = folder_.write("t.txt", "A\r\n");
        int ticks = 0;
        QStringList seen;
        bool busySeen = false;
        bool nestedRefused = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            busySeen = busySeen || host.busy;
            // A second office call from an event handled meanwhile.
            if (busySeen && !nestedRefused) {
                try {
                    office::waitForOffice({}, [] {});
                } catch (const KvilmarError&) {
                    nestedRefused = true;
                }
            }
        });
        timer.start(50);
        dialogs_->answer(MessageAnswer::Ok);
        guarded([&] { runFilling(host, host.job()); });
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QVERIFY(busySeen);
        QVERIFY(nestedRefused);
        QVERIFY(!host.busy);
        QVERIFY2(host.waits.contains(kStarting), qPrintable(host.waits.join(", ")));
        QVERIFY(dialogs_->shown().first().text.startsWith("LibreOffice не отвечает"));
        // The office given up is not left running.
        QCOMPARE(silentOfficesLeft(), 0);
    }

    void mainWindowShowsTheWait()
    {
        setList({{"A", "B"}});
        FormVelGeneral = new TFormVelGeneral;
        FormVelGeneral->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormVelGeneral));
        FormVelGeneral->EditFile->setEditText(folder_.write("t.txt", "A\r\n"));
        FormVelGeneral->ShowProgress("before");
        PaintCounter counter;
        FormVelGeneral->installEventFilter(&counter);
        QStringList shown;
        QList<Qt::CursorShape> cursors;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            shown << FormVelGeneral->progressText();
            cursors << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor);
            FormVelGeneral->update();
        });
        timer.start(100);
        dialogs_->answer(MessageAnswer::Ok);
        guarded([&] { FormVelGeneral->ButtonStartClick(); });
        timer.stop();
        QVERIFY2(shown.contains(kStarting), qPrintable(shown.join(", ")));
        QVERIFY(cursors.contains(Qt::WaitCursor));
        QVERIFY2(counter.paints > 0, "the window did not repaint while waiting");
        QCOMPARE(FormVelGeneral->progressText(), QString("before"));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        delete FormVelGeneral;
        FormVelGeneral = nullptr;
    }

    // The fill command with the pipe taken beforehand by a socket.
    void theOfficeIsReachedOnlyOverAPipeOfOurOwn_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<bool>("others");
        QTest::newRow("another user's office") << true << true;
        QTest::newRow("another user's dead socket") << false << true;
        QTest::newRow("own office that never answers") << true << false;
    }

    void theOfficeIsReachedOnlyOverAPipeOfOurOwn()
    {
        QFETCH(bool, listening);
        QFETCH(bool, others);
        if (others && ::geteuid() != 0)
            QSKIP("giving a socket to another user takes root");
        static int row = 0;
        const QString pipe = QStringLiteral("kvilmar_taken_%1_%2").arg(::getpid()).arg(++row);
        const QString path = PipeSocket::pathOf(pipe);
        const PipeSocket socket(path, listening, others ? 65534 : ::geteuid());
        QVERIFY(socket.made());

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KVILMAR_OFFICE_PIPE"), pipe);
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        QProcess fill;
        fill.setProcessEnvironment(env);
        fill.start(QStringLiteral(KVILMAR_EXE),
                   {"fill", folder_.write("t.txt", "A\r\n"), "--list", folder_.write("l.txt", "A\r\n"), "--set",
                    "A=B", "--out", folder_.file("out.txt")});
        const bool ended = fill.waitForFinished(60000);
        if (!ended)
            fill.kill();
        const QString told = QString::fromUtf8(fill.readAllStandardError());
        QVERIFY2(ended, "the fill command hangs");
        QVERIFY2(told.contains("LibreOffice не отвечает"), qPrintable(told));
        const QString refusal = QStringLiteral("Канал LibreOffice \"%1\" принадлежит пользователю nobody").arg(path);
        QVERIFY2(told.contains(refusal) == others, qPrintable(told));
        QVERIFY2(told.contains("по каналу \"" + pipe + "\"") != others, qPrintable(told));
        QVERIFY(!others || !socket.reached());
    }
};

KV_TEST_MAIN(FillingWaitTest)
#include "FillingWaitTest.moc"
