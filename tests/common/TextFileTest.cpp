#include "common/Codec1251.h"
#include "common/TextFile.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

class TextFileTest : public QObject {
    Q_OBJECT

private slots:
    void everyByteSurvivesRoundTrip()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(cp1251::fromUnicode(cp1251::toUnicode(all)), all);
    }

    void cyrillicAndForeignCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("alphabet ends") << QStringLiteral("АЯаяЁё") << QByteArray("\xC0\xDF\xE0\xFF\xA8\xB8");
        QTest::newRow("signs") << QStringLiteral("№«»–—€") << QByteArray("\xB9\xAB\xBB\x96\x97\x88");
        QTest::newRow("not in 1251") << QStringLiteral("a中b") << QByteArray("a?b");
        QTest::newRow("surrogate pair is one ?") << QString::fromUtf8("x\xF0\x9F\x98\x80y") << QByteArray("x?y");
    }
    void cyrillicAndForeignCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(cp1251::fromUnicode(text), bytes);
    }

    void lineRules_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a", "b"};
        QTest::newRow("lone cr") << QByteArray("a\rb") << QList<QByteArray>{"a", "b"};
        QTest::newRow("lone lf is text") << QByteArray("a\nb\r\nc") << QList<QByteArray>{"a\nb", "c"};
        QTest::newRow("ctrl-z ends") << QByteArray("a\r\nb\x1A\r\nc\r\n") << QList<QByteArray>{"a", "b"};
        QTest::newRow("empty lines") << QByteArray("\r\n\r\nx") << QList<QByteArray>{"", "", "x"};
        QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{};
    }
    void lineRules()
    {
        QFETCH(QByteArray, content);
        QFETCH(QList<QByteArray>, lines);
        TextLineReader reader(content);
        QList<QByteArray> read;
        while (!reader.atEnd())
            read << reader.readLine();
        QCOMPARE(read, lines);
        QCOMPARE(reader.readLine(), QByteArray());   // past the end: empty, no error
    }

    void writesCrLf()
    {
        TempFolder folder(false);
        QVERIFY(writeTextFile(folder.file("y.txt"), {"1", "", "\xC0"}));
        QCOMPARE(folder.read("y.txt"), QByteArray("1\r\n\r\n\xC0\r\n"));
    }

    // Each file of the program written on a disk that fills up: the writer
    // reports the failure, the old file stays whole and no temporary file is
    // left. The limit falls below and above QFile's 16 KB write buffer.
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("written");
        QTest::newRow("list in the buffer") << "list" << "l.fdp" << 5000 << 4096 << false;
        QTest::newRow("list past the buffer") << "list" << "l.fdp" << 40000 << 20000 << false;
        QTest::newRow("list, room enough") << "list" << "l.fdp" << 40000 << (1 << 20) << true;
        QTest::newRow("last files") << "lastfiles" << "nstrtxt.dan" << 3000 << 1024 << false;
        QTest::newRow("font") << "font" << "nstrfon.dan" << 0 << 100 << false;
        QTest::newRow("switches") << "switches" << "nstrbol.dan" << 0 << 1 << false;
        QTest::newRow("range") << "range" << "nstrint.dan" << 0 << 10 << false;
        QTest::newRow("range, room enough") << "range" << "nstrint.dan" << 0 << 1024 << true;
    }
    void fullDiskKeepsTheOldFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(int, size);
        QFETCH(int, limit);
        QFETCH(bool, written);
        TempFolder folder(false);
        const QByteArray old("old content\r\n");
        folder.write(name, old);
        QProcess writer;
        writer.start(QStringLiteral(KVILMAR_LIMITED_WRITER),
                     {QString::number(limit), kind, folder.file(name), QString::number(size)});
        QVERIFY(writer.waitForFinished(60000));
        QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer.exitCode(), written ? 0 : 3);   // 3: the writer reported the failure
        const qint64 meant = writer.readAllStandardOutput().trimmed().toLongLong();
        QVERIFY(meant > 0);
        if (written)
            QCOMPARE(QFileInfo(folder.file(name)).size(), meant);
        else
            QCOMPARE(folder.read(name), old);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    void folderIsNotAFile()
    {
        TempFolder folder(false);
        QVERIFY(!openTextFile(folder.path()));
        QVERIFY(!writeTextFile(folder.path(), {"x"}));
    }
};

KV_TEST_MAIN(TextFileTest)
#include "TextFileTest.moc"
