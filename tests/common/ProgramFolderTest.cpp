#include "common/ProgramFolder.h"
#include "common/ProgramInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Where the settings files live: the override, a writable executable's
// folder, or the user's configuration folder of an installed program.
class ProgramFolderTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase()
    {
        QVERIFY(home_.isValid());
        // The user's folders of an empty home, named as the program names them.
        qputenv("HOME", home_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home_.path() + QStringLiteral("/config")).toLocal8Bit());
        QCoreApplication::setApplicationName(programInfo::name());
    }

    void chosenFolder_data()
    {
        QTest::addColumn<QString>("override");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("expected");
        QTest::newRow("writable executable's folder") << "" << true << "/opt/kv/bin/";
        QTest::newRow("installed: the user's folder") << "" << false << "@config/Квилмар/";
        QTest::newRow("override beats a writable folder") << "/data/kv" << true << "/data/kv/";
        QTest::newRow("override beats the user's folder") << "/data/kv/" << false << "/data/kv/";
    }

    void chosenFolder()
    {
        QFETCH(QString, override);
        QFETCH(bool, writable);
        QFETCH(QString, expected);
        qputenv("KVILMAR_PROGRAM_DIR", override.toLocal8Bit());
        expected.replace(QStringLiteral("@"), home_.path() + QLatin1Char('/'));
        QCOMPARE(programFolderFor(QStringLiteral("/opt/kv/bin"), writable), expected);
        qunsetenv("KVILMAR_PROGRAM_DIR");
    }

    void writableFolder_data()
    {
        QTest::addColumn<QString>("folder");   // "@" stands for a writable temporary folder
        QTest::addColumn<bool>("mayWrite");
        QTest::newRow("own writable folder") << "@" << true;
        QTest::newRow("missing folder") << "@missing" << false;
        QTest::newRow("installed in /usr/bin") << "/usr/bin" << false;
        QTest::newRow("installed in /usr/local/bin") << "/usr/local/bin/" << false;
    }

    void writableFolder()
    {
        QFETCH(QString, folder);
        QFETCH(bool, mayWrite);
        QTemporaryDir own;
        folder.replace(QStringLiteral("@"), own.path() + QLatin1Char('/'));
        // Root may write to /usr/bin; the program still keeps out of it.
        QCOMPARE(programMayWriteIn(folder), mayWrite);
    }

    void userFolderIsMadeAndIsTheStandardOne()
    {
        const QString folder = programFolderFor(QStringLiteral("/usr/bin"), false);
        QCOMPARE(folder, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QLatin1Char('/'));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void programFileIsNamedByTheFolder()
    {
        qputenv("KVILMAR_PROGRAM_DIR", "/data/kv");
        QCOMPARE(programFile(QStringLiteral("nstrbol.dan")), QStringLiteral("/data/kv/nstrbol.dan"));
        qunsetenv("KVILMAR_PROGRAM_DIR");
        // The test's own folder is writable: settings stay beside the executable.
        QCOMPARE(programFolder(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    }
};

QTEST_GUILESS_MAIN(ProgramFolderTest)
#include "ProgramFolderTest.moc"
