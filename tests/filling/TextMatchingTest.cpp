// The text-matching rules of the office side, without an office: where the
// program's own search finds an identifier in text read back, and when the
// office's pattern search may stand in for its plain search.
#include "support/TestMain.h"

#include "filling/office/matching/PatternFolding.h"
#include "filling/office/matching/PlainMatch.h"

using namespace office;

class TextMatchingTest : public QObject {
    Q_OBJECT

private slots:
    void findsAsThePlainSearch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QList<qsizetype>>("at");
        using At = QList<qsizetype>;
        QTest::newRow("case does not count") << "[fio] и [FIO]" << "[Fio]" << At{0, 8};
        QTest::newRow("cyrillic case") << "Договор ДОГОВОР" << "договор" << At{0, 8};
        QTest::newRow("not overlapping") << "aaaa" << "aa" << At{0, 2};
        QTest::newRow("return matches a paragraph's line feed") << "строка 1\nстрока 2" << "1\r" << At{7};
        QTest::newRow("pattern characters stand for themselves") << "a.b a*b" << "a*b" << At{4};
        QTest::newRow("empty finds nothing") << "abc" << "" << At{};
        QTest::newRow("absent") << "abc" << "abd" << At{};
        QTest::newRow("positions of the text") << "ǅx ǆx" << "ǄX" << At{0, 3};
    }
    void findsAsThePlainSearch()
    {
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(QList<qsizetype>, at);
        QCOMPARE(plainMatches(text, find), at);
        QCOMPARE(containsPlain(text, find), !at.isEmpty());
        QCOMPARE(PlainText(text).contains(find), !at.isEmpty());
    }

    void choosesThePatternSearch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("foldsAlike");
        QTest::addColumn<bool>("special");
        QTest::addColumn<bool>("standsAsReplacement");
        QTest::newRow("ascii and cyrillic") << "[ФИО] №1 «x» — y…" << true << false << true;
        QTest::newRow("apostrophe folds apart") << "d'Artagnan" << false << false << true;
        QTest::newRow("typographic apostrophe is special") << "d’Artagnan" << false << true << true;
        QTest::newRow("sharp s") << "Straße" << false << true << true;
        QTest::newRow("ligature") << "ﬁle" << false << true << true;
        QTest::newRow("old cyrillic form") << QString(QChar(0x1C80)) << false << true << true;
        QTest::newRow("latin with accents") << "Müller" << false << false << true;
        QTest::newRow("back reference") << "a&b" << true << false << false;
        QTest::newRow("group reference") << "$1" << true << false << false;
        QTest::newRow("escape") << "a\\tb" << true << false << false;
        QTest::newRow("control character") << "a\tb" << false << false << false;
        QTest::newRow("outside the basic plane") << "😀" << false << false << true;
    }
    void choosesThePatternSearch()
    {
        QFETCH(QString, text);
        QFETCH(bool, foldsAlike);
        QFETCH(bool, special);
        QFETCH(bool, standsAsReplacement);
        QCOMPARE(foldsAlikeInPatterns(text), foldsAlike);
        QCOMPARE(holdsSpecialFolding(text), special);
        QCOMPARE(office::standsAsReplacement(text), standsAsReplacement);
    }

    // The pattern finds exactly the special characters, as the office's
    // regular expressions read it.
    void patternFindsTheSpecialCharacters()
    {
        const QRegularExpression pattern(specialFoldingPattern());
        QVERIFY(pattern.isValid());
        for (const QString& text : {QStringLiteral("ß"), QStringLiteral("ﬁ"), QStringLiteral("’"), QString(QChar(0x212A))})
            QVERIFY2(pattern.match(text).hasMatch(), qPrintable(text));
        for (const QString& text : {QStringLiteral("s"), QStringLiteral("Ж"), QStringLiteral("'"), QStringLiteral("k")})
            QVERIFY2(!pattern.match(text).hasMatch(), qPrintable(text));
    }
};

KV_TEST_MAIN(TextMatchingTest)
#include "TextMatchingTest.moc"
