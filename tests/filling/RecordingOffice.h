#pragma once

#include "filling/office/Automation.h"

#include <QStringList>

// An office double that records every call as one line ("FileOpen(a.doc)",
// "EditReplace(Find=x, Replace=y, ReplaceAll=true)") and fails the calls a
// test names.
class RecordingOffice : public office::AutomationServer {
public:
    QStringList calls;
    // A call whose line starts with one of these throws OfficeError, with the
    // line as the office's own words; one in `lost` throws ConnectionLost.
    QStringList failing;
    QStringList lost;
    // Sheets the workbook has; Worksheets(n) past them fails.
    int sheets = 3;
    // What the searches for identifiers answer: the first search after a
    // template is opened finds every text but these, later ones only these.
    QStringList missingFromTemplate;
    QStringList leftInDocument;
    // Templates the office makes spreadsheets of; by default any name ending
    // in .xls, .xlsx or .ods in any letter case.
    QStringList spreadsheets;

    std::shared_ptr<office::WordApplication> createWord(const QString& progId) override;
    std::shared_ptr<office::ExcelApplication> createExcel(const QString& progId) override;
    bool opensAsSpreadsheet(const QString& fileName) override;

    // One search's answer (see above), recorded under the member's name.
    QList<bool> search(const QString& member, const QStringList& texts);

    void record(const QString& call);
    // The calls without the getters that only lead to an object ("WordBasic",
    // "Workbooks", "Workbooks(1)", "Columns"): what a transcript checks.
    QStringList actions() const;

private:
    bool searchedSinceOpen_ = false;
};
