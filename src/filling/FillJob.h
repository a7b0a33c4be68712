#pragma once

#include "filling/LeftIdentifiers.h"
#include "general/IdentifierList.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The sheets and the block of cells a workbook is filled in.
struct RangeSelection {
    int sheetCount = 1;
    QString rangeText = QStringLiteral("A1:A10");

    friend bool operator==(const RangeSelection&, const RangeSelection&) = default;
};

// The items a document lists (an invoice's goods): the one table row (a
// text document) or block row (a workbook) of the template that holds these
// identifiers is repeated once per item, in order, each copy filled with its
// item's texts; without items the row goes. No identifiers: the document
// has no item table.
struct ItemRows {
    QStringList identifiers;
    QList<QStringList> items; // for each item, one text per identifier

    bool any() const { return !identifiers.isEmpty(); }
};

// What one filling fills, taken whole by the fillers: nothing else the
// program holds (its identifier list, its windows) changes what a filling
// does while it runs. The main window, the start window and each document of
// a batch make their own.
struct FillJob {
    QString templateName;
    // The list's records in list order, each with its switch: only those
    // switched on are replaced, but progress and trace count every record.
    QList<IdentifierRecord> records;
    // Where a workbook is filled, unless the host asks the user
    // (FillingHost::chooseRange).
    RangeSelection range;
    // The word processor's progress codes go to the trace log.
    bool trace = false;
    // The file the filled document is saved as, whose format decides how
    // long a cell's text may be: a text it would cut makes the filling
    // fail. Empty when the document is shown instead: the user saves it in
    // the template's format, and the completion box tells what that cuts.
    QString savedAs;
    // The item rows; records with these identifiers are switched off.
    ItemRows items;
};

// What a filling did.
struct FillResult {
    // False when the user cancelled before anything was replaced.
    bool confirmed = true;
    // When the replacing began, and when the filling was done.
    QDateTime startMark;
    QDateTime done;
    LeftIdentifiers left;
    // The cells whose text the format the document is saved in would cut
    // (the template's, for a document that is shown), one clause each.
    QStringList cut;
};
