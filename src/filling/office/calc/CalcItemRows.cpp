#include "filling/office/calc/CalcItemRows.h"

#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/UnoSearch.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/util/XSearchable.hpp>

#include <algorithm>
#include <set>

using namespace css;

namespace office::lo {

QList<int> rowsHoldingAny(const uno::Reference<table::XCellRange>& sheet, const QString& rangeText,
                          const QStringList& cellTexts, KeptDescriptor& descriptor)
{
    std::set<int> rows;
    callOffice(QStringLiteral("Не удается найти строку позиций"), [&] {
        uno::Reference<util::XSearchable> block(sheet->getCellRangeByName(toOUString(rangeText)), uno::UNO_QUERY_THROW);
        const auto found = block->findAll(
            descriptor.set([&] { return block->createSearchDescriptor(); }, {anyOfLiterally(cellTexts), true}));
        for (sal_Int32 i = 0; found.is() && i < found->getCount(); ++i) {
            uno::Reference<sheet::XCellRangeAddressable> cells(found->getByIndex(i), uno::UNO_QUERY_THROW);
            const table::CellRangeAddress address = cells->getRangeAddress();
            for (sal_Int32 row = address.StartRow; row <= address.EndRow; ++row)
                rows.insert(row + 1);
        }
    });
    return QList<int>(rows.begin(), rows.end());
}

void repeatRow(const uno::Reference<table::XCellRange>& sheet, int row, int count)
{
    if (count == 1)
        return;
    callOffice(QStringLiteral("Не удается повторить строку позиций"), [&] {
        const uno::Reference<table::XTableRows> rows =
            uno::Reference<table::XColumnRowRange>(sheet, uno::UNO_QUERY_THROW)->getRows();
        if (count == 0) {
            rows->removeByIndex(row - 1, 1);
            return;
        }
        // As far right as the sheet holds anything.
        uno::Reference<sheet::XSheetCellCursor> cursor =
            uno::Reference<sheet::XSpreadsheet>(sheet, uno::UNO_QUERY_THROW)->createCursor();
        uno::Reference<sheet::XUsedAreaCursor>(cursor, uno::UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
        const table::CellRangeAddress end =
            uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
        const table::CellRangeAddress source(end.Sheet, 0, row - 1, end.EndColumn, row - 1);

        rows->insertByIndex(row, count - 1);
        const uno::Reference<beans::XPropertySet> original(rows->getByIndex(row - 1), uno::UNO_QUERY_THROW);
        bool optimal = true;
        original->getPropertyValue("OptimalHeight") >>= optimal;
        const uno::Any height = original->getPropertyValue("Height");
        uno::Reference<sheet::XCellRangeMovement> movement(sheet, uno::UNO_QUERY_THROW);
        // The rows made so far are copied below themselves, doubling them
        // until there are enough: a few copies instead of one a row.
        for (int made = 1; made < count;) {
            const int more = std::min(made, count - made);
            table::CellRangeAddress copies = source;
            copies.EndRow = source.StartRow + more - 1;
            movement->copyRange(table::CellAddress(end.Sheet, 0, row - 1 + made), copies);
            made += more;
        }
        if (!optimal)
            uno::Reference<beans::XPropertySet>(
                uno::Reference<table::XColumnRowRange>(sheet->getCellRangeByPosition(0, row, 0, row + count - 2),
                                                       uno::UNO_QUERY_THROW)
                    ->getRows(),
                uno::UNO_QUERY_THROW)
                ->setPropertyValue("Height", height);
    });
}

} // namespace office::lo
