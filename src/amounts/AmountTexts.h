#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The amount and VAT windows' results for a text given as a whole (a cell
// of a table, a --set text) rather than typed: the same rules, the same
// locale's decimal separator, the same refusals. Texts are Unicode.
namespace amounts {

// What came of an amount: its text, or why there is none (the window's
// own message).
struct AmountText {
    QString text;
    QString refusal; // empty when text holds the result
};

// The amount in words as the amount window writes it with «Начало с
// заглавной буквы» on: roubles in words, kopecks in figures.
AmountText amountInWords(const QString& amount);

// How the VAT window takes the amount: a price without the tax, on top of
// which the tax comes («НДС от СТОИМОСТИ»), or a sum that contains it
// («НДС от СУММЫ»).
enum class VatBase { Price, Sum };

// The VAT at a whole rate of kVatRateMin..kVatRateMax per cent, as the VAT
// window computes it; the window's amount box takes no more than
// kVatAmountLength characters.
inline constexpr int kVatAmountLength = 16;
AmountText vatOf(const QString& amount, int rate, VatBase base);

// The exact sum of amounts, each as the windows accept it, written as the
// VAT window writes its results (the locale's separator, two decimals).
// The refusal names the first amount that is none, by its index: the
// caller says where it stands.
struct AmountTotal {
    QString text;
    int refused = -1; // index of an amount that is none, or -1
    QString refusal;
};
AmountTotal sumOfAmounts(const QStringList& amounts);

} // namespace amounts
