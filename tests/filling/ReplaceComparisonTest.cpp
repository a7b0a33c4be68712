// The fillers replace as the plain way does: one plain replace per enabled
// identifier, in list order, over the whole block of every sheet in turn, or
// over the whole text document. The plain way is kept here as the reference;
// the same template is filled both ways and read back cell by cell and
// paragraph by paragraph, with identifiers that chain, overlap, differ in
// case and hold pattern characters, and cells on both sides of the block's
// edge.
#include "support/ListBuilder.h"
#include "support/TempFolder.h"
#include "support/TestHost.h"
#include "support/TestMain.h"
#include "support/TestOffice.h"

#include "common/Codec1251.h"
#include "filling/ExcelFiller.h"
#include "filling/LineBreakEscape.h"
#include "filling/WordFiller.h"
#include "filling/office/server/LibreOffice.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/UnoSearch.h"
#include "filling/office/connection/UnoText.h"
#include "general/IdentifierList.h"

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/util/XReplaceable.hpp>
#include <com/sun/star/util/XSearchable.hpp>

#include <QRegularExpression>
#include <QtTest>

using namespace css;
using office::lo::toOUString;
using office::lo::toQString;

namespace {

using Document = uno::Reference<lang::XComponent>;

// The texts each sheet holds: the grid A1:E6 row by row, the texts repeated
// in turn (the second sheet from the last text back), so that every text
// stands inside the block B2:D5 and on its edge outside.
const QString kGrid = QStringLiteral("A1:E6");
const QString kBlock = QStringLiteral("B2:D5");
constexpr int kSheets = 2;
constexpr int kSheetsAsked = 3;   // one past the last: the replacing stops there

QList<Entry> entries(const QStringList& identifiers, const QStringList& replacements)
{
    QList<Entry> list;
    for (int i = 0; i < identifiers.size(); ++i)
        list << Entry{identifiers[i], replacements[i], !identifiers[i].startsWith(QLatin1String("off:"))};
    for (Entry& e : list)
        e.identifier.remove(QRegularExpression(QStringLiteral("^off:")));
    return list;
}

// The enabled records as the fillers send them.
QList<QPair<QString, QString>> sent()
{
    QList<QPair<QString, QString>> out;
    const IdentifierList& list = identifierList();
    for (int i = 0; i < list.count(); ++i) {
        if (list.record(i).status)
            out.append({convertLineBreak(list.record(i).identifier), convertLineBreak(list.record(i).replacement)});
    }
    return out;
}

QString inCell(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

uno::Reference<table::XCellRange> sheetAt(const Document& document, int index)
{
    uno::Reference<sheet::XSpreadsheetDocument> book(document, uno::UNO_QUERY_THROW);
    uno::Reference<container::XIndexAccess> sheets(book->getSheets(), uno::UNO_QUERY_THROW);
    return uno::Reference<table::XCellRange>(sheets->getByIndex(index), uno::UNO_QUERY_THROW);
}

// Cells are entered as a person types them: "=…" a formula, "12" a number.
void writeWorkbook(const QString& path, const QStringList& texts)
{
    auto document = TestOffice::newDocument("private:factory/scalc");
    uno::Reference<sheet::XSpreadsheetDocument> book(document, uno::UNO_QUERY_THROW);
    book->getSheets()->insertNewByName(toOUString(QStringLiteral("Второй")), 1);
    uno::Reference<container::XIndexAccess> all(book->getSheets(), uno::UNO_QUERY_THROW);
    for (sal_Int32 extra = all->getCount() - 1; extra >= kSheets; --extra)
        book->getSheets()->removeByName(
            uno::Reference<container::XNamed>(all->getByIndex(extra), uno::UNO_QUERY_THROW)->getName());
    for (int s = 0; s < kSheets; ++s) {
        auto grid = sheetAt(document, s)->getCellRangeByName(toOUString(kGrid));
        int n = 0;
        for (sal_Int32 row = 0; row < 6; ++row) {
            for (sal_Int32 column = 0; column < 5; ++column, ++n) {
                const QString& text = texts[s == 0 ? n % texts.size() : texts.size() - 1 - n % texts.size()];
                grid->getCellByPosition(column, row)->setFormula(toOUString(inCell(text)));
            }
        }
    }
    TestOffice::store(document, path, QStringLiteral("MS Excel 97"));
}

// Every cell of the grid on every sheet: what it shows and what it holds.
QStringList cells(const Document& document)
{
    QStringList out;
    for (int s = 0; s < kSheets; ++s) {
        auto grid = sheetAt(document, s)->getCellRangeByName(toOUString(kGrid));
        const auto formulas = uno::Reference<sheet::XCellRangeFormula>(grid, uno::UNO_QUERY_THROW)->getFormulaArray();
        const auto values = uno::Reference<sheet::XCellRangeData>(grid, uno::UNO_QUERY_THROW)->getDataArray();
        for (sal_Int32 r = 0; r < formulas.getLength(); ++r) {
            for (sal_Int32 c = 0; c < formulas[r].getLength(); ++c) {
                // A number, a text, or nothing for a formula in error.
                double number = 0;
                rtl::OUString text;
                const QString value = (values[r][c] >>= number) ? QString::number(number)
                                      : (values[r][c] >>= text) ? toQString(text)
                                                                : QStringLiteral("—");
                out << QStringLiteral("%1:%2,%3 %4 | %5").arg(s).arg(r).arg(c).arg(toQString(formulas[r][c]), value);
            }
        }
    }
    return out;
}

// The identifiers still anywhere in the workbook, each sheet searched whole.
QStringList stillIn(const Document& document)
{
    QStringList out;
    const IdentifierList& list = identifierList();
    for (int i = 0; i < list.count(); ++i) {
        const QString identifier = list.record(i).identifier;
        if (!list.record(i).status || identifier.isEmpty() || out.contains(identifier))
            continue;
        for (int s = 0; s < kSheets; ++s) {
            uno::Reference<util::XSearchable> whole(sheetAt(document, s), uno::UNO_QUERY_THROW);
            const QString text = inCell(convertLineBreak(identifier));
            if (whole->findFirst(office::lo::plainSearch(whole->createSearchDescriptor(), text)).is()) {
                out << identifier;
                break;
            }
        }
    }
    return out;
}

QStringList paragraphs(const Document& document)
{
    return TestOffice::documentText(document).split(QLatin1Char('\n'));
}

} // namespace

class ReplaceComparisonTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    TestOffice office_;

private slots:
    void initTestCase()
    {
        qputenv("HOME", folder_.path().toLocal8Bit());
        QVERIFY2(office_.start(), "LibreOffice does not start");
    }

    // Identifiers and their replacements in list order ("off:" marks a
    // record that is off), and the texts of the template.
    void sameResult_data()
    {
        QTest::addColumn<QStringList>("identifiers");
        QTest::addColumn<QStringList>("replacements");
        QTest::addColumn<QStringList>("texts");
        // "ёё", in no text, is brought into the block by a later record.
        QTest::newRow("chaining") << QStringList{"аб", "ёё", "вг", "де", "off:жз"}
                                  << QStringList{"вг!", "x", "де?", "конец ЁЁ", "x"}
                                  << QStringList{"аб", "xАБx", "вгаб", "дЕ жз", "абвгде"};
        QTest::newRow("overlapping") << QStringList{"ПОЛЕ_1", "ПОЛЕ", "ЛЕ_", "1П"}
                                     << QStringList{"один", "поле", "(ле)", "Ъ"}
                                     << QStringList{"ПОЛЕ_1", "ПОЛЕ_12 поле_1", "ПОЛЕПОЛЕ", "ПОЛЕ_1ПОЛЕ", "л"};
        QTest::newRow("letter case") << QStringList{"ёлка", "ЁЖ", "strasse", "FI", "Ё"}
                                     << QStringList{"ель", "еж", "улица", "фи", "е"}
                                     << QStringList{"ЁЛКА и Ёлка", "ёж, Ёж, ЁЖ", "Straße", "STRASSE ẞ",
                                                    "straße", "ﬁle FILE", "ЕЛКА", "ё"};
        // Each cell holds one of them, so no other one brings it in.
        QTest::newRow("pattern characters")
            << QStringList{"a.b", "(x|y)", "[z]", "k\\E", "\\Qm", "$1", "^", "\\<w", "*+?", "{2}", "n\\"}
            << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "/"}
            << QStringList{"a.b axb", "(x|y) x y", "[z] z", "k\\E", "\\Qm", "$1 1", "^ crest", "\\<w w",
                           "*+? {2}", "back\\slash n\\", "k\\\\E"};
        // Letters that fold to two ("ﬁ" is "fi"), old letter forms ("ᲂ" is
        // "о") and the typographic apostrophe; replacements that would mean
        // something to a pattern replace.
        QTest::newRow("special folding") << QStringList{"fi", "ро", "'s"} << QStringList{"F", "Р", "S"}
                                         << QStringList{"ﬁle", "рᲂ ро", "it’s it's"};
        QTest::newRow("pattern replacements") << QStringList{"один", "два", "три"}
                                              << QStringList{"&", "$1 \\n", "a\\tb\\\\"}
                                              << QStringList{"один два три", "два"};
        QTest::newRow("numbers and formulas") << QStringList{"234", "A1", "ПОЛЕ"} << QStringList{"9", "B1", "12"}
                                              << QStringList{"12345", "=A1*2", "=LEN(\"ПОЛЕ\")", "ПОЛЕ", "7"};
        QTest::newRow("line breaks") << QStringList{"ab#13cd", "x", "#13"} << QStringList{"1#132", "y#13z", "|"}
                                     << QStringList{"ab\rcd", "xab\rcdx", "a\rb", "x"};
        QTest::newRow("empty and absent") << QStringList{"", "нет такого", "есть"} << QStringList{"a", "b", ""}
                                          << QStringList{"есть", "ЕСТЬ тут", "пусто"};
    }

    void sameResult()
    {
        QFETCH(QStringList, identifiers);
        QFETCH(QStringList, replacements);
        QFETCH(QStringList, texts);
        setList(entries(identifiers, replacements));
        const auto records = sent();

        const QString book = folder_.file(QStringLiteral("book.xls"));
        writeWorkbook(book, texts);
        // The plain way: the block of each sheet searched whole for each
        // record, until a sheet is missing.
        const Document plainBook = office::lo::loadAsNewDocument(book);
        for (int s = 0; s < kSheetsAsked && s < kSheets; ++s) {
            for (const auto& [find, replacement] : records) {
                if (find.isEmpty())
                    continue;
                uno::Reference<util::XReplaceable> block(sheetAt(plainBook, s)->getCellRangeByName(toOUString(kBlock)),
                                                         uno::UNO_QUERY_THROW);
                block->replaceAll(uno::Reference<util::XSearchDescriptor>(
                    office::lo::plainReplace(block->createReplaceDescriptor(), inCell(find), inCell(replacement))
                        .get()));
            }
        }
        TestHost host;
        host.name = book;
        host.range = {kSheetsAsked, kBlock};
        const FillResult filled = fillExcel(host, office::libreOffice(), host.job());
        const Document filledBook = TestOffice::lastDocument();
        QCOMPARE(cells(filledBook), cells(plainBook));
        QCOMPARE(filled.left.stillInDocument, stillIn(filledBook));
        TestOffice::close(filledBook);
        TestOffice::close(plainBook);

        // The text document: paragraphs, and a table of the first texts. The
        // plain replace cannot make or match paragraph breaks, so records
        // that hold one are left out here.
        QList<Entry> plainRecords;
        for (const Entry& e : entries(identifiers, replacements)) {
            if (!e.identifier.contains(QLatin1String("#13")) && !e.replacement.contains(QLatin1String("#13")))
                plainRecords << e;
        }
        setList(plainRecords);
        TestOffice::TextDocument content;
        for (const QString& text : texts)
            content.paragraphs << QString(text).replace(QLatin1Char('\r'), QLatin1Char(' '));
        content.tableCells = content.paragraphs.mid(0, 4);
        const QString doc = folder_.file(QStringLiteral("text.doc"));
        TestOffice::writeTextDocument(doc, QStringLiteral("MS Word 97"), content);
        const Document plainText = office::lo::loadAsNewDocument(doc);
        for (const auto& [find, replacement] : sent()) {
            if (find.isEmpty())
                continue;
            uno::Reference<util::XReplaceable> whole(plainText, uno::UNO_QUERY_THROW);
            whole->replaceAll(uno::Reference<util::XSearchDescriptor>(
                office::lo::plainReplace(whole->createReplaceDescriptor(), find, replacement).get()));
        }
        host.name = doc;
        fillWord(host, office::libreOffice(), host.job());
        const Document filledText = TestOffice::lastDocument();
        QCOMPARE(paragraphs(filledText), paragraphs(plainText));
        TestOffice::close(filledText);
        TestOffice::close(plainText);
    }
};

KV_TEST_MAIN(ReplaceComparisonTest)
#include "ReplaceComparisonTest.moc"
