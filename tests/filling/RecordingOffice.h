#pragma once

#include "filling/office/Automation.h"

#include <QStringList>

// An office double that records every call as one line ("FileOpen(a.doc)",
// "EditReplace(Find=x, Replace=y, ReplaceAll=true)") and fails the calls a
// test names.
class RecordingOffice : public office::AutomationServer {
public:
    QStringList calls;
    // A call whose line starts with one of these throws KvilmarError.
    QStringList failing;
    // Sheets the workbook has; Worksheets(n) past them fails.
    int sheets = 3;

    std::shared_ptr<office::WordApplication> createWord(const QString& progId) override;
    std::shared_ptr<office::ExcelApplication> createExcel(const QString& progId) override;

    void record(const QString& call);
};
