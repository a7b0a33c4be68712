#pragma once

#include <QString>
#include <memory>

// The automation interface of the office suite: exactly the members the
// fillers call, named as the word processor's and the spreadsheet's own
// automation objects name them, so a filler reads like its steps. Every
// member throws KvilmarError with the office's text when the office fails
// or refuses the call.
namespace office {

// The word processor's WordBasic object: acts on the active document.
class WordBasic {
public:
    virtual ~WordBasic() = default;
    // Opens the file as a new untitled document made from it; the file itself
    // is never the document, so nothing done in the office can overwrite it.
    virtual void FileOpen(const QString& name) = 0;
    // Replaces occurrences of Find in the whole document: not case-sensitive,
    // not whole words, no pattern syntax. A carriage return in Find matches a
    // paragraph break; one in Replace becomes a paragraph break.
    virtual void EditReplace(const QString& Find, const QString& Replace, bool ReplaceAll) = 0;
};

// "Word.Application".
class WordApplication {
public:
    virtual ~WordApplication() = default;
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
    // text, not case-sensitive.
    virtual void replace(const QString& what, const QString& replacement) = 0;
};

class ExcelWorksheet {
public:
    virtual ~ExcelWorksheet() = default;
    virtual std::shared_ptr<ExcelRange> Columns() = 0;
};

class ExcelWorkbook {
public:
    virtual ~ExcelWorkbook() = default;
    // Sheet n counted from 1; fails past the last sheet.
    virtual std::shared_ptr<ExcelWorksheet> Worksheets(int n) = 0;
};

class ExcelWorkbooks {
public:
    virtual ~ExcelWorkbooks() = default;
    // A new untitled workbook made from the template.
    virtual void Add(const QString& name) = 0;
};

// "Excel.Application".
class ExcelApplication {
public:
    virtual ~ExcelApplication() = default;
    virtual std::shared_ptr<ExcelWorkbooks> Workbooks() = 0;
    // Workbook n of this application, counted from 1 in the order added.
    virtual std::shared_ptr<ExcelWorkbook> Workbooks(int n) = 0;
    virtual void visible(bool visible) = 0;
};

// Creates application objects by their ProgIDs; an unknown ProgID or an
// office that cannot be reached is an error.
class AutomationServer {
public:
    virtual ~AutomationServer() = default;
    virtual std::shared_ptr<WordApplication> createWord(const QString& progId) = 0;
    virtual std::shared_ptr<ExcelApplication> createExcel(const QString& progId) = 0;
};

inline const QString kWordProgId = QStringLiteral("Word.Application");
inline const QString kExcelProgId = QStringLiteral("Excel.Application");

} // namespace office
