#pragma once

#include <QByteArray>

// Amounts of money in figures and in Russian words. Texts are code page 1251
// bytes; the decimal separator is the one of the default locale.
//
// With `trace` on, each routine writes its progress codes into the trace log,
// which the caller has opened; with it off no file is touched.

// The byte that holds the place of the decimal point while the other
// separators are deleted (© in code page 1251).
inline constexpr char kSumMarker = char(0xA9);

// An amount text of 16 or more characters is over 999 999 999 999,99.
inline constexpr int kSumLengthLimit = 16;

// The decimal separator of the default locale as one 1251 byte.
char decimalSeparator();

// Turns an amount typed in any usual way (1 500,50; 1500-50; 1.500=5) into the
// canonical text: the integer part, the decimal separator and exactly two
// kopeck characters. The last of ",.-=" is the decimal point; digits after the
// second kopeck digit are dropped. Never fails; the result may be no number.
QByteArray NormalizeSumDigit(const QByteArray& typed, bool trace);

// True when the canonical text is a number the amount tools accept: an
// optional "+", digits, the separator and two digits, and the typed text
// carries no minus sign (a negative amount is refused, not read as positive).
bool IsAmountNumber(const QByteArray& typed, const QByteArray& canonical);

// The amount in words, in lower case: roubles in words, kopecks in figures.
// The canonical text must be a number of fewer than kSumLengthLimit characters.
QByteArray SumToString(const QByteArray& canonical, bool trace);

// The words of triad k (1-based from the left) of the zero-filled text whose
// integer part has `length` characters; empty for a triad without digits 1-9.
QByteArray TriadToString(const QByteArray& filled, int k, int length, bool trace);

// The words with their first character in upper case under the default
// locale; a digit stays as it is.
QByteArray CapitalizeFirst(const QByteArray& words);
