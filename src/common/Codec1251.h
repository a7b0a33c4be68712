#pragma once

#include <QByteArray>
#include <QString>

// Code page 1251 is the format of the program's list and settings files; the
// program itself keeps Unicode text. These functions are where the two meet:
// the readers and writers of those files, and nowhere else.
namespace cp1251 {

// Decodes single-byte 1251 text. Every byte maps to a character, so decoding
// and encoding back gives the same bytes.
QString toUnicode(const QByteArray& bytes);

// Encodes to 1251. A character that 1251 cannot hold becomes '?'.
QByteArray fromUnicode(const QString& text);

// True when every character of the text has its own byte in 1251, so that
// encoding loses nothing.
bool canEncode(const QString& text);

// The characters of the text that 1251 cannot hold, each once, in order.
QString unencodable(const QString& text);

// The text of a file that may come from another system: a file that starts
// with a UTF-8 or UTF-16 byte-order mark is read in that encoding, one that is
// valid UTF-8 and not plain ASCII as UTF-8, and any other as 1251.
QString decodeFileText(const QByteArray& bytes);

} // namespace cp1251
