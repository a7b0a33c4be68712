#pragma once

#include "general/IdentifierList.h"

#include <QList>
#include <QString>

// Sets the process-wide list from readable texts.
struct Entry {
    QString identifier;
    QString replacement;
    bool on = true;
};

inline void setList(const QList<Entry>& entries)
{
    QList<IdentifierRecord> records;
    for (const Entry& e : entries)
        records << IdentifierRecord{e.identifier, e.replacement, {}, e.on};
    identifierList().takeOver(records);
}
