#include "automatic/ItemTable.h"

#include "common/KvilmarError.h"
#include "filling/FillingRules.h"

#include <QDir>

namespace automatic {

ItemTable::ItemTable(DataTable table, const QString& key, const QList<IdentifierRecord>& list, const QString& listFile)
    : table_(std::move(table)), key_(key)
{
    const QString headerPlace = tablePlace(table_.fileName, table_.headerLine);
    const qsizetype keyColumn = table_.header.indexOf(key);
    if (keyColumn < 0)
        throw KvilmarError(headerPlace
                           + QStringLiteral("нет столбца ключа «%1» (--key): по нему позиции находят "
                                            "свой документ.")
                                 .arg(key));
    for (qsizetype column = 0; column < table_.header.size(); ++column) {
        const QString& name = table_.header.at(column);
        if (name.isEmpty() || column == keyColumn)
            continue;
        if (identifiers_.contains(name))
            throw KvilmarError(headerPlace + QStringLiteral("идентификатор \"%1\" назван в двух столбцах.").arg(name));
        if (!recordNamed(list, name))
            throw KvilmarError(headerPlace
                               + QStringLiteral("столбец %1 называет «%2», а в списке \"%3\" такого "
                                                "идентификатора нет.")
                                     .arg(column + 1)
                                     .arg(name, QDir::toNativeSeparators(listFile)));
        identifiers_ << name;
        columns_ << column;
    }
    if (identifiers_.isEmpty())
        throw KvilmarError(headerPlace + QStringLiteral("кроме ключа «%1», нет ни одного столбца позиций.").arg(key));
    for (int i = 0; i < table_.rows.size(); ++i)
        rowsByKey_[table_.rows.at(i).cell(keyColumn)].append(i);
}

ItemTable::Items ItemTable::itemsFor(const QString& key, const QList<ComputedText>& computed,
                                     QList<IdentifierRecord>& records) const
{
    Items result;
    result.rows.identifiers = identifiers_;
    const QList<int> rows = rowsByKey_.value(key);
    if (rows.size() > kMaxItemsPerDocument) {
        result.refusal = QStringLiteral("позиций с ключом «%1» %2, а в документе их может быть не больше %3")
                             .arg(key)
                             .arg(rows.size())
                             .arg(kMaxItemsPerDocument);
        return result;
    }
    for (int i : rows) {
        const DataRow& row = table_.rows.at(i);
        QStringList texts;
        for (int k = 0; k < columns_.size(); ++k) {
            texts << row.cell(columns_[k]);
            const QString why = filling::unwritableReplacement({identifiers_[k], texts.last(), {}, true});
            if (!why.isEmpty()) {
                result.refusal = tablePlace(table_.fileName, row.line) + why;
                return result;
            }
        }
        result.rows.items << texts;
    }
    for (const ComputedText& c : computed) {
        if (c.kind != ComputedText::Kind::Sum)
            continue;
        const int column = static_cast<int>(identifiers_.indexOf(c.source));
        QStringList amounts;
        for (const QStringList& item : result.rows.items)
            amounts << item.at(column);
        const amounts::AmountTotal total = amounts::sumOfAmounts(amounts);
        if (total.refused >= 0) {
            result.refusal = tablePlace(table_.fileName, table_.rows.at(rows.at(total.refused)).line)
                + computedRefusal(c, amounts.at(total.refused), total.refusal);
            return result;
        }
        setRecordText(records, c.target, total.text);
    }
    return result;
}

QStringList ItemTable::unmatched(const QSet<QString>& documentKeys) const
{
    constexpr int kShown = 10;
    QStringList lines;
    int more = 0;
    for (const DataRow& row : table_.rows)
        if (!documentKeys.contains(row.cell(table_.header.indexOf(key_))) && (lines.size() < kShown || !++more))
            lines << tablePlace(table_.fileName, row.line)
                    + QStringLiteral("ключ «%1» не назван ни в одном документе, позиция не вошла никуда.")
                          .arg(row.cell(table_.header.indexOf(key_)));
    if (more > 0)
        lines << QStringLiteral("И ещё позиций без документа: %1.").arg(more);
    return lines;
}

} // namespace automatic
