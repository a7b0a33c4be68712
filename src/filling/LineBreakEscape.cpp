#include "filling/LineBreakEscape.h"

QByteArray convertLineBreak(const QByteArray& text)
{
    QByteArray result = text;
    const qsizetype at = result.indexOf("#13");
    if (at >= 0)
        result.replace(at, 3, "\r");
    return result;
}
