#include "automatic/FillArguments.h"

#include "automatic/CsvTable.h"
#include "automatic/OutputFormat.h"
#include "common/KvilmarError.h"
#include "filling/ColumnList.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

namespace automatic {

namespace {

struct OptionText {
    QStringList names;
    const char* valueName; // null: a switch
    const char* description;
};

const QList<OptionText>& optionTexts()
{
    static const QList<OptionText> texts{
        {{"list"},
         "СПИСОК",
         "файл списка идентификаторов (.fdp) или файл с идентификатором в каждой строке; обязателен"},
        {{"replacements"}, "ФАЙЛ", "файл списка замен: по тексту замены в строке, по порядку записей списка"},
        {{"set"}, "ИД=ТЕКСТ", "текст замены для идентификатора; можно указать несколько раз"},
        {{"data"},
         "ТАБЛИЦА",
         "таблица .csv, .tsv, .txt (UTF-8, UTF-16 или 1251), .ods, .xlsx или .xls: первая строка называет "
         "идентификаторы, каждая следующая даёт один документ"},
        {{"sheet"}, "ЛИСТ", "лист таблицы .ods, .xlsx или .xls; по умолчанию первый"},
        {{"rows"},
         "ОТ-ДО",
         "делать только строки данных с этими номерами (нумерация как у {N}), например 1-5000: так большую "
         "таблицу делят между машинами"},
        {{"allow-short-rows"},
         nullptr,
         "строка, в которой ячеек меньше, чем в заголовке, не ошибка: недостающие ячейки пусты"},
        {{"words"},
         "ИД=ИСТОЧНИК",
         "текст для ИД — сумма из ИСТОЧНИКА прописью, как её пишет окно суммы прописью («Сорок две тысячи "
         "рублей 00 копеек»); можно указать несколько раз"},
        {{"vat"},
         "ИД=ИСТОЧНИК:СТАВКА:ОТ",
         "текст для ИД — НДС по ставке СТАВКА % (от 1 до 99), как его считает окно расчёта НДС: ОТ — стоимость "
         "(налог сверху) или сумма (налог в ней); можно указать несколько раз"},
        {{"items"},
         "ТАБЛИЦА",
         "таблица позиций (в тех же форматах, что --data): строки, чей ключ равен ключу документа, по порядку "
         "повторяют строку шаблона с идентификаторами позиций"},
        {{"key"}, "ИД", "идентификатор-ключ: его столбец связывает позиции из --items с документом"},
        {{"sum"}, "ИД=СТОЛБЕЦ", "текст для ИД — итог столбца позиций СТОЛБЕЦ; --words и --vat работают и с итогом"},
        {{"out"},
         "ИМЯ",
         "файл результата или образец имени с {N} (номер строки данных) и {ИД} (текст этой строки для "
         "идентификатора ИД); формат по расширению, недостающие папки создаются. По умолчанию: имя шаблона с _N "
         "рядом с шаблоном, в его формате"},
        {{"sheets"}, "N", "сколько листов шаблона-таблицы просматривать, от 1 до 10"},
        {{"range"}, "A1:Z100", "блок ячеек, в котором идёт замена на каждом листе"},
        {{"force"}, nullptr, "заменять уже существующие файлы"},
        {{"skip-existing"},
         nullptr,
         "строки, чей файл уже есть, считать сделанными и не переделывать: так продолжают прерванную работу"},
        {{"report"},
         "ФАЙЛ",
         "отчёт .csv в UTF-8 (недостающие папки создаются): по строке на каждую строку данных — номер, файл, "
         "сделан ли (да/нет), почему нет, какие идентификаторы остались в документе"},
        {{"jobs"},
         "N",
         "сколько LibreOffice заполняют одновременно, от 1 до 16, каждый со своим профилем; строки раздаются "
         "по порядку. По умолчанию 1"},
        {{"trace"},
         nullptr,
         "режим отладки: коды хода заполнения каждого текстового документа пишутся в журнал ~/kvilmarerror.log"},
        {{"h", "help"}, nullptr, "показать эту справку"},
    };
    return texts;
}

constexpr qsizetype kHelpWidth = 80;

// Words of the text in lines of at most width characters, each line after
// the first led by indent.
QString wrapped(const QString& text, qsizetype width, const QString& indent)
{
    QString result, line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            result += line + QLatin1Char('\n') + indent;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return result + line + QLatin1Char('\n');
}

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString optionLabel(const OptionText& option)
{
    QStringList names;
    for (const QString& name : option.names)
        names << dashed(name);
    QString label = names.join(QStringLiteral(", "));
    if (option.valueName)
        label += QLatin1Char(' ') + QString::fromUtf8(option.valueName);
    return label;
}

// The one value of an option given at most once; nullopt when not given.
std::optional<QString> single(const QCommandLineParser& parser, const QString& name)
{
    const QStringList values = parser.values(name);
    if (values.isEmpty())
        return std::nullopt;
    if (values.size() > 1)
        throw KvilmarError(QStringLiteral("Параметр --%1 указан больше одного раза.").arg(name));
    if (values.first().isEmpty())
        throw KvilmarError(QStringLiteral("У параметра --%1 пустое значение.").arg(name));
    return values.first();
}

QString parseFailure(const QCommandLineParser& parser, const QStringList& arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("Неизвестный параметр: %1.").arg(dashed(unknown.first()));
    for (const QString& argument : arguments)
        for (const OptionText& option : optionTexts())
            for (const QString& name : option.names)
                if (!option.valueName && argument.startsWith(dashed(name) + QLatin1Char('=')))
                    return QStringLiteral("Параметр %1 не принимает значения.").arg(dashed(name));
    return QStringLiteral("После параметра %1 не указано значение.").arg(arguments.last());
}

bool isOfficeTable(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("ods") || suffix == QLatin1String("xlsx") || suffix == QLatin1String("xls");
}

void readComputedAndItems(const QCommandLineParser& parser, FillOptions& options)
{
    const std::pair<const char*, ComputedText::Kind> kinds[] = {
        {"sum", ComputedText::Kind::Sum}, {"vat", ComputedText::Kind::Vat}, {"words", ComputedText::Kind::Words}};
    for (const auto& [name, kind] : kinds)
        for (const QString& value : parser.values(QString::fromLatin1(name)))
            options.computed << parseComputed(kind, value);
    for (int i = 0; i < options.computed.size(); ++i)
        for (int j = 0; j < i; ++j)
            if (options.computed[i].target == options.computed[j].target)
                throw KvilmarError(
                    QStringLiteral("%1 и %2 вычисляют один и тот же идентификатор «%3».")
                        .arg(options.computed[j].given, options.computed[i].given, options.computed[i].target));
    options.itemsFile = single(parser, QStringLiteral("items")).value_or(QString());
    options.itemKey = single(parser, QStringLiteral("key")).value_or(QString());
    if (!options.itemsFile.isEmpty() && !isTextTable(options.itemsFile) && !isOfficeTable(options.itemsFile))
        throw KvilmarError(
            QStringLiteral("--items \"%1\": таблица читается из файлов .csv, .tsv, .txt, .ods, .xlsx и .xls.")
                .arg(options.itemsFile));
    if (options.itemsFile.isEmpty() != options.itemKey.isEmpty())
        throw KvilmarError(
            options.itemsFile.isEmpty()
                ? QStringLiteral("--key связывает позиции таблицы --items с документами: укажите и --items.")
                : QStringLiteral("Для таблицы позиций --items укажите ключ: --key ИДЕНТИФИКАТОР, общий "
                                 "для неё и документов (например --key '[Номер]')."));
    for (const ComputedText& c : options.computed)
        if (c.kind == ComputedText::Kind::Sum && options.itemsFile.isEmpty())
            throw KvilmarError(
                c.given + QStringLiteral(": итог считается по столбцу таблицы позиций, укажите --items и --key."));
}

FillOptions optionsFrom(const QCommandLineParser& parser)
{
    FillOptions options;
    const QStringList positional = parser.positionalArguments().mid(1);
    if (positional.isEmpty())
        throw KvilmarError(QStringLiteral("Не указан файл шаблона документа."));
    if (positional.size() > 1)
        throw KvilmarError(QStringLiteral("Лишний аргумент: \"%1\". Шаблон указывают один.").arg(positional.at(1)));
    options.templateName = positional.first();
    if (options.templateName.isEmpty())
        throw KvilmarError(QStringLiteral("Не указан файл шаблона документа."));

    const std::optional<QString> list = single(parser, QStringLiteral("list"));
    if (!list)
        throw KvilmarError(QStringLiteral("Не указан файл списка идентификаторов: --list СПИСОК."));
    options.listFile = *list;
    options.replacementsFile = single(parser, QStringLiteral("replacements")).value_or(QString());
    for (const QString& set : parser.values(QStringLiteral("set")))
        options.sets.append(parseSetPair(set));

    options.dataFile = single(parser, QStringLiteral("data")).value_or(QString());
    options.sheetName = single(parser, QStringLiteral("sheet")).value_or(QString());
    if (!options.dataFile.isEmpty() && !isTextTable(options.dataFile) && !isOfficeTable(options.dataFile))
        throw KvilmarError(
            QStringLiteral("--data \"%1\": таблица читается из файлов .csv, .tsv, .txt, .ods, .xlsx и .xls.")
                .arg(options.dataFile));
    if (!options.sheetName.isEmpty() && !isOfficeTable(options.dataFile))
        throw KvilmarError(QStringLiteral("--sheet выбирает лист таблицы .ods, .xlsx или .xls, указанной в --data."));

    readComputedAndItems(parser, options);

    options.outPattern = single(parser, QStringLiteral("out")).value_or(QString());
    const std::optional<QString> sheets = single(parser, QStringLiteral("sheets"));
    const std::optional<QString> range = single(parser, QStringLiteral("range"));
    const RangeSelection defaults = sheets && range ? RangeSelection{} : rangeFromFile(readRangeFile(rangeFilePath()));
    options.range = parseRange(sheets, range, defaults);
    options.force = parser.isSet(QStringLiteral("force"));
    options.skipExisting = parser.isSet(QStringLiteral("skip-existing"));
    if (options.force && options.skipExisting)
        throw KvilmarError(QStringLiteral("--force и --skip-existing исключают друг друга: существующие файлы либо "
                                          "заменяют, либо оставляют."));
    options.allowShortRows = parser.isSet(QStringLiteral("allow-short-rows"));
    if (const std::optional<QString> rows = single(parser, QStringLiteral("rows"))) {
        if (options.dataFile.isEmpty())
            throw KvilmarError(QStringLiteral("--rows выбирает строки таблицы, указанной в --data."));
        options.rows = parseRowSlice(*rows);
    }
    options.reportFile = single(parser, QStringLiteral("report")).value_or(QString());
    if (const std::optional<QString> jobs = single(parser, QStringLiteral("jobs"))) {
        bool ok = false;
        options.jobs = jobs->toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > kMaxJobs)
            throw KvilmarError(QStringLiteral("--jobs \"%1\": число одновременно работающих LibreOffice должно быть "
                                              "целым, от 1 до %2.")
                                   .arg(*jobs)
                                   .arg(kMaxJobs));
    }
    options.trace = parser.isSet(QStringLiteral("trace"));
    if (options.trace && options.jobs > 1)
        throw KvilmarError(QStringLiteral("--trace пишет ход заполнения в один журнал, по документу за другим: "
                                          "с ним работает один LibreOffice (--jobs 1)."));
    return options;
}

} // namespace

bool isFillCommand(const QStringList& arguments)
{
    return arguments.size() > 1 && arguments.at(1) == QLatin1String("fill");
}

QString fillHelpText()
{
    QString text = QStringLiteral("Использование: kvilmar fill ШАБЛОН --list СПИСОК [параметры]\n\n"
                                  "Заполняет шаблон документа без главного окна и сохраняет результат:\n"
                                  "один документ или по документу на каждую строку таблицы данных.\n"
                                  "Шаблон, в котором LibreOffice узнаёт книгу (.xls, .xlsx, .ods…, каким бы ни\n"
                                  "было расширение), заполняется в Calc, любой другой — в Writer.\n\n"
                                  "Параметры:\n");
    qsizetype width = 0;
    for (const OptionText& option : optionTexts())
        width = std::max(width, optionLabel(option).size());
    const QString indent(width + 4, QLatin1Char(' '));
    for (const OptionText& option : optionTexts())
        text += QStringLiteral("  %1  ").arg(optionLabel(option), -static_cast<int>(width))
            + wrapped(QString::fromUtf8(option.description), kHelpWidth - indent.size(), indent);
    text += QStringLiteral("\nТексты замены берутся из списка, затем из файла списка замен, затем из --set,\n"
                           "затем из ячеек строки таблицы: каждый следующий источник заменяет предыдущий.\n"
                           "--words, --vat и --sum вычисляют текст для каждого документа из его же текстов\n"
                           "по правилам окон суммы прописью и расчёта НДС (разделитель дробной части — как\n"
                           "в системе); строка, где источник не сумма, не делается, остальные делаются.\n"
                           "Порядок записей и их включение — как в списке. Столбец таблицы, чей заголовок\n"
                           "не назван в списке, называется в начале работы.\n"
                           "Без --sheets и --range берётся диапазон, подтверждённый последним в окне выбора\n"
                           "диапазона, иначе 1 лист и A1:A10.\n"
                           "Форматы сохранения: %1.\n"
                           "Каждый документ записывается под своим именем только целиком; при сбое или\n"
                           "прерывании в папках результата не остаётся ничего недоделанного. Если диск\n"
                           "полон или в папку нельзя писать, работа останавливается на первом таком\n"
                           "документе.\n"
                           "С --jobs 1 берётся LibreOffice, который отвечает на канале программы (окон\n"
                           "Квилмара); если такого нет, команда запускает свой, без окон, со своим\n"
                           "профилем, время от времени запускает его заново, чтобы его память не росла,\n"
                           "и в конце завершает его. LibreOffice, оставшийся от команды, которая была\n"
                           "убита, завершает следующая команда.\n"
                           "Ctrl+C, SIGTERM или SIGHUP: начатый документ доделывается, следующие не\n"
                           "начинаются; до начала работы и при втором сигнале команда завершается сразу.\n\n"
                           "Код выхода: 0 — все документы сделаны, 1 — часть не сделана или работа\n"
                           "прервана, 2 — неверные параметры или входные файлы (ничего не сделано).\n")
                .arg(savedExtensions());
    return text;
}

RangeSelection rangeFromFile(const RangeFileRead& read)
{
    const RangeSelection defaults;
    if (!read.error.isEmpty() || read.records.size() < 5)
        return defaults;
    const QStringList columns = columnList();
    const qint32 sheets = read.records.at(0), first = read.records.at(1), last = read.records.at(2);
    const qint32 firstRow = read.records.at(3), lastRow = read.records.at(4);
    const auto isColumn = [&](qint32 i) { return i >= 0 && i < columns.size(); };
    const auto isRow = [](qint32 row) { return row >= 1 && row <= 9999; };
    if (sheets < 1 || sheets > 10 || !isColumn(first) || !isColumn(last) || !isRow(firstRow) || !isRow(lastRow))
        return defaults;
    return {sheets,
            columns.at(first) + QString::number(firstRow) + QLatin1Char(':') + columns.at(last)
                + QString::number(lastRow)};
}

RowSlice parseRowSlice(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})-([0-9]{1,9})$"));
    const QRegularExpressionMatch match = form.match(text);
    const RowSlice slice{match.captured(1).toInt(), match.captured(2).toInt()};
    if (!match.hasMatch() || slice.first < 1 || slice.first > slice.last)
        throw KvilmarError(QStringLiteral("--rows \"%1\": нужны номера первой и последней строки данных через "
                                          "дефис, например 1-5000; первая не больше последней, нумерация с 1.")
                               .arg(text));
    return slice;
}

RangeSelection parseRange(const std::optional<QString>& sheets, const std::optional<QString>& range,
                          const RangeSelection& defaults)
{
    RangeSelection result = defaults;
    if (sheets) {
        bool ok = false;
        result.sheetCount = sheets->toInt(&ok);
        if (!ok || result.sheetCount < 1 || result.sheetCount > 10)
            throw KvilmarError(
                QStringLiteral("--sheets \"%1\": число листов должно быть целым, от 1 до 10.").arg(*sheets));
    }
    if (!range)
        return result;
    static const QRegularExpression form(QStringLiteral("^([A-Za-z]{1,2})([0-9]{1,4}):([A-Za-z]{1,2})([0-9]{1,4})$"));
    const QRegularExpressionMatch match = form.match(*range);
    const QString where = QStringLiteral("--range \"%1\": ").arg(*range);
    if (!match.hasMatch())
        throw KvilmarError(
            where + QStringLiteral("нужен блок ячеек вида A1:Z100 (столбцы от A до ZZ, строки от 1 до 9999)."));
    const QStringList columns = columnList();
    const QString firstColumn = match.captured(1).toUpper(), lastColumn = match.captured(3).toUpper();
    const int firstRow = match.captured(2).toInt(), lastRow = match.captured(4).toInt();
    if (firstRow < 1 || lastRow < 1)
        throw KvilmarError(where + QStringLiteral("строки нумеруются с 1."));
    if (columns.indexOf(firstColumn) > columns.indexOf(lastColumn))
        throw KvilmarError(where + QStringLiteral("первый столбец стоит правее последнего."));
    if (firstRow > lastRow)
        throw KvilmarError(where + QStringLiteral("первая строка стоит ниже последней."));
    result.rangeText =
        firstColumn + QString::number(firstRow) + QLatin1Char(':') + lastColumn + QString::number(lastRow);
    return result;
}

FillArguments parseFillArguments(const QStringList& arguments)
{
    FillArguments result;
    QCommandLineParser parser;
    for (const OptionText& option : optionTexts())
        parser.addOption(QCommandLineOption(option.names, QString::fromUtf8(option.description),
                                            option.valueName ? QString::fromUtf8(option.valueName) : QString()));
    if (!parser.parse(arguments)) {
        result.message = parseFailure(parser, arguments);
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        result.outcome = FillArguments::Outcome::Help;
        result.message = fillHelpText();
        return result;
    }
    try {
        result.options = optionsFrom(parser);
        result.outcome = FillArguments::Outcome::Run;
    } catch (const KvilmarError& e) {
        result.message = e.text();
    }
    return result;
}

} // namespace automatic
