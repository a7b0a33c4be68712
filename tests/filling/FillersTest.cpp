// The fillers and the Start command against a recording office double.
#include "RecordingOffice.h"
#include "support/ListBuilder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestHost.h"
#include "support/TestMain.h"

#include "common/windows/Guard.h"
#include "filling/ExcelFiller.h"
#include "filling/FillingRules.h"
#include "filling/windows/FillingRun.h"
#include "filling/LineBreakEscape.h"
#include "common/TraceLog.h"
#include "filling/WordFiller.h"
#include "filling/office/connection/LibreOfficeSettings.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QByteArray traceLines(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& line : lines)
        out += line + "\r\n";
    return out;
}

QByteArray readLog()
{
    QFile log(traceLog::path());
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray("<no log>");
}

} // namespace

class FillersTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    RecordingOffice office_;
    QScopedPointer<ScriptedDialogs> dialogs_;

    // Runs the Start command as the main window does, guarded.
    void start(TestHost& host) { guarded([&] { runFilling(host, host.job()); }); }

private slots:
    void initTestCase()
    {
        qputenv("HOME", folder_.path().toLocal8Bit());
        installFillingServer(&office_);
    }

    void cleanupTestCase() { installFillingServer(nullptr); }

    void init()
    {
        office_ = RecordingOffice();
        dialogs_.reset(new ScriptedDialogs);
        setDiagnosticMode(DiagnosticMode::Off);
        QFile::remove(traceLog::path());
    }

    void cleanup()
    {
        KV_VERIFY_DIALOGS(*dialogs_);
        dialogs_.reset();
    }

    void lineBreakEscape_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("converted");
        QTest::newRow("none") << QString("abc") << QString("abc");
        QTest::newRow("one") << QString("a#13b") << QString("a\rb");
        QTest::newRow("every one") << QString("ул. Ленина#13д. 1#13кв. 5") << QString("ул. Ленина\rд. 1\rкв. 5");
        QTest::newRow("broken escape") << QString("#1 3#") << QString("#1 3#");
        QTest::newRow("empty") << QString() << QString();
    }

    void lineBreakEscape()
    {
        QFETCH(QString, text);
        QFETCH(QString, converted);
        QCOMPARE(convertLineBreak(text), converted);
    }

    void wordCallsInListOrder()
    {
        setList({{"one#13two", "1#132#13"}, {"off", "x", false}, {"три", ""}});
        TestHost host;
        host.name = "/t/шаблон.doc";
        fillWord(host, office_, host.job());
        QCOMPARE(office_.actions(), QStringList({
            "create Word.Application",
            "Visible(true)",
            "FileOpen(/t/шаблон.doc)",
            "FindEach(one<CR>two, три)",
            "EditReplace(Find=one<CR>two, Replace=1<CR>2<CR>, ReplaceAll=true)",
            "EditReplace(Find=три, Replace=, ReplaceAll=true)",
            "FindEach(one<CR>two, три)",
            "release Word",
        }));
        QVERIFY(!QFile::exists(traceLog::path()));
    }

    void wordTrace_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QByteArray>("log");
        QTest::newRow("three records, second off") << QString() << traceLines({
            "500", "535", "536", "537", "538",
            "539", "0", "540", "541", "542", "543",
            "539", "1",
            "539", "2", "540", "541", "542", "543",
            "544", "545", "599"});
        QTest::newRow("office does not start") << "create" << traceLines({
            "500", "598", "refused: create Word.Application", "599"});
        QTest::newRow("template does not open") << "FileOpen" << traceLines({
            "500", "535", "536", "598", "refused: FileOpen(t.doc)", "599"});
        QTest::newRow("replace refused") << "EditReplace(Find=c" << traceLines({
            "500", "535", "536", "537", "538",
            "539", "0", "540", "541", "542", "543",
            "539", "1",
            "539", "2", "540", "541", "542",
            "598", "refused: EditReplace(Find=c, Replace=3, ReplaceAll=true)", "599"});
    }

    void wordTrace()
    {
        QFETCH(QString, failing);
        QFETCH(QByteArray, log);
        setList({{"a", "1"}, {"b", "2", false}, {"c", "3"}});
        if (!failing.isEmpty())
            office_.failing << failing;
        TestHost host;
        host.name = "t.doc";
        bool failed = false;
        try {
            fillWord(host, office_, host.job(true));
        } catch (const KvilmarError&) {
            failed = true;
        }
        QCOMPARE(failed, !failing.isEmpty());
        QCOMPARE(readLog(), log);
        QVERIFY(!traceLog::isOpen());
    }

    void twoTracedRunsKeepOnlyTheLast()
    {
        TestHost host;
        host.name = "t.doc";
        setList({{"a", "1"}, {"b", "2"}});
        fillWord(host, office_, host.job(true));
        setList({{"a", "1"}});
        fillWord(host, office_, host.job(true));
        QCOMPARE(readLog(), traceLines({"500", "535", "536", "537", "538", "539", "0", "540", "541", "542",
                                        "543", "544", "545", "599"}));
    }

    void unwritableTraceLogStopsBeforeTheOffice()
    {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", (folder_.path() + "missing/folder").toLocal8Bit());
        setList({{"a", "1"}});
        TestHost host;
        host.name = "t.doc";
        QVERIFY_THROWS_EXCEPTION(KvilmarError, fillWord(host, office_, host.job(true)));
        qputenv("HOME", home);
        QVERIFY(office_.calls.isEmpty());
    }

    void excelProgressForFourRecords()
    {
        setList({{"a", "1"}, {"b", "2", false}, {"c#13", "3"}, {"d", "4"}});
        TestHost host;
        host.name = "/t/книга.xls";
        host.range = {1, "B2:C5"};
        fillExcel(host, office_, host.job());
        QCOMPARE(host.progress, QStringList({"Идет подготовка к работе...", "Выполнено: 0 %",
                                             "Выполнено: 25,0 %  ", "Выполнено: 50,0 %  ",
                                             "Выполнено: 75,0 %  ", "Выполнено: 100,0 %  ", ""}));
        QCOMPARE(host.repaints, 1);
        const QStringList search{"findEach(a, c<CR>, d)"};
        const QStringList expected = QStringList{"create Excel.Application", "Add(/t/книга.xls)"}
                                     + search
                                     + QStringList{"Worksheets(1)", "range(B2:C5)",
                                                   "cellsHoldingAny(a, c<CR>, d)",
                                                   "replace(a, 1)", "replace(c<CR>, 3)", "replace(d, 4)"}
                                     + search + QStringList{"visible(true)", "release Excel"};
        QCOMPARE(office_.actions(), expected);
    }

    void excelFailingSheetEndsTheReplacingQuietly()
    {
        setList({{"a", "1"}, {"b", "2"}});
        office_.sheets = 1;
        TestHost host;
        host.name = "k.xls";
        host.range = {3, "A1:A10"};
        fillExcel(host, office_, host.job());
        QCOMPARE(host.progress, QStringList({"Идет подготовка к работе...", "Выполнено: 0 %",
                                             "Выполнено: 16,7 %  ", "Выполнено: 33,3 %  ", ""}));
        QCOMPARE(office_.calls.filter("replace(").size(), 2);
        QCOMPARE(office_.calls.filter("Worksheets(").last(), QString("Worksheets(2)"));
        QCOMPARE(office_.calls.mid(office_.calls.size() - 2), QStringList({"visible(true)", "release Excel"}));
    }

    // Whatever ends the filler early, the status panel is left empty.
    void excelFailureEndsTheRun_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<bool>("lost");
        QTest::addColumn<QStringList>("progress");
        QTest::newRow("template does not open") << "Add" << false
                                                << QStringList{"Идет подготовка к работе...", ""};
        QTest::newRow("office gone while replacing") << "replace(b" << true
            << QStringList{"Идет подготовка к работе...", "Выполнено: 0 %", "Выполнено: 50,0 %  ", ""};
    }

    void excelFailureEndsTheRun()
    {
        QFETCH(QString, failing);
        QFETCH(bool, lost);
        QFETCH(QStringList, progress);
        setList({{"a", "1"}, {"b", "2"}});
        (lost ? office_.lost : office_.failing) << failing;
        TestHost host;
        host.name = "k.xls";
        host.range = {1, "A1:A10"};
        QVERIFY_THROWS_EXCEPTION(KvilmarError, fillExcel(host, office_, host.job()));
        QCOMPARE(host.progress, progress);
        QVERIFY(!office_.calls.contains("visible(true)"));
    }

    void excelRangeCancelledStartsNothing()
    {
        setList({{"a", "1"}});
        TestHost host;
        host.name = folder_.write("c.xls", "x");
        host.confirmRange = false;
        start(host);   // no box: the run ends quietly
        QCOMPARE(host.rangeWindowShown, 1);
        QCOMPARE(office_.calls, QStringList{"opensAsSpreadsheet"});
        QVERIFY(host.progress.isEmpty());
    }

    void startChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("kind");
        QTest::newRow("no template, no list") << "" << 0 << "Необходимо указать имя файла шаблона документа!"
                                              << int(MessageKind::Information);
        QTest::newRow("missing template") << "missing.doc" << 1 << "Имя файла указано не верно!"
                                          << int(MessageKind::Error);
        QTest::newRow("folder") << "." << 1 << "Имя файла указано не верно!" << int(MessageKind::Error);
        QTest::newRow("empty template") << "empty.doc" << 1 << "Файл шаблона \"%1empty.doc\" пуст: в нем нечего заполнять."
                                        << int(MessageKind::Error);
        QTest::newRow("empty list") << "t.doc" << 0 << "Не задан ни один идентификатор для замены!"
                                    << int(MessageKind::Information);
        // No document format can hold it, and the office may die of it.
        QTest::newRow("control character") << "t.doc" << 2
                                           << "Запись 2: замена для «[Т]» содержит управляющий символ U+0007, а его нельзя "
                                              "записать в документ. Уберите его из текста замены."
                                           << int(MessageKind::Error);
    }

    void startChecks()
    {
        QFETCH(QString, name);
        QFETCH(int, records);
        QFETCH(QString, message);
        QFETCH(int, kind);
        folder_.write("t.doc", "x");
        folder_.write("empty.doc", "");
        setList(QList<Entry>{{"a", "b"}, {"[Т]", "x\ay"}}.mid(0, records));
        TestHost host;
        host.name = name.isEmpty() ? QString() : folder_.file(name);
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(dialogs_->shownTexts(), QStringList{message.contains("%1") ? message.arg(folder_.file(QString())) : message});
        QCOMPARE(int(dialogs_->shown().first().kind), kind);
        QVERIFY(office_.calls.isEmpty());
    }

    // What the office makes of the template decides, not its name.
    void dispatchByWhatTheOfficeOpens_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("spreadsheet");
        QTest::addColumn<QString>("created");
        QTest::newRow("xls") << "t.xls" << true << "create Excel.Application";
        QTest::newRow("XLS") << "C.XLS" << true << "create Excel.Application";
        QTest::newRow("workbook named .doc") << "t.doc" << true << "create Excel.Application";
        QTest::newRow("text named .xls") << "t.xls" << false << "create Word.Application";
        QTest::newRow("no extension") << "t" << false << "create Word.Application";
        QTest::newRow("rtf") << "t.rtf" << false << "create Word.Application";
    }

    void dispatchByWhatTheOfficeOpens()
    {
        QFETCH(QString, name);
        QFETCH(bool, spreadsheet);
        QFETCH(QString, created);
        const QString path = folder_.write(name, "x");
        office_.spreadsheets = spreadsheet ? QStringList{path} : QStringList{"elsewhere"};
        setList({{"a", "b", false}});   // every record off: the run still goes through
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(office_.calls.mid(0, 2), QStringList({"opensAsSpreadsheet", created}));
        QCOMPARE(host.rangeWindowShown, spreadsheet ? 1 : 0);
        QCOMPARE(dialogs_->shown().size(), 1);
        QVERIFY(dialogs_->shown().first().text.startsWith("Работа закончена!\nЗатраченное время: "));
        QVERIFY(!host.busy);
    }

    void completionBoxSaysWhatWasLeft_data()
    {
        QTest::addColumn<QStringList>("missing");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("said");
        QStringList many;
        for (int i = 1; i <= 12; ++i)
            many << QString("ИД%1").arg(i);
        QTest::newRow("nothing to say") << QStringList{} << QStringList{} << "";
        QTest::newRow("both") << QStringList{"b"} << QStringList{"c<CR>"}
                              << "\n\nНет в шаблоне: «b»\nОстались в документе: «c#13»";
        QTest::newRow("only left") << QStringList{} << QStringList{"a"} << "\n\nОстались в документе: «a»";
        QTest::newRow("more than ten") << many << QStringList{}
                                       << "\n\nНет в шаблоне: «ИД1», «ИД2», «ИД3», «ИД4», «ИД5», «ИД6», "
                                          "«ИД7», «ИД8», «ИД9», «ИД10» и еще 2";
    }

    void completionBoxSaysWhatWasLeft()
    {
        QFETCH(QStringList, missing);
        QFETCH(QStringList, left);
        QFETCH(QString, said);
        QList<Entry> entries{{"a", "1"}, {"b", "2"}, {"c#13", "3"}, {"off", "4", false}, {"a", "5"}};
        for (int i = 1; i <= 12; ++i)
            entries << Entry{QString("ИД%1").arg(i), "x"};
        setList(entries);
        for (QString text : missing + left)
            (missing.contains(text) ? office_.missingFromTemplate : office_.leftInDocument)
                << text.replace("<CR>", "\r");
        TestHost host;
        host.name = folder_.write("t.doc", "x");
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        const QString box = dialogs_->shown().first().text;
        QVERIFY2(box.startsWith("Работа закончена!\nЗатраченное время: "), qPrintable(box));
        QCOMPARE(box.mid(box.indexOf(" с") + 2), said);
    }

    void traceNamesWhatWasLeft()
    {
        setList({{"a", "1"}, {"b", "2"}, {"c", "3"}});
        office_.missingFromTemplate << "b";
        office_.leftInDocument << "c" << "a";
        TestHost host;
        host.name = "t.doc";
        fillWord(host, office_, host.job(true));
        QVERIFY2(readLog().endsWith("544\r\n546\r\nb\r\n547\r\na\r\n547\r\nc\r\n545\r\n599\r\n"), readLog());
    }

    void tracedOnlyInWordTraceMode()
    {
        const QString path = folder_.write("t.doc", "x");
        setList({{"a", "b"}});
        TestHost host;
        host.name = path;
        const auto startTraced = [&](DiagnosticMode mode) {
            setDiagnosticMode(mode);
            dialogs_->answer(MessageAnswer::Ok);
            guarded([&] { runFilling(host, startJob(host.name, identifierList().records())); });
        };
        startTraced(DiagnosticMode::AmountTrace);
        QVERIFY(!QFile::exists(traceLog::path()));
        startTraced(DiagnosticMode::WordTrace);
        QVERIFY(readLog().startsWith("500\r\n535\r\n"));
    }

    void officeErrorShowsTheErrorBoxOnly()
    {
        const QString path = folder_.write("t.doc", "x");
        setList({{"a", "b"}});
        office_.failing << "FileOpen";
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(dialogs_->shown().size(), 1);
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::ApplicationError);
        QCOMPARE(dialogs_->shown().first().text, "отказ: FileOpen(" + path + ")");
        QVERIFY(!host.busy);
    }

    void officeSettingsFromTheEnvironment()
    {
        qunsetenv("KVILMAR_OFFICE_HEADLESS");
        qunsetenv("KVILMAR_OFFICE_PIPE");
        qunsetenv("KVILMAR_OFFICE_PROFILE");
        qunsetenv("KVILMAR_OFFICE_PROGRAM");
        office::lo::Settings visible = office::lo::settingsFromEnvironment();
        QVERIFY(visible.pipe.startsWith("kvilmar_office_"));
        QCOMPARE(visible.program, QString("soffice"));
        QVERIFY(!visible.startArguments().contains("--headless"));
        // Other users read command lines: the pipe is in the profile only.
        QVERIFY(visible.startArguments().filter(visible.pipe).isEmpty());
        QVERIFY(visible.profile.endsWith("/kvilmar/office/profile"));

        qputenv("KVILMAR_OFFICE_HEADLESS", "1");
        qputenv("KVILMAR_OFFICE_PIPE", "p1");
        qputenv("KVILMAR_OFFICE_PROFILE", "//tmp//a b");
        const office::lo::Settings headless = office::lo::settingsFromEnvironment();
        qunsetenv("KVILMAR_OFFICE_HEADLESS");
        qunsetenv("KVILMAR_OFFICE_PIPE");
        qunsetenv("KVILMAR_OFFICE_PROFILE");
        QCOMPARE(headless.pipe, QString("p1"));
        QVERIFY(headless.startArguments().contains("--headless"));
        QVERIFY(headless.startArguments().contains("-env:UserInstallation=file:///tmp/a%20b"));
    }

    void elapsedTime_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0.04 s") << qint64(40) << "0,0";
        QTest::newRow("12.36 s") << qint64(12360) << "12,4";
        QTest::newRow("an hour and more") << qint64(3725050) << "3725,1";
    }

    void elapsedTime()
    {
        QFETCH(qint64, msecs);
        QFETCH(QString, shown);
        const QDateTime start(QDate(2026, 12, 7), QTime(23, 59, 59, 990));
        QCOMPARE(filling::completionMessage(start, start.addMSecs(msecs)),
                 "Работа закончена!\nЗатраченное время: " + shown + " с");
    }
};

KV_TEST_MAIN(FillersTest)
#include "FillersTest.moc"
