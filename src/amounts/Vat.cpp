#include "amounts/Vat.h"

#include "amounts/AmountInWords.h"

#include <algorithm>

namespace {

constexpr int kSignificantDigits = 18;
// Fraction digits of the kopeck quotient worked out: a non-zero quotient of a
// divisor below 200 shows its first digit within three places, so this holds
// the 18 significant digits and the one that rounds them.
constexpr int kFractionDigits = 24;

// digits * factor, both decimal; factor is small.
QByteArray multiply(const QByteArray& digits, int factor)
{
    QByteArray out(digits.size() + 3, '0');
    int carry = 0;
    qsizetype o = out.size() - 1;
    for (qsizetype i = digits.size() - 1; i >= 0; --i, --o) {
        const int v = (digits.at(i) - '0') * factor + carry;
        out[o] = char('0' + v % 10);
        carry = v / 10;
    }
    for (; o >= 0; --o) {
        out[o] = char('0' + carry % 10);
        carry /= 10;
    }
    return out;
}

// Adds one unit at the last digit of digits[0..end), carrying leftwards. The
// caller keeps a leading "0" so that the carry always finds room.
void incrementPrefix(QByteArray& digits, qsizetype end)
{
    for (qsizetype i = end - 1; i >= 0; --i) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            ++digits[i];
            return;
        }
    }
}

// Rounds at position `keep` (digits from keep on are dropped), halves away
// from zero.
void roundAt(QByteArray& digits, qsizetype keep)
{
    if (keep >= digits.size())
        return;
    const bool up = digits.at(keep) >= '5';
    std::fill(digits.begin() + keep, digits.end(), '0');
    if (up)
        incrementPrefix(digits, keep);
}

std::optional<QByteArray> kopecksOf(const QByteArray& typed)
{
    const QByteArray canonical = NormalizeSumDigit(typed, false);
    if (!IsAmountNumber(typed, canonical))
        return std::nullopt;
    QByteArray digits = canonical;
    digits.remove(digits.size() - 3, 1); // the separator
    if (digits.startsWith('+'))
        digits.remove(0, 1);
    return digits;
}

} // namespace

int VatRateFrom(const QString& text)
{
    bool whole = false;
    const qlonglong rate = text.trimmed().toLongLong(&whole);
    if (!whole)
        return kVatRateMin;
    return int(std::clamp<qlonglong>(rate, kVatRateMin, kVatRateMax));
}

QByteArray FormatKopeckQuotient(const QByteArray& amountKopecks, int multiplier, int divisor)
{
    // Long division of the numerator by the divisor: the integer kopecks,
    // then kFractionDigits further digits.
    const QByteArray numerator = multiply(amountKopecks, multiplier);
    QByteArray quotient;
    quotient.reserve(numerator.size() + kFractionDigits + 3);
    quotient.append("000"); // room for a carry and at least one rouble digit
    int remainder = 0;
    for (char c : numerator) {
        const int v = remainder * 10 + (c - '0');
        quotient.append(char('0' + v / divisor));
        remainder = v % divisor;
    }
    for (int i = 0; i < kFractionDigits; ++i) {
        const int v = remainder * 10;
        quotient.append(char('0' + v / divisor));
        remainder = v % divisor;
    }
    // In roubles the point stands two digits further left.
    const qsizetype point = quotient.size() - kFractionDigits - 2;

    qsizetype first = 0;
    while (first < quotient.size() && quotient.at(first) == '0')
        ++first;
    if (first < quotient.size())
        roundAt(quotient, first + kSignificantDigits);
    roundAt(quotient, point + 2);

    QByteArray roubles = quotient.left(point);
    qsizetype lead = 0;
    while (lead < roubles.size() - 1 && roubles.at(lead) == '0')
        ++lead;
    return roubles.mid(lead) + decimalSeparator() + quotient.mid(point, 2);
}

std::optional<QByteArray> VatFromPrice(const QByteArray& typed, int rate)
{
    const std::optional<QByteArray> kopecks = kopecksOf(typed);
    if (!kopecks)
        return std::nullopt;
    return FormatKopeckQuotient(*kopecks, rate, 100);
}

std::optional<QByteArray> VatFromSum(const QByteArray& typed, int rate)
{
    const std::optional<QByteArray> kopecks = kopecksOf(typed);
    if (!kopecks)
        return std::nullopt;
    return FormatKopeckQuotient(*kopecks, rate, rate + 100);
}
