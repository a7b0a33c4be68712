#pragma once

#include "filling/office/Automation.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct IdentifierRecord;

// Small rules of a filling run that need no window.
namespace filling {

// A number with exactly one decimal, rounded, with the regional decimal
// separator and no group separator ("0.0").
QString oneDecimal(double value);

// Why an existing file cannot be filled: one that is no regular file (a
// named pipe, a device) or larger than fileAccess::kTemplateLimit, an
// empty file (a download that failed), which would give an empty document
// reported as done, or an archive that unpacks to too much (overpacked).
// Empty when it can.
QString unusableTemplate(const QString& fileName);

// "Работа закончена!", a line break, "Затраченное время: " seconds " с".
QString completionMessage(const QDateTime& startMark, const QDateTime& now);

// "Выполнено: " percent " %  " after record index of sheet (both counted as
// the spreadsheet filler counts them).
QString progressText(int sheet, int index, int sheetCount, int recordCount);

// How long a text a workbook saved in a format keeps, by the file name's
// extension: .xls and .xlsx hold 32767 characters in a cell (UTF-16 code
// units), .xls 255 in a string of a formula; and LibreOffice itself holds
// no more than 1023 in a string of a formula, whatever the format.
struct CellTextLimits {
    QString format; // the extension, without the dot
    qsizetype cell = 0; // 0: no limit
    qsizetype formulaString = office::LongCellText::kOfficeFormulaString;
};
CellTextLimits cellTextLimits(const QString& fileName);

// The texts the limits cut, one clause each ("в ячейке Лист1.A1 текст
// длиной 40000, а формат .xlsx вмещает в ячейке не больше 32767 знаков").
QStringList cutTexts(const QList<office::LongCellText>& texts, const CellTextLimits& limits);

// What the completion box adds about them, the first ten named; empty when
// there are none.
QString cutTextsMessage(const QStringList& cut);

// Why a document saved so is not made, the first ten named.
QString cutTextsRefusal(const QStringList& cut);

// Where text holds a character that no document format can hold: a control
// character other than the tab and the line breaks (CR, LF), a half of a
// surrogate pair on its own, U+FFFE or U+FFFF. -1 when there is none.
qsizetype unwritableAt(const QString& text);

// The character at `at` by its code: "U+0007".
QString characterCode(const QString& text, qsizetype at);

// Why an enabled record's replacement cannot be written into a document, as
// a clause: "замена для «[ФИО]» содержит управляющий символ U+0007, а его
// нельзя записать в документ". Empty when it can, or the record is off.
QString unwritableReplacement(const IdentifierRecord& record);

// «Старт»'s refusal of the records: the first one that cannot be written,
// by its number in the list. Empty when every one can.
QString unwritableRecords(const QList<IdentifierRecord>& records);

} // namespace filling
