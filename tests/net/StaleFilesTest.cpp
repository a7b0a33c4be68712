#include "support/TempFolder.h"
#include "support/TestMain.h"

#include "common/Codec1251.h"
#include "common/PrivateFolder.h"
#include "common/SaveCopies.h"
#include "common/TraceLog.h"
#include "general/LastFiles.h"
#include "net/StaleFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// The id of a process that has ended.
QByteArray endedProcessId()
{
    QProcess process;
    process.start(QStringLiteral("true"));
    process.waitForFinished();
    return QByteArray::number(process.processId());
}

} // namespace

class StaleFilesTest : public QObject {
    Q_OBJECT

private slots:
    // What a start-up removes, and what it leaves: transfer folders of the
    // program's own, in its private folder; nothing of the shared temporary
    // folder, whatever the names there.
    void staleTransferFolders_data()
    {
        const QByteArray ended = endedProcessId();
        const QByteArray running = QByteArray::number(QCoreApplication::applicationPid());
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("kind");   // folder, nested, link, file
        QTest::addColumn<bool>("inTemp");       // in the temporary folder, not the private one
        QTest::addColumn<bool>("removed");
        QTest::newRow("of an ended process") << "kvilmar-" + ended + "-McgBnZ" << QByteArray("folder") << false << true;
        QTest::newRow("of a running process") << "kvilmar-" + running + "-McgBnZ" << QByteArray("folder") << false << false;
        QTest::newRow("not named by a process") << QByteArray("kvilmar-McgBnZ") << QByteArray("folder") << false << false;
        QTest::newRow("other name") << "kvilmarx-" + ended + "-McgBnZ" << QByteArray("folder") << false << false;
        QTest::newRow("holding a folder") << "kvilmar-" + ended + "-Nested" << QByteArray("nested") << false << false;
        QTest::newRow("a link to a folder") << "kvilmar-" + ended + "-LinkAB" << QByteArray("link") << false << false;
        QTest::newRow("a file") << "kvilmar-" + ended + "-FileAB" << QByteArray("file") << false << false;
        QTest::newRow("a user's kvilmar-N-backup in /tmp") << "kvilmar-" + ended + "-backup" << QByteArray("folder") << true << false;
        QTest::newRow("a user's kvilmar-N-Export in /tmp") << "kvilmar-" + ended + "-Export" << QByteArray("folder") << true << false;
    }
    void staleTransferFolders()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, kind);
        QFETCH(bool, inTemp);
        QFETCH(bool, removed);
        QTemporaryDir temp, cache;
        QTemporaryDir elsewhere;
        const QByteArray previousTemp = qgetenv("TMPDIR"), previousCache = qgetenv("XDG_CACHE_HOME");
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        const QString transfers = QFileInfo(staleFiles::transferFolderTemplate()).absolutePath();
        const QString path = (inTemp ? temp.path() : transfers) + QLatin1Char('/') + QString::fromLatin1(name);
        QFile::link(elsewhere.path(), elsewhere.filePath(QStringLiteral("self")));
        if (kind == "link") {
            QFile::link(elsewhere.path(), path);
        } else if (kind == "file") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else {
            QVERIFY(QDir().mkpath(kind == "nested" ? path + QStringLiteral("/inner") : path));
            QFile version(path + QStringLiteral("/kvilmar.iss"));
            QVERIFY(version.open(QIODevice::WriteOnly));
            version.write("1.0.0.40\r\n");
            QFile::link(elsewhere.path(), path + QStringLiteral("/link"));
        }
        QFile keep(elsewhere.filePath(QStringLiteral("keep")));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();

        staleFiles::cleanUpAtStartup();
        qputenv("TMPDIR", previousTemp);
        qputenv("XDG_CACHE_HOME", previousCache);
        QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), !removed);
        // Nothing a link points to is touched.
        QVERIFY(QFile::exists(elsewhere.filePath(QStringLiteral("keep"))));
    }

    // A transfer folder made from the template is in the program's private
    // folder and names this process; it stays while the process runs.
    void transferFolderNamesItsProcess()
    {
        QTemporaryDir folder(staleFiles::transferFolderTemplate());
        QVERIFY(folder.isValid());
        const QString transfers = QFileInfo(folder.path()).absolutePath();
        QCOMPARE(transfers, privateFolder::ownFolder(QStringLiteral("transfers")));
        QVERIFY(QFileInfo(folder.path()).fileName().startsWith(
            QStringLiteral("kvilmar-%1-").arg(QCoreApplication::applicationPid())));
        QVERIFY(!staleFiles::removeStaleTransferFolders(transfers).contains(folder.path()));
        QVERIFY(QFileInfo::exists(folder.path()));
    }

    // A start leaves the user's files beside the remembered list and the
    // settings files, whatever their names, and removes the copy a killed
    // save recorded; before that, the diagnostic mode's trace names it.
    void leftoverCopiesAreNamedInTheTrace()
    {
        TempFolder program;
        TempFolder home(false);
        const QByteArray previousHome = qgetenv("HOME"), previousCache = qgetenv("XDG_CACHE_HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qunsetenv("XDG_CACHE_HOME");
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Списки")));
        const QString list = home.write(QStringLiteral("Списки/мой.fdp"), "1\r\n19\r\n#FIO#\r\n\r\nИванов\r\n");
        const LastFiles remembered{list, QString()};
        QVERIFY(remembered.write(LastFiles::defaultFileName()));
        const QStringList users{home.make(QStringLiteral("Списки/мой.fdp.MyCopy"), "old"),
                                home.make(QStringLiteral("Списки/мой.fdp.McgBnZ"), "old"),
                                program.make(QStringLiteral("nstrbol.dan.BackUp"), "old")};
        QProcess killed;
        killed.start(QStringLiteral(KVILMAR_LIMITED_WRITER), {"1000000", "switches", program.file("nstrbol.dan"), "0", "kill"});
        QVERIFY(killed.waitForFinished(60000));
        QCOMPARE(killed.exitStatus(), QProcess::CrashExit);
        const QStringList copies = QDir(program.path()).entryList({QStringLiteral(".kvilmar-*")}, QDir::Files | QDir::Hidden);
        QCOMPARE(copies.size(), 1);

        setDiagnosticMode(DiagnosticMode::WordTrace);
        saveCopies::traceLeftoverCopies();
        setDiagnosticMode(DiagnosticMode::Off);
        QFile trace(traceLog::path());
        QVERIFY(trace.open(QIODevice::ReadOnly));
        QCOMPARE(trace.readAll(), cp1251::fromUnicode(program.file(copies.first()) + QStringLiteral("\r\n")));

        staleFiles::cleanUpAtStartup();
        QVERIFY(!QFile::exists(program.file(copies.first())));
        for (const QString& file : users)
            QVERIFY2(QFile::exists(file), qPrintable(file));
        qputenv("HOME", previousHome);
        qputenv("XDG_CACHE_HOME", previousCache);
    }
};

KV_TEST_MAIN(StaleFilesTest)
#include "StaleFilesTest.moc"
