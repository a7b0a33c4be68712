#pragma once

#include <QByteArray>
#include <QString>

// Code page 1251 is the program's own text: the core keeps single-byte text so
// that limits and byte sums count bytes; widgets show QString. These two
// functions are the one place where the two meet.
namespace cp1251 {

// Decodes single-byte 1251 text. Every byte maps to a character, so decoding
// and encoding back gives the same bytes.
QString toUnicode(const QByteArray& bytes);

// Encodes to 1251. A character that 1251 cannot hold becomes '?'.
QByteArray fromUnicode(const QString& text);

} // namespace cp1251
