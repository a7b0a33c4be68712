#include "app/SingleInstance.h"
#include "support/TempFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

const QString kAnotherCopy = QStringLiteral("На Вашем компьютере уже запущена программа Квилмар!");

// The pid written in a lock file, or 0.
qint64 lockOwner(const QString& lockFile)
{
    QFile f(lockFile);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readLine().trimmed().toLongLong();
}

bool waitForLockOwner(const QString& lockFile, qint64 pid)
{
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        if (lockOwner(lockFile) == pid)
            return true;
        QTest::qWait(50);
    }
    return false;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

    TempFolder folder_{false};

    QString runtime() const { return folder_.file(QStringLiteral("runtime")); }

    // A copy of the program started as a user would, with a dialog seam that
    // writes every box to stderr instead of waiting for a click.
    void startProgram(QProcess& process)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        env.insert(QStringLiteral("KVILMAR_PROGRAM_DIR"), folder_.path());
        env.insert(QStringLiteral("KVILMAR_DIALOGS"), QStringLiteral("print"));
        env.insert(QStringLiteral("HOME"), folder_.path());
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(KVILMAR_EXE), {});
        QVERIFY(process.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(runtime()));
        QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void oneHolderAtATime()
    {
        TempFolder folder(false);
        auto first = std::make_unique<SingleInstanceGuard>(folder.path());
        SingleInstanceGuard second(folder.path());
        QVERIFY(first->acquire());
        QVERIFY(!second.acquire());
        first.reset();
        QVERIFY(second.acquire());
    }

    void aLockOfAGoneProcessIsTakenOver()
    {
        TempFolder folder(false);
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted());
        const qint64 gonePid = gone.processId();
        QVERIFY(gone.waitForFinished());
        // A lock as a copy leaves it when it crashes: its own content, with a pid that is gone.
        QByteArray content;
        {
            SingleInstanceGuard crashed(folder.path());
            QVERIFY(crashed.acquire());
            content = folder.read(QStringLiteral("KVILMAR_EXIST.lock"));
        }
        const qsizetype lineEnd = content.indexOf('\n');
        QVERIFY(lineEnd > 0);
        content.replace(0, lineEnd, QByteArray::number(gonePid));
        folder.write(QStringLiteral("KVILMAR_EXIST.lock"), content);
        SingleInstanceGuard guard(folder.path());
        QVERIFY(guard.acquire());
        QCOMPARE(lockOwner(guard.lockFileName()), QCoreApplication::applicationPid());
    }

    void aSecondCopyShowsTheMessageAndEnds()
    {
        const QString lockFile = runtime() + QStringLiteral("/KVILMAR_EXIST.lock");
        QProcess first;
        startProgram(first);
        QVERIFY2(waitForLockOwner(lockFile, first.processId()), "the first copy did not take the lock");

        QProcess second;
        startProgram(second);
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        const QString errors = QString::fromUtf8(second.readAllStandardError());
        QVERIFY2(errors.contains(QStringLiteral("Информация: ") + kAnotherCopy), qPrintable(errors));
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(lockOwner(lockFile), first.processId());

        // A copy that crashed leaves its lock behind; the next copy takes it over.
        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(QFile::exists(lockFile));
        QProcess third;
        startProgram(third);
        QVERIFY2(waitForLockOwner(lockFile, third.processId()), "the lock of the crashed copy was not taken over");
        QCOMPARE(third.state(), QProcess::Running);
        QVERIFY(!QString::fromUtf8(third.readAllStandardError()).contains(kAnotherCopy));
        third.kill();
        QVERIFY(third.waitForFinished());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
