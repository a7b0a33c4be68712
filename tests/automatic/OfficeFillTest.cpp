// The fill command against a real headless LibreOffice: templates made by the
// office, every document read back from the file it was saved to.
#include "support/CapturedConsole.h"
#include "support/LoopbackListener.h"
#include "support/TemplatePlaces.h"
#include "support/TestMain.h"
#include "support/TestOffice.h"

#include "automatic/BatchReport.h"
#include "automatic/OfficeFill.h"
#include "common/Codec1251.h"
#include "common/TraceLog.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/OfficeFaults.h"
#include "filling/office/connection/OfficeProcess.h"
#include "general/ListFile.h"

#include "filling/office/connection/UnoText.h"

#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <functional>

using namespace automatic;
namespace lo = office::lo;

namespace {

// The real fill, with a step of the test's own around the given document;
// keeps what each document left.
class SteppingFill : public FillOffice {
public:
    using Make = std::function<FillResult()>;
    SteppingFill(FillOffice& real, int number, std::function<FillResult(const Make&)> step)
        : real_(real), number_(number), step_(std::move(step)) {}
    DataTable readSheet(const QString& fileName, const QString& sheetName) override
    {
        return real_.readSheet(fileName, sheetName);
    }
    FillResult makeDocument(const FillJob& job, const PlannedDocument& document, bool replaceExisting) override
    {
        const Make make = [&] { return real_.makeDocument(job, document, replaceExisting); };
        const FillResult result = document.number == number_ ? step_(make) : make();
        left << result.left;
        opened.push_back(TestOffice::lastDocument());
        return result;
    }
    QList<LeftIdentifiers> left;
    // The document the office last opened from a file, after each one made.
    std::vector<css::uno::Reference<css::lang::XComponent>> opened;

private:
    FillOffice& real_;
    int number_;
    std::function<FillResult(const Make&)> step_;
};

// Makes the document with the fault done to the office at the step's first
// coming, through the office layer's own seam.
FillResult withFault(lo::OfficeStep step, lo::OfficeFault fault, const SteppingFill::Make& make)
{
    bool done = false;
    lo::planFaults([&](lo::OfficeStep reached) -> std::optional<lo::OfficeFault> {
        if (reached != step || std::exchange(done, true))
            return std::nullopt;
        return fault;
    });
    struct Unplan {
        ~Unplan() { lo::planFaults({}); }
    } unplan;
    return make();
}

// The data table d.csv of a folder, with the content; empty when it cannot
// be written.
QString writeTable(const QString& folder, const QByteArray& content)
{
    QFile table(folder + "/d.csv");
    if (!table.open(QIODevice::WriteOnly) || table.write(content) != content.size())
        return {};
    return table.fileName();
}

// A data table of two sheets; on the second a number, not a text, under [N].
void writeDataBook(const QString& path, const QString& filter)
{
    using namespace css;
    auto document = TestOffice::newDocument("private:factory/scalc");
    auto sheets = uno::Reference<sheet::XSpreadsheetDocument>(document, uno::UNO_QUERY_THROW)->getSheets();
    sheets->insertNewByName(office::lo::toOUString(QStringLiteral("Лист2")), 1);
    uno::Reference<container::XIndexAccess> indexed(sheets, uno::UNO_QUERY_THROW);
    const auto cell = [&](int sheet, const char* name) {
        uno::Reference<table::XCellRange> cells(indexed->getByIndex(sheet), uno::UNO_QUERY_THROW);
        return cells->getCellRangeByName(rtl::OUString::createFromAscii(name))->getCellByPosition(0, 0);
    };
    const auto text = [&](int sheet, const char* name, const QString& value) {
        cell(sheet, name)->setFormula(office::lo::toOUString(value));
    };
    text(0, "A1", "[ФИО]");
    text(0, "A2", "Лист первый");
    text(1, "A1", "[ФИО]");
    text(1, "B1", "[N]");
    text(1, "A2", "Орлова");
    cell(1, "B2")->setValue(5);
    TestOffice::store(document, path, filter);
}

// An invoice's cells, row by row: a header, the item row (its first cell
// bold, "шт." a cell without identifier) and the total.
const QList<QStringList> kInvoiceRows{
    {"Товар", "Ед.", "Цена"}, {"[Товар]", "шт.", "[Цена]"}, {"Итого", "", "[Итого]"}};
const QString kInvoiceEnd = QStringLiteral("Прописью: [Прописью]. НДС: [НДС]");

// A text document: the client, the invoice's table, and its end.
void writeInvoice(const QString& path, const QString& filter)
{
    using namespace css;
    auto document = TestOffice::newDocument("private:factory/swriter");
    auto body = uno::Reference<text::XTextDocument>(document, uno::UNO_QUERY_THROW)->getText();
    body->insertString(body->getEnd(), lo::toOUString(QStringLiteral("Счёт № [Номер]: [ФИО]")), false);
    uno::Reference<text::XTextTable> table(uno::Reference<lang::XMultiServiceFactory>(document, uno::UNO_QUERY_THROW)
                                               ->createInstance("com.sun.star.text.TextTable"),
                                           uno::UNO_QUERY_THROW);
    table->initialize(3, 3);
    body->insertTextContent(body->getEnd(), uno::Reference<text::XTextContent>(table.get()), false);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            uno::Reference<text::XText> cell(table->getCellByName(lo::toOUString(QChar('A' + column) + QString::number(row + 1))),
                                             uno::UNO_QUERY_THROW);
            cell->setString(lo::toOUString(kInvoiceRows[row][column]));
            if (row == 1 && column == 0) {
                const auto whole = cell->createTextCursor();
                whole->gotoEnd(true);
                uno::Reference<beans::XPropertySet>(whole, uno::UNO_QUERY_THROW)
                    ->setPropertyValue("CharWeight", uno::Any(awt::FontWeight::BOLD));
            }
        }
    body->insertString(body->getEnd(), lo::toOUString(kInvoiceEnd), false);
    TestOffice::store(document, path, filter);
}

// The same as a workbook: the table from A2, its end in A5.
void writeInvoiceBook(const QString& path)
{
    using namespace css;
    auto document = TestOffice::newDocument("private:factory/scalc");
    uno::Reference<container::XIndexAccess> sheets(
        uno::Reference<sheet::XSpreadsheetDocument>(document, uno::UNO_QUERY_THROW)->getSheets(), uno::UNO_QUERY_THROW);
    uno::Reference<table::XCellRange> cells(sheets->getByIndex(0), uno::UNO_QUERY_THROW);
    cells->getCellByPosition(0, 0)->setFormula(lo::toOUString(QStringLiteral("Счёт № [Номер]: [ФИО]")));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            cells->getCellByPosition(column, row + 1)->setFormula(lo::toOUString(kInvoiceRows[row][column]));
    uno::Reference<beans::XPropertySet>(cells->getCellByPosition(0, 2), uno::UNO_QUERY_THROW)
        ->setPropertyValue("CharWeight", uno::Any(awt::FontWeight::BOLD));
    cells->getCellByPosition(0, 4)->setFormula(lo::toOUString(kInvoiceEnd));
    TestOffice::store(document, path, "MS Excel 97");
}

// A saved invoice read back: each row of its table as "A|B|C", "*" before
// a bold first cell, then its end.
QStringList invoice(const QString& file)
{
    using namespace css;
    const auto document = office::lo::loadAsNewDocument(file);
    QStringList lines;
    const auto bold = [](const uno::Reference<uno::XInterface>& text) {
        float weight = 0;
        uno::Reference<beans::XPropertySet>(text, uno::UNO_QUERY_THROW)->getPropertyValue("CharWeight") >>= weight;
        return weight > 100 ? QStringLiteral("*") : QString();
    };
    if (file.endsWith(".xls")) {
        uno::Reference<container::XIndexAccess> sheets(
            uno::Reference<sheet::XSpreadsheetDocument>(document, uno::UNO_QUERY_THROW)->getSheets(), uno::UNO_QUERY_THROW);
        uno::Reference<table::XCellRange> cells(sheets->getByIndex(0), uno::UNO_QUERY_THROW);
        const auto text = [&](int column, int row) {
            return lo::toQString(uno::Reference<text::XTextRange>(cells->getCellByPosition(column, row), uno::UNO_QUERY_THROW)->getString());
        };
        int row = 1;
        for (; row < 30 && !text(0, row).startsWith("Прописью"); ++row)
            lines << bold(cells->getCellByPosition(0, row)) + text(0, row) + "|" + text(1, row) + "|" + text(2, row);
        lines << text(0, row);
    } else {
        uno::Reference<container::XIndexAccess> tables(
            uno::Reference<text::XTextTablesSupplier>(document, uno::UNO_QUERY_THROW)->getTextTables(), uno::UNO_QUERY_THROW);
        uno::Reference<text::XTextTable> table(tables->getByIndex(0), uno::UNO_QUERY_THROW);
        for (int row = 1; row <= table->getRows()->getCount(); ++row) {
            QStringList texts;
            for (const char* column : {"A", "B", "C"})
                texts << lo::toQString(uno::Reference<text::XText>(table->getCellByName(lo::toOUString(column + QString::number(row))),
                                                                   uno::UNO_QUERY_THROW)->getString());
            const uno::Reference<text::XText> first(table->getCellByName(lo::toOUString("A" + QString::number(row))), uno::UNO_QUERY_THROW);
            lines << bold(first->createTextCursorByRange(first->getStart())) + texts.join("|");
        }
        lines << TestOffice::documentText(document).split("\n").last();
    }
    TestOffice::close(document);
    return lines;
}

QString run(const QStringList& arguments, FillOffice* through = nullptr, int* exitCode = nullptr)
{
    CapturedConsole console;
    OfficeFill office(&console);
    const int code = runFillCommand(QStringList{"kvilmar", "fill"} + arguments, through ? *through : office, console);
    if (exitCode)
        *exitCode = code;
    return console.errText;
}

} // namespace

class OfficeFillTest : public QObject {
    Q_OBJECT

    TestOffice office_;
    QTemporaryDir dir_;
    // Where the pictures of the linked templates point: never reached.
    LoopbackListener server_;
    QString text_, book_, list_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    void put(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // A folder of its own for the outputs of one case.
    QString freshFolder(const QString& name)
    {
        QDir(path(name)).removeRecursively();
        QDir(dir_.path()).mkdir(name);
        return path(name);
    }

    // The saved document's text: a text document's paragraphs, a workbook's
    // cells A1 to A3, each on a line.
    static QString readBack(const QString& file)
    {
        const QString suffix = QFileInfo(file).suffix();
        if (suffix == QLatin1String("pdf")) {
            QProcess pdftotext;
            pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
            pdftotext.waitForFinished(60000);
            return QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
        }
        if (suffix == QLatin1String("txt")) {
            QFile text(file);
            return text.open(QIODevice::ReadOnly) ? QString::fromUtf8(text.readAll()).trimmed() : QString();
        }
        const auto document = office::lo::loadAsNewDocument(file);
        QString text;
        if (QStringList{"ods", "xlsx", "xls"}.contains(suffix))
            text = QStringList{TestOffice::cellText(document, 1, "A1"), TestOffice::cellText(document, 1, "A2"),
                               TestOffice::cellText(document, 1, "A3")}
                       .join(QLatin1Char('\n'));
        else
            text = TestOffice::documentText(document);
        TestOffice::close(document);
        return text;
    }

    // Every file of a folder, hidden ones too, with what it reads back as.
    static QStringList outputsOf(const QString& folder)
    {
        QStringList found;
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
            found << name + QStringLiteral(": ") + readBack(dir.filePath(name)).replace(QLatin1Char('\n'), QLatin1Char('|'));
        return found;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(office_.start());
        qputenv("KVILMAR_PROGRAM_DIR", dir_.path().toUtf8());
        qputenv("HOME", dir_.path().toUtf8());
        text_ = path("договор.odt");
        TestOffice::writeTextDocument(text_, "writer8", {{"Договор № [N]", "Покупатель: [ФИО]", "Город: [Город]"}, {}, {}, {}});
        // A Word document under a workbook's name: what the office opens decides.
        TestOffice::writeTextDocument(path("docx.xls"), "MS Word 2007 XML",
                                      {{"Договор № [N]", "Покупатель: [ФИО]", "Город: [Город]"}, {}, {}, {}});
        // A cell longer than .xlsx and .xls hold once [ФИО] is filled.
        TestOffice::writeWorkbook(path("длинный.ods"), {{{"A1", QString("я").repeated(32760) + "[ФИО]"}}}, "calc8");
        for (const auto& [name, filter] : {std::pair{"linked.odt", "writer8"}, std::pair{"linked.docx", "MS Word 2007 XML"}})
            TestOffice::writeLinkedPicture(path(name), filter, "Договор с [ФИО]", server_.url("/tracker.png"));
        TestOffice::writeWorkbook(path("примечание.xls"), {{{"A1", "[ФИО]"}, {"note:B3", "[Город]"}}});
        book_ = path("счёт.xls");
        TestOffice::writeWorkbook(book_, {{{"A1", "[ФИО]"}, {"A2", "[Город]"}, {"A3", "[N]"}}});
        list_ = path("список.fdp");
        QVERIFY(listFile::writeListFile(list_,
                                        {{"[ФИО]", "Покупатель", {}, true},
                                         {"[Город]", "Москва", {}, true},
                                         {"[N]", "0", {}, true}},
                                        true));
    }

    void savesEachFormat_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("expected");
        const QString text = "Договор № 0|Покупатель: Иванов Иван|Город: Москва";
        const QString cells = "Иванов Иван|Москва|0";
        QTest::newRow("odt to pdf") << "договор.odt" << "a.pdf" << "Договор № 0 Покупатель: Иванов Иван Город: Москва";
        QTest::newRow("odt to odt") << "договор.odt" << "a.odt" << text;
        QTest::newRow("odt to docx") << "договор.odt" << "a.docx" << text;
        QTest::newRow("odt to doc") << "договор.odt" << "a.doc" << text;
        QTest::newRow("odt to rtf") << "договор.odt" << "a.rtf" << text;
        QTest::newRow("odt to txt") << "договор.odt" << "a.txt" << text;
        QTest::newRow("xls to pdf") << "счёт.xls" << "b.pdf" << "Иванов Иван Москва 0";
        QTest::newRow("xls to ods") << "счёт.xls" << "b.ods" << cells;
        QTest::newRow("xls to xlsx") << "счёт.xls" << "b.xlsx" << cells;
        QTest::newRow("xls to xls") << "счёт.xls" << "b.xls" << cells;
        QTest::newRow("docx named .xls to odt") << "docx.xls" << "c.odt" << text;
        QTest::newRow("odt with a linked picture to pdf") << "linked.odt" << "l.pdf" << "Договор с Иванов Иван";
        QTest::newRow("docx with a linked picture to docx") << "linked.docx" << "l.docx" << "Договор с Иванов Иван";
        QTest::newRow("odt to a workbook format, refused") << "договор.odt" << "c.ods"
                                                           << "в формате .ods нельзя сохранить текстовый документ";
        const QString longCell = QString("я").repeated(32760) + "Иванов Иван";
        QTest::newRow("long cell to ods") << "длинный.ods" << "d.ods" << longCell;
        QTest::newRow("long cell to xlsx, not made")
            << "длинный.ods" << "d.xlsx" << ".A1 текст длиной 32771, а формат .xlsx вмещает в ячейке не больше 32767 знаков";
    }
    void savesEachFormat()
    {
        QFETCH(QString, source);
        QFETCH(QString, output);
        QFETCH(QString, expected);
        const QString folder = freshFolder("formats");
        int code = -1;
        const QString told = run({path(source), "--list", list_, "--set", "[ФИО]=Иванов Иван", "--range",
                                  "A1:B10", "--out", folder + "/" + output},
                                 nullptr, &code);
        if (expected.contains("нельзя") || expected.contains("вмещает")) {
            QCOMPARE(code, int(expected.contains("нельзя") ? kBadInput : kSomeFailed));
            QVERIFY2(told.contains(expected), qPrintable(told));
            QCOMPARE(outputsOf(folder), QStringList());
            return;
        }
        QVERIFY2(code == kAllMade, qPrintable(told));
        // Nothing is left open in the office, and nothing but the document
        // in the folder.
        QCOMPARE(TestOffice::openDocuments(), 0);
        const QStringList outputs = outputsOf(folder);
        QCOMPARE(outputs.size(), 1);
        // A workbook's PDF has the office's own page header and footer too.
        QVERIFY2(outputs.first().startsWith(output + ": ") && outputs.first().contains(expected),
                 qPrintable(outputs.first()));
        // Nothing was sent over the network: no linked picture was fetched.
        QCOMPARE(server_.connections(), 0);
    }

    void readsTables_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("content");   // empty: a workbook written below
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("csv in 1251, semicolons")
            << "d.csv" << cp1251::fromUnicode("[ФИО];[Город]\r\nИванов;Тверь\r\nПетров;Омск\r\n") << QStringList{}
            << QStringList{"1_Иванов.txt: Договор № 0|Покупатель: Иванов|Город: Тверь",
                           "2_Петров.txt: Договор № 0|Покупатель: Петров|Город: Омск"};
        QTest::newRow("csv in utf-8 beyond 1251, in the document and its name")
            << "d.csv" << QString("[ФИО];[Город]\nMüller José Łukasz 😀;Гүлнара м²\n").toUtf8()
            << QStringList{"--set", "[N]=½-ε"}
            << QStringList{"1_Müller José Łukasz 😀.txt: Договор № ½-ε|Покупатель: Müller José Łukasz 😀|Город: Гүлнара м²"};
        QTest::newRow("csv in utf-8 with its mark, commas")
            << "d.csv" << QByteArray("\xEF\xBB\xBF") + QString("[ФИО],[N]\nСидорова,17\n").toUtf8() << QStringList{}
            << QStringList{"1_Сидорова.txt: Договор № 17|Покупатель: Сидорова|Город: Москва"};
        QTest::newRow("quoted cells with separators, quotes and line breaks")
            << "d.csv" << QString("[ФИО];[Город]\n\"Ким; Ли\";\"Нижний\nНовгород\"\n\"О\"\"Нил\";Уфа\n").toUtf8()
            << QStringList{}
            << QStringList{"1_Ким; Ли.txt: Договор № 0|Покупатель: Ким; Ли|Город: Нижний|Новгород",
                           "2_О\"Нил.txt: Договор № 0|Покупатель: О\"Нил|Город: Уфа"};
        QTest::newRow("second sheet of an .ods") << "d.ods" << QByteArray() << QStringList{"--sheet", "Лист2"}
                                                 << QStringList{"1_Орлова.txt: Договор № 5|Покупатель: Орлова|Город: Москва"};
        QTest::newRow("first sheet of an .xlsx") << "d.xlsx" << QByteArray() << QStringList{}
                                                 << QStringList{"1_Лист первый.txt: Договор № 0|Покупатель: Лист первый|Город: Москва"};
    }
    void readsTables()
    {
        QFETCH(QString, table);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, extra);
        QFETCH(QStringList, expected);
        const QString folder = freshFolder("tables");
        const QString file = folder + "/" + table;
        if (!content.isEmpty()) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        } else {
            writeDataBook(file, table.endsWith("ods") ? "calc8" : "Calc MS Excel 2007 XML");
        }
        int code = -1;
        const QString told =
            run(QStringList{text_, "--list", list_, "--data", file, "--out", folder + "/{N}_{[ФИО]}.txt"} + extra,
                nullptr, &code);
        QVERIFY2(code == kAllMade, qPrintable(told));
        QFile::remove(file);
        QCOMPARE(outputsOf(folder), expected);
    }

    // The report of a batch opens in a spreadsheet with every cell as it was
    // written: names that begin as formulas stay text, Cyrillic reads right.
    void reportOpensAsTextInASpreadsheet()
    {
        const QString folder = freshFolder("report");
        const QStringList names{"=1+1", "+7 999", "@СУММ(A1)", "Иванов"};
        put("report/d.csv", ("[ФИО]\n" + names.join('\n') + '\n').toUtf8());
        const QString current = QDir::currentPath();
        QDir::setCurrent(folder);
        int code = -1;
        const QString told =
            run({text_, "--list", list_, "--data", "d.csv", "--out", "{[ФИО]}.txt", "--report", "r.csv"}, nullptr, &code);
        QDir::setCurrent(current);
        QVERIFY2(code == kAllMade, qPrintable(told));
        const auto report = TestOffice::openTable(folder + "/r.csv", "59,34,0,1");
        QStringList cells{TestOffice::cellContent(report, 1, "B1")};
        for (int row = 2; row <= names.size() + 1; ++row)
            cells << TestOffice::cellContent(report, 1, QStringLiteral("B%1").arg(row))
                  << TestOffice::cellContent(report, 1, QStringLiteral("C%1").arg(row));
        TestOffice::close(report);
        QCOMPARE(cells, (QStringList{"text файл", "text '=1+1.txt", "text да", "text '+7 999.txt", "text да",
                                     "text '@СУММ(A1).txt", "text да", "text Иванов.txt", "text да"}));
    }

    void neverOverwritesWithoutForce()
    {
        const QString folder = freshFolder("overwrite");
        const QString target = folder + "/a.txt";
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        const QStringList arguments{text_, "--list", list_, "--out", target};
        int code = -1;
        const QString told = run(arguments, nullptr, &code);
        QCOMPARE(code, int(kBadInput));
        QVERIFY2(told.contains("уже существует"), qPrintable(told));
        QCOMPARE(outputsOf(folder), QStringList{"a.txt: old"});
        run(arguments + QStringList{"--force"}, nullptr, &code);
        QCOMPARE(code, int(kAllMade));
        QCOMPARE(outputsOf(folder), QStringList{"a.txt: Договор № 0|Покупатель: Покупатель|Город: Москва"});
    }

    // An office that is killed, hangs or crashes at a step of a document
    // costs at most that document: the rest are made by an office started
    // afresh, and nothing of the old one is left running. One that holds
    // more memory than its limit is started afresh between documents, its
    // address space capped.
    void officeKilledMidBatchCostsOneDocument_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("fault");     // -1: none, the memory limit low instead
        QTest::addColumn<QString>("reason");   // why document 3 is not made; empty: it is
        using Step = lo::OfficeStep;
        using Fault = lo::OfficeFault;
        const QString lost = "Связь с LibreOffice потеряна";
        const QString hung = "LibreOffice не ответил за 5 с, и связь с ним прервана.";
        QTest::newRow("killed") << int(Step::Replace) << int(Fault::Kill) << lost;
        QTest::newRow("hangs") << int(Step::Replace) << int(Fault::Freeze) << hung;
        QTest::newRow("hangs in the export") << int(Step::Export) << int(Fault::Freeze) << hung;
        QTest::newRow("crashes in the export") << int(Step::Export) << int(Fault::Crash) << lost;
        QTest::newRow("hangs after the save") << int(Step::Saved) << int(Fault::Freeze) << "";
        QTest::newRow("crashes after the save") << int(Step::Saved) << int(Fault::Crash) << "";
        QTest::newRow("hangs in the keep") << int(Step::Keep) << int(Fault::Freeze) << "";
        QTest::newRow("killed in the keep") << int(Step::Keep) << int(Fault::Kill) << "";
        QTest::newRow("above its memory limit") << 0 << -1 << "";
    }

    void officeKilledMidBatchCostsOneDocument()
    {
        QFETCH(int, step);
        QFETCH(int, fault);
        QFETCH(QString, reason);
        qputenv("KVILMAR_OFFICE_CALL_WAIT", "5");
        if (fault < 0)
            qputenv("KVILMAR_OFFICE_MEMORY", "1");
        const QString folder = freshFolder("faults");
        const QString table = writeTable(folder, QString("[ФИО]\nА\nБ\nВ\nГ\nД\n").toUtf8());
        QVERIFY(!table.isEmpty());
        const qint64 first = office_.processId();
        CapturedConsole console;
        int code = -1;
        {
            OfficeFill real(&console);
            SteppingFill faulty(real, 3, [&](const SteppingFill::Make& make) {
                return fault < 0 ? make() : withFault(lo::OfficeStep(step), lo::OfficeFault(fault), make);
            });
            code = runFillCommand({"kvilmar", "fill", text_, "--list", list_, "--data", table, "--out",
                                   folder + "/{N}.txt"},
                                  faulty, console);
        }
        qunsetenv("KVILMAR_OFFICE_CALL_WAIT");
        qunsetenv("KVILMAR_OFFICE_MEMORY");
        const QString& told = console.errText;
        QVERIFY2(code == (reason.isEmpty() ? kAllMade : kSomeFailed), qPrintable(told));
        // Every process of the office replaced is gone.
        QVERIFY2(office_.processId() != first && ::kill(static_cast<pid_t>(-first), 0) != 0, qPrintable(told));
        const QString restarted = fault < 0 ? "LibreOffice запущен заново, чтобы его память не росла (процесс %1)."
                                            : "LibreOffice запущен заново (процесс %1).";
        QVERIFY2(told.contains(restarted.arg(office_.processId())), qPrintable(told));
        QStringList expected{"1.txt: Договор № 0|Покупатель: А|Город: Москва",
                             "2.txt: Договор № 0|Покупатель: Б|Город: Москва",
                             "3.txt: Договор № 0|Покупатель: В|Город: Москва",
                             "4.txt: Договор № 0|Покупатель: Г|Город: Москва",
                             "5.txt: Договор № 0|Покупатель: Д|Город: Москва"};
        if (!reason.isEmpty()) {
            const QString row = QRegularExpression::escape(folder + "/3.txt (строка 4)");
            const QString why = "[^\n]*" + QRegularExpression::escape(reason);
            QVERIFY2(told.contains(QRegularExpression("\\[3/5\\] " + row + " — не сделан: " + why)), qPrintable(told));
            QVERIFY2(told.contains(QRegularExpression("Сделано документов: 4 из 5.\nНе сделано: 1.\n  " + row + ": " + why)),
                     qPrintable(told));
            expected.removeAt(2);
        }
        if (fault < 0) {
            // The office started last has its address space capped.
            QFile limits(QStringLiteral("/proc/%1/limits").arg(lo::Connection::instance().startedOffice()->officeProcess()));
            QVERIFY(limits.open(QIODevice::ReadOnly));
            QVERIFY2(limits.readAll().contains(QByteArray("Max address space         2147483648")), "no cap");
        }
        QFile::remove(table);
        QCOMPARE(outputsOf(folder), expected);
        QCOMPARE(TestOffice::openDocuments(), 0);
    }

    // The template's first document tells the batch what the template holds,
    // until the file changes.
    void templateChangedMidBatchIsSearchedAgain()
    {
        // The first template holds nothing but the body; the one it becomes
        // holds [Я] in every place a text document has.
        const QString folder = freshFolder("changed");
        const QString form = folder + "/бланк.odt";
        TestOffice::writeTextDocument(form, "writer8", {{"[N] [Город] [ФИО]"}, {}, {}, {}});
        const QString table = writeTable(folder, QString("[ФИО];[Я]\nА;один\nБ;два\nВ;три\n").toUtf8());
        QVERIFY(!table.isEmpty());
        CapturedConsole console;
        OfficeFill real(&console);
        SteppingFill stepping(real, 2, [&](const SteppingFill::Make& make) {
            places::writeText(form, "writer8", "[Я]");
            return make();
        });
        const int code = runFillCommand({"kvilmar", "fill", form, "--list", list_, "--data", table, "--out",
                                         folder + "/{N}.odt"},
                                        stepping, console);
        QVERIFY2(code == kAllMade, qPrintable(console.errText));
        QCOMPARE(stepping.left.size(), 3);
        QCOMPARE(stepping.left[0].notInTemplate, QStringList{"[Я]"});
        // The changed template is searched again: it holds only [Я].
        const QStringList others{"[ФИО]", "[Город]", "[N]"};
        for (int n : {1, 2}) {
            QCOMPARE(stepping.left[n].notInTemplate, others);
            QVERIFY(stepping.left[n].stillInDocument.isEmpty());
        }
        QFile::remove(table);
        QFile::remove(form);
        QCOMPARE(readBack(folder + "/1.odt"), QString("0 Москва А"));
        for (const auto& [number, value] : {std::pair{2, "два"}, std::pair{3, "три"}}) {
            const auto document = office::lo::loadAsNewDocument(folder + QStringLiteral("/%1.odt").arg(number));
            const auto read = places::readText(document);
            TestOffice::close(document);
            for (const places::Place& place : places::textPlaces()) {
                const QString text = read.value(place.name).text;
                QVERIFY2(text.contains(value) && !text.contains("[Я]"),
                         qPrintable(QStringLiteral("%1: %2 reads \"%3\"").arg(number).arg(place.name, text)));
            }
        }
    }

    void workbookChangedMidBatchIsSearchedAgain()
    {
        // Outside the block A1:A3 the first template holds nothing; the one
        // it becomes holds [Город] in C5, where no replace reaches.
        const QString folder = freshFolder("changed-book");
        const QString form = folder + "/бланк.xls";
        TestOffice::writeWorkbook(form, {{{"A1", "[ФИО]"}, {"A2", "[N]"}}});
        const QString table = writeTable(folder, QString("[ФИО]\nА\nБ\nВ\n").toUtf8());
        QVERIFY(!table.isEmpty());
        CapturedConsole console;
        OfficeFill real(&console);
        SteppingFill stepping(real, 2, [&](const SteppingFill::Make& make) {
            TestOffice::writeWorkbook(form, {{{"A1", "[ФИО]"}, {"A2", "[N]"}, {"C5", "[Город]"}}});
            return make();
        });
        const int code = runFillCommand({"kvilmar", "fill", form, "--list", list_, "--data", table, "--sheets",
                                         "1", "--range", "A1:A3", "--out", folder + "/{N}.xlsx"},
                                        stepping, console);
        QVERIFY2(code == kAllMade, qPrintable(console.errText));
        QCOMPARE(stepping.left.size(), 3);
        const QStringList city{"[Город]"};
        QCOMPARE(stepping.left[0].notInTemplate, city);
        QVERIFY(stepping.left[0].stillInDocument.isEmpty());
        for (int n : {1, 2}) {
            QVERIFY(stepping.left[n].notInTemplate.isEmpty());
            QCOMPARE(stepping.left[n].stillInDocument, city);
        }
    }

    // A batch fills the template it opened once, taking each document's
    // filling back after saving it; a filling that cannot be taken back for
    // certain (in a text document, a line break makes paragraphs) has the
    // template opened anew. A cross-reference shows each document's own text.
    void batchOpensTheTemplateOnceWhileItCanBeReverted_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::addColumn<QString>("fixture");   // the template, when not one made here
        QTest::addColumn<QString>("comment");   // a workbook's, on B1
        QTest::addColumn<QList<bool>>("keptFromBefore");   // documents 2 to 4
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("text") << false << "" << "" << QList<bool>{true, false, true}
                              << QStringList{"1.odt: Договор № 1|Покупатель: А|Город: Москва",
                                             "2.odt: Договор № 22|Покупатель: Б|Б|Город: Москва",
                                             "3.odt: Договор № 333|Покупатель: В|Город: Москва",
                                             "4.odt: Договор № 4|Покупатель: Г|Город: Москва"};
        // The office reads a cell's line break back as nothing.
        const QStringList cells{"1.ods: А|Москва|1", "2.ods: ББ|Москва|22", "3.ods: В|Москва|333", "4.ods: Г|Москва|4"};
        QTest::newRow("workbook") << true << "" << "" << QList<bool>{true, true, true} << cells;
        // The office's undo does not take back what is replaced in a comment.
        QTest::newRow("workbook, comment filled") << true << "" << "[N]" << QList<bool>{false, false, false} << cells;
        QTest::newRow("workbook, comment without identifiers") << true << "" << "-" << QList<bool>{true, true, true}
                                                               << cells;
        const auto contract = [](int file, const char* n) {
            return QStringLiteral("%1.docx: Договор № %2|Ссылка на номер: %2|Страница 1").arg(file).arg(n);
        };
        QTest::newRow("cross-reference") << false << "cross-reference.docx" << "" << QList<bool>{true, false, true}
                                         << QStringList{contract(1, "1"), contract(2, "22"), contract(3, "333"),
                                                        contract(4, "4")};
    }
    void batchOpensTheTemplateOnceWhileItCanBeReverted()
    {
        QFETCH(bool, workbook);
        QFETCH(QString, fixture);
        QFETCH(QString, comment);
        QFETCH(QList<bool>, keptFromBefore);
        QFETCH(QStringList, expected);
        const QString folder = freshFolder("kept");
        QString book = book_;
        if (!comment.isEmpty()) {
            book = folder + "/счёт.xls";
            TestOffice::writeWorkbook(book, {{{"A1", "[ФИО]"}, {"A2", "[Город]"}, {"A3", "[N]"}, {"note:B1", comment}}});
        }
        const QString table = writeTable(folder, QString("[ФИО];[N]\nА;1\n\"Б\nБ\";22\nВ;333\nГ;4\n").toUtf8());
        QVERIFY(!table.isEmpty());
        CapturedConsole console;
        int code = -1;
        std::vector<css::uno::Reference<css::lang::XComponent>> opened;
        {
            OfficeFill real(&console);
            SteppingFill recording(real, 0, {});
            const QString templateFile =
                fixture.isEmpty() ? (workbook ? book : text_) : QFINDTESTDATA("../filling/fixtures/" + fixture);
            const QString out = fixture.isEmpty() ? (workbook ? "/{N}.ods" : "/{N}.odt") : "/{N}.docx";
            code = runFillCommand({"kvilmar", "fill", templateFile, "--list", list_, "--data", table, "--range",
                                   "A1:B10", "--out", folder + out},
                                  recording, console);
            opened = recording.opened;
        }
        QVERIFY2(code == kAllMade, qPrintable(console.errText));
        QCOMPARE(opened.size(), size_t(4));
        for (int n = 1; n < 4; ++n)
            QCOMPARE(opened[n] == opened[n - 1], keptFromBefore[n - 1]);
        QCOMPARE(TestOffice::openDocuments(), 0);
        QFile::remove(table);
        if (book != book_)
            QFile::remove(book);
        QCOMPARE(outputsOf(folder), expected);
    }

    void templateTheOfficeCannotOpenStopsTheBatch()
    {
        const QString folder = freshFolder("locked");
        const QString locked = folder + "/закрыт.odt";
        auto document = TestOffice::newDocument("private:factory/swriter");
        TestOffice::store(document, locked, "writer8", "secret");
        const QString table = writeTable(folder, "[N]\n1\n2\n3\n");
        QVERIFY(!table.isEmpty());
        int code = -1;
        const QString told =
            run({locked, "--list", list_, "--data", table, "--out", folder + "/{N}.pdf"}, nullptr, &code);
        QCOMPARE(code, int(kBadInput));
        QVERIFY2(told.contains(QStringLiteral("[1/3] %1/1.pdf (строка 2) — не сделан: Не удается открыть файл").arg(folder)),
                 qPrintable(told));
        QVERIFY2(!told.contains("[2/3]") && told.contains("Не делались: 2."), qPrintable(told));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QCOMPARE(TestOffice::openDocuments(), 0);
    }

    // Invoices from a clients table and a goods table: every item row in
    // order with the row's formatting and its cell without identifier, the
    // total, its words and its VAT as the amount and VAT windows give them;
    // a client without goods keeps no item row; a price that is no amount
    // costs its invoice alone, and goods no client takes are told.
    void makesInvoicesWithItemRows_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("filter");
        QTest::newRow("odt") << "odt" << "writer8";
        QTest::newRow("docx") << "docx" << "MS Word 2007 XML";
        QTest::newRow("xls") << "xls" << "";
    }
    void makesInvoicesWithItemRows()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, filter);
        const QString folder = freshFolder("invoices");
        const QString templateFile = folder + "/счёт." + suffix;
        if (filter.isEmpty())
            writeInvoiceBook(templateFile);
        else
            writeInvoice(templateFile, filter);
        const QString clients = writeTable(folder, "[Номер];[ФИО]\n1;Иванов\n2;Петрова\n3;Сидоров\n4;Орлов\n");
        QFile goods(folder + "/товары.csv");
        QVERIFY(goods.open(QIODevice::WriteOnly));
        goods.write(QString("[Номер];[Товар];[Цена]\n1;Стол;1 500,50\n3;Ваза;5\n1;Стул;250\n1;Полка#13белая;12\n"
                            "4;Шкаф;12а\n9;Тумба;1\n1;Лампа;0,50\n").toUtf8());
        goods.close();
        const QString list = folder + "/счёт.fdp";
        QVERIFY(listFile::writeListFile(list, {{"[Номер]", "", {}, true}, {"[ФИО]", "", {}, true},
                                               {"[Товар]", "", {}, true}, {"[Цена]", "", {}, true}}, true));
        int code = -1;
        CapturedConsole console;
        auto real = std::make_unique<OfficeFill>(&console);
        // Each invoice is filled in the template the one before left: the
        // readings below prove that its item rows were taken back whole.
        SteppingFill recording(*real, 0, {});
        const QString told = run({templateFile, "--list", list, "--data", clients, "--items", goods.fileName(), "--key",
                                  "[Номер]", "--sum", "[Итого]=[Цена]", "--words", "[Прописью]=[Итого]", "--vat",
                                  "[НДС]=[Итого]:20:сумма", "--range", "A1:C9", "--out", folder + "/{N}." + suffix},
                                 &recording, &code);
        QVERIFY(recording.opened.size() >= 3);
        QVERIFY(recording.opened[1] == recording.opened[0] && recording.opened[2] == recording.opened[0]);
        real.reset();
        QCOMPARE(code, int(kSomeFailed));
        QVERIFY2(told.contains(QStringLiteral("%1/4.%2 (строка 5) — не сделан: Таблица \"%3\", строка 6: «[Итого]» не "
                                              "вычислить: текст «12а» у «[Цена]» — не сумма (Недопустимый формат числа!)")
                                   .arg(folder, suffix, goods.fileName())),
                 qPrintable(told));
        QVERIFY2(told.contains(QStringLiteral("Таблица \"%1\", строка 7: ключ «9» не назван ни в одном документе")
                                   .arg(goods.fileName())),
                 qPrintable(told));
        // The text document's first row is bold by its style, a table heading.
        const QString header = filter.isEmpty() ? "Товар|Ед.|Цена" : "*Товар|Ед.|Цена";
        QCOMPARE(invoice(folder + "/1." + suffix),
                 (QStringList{header, "*Стол|шт.|1 500,50", "*Стул|шт.|250", "*Полка\nбелая|шт.|12",
                              "*Лампа|шт.|0,50", "Итого||1763,00",
                              "Прописью: Одна тысяча семьсот шестьдесят три рубля 00 копеек. НДС: 293,83"}));
        QCOMPARE(invoice(folder + "/2." + suffix), (QStringList{header, "Итого||0,00", "Прописью: 00 копеек. НДС: 0,00"}));
        QCOMPARE(invoice(folder + "/3." + suffix), (QStringList{header, "*Ваза|шт.|5", "Итого||5,00",
                                                                "Прописью: Пять рублей 00 копеек. НДС: 0,83"}));
        QVERIFY(!QFile::exists(folder + "/4." + suffix));
        QCOMPARE(TestOffice::openDocuments(), 0);
    }

    // A template that cannot take the item rows stops the batch at its
    // first document, and nothing is made.
    void templateWithoutOneItemRowStops_data()
    {
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("message");
        QTest::newRow("outside a table") << "договор.odt" << "A1:B10"
                                         << "Идентификатор позиций «[ФИО]» стоит в шаблоне не в строке таблицы";
        QTest::newRow("two rows of a block") << "счёт.xls" << "A1:B10"
                                             << "Идентификаторы позиций «[ФИО]», «[Город]» стоят в блоке A1:B10 шаблона "
                                                "больше чем в одной строке";
        QTest::newRow("none in the block") << "счёт.xls" << "B1:B10"
                                           << "В блоке B1:B10 шаблона (листов: 1) нет строки с идентификаторами позиций";
        QTest::newRow("in a comment") << "примечание.xls" << "A1:B10"
                                      << "Идентификатор позиций «[Город]» стоит в примечании к ячейке B3 листа 1 шаблона";
    }
    void templateWithoutOneItemRowStops()
    {
        QFETCH(QString, templateName);
        QFETCH(QString, range);
        QFETCH(QString, message);
        const QString folder = freshFolder("unfit");
        const QString table = writeTable(folder, "[N]\n1\n2\n");
        QFile items(folder + "/i.csv");
        QVERIFY(items.open(QIODevice::WriteOnly) && items.write("[N];[ФИО];[Город]\n1;a;b\n") > 0);
        items.close();
        int code = -1;
        const QString told = run({path(templateName), "--list", list_, "--data", table, "--items", items.fileName(), "--key",
                                  "[N]", "--sheets", "1", "--range", range, "--out", folder + "/{N}.pdf"},
                                 nullptr, &code);
        QCOMPARE(code, int(kBadInput));
        QVERIFY2(told.contains(message) && !told.contains("[2/2]"), qPrintable(told));
        QCOMPARE(QDir(folder).entryList({"*.pdf"}, QDir::Files).size(), 0);
    }

    void traceKeepsEveryDocument()
    {
        const QString folder = freshFolder("traced");
        const QString table = writeTable(folder, "[N]\n1\n2\n");
        QVERIFY(!table.isEmpty());
        int code = -1;
        run({text_, "--list", list_, "--data", table, "--out", folder + "/{N}.txt", "--trace"}, nullptr, &code);
        setDiagnosticMode(DiagnosticMode::Off);
        QCOMPARE(code, int(kAllMade));
        QFile log(traceLog::path());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray one = "500\r\n535\r\n536\r\n537\r\n538\r\n539\r\n0\r\n540\r\n541\r\n542\r\n543\r\n539\r\n1\r\n540\r\n"
                               "541\r\n542\r\n543\r\n539\r\n2\r\n540\r\n541\r\n542\r\n543\r\n544\r\n545\r\n599\r\n";
        QCOMPARE(log.readAll(), one + one);
    }
};

KV_TEST_MAIN(OfficeFillTest)
#include "OfficeFillTest.moc"
