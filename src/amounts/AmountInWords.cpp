#include "amounts/AmountInWords.h"

#include "common/Codec1251.h"
#include "common/TraceLog.h"

#include <QLocale>
#include <algorithm>
#include <array>

namespace {

// Writes a progress code when tracing is on.
class Progress {
public:
    explicit Progress(bool on) : on_(on) {}
    void operator()(const char* code) const
    {
        if (on_)
            traceLog::write(code);
    }

private:
    bool on_;
};

using Words = std::array<QByteArray, 10>; // index = digit

QByteArray b(const char* utf8)
{
    return cp1251::fromUnicode(QString::fromUtf8(utf8));
}

Words table(std::initializer_list<const char*> fromOne)
{
    Words words;
    int digit = 1;
    for (const char* w : fromOne)
        words[digit++] = b(w);
    return words;
}

// A counted noun in its three forms.
struct Noun {
    QByteArray many, one, few;
};

struct WordTables {
    Words hundreds = table(
        {"сто ", "двести ", "триста ", "четыреста ", "пятьсот ", "шестьсот ", "семьсот ", "восемьсот ", "девятьсот "});
    Words tens = table({"", "двадцать ", "тридцать ", "сорок ", "пятьдесят ", "шестьдесят ", "семьдесят ",
                        "восемьдесят ", "девяносто "});
    Words teenStems = table({"один", "две", "три", "четыр", "пят", "шест", "сем", "восем", "девят"});
    Words units = table({"один ", "два ", "три ", "четыре ", "пять ", "шесть ", "семь ", "восемь ", "девять "});
    QByteArray teenEnding = b("надцать ");
    QByteArray ten = b("десять ");
    QByteArray oneFeminine = b("одна ");
    QByteArray twoFeminine = b("две ");
    Noun thousands{b("тысяч "), b("тысяча "), b("тысячи ")};
    Noun millions{b("миллионов "), b("миллион "), b("миллиона ")};
    Noun billions{b("миллиардов "), b("миллиард "), b("миллиарда ")};
    Noun roubles{b("рублей "), b("рубль "), b("рубля ")};
    Noun kopecks{b(" копеек"), b(" копейка"), b(" копейки")};
};

const WordTables& words()
{
    static const WordTables tables;
    return tables;
}

enum class Form { Many, One, Few };

// The form of a noun counted by a number whose last two characters are t, u.
Form formOf(char t, char u)
{
    const auto unit = static_cast<unsigned char>(u);
    if (u == '0' || t == '1' || unit >= '5')
        return Form::Many;
    return u == '1' ? Form::One : Form::Few;
}

// Appends the noun in the form for t, u and writes the code of that form.
void appendNoun(QByteArray& out, const Noun& noun, char t, char u, const Progress& progress,
                std::array<const char*, 3> codes)
{
    switch (formOf(t, u)) {
    case Form::Many:
        out += noun.many;
        progress(codes[0]);
        break;
    case Form::One:
        out += noun.one;
        progress(codes[1]);
        break;
    case Form::Few:
        out += noun.few;
        progress(codes[2]);
        break;
    }
}

bool isDigit1to9(char c)
{
    return c >= '1' && c <= '9';
}

// The character at 1-based position pos, or 0 outside the text.
char at(const QByteArray& text, int pos)
{
    return pos >= 1 && pos <= text.size() ? text.at(pos - 1) : '\0';
}

void removeAll(QByteArray& text, char c)
{
    text.removeIf([c](char x) { return x == c; });
}

} // namespace

char decimalSeparator()
{
    const QByteArray sep = cp1251::fromUnicode(QLocale().decimalPoint());
    return sep.isEmpty() ? ',' : sep.at(0);
}

QByteArray NormalizeSumDigit(const QByteArray& typed, bool trace)
{
    const Progress progress(trace);
    progress("v01");
    QByteArray text = typed;
    removeAll(text, kSumMarker);
    progress("v02");
    qsizetype last = -1;
    for (char separator : {',', '.', '-', '='})
        last = std::max(last, text.lastIndexOf(separator));
    progress("v03");
    if (last >= 0) {
        progress("v04");
        text[last] = kSumMarker;
        progress("v05");
        const qsizetype following = text.size() - last - 1;
        if (following >= 2) {
            text.truncate(last + 3);
            progress("v06");
        } else if (following == 1) {
            text.append('0');
            progress("v07");
        } else {
            text.append("00");
            progress("v08");
        }
        progress("v10");
    } else {
        text.append(kSumMarker).append("00");
        progress("v11");
    }
    removeAll(text, ' ');
    progress("v12");
    removeAll(text, '`');
    progress("v13");
    removeAll(text, ',');
    progress("v14");
    removeAll(text, '.');
    progress("v15");
    text.replace(kSumMarker, decimalSeparator());
    progress("v99");
    return text;
}

bool IsAmountNumber(const QByteArray& typed, const QByteArray& canonical)
{
    // A "-" before the first digit is a minus sign, whatever the separator
    // rules would make of it.
    for (char c : typed) {
        if (c >= '0' && c <= '9')
            break;
        if (c == '-')
            return false;
    }
    // Optional "+", digits, the separator, exactly two digits.
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const qsizetype size = canonical.size();
    if (size < 3 || canonical.at(size - 3) != decimalSeparator() || !isDigit(canonical.at(size - 2))
        || !isDigit(canonical.at(size - 1)))
        return false;
    const qsizetype from = canonical.startsWith('+') ? 1 : 0;
    for (qsizetype i = from; i < size - 3; ++i)
        if (!isDigit(canonical.at(i)))
            return false;
    return true;
}

QByteArray TriadToString(const QByteArray& filled, int k, int length, bool trace)
{
    const Progress progress(trace);
    const WordTables& w = words();
    progress("Sf01");
    QByteArray out;
    progress("Sf02");
    const char h = at(filled, 3 * k - 2);
    const char t = at(filled, 3 * k - 1);
    const char u = at(filled, 3 * k);
    if (isDigit1to9(h))
        out += w.hundreds[h - '0'];
    progress("Sf03");
    if (t == '1') {
        if (u == '0') {
            out += w.ten;
        } else {
            progress("Sf04");
            if (isDigit1to9(u))
                out += w.teenStems[u - '0'] + w.teenEnding;
        }
    } else if (t >= '2' && t <= '9') {
        out += w.tens[t - '0'];
    }
    progress("Sf05");
    if (t != '1' && isDigit1to9(u)) {
        const bool thousandsTriad = 3 * k == length - 3;
        if (thousandsTriad && u == '1')
            out += w.oneFeminine;
        else if (thousandsTriad && u == '2')
            out += w.twoFeminine;
        else
            out += w.units[u - '0'];
    }
    progress("Sf99");
    return out;
}

QByteArray SumToString(const QByteArray& canonical, bool trace)
{
    const Progress progress(trace);
    const WordTables& w = words();
    progress("S01");
    QByteArray text = canonical;
    int length = int(text.size()) - 3;
    progress("S02");
    if (length % 3 != 0) {
        progress("S03");
        text.prepend('0');
        progress("S04");
        ++length;
        progress("S05");
    }
    if (length % 3 != 0) {
        progress("S06");
        text.prepend('0');
        progress("S07");
        ++length;
        progress("S08");
    }
    progress("S09");
    const int triads = length / 3;
    progress("S10");
    QByteArray result;
    progress("S11");
    for (int k = 1; k <= triads; ++k) {
        progress("S12");
        const QByteArray triad = TriadToString(text, k, length, trace);
        result += triad;
        progress("S13");
        const int place = triads - k + 1;
        progress("S14");
        if (triad.isEmpty())
            continue;
        const char t = at(text, 3 * k - 1);
        const char u = at(text, 3 * k);
        if (place == 4)
            appendNoun(result, w.billions, t, u, progress, {"S15", "S16", "S17"});
        else if (place == 3)
            appendNoun(result, w.millions, t, u, progress, {"S18", "S19", "S20"});
        else if (place == 2)
            appendNoun(result, w.thousands, t, u, progress, {"S20", "S21", "S22"});
    }
    progress("S23");
    if (!result.isEmpty())
        appendNoun(result, w.roubles, at(text, length - 1), at(text, length), progress, {"S24", "S25", "S26"});
    progress("S27");
    const char tensOfKopecks = at(text, length + 2);
    const char unitsOfKopecks = at(text, length + 3);
    for (char c : {tensOfKopecks, unitsOfKopecks})
        if (c != '\0')
            result += c;
    progress("S28");
    appendNoun(result, w.kopecks, tensOfKopecks, unitsOfKopecks, progress, {"S29", "S30", "S31"});
    progress("S99");
    return result;
}

QByteArray CapitalizeFirst(const QByteArray& words)
{
    if (words.isEmpty())
        return words;
    const QString first = cp1251::toUnicode(words.left(1));
    return cp1251::fromUnicode(QLocale().toUpper(first)).left(1) + words.mid(1);
}
