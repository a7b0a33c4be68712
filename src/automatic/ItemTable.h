#pragma once

#include "automatic/ComputedTexts.h"
#include "automatic/DataTable.h"
#include "filling/FillJob.h"

#include <QHash>
#include <QSet>

// The item table of the fill command (--items, --key): its rows are the
// items of the documents whose key text equals theirs, in the table's order.
namespace automatic {

// A document lists at most this many items: a delivery note of hundreds,
// not a table's worth.
constexpr int kMaxItemsPerDocument = 5000;

class ItemTable {
public:
    // Throws KvilmarError when the table has no column for the key, or a
    // column the list does not name.
    ItemTable(DataTable table, const QString& key, const QList<IdentifierRecord>& list, const QString& listFile);

    // The item columns: every named column but the key's.
    const QStringList& identifiers() const { return identifiers_; }
    const DataTable& table() const { return table_; }

    // The items of the document whose key text is `key`, and its totals
    // (--sum) written into records. The refusal names a total's item that
    // is no amount, or an item text no document can hold.
    struct Items {
        ItemRows rows;
        QString refusal;
    };
    Items itemsFor(const QString& key, const QList<ComputedText>& computed, QList<IdentifierRecord>& records) const;

    // What is told at the end: item rows whose key no document has.
    QStringList unmatched(const QSet<QString>& documentKeys) const;

private:
    DataTable table_;
    QString key_;
    QStringList identifiers_;
    QList<qsizetype> columns_; // of identifiers_, in the table
    QHash<QString, QList<int>> rowsByKey_;
};

} // namespace automatic
