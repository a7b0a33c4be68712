#pragma once

#include "filling/office/OfficeError.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// The automation interface of the office suite: the members the fillers
// call, named as the word processor's and the spreadsheet's own automation
// objects name them, so a filler reads like its steps, and a few of the
// program's own (opensAsSpreadsheet, FindEach, findEach). Every member throws
// KvilmarError with the office's text when the office fails or refuses the
// call (OfficeError.h), ConnectionLost when the office went away.
namespace office {

// The word processor's WordBasic object: acts on the active document.
class WordBasic {
public:
    virtual ~WordBasic() = default;
    // Opens the file as a new untitled document made from it; the file itself
    // is never the document, so nothing done in the office can overwrite it.
    // The document stays hidden until the filling is done, and the office
    // asks nothing while it opens the file: what it would ask about (repair,
    // password, import options) becomes an error naming the file. A file the
    // office opens as anything but a text document is an error too, and no
    // copy of it stays open.
    virtual void FileOpen(const QString& name) = 0;
    // Replaces occurrences of Find wherever the document shows text (body,
    // tables, every header and footer, notes, frames, text boxes, shapes,
    // comments): not case-sensitive, not whole words, no pattern syntax, the
    // formatting of the replaced text kept. A carriage return in Find matches
    // a paragraph break; one in Replace becomes a paragraph break.
    virtual void EditReplace(const QString& Find, const QString& Replace, bool ReplaceAll) = 0;
    // Whether each text occurs anywhere in the document now, matched as
    // EditReplace matches.
    virtual QList<bool> FindEach(const QStringList& texts) = 0;
    // The program's own: the one table row that holds any of the
    // identifiers is repeated once per item, in order, with its formatting,
    // borders and the text of its cells; in copy k each identifier becomes
    // items[k]'s text for it, matched and written as EditReplace does.
    // Without items the row goes. Throws ItemRowsUnfit when no table row,
    // or more than one place, holds the identifiers.
    virtual void FillItemRows(const QStringList& identifiers, const QList<QStringList>& items) = 0;
};

// "Word.Application".
class WordApplication {
public:
    virtual ~WordApplication() = default;
    // Visible, the document is shown when the filling is done: when this
    // object is released normally. Released by an error, the object closes
    // the document it opened instead.
    virtual void Visible(bool visible) = 0;
    virtual std::shared_ptr<office::WordBasic> WordBasic() = 0;
};

// A block of cells.
class ExcelRange {
public:
    virtual ~ExcelRange() = default;
    // The block named by a text such as "A1:Z2000".
    virtual std::shared_ptr<ExcelRange> range(const QString& text) = 0;
    // Replaces every occurrence inside the block, also inside a longer cell
    // text, not case-sensitive. A carriage return stands for a line break
    // within a cell, in both texts. A cell keeps the text the replaces make
    // of it until finishReplacing, and a formula keeps the replacement as
    // text in its strings. The program's own: the same is replaced in the
    // comments of the block's cells and in the sheet's header, footer and
    // drawing shapes.
    virtual void replace(const QString& what, const QString& replacement) = 0;
    // The program's own: ends the replaces in these cells. A cell the
    // replaces changed becomes a number only when that number reads back as
    // exactly the text they made, and never a formula; a formula stays one.
    virtual void finishReplacing() {}
    // The program's own: the cells of the block that hold any of the texts
    // now, matched as replace matches; none when none does. Replaces of
    // these texts there, in any order, give what they give in the whole
    // block, for a cell that holds none of them never changes: one search
    // instead of a pass over the whole block for every replace.
    virtual std::shared_ptr<ExcelRange> cellsHoldingAny(const QStringList& texts) = 0;
};

class ExcelWorksheet {
public:
    virtual ~ExcelWorksheet() = default;
    virtual std::shared_ptr<ExcelRange> Columns() = 0;
    // The program's own: the rows (from 1) of the block that hold any of
    // the texts, matched as replace matches.
    virtual QList<int> rowsHoldingAny(const QString& rangeText, const QStringList& texts) = 0;
    // The program's own: the row (from 1) stands `count` times, the copies
    // below it with its cells' contents and formatting and its height; the
    // rows below move down. A count of 0 removes it.
    virtual void repeatRow(int row, int count) = 0;
};

// A text the replaces made in a cell that some formats cannot hold whole:
// longer than kLongCell, or a string of a formula longer than
// kLongFormulaString. The office itself holds no more than
// kOfficeFormulaString in a string of a formula.
struct LongCellText {
    static constexpr qsizetype kLongCell = 32767;
    static constexpr qsizetype kLongFormulaString = 255;
    static constexpr qsizetype kOfficeFormulaString = 1023;
    QString cell; // the sheet's name, a dot, the cell: "Лист1.A1"
    qsizetype length = 0; // in UTF-16 code units, as the formats count
    bool inFormula = false; // the longest string of the cell's formula
    // The office cut the string as it took it, and the formula shows an
    // error: the length is only known to be above kOfficeFormulaString.
    bool cutByOffice = false;
};

class ExcelWorkbook {
public:
    virtual ~ExcelWorkbook() = default;
    // Sheet n counted from 1; fails past the last sheet.
    virtual std::shared_ptr<ExcelWorksheet> Worksheets(int n) = 0;
    // Whether each text occurs anywhere in the workbook now (in any cell,
    // comment, header, footer or drawing shape of any sheet), matched as
    // replace matches.
    virtual QList<bool> findEach(const QStringList& texts) = 0;
    // The program's own: the long texts the finished replaces made in cells.
    virtual QList<LongCellText> longTexts() { return {}; }
};

class ExcelWorkbooks {
public:
    virtual ~ExcelWorkbooks() = default;
    // A new untitled workbook made from the template, opened as FileOpen
    // opens a document; anything but a spreadsheet is an error.
    virtual void Add(const QString& name) = 0;
};

// "Excel.Application".
class ExcelApplication {
public:
    virtual ~ExcelApplication() = default;
    virtual std::shared_ptr<ExcelWorkbooks> Workbooks() = 0;
    // Workbook n of this application, counted from 1 in the order added.
    virtual std::shared_ptr<ExcelWorkbook> Workbooks(int n) = 0;
    // Shows the workbooks; an error when they are gone with their office.
    // Released while an error unwinds the filler, the object closes them.
    virtual void visible(bool visible) = 0;
};

// Creates application objects by their ProgIDs; an unknown ProgID or an
// office that cannot be reached is an error.
class AutomationServer {
public:
    virtual ~AutomationServer() = default;
    virtual std::shared_ptr<WordApplication> createWord(const QString& progId) = 0;
    virtual std::shared_ptr<ExcelApplication> createExcel(const QString& progId) = 0;
    // Whether the office makes a spreadsheet of the file (then the
    // spreadsheet fills it) or anything else (the word processor), told by
    // what is in the file, not by its name.
    virtual bool opensAsSpreadsheet(const QString& fileName) = 0;
};

inline const QString kWordProgId = QStringLiteral("Word.Application");
inline const QString kExcelProgId = QStringLiteral("Excel.Application");

} // namespace office
