#include "filling/RangeFile.h"

#include "common/KvilmarError.h"
#include "common/ProgramFolder.h"
#include "common/TextFile.h"
#include "settings/SettingsFiles.h"

#include <QDir>
#include <QtEndian>

namespace {

constexpr int kRecordCount = 5;
constexpr int kRecordSize = 4;

} // namespace

QString rangeFilePath()
{
    return programFile(QStringLiteral("nstrint.dan"));
}

RangeFileRead readRangeFile(const QString& path)
{
    RangeFileRead result;
    const fileAccess::Result file = settingsFiles::readFile(path);
    if (!file.ok()) {
        result.error = QStringLiteral("Ошибка ввода-вывода: не удается открыть файл %1 (%2)")
                           .arg(QDir::toNativeSeparators(path), file.reason);
        return result;
    }
    const QByteArray& bytes = file.content;
    for (int i = 0; i + kRecordSize <= bytes.size() && i < kRecordCount * kRecordSize; i += kRecordSize)
        result.records << qFromLittleEndian<qint32>(bytes.constData() + i);
    if (result.records.size() < kRecordCount)
        result.error = QStringLiteral("Ошибка ввода-вывода: файл %1 прочитан не полностью (чтение за концом файла)")
                           .arg(QDir::toNativeSeparators(path));
    return result;
}

void writeRangeFile(const QString& path, const RangeRecords& records)
{
    QByteArray bytes(kRecordCount * kRecordSize, '\0');
    const qint32 values[kRecordCount] = {records.sheetCount, records.firstColumn, records.lastColumn, records.firstRow,
                                         records.lastRow};
    for (int i = 0; i < kRecordCount; ++i)
        qToLittleEndian<qint32>(values[i], bytes.data() + i * kRecordSize);
    QString why;
    if (!writeWholeFile(path, bytes, &why))
        throw KvilmarError(settingsFiles::writeError(path, why));
}
