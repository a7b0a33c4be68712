#pragma once

#include <com/sun/star/table/XCellRange.hpp>

#include <QList>
#include <QStringList>

// The item rows of a workbook (ExcelWorksheet::rowsHoldingAny, repeatRow).
namespace office::lo {

class KeptDescriptor;

// The rows (from 1) of the sheet's block that hold any of the texts, as
// cells hold them (line feeds for line breaks), searched with the run's
// `descriptor`. Throws as the office calls do.
QList<int> rowsHoldingAny(const css::uno::Reference<css::table::XCellRange>& sheet, const QString& rangeText,
                          const QStringList& cellTexts, KeptDescriptor& descriptor);

// The sheet's row (from 1) stands `count` times: copies below it with its
// cells as a copy and paste would bring them, and its height. A count of 0
// removes it.
void repeatRow(const css::uno::Reference<css::table::XCellRange>& sheet, int row, int count);

} // namespace office::lo
