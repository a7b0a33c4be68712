#include "support/TestMain.h"

#include "automatic/ReplacementSources.h"
#include "common/KvilmarError.h"

using namespace automatic;

namespace {

// "ID=TEXT" records, "!" in front for a record that is off.
QList<IdentifierRecord> records(const QStringList& described)
{
    QList<IdentifierRecord> list;
    for (QString d : described) {
        const bool off = d.startsWith(QLatin1Char('!'));
        if (off)
            d.remove(0, 1);
        const qsizetype eq = d.indexOf(QLatin1Char('='));
        list.append({d.left(eq), d.mid(eq + 1), "comment", !off});
    }
    return list;
}

QStringList described(const QList<IdentifierRecord>& list)
{
    QStringList out;
    for (const IdentifierRecord& r : list)
        out << (r.status ? QString() : QStringLiteral("!")) + r.identifier + QLatin1Char('=') + r.replacement;
    return out;
}

QList<SetPair> sets(const QStringList& arguments)
{
    QList<SetPair> pairs;
    for (const QString& a : arguments)
        pairs << parseSetPair(a);
    return pairs;
}

// A table from its header and rows of cells, each row on the next line.
DataTable table(const QStringList& header, const QList<QStringList>& rows)
{
    DataTable t;
    t.fileName = QStringLiteral("d.csv");
    t.headerLine = 1;
    for (const QString& name : header)
        t.header << name;
    for (int i = 0; i < rows.size(); ++i) {
        DataRow row{i + 1, i + 2, {}};
        for (const QString& cell : rows.at(i))
            row.cells << cell;
        t.rows << row;
    }
    return t;
}

QStringList many(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("id%1=t").arg(i);
    return list;
}

} // namespace

class ReplacementSourcesTest : public QObject {
    Q_OBJECT

private slots:
    void laterSourcesWin_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("replacementLines");
        QTest::addColumn<QStringList>("setArguments");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("list alone") << QStringList{"A=a", "!B=b"} << QStringList{} << QStringList{} << QStringList{}
                                    << QStringList{} << QStringList{"A=a", "!B=b"};
        QTest::newRow("replacement list over list, an empty line empties")
            << QStringList{"A=a", "B=b", "C=c"} << QStringList{"x", ""} << QStringList{} << QStringList{}
            << QStringList{} << QStringList{"A=x", "B=", "C=c"};
        QTest::newRow("--set over the replacement list, the later --set winning")
            << QStringList{"A=a", "B=b"} << QStringList{"x", "y"} << QStringList{"A=s", "A=t"} << QStringList{}
            << QStringList{} << QStringList{"A=t", "B=y"};
        QTest::newRow("row cells over --set; order and status are the list's")
            << QStringList{"!B=b", "A=a"} << QStringList{} << QStringList{"A=s"} << QStringList{"A", "B"}
            << QStringList{"1", "2"} << QStringList{"!B=2", "A=1"};
        QTest::newRow("new identifiers come after the list, on")
            << QStringList{"A=a"} << QStringList{} << QStringList{"[Дата]=1 мая"} << QStringList{"A", "[ФИО]"}
            << QStringList{"r", "Иванов"} << QStringList{"A=r", "[Дата]=1 мая", "[ФИО]=Иванов"};
        QTest::newRow("a missing cell empties its identifier")
            << QStringList{"A=a", "B=b"} << QStringList{} << QStringList{} << QStringList{"A", "B"}
            << QStringList{"r"} << QStringList{"A=r", "B="};
        QTest::newRow("an identifier listed twice gets the text in both records")
            << QStringList{"A=a", "A=b"} << QStringList{} << QStringList{} << QStringList{"A"} << QStringList{"r"}
            << QStringList{"A=r", "A=r"};
        QTest::newRow("identifiers differ in case")
            << QStringList{"a=x"} << QStringList{} << QStringList{} << QStringList{"a", "A"}
            << QStringList{"1", "2"} << QStringList{"a=1", "A=2"};
        QTest::newRow("a column without a name and without text is passed over")
            << QStringList{"A=a"} << QStringList{} << QStringList{} << QStringList{"A", ""} << QStringList{"r", ""}
            << QStringList{"A=r"};
    }
    void laterSourcesWin()
    {
        QFETCH(QStringList, list);
        QFETCH(QStringList, replacementLines);
        QFETCH(QStringList, setArguments);
        QFETCH(QStringList, header);
        QFETCH(QStringList, row);
        QFETCH(QStringList, expected);
        const DataTable t = table(header, {row});
        const ReplacementSources sources(records(list), replacementLines, sets(setArguments), header.isEmpty() ? nullptr : &t);
        QCOMPARE(described(header.isEmpty() ? sources.records() : sources.recordsFor(t.rows.first())), expected);
    }

    void refusesWhatCannotBeMerged_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("setArguments");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("--set past 51") << many(51) << QStringList{"N=n"} << QStringList{} << QList<QStringList>{}
                                       << "Идентификатор \"N\" (--set) не помещается в список: в списке может быть не больше 51 идентификаторов.";
        QTest::newRow("header past 51") << many(50) << QStringList{"N=n"} << QStringList{"id0", "H"}
                                        << QList<QStringList>{{"1", "2"}}
                                        << "Идентификатор \"H\" (таблица \"d.csv\") не помещается в список";
        QTest::newRow("header name too long") << QStringList{"A=a"} << QStringList{} << QStringList{"A", QString(256, 'x')}
                                              << QList<QStringList>{{"1"}}
                                              << "Таблица \"d.csv\", строка 1: в столбце 2 идентификатор длиннее 255 символов.";
        QTest::newRow("header names one twice") << QStringList{"A=a"} << QStringList{} << QStringList{"A", "B", "A"}
                                                << QList<QStringList>{{"1"}}
                                                << "Таблица \"d.csv\", строка 1: идентификатор \"A\" назван в двух столбцах.";
        QTest::newRow("text under a nameless column")
            << QStringList{"A=a"} << QStringList{} << QStringList{"A", ""} << QList<QStringList>{{"1"}, {"2", "lost"}}
            << "Таблица \"d.csv\", строка 3: в столбце 2 есть текст, а в строке заголовка у этого столбца нет идентификатора.";
    }
    void refusesWhatCannotBeMerged()
    {
        QFETCH(QStringList, list);
        QFETCH(QStringList, setArguments);
        QFETCH(QStringList, header);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, message);
        const DataTable t = table(header, rows);
        try {
            ReplacementSources(records(list), {}, sets(setArguments), header.isEmpty() ? nullptr : &t);
            QFAIL("accepted");
        } catch (const KvilmarError& e) {
            QVERIFY2(e.text().startsWith(message), qPrintable(e.text()));
        }
    }

    void headerMustNameTheList_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("one of the list") << QStringList{"X", "", "B"} << true;
        QTest::newRow("only new ones") << QStringList{"X", "Y"} << false;
        QTest::newRow("whole line, wrong separator") << QStringList{"A,B"} << false;
        QTest::newRow("case differs") << QStringList{"a"} << false;
    }
    void headerMustNameTheList()
    {
        QFETCH(QStringList, header);
        QFETCH(bool, accepted);
        try {
            checkHeaderNamesList(table(header, {}), records({"A=a", "B=b"}), QStringLiteral("l.fdp"));
            QVERIFY(accepted);
        } catch (const KvilmarError& e) {
            QVERIFY(!accepted);
            QVERIFY(e.text().startsWith(QStringLiteral(
                "Таблица \"d.csv\", строка 1: строка заголовка не называет ни одного идентификатора из списка \"l.fdp\".")));
        }
    }

    void parsesSetPairs_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("first = splits") << "[a]=x=y" << "[a]" << "x=y" << "";
        QTest::newRow("empty text") << "Я=" << "Я" << "" << "";
        QTest::newRow("text beyond 1251 arrives whole") << "a=Łukasz 日本 м² ½ 😀" << "a" << "Łukasz 日本 м² ½ 😀" << "";
        QTest::newRow("no =") << "abc" << "" << "" << "--set \"abc\": нужна запись ИДЕНТИФИКАТОР=ТЕКСТ.";
        QTest::newRow("no identifier") << "=x" << "" << "" << "--set \"=x\": перед \"=\" не указан идентификатор.";
        QTest::newRow("identifier beyond 1251") << "Әлиева=x" << "Әлиева" << "x" << "";
        QTest::newRow("identifier too long") << QString(256, 'i') + "=x" << "" << ""
                                             << "--set \"" + QString(256, 'i') + "=x\": идентификатор длиннее 255 символов.";
    }
    void parsesSetPairs()
    {
        QFETCH(QString, argument);
        QFETCH(QString, identifier);
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        try {
            const SetPair pair = parseSetPair(argument);
            QVERIFY(refusal.isEmpty());
            QCOMPARE(pair.identifier, identifier);
            QCOMPARE(pair.text, text);
        } catch (const KvilmarError& e) {
            QCOMPARE(e.text(), refusal);
        }
    }
};

KV_TEST_MAIN(ReplacementSourcesTest)
#include "ReplacementSourcesTest.moc"
