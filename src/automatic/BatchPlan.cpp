#include "automatic/BatchPlan.h"

#include "automatic/CsvTable.h"
#include "automatic/OutputNames.h"
#include "common/FileAccess.h"
#include "common/KvilmarError.h"
#include "filling/FillingRules.h"
#include "general/ListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace automatic {

namespace {

constexpr int kFileNameBytes = 255;

QString shown(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

// A regular file that can be read and is no larger than a file of its kind.
void checkInputFile(const QString& fileName, const QString& what, qint64 limit)
{
    const fileAccess::Result file = fileAccess::check(fileName, limit);
    if (file.problem == fileAccess::Problem::Missing)
        throw KvilmarError(QStringLiteral("%1 \"%2\" не найден.").arg(what, shown(fileName)));
    if (!file.ok())
        throw KvilmarError(QStringLiteral("%1 \"%2\" — %3.").arg(what, shown(fileName), file.reason));
}

// The program's own message for a list it cannot read, with the cause when
// the file itself was refused.
[[noreturn]] void throwUnreadableList(const QString& fileName, const QString& why)
{
    throw KvilmarError(fileAccess::withCause(
        QStringLiteral("Невозможно открыть файл %1\nФайл используется другим приложением или поврежден").arg(shown(fileName)),
        why));
}

// One spelling per file: the real folder (links resolved) and the name.
QString fileKey(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

// A message about one document: after its table place, or on its own.
QString aboutJob(const DataTable* table, const PlannedDocument& job, QString text)
{
    if (table)
        return tablePlace(table->fileName, job.line) + text;
    text.front() = text.front().toUpper();
    return text;
}

} // namespace

FillInputs readFillInputs(const FillOptions& options, const SheetReader& readSheet)
{
    checkInputFile(options.templateName, QStringLiteral("Файл шаблона"), fileAccess::kTemplateLimit);
    if (const QString unusable = filling::unusableTemplate(options.templateName); !unusable.isEmpty())
        throw KvilmarError(unusable);
    checkInputFile(options.listFile, QStringLiteral("Файл списка идентификаторов"), fileAccess::kListLimit);
    FillInputs inputs;
    QString why;
    std::optional<QList<IdentifierRecord>> list =
        listFile::readAnyListFile(options.listFile, options.listReplacements, &why);
    if (!list)
        throwUnreadableList(options.listFile, why);
    inputs.list = std::move(*list);
    if (!options.replacementsFile.isEmpty()) {
        checkInputFile(options.replacementsFile, QStringLiteral("Файл списка замен"), fileAccess::kListLimit);
        std::optional<QStringList> texts =
            listFile::readReplacementListFile(options.replacementsFile, static_cast<int>(inputs.list.size()), &why);
        if (!texts)
            throwUnreadableList(options.replacementsFile, why);
        inputs.replacementTexts = std::move(*texts);
    }
    if (!options.dataFile.isEmpty()) {
        const bool text = isTextTable(options.dataFile);
        // A workbook goes to the office by name: checked here, as the office would not.
        checkInputFile(options.dataFile, QStringLiteral("Файл таблицы"),
                       text ? kMaxTextTableBytes : fileAccess::kOfficeTableLimit);
        inputs.table = text ? readTextTable(options.dataFile) : readSheet(options.dataFile, options.sheetName);
    }
    return inputs;
}

BatchPlan::BatchPlan(const FillOptions& options, FillInputs inputs)
    : options_(options), inputs_(std::move(inputs))
{
    const DataTable* table = inputs_.table ? &*inputs_.table : nullptr;
    if (table)
        checkHeaderNamesList(*table, inputs_.list, options_.listFile);
    sources_.emplace(inputs_.list, inputs_.replacementTexts, options_.sets, table);
    if (sources_->records().isEmpty())
        throw KvilmarError(QStringLiteral("Не задан ни один идентификатор для замены! Список \"%1\" пуст.")
                               .arg(shown(options_.listFile)));
    planDocuments();
    checkTargets();
}

QList<IdentifierRecord> BatchPlan::recordsFor(const PlannedDocument& document) const
{
    return document.row < 0 ? sources_->records() : sources_->recordsFor(inputs_.table->rows.at(document.row));
}

FillJob BatchPlan::fillJobFor(const PlannedDocument& document) const
{
    return FillJob{options_.templateName, recordsFor(document), options_.range, options_.trace};
}

void BatchPlan::planDocuments()
{
    if (options_.outPattern.isEmpty() && !outputFormatFor(options_.templateName))
        throw KvilmarError(QStringLiteral("Шаблон \"%1\" нельзя сохранить в его же формате. Укажите --out с одним из "
                                          "расширений: %2.")
                               .arg(shown(options_.templateName), savedExtensions()));
    const OutputPattern pattern = options_.outPattern.isEmpty() ? OutputPattern::besideTemplate(options_.templateName)
                                  : options_.outIsPattern    ? OutputPattern(options_.outPattern, sources_->records())
                                                             : OutputPattern::literal(options_.outPattern);
    const DataTable* table = inputs_.table ? &*inputs_.table : nullptr;
    const int count = table ? static_cast<int>(table->rows.size()) : 1;
    documents_.reserve(count);
    for (int i = 0; i < count; ++i) {
        PlannedDocument job;
        if (table) {
            job.row = i;
            job.number = table->rows.at(i).number;
            job.line = table->rows.at(i).line;
        }
        job.output = pattern.nameFor(job.number, count, recordsFor(job));
        const QString fileName = QFileInfo(job.output).fileName();
        if (fileName.isEmpty() || fileName.toUtf8().size() > kFileNameBytes)
            throw KvilmarError(aboutJob(table, job,
                                        QStringLiteral("имя файла \"%1\" %2.")
                                            .arg(shown(job.output), fileName.isEmpty()
                                                                        ? QStringLiteral("не называет файл")
                                                                        : QStringLiteral("длиннее %1 байт").arg(kFileNameBytes))));
        job.format = outputFormatFor(job.output);
        if (!job.format)
            throw KvilmarError(aboutJob(table, job,
                                        QStringLiteral("по расширению файла \"%1\" не понять, в каком формате его "
                                                       "сохранить. Сохраняются: %2.")
                                            .arg(shown(job.output), savedExtensions())));
        documents_.append(std::move(job));
    }
}

void BatchPlan::checkTargets() const
{
    QHash<QString, QString> inputs;
    for (const QString& input : {options_.templateName, options_.listFile, options_.replacementsFile, options_.dataFile})
        if (!input.isEmpty())
            inputs.insert(fileKey(input), input);

    const DataTable* table = inputs_.table ? &*inputs_.table : nullptr;
    QHash<QString, const PlannedDocument*> outputs;
    QSet<QString> folders;
    QStringList existing;
    for (const PlannedDocument& job : documents_) {
        const QString key = fileKey(job.output);
        if (inputs.contains(key))
            throw KvilmarError(QStringLiteral("Файл результата \"%1\" — это входной файл \"%2\". Укажите другое имя в --out.")
                                   .arg(shown(job.output), shown(inputs.value(key))));
        if (const PlannedDocument* other = outputs.value(key))
            throw KvilmarError(QStringLiteral("Строки %1 и %2 таблицы \"%3\" дают один и тот же файл \"%4\". "
                                              "Добавьте в --out {N} или идентификатор, различный в этих строках.")
                                   .arg(other->line).arg(job.line).arg(shown(table->fileName), shown(job.output)));
        outputs.insert(key, &job);

        const QFileInfo target(job.output);
        const QString folder = target.absolutePath();
        if (!folders.contains(folder)) {
            const QFileInfo info(folder);
            if (!info.isDir())
                throw KvilmarError(QStringLiteral("Папка \"%1\" для файла \"%2\" не существует.")
                                       .arg(shown(folder), shown(job.output)));
            if (!info.isWritable())
                throw KvilmarError(QStringLiteral("В папку \"%1\" нельзя записывать: нет прав.").arg(shown(folder)));
            folders.insert(folder);
        }
        if (target.isDir())
            throw KvilmarError(QStringLiteral("Файл результата \"%1\" — это папка.").arg(shown(job.output)));
        if (target.exists() && !options_.force)
            existing << job.output;
    }
    if (existing.isEmpty())
        return;
    QString message = QStringLiteral("Файл \"%1\" уже существует").arg(shown(existing.first()));
    if (existing.size() > 1)
        message += QStringLiteral(" (и ещё файлов: %1)").arg(existing.size() - 1);
    throw KvilmarError(message + QStringLiteral(". Чтобы заменить, укажите --force."));
}

} // namespace automatic
