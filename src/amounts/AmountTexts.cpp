#include "amounts/AmountTexts.h"

#include "amounts/AmountInWords.h"
#include "amounts/Vat.h"
#include "common/Codec1251.h"

namespace amounts {

namespace {

const QString kInvalidNumber = QStringLiteral("Недопустимый формат числа!");
const QString kOverLimit = QStringLiteral("Сумма не должна превышать 999 999 999 999,00");

// The windows take the text as code page 1251: a character it cannot hold
// would become "?", which no amount holds, so such a text is no amount.
std::optional<QByteArray> typedBytes(const QString& amount)
{
    if (!cp1251::canEncode(amount))
        return std::nullopt;
    return cp1251::fromUnicode(amount);
}

} // namespace

AmountText amountInWords(const QString& amount)
{
    const std::optional<QByteArray> typed = typedBytes(amount);
    if (!typed)
        return {{}, kInvalidNumber};
    const QByteArray canonical = NormalizeSumDigit(*typed, false);
    if (!IsAmountNumber(*typed, canonical))
        return {{}, kInvalidNumber};
    if (canonical.size() >= kSumLengthLimit)
        return {{}, kOverLimit};
    return {cp1251::toUnicode(CapitalizeFirst(SumToString(canonical, false))), {}};
}

AmountText vatOf(const QString& amount, int rate, VatBase base)
{
    const std::optional<QByteArray> typed = typedBytes(amount);
    if (!typed || typed->size() > kVatAmountLength)
        return {{}, kInvalidNumber};
    const std::optional<QByteArray> tax =
        base == VatBase::Price ? VatFromPrice(*typed, rate) : VatFromSum(*typed, rate);
    if (!tax)
        return {{}, kInvalidNumber};
    return {cp1251::toUnicode(*tax), {}};
}

AmountTotal sumOfAmounts(const QStringList& amounts)
{
    // Kopecks as decimal digits, added column by column: no count of items
    // or size of amount overflows.
    QByteArray total = "0";
    for (int i = 0; i < amounts.size(); ++i) {
        const std::optional<QByteArray> typed = typedBytes(amounts[i]);
        const QByteArray canonical = typed ? NormalizeSumDigit(*typed, false) : QByteArray();
        if (!typed || !IsAmountNumber(*typed, canonical) || canonical.size() >= kSumLengthLimit)
            return {{}, i, typed && IsAmountNumber(*typed, canonical) ? kOverLimit : kInvalidNumber};
        QByteArray digits = canonical;
        digits.remove(digits.size() - 3, 1);
        if (digits.startsWith('+'))
            digits.remove(0, 1);
        QByteArray sum;
        int carry = 0;
        for (qsizetype a = total.size() - 1, b = digits.size() - 1; a >= 0 || b >= 0 || carry; --a, --b) {
            const int v = (a >= 0 ? total[a] - '0' : 0) + (b >= 0 ? digits[b] - '0' : 0) + carry;
            sum.prepend(char('0' + v % 10));
            carry = v / 10;
        }
        total = sum;
    }
    return {cp1251::toUnicode(FormatKopeckQuotient(total, 1, 1)), -1, {}};
}

} // namespace amounts
