// While a run waits for the office, the program's windows go on: events are
// processed, the window repaints, a busy cursor and the awaited step show.
// The office here is one that never answers.
#include "ListBuilder.h"
#include "TestHost.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include "common/Guard.h"
#include "filling/FillingRun.h"
#include "filling/office/LibreOfficeConnection.h"
#include "general/UnitVelGeneral.h"

#include <QComboBox>
#include <QCursor>
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
        qputenv("KVILMAR_OFFICE_PROGRAM", "/bin/true");
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
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            busySeen = busySeen || host.busy;
        });
        timer.start(50);
        dialogs_->answer(MessageAnswer::Ok);
        guarded([&] { runFilling(host, host.job()); });
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QVERIFY(busySeen);
        QVERIFY(!host.busy);
        QVERIFY2(host.waits.contains(kStarting), qPrintable(host.waits.join(", ")));
        QVERIFY(dialogs_->shown().first().text.startsWith("LibreOffice не отвечает"));
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
        guarded([&] { runFilling(*FormVelGeneral); });
        timer.stop();
        QVERIFY2(shown.contains(kStarting), qPrintable(shown.join(", ")));
        QVERIFY(cursors.contains(Qt::WaitCursor));
        QVERIFY2(counter.paints > 0, "the window did not repaint while waiting");
        QCOMPARE(FormVelGeneral->progressText(), QString("before"));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        delete FormVelGeneral;
        FormVelGeneral = nullptr;
    }
};

KV_TEST_MAIN(FillingWaitTest)
#include "FillingWaitTest.moc"
