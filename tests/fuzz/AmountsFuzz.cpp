// The readers of typed amounts: the amount normaliser behind the amount and
// VAT windows, the amount in words, and the VAT calculator. The canonical
// text has its one separator in place, a canonical amount normalises to
// itself, and the tax is the exact quotient to the kopeck.

#include "FuzzSupport.h"

#include "amounts/AmountInWords.h"
#include "amounts/Vat.h"
#include "common/Codec1251.h"

namespace {

using Int = __int128;

// The decimal digits as a number; false past 30 digits.
bool toInt(const QByteArray& digits, Int& value)
{
    if (digits.isEmpty() || digits.size() > 30)
        return false;
    value = 0;
    for (const char c : digits) {
        FUZZ_REQUIRE(c >= '0' && c <= '9');
        value = value * 10 + (c - '0');
    }
    return true;
}

// A tax text: digits, the separator, two digits; its value in kopecks.
bool taxKopecks(const QByteArray& tax, Int& kopecks)
{
    const qsizetype size = tax.size();
    FUZZ_REQUIRE(size >= 4 && tax.at(size - 3) == decimalSeparator());
    return toInt(tax.left(size - 3) + tax.right(2), kopecks);
}

// The tax is the exact amount * rate / divisor kopecks, taken to 18
// significant digits and then to the kopeck: within one kopeck of it, or
// within one unit of the 18th digit when the kopecks have more digits.
void requireTax(const std::optional<QByteArray>& tax, const QByteArray& kopecks, int rate, int divisor)
{
    FUZZ_REQUIRE(tax.has_value());
    Int amount = 0;
    Int result = 0;
    if (!toInt(kopecks, amount) || !taxKopecks(*tax, result))
        return;
    const Int exact = amount * rate;   // result * divisor comes near it
    Int tolerance = 1;
    for (Int whole = exact / divisor; whole >= Int(1000000000) * 1000000000; whole /= 10)
        tolerance *= 10;
    const Int difference = result * divisor - exact;
    FUZZ_REQUIRE(difference <= tolerance * divisor && difference >= -tolerance * divisor);
}

void amount(const QByteArray& typed, int rate)
{
    const char separator = decimalSeparator();
    const QByteArray canonical = NormalizeSumDigit(typed, false);
    FUZZ_REQUIRE(!canonical.contains(kSumMarker));
    FUZZ_REQUIRE(!canonical.contains(' ') && !canonical.contains('`'));
    FUZZ_REQUIRE(canonical.count(separator) == 1);
    FUZZ_REQUIRE(canonical.lastIndexOf(separator) >= canonical.size() - 3);

    const bool number = IsAmountNumber(typed, canonical);
    FUZZ_REQUIRE(VatFromPrice(typed, rate).has_value() == number);
    if (!number)
        return;
    FUZZ_REQUIRE(canonical.size() >= 3 && canonical.at(canonical.size() - 3) == separator);
    FUZZ_REQUIRE(NormalizeSumDigit(canonical, false) == canonical);

    if (canonical.size() < kSumLengthLimit) {
        const QByteArray words = SumToString(canonical, false);
        // Kopecks in figures and their word come last.
        bool kopeckWord = false;
        for (const char* word : {" копеек", " копейка", " копейки"})
            kopeckWord = kopeckWord || words.endsWith(canonical.right(2) + cp1251::fromUnicode(QString::fromUtf8(word)));
        FUZZ_REQUIRE(kopeckWord);
        const QByteArray capital = CapitalizeFirst(words);
        FUZZ_REQUIRE(capital.size() == words.size());
        FUZZ_REQUIRE(capital.mid(1) == words.mid(1));
    }

    QByteArray digits = canonical;
    digits.remove(digits.size() - 3, 1);
    if (digits.startsWith('+'))
        digits.remove(0, 1);
    requireTax(VatFromPrice(typed, rate), digits, rate, 100);
    requireTax(VatFromSum(typed, rate), digits, rate, rate + 100);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useRussianLocale();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::input(data, size);
    // The first byte chooses how much of the rest is the rate box's text;
    // what follows is the amount.
    const int rateLength = bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes.at(0)) % 4;
    const int rate = VatRateFrom(QString::fromLatin1(bytes.mid(1, rateLength)));
    FUZZ_REQUIRE(rate >= kVatRateMin && rate <= kVatRateMax);
    amount(bytes.mid(1 + rateLength), rate);
    return 0;
}
