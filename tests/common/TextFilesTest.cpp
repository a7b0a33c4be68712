#include "common/Codec1251.h"
#include "common/TextFile.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <QFile>

class TextFilesTest : public QObject {
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

    void folderIsNotAFile()
    {
        TempFolder folder(false);
        QVERIFY(!openTextFile(folder.path()));
        QVERIFY(!writeTextFile(folder.path(), {"x"}));
    }
};

KV_TEST_MAIN(TextFilesTest)
#include "TextFilesTest.moc"
