#include "support/TestMain.h"

#include "automatic/FillArguments.h"
#include "common/KvilmarError.h"

#include <QTemporaryDir>
#include <QtEndian>

using namespace automatic;
using Outcome = FillArguments::Outcome;

namespace {

FillArguments parse(const QStringList& rest)
{
    return parseFillArguments(QStringList{"kvilmar", "fill"} + rest);
}

} // namespace

class FillArgumentsTest : public QObject {
    Q_OBJECT

    QTemporaryDir programFolder_;

private slots:
    void initTestCase()
    {
        qputenv("KVILMAR_PROGRAM_DIR", programFolder_.path().toUtf8());
    }
    void init()
    {
        QFile::remove(rangeFilePath());
    }

    void recognisesTheCommand()
    {
        QVERIFY(isFillCommand({"kvilmar", "fill", "t.odt"}));
        QVERIFY(!isFillCommand({"kvilmar", "-s", "fill"}));
        QVERIFY(!isFillCommand({"kvilmar"}));
    }

    void readsEveryOption()
    {
        const FillArguments parsed =
            parse({"t.ods", "--list", "l.fdp", "--replacements", "r.txt", "--set", "[a]=1", "--set", "[b]=x=y",
                   "--data", "d.XLSX", "--sheet", "Лист 2", "--out", "out/{N}.pdf", "--sheets", "3", "--range",
                   "b2:ab30", "--force", "--trace", "--rows", "20-0300", "--allow-short-rows", "--report", "r.csv",
                   "--words", "[П]=[Итого]", "--vat", "[НДС]=[Цена: руб]:18:Стоимость", "--items", "i.csv", "--key",
                   "[N]", "--sum", "[Итого]=[Цена: руб]"});
        QCOMPARE(parsed.outcome, Outcome::Run);
        const FillOptions& o = parsed.options;
        QCOMPARE(o.templateName, "t.ods");
        QCOMPARE(o.listFile, "l.fdp");
        QCOMPARE(o.replacementsFile, "r.txt");
        QCOMPARE(o.sets.size(), 2);
        QCOMPARE(o.sets.at(1).identifier, "[b]");
        QCOMPARE(o.sets.at(1).text, "x=y");
        QCOMPARE(o.dataFile, "d.XLSX");
        QCOMPARE(o.sheetName, "Лист 2");
        QCOMPARE(o.outPattern, "out/{N}.pdf");
        QCOMPARE(o.range.sheetCount, 3);
        QCOMPARE(o.range.rangeText, "B2:AB30");
        QVERIFY(o.force);
        QVERIFY(o.trace);
        QCOMPARE(o.rows->first, 20);
        QCOMPARE(o.rows->last, 300);
        QVERIFY(o.allowShortRows);
        QCOMPARE(o.reportFile, "r.csv");
        QCOMPARE(o.itemsFile, "i.csv");
        QCOMPARE(o.itemKey, "[N]");
        // Totals first, then VAT, then words: each may use what comes before.
        QCOMPARE(o.computed.size(), 3);
        QCOMPARE(o.computed[0].target + o.computed[0].source, "[Итого][Цена: руб]");
        QCOMPARE(o.computed[1].source, "[Цена: руб]");
        QCOMPARE(o.computed[1].rate, 18);
        QCOMPARE(o.computed[1].base, amounts::VatBase::Price);
        QCOMPARE(o.computed[2].kind, ComputedText::Kind::Words);
        const FillOptions other = parse({"t", "--list", "l", "--skip-existing", "--jobs", "16"}).options;
        QVERIFY(other.skipExisting && !other.force && !other.rows && other.jobs == 16);
    }

    void showsHelpInRussian_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--help") << QStringList{"--help"};
        QTest::newRow("-h with others") << QStringList{"t.odt", "-h", "--list", "l"};
    }
    void showsHelpInRussian()
    {
        QFETCH(QStringList, arguments);
        const FillArguments parsed = parse(arguments);
        QCOMPARE(parsed.outcome, Outcome::Help);
        QVERIFY(parsed.message.startsWith(QStringLiteral("Использование: kvilmar fill ШАБЛОН --list СПИСОК")));
        for (const char* option : {"--list СПИСОК", "--replacements ФАЙЛ", "--set ИД=ТЕКСТ", "--data ТАБЛИЦА",
                                   "--sheet ЛИСТ", "--out ИМЯ", "--sheets N", "--range A1:Z100", "--force", "--trace", "-h, --help",
                                   "--rows ОТ-ДО", "--allow-short-rows", "--skip-existing", "--report ФАЙЛ", "--jobs N"})
            QVERIFY2(parsed.message.contains(QString::fromUtf8(option)), option);
        for (const QString& line : parsed.message.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 80, qPrintable(line));
    }

    void refusesBadLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no template") << QStringList{"--list", "l"} << "Не указан файл шаблона документа.";
        QTest::newRow("two templates") << QStringList{"a", "b", "--list", "l"}
                                       << "Лишний аргумент: \"b\". Шаблон указывают один.";
        QTest::newRow("no list") << QStringList{"t.odt"} << "Не указан файл списка идентификаторов: --list СПИСОК.";
        QTest::newRow("unknown option") << QStringList{"t", "--list", "l", "--outt", "x"} << "Неизвестный параметр: --outt.";
        QTest::newRow("value missing at the end") << QStringList{"t", "--list", "l", "--out"}
                                                  << "После параметра --out не указано значение.";
        QTest::newRow("switch with a value") << QStringList{"t", "--list", "l", "--force=yes"}
                                             << "Параметр --force не принимает значения.";
        QTest::newRow("list twice") << QStringList{"t", "--list", "l", "--list", "m"}
                                    << "Параметр --list указан больше одного раза.";
        QTest::newRow("empty list name") << QStringList{"t", "--list", ""} << "У параметра --list пустое значение.";
        QTest::newRow("sheet without table") << QStringList{"t", "--list", "l", "--sheet", "A"}
                                             << "--sheet выбирает лист таблицы .ods, .xlsx или .xls, указанной в --data.";
        QTest::newRow("sheet of a csv") << QStringList{"t", "--list", "l", "--data", "d.csv", "--sheet", "A"}
                                        << "--sheet выбирает лист таблицы .ods, .xlsx или .xls, указанной в --data.";
        QTest::newRow("unknown table kind") << QStringList{"t", "--list", "l", "--data", "d.json"}
                                            << "--data \"d.json\": таблица читается из файлов .csv, .tsv, .txt, .ods, .xlsx и .xls.";
        QTest::newRow("bad --set") << QStringList{"t", "--list", "l", "--set", "x"}
                                   << "--set \"x\": нужна запись ИДЕНТИФИКАТОР=ТЕКСТ.";
        QTest::newRow("eleven sheets") << QStringList{"t", "--list", "l", "--sheets", "11"}
                                       << "--sheets \"11\": число листов должно быть целым, от 1 до 10.";
        QTest::newRow("force and skip") << QStringList{"t", "--list", "l", "--force", "--skip-existing"}
                                        << "--force и --skip-existing исключают друг друга: существующие файлы либо "
                                           "заменяют, либо оставляют.";
        QTest::newRow("rows without table") << QStringList{"t", "--list", "l", "--rows", "1-2"}
                                            << "--rows выбирает строки таблицы, указанной в --data.";
        const QString rows = ": нужны номера первой и последней строки данных через дефис, например 1-5000; первая "
                             "не больше последней, нумерация с 1.";
        QTest::newRow("rows backwards") << QStringList{"t", "--list", "l", "--data", "d.csv", "--rows", "5-2"}
                                        << "--rows \"5-2\"" + rows;
        QTest::newRow("rows from 0") << QStringList{"t", "--list", "l", "--data", "d.csv", "--rows", "0-2"}
                                     << "--rows \"0-2\"" + rows;
        QTest::newRow("one row") << QStringList{"t", "--list", "l", "--data", "d.csv", "--rows", "7"}
                                 << "--rows \"7\"" + rows;
        QTest::newRow("jobs 0") << QStringList{"t", "--list", "l", "--jobs", "0"}
                                << "--jobs \"0\": число одновременно работающих LibreOffice должно быть целым, от 1 до 16.";
        QTest::newRow("jobs 17") << QStringList{"t", "--list", "l", "--jobs", "17"}
                                 << "--jobs \"17\": число одновременно работающих LibreOffice должно быть целым, от 1 до 16.";
        QTest::newRow("trace with jobs") << QStringList{"t", "--list", "l", "--trace", "--jobs", "2"}
                                         << "--trace пишет ход заполнения в один журнал, по документу за другим: с ним "
                                            "работает один LibreOffice (--jobs 1).";
        QTest::newRow("vat without its rate") << QStringList{"t", "--list", "l", "--vat", "[НДС]=[С]"}
                                              << "--vat \"[НДС]=[С]\": нужна запись ИДЕНТИФИКАТОР=ИСТОЧНИК:СТАВКА:стоимость "
                                                 "или ИДЕНТИФИКАТОР=ИСТОЧНИК:СТАВКА:сумма, например [НДС]=[Сумма]:20:сумма.";
        QTest::newRow("vat rate 100") << QStringList{"t", "--list", "l", "--vat", "[НДС]=[С]:100:сумма"}
                                      << "--vat \"[НДС]=[С]:100:сумма\": ставка НДС 100 %: она должна быть целой, от 1 до 99.";
        QTest::newRow("vat of neither") << QStringList{"t", "--list", "l", "--vat", "[НДС]=[С]:20:итог"}
                                        << "--vat \"[НДС]=[С]:20:итог\": «итог»: НДС считается от стоимости (стоимость, "
                                           "налог сверху) или от суммы (сумма, налог в ней).";
        QTest::newRow("words of nothing") << QStringList{"t", "--list", "l", "--words", "[П]="}
                                          << "--words \"[П]=\": нужна запись ИДЕНТИФИКАТОР=ИСТОЧНИК, например "
                                             "[Сумма прописью]=[Сумма].";
        QTest::newRow("one identifier computed twice")
            << QStringList{"t", "--list", "l", "--words", "[П]=[С]", "--vat", "[П]=[С]:20:сумма"}
            << "--vat \"[П]=[С]:20:сумма\" и --words \"[П]=[С]\" вычисляют один и тот же идентификатор «[П]».";
        QTest::newRow("sum without items") << QStringList{"t", "--list", "l", "--sum", "[И]=[Ц]"}
                                           << "--sum \"[И]=[Ц]\": итог считается по столбцу таблицы позиций, укажите "
                                              "--items и --key.";
        QTest::newRow("items without key") << QStringList{"t", "--list", "l", "--items", "i.csv"}
                                           << "Для таблицы позиций --items укажите ключ: --key ИДЕНТИФИКАТОР, общий для "
                                              "неё и документов (например --key '[Номер]').";
        QTest::newRow("sheets not a number") << QStringList{"t", "--list", "l", "--sheets", "два"}
                                             << "--sheets \"два\": число листов должно быть целым, от 1 до 10.";
    }
    void refusesBadLines()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const FillArguments parsed = parse(arguments);
        QCOMPARE(parsed.outcome, Outcome::Refused);
        QCOMPARE(parsed.message, message);
    }

    void readsRanges_data()
    {
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("result");
        QTest::newRow("letters in any case") << "a1:c10" << "A1:C10";
        QTest::newRow("leading zeros dropped") << "A01:B0002" << "A1:B2";
        QTest::newRow("widest") << "A1:ZZ9999" << "A1:ZZ9999";
        QTest::newRow("columns swapped") << "C1:B5" << "--range \"C1:B5\": первый столбец стоит правее последнего.";
        QTest::newRow("rows swapped") << "A5:A1" << "--range \"A5:A1\": первая строка стоит ниже последней.";
        QTest::newRow("row zero") << "A0:A1" << "--range \"A0:A1\": строки нумеруются с 1.";
        const QString form = QStringLiteral(": нужен блок ячеек вида A1:Z100 (столбцы от A до ZZ, строки от 1 до 9999).");
        QTest::newRow("three letters") << "AAA1:B2" << "--range \"AAA1:B2\"" + form;
        QTest::newRow("row past 9999") << "A1:A10000" << "--range \"A1:A10000\"" + form;
        QTest::newRow("one cell") << "A1" << "--range \"A1\"" + form;
    }
    void readsRanges()
    {
        QFETCH(QString, range);
        QFETCH(QString, result);
        try {
            QCOMPARE(parseRange(std::nullopt, range, RangeSelection{}).rangeText, result);
        } catch (const KvilmarError& e) {
            QCOMPARE(e.text(), result);
        }
    }

    void defaultsComeFromTheRangeFile_data()
    {
        QTest::addColumn<QByteArray>("file");   // nstrint.dan; empty: none
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("sheets");
        QTest::addColumn<QString>("range");
        const auto records = [](qint32 a, qint32 b, qint32 c, qint32 d, qint32 e) {
            QByteArray bytes;
            for (qint32 v : {a, b, c, d, e}) {
                const qint32 little = qToLittleEndian(v);
                bytes += QByteArray(reinterpret_cast<const char*>(&little), 4);
            }
            return bytes;
        };
        QTest::newRow("no file") << QByteArray() << QStringList{} << 1 << "A1:A10";
        QTest::newRow("last confirmed range") << records(3, 1, 27, 5, 200) << QStringList{} << 3 << "B5:AB200";
        QTest::newRow("typed column") << records(3, -1, 27, 5, 200) << QStringList{} << 1 << "A1:A10";
        QTest::newRow("sheet count out of bounds") << records(11, 0, 0, 1, 2) << QStringList{} << 1 << "A1:A10";
        QTest::newRow("short file") << records(3, 1, 27, 5, 200).left(19) << QStringList{} << 1 << "A1:A10";
        QTest::newRow("--sheets over the file") << records(3, 1, 27, 5, 200) << QStringList{"--sheets", "2"} << 2
                                                << "B5:AB200";
        QTest::newRow("--range over the file") << records(3, 1, 27, 5, 200) << QStringList{"--range", "C3:D4"} << 3
                                               << "C3:D4";
    }
    void defaultsComeFromTheRangeFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, arguments);
        QFETCH(int, sheets);
        QFETCH(QString, range);
        if (!file.isEmpty()) {
            QFile out(rangeFilePath());
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file);
        }
        const FillArguments parsed = parse(QStringList{"t.xls", "--list", "l"} + arguments);
        QCOMPARE(parsed.outcome, Outcome::Run);
        QCOMPARE(parsed.options.range.sheetCount, sheets);
        QCOMPARE(parsed.options.range.rangeText, range);
    }
};

KV_TEST_MAIN(FillArgumentsTest)
#include "FillArgumentsTest.moc"
