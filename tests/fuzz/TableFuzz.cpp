// libFuzzer target for the data-table reader of the fill command, the merge
// of a table into a list and the file-name parts made from its cells.

#include "FuzzSupport.h"

#include "automatic/CsvTable.h"
#include "automatic/OutputNames.h"
#include "automatic/ReplacementSources.h"
#include "common/Codec1251.h"
#include "common/KvilmarError.h"

namespace {

void checkNamePart(const QString& cell)
{
    const QString part = automatic::safeFileNamePart(cell);
    FUZZ_REQUIRE(!part.isEmpty() && part.size() <= automatic::kNamePartLimit);
    FUZZ_REQUIRE(!part.contains(QLatin1Char('/')) && part.front() != QLatin1Char('.') && part.front() != QLatin1Char('-'));
    for (const QChar c : part)
        FUZZ_REQUIRE(c.isPrint());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::input(data, size);
    automatic::DataTable table;
    try {
        table = automatic::parseTextTable(input, QStringLiteral("f.csv"));
    } catch (const KvilmarError& e) {
        FUZZ_REQUIRE(!e.text().isEmpty());
        return 0;
    }
    // Cells only shrink the text: line breaks become one byte, UTF-8 one byte a letter.
    qsizetype bytes = 0;
    for (const QString& name : table.header)
        bytes += name.size();
    FUZZ_REQUIRE(!table.header.isEmpty() && !table.rows.isEmpty());
    int lastLine = table.headerLine;
    for (qsizetype i = 0; i < table.rows.size(); ++i) {
        const automatic::DataRow& row = table.rows.at(i);
        FUZZ_REQUIRE(row.number == i + 1 && row.line > lastLine && row.cells.size() <= table.header.size());
        FUZZ_REQUIRE(!row.cells.isEmpty() && !row.cells.constLast().isEmpty());
        lastLine = row.line;
        bool text = false;
        for (const QString& cell : row.cells) {
            bytes += cell.size();
            text = text || !cell.isEmpty();
            checkNamePart(cell);
        }
        FUZZ_REQUIRE(text);
    }
    FUZZ_REQUIRE(bytes <= input.size());

    try {
        const QList<IdentifierRecord> list{{table.header.first(), "x", {}, true}};
        const automatic::ReplacementSources sources(list, {}, {}, &table);
        FUZZ_REQUIRE(sources.records().size() <= IdentifierList::kSlots);
        for (const automatic::DataRow& row : table.rows)
            FUZZ_REQUIRE(sources.recordsFor(row).size() == sources.records().size());
    } catch (const KvilmarError&) {
    }
    return 0;
}
