#pragma once

#include "automatic/DataTable.h"
#include "automatic/FillArguments.h"
#include "automatic/OutputFormat.h"
#include "automatic/ReplacementSources.h"
#include "filling/FillJob.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// What a fill command will do, decided before the office is asked to do
// anything: the documents to make, each with its output file and its
// replacement texts. Every refusal comes here, so that bad input makes
// nothing.
namespace automatic {

struct FillInputs {
    QList<IdentifierRecord> list;
    QStringList replacementTexts;
    std::optional<DataTable> table;
};

// Reads a sheet of a .ods, .xlsx or .xls table (through the office).
using SheetReader = std::function<DataTable(const QString& fileName, const QString& sheetName)>;

// Checks that the template and every input is a readable regular file no
// larger than a file of its kind, and reads the list, the replacement list
// and the table. Throws KvilmarError naming the file and the cause.
FillInputs readFillInputs(const FillOptions& options, const SheetReader& readSheet);

// One document of the batch: the data row it is made from and its file.
struct PlannedDocument {
    int number = 1;          // {N}: the data row's number, 1 without a table
    int line = 0;            // the data row's line in its table; 0 without a table
    int row = -1;            // index into the table's rows; -1 without a table
    QString output;
    const OutputFormat* format = nullptr;
};

class BatchPlan {
public:
    // Throws KvilmarError when the header names nothing of the list, the
    // records would pass their limits, an output name is unusable, two
    // documents would get one file, a document would overwrite an input, an
    // output folder is missing or not writable, or a file exists and
    // options.force is off.
    BatchPlan(const FillOptions& options, FillInputs inputs);

    const FillOptions& options() const { return options_; }
    const QList<PlannedDocument>& documents() const { return documents_; }
    // The identifier list of one document, in the list file's order.
    QList<IdentifierRecord> recordsFor(const PlannedDocument& document) const;
    // What filling one document takes: the template, its records, the
    // workbook's range and the trace.
    FillJob fillJobFor(const PlannedDocument& document) const;

private:
    void planDocuments();
    void checkTargets() const;

    FillOptions options_;
    FillInputs inputs_;
    std::optional<ReplacementSources> sources_;
    QList<PlannedDocument> documents_;
};

} // namespace automatic
