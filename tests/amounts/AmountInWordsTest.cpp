#include "amounts/AmountInWords.h"
#include "common/Codec1251.h"
#include "support/TestMain.h"

namespace {

QByteArray w(const QString& text)
{
    return cp1251::fromUnicode(text);
}

QString words(const QString& typed)
{
    return cp1251::toUnicode(SumToString(NormalizeSumDigit(w(typed), false), false));
}

} // namespace

class AmountInWordsTest : public QObject {
    Q_OBJECT

private slots:
    void readsAmountsAsWords_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* typed, const char* expected) {
            QTest::newRow(typed) << QString::fromUtf8(typed) << QString::fromUtf8(expected);
        };
        row("1", "один рубль 00 копеек");
        row("2", "два рубля 00 копеек");
        row("5", "пять рублей 00 копеек");
        row("10", "десять рублей 00 копеек");
        row("110", "сто десять рублей 00 копеек");
        row("11", "одиннадцать рублей 00 копеек");
        row("12", "двенадцать рублей 00 копеек");
        row("21", "двадцать один рубль 00 копеек");
        row("1000", "одна тысяча рублей 00 копеек");
        row("2000", "две тысячи рублей 00 копеек");
        row("21000", "двадцать одна тысяча рублей 00 копеек");
        row("11000", "одиннадцать тысяч рублей 00 копеек");
        row("100000", "сто тысяч рублей 00 копеек");
        row("1000000", "один миллион рублей 00 копеек");
        row("1000001", "один миллион один рубль 00 копеек");
        row("2000000000", "два миллиарда рублей 00 копеек");
        row("1234567,89", "один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь рублей 89 копеек");
        row("999 999 999 999,99", "девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов "
                                  "девятьсот девяносто девять тысяч девятьсот девяносто девять рублей 99 копеек");
        row("0,01", "01 копейка");
        row("0,5", "50 копеек");
        row("0", "00 копеек");
        row(",5", "50 копеек");
        row("1000,21", "одна тысяча рублей 21 копейка");
        row("3000,22", "три тысячи рублей 22 копейки");
        row("13,1", "тринадцать рублей 10 копеек");
        row("12,345", "двенадцать рублей 34 копейки");
        row("1500,50", "одна тысяча пятьсот рублей 50 копеек");

        // Every form of every scale: 1, 2 to 4, 5 to 20, 21, 111, 112.
        row("3000", "три тысячи рублей 00 копеек");
        row("4000", "четыре тысячи рублей 00 копеек");
        row("5000", "пять тысяч рублей 00 копеек");
        row("20000", "двадцать тысяч рублей 00 копеек");
        row("111000", "сто одиннадцать тысяч рублей 00 копеек");
        row("112000", "сто двенадцать тысяч рублей 00 копеек");
        row("2000000", "два миллиона рублей 00 копеек");
        row("4000000", "четыре миллиона рублей 00 копеек");
        row("5000000", "пять миллионов рублей 00 копеек");
        row("20000000", "двадцать миллионов рублей 00 копеек");
        row("21000000", "двадцать один миллион рублей 00 копеек");
        row("111000000", "сто одиннадцать миллионов рублей 00 копеек");
        row("112000000", "сто двенадцать миллионов рублей 00 копеек");
        row("1000000000", "один миллиард рублей 00 копеек");
        row("3000000000", "три миллиарда рублей 00 копеек");
        row("5000000000", "пять миллиардов рублей 00 копеек");
        row("20000000000", "двадцать миллиардов рублей 00 копеек");
        row("21000000000", "двадцать один миллиард рублей 00 копеек");
        row("111000000000", "сто одиннадцать миллиардов рублей 00 копеек");
        row("112000000000", "сто двенадцать миллиардов рублей 00 копеек");
        row("3", "три рубля 00 копеек");
        row("20", "двадцать рублей 00 копеек");
        row("111", "сто одиннадцать рублей 00 копеек");
        row("112", "сто двенадцать рублей 00 копеек");
        row("0,02", "02 копейки");
        row("0,04", "04 копейки");
        row("0,11", "11 копеек");
        row("0,12", "12 копеек");
        row("0,20", "20 копеек");

        // Feminine units only in the thousands triad.
        row("2002002002", "два миллиарда два миллиона две тысячи два рубля 00 копеек");
        row("1001001001,01", "один миллиард один миллион одна тысяча один рубль 01 копейка");
        row("14 015 016,17", "четырнадцать миллионов пятнадцать тысяч шестнадцать рублей 17 копеек");
        row("18019,90", "восемнадцать тысяч девятнадцать рублей 90 копеек");
        row("345678", "триста сорок пять тысяч шестьсот семьдесят восемь рублей 00 копеек");
        row("901000000", "девятьсот один миллион рублей 00 копеек");
        // A plus sign and a zero thousands triad bring no words.
        row("+5", "пять рублей 00 копеек");
        row("7000010", "семь миллионов десять рублей 00 копеек");
    }

    void readsAmountsAsWords()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(words(typed), expected);
    }

    void normalisesTypedAmounts_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("canonical");
        QTest::newRow("blank and dash") << QByteArray("1 500-50") << QByteArray("1500,50");
        QTest::newRow("equals, one digit") << QByteArray("1500=5") << QByteArray("1500,50");
        QTest::newRow("full stop group, comma") << QByteArray("1.500,5") << QByteArray("1500,50");
        QTest::newRow("last full stop is the point") << QByteArray("1.500.000") << QByteArray("1500,00");
        QTest::newRow("groups of full stops") << QByteArray("1.500.000,25") << QByteArray("1500000,25");
        QTest::newRow("comma group, full stop") << QByteArray("1,500.25") << QByteArray("1500,25");
        QTest::newRow("separator last") << QByteArray("100,") << QByteArray("100,00");
        QTest::newRow("no separator") << QByteArray("42") << QByteArray("42,00");
        QTest::newRow("third kopeck digit dropped") << QByteArray("12,345") << QByteArray("12,34");
        QTest::newRow("grave accents") << QByteArray("1`000`000") << QByteArray("1000000,00");
        QTest::newRow("marker deleted first") << QByteArray("12\xA9" "5") << QByteArray("125,00");
        QTest::newRow("marker only") << QByteArray("\xA9") << QByteArray(",00");
        QTest::newRow("empty") << QByteArray() << QByteArray(",00");
        QTest::newRow("earlier dash stays") << QByteArray("1-000,50") << QByteArray("1-000,50");
        QTest::newRow("letters stay") << QByteArray("abc") << QByteArray("abc,00");
    }

    void normalisesTypedAmounts()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, canonical);
        QCOMPARE(NormalizeSumDigit(typed, false), canonical);
    }

    void usesTheLocaleSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QByteArray canonical = NormalizeSumDigit("1 500,5", false);
        const bool isNumber = IsAmountNumber("1 500,5", canonical);
        const QByteArray inWords = SumToString(canonical, false);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(canonical, QByteArray("1500.50"));
        QVERIFY(isNumber);
        QCOMPARE(cp1251::toUnicode(inWords), QStringLiteral("одна тысяча пятьсот рублей 50 копеек"));
    }

    void checksNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("isNumber");
        QTest::newRow("plain") << "1500,50" << true;
        QTest::newRow("plus sign") << "+5" << true;
        QTest::newRow("no integer digits") << ",5" << true;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("dash before the point") << "1-000,50" << false;
        QTest::newRow("minus sign") << "-1,50" << false;
        QTest::newRow("minus before digits") << "-150" << false;
        QTest::newRow("minus after blank") << " -5" << false;
        QTest::newRow("plus then minus") << "+-5" << false;
        QTest::newRow("dash as the point") << "1-50" << true;
        QTest::newRow("letter kopecks") << "1,E5" << false;
        QTest::newRow("two signs") << "++5" << false;
        QTest::newRow("marker typed") << QStringLiteral("1©2") << true;
        QTest::newRow("several separators") << "1=2=3" << false;
        QTest::newRow("cyrillic letter") << QStringLiteral("1о0") << false;
    }

    void checksNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(bool, isNumber);
        const QByteArray bytes = w(typed);
        QCOMPARE(IsAmountNumber(bytes, NormalizeSumDigit(bytes, false)), isNumber);
    }

    void givesTriadWords_data()
    {
        QTest::addColumn<QByteArray>("filled");
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zeros") << QByteArray("000,00") << 1 << QString();
        QTest::newRow("thousands triad feminine") << QByteArray("002002,00") << 1 << QStringLiteral("две ");
        QTest::newRow("units triad masculine") << QByteArray("002002,00") << 2 << QStringLiteral("два ");
        QTest::newRow("ten") << QByteArray("510,00") << 1 << QStringLiteral("пятьсот десять ");
        QTest::newRow("teen") << QByteArray("019,00") << 1 << QStringLiteral("девятнадцать ");
        QTest::newRow("non-digit contributes nothing") << QByteArray("1+x,00") << 1 << QStringLiteral("сто ");
    }

    void givesTriadWords()
    {
        QFETCH(QByteArray, filled);
        QFETCH(int, k);
        QFETCH(QString, expected);
        QCOMPARE(cp1251::toUnicode(TriadToString(filled, k, int(filled.size()) - 3, false)), expected);
    }

    void capitalisesTheFirstLetter()
    {
        QCOMPARE(cp1251::toUnicode(CapitalizeFirst(w(QStringLiteral("сто рублей 00 копеек")))),
                 QStringLiteral("Сто рублей 00 копеек"));
        QCOMPARE(CapitalizeFirst(w(QStringLiteral("00 копеек"))), w(QStringLiteral("00 копеек")));
        QCOMPARE(CapitalizeFirst(QByteArray()), QByteArray());
    }
};

KV_TEST_MAIN(AmountInWordsTest)
#include "AmountInWordsTest.moc"
