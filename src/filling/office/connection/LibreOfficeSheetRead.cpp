#include "filling/office/connection/LibreOfficeSheetRead.h"

#include "common/KvilmarError.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeDocument.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <QDir>

using namespace css;

namespace office::lo {

namespace {

// Closes the workbook however the reading ends.
class OpenWorkbook {
public:
    explicit OpenWorkbook(uno::Reference<lang::XComponent> document) : document_(std::move(document)) {}
    ~OpenWorkbook() { closeDocument(document_); }
    OpenWorkbook(const OpenWorkbook&) = delete;
    OpenWorkbook& operator=(const OpenWorkbook&) = delete;

private:
    uno::Reference<lang::XComponent> document_;
};

uno::Reference<sheet::XSpreadsheet> chosenSheet(const uno::Reference<sheet::XSpreadsheetDocument>& workbook,
                                                const QString& fileName, const QString& sheetName)
{
    auto sheets = workbook->getSheets();
    if (sheetName.isEmpty()) {
        uno::Reference<container::XIndexAccess> indexed(sheets, uno::UNO_QUERY_THROW);
        return uno::Reference<sheet::XSpreadsheet>(indexed->getByIndex(0), uno::UNO_QUERY_THROW);
    }
    if (!sheets->hasByName(toOUString(sheetName))) {
        QStringList names;
        for (const auto& name : sheets->getElementNames())
            names << QStringLiteral("\"%1\"").arg(toQString(name));
        throw KvilmarError(QStringLiteral("В таблице \"%1\" нет листа \"%2\". Листы в ней: %3.")
                               .arg(QDir::toNativeSeparators(fileName), sheetName, names.join(QStringLiteral(", "))));
    }
    return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(toOUString(sheetName)), uno::UNO_QUERY_THROW);
}

} // namespace

QList<QStringList> readSheetRows(const QString& fileName, const QString& sheetName, qsizetype maxCells)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    auto document = loadAsNewDocument(fileName);
    requireKind(document, fileName, QStringLiteral("книга электронной таблицы"),
                [&] { return uno::Reference<sheet::XSpreadsheetDocument>(document, uno::UNO_QUERY).is(); });
    const OpenWorkbook open(document);

    QList<QStringList> rows;
    callOffice(QStringLiteral("Не удается прочитать таблицу \"%1\"").arg(shown), [&] {
        const auto sheet = chosenSheet(uno::Reference<sheet::XSpreadsheetDocument>(document, uno::UNO_QUERY_THROW),
                                       fileName, sheetName);
        auto cursor = sheet->createCursor();
        uno::Reference<sheet::XUsedAreaCursor>(cursor, uno::UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
        const auto end = uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
        const qsizetype columnCount = end.EndColumn + 1, rowCount = end.EndRow + 1;
        if (columnCount * rowCount > maxCells)
            throw KvilmarError(QStringLiteral("Таблица \"%1\": на листе %2 строк и %3 столбцов, больше, чем можно "
                                              "прочитать (%4 ячеек).")
                                   .arg(shown)
                                   .arg(rowCount)
                                   .arg(columnCount)
                                   .arg(maxCells));
        auto block = sheet->getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow);
        // The values come in one call; only numbers, which the office
        // formats for showing, are asked for their text one by one.
        const auto data = uno::Reference<sheet::XCellRangeData>(block, uno::UNO_QUERY_THROW)->getDataArray();
        for (sal_Int32 r = 0; r < data.getLength(); ++r) {
            QStringList row;
            const auto& cells = data[r];
            for (sal_Int32 c = 0; c < cells.getLength(); ++c) {
                rtl::OUString text;
                if (!(cells[c] >>= text) && cells[c].hasValue())
                    text = uno::Reference<text::XTextRange>(block->getCellByPosition(c, r), uno::UNO_QUERY_THROW)
                               ->getString();
                row << toQString(text);
            }
            rows << row;
        }
    });
    return rows;
}

} // namespace office::lo
