#pragma once

#include <QString>

// In identifiers and replacement texts every "#13" stands for a carriage
// return, the program's line break.
QString convertLineBreak(const QString& text);
