#pragma once

#include <QByteArray>

// In identifiers and replacement texts "#13" stands for a carriage return.
// Only the first occurrence is converted; later ones stay as they are.
QByteArray convertLineBreak(const QByteArray& text);
