#pragma once

#include "automatic/BatchPlan.h"
#include "automatic/BatchReport.h"
#include "common/KvilmarError.h"
#include "filling/LeftIdentifiers.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The fill command from its arguments to its exit code. The office's part
// (reading a spreadsheet table, filling and saving one document) comes in
// through FillOffice, the terminal through Console, so the command runs the
// same against the real office and in tests.
namespace automatic {

// Thrown by FillOffice::makeDocument when no later document could be made
// either: the template cannot be opened, the office cannot be reached. The
// command stops; the documents after it are not tried.
class BatchStopped : public KvilmarError {
public:
    // badInput: the fault is in the command's input (the template), so a
    // command that made nothing ends as bad input.
    BatchStopped(const QString& text, bool badInput) : KvilmarError(text), badInput_(badInput) {}
    bool badInput() const { return badInput_; }

private:
    bool badInput_;
};

class FillOffice {
public:
    virtual ~FillOffice() = default;
    // A sheet (the first when the name is empty) of a .ods, .xlsx or .xls
    // table, built with tableFromSheet. Throws KvilmarError.
    virtual DataTable readSheet(const QString& fileName, const QString& sheetName) = 0;
    // Fills the job and saves the result as document.output in
    // document.format, through a temporary file in the same folder, so a
    // failure leaves no half-written file; replaces an existing file only
    // when told to. Throws with the reason when the document could not be
    // made; the next document is tried all the same, unless the exception
    // is BatchStopped. Returns what the filling did.
    virtual FillResult makeDocument(const FillJob& job, const PlannedDocument& document, bool replaceExisting) = 0;
    // The office is not needed for a while (other processes make the
    // documents): one started for this run ends.
    virtual void endOwnOffice() {}
};

// One document's making, as the command keeps it.
struct Attempt {
    JobOutcome outcome;
    LeftIdentifiers left;
    std::optional<BatchStopped> stop;
};

// Makes the document through the office; every failure becomes the
// attempt's reason. A replacement no document can hold is refused before
// the office sees it.
Attempt makeOne(FillOffice& office, const FillJob& job, const PlannedDocument& document, bool replaceExisting);

class Console {
public:
    virtual ~Console() = default;
    virtual void out(const QString& text) = 0;
    virtual void err(const QString& text) = 0;
    // A progress bar is drawn only on a terminal.
    virtual bool errIsTerminal() const = 0;
    // True once the user asked the command to stop (Ctrl+C): the document
    // being made is finished, no later one is begun.
    virtual bool stopRequested() const { return false; }
    // Told when the documents begin to be made and when they are done.
    virtual void batchBegins() {}
    virtual void batchEnds() {}
    // Told while the office is started or reached within the batch: a stop
    // asked for meanwhile need not wait, since nothing is being made.
    virtual void reachingOffice(bool) {}
    // What must be done should the program end at once (its own office
    // ended, other processes of the run told).
    virtual void onEndNow(std::function<void()>) {}
    // What cuts the document being made, when a stop asked for is not
    // reached within its grace (the office hangs).
    virtual void onCutNow(std::function<void()>) {}
};

// A line of its own on standard error, over a progress bar if one is drawn.
void tellLine(Console& console, const QString& text);

// How the command starts a process that makes documents for it (--jobs).
struct WorkerCommand {
    QString program;
    QStringList arguments;
};

// arguments as the program got them ("kvilmar", "fill", ...). Returns
// kAllMade, kSomeFailed or kBadInput (nothing made). --trace switches the
// diagnostic mode on for the word processor's trace. With --jobs above 1
// the documents are made by that many workers started as `workers` says.
int runFillCommand(const QStringList& arguments, FillOffice& office, Console& console,
                   const WorkerCommand& workers = {});

} // namespace automatic
