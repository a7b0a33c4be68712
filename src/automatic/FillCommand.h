#pragma once

#include "automatic/BatchPlan.h"

#include <QString>
#include <QStringList>

// The fill command from its arguments to its exit code. The office's part
// (reading a spreadsheet table, filling and saving one document) comes in
// through FillOffice, the terminal through Console, so the command runs the
// same against the real office and in tests.
namespace automatic {

class FillOffice {
public:
    virtual ~FillOffice() = default;
    // A sheet (the first when the name is empty) of a .ods, .xlsx or .xls
    // table, built with tableFromSheet. Throws KvilmarError.
    virtual DataTable readSheet(const QString& fileName, const QString& sheetName) = 0;
    // Fills plan.options().templateName with the records and saves the
    // result as job.output in job.format, through a temporary file in the
    // same folder, so a failure leaves no half-written file; replaces an
    // existing file only with plan.options().force. Throws with the reason
    // when the document could not be made; the next job is tried all the same.
    virtual void makeDocument(const BatchPlan& plan, const FillJob& job, const QList<IdentifierRecord>& records) = 0;
};

class Console {
public:
    virtual ~Console() = default;
    virtual void out(const QString& text) = 0;
    virtual void err(const QString& text) = 0;
    // A progress bar is drawn only on a terminal.
    virtual bool errIsTerminal() const = 0;
};

// Standard output and standard error, in UTF-8.
class StdConsole : public Console {
public:
    void out(const QString& text) override;
    void err(const QString& text) override;
    bool errIsTerminal() const override;
};

// arguments as the program got them ("kvilmar", "fill", ...). Returns
// kAllMade, kSomeFailed or kBadInput (nothing made).
int runFillCommand(const QStringList& arguments, FillOffice& office, Console& console);

} // namespace automatic
