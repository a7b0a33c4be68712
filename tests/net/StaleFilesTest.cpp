#include "support/TempFolder.h"
#include "support/TestMain.h"

#include "common/Codec1251.h"
#include "filling/TraceLog.h"
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
    // What a start-up removes from the temporary folder, and what it leaves.
    void staleTransferFolders_data()
    {
        const QByteArray ended = endedProcessId();
        const QByteArray running = QByteArray::number(QCoreApplication::applicationPid());
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("kind");   // folder, nested, link, file
        QTest::addColumn<bool>("removed");
        QTest::newRow("of an ended process") << "kvilmar-" + ended + "-McgBnZ" << QByteArray("folder") << true;
        QTest::newRow("of a running process") << "kvilmar-" + running + "-McgBnZ" << QByteArray("folder") << false;
        QTest::newRow("not named by a process") << QByteArray("kvilmar-McgBnZ") << QByteArray("folder") << false;
        QTest::newRow("other name") << "kvilmarx-" + ended + "-McgBnZ" << QByteArray("folder") << false;
        QTest::newRow("holding a folder") << "kvilmar-" + ended + "-Nested" << QByteArray("nested") << false;
        QTest::newRow("a link to a folder") << "kvilmar-" + ended + "-LinkAB" << QByteArray("link") << false;
        QTest::newRow("a file") << "kvilmar-" + ended + "-FileAB" << QByteArray("file") << false;
    }
    void staleTransferFolders()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, kind);
        QFETCH(bool, removed);
        QTemporaryDir temp;
        QTemporaryDir elsewhere;
        const QString path = temp.filePath(QString::fromLatin1(name));
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

        const QStringList gone = staleFiles::removeStaleTransferFolders(temp.path());
        QCOMPARE(gone, removed ? QStringList{path} : QStringList());
        QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), !removed);
        // Nothing a link points to is touched.
        QVERIFY(QFile::exists(elsewhere.filePath(QStringLiteral("keep"))));
    }

    // A transfer folder made from the template names this process; it
    // stays while the process runs.
    void transferFolderNamesItsProcess()
    {
        QTemporaryDir folder(staleFiles::transferFolderTemplate());
        QVERIFY(folder.isValid());
        QCOMPARE(QFileInfo(folder.path()).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QVERIFY(QFileInfo(folder.path()).fileName().startsWith(
            QStringLiteral("kvilmar-%1-").arg(QCoreApplication::applicationPid())));
        QVERIFY(!staleFiles::removeStaleTransferFolders(QDir::tempPath()).contains(folder.path()));
        QVERIFY(QFileInfo::exists(folder.path()));
    }

    // The clean-up of transfer folders leaves copies beside the remembered
    // list and the settings files alone; in the diagnostic mode the trace
    // log names them.
    void leftoverCopiesAreNamedInTheTrace()
    {
        TempFolder program;
        TempFolder home(false);
        const QByteArray previousHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Списки")));
        const QString list = home.write(QStringLiteral("Списки/мой.fdp"), "1\r\n19\r\n#FIO#\r\n\r\nИванов\r\n");
        const LastFiles remembered{list, QString()};
        QVERIFY(remembered.write(LastFiles::defaultFileName()));
        const QString listCopy = home.write(QStringLiteral("Списки/мой.fdp.McgBnZ"), "1\r\n19\r\n");
        const QString settingsCopy = program.write(QStringLiteral("nstrbol.dan.AbwzCd"), QByteArray(2, '\1'));

        setDiagnosticMode(DiagnosticMode::Off);
        staleFiles::cleanUpAtStartup();
        QVERIFY(!QFile::exists(traceLog::path()));

        setDiagnosticMode(DiagnosticMode::WordTrace);
        staleFiles::traceLeftoverCopies();
        setDiagnosticMode(DiagnosticMode::Off);
        QFile trace(traceLog::path());
        QVERIFY(trace.open(QIODevice::ReadOnly));
        QCOMPARE(trace.readAll(), cp1251::fromUnicode(listCopy + QStringLiteral("\r\n") + settingsCopy
                                                      + QStringLiteral("\r\n")));
        QVERIFY(QFile::exists(listCopy));
        QVERIFY(QFile::exists(settingsCopy));
        qputenv("HOME", previousHome);
    }
};

KV_TEST_MAIN(StaleFilesTest)
#include "StaleFilesTest.moc"
