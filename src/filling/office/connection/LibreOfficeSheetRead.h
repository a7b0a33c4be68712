#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace office::lo {

// The used area of one sheet of a workbook file (.ods, .xlsx, .xls, ...),
// row by row from its first cell, each cell's text as the office shows it
// (a number or a date as formatted). The first sheet when sheetName is
// empty. The file opens hidden as every template does and is closed again.
// Throws KvilmarError naming the file for one the office cannot read or
// does not open as a workbook, a sheet that is not there, and a used area of
// more than maxCells cells; ConnectionLost when the office went away.
QList<QStringList> readSheetRows(const QString& fileName, const QString& sheetName, qsizetype maxCells);

} // namespace office::lo
