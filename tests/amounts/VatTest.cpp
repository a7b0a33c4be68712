#include "amounts/Vat.h"
#include "support/TestMain.h"

class VatTest : public QObject {
    Q_OBJECT

private slots:
    void computesTax_data()
    {
        QTest::addColumn<QByteArray>("amount");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QByteArray>("fromPrice");
        QTest::addColumn<QByteArray>("fromSum");
        QTest::newRow("1000 at 20") << QByteArray("1000") << 20 << QByteArray("200,00") << QByteArray("166,67");
        QTest::newRow("1000 at 18") << QByteArray("1000") << 18 << QByteArray("180,00") << QByteArray("152,54");
        QTest::newRow("0,63 at 20") << QByteArray("0,63") << 20 << QByteArray("0,13") << QByteArray("0,11");
        QTest::newRow("half rounds up") << QByteArray("0,25") << 50 << QByteArray("0,13") << QByteArray("0,08");
        QTest::newRow("input cut to kopecks") << QByteArray("0,625") << 20 << QByteArray("0,12") << QByteArray("0,10");
        QTest::newRow("dash as point") << QByteArray("1 500-50") << 20 << QByteArray("300,10") << QByteArray("250,08");
        QTest::newRow("1000 at 99") << QByteArray("1000") << 99 << QByteArray("990,00") << QByteArray("497,49");
        QTest::newRow("zero") << QByteArray("0") << 20 << QByteArray("0,00") << QByteArray("0,00");
        QTest::newRow("tiny") << QByteArray("0,01") << 1 << QByteArray("0,00") << QByteArray("0,00");
        QTest::newRow("plus sign") << QByteArray("+100") << 10 << QByteArray("10,00") << QByteArray("9,09");
        QTest::newRow("largest typed") << QByteArray("9999999999999,99") << 99
                                       << QByteArray("9899999999999,99") << QByteArray("4974874371859,29");
        // Beyond 18 significant digits the tax is taken to 18 first.
        QTest::newRow("18 significant digits") << QByteArray("123456789012345678,90") << 20
                                               << QByteArray("24691357802469135,80")
                                               << QByteArray("20576131502057613,20");
    }

    void computesTax()
    {
        QFETCH(QByteArray, amount);
        QFETCH(int, rate);
        QFETCH(QByteArray, fromPrice);
        QFETCH(QByteArray, fromSum);
        QCOMPARE(VatFromPrice(amount, rate), std::optional<QByteArray>(fromPrice));
        QCOMPARE(VatFromSum(amount, rate), std::optional<QByteArray>(fromSum));
    }

    void refusesWhatIsNoAmount_data()
    {
        QTest::addColumn<QByteArray>("amount");
        QTest::newRow("letters") << QByteArray("abc");
        QTest::newRow("minus") << QByteArray("-1000");
        QTest::newRow("minus with point") << QByteArray("-1,50");
        QTest::newRow("dash inside") << QByteArray("1-000,50");
        QTest::newRow("long words") << QByteArray(400, 'x');
    }

    void refusesWhatIsNoAmount()
    {
        QFETCH(QByteArray, amount);
        QCOMPARE(VatFromPrice(amount, 20), std::nullopt);
        QCOMPARE(VatFromSum(amount, 20), std::nullopt);
    }

    void handlesVeryLongNumbers()
    {
        // A text picked from the list has no length limit.
        const QByteArray amount = "1" + QByteArray(299, '0');
        QCOMPARE(VatFromPrice(amount, 20), std::optional<QByteArray>("2" + QByteArray(298, '0') + ",00"));
        const std::optional<QByteArray> fromSum = VatFromSum(amount, 20);
        QVERIFY(fromSum);
        // 10^299 / 6 to 18 significant digits.
        QCOMPARE(*fromSum, "166666666666666667" + QByteArray(281, '0') + ",00");
    }

    void readsTheRate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rate");
        QTest::newRow("default") << "20" << 20;
        QTest::newRow("lowest") << "1" << 1;
        QTest::newRow("highest") << "99" << 99;
        QTest::newRow("zero") << "0" << 1;
        QTest::newRow("too high") << "150" << 99;
        QTest::newRow("text") << "abc" << 1;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("fraction") << "1,5" << 1;
        QTest::newRow("negative") << "-5" << 1;
    }

    void readsTheRate()
    {
        QFETCH(QString, text);
        QFETCH(int, rate);
        QCOMPARE(VatRateFrom(text), rate);
    }

    void writesTheLocaleSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto tax = VatFromSum("1000.00", 20);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(tax, std::optional<QByteArray>("166.67"));
    }
};

KV_TEST_MAIN(VatTest)
#include "VatTest.moc"
