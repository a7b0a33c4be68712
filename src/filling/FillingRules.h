#pragma once

#include <QDateTime>
#include <QString>

// Small rules of a filling run that need no window.
namespace filling {

// The part of the file name from its last "." to the end, dot included;
// empty when the file name has no dot (dots in folder names do not count).
QString templateExtension(const QString& templateName);

// Only an exact ".xls" goes to the spreadsheet; ".XLS", ".xlsx" and every
// other extension go to the word processor.
bool isSpreadsheetTemplate(const QString& templateName);

// A number with exactly one decimal, rounded, with the regional decimal
// separator and no group separator ("0.0").
QString oneDecimal(double value);

// "Работа закончена!", a line break, "Затраченное время: " seconds " с".
QString completionMessage(const QDateTime& startMark, const QDateTime& now);

// "Выполнено: " percent " %  " after record index of sheet (both counted as
// the spreadsheet filler counts them).
QString progressText(int sheet, int index, int sheetCount, int recordCount);

} // namespace filling
