#include "AutomaticTestMain.h"

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
        QTest::addColumn<QByteArray>("existing");   // empty: no file there
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("error");
        QTest::newRow("new file") << QByteArray() << false << QByteArray("new") << QString();
        QTest::newRow("a file appeared meanwhile") << QByteArray("old") << false << QByteArray("old")
                                                   << "уже существует: он появился, пока документ делался";
        QTest::newRow("replaced when asked") << QByteArray("old") << true << QByteArray("new") << QString();
    }
    void commitsIntoPlace()
    {
        QFETCH(QByteArray, existing);
        QFETCH(bool, replace);
        QFETCH(QByteArray, expected);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString target = dir.filePath("итог.pdf");
        QString refused;
        {
            PendingOutput output(target);
            QVERIFY(QFileInfo(output.path()).fileName().startsWith(".итог.pdf."));
            QCOMPARE(QFileInfo(output.path()).absolutePath(), dir.path());
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
        // Only the target is left, with the permissions of a new file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"итог.pdf"});
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
        if (error.isEmpty())
            QCOMPARE(info.st_mode & 0777, 0666 & ~mask);
    }

    void folderGoneMeanwhileIsNamed()
    {
        QTemporaryDir dir;
        const QString gone = dir.filePath("папка");
        try {
            PendingOutput output(gone + "/a.pdf");
            QFAIL("a file was made in a folder that is not there");
        } catch (const KvilmarError& e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("В папке \"%1\" не удается создать файл для \"a.pdf\"").arg(gone)),
                     qPrintable(e.text()));
        }
    }
};

KV_AUTOMATIC_TEST_MAIN(PendingOutputTest)
#include "PendingOutputTest.moc"
