#include "common/Codec1251.h"
#include "general/LastFiles.h"
#include "general/ListFile.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>

using Records = QList<IdentifierRecord>;

class ListFileTest : public QObject {
    Q_OBJECT

private slots:
    void writesByteForByte()
    {
        TempFolder folder;
        const Records records{{"#FIO#", "Иванов И.И.", "фамилия", false}, {"#13", "", "", true}};
        QVERIFY(listFile::writeListFile(folder.file("a.fdp"), records, true));
        QCOMPARE(folder.read("a.fdp"),
                 QByteArray("2\r\n19\r\n#FIO#\r\nфамилия\r\nИванов И.И.\r\n#13\r\n\r\n\r\n"));
        QVERIFY(listFile::writeListFile(folder.file("b.fdp"), records, false));
        QCOMPARE(folder.read("b.fdp"), QByteArray("2\r\n19\r\n#FIO#\r\nфамилия\r\n\r\n#13\r\n\r\n\r\n"));
    }

    void readsListFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Records>("records");
        const QByteArray long300(300, 'i'), long150(150, 'c');
        QTest::newRow("statuses come back on") << QByteArray("1\r\n19\r\na\r\nc\r\nt\r\n")
                                               << Records{{"a", "t", "c", true}};
        QTest::newRow("count says fewer") << QByteArray("2\r\n19\r\na\r\n\r\n\r\nb\r\n\r\n\r\nc\r\n\r\n\r\n")
                                          << Records{{"a", "", "", true}, {"b", "", "", true}};
        QTest::newRow("file ends early") << QByteArray("3\r\n19\r\na\r\nc\r\nt")
                                         << Records{{"a", "t", "c", true}, {}, {}};
        QTest::newRow("second line anything") << QByteArray("1\r\nxx\r\na\r\n\r\n\r\n") << Records{{"a", "", "", true}};
        QTest::newRow("long lines cut") << ("1\r\n19\r\n" + long300 + "\r\n" + long150 + "\r\nr\r\n")
                                        << Records{{long300.left(255), "r", long150.left(100), true}};
        QTest::newRow("lone lf in text") << QByteArray("1\r\n19\r\na\nb\r\n\r\nx\ny\r\n")
                                         << Records{{"a\nb", "x\ny", "", true}};
    }
    void readsListFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(Records, records);
        TempFolder folder;
        const auto read = listFile::readListFile(folder.write("l.fdp", content), true);
        QVERIFY(read);
        QCOMPARE(*read, records);
    }

    void refusesDamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("zero") << QByteArray("0\r\n19\r\n");
        QTest::newRow("52") << QByteArray("52\r\n19\r\n");
        QTest::newRow("word") << QByteArray("три\r\n19\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\x00\xFF\x13\x88garbage", 10);
        QTest::newRow("negative") << QByteArray("-1\r\n19\r\n");
    }
    void refusesDamagedFiles()
    {
        QFETCH(QByteArray, content);
        TempFolder folder;
        QVERIFY(!listFile::readListFile(folder.write("d.fdp", content), true));
    }

    void fiftyOneRecordsLoad()
    {
        TempFolder folder;
        Records records;
        for (int i = 0; i < 51; ++i)
            records << IdentifierRecord{QByteArray::number(i), "r", "c", true};
        QVERIFY(listFile::writeListFile(folder.file("f.fdp"), records, true));
        const auto read = listFile::readListFile(folder.file("f.fdp"), true);
        QVERIFY(read);
        QCOMPARE(*read, records);
        const auto withoutTexts = listFile::readListFile(folder.file("f.fdp"), false);
        QCOMPARE(withoutTexts->at(3).replacement, QByteArray());
    }

    void plainIdentifierFile()
    {
        TempFolder folder;
        QByteArray content;
        for (int i = 0; i < 60; ++i)
            content += "id" + QByteArray::number(i) + "\r\n\r\n";
        const auto read = listFile::readPlainIdentifierFile(folder.write("p.txt", content));
        QVERIFY(read);
        QCOMPARE(read->size(), 50);
        QCOMPARE(read->last().identifier, QByteArray("id49"));
        QCOMPARE(read->first(), (IdentifierRecord{"id0", "", "", true}));
        // Any extension but exactly ".fdp" is a plain identifier file.
        QCOMPARE(listFile::readAnyListFile(folder.write("P.FDP", content), true)->size(), 50);
    }

    void replacementListFile()
    {
        TempFolder folder;
        const QString name = folder.write("r.txt", "one\r\n\r\nthree\r\nfour\r\n");
        QCOMPARE(*listFile::readReplacementListFile(name, 3), (QList<QByteArray>{"one", "", "three"}));
        QCOMPARE(listFile::readReplacementListFile(name, 9)->size(), 4);
    }

    void unreadableNames()
    {
        TempFolder folder;
        QVERIFY(!listFile::readListFile(folder.path(), true));
        QVERIFY(!listFile::readPlainIdentifierFile(folder.file("missing.txt")));
    }

    void extensions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("saveName");
        QTest::newRow("plain") << "list" << "list.fdp";
        QTest::newRow("fdp") << "list.fdp" << "list.fdp";
        QTest::newRow("capital FDP") << "list.FDP" << "list.FDP.fdp";
        QTest::newRow("other") << "list.txt" << "list.txt.fdp";
        QTest::newRow("dot in folder") << "a.fdp/list" << "a.fdp/list.fdp";
    }
    void extensions()
    {
        QFETCH(QString, name);
        QFETCH(QString, saveName);
        QCOMPARE(listFile::withListExtension(name), saveName);
    }

    void lastFiles()
    {
        TempFolder folder;
        QCOMPARE(LastFiles::read(folder.file("nstrtxt.dan")).listFile, QString());
        folder.write("nstrtxt.dan", cp1251::fromUnicode(QStringLiteral("2/t/шаблон.doc\r\n\r\n1\r\nx/ignored\r\n1/l/список.fdp\r\n")));
        LastFiles files = LastFiles::read(folder.file("nstrtxt.dan"));
        QCOMPARE(files.listFile, QStringLiteral("/l/список.fdp"));
        QCOMPARE(files.templateFile, QStringLiteral("/t/шаблон.doc"));
        QVERIFY(files.write(LastFiles::defaultFileName()));
        QCOMPARE(folder.read("nstrtxt.dan"), QByteArray("1/l/\xF1\xEF\xE8\xF1\xEE\xEA.fdp\r\n2/t/\xF8\xE0\xE1\xEB\xEE\xED.doc\r\n"));
    }
};

KV_TEST_MAIN(ListFileTest)
#include "ListFileTest.moc"
