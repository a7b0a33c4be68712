#include "app/ListHandover.h"
#include "app/SingleInstance.h"
#include "common/PrivateFolder.h"
#include "common/ProgramVersion.h"
#include "support/TempFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <future>

#include <sys/stat.h>
#include <unistd.h>

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

bool waitForLockOwner(const QString& lockFile, const QProcess& owner)
{
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && owner.state() == QProcess::Running) {
        if (lockOwner(lockFile) == owner.processId())
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
    void startProgram(QProcess& process, const QProcessEnvironment& changes = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        env.insert(QStringLiteral("KVILMAR_PROGRAM_DIR"), folder_.path());
        env.insert(QStringLiteral("KVILMAR_DIALOGS"), QStringLiteral("print"));
        env.insert(QStringLiteral("HOME"), folder_.path());
        env.remove(QStringLiteral("XDG_CACHE_HOME"));
        env.insert(changes);
        if (changes.value(QStringLiteral("XDG_RUNTIME_DIR")) == QLatin1String("-"))
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
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

    // A later start hands a list's name to the copy that runs; a message too
    // long to be a name is cut off and taken for nothing.
    void handoverTakesAWholeName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("taken");
        QTest::newRow("list") << QStringLiteral("/дом/список замен.fdp") << true;
        QTest::newRow("too long") << QString(40000, QChar(0x0436)) << false;
    }

    void handoverTakesAWholeName()
    {
        QFETCH(QString, name);
        QFETCH(bool, taken);
        const QString socket = runtime() + QStringLiteral("/handover");
        // What a crashed copy left under the name is replaced.
        QFile left(socket);
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.close();
        ListHandover handover(socket);
        QStringList handed;
        connect(&handover, &ListHandover::fileHanded, this, [&](const QString& file) { handed << file; });
        QEventLoop loop;
        auto client = std::async(std::launch::async, [&] {
            const bool ok = ListHandover::handOver(socket, name);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            return ok;
        });
        loop.exec();
        QCOMPARE(client.get(), taken);
        QCOMPARE(handed, taken ? QStringList{name} : QStringList{});
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
        QVERIFY2(waitForLockOwner(lockFile, first), "the first copy did not take the lock");

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
        // So does the copy a save killed in a settings file recorded: it
        // goes; a file of the user's that only looks like one stays.
        const QString users = folder_.make(QStringLiteral("nstrbol.dan.McgBnZ"), "old");
        QProcess killed;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), folder_.path());
        env.remove(QStringLiteral("XDG_CACHE_HOME"));
        killed.setProcessEnvironment(env);
        killed.start(QStringLiteral(KVILMAR_LIMITED_WRITER), {"1000000", "switches", folder_.file("nstrbol.dan"), "0", "kill"});
        QVERIFY(killed.waitForFinished(60000));
        const QStringList copies = QDir(folder_.path()).entryList({QStringLiteral(".kvilmar-*")}, QDir::Files | QDir::Hidden);
        QCOMPARE(copies.size(), 1);
        QProcess third;
        startProgram(third);
        QVERIFY2(waitForLockOwner(lockFile, third), "the lock of the crashed copy was not taken over");
        QTRY_VERIFY(!QFile::exists(folder_.file(copies.first())));
        QVERIFY(QFile::exists(users));
        QCOMPARE(third.state(), QProcess::Running);
        QVERIFY(!QString::fromUtf8(third.readAllStandardError()).contains(kAnotherCopy));
        third.kill();
        QVERIFY(third.waitForFinished());
    }

    // The usage and the version are printed without a display.
    void commandLineAnswersWithoutADisplay()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        for (const QString option : {"--help", "-h", "--version", "-V"}) {
            QProcess program;
            program.setProcessEnvironment(env);
            program.start(QStringLiteral(KVILMAR_EXE), {option});
            QVERIFY(program.waitForFinished(60000));
            const QString out = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
            QVERIFY2(program.exitCode() == 0 && (option.contains('h') ? out.contains("\n  kvilmar fill ШАБЛОН --list")
                                                                      : out == "Квилмар " KVILMAR_VERSION "\n"),
                     qPrintable(option + ": " + out));
        }
    }

    // The lock lies in a folder only the user can reach, never under a name
    // another user can take first in the shared temporary folder.
    void theLockIsInAFolderOfTheUsersOwn_data()
    {
        QTest::addColumn<QString>("runtime");   // what XDG_RUNTIME_DIR names
        QTest::addColumn<bool>("lockThere");
        QTest::newRow("private runtime folder") << "private" << true;
        QTest::newRow("no runtime folder") << "-" << false;
        QTest::newRow("runtime folder open to all") << "open" << false;
        QTest::newRow("runtime folder of another user") << "others" << false;
    }

    void theLockIsInAFolderOfTheUsersOwn()
    {
        QFETCH(QString, runtime);
        QFETCH(bool, lockThere);
        if (::geteuid() != 0)
            QSKIP("giving folders to another user takes root");
        constexpr uid_t nobody = 65534;
        TempFolder home(false);
        // The shared temporary folder, where another user has taken every
        // name the lock used to fall back to.
        const QString shared = home.file("tmp");
        for (const QString& taken : {QStringLiteral("/KVILMAR_EXIST.lock"),
                                     QStringLiteral("/runtime-") + privateFolder::userName(::geteuid())}) {
            QVERIFY(QDir().mkpath(shared + taken));
            QCOMPARE(::chown(QFile::encodeName(shared + taken).constData(), nobody, nobody), 0);
        }
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
        const QString runtimeFolder = home.file(runtime);
        QVERIFY(QDir().mkpath(runtimeFolder));
        QCOMPARE(::chmod(QFile::encodeName(runtimeFolder).constData(), runtime == "open" ? 0777 : 0700), 0);
        if (runtime == "others")
            QCOMPARE(::chown(QFile::encodeName(runtimeFolder).constData(), nobody, nobody), 0);

        QProcessEnvironment changes;
        changes.insert("HOME", home.path());
        changes.insert("TMPDIR", shared);
        changes.insert("XDG_RUNTIME_DIR", runtime == "-" ? runtime : runtimeFolder);
        QProcess program;
        startProgram(program, changes);
        const QString place = lockThere ? runtimeFolder : home.file(".cache/kvilmar");
        bool locked = waitForLockOwner(place + QStringLiteral("/KVILMAR_EXIST.lock"), program);
        // So does the socket later starts hand list files over by, closed to others.
        struct stat st {};
        QTRY_VERIFY_WITH_TIMEOUT(!locked || ::stat(QFile::encodeName(place + "/KVILMAR_EXIST.socket").constData(), &st) == 0, 60000);
        locked = locked && S_ISSOCK(st.st_mode) && (st.st_mode & 077) == 0;
        program.kill();
        program.waitForFinished();
        QVERIFY2(locked, program.readAllStandardError().constData());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
