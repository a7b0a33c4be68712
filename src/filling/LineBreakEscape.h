#pragma once

#include <QString>
#include <QStringList>

// In identifiers and replacement texts every "#13" stands for a carriage
// return, the program's line break.
QString convertLineBreak(const QString& text);

// The same for each of the texts.
QStringList convertLineBreaks(const QStringList& texts);
