#include "automatic/ReplacementSources.h"

#include "common/KvilmarError.h"

#include <QDir>
#include <QSet>

namespace automatic {

namespace {

QList<int> recordsNamed(const QList<IdentifierRecord>& records, const QString& identifier)
{
    QList<int> found;
    for (int i = 0; i < records.size(); ++i)
        if (records.at(i).identifier == identifier)
            found.append(i);
    return found;
}

QString tooLong(const QString& where)
{
    return where + QStringLiteral("идентификатор длиннее %1 символов.").arg(IdentifierList::kIdentifierLimit);
}

} // namespace

SetPair parseSetPair(const QString& argument)
{
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    const QString where = QStringLiteral("--set \"%1\": ").arg(argument);
    if (equals < 0)
        throw KvilmarError(where + QStringLiteral("нужна запись ИДЕНТИФИКАТОР=ТЕКСТ."));
    const QString identifier = argument.left(equals);
    if (identifier.isEmpty())
        throw KvilmarError(where + QStringLiteral("перед \"=\" не указан идентификатор."));
    if (identifier.size() > IdentifierList::kIdentifierLimit)
        throw KvilmarError(tooLong(where));
    return SetPair{identifier, argument.mid(equals + 1)};
}

void checkHeaderNamesList(const DataTable& table, const QList<IdentifierRecord>& list, const QString& listFileName)
{
    for (const QString& name : table.header)
        if (!name.isEmpty() && !recordsNamed(list, name).isEmpty())
            return;
    throw KvilmarError(
        tablePlace(table.fileName, table.headerLine)
        + QStringLiteral("строка заголовка не называет ни одного идентификатора из списка \"%1\". "
                         "В первой строке таблицы должны стоять идентификаторы так, как они записаны в списке.")
              .arg(QDir::toNativeSeparators(listFileName)));
}

ReplacementSources::ReplacementSources(const QList<IdentifierRecord>& list, const QStringList& replacementTexts,
                                       const QList<SetPair>& sets, const DataTable* table)
    : records_(list)
{
    for (qsizetype k = 0; k < records_.size() && k < replacementTexts.size(); ++k)
        records_[k].replacement = replacementTexts.at(k);

    for (const SetPair& set : sets) {
        if (recordsNamed(records_, set.identifier).isEmpty())
            addNew(set.identifier, QStringLiteral("--set"));
        for (int i : recordsNamed(records_, set.identifier))
            records_[i].replacement = set.text;
    }

    if (!table)
        return;
    QSet<QString> seen;
    const QString headerPlace = tablePlace(table->fileName, table->headerLine);
    for (qsizetype column = 0; column < table->header.size(); ++column) {
        const QString& name = table->header.at(column);
        if (name.isEmpty())
            continue;
        if (name.size() > IdentifierList::kIdentifierLimit)
            throw KvilmarError(tooLong(headerPlace + QStringLiteral("в столбце %1 ").arg(column + 1)));
        if (seen.contains(name))
            throw KvilmarError(headerPlace + QStringLiteral("идентификатор \"%1\" назван в двух столбцах.").arg(name));
        seen.insert(name);
        if (recordsNamed(list, name).isEmpty())
            unlisted_.append({column, name});
        if (recordsNamed(records_, name).isEmpty())
            addNew(name, QStringLiteral("таблица \"%1\"").arg(QDir::toNativeSeparators(table->fileName)));
        namedColumns_.append({column, recordsNamed(records_, name)});
    }
    for (const DataRow& row : table->rows)
        for (qsizetype column = 0; column < row.cells.size(); ++column)
            if (table->header.at(column).isEmpty() && !row.cells.at(column).isEmpty())
                throw KvilmarError(tablePlace(table->fileName, row.line)
                                   + QStringLiteral("в столбце %1 есть текст, а в строке заголовка у этого столбца "
                                                    "нет идентификатора.")
                                         .arg(column + 1));
}

void ReplacementSources::addNew(const QString& identifier, const QString& from)
{
    if (records_.size() >= IdentifierList::kSlots)
        throw KvilmarError(QStringLiteral("Идентификатор \"%1\" (%2) не помещается в список: в списке может быть "
                                          "не больше %3 идентификаторов.")
                               .arg(identifier, from)
                               .arg(IdentifierList::kSlots));
    records_.append(IdentifierRecord{identifier, QString(), QString(), true});
}

QList<IdentifierRecord> ReplacementSources::recordsFor(const DataRow& row) const
{
    QList<IdentifierRecord> records = records_;
    for (const auto& [column, indexes] : namedColumns_)
        for (int i : indexes)
            records[i].replacement = row.cell(column);
    return records;
}

} // namespace automatic
