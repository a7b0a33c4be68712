#include "common/Codec1251.h"
#include "common/TraceLog.h"
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
        Records records{{"#FIO#", "Иванов И.И.", "фамилия", false}, {"#13", "", "", true}};
        QVERIFY(listFile::writeListFile(folder.file("a.fdp"), records, true));
        QCOMPARE(folder.read("a.fdp"),
                 cp1251::fromUnicode("2\r\n19\r\n#FIO#\r\nфамилия\r\nИванов И.И.\r\n#13\r\n\r\n\r\n"));
        QVERIFY(listFile::writeListFile(folder.file("b.fdp"), records, false));
        QCOMPARE(folder.read("b.fdp"), cp1251::fromUnicode("2\r\n19\r\n#FIO#\r\nфамилия\r\n\r\n#13\r\n\r\n\r\n"));
        QVERIFY(listFile::encodingLosses(records, true).isEmpty());

        // Texts that 1251 lacks are named before a save, and only when saved.
        records << IdentifierRecord{"[Имя]", "Müller José Łukasz 😀", "м²", true};
        QCOMPARE(listFile::encodingLosses(records, false).section('\n', 1, 1), "3. [Имя]: «²»");
        QCOMPARE(listFile::encodingLosses(records, true).section('\n', 1, 1), "3. [Имя]: «²», «ü», «é», «Ł», «😀»");
        QVERIFY(listFile::writeListFile(folder.file("c.fdp"), records, true));
        QVERIFY(folder.read("c.fdp").endsWith(cp1251::fromUnicode("[Имя]\r\nм?\r\nM?ller Jos? ?ukasz ?\r\n")));
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
        QTest::newRow("lone lf ends a line") << QByteArray("2\n19\na\nc\nt\nb\n\n\n")
                                             << Records{{"a", "t", "c", true}, {"b", "", "", true}};
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
            records << IdentifierRecord{QString::number(i), "r", "c", true};
        QVERIFY(listFile::writeListFile(folder.file("f.fdp"), records, true));
        const auto read = listFile::readListFile(folder.file("f.fdp"), true);
        QVERIFY(read);
        QCOMPARE(*read, records);
        const auto withoutTexts = listFile::readListFile(folder.file("f.fdp"), false);
        QCOMPARE(withoutTexts->at(3).replacement, QString());
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
        QCOMPARE(read->last().identifier, QString("id49"));
        QCOMPARE(read->first(), (IdentifierRecord{"id0", "", "", true}));
        // Any extension but exactly ".fdp" is a plain identifier file.
        QCOMPARE(listFile::readAnyListFile(folder.write("P.FDP", content), true)->size(), 50);
    }

    // Files written on this platform: LF line ends, often UTF-8. Each kind
    // of file reads them as the same text as its CR LF 1251 form.
    void foreignFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("texts");
        const QByteArray fields = cp1251::fromUnicode(QStringLiteral("поле1|поле2|поле3"));
        const QStringList three{"поле1", "поле2", "поле3"};
        QTest::newRow("plain, 1251, LF") << "plain" << QByteArray(fields).replace('|', '\n') << three;
        QTest::newRow("plain, UTF-8, LF") << "plain" << QByteArray("поле1\nполе2\nполе3\n") << three;
        QTest::newRow("plain, UTF-8 with BOM, CR LF") << "plain" << QByteArray("\xEF\xBB\xBFполе1\r\nполе2\r\nполе3") << three;
        QTest::newRow("plain, 1251, CR LF") << "plain" << QByteArray(fields).replace("|", "\r\n") << three;
        QTest::newRow("plain, UTF-8 beyond 1251 kept whole") << "plain" << QByteArray("a中b\n€\nGüлнара Әлиева\n")
                                                            << QStringList{"a中b", "€", "Güлнара Әлиева"};
        QTest::newRow("plain, UTF-16 with BOM") << "plain" << QByteArray("\xFF\xFE[\0\x16\x04]\0\n\0\x3d\xd8\0\xde", 14)
                                               << QStringList{"[Ж]", "😀"};
        QTest::newRow("plain, ASCII") << "plain" << QByteArray("[A]\n[B]") << QStringList{"[A]", "[B]"};
        QTest::newRow("list, UTF-8, LF") << "list" << QByteArray("2\n19\n[ФИО]\nкто\nИванов\n[Дата]\n\n1 мая\n")
                                         << QStringList{"[ФИО]", "кто", "Иванов", "[Дата]", "", "1 мая"};
        QTest::newRow("replacements, UTF-8, LF") << "replacements" << QByteArray("один\n\nтри\n")
                                                 << QStringList{"один", "", "три"};
    }
    void foreignFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, texts);
        TempFolder folder;
        QStringList read;
        if (kind == "replacements") {
            const auto lines = listFile::readReplacementListFile(folder.write("r.txt", content), 10);
            QVERIFY(lines);
            read = *lines;
        } else {
            const auto records = kind == "list" ? listFile::readListFile(folder.write("l.fdp", content), true)
                                                : listFile::readPlainIdentifierFile(folder.write("p.txt", content));
            QVERIFY(records);
            for (const IdentifierRecord& r : *records) {
                read << r.identifier;
                if (kind == "list")
                    read << r.comment << r.replacement;
            }
        }
        QCOMPARE(read, texts);
    }

    void replacementListFile()
    {
        TempFolder folder;
        const QString name = folder.write("r.txt", "one\r\n\r\nthree\r\nfour\r\n");
        QCOMPARE(*listFile::readReplacementListFile(name, 3), (QStringList{"one", "", "three"}));
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

    // A path that 1251 cannot hold would come back as another name: it is
    // left out of nstrtxt.dan, and the diagnostic mode's trace says so.
    void pathsBeyond1251AreLeftOut_data()
    {
        QTest::addColumn<bool>("tracing");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("templ");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("trace");
        const QString cyrillic = QStringLiteral("/д/список.fdp");
        const QByteArray cyrillicLine = "1" + cp1251::fromUnicode(cyrillic) + "\r\n";
        QTest::newRow("both kept") << true << cyrillic << "/t.doc" << cyrillicLine + "2/t.doc\r\n" << QByteArray();
        QTest::newRow("template left out") << true << cyrillic << QStringLiteral("/文/t.doc")
                                           << cyrillicLine + "2\r\n" << QByteArray("700\r\n702\r\n799\r\n");
        QTest::newRow("both left out") << true << QStringLiteral("/ü/l€ß.fdp") << QStringLiteral("/☺.doc")
                                       << QByteArray("1\r\n2\r\n") << QByteArray("700\r\n701\r\n702\r\n799\r\n");
        QTest::newRow("no trace when not tracing") << false << QStringLiteral("/文.fdp") << QString()
                                                   << QByteArray("1\r\n2\r\n") << QByteArray();
    }
    void pathsBeyond1251AreLeftOut()
    {
        QFETCH(bool, tracing);
        QFETCH(QString, list);
        QFETCH(QString, templ);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, trace);
        TempFolder folder;
        TempFolder home(false);
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        setDiagnosticMode(tracing ? DiagnosticMode::WordTrace : DiagnosticMode::Off);
        const bool written = LastFiles{list, templ}.write(LastFiles::defaultFileName());
        setDiagnosticMode(DiagnosticMode::Off);
        qputenv("HOME", oldHome);
        QVERIFY(written);
        QCOMPARE(folder.read("nstrtxt.dan"), file);
        QCOMPARE(home.read("kvilmarerror.log"), trace);
        const LastFiles read = LastFiles::read(LastFiles::defaultFileName());
        QVERIFY(read.listFile == list || read.listFile.isEmpty());
        QVERIFY(read.templateFile == templ || read.templateFile.isEmpty());
    }
};

KV_TEST_MAIN(ListFileTest)
#include "ListFileTest.moc"
