#include "support/TestMain.h"

#include "automatic/OutputFormat.h"
#include "automatic/OutputNames.h"
#include "common/Codec1251.h"
#include "common/KvilmarError.h"

using namespace automatic;

namespace {

QList<IdentifierRecord> records(const QList<QPair<QString, QString>>& pairs)
{
    QList<IdentifierRecord> list;
    for (const auto& [identifier, text] : pairs)
        list.append({identifier, text, {}, true});
    return list;
}

} // namespace

class OutputNamesTest : public QObject {
    Q_OBJECT

private slots:
    void makesTextsSafeForNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part");
        QTest::newRow("cyrillic kept") << "Иванов И.И." << "Иванов И.И.";
        QTest::newRow("slashes") << "ООО/АО\\ИП" << "ООО_АО_ИП";
        QTest::newRow("line breaks and controls") << QString("a\rb\n\tc") + QChar(0) + QChar(0x7F) + "d" << "a b c d";
        QTest::newRow("bidi override") << QString("abc") + QChar(0x202E) + "fdp.exe" << "abc fdp.exe";
        QTest::newRow("leading dot") << "..hidden" << "_.hidden";
        QTest::newRow("leading dash") << "-rf" << "_rf";
        QTest::newRow("dot after spaces") << "  .x" << "_x";
        QTest::newRow("empty") << "" << "_";
        QTest::newRow("only controls") << "\r\n" << "_";
        QTest::newRow("bounded") << QString(200, QChar(0x0416)) << QString(kNamePartLimit, QChar(0x0416));
        QTest::newRow("cut leaves no trailing space") << QString(79, 'a') + " b" << QString(79, 'a');
    }
    void makesTextsSafeForNames()
    {
        QFETCH(QString, text);
        QFETCH(QString, part);
        QCOMPARE(safeFileNamePart(text), part);
    }

    void namesDocuments_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("name");
        QTest::newRow("padded to the last number") << "out/{N}.pdf" << 7 << 120 << "out/007.pdf";
        QTest::newRow("no padding below ten") << "{N}.pdf" << 3 << 9 << "3.pdf";
        QTest::newRow("identifier text") << "out/{[ФИО]} {N}.pdf" << 12 << 40 << "out/Иванов_Петров 12.pdf";
        QTest::newRow("longest identifier wins") << "{[ФИО]2}.odt" << 1 << 1 << "второй.odt";
        QTest::newRow("identifier with braces") << "{{x}}.odt" << 1 << 1 << "скобки.odt";
        QTest::newRow("N is the number even when listed") << "{N}-{N}.txt" << 2 << 10 << "02-02.txt";
        QTest::newRow("plain name") << "a.pdf" << 5 << 9 << "a.pdf";
    }
    void namesDocuments()
    {
        QFETCH(QString, pattern);
        QFETCH(int, number);
        QFETCH(int, last);
        QFETCH(QString, name);
        const auto list = records({{"[ФИО]", "Иванов/Петров"}, {"[ФИО]2", "второй"}, {"{x}", "скобки"}, {"N", "n"}});
        QCOMPARE(OutputPattern(pattern, list).nameFor(number, last, list), name);
    }

    void refusesUnknownPlaceholders_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("shown");
        QTest::newRow("unknown name") << "{Фамилия}.pdf" << "{Фамилия}";
        QTest::newRow("never closed") << "a{b.pdf" << "{b.pdf";
        QTest::newRow("lower-case n") << "{n}.pdf" << "{n}";
    }
    void refusesUnknownPlaceholders()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, shown);
        try {
            OutputPattern(pattern, records({{"[ФИО]", "x"}}));
            QFAIL("accepted");
        } catch (const KvilmarError& e) {
            QCOMPARE(e.text(), QStringLiteral("В имени --out \"%1\" подстановка \"%2\" не называет ни номер {N}, ни "
                                              "идентификатор из списка.").arg(pattern, shown));
        }
    }

    void defaultsBesideTheTemplate_data()
    {
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("name");
        QTest::newRow("folder kept") << "/docs/Договор {2024}.odt" << "/docs/Договор {2024}_04.odt";
        QTest::newRow("bare name") << "t.XLS" << "t_04.XLS";
        QTest::newRow("two dots") << "d/a.b.doc" << "d/a.b_04.doc";
    }
    void defaultsBesideTheTemplate()
    {
        QFETCH(QString, templateName);
        QFETCH(QString, name);
        const OutputPattern pattern = OutputPattern::besideTemplate(templateName);
        QVERIFY(pattern.hasNumber());
        QCOMPARE(pattern.nameFor(4, 12, {}), name);
    }

    void choosesExportFilters_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("spreadsheet");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("options");
        QTest::newRow("pdf of text") << "a.PDF" << false << "writer_pdf_Export" << "";
        QTest::newRow("pdf of a sheet") << "a.pdf" << true << "calc_pdf_Export" << "";
        QTest::newRow("odt") << "a.odt" << false << "writer8" << "";
        QTest::newRow("docx") << "a.Docx" << false << "MS Word 2007 XML" << "";
        QTest::newRow("doc") << "a.doc" << false << "MS Word 97" << "";
        QTest::newRow("rtf") << "a.rtf" << false << "Rich Text Format" << "";
        QTest::newRow("txt") << "a.txt" << false << "Text (encoded)" << "UTF8,LF,,,false";
        QTest::newRow("ods") << "a.ods" << true << "calc8" << "";
        QTest::newRow("xlsx") << "a.xlsx" << true << "Calc MS Excel 2007 XML" << "";
        QTest::newRow("xls") << "a.xls" << true << "MS Excel 97" << "";
        QTest::newRow("text as a sheet") << "a.xlsx" << false << "" << "";
        QTest::newRow("sheet as text") << "a.docx" << true << "" << "";
        QTest::newRow("sheet as plain text") << "a.txt" << true << "" << "";
    }
    void choosesExportFilters()
    {
        QFETCH(QString, output);
        QFETCH(bool, spreadsheet);
        QFETCH(QString, filter);
        QFETCH(QString, options);
        const OutputFormat* format = outputFormatFor(output);
        QVERIFY(format);
        const DocumentKind kind = spreadsheet ? DocumentKind::Spreadsheet : DocumentKind::Text;
        try {
            QCOMPARE(exportFilter(*format, kind, output), (ExportFilter{filter, options}));
        } catch (const KvilmarError& e) {
            QVERIFY(filter.isEmpty());
            QCOMPARE(e.text(), QStringLiteral("Файл \"%1\": в формате .%2 нельзя сохранить %3.")
                                   .arg(output, QFileInfo(output).suffix().toLower(),
                                        spreadsheet ? "электронную таблицу" : "текстовый документ"));
        }
    }

    void knowsNoOtherFormats()
    {
        for (const char* name : {"a", "a.ott", "a.pdf.bak", "a.html", "a."})
            QVERIFY2(!outputFormatFor(QString::fromLatin1(name)), name);
    }
};

KV_TEST_MAIN(OutputNamesTest)
#include "OutputNamesTest.moc"
