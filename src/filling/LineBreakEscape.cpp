#include "filling/LineBreakEscape.h"

QString convertLineBreak(const QString& text)
{
    return QString(text).replace(QStringLiteral("#13"), QStringLiteral("\r"));
}

QStringList convertLineBreaks(const QStringList& texts)
{
    QStringList converted;
    converted.reserve(texts.size());
    for (const QString& text : texts)
        converted << convertLineBreak(text);
    return converted;
}
