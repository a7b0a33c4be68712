#include "general/ListFile.h"

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

std::optional<QList<IdentifierRecord>> readListFile(const QString& fileName, bool keepReplacements)
{
    std::optional<TextLineReader> reader = openForeignTextFile(fileName);
    if (!reader)
        return std::nullopt;
    bool ok = false;
    const int count = reader->readLine().trimmed().toInt(&ok);
    if (!ok || count < 1 || count > IdentifierList::kSlots)
        return std::nullopt;
    reader->readLine();   // "19", whatever it holds
    QList<IdentifierRecord> records;
    for (int k = 0; k < count; ++k) {
        IdentifierRecord r;
        r.identifier = reader->readLine().left(IdentifierList::kIdentifierLimit);
        r.comment = reader->readLine().left(IdentifierList::kCommentLimit);
        const QByteArray replacement = reader->readLine();
        if (keepReplacements)
            r.replacement = replacement;
        records.append(r);
    }
    return records;
}

std::optional<QList<IdentifierRecord>> readPlainIdentifierFile(const QString& fileName)
{
    std::optional<TextLineReader> reader = openForeignTextFile(fileName);
    if (!reader)
        return std::nullopt;
    QList<IdentifierRecord> records;
    while (records.size() < kPlainFileLimit && !reader->atEnd()) {
        IdentifierRecord r;
        r.identifier = reader->readLine().left(IdentifierList::kIdentifierLimit);
        if (!r.identifier.isEmpty())
            records.append(r);
    }
    return records;
}

std::optional<QList<IdentifierRecord>> readAnyListFile(const QString& fileName, bool keepReplacements)
{
    return hasListExtension(fileName) ? readListFile(fileName, keepReplacements)
                                      : readPlainIdentifierFile(fileName);
}

std::optional<QList<QByteArray>> readReplacementListFile(const QString& fileName, int count)
{
    std::optional<TextLineReader> reader = openForeignTextFile(fileName);
    if (!reader)
        return std::nullopt;
    QList<QByteArray> texts;
    while (texts.size() < count && !reader->atEnd())
        texts.append(reader->readLine());
    return texts;
}

QByteArray listFileContent(const QList<IdentifierRecord>& records, bool withReplacements)
{
    QByteArray bytes = QByteArray::number(records.size()) + "\r\n19\r\n";
    for (const IdentifierRecord& r : records) {
        bytes += r.identifier + "\r\n";
        bytes += r.comment + "\r\n";
        bytes += (withReplacements ? r.replacement : QByteArray()) + "\r\n";
    }
    return bytes;
}

bool writeListFile(const QString& fileName, const QList<IdentifierRecord>& records, bool withReplacements)
{
    return writeWholeFile(fileName, listFileContent(records, withReplacements));
}

} // namespace listFile
