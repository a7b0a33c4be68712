#include "app/StartSwitches.h"

#include <QFileInfo>

namespace startup {

Switch classify(const QStringList& parameters)
{
    if (parameters.isEmpty())
        return Switch::None;
    const QString& first = parameters.first();
    if (first == QLatin1String("-i") || first == QLatin1String("-I"))
        return Switch::Ini;
    if (first == QLatin1String("-s") || first == QLatin1String("-S"))
        return Switch::Select;
    if (!first.startsWith(QLatin1Char('-')) && isExistingFile(first))
        return Switch::ListFile;
    return Switch::Invalid;
}

QString listFileParameter(const QStringList& parameters)
{
    return parameters.isEmpty() ? QString() : QFileInfo(parameters.first()).absoluteFilePath();
}

bool isExistingFile(const QString& name)
{
    return !name.isEmpty() && QFileInfo(name).isFile();
}

QString iniFileName()
{
    return QStringLiteral("kvilmar.ini");
}

QString iniMissingMessage()
{
    return QStringLiteral("Файл ") + quoted(iniFileName()) + QStringLiteral(" не найден!");
}

QString invalidParameterMessage(const QString& parameter)
{
    return QStringLiteral("Указан неверный параметр командной строки ") + parameter
         + QStringLiteral("\nОткрыть окно выбора файлов?");
}

QString missingFileMessage(const QString& pendingFileMessage)
{
    return QStringLiteral("Не найден файл ") + pendingFileMessage + QStringLiteral("\nОткрыть окно выбора файлов?");
}

QString cannotOpenMessage()
{
    return QStringLiteral("Невозможно открыть файл!\nФайл используется другим приложением или поврежден");
}

QString identifierFileMissingMessage()
{
    return QStringLiteral("Файл идентификаторов с указанным именем не существует!");
}

QString abortQuestion()
{
    return QStringLiteral("Вы действительно хотите прервать выполнение программы?");
}

QString anotherCopyMessage()
{
    return QStringLiteral("На Вашем компьютере уже запущена программа Квилмар!");
}

QString quoted(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

void StartFields::setUseListReplacements(bool on)
{
    useListReplacements = on;
    replacementFile = on ? identifierFile : QString();
    replacementEditable = !on;
}

QString fillFromSelectSwitch(StartFields& fields, const QStringList& parameters)
{
    QString pending;
    const auto missing = [&pending](const char* what, const QString& name) {
        if (pending.isEmpty())
            pending = QString::fromUtf8(what) + QLatin1Char('\n') + quoted(name);
    };
    if (parameters.size() > 1) {
        const QString& name = parameters[1];
        if (isExistingFile(name))
            fields.templateFile = name;
        else
            missing("шаблона документа", name);
    }
    if (parameters.size() > 2) {
        const QString& name = parameters[2];
        if (isExistingFile(name)) {
            fields.identifierFile = name;
            if (parameters.size() < 4)
                fields.setUseListReplacements(true);
        } else {
            missing("списка идентификаторов", name);
        }
    }
    if (parameters.size() > 3) {
        const QString& name = parameters[3];
        if (isExistingFile(name)) {
            fields.setUseListReplacements(false);
            fields.replacementFile = name;
        } else if (pending.isEmpty()) {
            missing("списка замен", name);
            fields.setUseListReplacements(false);
        }
    }
    return pending;
}

} // namespace startup
