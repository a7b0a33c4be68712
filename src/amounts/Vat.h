#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Value added tax at a whole rate of 1 to 99 per cent, in exact decimal
// arithmetic. Texts are code page 1251 bytes.

inline constexpr int kVatRateMin = 1;
inline constexpr int kVatRateMax = 99;
inline constexpr int kVatRateDefault = 20;

// The rate held by the rate box's text: not a whole number counts as the
// lowest rate; a whole number is brought into kVatRateMin..kVatRateMax.
int VatRateFrom(const QString& text);

// The tax on top of a price without tax: rate * amount / 100.
// nullopt when the typed amount is no number (after NormalizeSumDigit).
std::optional<QByteArray> VatFromPrice(const QByteArray& typed, int rate);

// The tax contained in a sum that includes it: rate * amount / (rate + 100).
std::optional<QByteArray> VatFromSum(const QByteArray& typed, int rate);

// The exact quotient amountKopecks * multiplier / divisor kopecks, written in
// roubles with two decimals and the locale's separator, no group separators:
// taken to 18 significant digits, then to the hundredth, halves away from zero.
// amountKopecks holds decimal digits only.
QByteArray FormatKopeckQuotient(const QByteArray& amountKopecks, int multiplier, int divisor);
