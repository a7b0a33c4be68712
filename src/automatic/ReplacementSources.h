#pragma once

#include "automatic/DataTable.h"
#include "general/IdentifierList.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// Where the replacement texts of a fill command come from, later sources
// winning: the list file, the replacement list file, the --set pairs, and
// the cells of the data row. The records' order and status are the list
// file's; an identifier that only --set or the table names becomes a new
// record at the end, switched on.
namespace automatic {

struct SetPair {
    QString identifier;
    QString text;
};

// "ID=TEXT" split at the first "=". Throws KvilmarError for a missing "=", an
// empty identifier or one longer than 255 characters.
SetPair parseSetPair(const QString& argument);

// Refuses a table whose header names no identifier of the list: most often
// the wrong file or a separator that was not recognised.
void checkHeaderNamesList(const DataTable& table, const QList<IdentifierRecord>& list, const QString& listFileName);

class ReplacementSources {
public:
    // Merges everything but the data rows. replacementTexts are those of a
    // replacement list file (text k for record k). table may be null.
    // Throws KvilmarError for a header cell that names an identifier twice,
    // is longer than 255 characters, or a column without a name that holds
    // text, and when the records would pass 51.
    ReplacementSources(const QList<IdentifierRecord>& list, const QStringList& replacementTexts,
                       const QList<SetPair>& sets, const DataTable* table);

    // The records without any data row.
    const QList<IdentifierRecord>& records() const { return records_; }
    // Header columns whose name the list file does not hold: such a column
    // still fills its name wherever the template has it.
    struct UnlistedColumn {
        qsizetype column = 0; // 0-based
        QString name;
    };
    const QList<UnlistedColumn>& unlistedColumns() const { return unlisted_; }
    // The records for one data row: its cells over every other source; an
    // empty or missing cell makes its identifiers' text empty.
    QList<IdentifierRecord> recordsFor(const DataRow& row) const;

private:
    void addNew(const QString& identifier, const QString& from);
    QList<IdentifierRecord> records_;
    QList<UnlistedColumn> unlisted_;
    // Each header column with a name, and the records it sets.
    QList<std::pair<qsizetype, QList<int>>> namedColumns_;
};

} // namespace automatic
