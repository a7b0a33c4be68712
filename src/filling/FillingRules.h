#pragma once

#include <QDateTime>
#include <QString>

// Small rules of a filling run that need no window.
namespace filling {

// A number with exactly one decimal, rounded, with the regional decimal
// separator and no group separator ("0.0").
QString oneDecimal(double value);

// Why an existing file cannot be filled: one that is no regular file (a
// named pipe, a device) or larger than fileAccess::kTemplateLimit, or an
// empty file (a download that failed), which would give an empty document
// reported as done. Empty when it can.
QString unusableTemplate(const QString& fileName);

// "Работа закончена!", a line break, "Затраченное время: " seconds " с".
QString completionMessage(const QDateTime& startMark, const QDateTime& now);

// "Выполнено: " percent " %  " after record index of sheet (both counted as
// the spreadsheet filler counts them).
QString progressText(int sheet, int index, int sheetCount, int recordCount);

} // namespace filling
