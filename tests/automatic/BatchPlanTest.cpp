#include "support/TestMain.h"

#include "automatic/BatchPlan.h"
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

// A folder with a template of each kind, a list, a replacement list and
// two tables; names in arguments are relative to it.
class Inputs {
public:
    Inputs()
    {
        put("t.odt", "template");
        put("t.xlsx", "template");
        put("t.ott", "template");
        put("empty.odt", "");
        put("l.fdp", w("2\r\n19\r\n[ФИО]\r\n\r\nиз списка\r\n[Сумма]\r\n\r\n0\r\n"));
        put("blank.txt", "\r\n\r\n");
        put("damaged.fdp", "52\r\n19\r\n");
        put("r.txt", w("из замен\r\n"));
        put("li.fdp", w("4\r\n19\r\n[ФИО]\r\n\r\n\r\n[Сумма]\r\n\r\n0\r\n[Товар]\r\n\r\n\r\n[Цена]\r\n\r\n\r\n"));
        put("items.csv", w("[ФИО];[Товар];[Цена]\r\nПетров;Стол;1500\r\nИванов;Стул;250,50\r\nПетров;Лампа;99\r\n"
                           "Сидоров;Шкаф;1\r\nИванов;Полка;12а\r\n"));
        put("d.csv", w("[ФИО];[Сумма]\r\nИванов;100\r\nПетров;200\r\n"));
        put("same.csv", w("[ФИО];[Сумма]\r\nИванов;100\r\nИванов;200\r\n"));
        put("other.csv", "X;Y\r\n1;2\r\n");
        put("spaced.csv", w(" [ФИО] ;[Сумма]\r\nИванов;100\r\n"));
        put("short.csv", w("[ФИО];[Сумма];[Дата]\r\nИванов;100;\r\nПетров\r\n"));
        QDir(dir_.path()).mkdir(QStringLiteral("out"));
        // Names no reader may hang on or read without end.
        ::mkfifo(QFile::encodeName(path("pipe.ods")).constData(), 0600);
        QFile::link(QStringLiteral("/dev/zero"), path("zero.fdp"));
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    void put(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The template and the values of file options are names in the folder.
    BatchPlan plan(const QStringList& arguments, QString* sheetAsked = nullptr) const
    {
        static const QStringList fileOptions{"--list", "--replacements", "--data", "--items", "--out", "--report"};
        QStringList full{"kvilmar", "fill"};
        for (qsizetype i = 0; i < arguments.size(); ++i)
            full << (i == 0 || fileOptions.contains(arguments.at(i - 1)) ? path(arguments.at(i)) : arguments.at(i));
        const FillArguments parsed = parseFillArguments(full);
        if (parsed.outcome != FillArguments::Outcome::Run)
            throw KvilmarError(parsed.message);
        const auto readSheet = [&](const QString& fileName, const QString& sheet) {
            if (sheetAsked)
                *sheetAsked = QFileInfo(fileName).fileName() + QLatin1Char('/') + sheet;
            return tableFromSheet(fileName, {{"[ФИО]"}, {"Лист"}});
        };
        return BatchPlan(parsed.options, readFillInputs(parsed.options, readSheet));
    }

    QStringList outputs(const BatchPlan& plan) const
    {
        QStringList names;
        for (const PlannedDocument& job : plan.documents())
            names << QDir(dir_.path()).relativeFilePath(job.output);
        return names;
    }

private:
    QTemporaryDir dir_;
};

QStringList replacements(const QList<IdentifierRecord>& records)
{
    QStringList texts;
    for (const IdentifierRecord& r : records)
        texts << r.identifier + QLatin1Char('=') + r.replacement;
    return texts;
}

} // namespace

class BatchPlanTest : public QObject {
    Q_OBJECT

private slots:
    void plansOneJobPerRow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<QStringList>("lastRecords");
        QTest::newRow("no table: one document beside the template")
            << QStringList{"t.odt", "--list", "l.fdp", "--replacements", "r.txt", "--set", "[Дата]=1 мая"}
            << QStringList{"t_1.odt"} << QStringList{"[ФИО]=из замен", "[Сумма]=0", "[Дата]=1 мая"};
        QTest::newRow("table rows beside the template")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv"} << QStringList{"t_1.odt", "t_2.odt"}
            << QStringList{"[ФИО]=Петров", "[Сумма]=200"};
        QTest::newRow("named from the row")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--out", "out/{[ФИО]}-{N}.PDF"}
            << QStringList{"out/Иванов-1.PDF", "out/Петров-2.PDF"} << QStringList{"[ФИО]=Петров", "[Сумма]=200"};
        QTest::newRow("spreadsheet template into xlsx")
            << QStringList{"t.xlsx", "--list", "l.fdp", "--data", "d.csv", "--out", "out/{N}.xlsx"}
            << QStringList{"out/1.xlsx", "out/2.xlsx"} << QStringList{"[ФИО]=Петров", "[Сумма]=200"};
        QTest::newRow("header cells trimmed")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "spaced.csv"} << QStringList{"t_1.odt"}
            << QStringList{"[ФИО]=Иванов", "[Сумма]=100"};
        QTest::newRow("short rows allowed")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "short.csv", "--allow-short-rows"}
            << QStringList{"t_1.odt", "t_2.odt"} << QStringList{"[ФИО]=Петров", "[Сумма]=", "[Дата]="};
        QTest::newRow("a slice keeps the numbers of the whole table")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--rows", "2-9"} << QStringList{"t_2.odt"}
            << QStringList{"[ФИО]=Петров", "[Сумма]=200"};
        QTest::newRow("sheet through the office")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.ods", "--sheet", "Второй", "--out", "{N}.pdf"}
            << QStringList{"1.pdf"} << QStringList{"[ФИО]=Лист", "[Сумма]=0"};
        QTest::newRow("amount in words and VAT per row, in the name too")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--vat", "[НДС]=[Сумма]:20:сумма", "--words",
                           "[Прописью]=[Сумма]", "--out", "{[НДС]}.pdf"}
            << QStringList{"16,67.pdf", "33,33.pdf"}
            << QStringList{"[ФИО]=Петров", "[Сумма]=200", "[НДС]=33,33", "[Прописью]=Двести рублей 00 копеек"};
        QTest::newRow("total of the items, its words and its VAT on top")
            << QStringList{"t.odt", "--list", "li.fdp", "--data", "d.csv", "--items", "items.csv", "--key", "[ФИО]",
                           "--sum", "[Итого]=[Цена]", "--words", "[Итого прописью]=[Итого]", "--vat", "[НДС]=[Итого]:18:стоимость"}
            << QStringList{"t_1.odt", "t_2.odt"}
            << QStringList{"[ФИО]=Петров", "[Сумма]=200", "[Товар]=", "[Цена]=", "[Итого]=1599,00", "[НДС]=287,82",
                           "[Итого прописью]=Одна тысяча пятьсот девяносто девять рублей 00 копеек"};
        QTest::newRow("folders to make, one named by the row")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--out", "Договоры/{[ФИО]}/{N}.pdf",
                           "--report", "отчёты/1.csv"}
            << QStringList{"Договоры/Иванов/1.pdf", "Договоры/Петров/2.pdf"} << QStringList{"[ФИО]=Петров", "[Сумма]=200"};
    }
    void plansOneJobPerRow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, outputs);
        QFETCH(QStringList, lastRecords);
        Inputs inputs;
        inputs.put("d.ods", "sheet");
        QString sheetAsked;
        const BatchPlan plan = inputs.plan(arguments, &sheetAsked);
        QCOMPARE(inputs.outputs(plan), outputs);
        QVERIFY(std::none_of(plan.missingFolders().begin(), plan.missingFolders().end(),   // made only when asked
                             [](const QString& folder) { return QFileInfo::exists(folder); }));
        plan.makeFolders();
        for (const PlannedDocument& document : plan.documents())
            QVERIFY(QFileInfo(document.output).dir().exists());
        QCOMPARE(replacements(plan.recordsFor(plan.documents().constLast())), lastRecords);
        if (arguments.contains(QStringLiteral("d.ods")))
            QCOMPARE(sheetAsked, QStringLiteral("d.ods/Второй"));
    }

    void numbersAreAsWideAsTheLast()
    {
        Inputs inputs;
        QByteArray csv = "[ФИО]\n";
        for (int i = 1; i <= 10; ++i)
            csv += QByteArray::number(i) + '\n';
        inputs.put("ten.csv", csv);
        const BatchPlan plan = inputs.plan({"t.odt", "--list", "l.fdp", "--data", "ten.csv"});
        QCOMPARE(inputs.outputs(plan).first(), "t_01.odt");
        QCOMPARE(inputs.outputs(plan).last(), "t_10.odt");
        QCOMPARE(plan.documents().last().line, 11);
    }

    void refusesBeforeMakingAnything_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");   // %1: the folder, with a trailing '/'
        QTest::newRow("template missing") << QStringList{"x.odt", "--list", "l.fdp"}
                                          << "Файл шаблона \"%1x.odt\" не найден.";
        QTest::newRow("template a folder") << QStringList{"out", "--list", "l.fdp"}
                                           << "Файл шаблона \"%1out\" — это папка.";
        QTest::newRow("template a pipe") << QStringList{"pipe.ods", "--list", "l.fdp"}
                                         << "Файл шаблона \"%1pipe.ods\" — это именованный канал, а не обычный файл.";
        QTest::newRow("list a device") << QStringList{"t.odt", "--list", "zero.fdp"}
                                       << "Файл списка идентификаторов \"%1zero.fdp\" — это устройство, а не обычный файл.";
        QTest::newRow("replacements a device") << QStringList{"t.odt", "--list", "l.fdp", "--replacements", "zero.fdp"}
                                               << "Файл списка замен \"%1zero.fdp\" — это устройство, а не обычный файл.";
        QTest::newRow("workbook a pipe") << QStringList{"t.odt", "--list", "l.fdp", "--data", "pipe.ods"}
                                         << "Файл таблицы \"%1pipe.ods\" — это именованный канал, а не обычный файл.";
        QTest::newRow("list missing") << QStringList{"t.odt", "--list", "x.fdp"}
                                      << "Файл списка идентификаторов \"%1x.fdp\" не найден.";
        QTest::newRow("list damaged")
            << QStringList{"t.odt", "--list", "damaged.fdp"}
            << "Невозможно открыть файл %1damaged.fdp\nФайл используется другим приложением или поврежден";
        QTest::newRow("list empty") << QStringList{"t.odt", "--list", "blank.txt"}
                                    << "Не задан ни один идентификатор для замены! Список \"%1blank.txt\" пуст.";
        QTest::newRow("table missing") << QStringList{"t.odt", "--list", "l.fdp", "--data", "x.csv"}
                                       << "Файл таблицы \"%1x.csv\" не найден.";
        QTest::newRow("header names nothing of the list")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "other.csv"}
            << "Таблица \"%1other.csv\", строка 1: строка заголовка не называет ни одного идентификатора из списка";
        QTest::newRow("two rows, one file")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "same.csv", "--out", "out/{[ФИО]}.pdf"}
            << "Строки 2 и 3 таблицы \"%1same.csv\" дают один и тот же файл \"%1out/Иванов.pdf\".";
        QTest::newRow("no number, many rows")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--out", "out/a.pdf"}
            << "Строки 2 и 3 таблицы";
        QTest::newRow("output is the template") << QStringList{"t.odt", "--list", "l.fdp", "--out", "t.odt", "--force"}
                                                << "Файл результата \"%1t.odt\" — это входной файл \"%1t.odt\".";
        QTest::newRow("a file where the report's folder is")
            << QStringList{"t.odt", "--list", "l.fdp", "--out", "new/a.pdf", "--report", "r.txt/1.csv"}
            << "Папку \"%1r.txt\" для файла \"%1r.txt/1.csv\" нельзя создать: \"%1r.txt\" — не папка.";
        QTest::newRow("output is a folder") << QStringList{"t.odt", "--list", "l.fdp", "--out", "out/.pdf", "--force"}
                                            << "Файл результата \"%1out/.pdf\" — это папка.";
        QTest::newRow("empty template") << QStringList{"empty.odt", "--list", "l.fdp"}
                                        << "Файл шаблона \"%1empty.odt\" пуст: в нем нечего заполнять.";
        QTest::newRow("unknown output format")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--out", "n{N}.html"}
            << "Таблица \"%1d.csv\", строка 2: по расширению файла \"%1n1.html\" не понять, в каком формате его сохранить.";
        QTest::newRow("template format not saved")
            << QStringList{"t.ott", "--list", "l.fdp"}
            << "Шаблон \"%1t.ott\" нельзя сохранить в его же формате. Укажите --out с одним из расширений: .pdf,";
        QTest::newRow("short row")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "short.csv"}
            << "Таблица \"%1short.csv\", строка 3: ячеек меньше, чем в строке заголовка (1 из 3 в строке 1). "
               "Если пустые ячейки в конце строки задуманы, укажите --allow-short-rows.";
        QTest::newRow("control character given with --set")
            << QStringList{"t.odt", "--list", "l.fdp", "--set", QString("[ФИО]=Пет\aров")}
            << "Замена для «[ФИО]» содержит управляющий символ U+0007, а его нельзя записать в документ.";
        QTest::newRow("report over an input") << QStringList{"t.odt", "--list", "l.fdp", "--report", "l.fdp"}
                                              << "Отчёт \"%1l.fdp\" записался бы на место входного файла \"%1l.fdp\".";
        QTest::newRow("report over an output of another slice")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--rows", "1-1", "--report", "t_2.odt"}
            << "Отчёт \"%1t_2.odt\" записался бы на место файла результата \"%1t_2.odt\".";
        QTest::newRow("item table without the key column")
            << QStringList{"t.odt", "--list", "li.fdp", "--data", "d.csv", "--items", "items.csv", "--key", "[Сумма]"}
            << "Таблица \"%1items.csv\", строка 1: нет столбца ключа «[Сумма]» (--key)";
        QTest::newRow("item column the list does not name")
            << QStringList{"t.odt", "--list", "l.fdp", "--data", "d.csv", "--items", "items.csv", "--key", "[ФИО]"}
            << "Таблица \"%1items.csv\", строка 1: столбец 2 называет «[Товар]», а в списке \"%1l.fdp\" такого "
               "идентификатора нет.";
        QTest::newRow("total of a column the items lack")
            << QStringList{"t.odt", "--list", "li.fdp", "--data", "d.csv", "--items", "items.csv", "--key", "[ФИО]",
                           "--sum", "[Итого]=[Сумма]"}
            << "--sum \"[Итого]=[Сумма]\": столбца «[Сумма]» нет в таблице позиций \"%1items.csv\".";
        QTest::newRow("words of an identifier nothing names") << QStringList{"t.odt", "--list", "l.fdp", "--words", "[П]=[Нет]"}
            << "--words \"[П]=[Нет]\": идентификатор «[Нет]» не назван ни в списке, ни в --set, ни в таблице, ни среди "
               "вычисляемых.";
        QTest::newRow("no amount given with --set")
            << QStringList{"t.odt", "--list", "l.fdp", "--set", "[Сумма]=1 5OO", "--words", "[П]=[Сумма]"}
            << "«[П]» не вычислить: текст «1 5OO» у «[Сумма]» — не сумма (Недопустимый формат числа!).";
        QTest::newRow("name too long") << QStringList{"t.odt", "--list", "l.fdp", "--out", QString(252, 'a') + ".pdf"}
                                       << "Имя файла \"%1" + QString(252, 'a') + ".pdf\" длиннее 255 байт.";
    }
    void refusesBeforeMakingAnything()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        Inputs inputs;
        QDir(inputs.path("out")).mkdir(QStringLiteral(".pdf"));
        try {
            inputs.plan(arguments);
            QFAIL("planned");
        } catch (const KvilmarError& e) {
            const QString expected = message.arg(inputs.path(QString()) + QLatin1Char('/'));
            QVERIFY2(e.text().startsWith(expected), qPrintable(e.text() + "\nexpected: " + expected));
        }
    }

    // Each document gets its own items in the table's order, its item
    // identifiers switched off for the rest of the filling; an item that is
    // no amount costs its document alone, naming its line; items no
    // document takes are told.
    void itemsGoWithTheirDocument()
    {
        Inputs inputs;
        const BatchPlan plan = inputs.plan({"t.odt", "--list", "li.fdp", "--data", "d.csv", "--items", "items.csv",
                                            "--key", "[ФИО]", "--sum", "[Итого]=[Цена]"});
        const FillJob ivanov = plan.fillJobFor(plan.documents().at(0));
        const FillJob petrov = plan.fillJobFor(plan.documents().at(1));
        QCOMPARE(petrov.items.identifiers, (QStringList{"[Товар]", "[Цена]"}));
        QCOMPARE(petrov.items.items, (QList<QStringList>{{"Стол", "1500"}, {"Лампа", "99"}}));
        QCOMPARE(ivanov.items.items, (QList<QStringList>{{"Стул", "250,50"}, {"Полка", "12а"}}));
        QVERIFY(!petrov.records.at(2).status && !petrov.records.at(3).status && petrov.records.at(0).status);
        QCOMPARE(plan.documents().at(0).refusal,
                 "Таблица \"" + inputs.path("items.csv") + "\", строка 6: «[Итого]» не вычислить: текст «12а» у «[Цена]» "
                 "— не сумма (Недопустимый формат числа!)");
        QVERIFY(plan.documents().at(1).refusal.isEmpty());
        QCOMPARE(plan.laterNotices(), QStringList{"Таблица \"" + inputs.path("items.csv")
                                                  + "\", строка 5: ключ «Сидоров» не назван ни в одном документе, "
                                                    "позиция не вошла никуда."});
    }

    void existingFiles_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("refusal");   // %1: the first file
        QTest::addColumn<QList<bool>>("existing");
        QTest::newRow("refused") << QStringList{}
                                 << "Файл \"%1\" уже существует (и ещё файлов: 1). Чтобы заменить, укажите --force; "
                                    "чтобы оставить и сделать остальные, --skip-existing."
                                 << QList<bool>{};
        QTest::newRow("replaced") << QStringList{"--force"} << QString() << QList<bool>{false, false, false};
        QTest::newRow("kept and counted made") << QStringList{"--skip-existing"} << QString()
                                               << QList<bool>{true, true, false};
    }
    void existingFiles()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, refusal);
        QFETCH(QList<bool>, existing);
        Inputs inputs;
        inputs.put("three.csv", "[ФИО]\r\n1\r\n2\r\n3\r\n");
        inputs.put("out/1.pdf", "old");
        inputs.put("out/2.pdf", "old");
        const QStringList arguments =
            QStringList{"t.odt", "--list", "l.fdp", "--data", "three.csv", "--out", "out/{N}.pdf"} + options;
        try {
            QList<bool> planned;
            const BatchPlan plan = inputs.plan(arguments);
            for (const PlannedDocument& document : plan.documents())
                planned << document.existing;
            QCOMPARE(planned, existing);
        } catch (const KvilmarError& e) {
            QCOMPARE(e.text(), refusal.arg(inputs.path("out/1.pdf")));
        }
    }
};

KV_TEST_MAIN(BatchPlanTest)
#include "BatchPlanTest.moc"
