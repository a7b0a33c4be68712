#include "filling/FillingRules.h"

#include "common/FileAccess.h"
#include "filling/PackedFile.h"
#include "general/IdentifierList.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace filling {

QString oneDecimal(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 1);
}

QString unusableTemplate(const QString& fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    // The office would wait for ever on a named pipe and read a device without end.
    const fileAccess::Result file = fileAccess::check(fileName, fileAccess::kTemplateLimit);
    if (file.problem == fileAccess::Problem::NotRegular || file.problem == fileAccess::Problem::TooLarge)
        return QStringLiteral("Файл шаблона \"%1\" нельзя заполнить: %2.").arg(shown, file.reason);
    if (QFileInfo(fileName).size() == 0)
        return QStringLiteral("Файл шаблона \"%1\" пуст: в нем нечего заполнять.").arg(shown);
    // Before the office unpacks it into its memory.
    if (const QString packed = overpacked(fileName); !packed.isEmpty())
        return QStringLiteral("Файл шаблона \"%1\" нельзя заполнить: %2.").arg(shown, packed);
    return {};
}

QString completionMessage(const QDateTime& startMark, const QDateTime& now)
{
    const double seconds = static_cast<double>(startMark.msecsTo(now)) / 1000.0;
    return QStringLiteral("Работа закончена!\nЗатраченное время: ") + oneDecimal(seconds) + QStringLiteral(" с");
}

QString progressText(int sheet, int index, int sheetCount, int recordCount)
{
    const int done = ((sheet - 1) * recordCount + index + 1) * 100;
    const double percent = static_cast<double>(done) / static_cast<double>(sheetCount * recordCount);
    return QStringLiteral("Выполнено: ") + oneDecimal(percent) + QStringLiteral(" %  ");
}

CellTextLimits cellTextLimits(const QString& fileName)
{
    CellTextLimits limits;
    limits.format = QFileInfo(fileName).suffix().toLower();
    static const QStringList binary{"xls", "xlt", "xlw"};
    static const QStringList open{"xlsx", "xlsm", "xltx", "xltm"};
    if (binary.contains(limits.format) || open.contains(limits.format))
        limits.cell = office::LongCellText::kLongCell;
    if (binary.contains(limits.format))
        limits.formulaString = office::LongCellText::kLongFormulaString;
    return limits;
}

QStringList cutTexts(const QList<office::LongCellText>& texts, const CellTextLimits& limits)
{
    QStringList cut;
    for (const office::LongCellText& text : texts) {
        const qsizetype limit = text.inFormula ? limits.formulaString : limits.cell;
        if (limit == 0 || text.length <= limit)
            continue;
        const QString holder = text.inFormula && limit == office::LongCellText::kOfficeFormulaString
            ? QStringLiteral("LibreOffice")
            : QStringLiteral("формат .%1").arg(limits.format);
        const QString length = text.cutByOffice ? QStringLiteral("больше %1").arg(limit) : QString::number(text.length);
        const QString clause = text.inFormula
            ? QStringLiteral(
                "в строке формулы ячейки %1 текст длиной %2, а %3 вмещает в строке формулы не больше %4 знаков")
            : QStringLiteral("в ячейке %1 текст длиной %2, а %3 вмещает в ячейке не больше %4 знаков");
        cut << clause.arg(text.cell, length, holder).arg(limit);
    }
    return cut;
}

namespace {

// The first ten of the clauses, and how many more there are.
QString someOf(const QStringList& cut)
{
    constexpr qsizetype kNamed = 10;
    QString text = cut.mid(0, kNamed).join(QStringLiteral("; "));
    if (cut.size() > kNamed)
        text += QStringLiteral(" (и еще таких ячеек: %1)").arg(cut.size() - kNamed);
    return text + QLatin1Char('.');
}

} // namespace

QString cutTextsMessage(const QStringList& cut)
{
    if (cut.isEmpty())
        return {};
    return QStringLiteral("\n\nТекст не поместится целиком: ") + someOf(cut);
}

QString cutTextsRefusal(const QStringList& cut)
{
    return QStringLiteral("Текст не поместится в документ целиком: ") + someOf(cut);
}

qsizetype unwritableAt(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.category() == QChar::Other_Control || c.isSurrogate() || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            return i;
    }
    return -1;
}

QString characterCode(const QString& text, qsizetype at)
{
    return QStringLiteral("U+") + QString::number(text[at].unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

QString unwritableReplacement(const IdentifierRecord& record)
{
    const qsizetype at = record.status ? unwritableAt(record.replacement) : -1;
    if (at < 0)
        return {};
    return QStringLiteral("замена для «%1» содержит управляющий символ %2, а его нельзя записать в документ")
        .arg(record.identifier, characterCode(record.replacement, at));
}

QString unwritableRecords(const QList<IdentifierRecord>& records)
{
    for (int i = 0; i < records.size(); ++i) {
        const QString why = unwritableReplacement(records[i]);
        if (!why.isEmpty())
            return QStringLiteral("Запись %1: %2. Уберите его из текста замены.").arg(i + 1).arg(why);
    }
    return {};
}

} // namespace filling
