#include "automatic/BatchPlan.h"

#include "automatic/CsvTable.h"
#include "automatic/OutputNames.h"
#include "common/FileAccess.h"
#include "common/KvilmarError.h"
#include "filling/FillingRules.h"
#include "filling/PackedFile.h"
#include "general/ListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

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
        QStringLiteral("Невозможно открыть файл %1\nФайл используется другим приложением или поврежден")
            .arg(shown(fileName)),
        why));
}

// One spelling per file: the real folder (links resolved) and the name.
QString fileKey(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

// A folder a file is to be written to, checked once. One that does not
// exist yet goes into `missing`, to be made before the documents, when the
// nearest one that exists is a folder that may be written to.
void checkFolder(const QString& folder, const QString& fileName, QSet<QString>& checked, QStringList& missing)
{
    if (checked.contains(folder))
        return;
    QString existing = folder;
    while (!QFileInfo::exists(existing) && QFileInfo(existing).path() != existing)
        existing = QFileInfo(existing).path();
    const QFileInfo info(existing);
    const QString cannotMake =
        QStringLiteral("Папку \"%1\" для файла \"%2\" нельзя создать: ").arg(shown(folder), shown(fileName));
    if (!info.isDir())
        throw KvilmarError(cannotMake + QStringLiteral("\"%1\" — не папка.").arg(shown(existing)));
    if (!info.isWritable()) {
        if (existing == folder)
            throw KvilmarError(QStringLiteral("В папку \"%1\" нельзя записывать: нет прав.").arg(shown(folder)));
        throw KvilmarError(cannotMake
                           + QStringLiteral("в папку \"%1\" нельзя записывать, нет прав.").arg(shown(existing)));
    }
    if (existing != folder)
        missing << folder;
    checked.insert(folder);
}

// Makes the folder and those it lies in; throws with the cause.
void makeFolder(const QString& folder)
{
    QString path;
    for (const QString& part : QDir::cleanPath(folder).split(QLatin1Char('/'))) {
        path += part.isEmpty() && path.isEmpty() ? QStringLiteral("/") : part + QLatin1Char('/');
        const QByteArray name = QFile::encodeName(path);
        if (::mkdir(name.constData(), 0777) == 0 || (errno == EEXIST && QFileInfo(path).isDir()))
            continue;
        const QString cause = errno == EEXIST ? QStringLiteral("на ее месте файл") : fileAccess::writeFailure(errno);
        throw KvilmarError(fileAccess::withCause(
            QStringLiteral("Не удается создать папку \"%1\".").arg(shown(QDir::cleanPath(path))), cause));
    }
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
        if (const QString packed = text ? QString() : filling::overpacked(options.dataFile); !packed.isEmpty())
            throw KvilmarError(QStringLiteral("Файл таблицы \"%1\" — %2.").arg(shown(options.dataFile), packed));
        inputs.table = text ? readTextTable(options.dataFile) : readSheet(options.dataFile, options.sheetName);
    }
    if (!options.itemsFile.isEmpty()) {
        const bool text = isTextTable(options.itemsFile);
        checkInputFile(options.itemsFile, QStringLiteral("Файл таблицы позиций"),
                       text ? kMaxTextTableBytes : fileAccess::kOfficeTableLimit);
        if (const QString packed = text ? QString() : filling::overpacked(options.itemsFile); !packed.isEmpty())
            throw KvilmarError(
                QStringLiteral("Файл таблицы позиций \"%1\" — %2.").arg(shown(options.itemsFile), packed));
        inputs.items = text ? readTextTable(options.itemsFile) : readSheet(options.itemsFile, QString());
    }
    return inputs;
}

BatchPlan::BatchPlan(const FillOptions& options, FillInputs inputs) : options_(options), inputs_(std::move(inputs))
{
    const DataTable* table = inputs_.table ? &*inputs_.table : nullptr;
    if (table)
        checkHeaderNamesList(*table, inputs_.list, options_.listFile);
    // A computed identifier the list does not name is added as --set adds one.
    QList<SetPair> sets = options_.sets;
    for (const ComputedText& computed : options_.computed)
        if (!recordNamed(inputs_.list, computed.target))
            sets.append({computed.target, QString()});
    sources_.emplace(inputs_.list, inputs_.replacementTexts, sets, table);
    if (sources_->records().isEmpty())
        throw KvilmarError(QStringLiteral("Не задан ни один идентификатор для замены! Список \"%1\" пуст.")
                               .arg(shown(options_.listFile)));
    if (table) {
        checkRows();
        for (const ReplacementSources::UnlistedColumn& unlisted : sources_->unlistedColumns())
            notices_ << tablePlace(table->fileName, table->headerLine)
                    + QStringLiteral("столбец %1 называет «%2», а в списке \"%3\" такого идентификатора нет.")
                          .arg(unlisted.column + 1)
                          .arg(unlisted.name, shown(options_.listFile));
    }
    if (inputs_.items)
        items_.emplace(std::move(*inputs_.items), options_.itemKey, inputs_.list, options_.listFile);
    checkComputed();
    planDocuments();
    checkDistinct();
    takeSlice();
    checkWritable();
    checkTargets();
    checkReport();
}

QStringList BatchPlan::unlistedIdentifiers() const
{
    QStringList names;
    for (const ReplacementSources::UnlistedColumn& unlisted : sources_->unlistedColumns())
        names << unlisted.name;
    return names;
}

void BatchPlan::checkRows() const
{
    if (options_.allowShortRows)
        return;
    const DataTable& table = *inputs_.table;
    for (const DataRow& row : table.rows)
        if (row.given < table.header.size())
            throw KvilmarError(tablePlace(table.fileName, row.line)
                               + QStringLiteral("ячеек меньше, чем в строке заголовка (%1 из %2 в строке %3). Если "
                                                "пустые ячейки в конце строки задуманы, укажите --allow-short-rows.")
                                     .arg(row.given)
                                     .arg(table.header.size())
                                     .arg(table.headerLine));
}

void BatchPlan::checkComputed() const
{
    const QList<IdentifierRecord>& records = sources_->records();
    const QStringList itemColumns = items_ ? items_->identifiers() : QStringList();
    if (items_ && !recordNamed(records, options_.itemKey))
        throw KvilmarError(QStringLiteral("Ключ «%1» (--key) не назван ни в списке, ни в --set, ни в таблице --data: "
                                          "по нему позиции находят свой документ.")
                               .arg(options_.itemKey));
    for (const ComputedText& c : options_.computed) {
        if (itemColumns.contains(c.target) || c.target == options_.itemKey)
            throw KvilmarError(
                c.given
                + QStringLiteral(": «%1» — %2, его текст не вычисляется.")
                      .arg(c.target,
                           c.target == options_.itemKey ? QStringLiteral("ключ") : QStringLiteral("столбец позиций")));
        const bool known = c.kind == ComputedText::Kind::Sum ? itemColumns.contains(c.source)
                                                             : recordNamed(records, c.source) != nullptr;
        if (!known)
            throw KvilmarError(c.given
                               + (c.kind == ComputedText::Kind::Sum
                                      ? QStringLiteral(": столбца «%1» нет в таблице позиций \"%2\".")
                                            .arg(c.source, shown(options_.itemsFile))
                                      : QStringLiteral(": идентификатор «%1» не назван ни в списке, ни в "
                                                       "--set, ни в таблице, ни среди вычисляемых.")
                                            .arg(c.source)));
    }
}

BatchPlan::DocumentTexts BatchPlan::textsFor(const PlannedDocument& document) const
{
    DocumentTexts texts;
    texts.records = document.row < 0 ? sources_->records() : sources_->recordsFor(inputs_.table->rows.at(document.row));
    if (items_) {
        ItemTable::Items items = items_->itemsFor(recordNamed(texts.records, options_.itemKey)->replacement,
                                                  options_.computed, texts.records);
        texts.items = std::move(items.rows);
        texts.refusal = std::move(items.refusal);
        // The item rows fill these, each copy with its item's text.
        for (IdentifierRecord& record : texts.records)
            if (texts.items.identifiers.contains(record.identifier))
                record.status = false;
    }
    if (texts.refusal.isEmpty())
        texts.refusal = computeTexts(options_.computed, texts.records);
    return texts;
}

QList<IdentifierRecord> BatchPlan::recordsFor(const PlannedDocument& document) const
{
    return textsFor(document).records;
}

FillJob BatchPlan::fillJobFor(const PlannedDocument& document) const
{
    DocumentTexts texts = textsFor(document);
    return FillJob{options_.templateName, std::move(texts.records), options_.range,
                   options_.trace,        document.output,          std::move(texts.items)};
}

void BatchPlan::planDocuments()
{
    if (options_.outPattern.isEmpty() && !outputFormatFor(options_.templateName))
        throw KvilmarError(QStringLiteral("Шаблон \"%1\" нельзя сохранить в его же формате. Укажите --out с одним из "
                                          "расширений: %2.")
                               .arg(shown(options_.templateName), savedExtensions()));
    const OutputPattern pattern = options_.outPattern.isEmpty() ? OutputPattern::besideTemplate(options_.templateName)
        : options_.outIsPattern ? OutputPattern(options_.outPattern, sources_->records())
                                : OutputPattern::literal(options_.outPattern);
    const DataTable* table = inputs_.table ? &*inputs_.table : nullptr;
    const int count = table ? static_cast<int>(table->rows.size()) : 1;
    documents_.reserve(count);
    QSet<QString> documentKeys;
    for (int i = 0; i < count; ++i) {
        PlannedDocument job;
        if (table) {
            job.row = i;
            job.number = table->rows.at(i).number;
            job.line = table->rows.at(i).line;
        }
        const DocumentTexts texts = textsFor(job);
        job.refusal = texts.refusal;
        if (items_)
            documentKeys.insert(recordNamed(texts.records, options_.itemKey)->replacement);
        job.output = pattern.nameFor(job.number, count, texts.records);
        const QString fileName = QFileInfo(job.output).fileName();
        if (fileName.isEmpty() || fileName.toUtf8().size() > kFileNameBytes)
            throw KvilmarError(
                aboutJob(table, job,
                         QStringLiteral("имя файла \"%1\" %2.")
                             .arg(shown(job.output),
                                  fileName.isEmpty() ? QStringLiteral("не называет файл")
                                                     : QStringLiteral("длиннее %1 байт").arg(kFileNameBytes))));
        job.format = outputFormatFor(job.output);
        if (!job.format)
            throw KvilmarError(aboutJob(table, job,
                                        QStringLiteral("по расширению файла \"%1\" не понять, в каком формате его "
                                                       "сохранить. Сохраняются: %2.")
                                            .arg(shown(job.output), savedExtensions())));
        documents_.append(std::move(job));
    }
    if (items_)
        laterNotices_ = items_->unmatched(documentKeys);
}

void BatchPlan::checkDistinct() const
{
    QHash<QString, QString> inputs;
    for (const QString& input :
         {options_.templateName, options_.listFile, options_.replacementsFile, options_.dataFile, options_.itemsFile})
        if (!input.isEmpty())
            inputs.insert(fileKey(input), input);
    // Every row of the table, chosen or not: slices made on other machines
    // must not meet either.
    const DataTable* table = inputs_.table ? &*inputs_.table : nullptr;
    QHash<QString, const PlannedDocument*> outputs;
    for (const PlannedDocument& job : documents_) {
        const QString key = fileKey(job.output);
        if (inputs.contains(key))
            throw KvilmarError(
                QStringLiteral("Файл результата \"%1\" — это входной файл \"%2\". Укажите другое имя в --out.")
                    .arg(shown(job.output), shown(inputs.value(key))));
        if (const PlannedDocument* other = outputs.value(key))
            throw KvilmarError(QStringLiteral("Строки %1 и %2 таблицы \"%3\" дают один и тот же файл \"%4\". "
                                              "Добавьте в --out {N} или идентификатор, различный в этих строках.")
                                   .arg(other->line)
                                   .arg(job.line)
                                   .arg(shown(table->fileName), shown(job.output)));
        outputs.insert(key, &job);
    }
    if (options_.reportFile.isEmpty())
        return;
    const QString report = fileKey(options_.reportFile);
    if (inputs.contains(report) || outputs.contains(report))
        throw KvilmarError(
            QStringLiteral("Отчёт \"%1\" записался бы на место %2 \"%3\". Укажите другое имя в --report.")
                .arg(shown(options_.reportFile),
                     inputs.contains(report) ? QStringLiteral("входного файла") : QStringLiteral("файла результата"),
                     shown(inputs.contains(report) ? inputs.value(report) : outputs.value(report)->output)));
}

void BatchPlan::takeSlice()
{
    if (!options_.rows)
        return;
    const int count = static_cast<int>(documents_.size());
    const RowSlice& rows = *options_.rows;
    if (rows.first > count) {
        notices_ << QStringLiteral("В таблице \"%1\" строк данных %2: строк %3–%4 в ней нет, делать нечего.")
                        .arg(shown(options_.dataFile))
                        .arg(count)
                        .arg(rows.first)
                        .arg(rows.last);
        documents_.clear();
        return;
    }
    documents_ = documents_.mid(rows.first - 1, std::min(rows.last, count) - rows.first + 1);
}

void BatchPlan::checkWritable() const
{
    // A row of a table that cannot be written costs that row alone
    // (makeOne); texts every document shares make nothing.
    if (inputs_.table || documents_.isEmpty())
        return;
    if (!documents_.first().refusal.isEmpty())
        throw KvilmarError(aboutJob(nullptr, documents_.first(), documents_.first().refusal + QLatin1Char('.')));
    for (const IdentifierRecord& record : recordsFor(documents_.first())) {
        const QString why = filling::unwritableReplacement(record);
        if (!why.isEmpty())
            throw KvilmarError(aboutJob(nullptr, documents_.first(), why + QLatin1Char('.')));
    }
}

void BatchPlan::makeFolders() const
{
    for (const QString& folder : missingFolders_)
        makeFolder(folder);
}

void BatchPlan::checkTargets()
{
    QSet<QString> folders;
    QStringList existing;
    for (PlannedDocument& job : documents_) {
        const QFileInfo target(job.output);
        checkFolder(target.absolutePath(), job.output, folders, missingFolders_);
        if (target.isDir())
            throw KvilmarError(QStringLiteral("Файл результата \"%1\" — это папка.").arg(shown(job.output)));
        if (target.exists() && !options_.force) {
            if (options_.skipExisting)
                job.existing = true;
            else
                existing << job.output;
        }
    }
    if (existing.isEmpty())
        return;
    QString message = QStringLiteral("Файл \"%1\" уже существует").arg(shown(existing.first()));
    if (existing.size() > 1)
        message += QStringLiteral(" (и ещё файлов: %1)").arg(existing.size() - 1);
    throw KvilmarError(message
                       + QStringLiteral(". Чтобы заменить, укажите --force; чтобы оставить и сделать "
                                        "остальные, --skip-existing."));
}

void BatchPlan::checkReport()
{
    if (options_.reportFile.isEmpty())
        return;
    const QFileInfo report(options_.reportFile);
    QSet<QString> folders(missingFolders_.begin(), missingFolders_.end());
    checkFolder(report.absolutePath(), options_.reportFile, folders, missingFolders_);
    if (report.isDir())
        throw KvilmarError(QStringLiteral("Отчёт \"%1\" — это папка.").arg(shown(options_.reportFile)));
}

} // namespace automatic
