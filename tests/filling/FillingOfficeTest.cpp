// Filling runs against a real headless LibreOffice: templates made by the
// office itself, the filled document read back through UNO.
#include "support/ListBuilder.h"
#include "support/LoopbackListener.h"
#include "support/PermissionsBind.h"
#include "support/PipeSocket.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestHost.h"
#include "support/TestMain.h"
#include "support/TestOffice.h"

#include "common/Codec1251.h"
#include "common/windows/Guard.h"
#include "filling/windows/FillingRun.h"
#include "common/TraceLog.h"
#include "filling/office/server/LibreOffice.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/OfficePipe.h"
#include "filling/office/connection/OfficeWait.h"

#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XRedlinesSupplier.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <optional>

namespace {

QByteArray digest(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class FillingOfficeTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    TestOffice office_;
    QScopedPointer<ScriptedDialogs> dialogs_;

    // Runs the Start command as the main window does, guarded.
    void start(TestHost& host)
    {
        guarded([&] { runFilling(host, startJob(host.name, identifierList().records())); });
    }
    QString filled() { return TestOffice::documentText(TestOffice::lastDocument()); }
    void done() { TestOffice::close(TestOffice::lastDocument()); }

    // Fills the template at path with the present list, expecting the
    // completion box, and returns the filled document's text.
    QString fillAndRead(const QString& path)
    {
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        const QString text = filled();
        done();
        return text;
    }

    QString makeText(const QString& name, const QString& filter, const TestOffice::TextDocument& content)
    {
        const QString path = folder_.file(name);
        TestOffice::writeTextDocument(path, filter, content);
        return path;
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", folder_.path().toLocal8Bit());
        QVERIFY2(office_.start(), "LibreOffice does not start");
    }

    void init()
    {
        dialogs_.reset(new ScriptedDialogs);
        setDiagnosticMode(DiagnosticMode::Off);
    }

    void cleanup()
    {
        KV_VERIFY_DIALOGS(*dialogs_);
        dialogs_.reset();
    }

    void fillsEveryFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::newRow("doc") << "t.doc" << "MS Word 97";
        QTest::newRow("rtf") << "t.rtf" << "Rich Text Format";
        QTest::newRow("odt") << "t.odt" << "writer8";
    }

    void fillsEveryFormat()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        const QString path = makeText(name, filter,
                                      {{"Договор №NUM от DATE", "Покупатель: клиент, КЛИЕНТ", "Пропуск: SKIP"},
                                       {"NUM", "Сумма: SUM", "DATE", "—"},
                                       "Шапка CLIENT",
                                       "Подвал NUM"});
        const QByteArray before = digest(path);
        setList({{"NUM", "42"},
                 {"DATE", "SUM-day"},          // brings SUM in, which the next record replaces
                 {"SUM", "100 руб."},
                 {"SKIP", "ignored", false},
                 {"клиент", "ООО Ромашка"},
                 {"client", "Acme"}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(dialogs_->shown().size(), 1);
        QVERIFY(dialogs_->shown().first().text.startsWith("Работа закончена!\nЗатраченное время: "));

        const QString text = filled();
        QVERIFY2(text.contains("Договор №42 от 100 руб.-day"), qPrintable(text));
        QVERIFY2(text.contains("Покупатель: ООО Ромашка, ООО Ромашка"), qPrintable(text));
        QVERIFY2(text.contains("Пропуск: SKIP"), qPrintable(text));
        QVERIFY2(text.contains("Сумма: 100 руб."), qPrintable(text));     // table cell
        QVERIFY2(text.contains("Шапка Acme"), qPrintable(text));          // header
        QVERIFY2(text.contains("Подвал 42"), qPrintable(text));           // footer
        done();
        QCOMPARE(digest(path), before);
    }

    void textTemplatesKeepCyrillic_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("1251") << cp1251::fromUnicode("Привет, ИМЯ!\r\nЁлка\r\n");
        QTest::newRow("utf-8") << QString("Привет, ИМЯ!\r\nЁлка\r\n").toUtf8();
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + QString("Привет, ИМЯ!\r\nЁлка\r\n").toUtf8();
    }

    void textTemplatesKeepCyrillic()
    {
        QFETCH(QByteArray, bytes);
        const QString path = folder_.write("t.txt", bytes);
        setList({{"имя", "Мир"}});
        QCOMPARE(fillAndRead(path), QString("Привет, Мир!\nЁлка"));
        QCOMPARE(folder_.read("t.txt"), bytes);
    }

    void lineBreakEscape_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");
        QTest::newRow("break in replacement") << "B" << "x#13y" << "a x\ny c\nd e\nf";
        QTest::newRow("every #13") << "B" << "x#13y#13z" << "a x\ny\nz c\nd e\nf";
        QTest::newRow("beyond 1251, whole") << "B" << "Łukasz Әлиева 😀 м² ½" << "a Łukasz Әлиева 😀 м² ½ c\nd e\nf";
        QTest::newRow("break in identifier") << "e#13f" << "joined" << "a B c\nd joined";
        QTest::newRow("break in both") << "c#13d" << "1#132" << "a B 1\n2 e\nf";
        QTest::newRow("identifier ends in break") << "c#13" << "-" << "a B -d e\nf";
        QTest::newRow("identifier starts with break") << "#13d" << "+" << "a B c+ e\nf";
        QTest::newRow("no paragraph there") << "B#13c" << "?" << "a B c\nd e\nf";
        QTest::newRow("identifier is a break") << "#13" << "+" << "a B c+d e+f";
        QTest::newRow("empty replacement deletes") << "B " << "" << "a c\nd e\nf";
    }

    void lineBreakEscape()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        const QString path = folder_.write("breaks.txt", "a B c\r\nd e\r\nf\r\n");
        setList({{identifier, replacement}});
        QCOMPARE(fillAndRead(path), expected);
    }

    void plainTextMatching_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");
        const QString pattern = ". * ? [ ] ( ) \\ $ ^ & +";
        QTest::newRow("pattern characters") << pattern << "P" << "x P y .. a.c";
        QTest::newRow("dot is a dot") << "a.c" << "Z" << "x . * ? [ ] ( ) \\ $ ^ & + y .. Z";
        QTest::newRow("replacement with $ and &") << "y" << "$1 & \\n" << "x . * ? [ ] ( ) \\ $ ^ & + $1 & \\n .. a.c";
        QTest::newRow("part of a word") << "." << "!" << "x ! * ? [ ] ( ) \\ $ ^ & + y !! a!c";
    }

    void plainTextMatching()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        const QString path = folder_.write("p.txt", "x . * ? [ ] ( ) \\ $ ^ & + y .. a.c\r\n");
        setList({{identifier, replacement}});
        QCOMPARE(fillAndRead(path), expected);
    }

    void longTexts()
    {
        const QString identifier = QString("Д").repeated(254) + "1";
        QCOMPARE(cp1251::fromUnicode(identifier).size(), 255);
        const QString replacement = QString("0123456789").repeated(10000);
        const QString path = folder_.write("long.txt", cp1251::fromUnicode("<" + identifier + ">\r\n"));
        setList({{identifier, replacement}});
        QCOMPARE(fillAndRead(path), "<" + replacement + ">");
    }

    void allRecordsOffReplaceNothing()
    {
        const QString path = folder_.write("off.txt", "keep A\r\n");
        setList({{"A", "B", false}, {"keep", "lose", false}});
        QCOMPARE(fillAndRead(path), QString("keep A"));
        QCOMPARE(dialogs_->shown().size(), 1);
    }

    void badTemplates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("kind");   // of the one box shown
        QByteArray random(4096, '\0');
        QRandomGenerator gen(7);
        for (char& c : random)
            c = static_cast<char>(gen.bounded(256));
        // An empty file is refused before the office is asked: it would give
        // an empty document reported as done.
        QTest::newRow("zero bytes") << "zero.doc" << QByteArray() << false << int(MessageKind::Error);
        // The office reads what it can; the run ends normally.
        QTest::newRow("random bytes") << "random.doc" << random << false << int(MessageKind::Information);
        QTest::newRow("unreadable") << "locked.doc" << QByteArray("{\\rtf1 A}") << true << int(MessageKind::ApplicationError);
    }

    void badTemplates()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, locked);
        QFETCH(int, kind);
        const QString path = folder_.write(name, bytes);
        std::optional<PermissionsBind> bind;
        if (locked) {
            QFile::setPermissions(path, QFileDevice::Permissions());
            bind.emplace();
            QVERIFY2(!QFile(path).open(QIODevice::ReadOnly), "the file can still be read");
        }
        setList({{"A", "B"}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        bind.reset();
        QCOMPARE(dialogs_->shown().size(), 1);
        const auto box = dialogs_->shown().first();
        QCOMPARE(int(box.kind), kind);
        if (box.kind == MessageKind::Information) {
            done();
        } else {
            QVERIFY2(box.text.contains(name), qPrintable(box.text));
        }
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(folder_.read(name), bytes);
    }

    void missingTemplateOrFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "nothing.doc";
        QTest::newRow("folder") << "";
    }

    void missingTemplateOrFolder()
    {
        QFETCH(QString, name);
        setList({{"A", "B"}});
        TestHost host;
        host.name = folder_.file(name);
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(dialogs_->shownTexts(), QStringList{"Имя файла указано не верно!"});
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Error);
    }

    // Without an office that answers, the run says why in Russian: the
    // program is missing, ends at once (with how it ended), or never
    // answers. A pipe whose socket another user holds is refused, and the
    // office started on the user's own pipe has no pipe's name on its
    // command line, which every user can read.
    void officeMissingOrSilent_data()
    {
        QTest::addColumn<QString>("program");   // "silent": never answers; "office": the real one
        QTest::addColumn<QString>("text");
        QTest::newRow("missing") << "/nonexistent/soffice" << "Не удается запустить LibreOffice";
        QTest::newRow("does not answer") << "silent" << "LibreOffice не отвечает";
        QTest::newRow("ends at start") << "/bin/false"
                                       << "LibreOffice завершил работу сразу после запуска (код выхода 1)";
        QTest::newRow("another user's socket on the pipe") << "office" << "Работа закончена!";
    }

    void officeMissingOrSilent()
    {
        QFETCH(QString, program);
        QFETCH(QString, text);
        const bool office = program == "office";
        if (office && ::geteuid() != 0)
            QSKIP("giving a socket to another user takes root");
        const QString path = folder_.write("nooffice.txt", "A\r\n");
        setList({{"A", "B"}});
        const QByteArray pipe = qgetenv("KVILMAR_OFFICE_PIPE");
        const QByteArray realProgram = qgetenv("KVILMAR_OFFICE_PROGRAM");
        if (program == "silent") {
            program = folder_.write("silent-office", "#!/bin/sh\nexec sleep 120\n");
            QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        std::optional<PipeSocket> taken;
        if (office)
            QVERIFY(taken.emplace(PipeSocket::pathOf(pipe + "_nobody"), true, 65534).made());
        QStringList notices;
        office::setNoticeSink([&](const QString& notice) { notices << notice; });
        office::lo::Connection::instance().forget();
        qputenv("KVILMAR_OFFICE_PIPE", pipe + "_nobody");
        qputenv("KVILMAR_OFFICE_PROGRAM", office ? realProgram : program.toLocal8Bit());
        qputenv("KVILMAR_OFFICE_WAIT", office ? "60" : "2");
        // A profile of its own: the tests' office holds theirs.
        const QByteArray profile = qgetenv("KVILMAR_OFFICE_PROFILE");
        if (office)
            qputenv("KVILMAR_OFFICE_PROFILE", folder_.file("own-profile").toLocal8Bit());
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        office::setNoticeSink({});
        qputenv("KVILMAR_OFFICE_PIPE", pipe);
        qputenv("KVILMAR_OFFICE_PROGRAM", realProgram);
        qputenv("KVILMAR_OFFICE_PROFILE", profile);
        qunsetenv("KVILMAR_OFFICE_WAIT");
        // The office started on the user's own pipe goes, however the row ends.
        struct EndOffice {
            bool started;
            ~EndOffice()
            {
                if (started)
                    office::lo::Connection::instance().endStartedOffice(std::chrono::milliseconds(0));
            }
        } endOffice{office};
        QCOMPARE(dialogs_->shown().size(), 1);
        QVERIFY2(dialogs_->shown().first().text.startsWith(text), qPrintable(dialogs_->shown().first().text));
        QCOMPARE(dialogs_->shown().first().kind, office ? MessageKind::Information : MessageKind::ApplicationError);
        if (office) {
            QCOMPARE(filled(), QString("B"));
            done();
            QVERIFY(!taken->reached());
            QCOMPARE(notices.size(), 1);
            QVERIFY2(notices.first().contains("принадлежит пользователю nobody"), qPrintable(notices.first()));
            // Neither the pipe taken over nor the tests' own is on any
            // command line.
            const QString own = office::lo::ownPipeName();
            QVERIFY2(notices.first().contains(own), qPrintable(notices.first()));
            for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                QFile command("/proc/" + pid + "/cmdline");
                const QByteArray line = command.open(QIODevice::ReadOnly) ? command.readAll() : QByteArray();
                QVERIFY2(!line.contains(own.toLatin1()) && !line.contains(pipe), qPrintable(pid));
            }
        }

        // The office of the tests answers again on its own pipe.
        dialogs_->clear();
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(filled(), QString("B"));
        done();
    }

    // A template's picture linked from a web server is not fetched: a
    // filling sends nothing over the network.
    void linkedPicturesAreNotFetched_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::newRow("odt") << "linked.odt" << "writer8";
        QTest::newRow("docx") << "linked.docx" << "MS Word 2007 XML";
    }

    void linkedPicturesAreNotFetched()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        const LoopbackListener server;
        const QString path = folder_.file(name);
        TestOffice::writeLinkedPicture(path, filter, "Договор с [ФИО]", server.url("/tracker.png"));
        setList({{"[ФИО]", "Иванов"}});
        const QString text = fillAndRead(path);
        QVERIFY2(text.startsWith("Договор с Иванов"), qPrintable(text));
        QCOMPARE(server.connections(), 0);
    }

    void traceOfThreeRecords()
    {
        const QString path = folder_.write("trace.txt", "one two three\r\n");
        setList({{"one", "1"}, {"two", "2", false}, {"three", "3"}});
        setDiagnosticMode(DiagnosticMode::WordTrace);
        QCOMPARE(fillAndRead(path), QString("1 two 3"));
        QFile log(traceLog::path());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray("500\r\n535\r\n536\r\n537\r\n538\r\n"
                                           "539\r\n0\r\n540\r\n541\r\n542\r\n543\r\n"
                                           "539\r\n1\r\n"
                                           "539\r\n2\r\n540\r\n541\r\n542\r\n543\r\n"
                                           "544\r\n545\r\n599\r\n"));
    }

    void spreadsheetWithinBlock()
    {
        const QString path = folder_.file("book.xls");
        TestOffice::writeWorkbook(path, {
            {{"A1", "ИМЯ"}, {"B2", "Привет, имя!"}, {"C3", "ИМЯ outside"}, {"A4", "ИМЯ below"}},
            {{"A1", "сумма: СУММА"}, {"B3", "имя"}},
            {{"B1", "Имя и Сумма"}, {"D1", "имя"}},
        });
        const QByteArray before = digest(path);
        setList({{"имя", "Пётр"}, {"сумма", "5", false}, {"Пётр", "Павел"}});
        TestHost host;
        host.name = path;
        host.range = {3, "A1:B3"};
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(dialogs_->shown().size(), 1);
        // "имя" stays in the cells outside the block; "Пётр" only comes in.
        QVERIFY2(dialogs_->shown().first().text.endsWith(" с\n\nНет в шаблоне: «Пётр»\nОстались в документе: «имя»"),
                 qPrintable(dialogs_->shown().first().text));
        const auto book = TestOffice::lastDocument();
        QCOMPARE(TestOffice::cellText(book, 1, "A1"), QString("Павел"));
        QCOMPARE(TestOffice::cellText(book, 1, "B2"), QString("Привет, Павел!"));
        QCOMPARE(TestOffice::cellText(book, 1, "C3"), QString("ИМЯ outside"));
        QCOMPARE(TestOffice::cellText(book, 1, "A4"), QString("ИМЯ below"));
        QCOMPARE(TestOffice::cellText(book, 2, "A1"), QString("сумма: СУММА"));
        QCOMPARE(TestOffice::cellText(book, 2, "B3"), QString("Павел"));
        QCOMPARE(TestOffice::cellText(book, 3, "B1"), QString("Павел и Сумма"));
        QCOMPARE(TestOffice::cellText(book, 3, "D1"), QString("имя"));
        QCOMPARE(host.progress.first(), QString("Идет подготовка к работе..."));
        QCOMPARE(host.progress.last(), QString());
        TestOffice::close(book);
        QCOMPARE(digest(path), before);
    }

    void spreadsheetEndsQuietly_data()
    {
        QTest::addColumn<int>("sheets");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("cellA1");
        QTest::newRow("more sheets than the book has") << 5 << "A1:A10" << "X";
        QTest::newRow("range the office refuses") << 1 << "A0:ZZZ99999" << "name";
    }

    void spreadsheetEndsQuietly()
    {
        QFETCH(int, sheets);
        QFETCH(QString, range);
        QFETCH(QString, cellA1);
        const QString path = folder_.file("quiet.xls");
        TestOffice::writeWorkbook(path, {{{"A1", "name"}}, {{"A1", "name"}}});
        setList({{"name", "X"}});
        TestHost host;
        host.name = path;
        host.range = {sheets, range};
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Information);
        const auto book = TestOffice::lastDocument();
        QCOMPARE(TestOffice::cellText(book, 1, "A1"), cellA1);
        QCOMPARE(TestOffice::cellText(book, 2, "A1"), cellA1);
        QCOMPARE(host.progress.last(), QString());
        TestOffice::close(book);
    }

    // The office dies or hangs in the middle of a run: the user reads in
    // Russian that the connection was lost or cut, the office's own words go
    // to the trace log only, the status bar is emptied, and nothing reports
    // success. A hidden office that hangs is ended.
    void officeGoneDuringRun_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::addColumn<bool>("hangs");
        QTest::newRow("text document, traced") << false << false;
        QTest::newRow("workbook") << true << false;
        QTest::newRow("text document, the office hangs") << false << true;
    }

    void officeGoneDuringRun()
    {
        QFETCH(bool, workbook);
        QFETCH(bool, hangs);
        const qint64 pid = office_.processId();
        QVERIFY(!hangs || pid > 0);
        if (hangs)
            qputenv("KVILMAR_OFFICE_CALL_WAIT", "5");
        QString path = folder_.write("gone.txt", "A\r\n");
        if (workbook) {
            path = folder_.file("gone.xls");
            TestOffice::writeWorkbook(path, {{{"A1", "A"}}});
        }
        setList({{"A", "B"}, {"B", "C"}});
        setDiagnosticMode(workbook || hangs ? DiagnosticMode::Off : DiagnosticMode::WordTrace);
        // Kills the office at the first replace of a text document, or when
        // half of a workbook is done.
        struct KillingWord : office::WordApplication {
            std::shared_ptr<office::WordApplication> real;
            TestOffice* target = nullptr;
            bool hangs = false;
            int basics = 0;
            void Visible(bool v) override { real->Visible(v); }
            std::shared_ptr<office::WordBasic> WordBasic() override
            {
                if (++basics == 3)   // FileOpen, FindEach, then EditReplace
                    hangs ? target->hang() : target->kill();
                return real->WordBasic();
            }
        };
        struct Killing : office::AutomationServer {
            TestOffice* target = nullptr;
            bool hangs = false;
            std::shared_ptr<office::WordApplication> createWord(const QString& id) override
            {
                auto word = std::make_shared<KillingWord>();
                word->real = office::libreOffice().createWord(id);
                word->target = target;
                word->hangs = hangs;
                return word;
            }
            std::shared_ptr<office::ExcelApplication> createExcel(const QString& id) override
            {
                return office::libreOffice().createExcel(id);
            }
            bool opensAsSpreadsheet(const QString& name) override { return office::libreOffice().opensAsSpreadsheet(name); }
        } killing;
        killing.target = &office_;
        killing.hangs = hangs;
        struct KillingHost : TestHost {
            TestOffice* target = nullptr;
            void showProgress(const QString& text) override
            {
                TestHost::showProgress(text);
                if (target && text.startsWith("Выполнено: 50"))
                    target->kill();
            }
        } host;
        host.target = &office_;
        host.name = path;
        host.range = {1, "A1:A10"};

        installFillingServer(&killing);
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        installFillingServer(nullptr);
        setDiagnosticMode(DiagnosticMode::Off);
        QCOMPARE(dialogs_->shown().size(), 1);
        const auto box = dialogs_->shown().first();
        QCOMPARE(box.kind, MessageKind::ApplicationError);
        QVERIFY2(hangs ? box.text.endsWith("LibreOffice не ответил за 5 с, и связь с ним прервана.")
                       : box.text.startsWith("Связь с LibreOffice потеряна"),
                 qPrintable(box.text));
        qunsetenv("KVILMAR_OFFICE_CALL_WAIT");
        QTRY_VERIFY(!hangs || ::kill(static_cast<pid_t>(pid), 0) != 0);
        QVERIFY2(!box.text.contains("URP") && !box.text.contains("bridge"), qPrintable(box.text));
        QCOMPARE(host.progress.isEmpty() ? QString() : host.progress.last(), QString());
        QVERIFY(!host.busy);
        if (!workbook && !hangs) {
            QFile log(traceLog::path());
            QVERIFY(log.open(QIODevice::ReadOnly));
            const QByteArray trace = log.readAll();
            QVERIFY2(trace.contains("542\r\n598\r\n") && trace.endsWith("\r\n599\r\n"), trace.constData());
        }

        // The next run starts a new office and works.
        dialogs_->clear();
        dialogs_->answer(MessageAnswer::Ok);
        host.target = nullptr;
        start(host);
        QCOMPARE(dialogs_->shown().size(), 1);
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Information);
        if (!workbook)
            QCOMPARE(filled(), QString("C"));
        done();
    }

    // Whatever its name, a workbook goes to the spreadsheet and a text
    // document to the word processor; what the office cannot fill is closed.
    void kindOfDocumentDecides_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("workbook");
        QTest::newRow("xlsx") << "t.xlsx" << "Calc MS Excel 2007 XML" << true;
        QTest::newRow("ods") << "t.ods" << "calc8" << true;
        QTest::newRow("XLS in capitals") << "C.XLS" << "MS Excel 97" << true;
        QTest::newRow("xlsm") << "t.xlsm" << "Calc MS Excel 2007 XML" << true;
        QTest::newRow("workbook named .doc") << "book.doc" << "MS Excel 97" << true;
        QTest::newRow("rtf named .xls") << "letter.xls" << "Rich Text Format" << false;
    }

    void kindOfDocumentDecides()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, workbook);
        const QString path = folder_.file(name);
        if (workbook)
            TestOffice::writeWorkbook(path, {{{"A1", "Клиент: ИМЯ"}}}, filter);
        else
            TestOffice::writeTextDocument(path, filter, {{"Клиент: ИМЯ"}, {}, {}, {}});
        setList({{"имя", "Пётр"}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(dialogs_->shown().size(), 1);
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Information);
        QCOMPARE(host.rangeWindowShown, workbook ? 1 : 0);
        const auto document = TestOffice::lastDocument();
        QCOMPARE(workbook ? TestOffice::cellText(document, 1, "A1") : TestOffice::documentText(document),
                 QString("Клиент: Пётр"));
        done();
    }

    // A template the office would ask about: the program answers "no" to the
    // office and says why in its own words, naming the file; no copy stays.
    void refusedTemplates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("why");
        QTest::newRow("damaged docx") << "damaged.docx" << "файл поврежден";
        QTest::newRow("password") << "secret.ods" << "файл защищен паролем";
        QTest::newRow("formula") << "formula.odf" << "не как текстовый документ";
    }

    void refusedTemplates()
    {
        QFETCH(QString, name);
        QFETCH(QString, why);
        const QString path = folder_.file(name);
        if (name == "damaged.docx") {
            TestOffice::writeTextDocument(path, "MS Word 2007 XML",
                                          {{QString("Договор ИМЯ ").repeated(40)}, {}, {}, {}});
            QByteArray bytes = folder_.read(name);
            // Spoils the packed text of the document's body.
            const qsizetype at = bytes.indexOf("word/document.xml");
            const int extra = static_cast<uchar>(bytes[at - 2]) | static_cast<uchar>(bytes[at - 1]) << 8;
            bytes.replace(at + 17 + extra + 100, 20, QByteArray(20, '\0'));
            folder_.write(name, bytes);
        } else if (name == "secret.ods") {
            auto book = TestOffice::newDocument("private:factory/scalc");
            TestOffice::store(book, path, "calc8", "пароль");
        } else {
            TestOffice::store(TestOffice::newDocument("private:factory/smath"), path, "math8");
        }
        const int documents = TestOffice::openDocuments();
        setList({{"ИМЯ", "Пётр"}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(dialogs_->shown().size(), 1);
        const auto box = dialogs_->shown().first();
        QCOMPARE(box.kind, MessageKind::ApplicationError);
        QVERIFY2(box.text.contains(name) && box.text.contains(why), qPrintable(box.text));
        QCOMPARE(TestOffice::openDocuments(), documents);
    }

    // A template that records changes: the replacements are made, not
    // proposed as tracked changes.
    void changeRecordingIsOff()
    {
        const QString path = folder_.file("tracked.odt");
        auto document = TestOffice::newDocument("private:factory/swriter");
        css::uno::Reference<css::text::XTextDocument>(document, css::uno::UNO_QUERY_THROW)
            ->getText()->setString(office::lo::toOUString("Договор с ИМЯ"));
        css::uno::Reference<css::beans::XPropertySet>(document, css::uno::UNO_QUERY_THROW)
            ->setPropertyValue("RecordChanges", css::uno::Any(true));
        TestOffice::store(document, path, "writer8");
        setList({{"ИМЯ", "Пётр"}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(filled(), QString("Договор с Пётр"));
        css::uno::Reference<css::document::XRedlinesSupplier> redlines(TestOffice::lastDocument(), css::uno::UNO_QUERY_THROW);
        QVERIFY(!redlines->getRedlines()->createEnumeration()->hasMoreElements());
        done();
    }

    // "#13" in a cell: a line break within the cell, found and written.
    void lineBreakInCell_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");
        QTest::newRow("break in replacement") << "a ID b" << "id" << "1#132" << "a 1\n2 b";
        QTest::newRow("break in identifier") << "x\nQQ y" << "x#13qq" << "Z" << "Z y";
    }

    void lineBreakInCell()
    {
        QFETCH(QString, cell);
        QFETCH(QString, identifier);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        const QString path = folder_.file("breaks.xls");
        TestOffice::writeWorkbook(path, {{{"A1", cell}}});
        setList({{identifier, replacement}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        const auto book = TestOffice::lastDocument();
        QCOMPARE(TestOffice::cellText(book, 1, "A1"), expected);
        done();
    }

    // A cell keeps the text a replacement makes, in every format the office
    // writes, however the office would read that text as typed; it becomes a
    // number only when it reads back as the same text in the cell's own
    // number format. A formula that holds the identifier in a string stays
    // one, the replacement a text in it. A text longer than the template's
    // format holds is kept whole, and the completion box says what saving
    // would cut.
    void cellsKeepTheirTexts_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("cell");          // A1; A2 holds the identifier alone
        QTest::addColumn<QString>("numberFormat");  // A1's
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");      // A1, as TestOffice::cellContent tells
        QTest::addColumn<QString>("told");          // after the time; %1 the sheet's name
        const QList<QStringList> cases{
            {"account number", "[Ф]", "", "40702810900000012345", "text 40702810900000012345"},
            {"leading zeros", "[Ф]", "", "007", "text 007"},
            {"percent", "[Ф]", "", "15%", "text 15%"},
            {"fraction", "[Ф]", "", "1/2", "text 1/2"},
            {"date-like", "[Ф]", "", "2024-01-05", "text 2024-01-05"},
            {"formula text", "[Ф]", "", "=1+1", "text =1+1"},
            {"apostrophe", "[Ф]", "", "'007", "text '007"},
            {"plain number", "[Ф]", "", "1500", "number 1500"},
            {"number that reads back otherwise", "[Ф]", "", "1500.50", "text 1500.50"},
            {"number in its cell's format", "[Ф]", "0.00", "1500.50", "number 1500.50"},
            {"formula holding the identifier", "=\"[Ф]\"&\" руб.\"", "", "100 \"x\"", "formula 100 \"x\" руб."},
        };
        for (const auto& [format, filter] : {std::pair{"xls", "MS Excel 97"}, std::pair{"xlsx", "Calc MS Excel 2007 XML"},
                                             std::pair{"ods", "calc8"}}) {
            for (const QStringList& c : cases)
                QTest::addRow("%s, %s", format, qPrintable(c[0])) << QString(filter) << c[1] << c[2] << c[3] << c[4] << "";
        }
        const QString longText = QString("я").repeated(40000), string = QString("ж").repeated(300);
        const QString cut = "\n\nТекст не поместится целиком: в ячейке %1.A1 текст длиной 40000, а формат .%2 вмещает в "
                            "ячейке не больше 32767 знаков; в ячейке %1.A2 текст длиной 40000, а формат .%2 вмещает в "
                            "ячейке не больше 32767 знаков.";
        QTest::newRow("xlsx, longer than a cell holds")
            << "Calc MS Excel 2007 XML" << "[Ф]" << "" << longText << "text " + longText << cut.arg("%1", "xlsx");
        QTest::newRow("xls, longer than a cell holds") << "MS Excel 97" << "[Ф]" << "" << longText << "text " + longText
                                                       << cut.arg("%1", "xls");
        QTest::newRow("ods, a long cell") << "calc8" << "[Ф]" << "" << longText << "text " + longText << "";
        QTest::newRow("xls, longer than a formula's string holds")
            << "MS Excel 97" << "=\"[Ф]\"&\" руб.\"" << "" << string << "formula " + string + " руб."
            << "\n\nТекст не поместится целиком: в строке формулы ячейки %1.A1 текст длиной 300, а формат .xls "
               "вмещает в строке формулы не больше 255 знаков.";
        QTest::newRow("xlsx, a long formula's string") << "Calc MS Excel 2007 XML" << "=\"[Ф]\"&\" руб.\"" << ""
                                                       << string << "formula " + string + " руб." << "";
    }

    void cellsKeepTheirTexts()
    {
        QFETCH(QString, filter);
        QFETCH(QString, cell);
        QFETCH(QString, numberFormat);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        QFETCH(QString, told);
        const QString path = folder_.file("rule." + QString(QTest::currentDataTag()).section(',', 0, 0));
        TestOffice::writeWorkbook(path, {{{"A1@" + numberFormat, cell}, {"A2", "[Ф]"}}}, filter);
        setList({{"[Ф]", replacement}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        // Nothing left to report: the identifier was there, and is gone.
        const QString box = dialogs_->shown().first().text;
        const auto sheets = css::uno::Reference<css::sheet::XSpreadsheetDocument>(TestOffice::lastDocument(),
                                                                                  css::uno::UNO_QUERY_THROW)
                                ->getSheets()
                                ->getElementNames();
        QCOMPARE(box.mid(box.indexOf(" с") + 2), told.isEmpty() ? told : told.arg(office::lo::toQString(sheets[0])));
        QCOMPARE(TestOffice::cellContent(TestOffice::lastDocument(), 1, "A1"), expected);
        done();
    }

    // The replacement takes the identifier's formatting also where it makes
    // paragraphs, and an identifier that is a paragraph break finds breaks.
    void boldAcrossParagraphs_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QStringList>("paragraphs");
        QTest::addColumn<QString>("bold");
        QTest::newRow("break in replacement") << "ИМЯ остальное\rвторой" << "ИМЯ" << "Пётр#13Иванов"
                                              << QStringList{"Пётр", "Иванов остальное", "второй"} << "ПётрИванов";
        QTest::newRow("identifier is the paragraph") << "ИМЯ\rвторой" << "ИМЯ" << "Пётр#13Иванов"
                                                     << QStringList{"Пётр", "Иванов", "второй"} << "ПётрИванов";
        QTest::newRow("break in identifier") << "ИМЯ\rвторой" << "ИМЯ#13второй" << "Пётр"
                                             << QStringList{"Пётр"} << "Пётр";
        QTest::newRow("replacement starts with a break") << "ИМЯ остальное\rвторой" << "ИМЯ" << "#13Пётр"
                                                         << QStringList{"", "Пётр остальное", "второй"} << "Пётр";
        QTest::newRow("identifier is a break") << "ИМЯ остальное\rвторой" << "#13" << " / "
                                               << QStringList{"ИМЯ остальное / второй"} << "ИМЯ";
    }

    void boldAcrossParagraphs()
    {
        QFETCH(QString, body);
        QFETCH(QString, identifier);
        QFETCH(QString, replacement);
        QFETCH(QStringList, paragraphs);
        QFETCH(QString, bold);
        const QString path = folder_.file("bold.odt");
        auto document = TestOffice::newDocument("private:factory/swriter");
        auto text = css::uno::Reference<css::text::XTextDocument>(document, css::uno::UNO_QUERY_THROW)->getText();
        text->setString(office::lo::toOUString(body));
        auto cursor = text->createTextCursor();
        cursor->goRight(3, true);
        css::uno::Reference<css::beans::XPropertySet>(cursor, css::uno::UNO_QUERY_THROW)
            ->setPropertyValue("CharWeight", css::uno::Any(css::awt::FontWeight::BOLD));
        TestOffice::store(document, path, "writer8");
        setList({{identifier, replacement}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        QCOMPARE(filled().split('\n'), paragraphs);
        // Every character that stands where the identifier stood is bold.
        text = css::uno::Reference<css::text::XTextDocument>(TestOffice::lastDocument(), css::uno::UNO_QUERY_THROW)
                   ->getText();
        auto each = css::uno::Reference<css::container::XEnumerationAccess>(text, css::uno::UNO_QUERY_THROW)
                        ->createEnumeration();
        QString boldText;
        while (each->hasMoreElements()) {
            auto portions = css::uno::Reference<css::container::XEnumerationAccess>(each->nextElement(),
                                                                                   css::uno::UNO_QUERY_THROW)
                                ->createEnumeration();
            while (portions->hasMoreElements()) {
                css::uno::Reference<css::text::XTextRange> portion(portions->nextElement(), css::uno::UNO_QUERY_THROW);
                float weight = 0;
                css::uno::Reference<css::beans::XPropertySet>(portion, css::uno::UNO_QUERY_THROW)
                    ->getPropertyValue("CharWeight") >>= weight;
                if (weight >= css::awt::FontWeight::BOLD)
                    boldText += office::lo::toQString(portion->getString());
            }
        }
        QCOMPARE(boldText, bold);
        done();
    }

    // An identifier split into formatting runs by spell-check and bookmark
    // marks, in a .docx written by another program.
    void identifierSplitIntoRuns()
    {
        setList({{"#FIO#", "Иванов"}});
        QCOMPARE(fillAndRead(QFINDTESTDATA("fixtures/split-identifier.docx")),
                 QString("Договор с Иванов\nПодпись: Иванов"));
    }

    // Text the document shows of its other parts follows the filling: a
    // cross-reference to a bookmark around the identifier shows the whole
    // replacement, and so does a table of contents; a page number stays one.
    // A bookmark at an edge of an identifier or in it keeps its side, one
    // over a replacement of paragraphs spans it all, and their references
    // find them. A title shown in a field and a user field are filled, and
    // a comment keeps its lines in the format saved. Nothing is left to tell.
    void shownElsewhereFollowsFilling_data()
    {
        QTest::addColumn<QString>("made");        // a fixture, or how the office makes the template
        QTest::addColumn<QStringList>("list");    // identifier, replacement, ...
        QTest::addColumn<QString>("expected");
        const QStringList number{"[n]", "2026-117"};
        QTest::newRow("docx cross-reference")
            << "cross-reference.docx" << number << "Договор № 2026-117\nСсылка на номер: 2026-117\nСтраница 1";
        QTest::newRow("odt table of contents") << "contents:" << number
                                               << "Оглавление\n2026-117\t1\n2026-117\nГлава о 2026-117";
        QTest::newRow("point bookmark before") << "marked:Договор № ¦[N] от мая" << number
                                               << "Договор № ¦2026-117 от мая\nСсылка: ";
        QTest::newRow("point bookmark inside") << "marked:Договор № [N¦] от мая" << number
                                               << "Договор № ¦2026-117 от мая\nСсылка: ";
        QTest::newRow("point bookmark after") << "marked:Договор № [N]¦ от мая" << number
                                              << "Договор № 2026-117¦ от мая\nСсылка: ";
        QTest::newRow("bookmark over paragraphs made")
            << "marked:‹[FIO], паспорт [PASS]›" << QStringList{"[FIO]", "Иванов#13Иван", "[PASS]", "4510 123456"}
            << "‹Иванов\nИван, паспорт 4510 123456›\nСсылка: Иванов";
        const QStringList fields{"[T1]", "поставки", "[T3]", "Москва"};
        QTest::newRow("odt title and user field") << "fields:writer8" << fields
                                                  << "Заголовок: Договор поставки\nПоле: Москва";
        QTest::newRow("docx title and user field") << "fields:MS Word 2007 XML" << fields
                                                   << "Заголовок: Договор поставки\nПоле: Москва";
        QTest::newRow("docx comment of lines") << "comment:MS Word 2007 XML" << QStringList{"[A]", "x#13y#13z"}
                                               << "Примечание x\ny\nz";
    }

    void shownElsewhereFollowsFilling()
    {
        QFETCH(QString, made);
        QFETCH(QStringList, list);
        QFETCH(QString, expected);
        const QString how = made.section(':', 0, 0), what = made.section(':', 1);
        const QString path = folder_.file(how == "fields" || how == "comment" ? how + "." + what.right(3) : "made.odt");
        if (how == "contents")
            TestOffice::writeContentsDocument(path, "[N]", "Глава о [N]");
        else if (how == "marked")
            TestOffice::writeMarkedDocument(path, "writer8", what);
        else if (how == "fields")
            TestOffice::writeFieldsDocument(path, what);
        else if (how == "comment")
            TestOffice::writeCommentDocument(path, what);
        QList<Entry> entries;
        for (qsizetype i = 0; i + 1 < list.size(); i += 2)
            entries.append({list[i], list[i + 1]});
        setList(entries);
        TestHost host;
        host.name = how == made ? QFINDTESTDATA("fixtures/" + made) : path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        const QString box = dialogs_->shown().first().text;
        QVERIFY2(!box.contains("\n\n"), qPrintable(box));
        auto document = TestOffice::lastDocument();
        if (how == "comment") {
            // As saved in the template's format, and opened again.
            const QString saved = folder_.file("saved.docx");
            TestOffice::store(document, saved, what);
            document = office::lo::loadAsNewDocument(saved);
        }
        QCOMPARE(how == "marked" ? TestOffice::markedText(document)
                 : how == "comment" ? TestOffice::commentText(document)
                                    : TestOffice::documentText(document),
                 expected);
        TestOffice::close(document);
    }

    // What the run left undone is counted in the filled document and named
    // in the completion box.
    void completionBoxNamesWhatWasLeft()
    {
        const QString path = folder_.write("left.txt", cp1251::fromUnicode("Адрес: ГОРОД, клиент: ИМЯ\r\n"));
        // The second record brings back what the first replaced.
        setList({{"ГОРОД", "Москва"}, {"ИМЯ", "ГОРОД Пётр"}, {"ДАТА", "1 мая"}, {"off", "x", false}});
        TestHost host;
        host.name = path;
        dialogs_->answer(MessageAnswer::Ok);
        start(host);
        const QString box = dialogs_->shown().first().text;
        QVERIFY2(box.endsWith(" с\n\nНет в шаблоне: «ДАТА»\nОстались в документе: «ГОРОД»"), qPrintable(box));
        QCOMPARE(filled(), QString("Адрес: Москва, клиент: ГОРОД Пётр"));
        done();
    }
};

KV_TEST_MAIN(FillingOfficeTest)
#include "FillingOfficeTest.moc"
