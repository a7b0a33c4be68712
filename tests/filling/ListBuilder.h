#pragma once

#include "common/Codec1251.h"
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
        records << IdentifierRecord{cp1251::fromUnicode(e.identifier), cp1251::fromUnicode(e.replacement), {}, e.on};
    identifierList().takeOver(records);
}
