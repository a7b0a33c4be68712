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

// True when every character of the text has its own byte in 1251, so that
// encoding loses nothing.
bool canEncode(const QString& text);

// The text of a file that may come from another system, as 1251 bytes: a
// file that starts with UTF-8's byte-order mark, or is valid UTF-8 and not
// plain ASCII, is converted from UTF-8 ('?' for what 1251 lacks); any other
// file is taken as 1251 already and returned unchanged.
QByteArray fromFileText(const QByteArray& bytes);

} // namespace cp1251
