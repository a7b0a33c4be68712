#include "filling/FillingRules.h"

#include "common/FileAccess.h"

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

} // namespace filling
