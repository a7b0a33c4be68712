// The fill command as a user runs it: the built program, each run starting
// an office of its own (no office answers on the pipe the tests name),
// stopped by signals, killed, or writing onto a disk that fills up.
#include "support/TestMain.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int kRows = 300;

} // namespace

class FillProcessTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    // The processes whose command line names this test's folder: the
    // offices the runs started (their profiles are under it) and the runs.
    QList<qint64> processesOfTheTest() const
    {
        QList<qint64> found;
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile cmdline("/proc/" + entry + "/cmdline");
            if (entry.toLongLong() != ::getpid() && cmdline.open(QIODevice::ReadOnly)
                && cmdline.readAll().contains(dir_.path().toUtf8()))
                found << entry.toLongLong();
        }
        return found;
    }

    // The offices among them: those started with a profile.
    QList<qint64> offices() const
    {
        QList<qint64> found;
        for (qint64 pid : processesOfTheTest()) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("-env:UserInstallation="))
                found << pid;
        }
        return found;
    }

    bool allGone(const QList<qint64>& processes) const
    {
        for (int i = 0; i < 100; ++i) {
            if (std::none_of(processes.begin(), processes.end(), [](qint64 pid) { return ::kill(pid, 0) == 0; }))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    void start(QProcess& fill, const QStringList& arguments, const QString& out, const QString& shell = {},
               const QString& table = "d.csv") const
    {
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        const QStringList command = QStringList{KVILMAR_EXE, "fill", path("t.txt"), "--list", path("l.txt"), "--data",
                                                path(table), "--out", out + "/{N}.pdf", "--report", path("r.csv")}
                                  + arguments;
        if (shell.isEmpty()) {
            fill.start(command.first(), command.mid(1));
        } else {
            // A shell in a mount namespace of its own, as root: the output
            // folder becomes a small disk of its own.
            QStringList quoted;
            for (const QString& c : command)
                quoted << "'" + c + "'";
            fill.start("unshare", {"-m", "sh", "-c", shell.arg(out, quoted.join(' '))});
        }
        QVERIFY(fill.waitForStarted());
    }

    // True once a run holds its place (FillSlot.h): its signals are answered.
    bool runIsUp() const
    {
        QFile lock(path(".cache/kvilmar/fill/1/lock"));
        if (!lock.open(QIODevice::ReadWrite))
            return false;
        const bool held = ::flock(lock.handle(), LOCK_EX | LOCK_NB) != 0;
        return held;
    }

    // Waits until the folder holds `count` files (false if the run ended).
    static bool filesAppear(QProcess& fill, const QString& folder, int count)
    {
        while (QDir(folder).entryList(QDir::Files).size() < count)
            if (fill.waitForFinished(100))
                return false;
        return true;
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", dir_.path().toUtf8());
        qputenv("KVILMAR_PROGRAM_DIR", dir_.path().toUtf8());
        qputenv("KVILMAR_OFFICE_PIPE", QByteArray("kvilmar_process_test_") + QByteArray::number(::getpid()));
        qunsetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_CACHE_HOME");
        QFile text(path("t.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Договор № [N] для [ФИО]\r\n");
        text.close();
        QFile list(path("l.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("[N]\r\n[ФИО]\r\n");
        list.close();
        QFile table(path("d.csv"));
        QVERIFY(table.open(QIODevice::WriteOnly));
        table.write("[N];[ФИО]\n");
        for (int n = 1; n <= kRows; ++n)
            table.write(QString("%1;Клиент %1 %2\n").arg(n).arg(QString(200, QChar(0x416 + n % 20))).toUtf8());
        table.close();
        // Long enough to read that a signal finds the run reading it.
        QFile big(path("big.csv"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write("[N];[ФИО]\n");
        for (int n = 1; n <= 100000; ++n)
            big.write(QByteArray::number(n) + ";Клиент\n");
    }

    void cleanup()
    {
        // Nothing a run started outlives the test.
        for (qint64 pid : processesOfTheTest())
            ::kill(pid, SIGKILL);
    }

    // However a run is stopped, it leaves no office behind, nothing half
    // made in its folder and nothing staged, and it ends (at once, or after
    // the document being made).
    void answersSignalsAtEveryStage_data()
    {
        QTest::addColumn<QString>("stage");   // "inputs", "office" or the files to wait for
        QTest::addColumn<QList<int>>("sent");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("rightAway");   // ends without finishing the batch's summary
        QTest::newRow("reading the inputs, SIGINT") << "inputs" << QList<int>{SIGINT} << QStringList{} << true;
        QTest::newRow("starting the office, SIGTERM") << "office" << QList<int>{SIGTERM} << QStringList{} << true;
        QTest::newRow("between documents, SIGHUP") << "3" << QList<int>{SIGHUP} << QStringList{} << false;
        QTest::newRow("workers starting their offices, SIGINT")
            << "office" << QList<int>{SIGINT} << QStringList{"--jobs", "2"} << false;
        QTest::newRow("between documents of two workers, SIGTERM")
            << "3" << QList<int>{SIGTERM} << QStringList{"--jobs", "2"} << false;
        QTest::newRow("a second signal, SIGINT twice") << "3" << QList<int>{SIGINT, SIGINT} << QStringList{"--jobs", "2"}
                                                      << true;
        // The office frozen: the document in progress is cut after a few
        // seconds, not waited for as long as a call may take.
        QTest::newRow("the office hangs, SIGINT") << "frozen" << QList<int>{SIGINT} << QStringList{} << false;
        QTest::newRow("two workers' offices hang, SIGTERM")
            << "frozen" << QList<int>{SIGTERM} << QStringList{"--jobs", "2"} << false;
    }
    void answersSignalsAtEveryStage()
    {
        QFETCH(QString, stage);
        QFETCH(QList<int>, sent);
        QFETCH(QStringList, options);
        QFETCH(bool, rightAway);
        const QString out = path("signalled");
        QFile::remove(path("r.csv"));
        QProcess fill;
        start(fill, options, out, {}, stage == "inputs" ? "big.csv" : "d.csv");
        if (stage == "inputs")
            while (!runIsUp() && !fill.waitForFinished(10)) {
            }
        else if (stage == "office")
            while (processesOfTheTest().size() < 2 && !fill.waitForFinished(20)) {
            }
        else
            QVERIFY(filesAppear(fill, out, stage == "frozen" ? 3 : stage.toInt()));
        const QList<qint64> started = processesOfTheTest();
        if (stage == "frozen")
            for (qint64 pid : offices())
                ::kill(static_cast<pid_t>(pid), SIGSTOP);
        for (int signal : sent) {
            ::kill(static_cast<pid_t>(fill.processId()), signal);
            QThread::msleep(30);
        }
        QVERIFY(fill.waitForFinished(60000));
        const QString told = QString::fromUtf8(fill.readAllStandardError());
        QCOMPARE(fill.exitCode(), 1);
        QVERIFY2(told.contains("Работа прервана.") && told.contains("Сделано документов:") != rightAway, qPrintable(told));
        QVERIFY(allGone(started));
        QVERIFY(processesOfTheTest().isEmpty());
        const QStringList files = QDir(out).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(std::all_of(files.begin(), files.end(), [](const QString& f) { return !f.startsWith('.'); }),
                 qPrintable(files.join(' ')));
        QVERIFY(files.size() < kRows);
        QVERIFY(QDir(path(".cache/kvilmar/fill/1/staging")).isEmpty());
        if (!rightAway) {
            QFile report(path("r.csv"));
            QVERIFY(report.open(QIODevice::ReadOnly));
            QCOMPARE(report.readAll().count('\n'), kRows + 1);
        }
    }

    // Under any locale, and with a cache folder written with "//", the
    // office the run starts reads and writes Cyrillic paths; an office
    // already answering that cannot read them is not used.
    void fillsInAnyEnvironment_data()
    {
        QTest::addColumn<QStringList>("environment");   // NAME=value; "NAME=" takes it away
        QTest::addColumn<bool>("officeUnderC");   // the windows' office answers, started under LANG=C
        const QStringList c{"LANG=C", "LC_ALL=", "LC_CTYPE="};
        QTest::newRow("LANG=C") << c << false;
        QTest::newRow("LC_ALL=C over a UTF-8 LANG") << QStringList{"LANG=C.UTF-8", "LC_ALL=C"} << false;
        QTest::newRow("a locale not installed") << QStringList{"LANG=ru_RU.UTF-8", "LC_ALL=", "LC_CTYPE="} << false;
        QTest::newRow("cache folder written with //, LANG=C")
            << c + QStringList{"XDG_CACHE_HOME=/" + dir_.path() + "/кэш"} << false;
        QTest::newRow("the windows' office under LANG=C") << QStringList{} << true;
    }
    void fillsInAnyEnvironment()
    {
        QFETCH(QStringList, environment);
        QFETCH(bool, officeUnderC);
        QProcess windows;
        struct Ended {
            QProcess& office;
            ~Ended()
            {
                if (office.processId() > 0)
                    ::kill(-static_cast<pid_t>(office.processId()), SIGKILL);
                office.waitForFinished();
            }
        } ended{windows};
        if (officeUnderC) {
            // Started as a user might, on the pipe where the command looks.
            QProcessEnvironment c = QProcessEnvironment::systemEnvironment();
            c.insert("LANG", "C");
            c.remove("LC_ALL");
            windows.setProcessEnvironment(c);
            const QString pipe = qEnvironmentVariable("KVILMAR_OFFICE_PIPE");
            windows.start("setsid", {"soffice", "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
                                     "--accept=pipe,name=" + pipe + ";urp;",
                                     "-env:UserInstallation=file://" + path("windows-profile")});
            while (!QFileInfo::exists(QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(::getuid()).arg(pipe)))
                QVERIFY(!windows.waitForFinished(100));
        }
        QDir().mkpath(path("Шаблоны"));
        QFile::remove(path("Шаблоны/договор.txt"));
        QVERIFY(QFile::copy(path("t.txt"), path("Шаблоны/договор.txt")));
        QFile table(path("данные.csv"));
        QVERIFY(table.open(QIODevice::WriteOnly));
        table.write("[N];[ФИО]\n1;Иванов\n2;Петров\n");
        table.close();
        const QString out = path("Договоры");
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : environment) {
            const QString name = entry.section('=', 0, 0), value = entry.section('=', 1);
            value.isEmpty() ? env.remove(name) : env.insert(name, value);
        }
        QProcess fill;
        fill.setProcessEnvironment(env);
        fill.start(KVILMAR_EXE, {"fill", path("Шаблоны/договор.txt"), "--list", path("l.txt"), "--data",
                                 path("данные.csv"), "--out", out + "/{N}.pdf"});
        QVERIFY(fill.waitForFinished(120000));
        const QString told = QString::fromUtf8(fill.readAllStandardError());
        QVERIFY2(fill.exitCode() == 0, qPrintable(told));
        QVERIFY2(told.contains("Запущен LibreOffice без окон"), qPrintable(told));
        QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{"1.pdf", "2.pdf"}));
        // The run's own office is gone; the windows' runs on.
        QList<qint64> started = processesOfTheTest();
        started.removeIf([](qint64 pid) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("windows-profile");
        });
        QVERIFY(allGone(started));
    }

    // A run killed at once leaves its office; the next run, whatever it
    // does, ends that office and makes the rest.
    void officeOfAKilledRunIsEnded()
    {
        const QString out = path("killed");
        QProcess fill;
        start(fill, {}, out);
        QVERIFY(filesAppear(fill, out, 3));
        ::kill(static_cast<pid_t>(fill.processId()), SIGKILL);
        QVERIFY(fill.waitForFinished());
        const QList<qint64> left = processesOfTheTest();
        QVERIFY(!left.isEmpty());
        // The office's temporary folder is in the run's place, not in /tmp.
        const QDir temporary(path(".cache/kvilmar/fill/1/profile/tmp"));
        QCOMPARE(temporary.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
        QFile record(path(".cache/kvilmar/fill/1/office"));
        QVERIFY(record.open(QIODevice::ReadOnly));
        const QString socket = QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(::getuid()).arg(QString(record.readAll()).section('\n', 1, 1));
        QVERIFY2(QFileInfo::exists(socket), qPrintable(socket));
        QProcess next;
        next.start(KVILMAR_EXE, {"fill", path("t.txt"), "--list", path("l.txt"), "--data", path("d.csv"), "--out",
                                 out + "/{N}.pdf", "--rows", "1-10", "--skip-existing"});
        QVERIFY(next.waitForFinished(120000));
        QVERIFY2(next.exitCode() == 0, next.readAllStandardError().constData());
        QVERIFY(allGone(left));
        // Nothing of that office is left: not its temporary files, not its
        // pipe's socket.
        QVERIFY(temporary.entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
        QVERIFY(!QFileInfo::exists(socket));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\.")), QStringList());
    }

    // Two runs started together each start and end an office of their own.
    void runsStartedTogetherLeaveNoOffice()
    {
        QProcess first, second;
        start(first, {"--rows", "1-20"}, path("first"));
        start(second, {"--rows", "1-20"}, path("second"));
        QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
        QCOMPARE(first.exitCode() + second.exitCode(), 0);
        QVERIFY(allGone(processesOfTheTest()));
    }

    // The first document the disk cannot take stops the batch with a reason
    // the user can act on; nothing of the run is left on that disk.
    void fullOrReadOnlyDiskStopsTheBatch_data()
    {
        QTest::addColumn<QString>("shell");   // %1 the folder, %2 the command
        QTest::addColumn<QString>("reason");
        // Exit 9: a hidden file of the run was left on that disk.
        const QString after = "; code=$?; ls -A %1 | grep -q '^[.]' && exit 9; exit $code";
        QTest::newRow("disk full") << "mount -t tmpfs -o size=96k tmpfs %1 && %2" + after << "нет места на диске.";
        QTest::newRow("made read-only mid-batch")
            << "mount -t tmpfs tmpfs %1 && { %2 & while [ ! -e %1/002.pdf ] && kill -0 $! 2>/dev/null; do sleep 0.05; done; "
               "mount -o remount,ro %1; wait $!" + after + "; }"
            << "диск доступен только для чтения.";
    }
    void fullOrReadOnlyDiskStopsTheBatch()
    {
        QFETCH(QString, shell);
        QFETCH(QString, reason);
        if (::geteuid() != 0 || QProcess::execute("unshare", {"-m", "true"}) != 0)
            QSKIP("needs root and unshare for a disk of its own");
        const QString out = path("disk");
        QProcess filling;
        start(filling, {"--rows", "1-30"}, out, shell);
        QVERIFY(filling.waitForFinished(120000));
        const QString told = QString::fromUtf8(filling.readAllStandardError());
        QCOMPARE(filling.exitCode(), 1);
        QVERIFY2(told.contains(reason) && told.contains("Не делались:"), qPrintable(told));
        QCOMPARE(told.count("не сделан: "), 1);
        QVERIFY(processesOfTheTest().isEmpty());
    }
};

KV_TEST_MAIN(FillProcessTest)
#include "FillProcessTest.moc"
