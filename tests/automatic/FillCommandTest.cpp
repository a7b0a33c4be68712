#include "support/CapturedConsole.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include "automatic/BatchReport.h"
#include "automatic/FillCommand.h"
#include "automatic/ParallelFill.h"
#include "common/KvilmarError.h"

#include <QTemporaryDir>

#include <unistd.h>

using namespace automatic;

namespace {

// Makes nothing; remembers what it was asked, and fails the documents named.
class FakeOffice : public FillOffice {
public:
    // Output file names that fail; workers take theirs from the environment.
    QStringList failing = qEnvironmentVariable("KV_FAKE_FAILING").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool sheetFails = false;
    QStringList made;           // "file: ID=TEXT, ..."
    LeftIdentifiers left;       // what every document is said to leave

    DataTable readSheet(const QString& fileName, const QString&) override
    {
        if (sheetFails)
            throw KvilmarError(QStringLiteral("Не удается открыть файл \"%1\"").arg(fileName));
        return tableFromSheet(fileName, {{"[a]"}, {"из листа"}});
    }
    FillResult makeDocument(const FillJob& job, const PlannedDocument& document, bool) override
    {
        const QString name = QFileInfo(document.output).fileName();
        if (!QFileInfo(document.output).dir().exists())
            throw KvilmarError(QStringLiteral("нет папки"));
        if (failing.contains(name))
            throw KvilmarError(QStringLiteral("LibreOffice перестал отвечать\nи был запущен снова"));
        QStringList texts;
        for (const IdentifierRecord& r : job.records)
            texts << r.identifier + QLatin1Char('=') + r.replacement;
        for (const QStringList& item : job.items.items)
            texts << QStringLiteral("item ") + item.join(QLatin1Char('/'));
        made << name + QStringLiteral(": ") + texts.join(QStringLiteral(", "));
        return FillResult{true, {}, {}, left, {}};
    }
};

} // namespace

class FillCommandTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    void put(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    int run(const QStringList& arguments, FakeOffice& office, CapturedConsole& console)
    {
        QStringList full{"kvilmar", "fill"};
        for (const QString& a : arguments)
            full << (a.startsWith(QLatin1Char('-')) || a.contains(QLatin1Char('=')) || a.contains(QLatin1Char(':'))
                         ? a : path(a));
        return runFillCommand(full, office, console);
    }

private slots:
    void initTestCase()
    {
        qputenv("KVILMAR_PROGRAM_DIR", dir_.path().toUtf8());
        put("t.odt", "template");
        put("l.fdp", "1\r\n19\r\n[a]\r\n\r\nlist\r\n");
        put("d.csv", "[a]\r\nx\r\n\"y\r\nz\"\r\n");
        put("d.ods", "sheet");
        put("u.csv", "[a];[zz]\r\nx;1\r\ny;2\r\n");
        put("bell.csv", "[a]\r\nx\r\n\xd0\x9f\a\xd1\x80\r\nz\r\n");
        put("li.fdp", "2\r\n19\r\n[a]\r\n\r\n\r\n[g]\r\n\r\n\r\n");
        put("sum.csv", "[a]\r\n15\r\n12a\r\n");
        put("i.csv", "[a];[g]\r\n15;стол\r\n99;шкаф\r\n15;стул\r\n");
        put("many.csv", "[a]\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
    }

    void runsTheBatch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("made");
        QTest::addColumn<QStringList>("told");   // lines stderr must hold, %1 the folder
        QTest::newRow("all made") << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--out", "a{N}.pdf"}
                                  << QStringList{} << int(kAllMade)
                                  << QStringList{"a1.pdf: [a]=x", "a2.pdf: [a]=y\rz"}
                                  << QStringList{"[1/2] %1a1.pdf (строка 2) — ", "[2/2] %1a2.pdf (строка 3) — ",
                                                 "Сделано документов: 2 из 2."};
        QTest::newRow("one failed, the next still made")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--out", "b{N}.pdf"}
            << QStringList{"b1.pdf"} << int(kSomeFailed) << QStringList{"b2.pdf: [a]=y\rz"}
            << QStringList{"[1/2] %1b1.pdf (строка 2) — не сделан: LibreOffice перестал отвечать и был запущен снова",
                           "Сделано документов: 1 из 2.", "Не сделано: 1.",
                           "  %1b1.pdf (строка 2): LibreOffice перестал отвечать и был запущен снова"};
        QTest::newRow("a control character costs its row")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "bell.csv", "--out", "f{N}.pdf"}
            << QStringList{} << int(kSomeFailed) << QStringList{"f1.pdf: [a]=x", "f3.pdf: [a]=z"}
            << QStringList{"[2/3] %1f2.pdf (строка 3) — не сделан: замена для «[a]» содержит управляющий символ U+0007",
                           "Сделано документов: 2 из 3."};
        QTest::newRow("an amount that is none costs its row; items no row takes are told at the end")
            << QStringList{"t.odt", "--list", "li.fdp", "--data", "sum.csv", "--words", "[w]=[a]", "--items", "i.csv",
                           "--key=[a]", "--out", "g{N}.pdf"}
            << QStringList{} << int(kSomeFailed)
            << QStringList{"g1.pdf: [a]=15, [g]=, [w]=Пятнадцать рублей 00 копеек, item стол, item стул"}
            << QStringList{"[2/2] %1g2.pdf (строка 3) — не сделан: «[w]» не вычислить: текст «12a» у «[a]» — не сумма "
                           "(Недопустимый формат числа!)",
                           "Таблица \"%1i.csv\", строка 3: ключ «99» не назван ни в одном документе"};
        QTest::newRow("all failed") << QStringList{"t.odt", "--list", "l.fdp", "--set", "[a]=s", "--out", "c.pdf"}
                                    << QStringList{"c.pdf"} << int(kSomeFailed) << QStringList{}
                                    << QStringList{"Сделано документов: 0 из 1.", "  %1c.pdf: LibreOffice"};
        QTest::newRow("missing folders made first")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--out", "Договоры/{[a]}/{N}.pdf",
                           "--report", "отчёты/1.csv"}
            << QStringList{} << int(kAllMade) << QStringList{"1.pdf: [a]=x", "2.pdf: [a]=y\rz"}
            << QStringList{"[1/2] %1Договоры/x/1.pdf (строка 2) — ", "Сделано документов: 2 из 2."};
        QTest::newRow("sheet table") << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.ods", "--out", "e{N}.pdf"}
                                     << QStringList{} << int(kAllMade) << QStringList{"e1.pdf: [a]=из листа"}
                                     << QStringList{"Сделано документов: 1 из 1."};
        QTest::newRow("bad arguments") << QStringList{"t.odt", "--list"} << QStringList{} << int(kBadInput)
                                       << QStringList{}
                                       << QStringList{"После параметра --list не указано значение.",
                                                      "Справка: kvilmar fill --help"};
        // The old report stays, and the message says why the new one could not be written.
        QTest::newRow("report onto a full disk")
            << QStringList{"t.odt", "--list", "l.fdp", "--set", "[a]=s", "--out", "h.pdf", "--report", "full/r.csv"}
            << QStringList{} << int(kSomeFailed) << QStringList{"h.pdf: [a]=s"}
            << QStringList{"Не удается записать отчёт \"", "Причина: нет места на диске."};
        QTest::newRow("unreadable input") << QStringList{"t.odt", "--list", "none.fdp"} << QStringList{}
                                          << int(kBadInput) << QStringList{}
                                          << QStringList{"Файл списка идентификаторов \"%1none.fdp\" не найден."};
    }
    void runsTheBatch()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, failing);
        QFETCH(int, exitCode);
        QFETCH(QStringList, made);
        QFETCH(QStringList, told);
        TempFolder disk(false);
        const bool fullDisk = arguments.contains("full/r.csv");
        if (fullDisk) {
            if (!disk.mountSmallDisk())
                QSKIP("a small disk of our own needs the right to mount");
            disk.write("r.csv", "old");
            disk.sealSmallDisk(false);
            QVERIFY(QFile::link(disk.path(), path("full")));
        }
        FakeOffice office;
        office.failing = failing;
        CapturedConsole console;
        QCOMPARE(run(arguments, office, console), exitCode);
        QCOMPARE(disk.read("r.csv"), QByteArray(fullDisk ? "old" : ""));
        QCOMPARE(office.made, made);
        QVERIFY(console.outText.isEmpty());
        QVERIFY2(!console.errText.contains(QLatin1Char('\x1b')), qPrintable(console.errText));
        const QStringList lines = console.errText.split(QLatin1Char('\n'));
        for (const QString& line : told) {
            const QString expected = line.arg(dir_.path() + QLatin1Char('/'));
            QVERIFY2(std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(expected); }),
                     qPrintable(console.errText + "\nexpected: " + expected));
        }
    }

    void saysWhatWasLeft()
    {
        FakeOffice office;
        office.left = {{"[z]", "[zz]"}, {"[a]"}};
        CapturedConsole console;
        QCOMPARE(run({"t.odt", "--list", "l.fdp", "--data", "u.csv", "--out", "g{N}.pdf"}, office, console), int(kAllMade));
        const QStringList lines = console.errText.split(QLatin1Char('\n'));
        // A column the list does not name is told as such, not as missing
        // from the template.
        QCOMPARE(lines.at(0), QStringLiteral("Таблица \"%1\", строка 1: столбец 2 называет «[zz]», а в списке \"%2\" "
                                             "такого идентификатора нет.")
                                  .arg(path("u.csv"), path("l.fdp")));
        QCOMPARE(lines.count(QStringLiteral("Нет в шаблоне: «[z]».")), 1);
        QVERIFY2(lines.at(2) == QStringLiteral("Нет в шаблоне: «[z]»."), qPrintable(console.errText));
        for (const QString& line : {lines.at(1), lines.at(3)})
            QVERIFY2(line.endsWith(QStringLiteral(" с. Остались в документе: «[a]»")), qPrintable(line));
    }

    // The report is in the table's order whatever order the documents end
    // in, so several workers give the same as one.
    void reportsEveryRow_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        const QStringList one{"--jobs", "1"};
        QTest::newRow("one office") << one << int(kSomeFailed);
        QTest::newRow("two workers") << QStringList{"--jobs", "2"} << int(kSomeFailed);
        QTest::newRow("three workers, a slice") << QStringList{"--jobs", "3", "--rows", "3-9"} << int(kSomeFailed);
        QTest::newRow("made before and made now") << QStringList{"--jobs", "2", "--skip-existing"} << int(kSomeFailed);
    }
    void reportsEveryRow()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        const QString folder = path(QTest::currentDataTag());
        QDir().mkpath(folder);
        QFile(path("r.csv")).remove();
        if (options.contains("--skip-existing"))
            put(QString(QTest::currentDataTag()) + "/r2.pdf", "old");
        FakeOffice office;
        office.left = {{}, {"[a]"}};
        office.failing = {"r4.pdf"};
        CapturedConsole console;
        qputenv("KV_FAKE_FAILING", "r4.pdf");
        const int code = runFillCommand(QStringList{"kvilmar", "fill", path("t.odt"), "--list", path("l.fdp"), "--data",
                                                    path("many.csv"), "--out", folder + "/r{N}.pdf", "--report", path("r.csv")}
                                            + options,
                                        office, console, {QCoreApplication::applicationFilePath(), {"--fake-worker"}});
        qunsetenv("KV_FAKE_FAILING");
        QCOMPARE(code, exitCode);
        QFile report(path("r.csv"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QStringList expected{"номер;файл;сделан;почему не сделан;остались в документе"};
        const int first = options.contains("--rows") ? 3 : 1;
        for (int n = first; n <= 7; ++n) {
            const QString reason = n == 4 ? "LibreOffice перестал отвечать и был запущен снова" : "";
            const bool before = n == 2 && options.contains("--skip-existing");
            expected << QStringLiteral("%1;%2/r%1.pdf;%3;%4;%5")
                            .arg(n)
                            .arg(folder, n == 4 ? "нет" : "да", reason,
                                 n == 4 || before ? "" : "«[a]»");
        }
        const QByteArray bytes = report.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));   // UTF-8, whatever the spreadsheet's code page
        QCOMPARE(QString::fromUtf8(bytes.mid(3)).split('\n', Qt::SkipEmptyParts), expected);
        QVERIFY2(console.errText.contains(QStringLiteral("Сделано документов: %1 из %2").arg(8 - first - 1).arg(8 - first)),
                 qPrintable(console.errText));
    }

    void sheetThatCannotBeReadMakesNothing()
    {
        FakeOffice office;
        office.sheetFails = true;
        CapturedConsole console;
        QCOMPARE(run({"t.odt", "--list", "l.fdp", "--data", "d.ods"}, office, console), int(kBadInput));
        QVERIFY(office.made.isEmpty());
        QCOMPARE(console.errText, QStringLiteral("Не удается открыть файл \"%1\"\n").arg(path("d.ods")));
    }

    void helpGoesToStandardOutput()
    {
        FakeOffice office;
        CapturedConsole console;
        QCOMPARE(run({"--help"}, office, console), int(kAllMade));
        QCOMPARE(console.outText, fillHelpText());
        QVERIFY(console.errText.isEmpty());
    }

    void terminalGetsAProgressBar()
    {
        FakeOffice office;
        CapturedConsole console;
        console.terminal = true;
        QCOMPARE(run({"t.odt", "--list", "l.fdp", "--data", "d.csv", "--out", "f{N}.pdf"}, office, console),
                 int(kAllMade));
        QVERIFY2(console.errText.startsWith(QStringLiteral("\r\x1b[K[") + QString(30, QLatin1Char('-'))
                                            + QStringLiteral("] 0/2\r\x1b[K[1/2] ")),
                 qPrintable(console.errText));
        QVERIFY(console.errText.contains(QStringLiteral("\r\x1b[K[") + QString(15, QLatin1Char('#'))
                                         + QString(15, QLatin1Char('-')) + QStringLiteral("] 1/2, осталось около ")));
    }

    void drawsProgress_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<QString>("bar");
        QTest::newRow("start") << 0 << 4 << qint64(0) << "[----------] 0/4";
        QTest::newRow("estimate from the mean") << 1 << 4 << qint64(20000) << "[##--------] 1/4, осталось около 1:00";
        QTest::newRow("hours") << 1 << 3 << qint64(1800000) << "[###-------] 1/3, осталось около 1:00:00";
        QTest::newRow("done") << 4 << 4 << qint64(5000) << "[##########] 4/4";
    }
    void drawsProgress()
    {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(qint64, elapsed);
        QFETCH(QString, bar);
        QCOMPARE(progressBar(done, total, elapsed, 10), bar);
    }

    void reportsEachDocumentAndTheEnd()
    {
        const JobOutcome made{"out/1.pdf", 2, true, {}, 2140, false, {}};
        const JobOutcome lost{"out/2.pdf", 0, false, "офис\r\nупал", 50, false, {}};
        QCOMPARE(progressLine(1, 40, made), QStringLiteral("[1/40] out/1.pdf (строка 2) — 2,1 с"));
        QCOMPARE(progressLine(2, 40, lost), QStringLiteral("[2/40] out/2.pdf — не сделан: офис упал"));
        QCOMPARE(summaryText({made, lost}, 95349),
                 QStringLiteral("Сделано документов: 1 из 2.\nНе сделано: 1.\n  out/2.pdf: офис упал\n"
                                "Затраченное время: 95,3 с\n"));
        // What a spreadsheet would take for a formula gets an apostrophe.
        const JobOutcome formula{"=1+1.pdf", 0, false, "-5", 0, false, {}, 3, {"@x"}};
        const JobOutcome quoted{"'a;b.pdf", 0, true, {}, 0, false, {}, 4, {}};
        QCOMPARE(reportCsv({made, formula, quoted}),
                 QByteArray("\xEF\xBB\xBFномер;файл;сделан;почему не сделан;остались в документе\n0;out/1.pdf;да;;\n"
                            "3;'=1+1.pdf;нет;'-5;«@x»\n4;\"''a;b.pdf\";да;;\n"));
        QCOMPARE(exitCodeFor({made}), int(kAllMade));
        QCOMPARE(exitCodeFor({made, lost}), int(kSomeFailed));
    }
};

// Started with --fake-worker, the test is a worker of the command that
// makes nothing (ParallelFill.h).
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    if (argc > 1 && QByteArray(argv[1]) == "--fake-worker") {
        FakeOffice office;
        office.left = {{}, {"[a]"}};
        serveJobs(office, STDIN_FILENO, STDOUT_FILENO);
        return 0;
    }
    FillCommandTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "FillCommandTest.moc"
