#include "filling/LineBreakEscape.h"

QString convertLineBreak(const QString& text)
{
    return QString(text).replace(QStringLiteral("#13"), QStringLiteral("\r"));
}
