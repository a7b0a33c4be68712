#include "automatic/OutputFormat.h"

#include "common/KvilmarError.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <iterator>

namespace automatic {

namespace {

constexpr OutputFormat kFormats[] = {
    {"pdf", "Документ PDF", "writer_pdf_Export", "calc_pdf_Export", ""},
    {"odt", "Текст OpenDocument", "writer8", nullptr, ""},
    {"docx", "Документ Word", "MS Word 2007 XML", nullptr, ""},
    {"doc", "Документ Word 97–2003", "MS Word 97", nullptr, ""},
    {"rtf", "Текст RTF", "Rich Text Format", nullptr, ""},
    {"txt", "Простой текст UTF-8", "Text (encoded)", nullptr, "UTF8,LF,,,false"},
    {"ods", "Таблица OpenDocument", nullptr, "calc8", ""},
    {"xlsx", "Книга Excel", nullptr, "Calc MS Excel 2007 XML", ""},
    {"xls", "Книга Excel 97–2003", nullptr, "MS Excel 97", ""},
};

QString suffixOf(const QString& fileName)
{
    return QFileInfo(fileName).suffix().toLower();
}

} // namespace

const OutputFormat* outputFormatFor(const QString& fileName)
{
    const QString suffix = suffixOf(fileName);
    for (const OutputFormat& format : kFormats)
        if (suffix == QLatin1String(format.extension))
            return &format;
    return nullptr;
}

QString savedExtensions()
{
    QStringList names;
    for (const OutputFormat& format : kFormats)
        names << QLatin1Char('.') + QLatin1String(format.extension);
    return names.join(QStringLiteral(", "));
}

ExportFilter exportFilter(const OutputFormat& format, DocumentKind kind, const QString& outputName)
{
    const char* filter = kind == DocumentKind::Text ? format.textFilter : format.spreadsheetFilter;
    if (!filter)
        throw KvilmarError(QStringLiteral("Файл \"%1\": в формате .%2 нельзя сохранить %3.")
                               .arg(QDir::toNativeSeparators(outputName), QLatin1String(format.extension),
                                    kind == DocumentKind::Text ? QStringLiteral("текстовый документ")
                                                               : QStringLiteral("электронную таблицу")));
    return {QString::fromLatin1(filter), QString::fromLatin1(format.options)};
}

QString saveDialogFilter(std::optional<DocumentKind> kind)
{
    QStringList parts;
    for (const OutputFormat& format : kFormats) {
        if (kind && !(*kind == DocumentKind::Text ? format.textFilter : format.spreadsheetFilter))
            continue;
        const QString pattern = QStringLiteral("*.") + QLatin1String(format.extension);
        parts << QStringLiteral("%1 (%2)").arg(QString::fromUtf8(format.description), pattern) << pattern;
    }
    return parts.join(QLatin1Char('|'));
}

QString withSavedExtension(const QString& chosen)
{
    return outputFormatFor(chosen) ? chosen : chosen + QStringLiteral(".pdf");
}

std::optional<DocumentKind> expectedKind(const QString& templateName)
{
    static const QStringList text{"odt", "ott", "fodt", "doc", "dot", "docx", "dotx", "docm", "dotm", "rtf", "txt"};
    static const QStringList spreadsheet{"ods", "ots", "fods", "xls", "xlt", "xlsx", "xltx", "xlsm", "xltm"};
    const QString suffix = suffixOf(templateName);
    if (text.contains(suffix))
        return DocumentKind::Text;
    if (spreadsheet.contains(suffix))
        return DocumentKind::Spreadsheet;
    return std::nullopt;
}

} // namespace automatic
