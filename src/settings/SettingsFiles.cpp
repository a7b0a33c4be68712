#include "settings/SettingsFiles.h"

#include "common/KvilmarError.h"
#include "common/ProgramFolder.h"
#include "common/TextFile.h"
#include "common/TraceLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace settingsFiles {
namespace {

constexpr int kNameAt = 1;
constexpr int kSizeAt = 256;
constexpr int kColorAt = 260;
constexpr int kStyleAt = 264;
// Sizes beyond this are damage, not a font anybody chose.
constexpr quint16 kLargestPoints = 200;

QByteArray traceCode(const QString& fileName)
{
    static const QStringList names{QStringLiteral("nstrtxt.dan"), QStringLiteral("nstrfon.dan"),
                                   QStringLiteral("nstrbol.dan"), QStringLiteral("nstrint.dan")};
    const qsizetype known = names.indexOf(QFileInfo(fileName).fileName());
    return QByteArray::number(known < 0 ? 719 : 711 + known);
}

// The trace of a refused file; a trace log that cannot be written must not
// keep the program from going on with the defaults.
void traceRefused(const QString& fileName, fileAccess::Problem problem)
{
    if (traceLog::isOpen())
        return; // the log of a traced operation going on is not cut short
    try {
        TraceScope trace("799");
        traceLog::write("710");
        traceLog::write(traceCode(fileName));
        traceLog::write(problem == fileAccess::Problem::NotRegular     ? "715"
                            : problem == fileAccess::Problem::TooLarge ? "716"
                                                                       : "717");
    } catch (const KvilmarError&) {
    }
}

void write(const QString& fileName, const QByteArray& bytes)
{
    QString why;
    if (!writeWholeFile(fileName, bytes, &why))
        throw KvilmarError(writeError(fileName, why));
}

} // namespace

QString fontFileName()
{
    return programFile(QStringLiteral("nstrfon.dan"));
}

QString switchFileName()
{
    return programFile(QStringLiteral("nstrbol.dan"));
}

QByteArray encodeFont(const FontRecord& record)
{
    QByteArray bytes(FontRecord::kSize, '\0');
    const QByteArray name = record.name.value_or(QByteArray()).left(FontRecord::kNameLimit);
    bytes[0] = char(quint8(name.size()));
    bytes.replace(kNameAt, name.size(), name);
    qToLittleEndian<quint16>(record.pointSize.value_or(0), bytes.data() + kSizeAt);
    qToLittleEndian<quint32>(record.color.value_or(0), bytes.data() + kColorAt);
    bytes[kStyleAt] = char(record.style.value_or(0) & FontRecord::kStyleMask);
    return bytes;
}

FontRecord decodeFont(const QByteArray& bytes)
{
    FontRecord record;
    const qsizetype size = qMin<qsizetype>(bytes.size(), FontRecord::kSize);
    if (size < 1)
        return record;
    const int length = quint8(bytes[0]);
    if (kNameAt + length > size)
        return record; // the name runs past the end: nothing after it is there either
    QByteArray name = bytes.mid(kNameAt, length);
    // A font family never holds a NUL; one here is damage that ends the name.
    const qsizetype nul = name.indexOf('\0');
    if (nul >= 0)
        name.truncate(nul);
    if (!name.isEmpty())
        record.name = name;
    if (size >= kSizeAt + 2) {
        const quint16 points = qFromLittleEndian<quint16>(bytes.constData() + kSizeAt);
        if (points >= 1 && points <= kLargestPoints)
            record.pointSize = points;
    }
    if (size >= kColorAt + 4) {
        const quint32 color = qFromLittleEndian<quint32>(bytes.constData() + kColorAt);
        const quint32 kind = color >> 24;
        if (kind == 0 || kind == FontRecord::kSystemColorTag)
            record.color = color;
    }
    if (size >= kStyleAt + 1)
        record.style = quint8(bytes[kStyleAt]) & FontRecord::kStyleMask;
    return record;
}

QByteArray encodeSwitches(bool startWindow, bool excelSave)
{
    QByteArray bytes(2, '\0');
    bytes[0] = startWindow ? 1 : 0;
    bytes[1] = excelSave ? 1 : 0;
    return bytes;
}

Switches decodeSwitches(const QByteArray& bytes)
{
    Switches switches;
    if (bytes.size() >= 1)
        switches.startWindow = bytes[0] != 0;
    if (bytes.size() >= 2)
        switches.excelSave = bytes[1] != 0;
    return switches;
}

fileAccess::Result readFile(const QString& fileName)
{
    fileAccess::Result read = fileAccess::read(fileName, fileAccess::kSettingsLimit);
    if (!read.ok() && read.problem != fileAccess::Problem::Missing && diagnosticMode() != DiagnosticMode::Off)
        traceRefused(fileName, read.problem);
    return read;
}

FontRecord readFont(const QString& fileName)
{
    return decodeFont(readFile(fileName).content);
}

std::optional<FontRecord> readStoredFont()
{
    const QString fileName = fontFileName();
    if (!QFile::exists(fileName))
        return std::nullopt;
    return readFont(fileName);
}

Switches readSwitches(const QString& fileName)
{
    return decodeSwitches(readFile(fileName).content);
}

QString writeError(const QString& fileName, const QString& cause)
{
    QString text =
        QStringLiteral("Ошибка ввода-вывода: не удается записать файл %1").arg(QDir::toNativeSeparators(fileName));
    return cause.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(cause);
}

void writeFont(const QString& fileName, const FontRecord& record)
{
    write(fileName, encodeFont(record));
}

void writeSwitches(const QString& fileName, bool startWindow, bool excelSave)
{
    write(fileName, encodeSwitches(startWindow, excelSave));
}

} // namespace settingsFiles
