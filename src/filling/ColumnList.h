#pragma once

#include <QStringList>

// The 702 column names of the range window: "A" to "Z", then "AA" to "ZZ"
// with the first letter varying slowest.
QStringList columnList();
