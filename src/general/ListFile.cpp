#include "general/ListFile.h"

#include "common/Codec1251.h"
#include "common/TextFile.h"

#include <QFileInfo>

namespace listFile {

bool hasListExtension(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && name.mid(dot) == QLatin1String(".fdp");
}

QString withListExtension(const QString& fileName)
{
    return hasListExtension(fileName) ? fileName : fileName + QStringLiteral(".fdp");
}

std::optional<QList<IdentifierRecord>> readListFile(const QString& fileName, bool keepReplacements, QString* why)
{
    std::optional<ForeignTextReader> reader = openForeignTextFile(fileName, fileAccess::kListLimit, why);
    if (!reader)
        return std::nullopt;
    bool ok = false;
    const int count = reader->readLine().trimmed().toInt(&ok);
    if (!ok || count < 1 || count > IdentifierList::kSlots)
        return std::nullopt;
    reader->readLine(); // "19", whatever it holds
    QList<IdentifierRecord> records;
    for (int k = 0; k < count; ++k) {
        IdentifierRecord r;
        r.identifier = IdentifierList::cut(reader->readLine(), IdentifierList::kIdentifierLimit);
        r.comment = IdentifierList::cut(reader->readLine(), IdentifierList::kCommentLimit);
        const QString replacement = reader->readLine();
        if (keepReplacements)
            r.replacement = replacement;
        records.append(r);
    }
    return records;
}

std::optional<QList<IdentifierRecord>> readPlainIdentifierFile(const QString& fileName, QString* why)
{
    std::optional<ForeignTextReader> reader = openForeignTextFile(fileName, fileAccess::kListLimit, why);
    if (!reader)
        return std::nullopt;
    QList<IdentifierRecord> records;
    while (records.size() < kPlainFileLimit && !reader->atEnd()) {
        IdentifierRecord r;
        r.identifier = IdentifierList::cut(reader->readLine(), IdentifierList::kIdentifierLimit);
        if (!r.identifier.isEmpty())
            records.append(r);
    }
    return records;
}

std::optional<QList<IdentifierRecord>> readAnyListFile(const QString& fileName, bool keepReplacements, QString* why)
{
    return hasListExtension(fileName) ? readListFile(fileName, keepReplacements, why)
                                      : readPlainIdentifierFile(fileName, why);
}

std::optional<QStringList> readReplacementListFile(const QString& fileName, int count, QString* why)
{
    std::optional<ForeignTextReader> reader = openForeignTextFile(fileName, fileAccess::kListLimit, why);
    if (!reader)
        return std::nullopt;
    QStringList texts;
    while (texts.size() < count && !reader->atEnd())
        texts.append(reader->readLine());
    return texts;
}

QByteArray listFileContent(const QList<IdentifierRecord>& records, bool withReplacements)
{
    QByteArray bytes = QByteArray::number(records.size()) + "\r\n19\r\n";
    for (const IdentifierRecord& r : records) {
        bytes += cp1251::fromUnicode(r.identifier) + "\r\n";
        bytes += cp1251::fromUnicode(r.comment) + "\r\n";
        bytes += (withReplacements ? cp1251::fromUnicode(r.replacement) : QByteArray()) + "\r\n";
    }
    return bytes;
}

QString encodingLosses(const QList<IdentifierRecord>& records, bool withReplacements)
{
    QStringList lines;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const IdentifierRecord& r = records.at(i);
        const QString lost =
            cp1251::unencodable(r.identifier + r.comment + (withReplacements ? r.replacement : QString()));
        if (lost.isEmpty())
            continue;
        QStringList characters;
        for (qsizetype k = 0; k < lost.size(); ++k) {
            const qsizetype length = lost.at(k).isHighSurrogate() ? 2 : 1;
            characters << QStringLiteral("«%1»").arg(lost.mid(k, length));
            k += length - 1;
        }
        lines << QStringLiteral("%1. %2: %3").arg(i + 1).arg(r.identifier, characters.join(QStringLiteral(", ")));
    }
    if (lines.isEmpty())
        return {};
    constexpr int kNamed = 10;
    if (lines.size() > kNamed)
        lines = lines.mid(0, kNamed) << QStringLiteral("и еще записей: %1").arg(lines.size() - kNamed);
    return QStringLiteral("Файл списка сохраняется в кодировке Windows-1251, в которой нет некоторых символов "
                          "списка. В файле они будут заменены знаком \"?\":\n")
        + lines.join(QLatin1Char('\n')) + QStringLiteral("\n\nСохранить список с такими заменами?");
}

bool writeListFile(const QString& fileName, const QList<IdentifierRecord>& records, bool withReplacements, QString* why)
{
    return writeWholeFile(fileName, listFileContent(records, withReplacements), why);
}

} // namespace listFile
