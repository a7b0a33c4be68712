#include "common/Codec1251.h"
#include "common/SaveCopies.h"
#include "common/TextFile.h"
#include "filling/FillingRules.h"
#include "filling/RangeFile.h"
#include "common/TraceLog.h"
#include "general/LastFiles.h"
#include "general/ListFile.h"
#include "settings/SettingsFiles.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

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

    // Every reader of the program's files meets a named pipe, a device and a
    // file too large for its kind: it ends at once and says why, and a
    // settings file taken for missing is traced in the diagnostic mode.
    void specialFilesAreRefused_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QByteArray>("kind");   // as TempFolder::make takes it
        QTest::addColumn<QString>("reason");    // empty: refused without a word
        QTest::addColumn<QByteArray>("trace");
        const QString pipe("это именованный канал, а не обычный файл"), device("это устройство, а не обычный файл");
        QTest::newRow("list, pipe") << "list" << QByteArray("fifo") << pipe << QByteArray();
        QTest::newRow("list, 1 MB and a byte") << "list" << QByteArray("1048577") << "файл слишком велик (больше 1 МБ)" << QByteArray();
        QTest::newRow("plain, pipe") << "plain" << QByteArray("fifo") << pipe << QByteArray();
        QTest::newRow("replacements, /dev/zero") << "replacements" << QByteArray("zero") << device << QByteArray();
        QTest::newRow("last files, pipe") << "nstrtxt.dan" << QByteArray("fifo") << "" << QByteArray("710\r\n711\r\n715\r\n799\r\n");
        QTest::newRow("last files, 64 KB and a byte") << "nstrtxt.dan" << QByteArray("65537") << "" << QByteArray("710\r\n711\r\n716\r\n799\r\n");
        QTest::newRow("font, device") << "nstrfon.dan" << QByteArray("zero") << "" << QByteArray("710\r\n712\r\n715\r\n799\r\n");
        QTest::newRow("switches, pipe") << "nstrbol.dan" << QByteArray("fifo") << "" << QByteArray("710\r\n713\r\n715\r\n799\r\n");
        QTest::newRow("range, device") << "nstrint.dan" << QByteArray("zero") << device << QByteArray("710\r\n714\r\n715\r\n799\r\n");
        QTest::newRow("template, pipe") << "template" << QByteArray("fifo") << pipe << QByteArray();
        QTest::newRow("template, 100 MB and a byte") << "template" << QByteArray("104857601") << "больше 100 МБ" << QByteArray();
        QTest::newRow("template, 70 MB packed in 70 KB, its sizes told small")
            << "template" << QByteArray("packed") << "это архив, сжатый больше чем в 100 раз" << QByteArray();
    }
    void specialFilesAreRefused()
    {
        QFETCH(QString, reader);
        QFETCH(QByteArray, kind);
        QFETCH(QString, reason);
        QFETCH(QByteArray, trace);
        TempFolder folder;
        TempFolder home(false);
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        const QString path = folder.make(reader.startsWith("nstr") ? reader : QStringLiteral("file"), kind);
        setDiagnosticMode(DiagnosticMode::WordTrace);
        QString why;   // what the reader says
        bool read = false;
        if (reader == "list")
            read = listFile::readListFile(path, true, &why).has_value();
        else if (reader == "plain")
            read = listFile::readPlainIdentifierFile(path, &why).has_value();
        else if (reader == "replacements")
            read = listFile::readReplacementListFile(path, 3, &why).has_value();
        else if (reader == "template")
            why = filling::unusableTemplate(path);
        else if (reader == "nstrint.dan")
            why = readRangeFile(path).error;
        else if (reader == "nstrtxt.dan")
            read = !LastFiles::read(path).listFile.isEmpty();
        else
            read = reader == "nstrfon.dan" ? settingsFiles::readFont(path) != FontRecord{}
                                           : settingsFiles::readSwitches(path) != Switches{};
        setDiagnosticMode(DiagnosticMode::Off);
        qputenv("HOME", oldHome);
        QVERIFY(!read);
        QVERIFY2(reason.isEmpty() ? why.isEmpty() : why.contains(reason), qPrintable(why));
        QCOMPARE(home.read("kvilmarerror.log"), trace);
    }

    // Beside a list, the user's own files of any name survive a save and the
    // clean-up of a start; only the copy a save that was cut off recorded
    // goes, and never one of a save still going on.
    void leftoverSaveCopies_data()
    {
        QTest::addColumn<QString>("name");   // a file of the user's beside list.fdp, written an hour ago
        QTest::addColumn<QString>("cut");    // how the save of list.fdp is cut, as kvilmar_limited_writer takes it
        QTest::newRow("a user's .MyCopy") << "list.fdp.MyCopy" << "";
        QTest::newRow("a user's .BackUp") << "list.fdp.BackUp" << "";
        QTest::newRow("a user's .JanFeb, save killed") << "list.fdp.JanFeb" << "kill";
        QTest::newRow("a user's file named as a copy") << ".kvilmar-0123456789ab" << "";
        QTest::newRow("killed when its copy was named") << "" << "kill";
        QTest::newRow("killed, no files without a name") << "" << "kill-named";
        QTest::newRow("another run still saving") << "" << "wait";
    }
    void leftoverSaveCopies()
    {
        QFETCH(QString, name);
        QFETCH(QString, cut);
        TempFolder folder(false), cache(false);
        const QByteArray previousCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        const QByteArray old("1\r\n19\r\n#OLD#\r\n\r\n\r\n");
        const QString list = folder.write("list.fdp", old);
        QStringList expected{"list.fdp"};
        if (!name.isEmpty())
            expected << QFileInfo(folder.make(name, "old")).fileName();
        QProcess writer;
        writer.start(QStringLiteral(KVILMAR_LIMITED_WRITER),
                     QStringList{"1073741824", "list", list, "100"} + (cut.isEmpty() ? QStringList() : QStringList{cut}));
        QByteArray told;
        while (cut == "wait" && !told.contains("named\n") && writer.waitForReadyRead(60000))
            told += writer.readAllStandardOutput();
        if (cut != "wait")
            QVERIFY(writer.waitForFinished(60000));
        const QStringList removed = saveCopies::removeLeftoverCopies();
        writer.closeWriteChannel();
        QVERIFY(writer.state() == QProcess::NotRunning || writer.waitForFinished(60000));
        qputenv("XDG_CACHE_HOME", previousCache);
        QCOMPARE(removed.size(), cut.startsWith("kill") ? 1 : 0);
        QCOMPARE(folder.read("list.fdp") == old, cut.startsWith("kill"));
        QDir files(folder.path());
        files.setSorting(QDir::Name);
        expected.sort();
        QCOMPARE(files.entryList(QDir::Files | QDir::Hidden), expected);
        QCOMPARE(QDir(cache.file("kvilmar/saves")).entryList(QDir::Files | QDir::Hidden), QStringList());
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
