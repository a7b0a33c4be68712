#include "automatic/DataTable.h"

#include "common/KvilmarError.h"

#include <QDir>

namespace automatic {

namespace {

QString shown(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

} // namespace

QString tablePlace(const QString& fileName, int line)
{
    return QStringLiteral("Таблица \"%1\", строка %2: ").arg(shown(fileName)).arg(line);
}

TableBuilder::TableBuilder(const QString& fileName)
{
    table_.fileName = fileName;
}

void TableBuilder::refuseWide(int line) const
{
    throw KvilmarError(tablePlace(table_.fileName, line)
                       + QStringLiteral("ячеек больше, чем в строке заголовка (%1 в строке %2). "
                                        "Лишним ячейкам не соответствует ни один идентификатор.")
                             .arg(table_.header.size())
                             .arg(table_.headerLine));
}

bool TableBuilder::keepCell(int line, qsizetype column, const QString& cell) const
{
    if (haveHeader_ && column >= table_.header.size()) {
        if (!cell.isEmpty())
            refuseWide(line);
        return false;
    }
    if (cellCount_ + column >= kMaxCells)
        throw KvilmarError(tablePlace(table_.fileName, line)
                           + QStringLiteral("в таблице больше %1 ячеек. Разделите таблицу на части.").arg(kMaxCells));
    return true;
}

void TableBuilder::add(int line, QStringList cells)
{
    // " [ФИО] " typed in a spreadsheet still names [ФИО].
    if (!haveHeader_)
        for (QString& name : cells)
            name = name.trimmed();
    const qsizetype given = cells.size();
    while (!cells.isEmpty() && cells.constLast().isEmpty())
        cells.removeLast();
    if (cells.isEmpty())
        return;
    for (qsizetype column = 0; column < cells.size(); ++column)
        keepCell(line, column, cells.at(column));
    cellCount_ += cells.size();
    if (!haveHeader_) {
        table_.header = std::move(cells);
        table_.headerLine = line;
        haveHeader_ = true;
        return;
    }
    if (table_.rows.size() >= kMaxDataRows)
        throw KvilmarError(tablePlace(table_.fileName, line)
                           + QStringLiteral("строк данных больше %1. Разделите таблицу на части.").arg(kMaxDataRows));
    table_.rows.append(DataRow{static_cast<int>(table_.rows.size()) + 1, line, std::move(cells), given});
}

DataTable TableBuilder::finish()
{
    if (!haveHeader_)
        throw KvilmarError(QStringLiteral("Таблица \"%1\" пуста: в ней нет строки заголовка с именами идентификаторов.")
                               .arg(shown(table_.fileName)));
    if (table_.rows.isEmpty())
        throw KvilmarError(QStringLiteral("В таблице \"%1\" нет ни одной строки с данными, только заголовок.")
                               .arg(shown(table_.fileName)));
    return std::move(table_);
}

DataTable tableFromSheet(const QString& fileName, const QList<QStringList>& sheetRows)
{
    TableBuilder builder(fileName);
    for (qsizetype i = 0; i < sheetRows.size(); ++i) {
        QStringList cells;
        cells.reserve(sheetRows.at(i).size());
        for (QString text : sheetRows.at(i))
            cells.append(text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"))
                             .replace(QLatin1Char('\n'), QLatin1Char('\r')));
        builder.add(static_cast<int>(i) + 1, std::move(cells));
    }
    return builder.finish();
}

} // namespace automatic
