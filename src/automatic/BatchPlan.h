#pragma once

#include "automatic/DataTable.h"
#include "automatic/FillArguments.h"
#include "automatic/ItemTable.h"
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
    std::optional<DataTable> items; // --items
};

// Reads a sheet of a .ods, .xlsx or .xls table (through the office).
using SheetReader = std::function<DataTable(const QString& fileName, const QString& sheetName)>;

// Checks that the template and every input is a readable regular file no
// larger than a file of its kind, and reads the list, the replacement list
// and the table. Throws KvilmarError naming the file and the cause.
FillInputs readFillInputs(const FillOptions& options, const SheetReader& readSheet);

// One document of the batch: the data row it is made from and its file.
struct PlannedDocument {
    int number = 1; // {N}: the data row's number, 1 without a table
    int line = 0; // the data row's line in its table; 0 without a table
    int row = -1; // index into the table's rows; -1 without a table
    QString output;
    const OutputFormat* format = nullptr;
    bool existing = false; // its file is there and --skip-existing counts it made
    // Why the row's document cannot be made (a computed text's source is no
    // amount, an item text no document can hold); empty when it can.
    QString refusal;
};

class BatchPlan {
public:
    // Throws KvilmarError when the header names nothing of the list, a row
    // is short and options.allowShortRows is off, the records would pass
    // their limits, a replacement given without a table holds a character
    // no document can hold (filling::unwritableAt; a table's row that does
    // is refused alone, by makeOne), an output name is unusable, two rows
    // of the table would get one file, a document or the report would
    // overwrite an input, an output folder cannot be written to or made (a
    // file stands in its path, no right to write), or a file exists and
    // neither options.force nor options.skipExisting is on. Folders are
    // made by makeFolders only.
    BatchPlan(const FillOptions& options, FillInputs inputs);

    // Makes the folders of the documents and of the report that do not
    // exist yet. Throws KvilmarError with the cause.
    void makeFolders() const;
    const QStringList& missingFolders() const { return missingFolders_; }

    const FillOptions& options() const { return options_; }
    // The documents of the rows chosen (all, or those of --rows), in order.
    const QList<PlannedDocument>& documents() const { return documents_; }
    // What the command tells before it begins: the table's columns that the
    // list does not name, rows chosen beyond the table.
    const QStringList& notices() const { return notices_; }
    // What the command tells after the batch: item rows no document took.
    const QStringList& laterNotices() const { return laterNotices_; }
    // Identifiers only the table's header names (reported among notices()).
    QStringList unlistedIdentifiers() const;
    // The identifier list of one document, in the list file's order.
    QList<IdentifierRecord> recordsFor(const PlannedDocument& document) const;
    // What filling one document takes: the template, its records, the
    // workbook's range and the trace.
    FillJob fillJobFor(const PlannedDocument& document) const;

private:
    // A document's records with their computed texts, its items, and why
    // it cannot be made, if it cannot.
    struct DocumentTexts {
        QList<IdentifierRecord> records;
        ItemRows items;
        QString refusal;
    };
    DocumentTexts textsFor(const PlannedDocument& document) const;
    void checkComputed() const;
    void checkRows() const;
    void planDocuments();
    void checkDistinct() const;
    void takeSlice();
    void checkWritable() const;
    void checkTargets();
    void checkReport();

    FillOptions options_;
    FillInputs inputs_;
    std::optional<ReplacementSources> sources_;
    std::optional<ItemTable> items_;
    QStringList laterNotices_;
    QList<PlannedDocument> documents_;
    QStringList notices_;
    QStringList missingFolders_;
};

} // namespace automatic
