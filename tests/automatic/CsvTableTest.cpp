#include "support/TestMain.h"

#include "automatic/CsvTable.h"
#include "common/Codec1251.h"
#include "common/KvilmarError.h"

#include <QTemporaryDir>

#include <sys/stat.h>

using namespace automatic;

namespace {

QByteArray w(const char* utf8)
{
    return cp1251::fromUnicode(QString::fromUtf8(utf8));
}

// Rows as "line:cell|cell|..." so a table reads as one list of strings.
QStringList described(const DataTable& table)
{
    QStringList rows;
    for (const DataRow& row : table.rows) {
        rows << QString::number(row.line) + QLatin1Char(':') + row.cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList headerOf(const DataTable& table)
{
    return table.header;
}

} // namespace

class CsvTableTest : public QObject {
    Q_OBJECT

private slots:
    void readsTables_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("1251 with semicolons")
            << w("[ФИО];[Сумма]\r\nИванов И.И.;100,50\r\nПетров;7\r\n") << QStringList{"[ФИО]", "[Сумма]"}
            << QStringList{"2:Иванов И.И.|100,50", "3:Петров|7"};
        QTest::newRow("utf-8 with bom and commas")
            << QByteArray("\xEF\xBB\xBF" "ФИО,Город\nЁжиков,Тверь\n") << QStringList{"ФИО", "Город"}
            << QStringList{"2:Ёжиков|Тверь"};
        QTest::newRow("utf-8 without bom, no last line end")
            << QByteArray("ФИО\nАнна") << QStringList{"ФИО"} << QStringList{"2:Анна"};
        QTest::newRow("utf-8 beyond 1251 kept whole")
            << QByteArray("a\n日本 Łukasz 😀\n") << QStringList{"a"} << QStringList{"2:日本 Łukasz 😀"};
        QTest::newRow("utf-16 with bom, as spreadsheets export it")
            << QByteArray("\xFF\xFE" "a\0\t\0b\0\r\0\n\0\x16\x04\t\0\x3d\xd8\0\xde\n\0", 22) << QStringList{"a", "b"}
            << QStringList{"2:Ж|😀"};
        const QString sixteen = QStringLiteral(" [ФИО] ;b\r\nЖанна;😀\r\n");
        QTest::newRow("utf-16 little-endian without bom, header trimmed")
            << QByteArray(reinterpret_cast<const char*>(sixteen.utf16()), sixteen.size() * 2)
            << QStringList{"[ФИО]", "b"} << QStringList{"2:Жанна|😀"};
        QByteArray bigEndian;
        for (const QChar c : sixteen)
            bigEndian += char(c.unicode() >> 8), bigEndian += char(c.unicode() & 0xff);
        QTest::newRow("utf-16 big-endian without bom") << bigEndian << QStringList{"[ФИО]", "b"}
                                                       << QStringList{"2:Жанна|😀"};
        QTest::newRow("tabs") << QByteArray("a\tb\n1\t2\n") << QStringList{"a", "b"} << QStringList{"2:1|2"};
        QTest::newRow("quoted separators, quotes and breaks")
            << QByteArray("a;b\r\n\"x;y\";\"say \"\"hi\"\"\"\r\n\"1\r\n2\n3\r4\";z\r\n5;6\r\n")
            << QStringList{"a", "b"}
            << QStringList{"2:x;y|say \"hi\"", "3:1\r2\r3\r4|z", "7:5|6"};
        QTest::newRow("quoted header cell hides a separator from detection")
            << QByteArray("\"a;b\",c\n1,2\n") << QStringList{"a;b", "c"} << QStringList{"2:1|2"};
        QTest::newRow("quotes inside a plain cell are text")
            << w("a;b\nООО \"Ромашка\";1\n") << QStringList{"a", "b"} << QStringList{"2:ООО \"Ромашка\"|1"};
        QTest::newRow("fewer cells, blank and empty rows, trailing line")
            << QByteArray("\r\na;b;c\r\n1\r\n\r\n;;\r\n2;;3\r\n\r\n") << QStringList{"a", "b", "c"}
            << QStringList{"3:1", "6:2||3"};
        QTest::newRow("ctrl-z ends the file") << QByteArray("a\n1\n\x1A" "2\n") << QStringList{"a"}
                                              << QStringList{"2:1"};
        QTest::newRow("empty cells past the header are no cells")
            << QByteArray("a;b;\n1;2;;\n;;;\n") << QStringList{"a", "b"} << QStringList{"2:1|2"};
        QTest::newRow("empty quoted cell and trailing separator")
            << QByteArray("a;b\n\"\";x\n") << QStringList{"a", "b"} << QStringList{"2:|x"};
    }
    void readsTables()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, header);
        QFETCH(QStringList, rows);
        const DataTable table = parseTextTable(content, QStringLiteral("d.csv"));
        QCOMPARE(headerOf(table), header);
        QCOMPARE(described(table), rows);
        for (int i = 0; i < table.rows.size(); ++i)
            QCOMPARE(table.rows.at(i).number, i + 1);
    }

    void refusesTables_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("more cells than the header")
            << QByteArray("a;b\n1;2\n1;2;3\n")
            << "Таблица \"d.csv\", строка 3: ячеек больше, чем в строке заголовка (2 в строке 1).";
        QTest::newRow("text in a quoted cell past the header")
            << QByteArray("a\n1;\"\"\n1;\"x\"\n") << "Таблица \"d.csv\", строка 3: ячеек больше";
        QTest::newRow("too many cells") << "x" + QByteArray(kMaxCells, ';')
                                        << "Таблица \"d.csv\", строка 1: в таблице больше 4000000 ячеек.";
        QTest::newRow("quote never closed")
            << QByteArray("a\n1\n\"open\n\n")
            << "Таблица \"d.csv\", строка 3: кавычка, открытая в этой строке, не закрыта до конца файла.";
        QTest::newRow("text after a closing quote")
            << QByteArray("a;b\n\"x\"y;1\n")
            << "Таблица \"d.csv\", строка 2: после закрывающей кавычки должен стоять разделитель \";\"";
        QTest::newRow("empty") << QByteArray("\r\n;\r\n") << "Таблица \"d.csv\" пуста";
        QTest::newRow("header only") << QByteArray("a;b\r\n") << "В таблице \"d.csv\" нет ни одной строки с данными";
    }
    void refusesTables()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        try {
            parseTextTable(content, QStringLiteral("d.csv"));
            QFAIL("accepted");
        } catch (const KvilmarError& e) {
            QVERIFY2(e.text().startsWith(message), qPrintable(e.text()));
        }
    }

    void detectsSeparator_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<char>("separator");
        QTest::newRow("none") << QByteArray("a\n1,2;3\n") << ';';
        QTest::newRow("comma wins") << QByteArray("a,b,c;d\n") << ',';
        QTest::newRow("tie goes to semicolon") << QByteArray("a,b;c\n") << ';';
        QTest::newRow("tab before comma") << QByteArray("a\tb,c\td\n") << '\t';
        QTest::newRow("blank lines before the header") << QByteArray("\r\n\r\na,b\n1;2;3;4\n") << ',';
        QTest::newRow("header spans lines in quotes") << QByteArray("\"a\n;;;\",b\n") << ',';
    }
    void detectsSeparator()
    {
        QFETCH(QByteArray, content);
        QFETCH(char, separator);
        QCOMPARE(detectSeparator(content), separator);
    }

    void sheetRowsFollowTheSameRules()
    {
        const DataTable table = tableFromSheet(QStringLiteral("d.ods"),
                                               {{"ФИО", "Сумма", "", ""}, {}, {"Иванов\nИван", "", "", ""}, {"", ""}});
        QCOMPARE(headerOf(table), (QStringList{"ФИО", "Сумма"}));
        QCOMPARE(described(table), QStringList{"3:Иванов\rИван"});
        try {
            tableFromSheet(QStringLiteral("d.ods"), {{"a"}, {"1", "2"}});
            QFAIL("accepted");
        } catch (const KvilmarError& e) {
            QVERIFY(e.text().startsWith(QStringLiteral("Таблица \"d.ods\", строка 2:")));
        }
    }

    void refusesFilesItCannotRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing.csv" << "Файл таблицы \"%1missing.csv\" не найден.";
        QTest::newRow("folder") << "folder.csv" << "Не удается открыть файл таблицы \"%1folder.csv\": это папка";
        QTest::newRow("pipe") << "pipe.csv" << "Не удается открыть файл таблицы \"%1pipe.csv\": это именованный канал, а не обычный файл";
    }
    void refusesFilesItCannotRead()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.csv")));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.csv"))).constData(), 0600), 0);
        try {
            readTextTable(dir.filePath(name));
            QFAIL("accepted");
        } catch (const KvilmarError& e) {
            QCOMPARE(e.text(), message.arg(dir.path() + QLatin1Char('/')));
        }
    }
};

KV_TEST_MAIN(CsvTableTest)
#include "CsvTableTest.moc"
