#include "support/TestMain.h"

#include "automatic/PendingOutput.h"
#include "common/KvilmarError.h"

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace automatic;

class PendingOutputTest : public QObject {
    Q_OBJECT

    static QByteArray contentOf(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }

private slots:
    void commitsIntoPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("existing");   // empty: no file there
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("error");
        QTest::newRow("new file") << "итог.pdf" << QByteArray() << false << QByteArray("new") << QString();
        QTest::newRow("a file appeared meanwhile") << "итог.pdf" << QByteArray("old") << false << QByteArray("old")
                                                   << "уже существует: он появился, пока документ делался";
        QTest::newRow("replaced when asked") << "итог.pdf" << QByteArray("old") << true << QByteArray("new") << QString();
        // No longer name than the target's is ever written beside it.
        QTest::newRow("name of 255 bytes") << QString(251, 'a') + ".pdf" << QByteArray() << false << QByteArray("new")
                                           << QString();
        QTest::newRow("name of 255 bytes, replaced") << QString(251, 'a') + ".pdf" << QByteArray("old") << true
                                                     << QByteArray("new") << QString();
        QTest::newRow("folder gone meanwhile") << "нет/итог.pdf" << QByteArray() << false << QByteArray("(none)")
                                               << "Не удается записать файл";
    }
    void commitsIntoPlace()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, existing);
        QFETCH(bool, replace);
        QFETCH(QByteArray, expected);
        QFETCH(QString, error);
        QTemporaryDir dir, staging;
        const QString target = dir.filePath(name);
        QString refused;
        {
            PendingOutput output(target, staging.path());
            QCOMPARE(QFileInfo(output.path()).absolutePath(), staging.path());
            QFile written(output.path());
            QVERIFY(written.open(QIODevice::WriteOnly));
            written.write("new");
            written.close();
            if (!existing.isEmpty()) {
                QFile other(target);
                QVERIFY(other.open(QIODevice::WriteOnly));
                other.write(existing);
            }
            try {
                output.commit(replace);
            } catch (const KvilmarError& e) {
                refused = e.text();
            }
        }
        QVERIFY2(error.isEmpty() ? refused.isEmpty() : refused.contains(error), qPrintable(refused));
        QCOMPARE(contentOf(target), expected);
        // Only the target is left, with the permissions of a new file, and
        // nothing in the staging folder.
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, expected == "(none)" ? QStringList() : QStringList{QFileInfo(target).fileName()});
        QCOMPARE(QDir(staging.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat info {};
        if (error.isEmpty()) {
            QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, 0666 & ~mask);
        }
    }
};

KV_TEST_MAIN(PendingOutputTest)
#include "PendingOutputTest.moc"
