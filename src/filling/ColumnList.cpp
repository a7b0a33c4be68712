#include "filling/ColumnList.h"

QStringList columnList()
{
    QStringList columns;
    columns.reserve(26 + 26 * 26);
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        columns << QString(QLatin1Char(letter));
    for (char first = 'A'; first <= 'Z'; ++first)
        for (char second = 'A'; second <= 'Z'; ++second)
            columns << QString(QLatin1Char(first)) + QLatin1Char(second);
    return columns;
}
