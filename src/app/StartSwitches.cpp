#include "app/StartSwitches.h"

#include "common/FileAccess.h"
#include "common/ProgramInfo.h"

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

QString consoleAnswer(const QStringList& parameters)
{
    const QString first = parameters.value(0);
    if (first == QLatin1String("--help") || first == QLatin1String("-h"))
        return usageText();
    if (first == QLatin1String("--version") || first == QLatin1String("-V"))
        return versionText();
    return {};
}

QString usageText()
{
    return QStringLiteral("Использование:\n"
                          "  kvilmar [СПИСОК]\n"
                          "      главное окно; со списком идентификаторов из файла СПИСОК (.fdp или файл\n"
                          "      с идентификатором в каждой строке), если он указан\n"
                          "  kvilmar -s|-S [ШАБЛОН [ФАЙЛ_ИДЕНТИФИКАТОРОВ [ФАЙЛ_ЗАМЕН]]]\n"
                          "      окно «Выбор файлов» с этими файлами\n"
                          "  kvilmar -i|-I\n"
                          "      проверить, что в папке настроек есть файл kvilmar.ini\n"
                          "  kvilmar fill ШАБЛОН --list СПИСОК [параметры]\n"
                          "      заполнить шаблон без окон: один документ или по документу на строку\n"
                          "      таблицы; все параметры: kvilmar fill --help\n"
                          "  kvilmar -h|--help\n"
                          "      показать эту справку\n"
                          "  kvilmar -V|--version\n"
                          "      показать версию программы\n\n"
                          "Квилмар заполняет шаблоны документов в LibreOffice Writer и Calc по списку\n"
                          "идентификаторов: каждый включенный идентификатор заменяется своим текстом.\n"
                          "Если программа уже запущена, список, открытый снова, открывается в ней.\n"
                          "Подробно: man kvilmar\n");
}

QString versionText()
{
    return programInfo::name() + QLatin1Char(' ') + QStringLiteral(KVILMAR_VERSION) + QLatin1Char('\n');
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
    QString message = QStringLiteral("Указан неверный параметр командной строки ") + parameter;
    // The name of something that is there, but no list file (a folder, a
    // pipe): what it is, is said.
    if (!parameter.isEmpty() && !parameter.startsWith(QLatin1Char('-'))) {
        const fileAccess::Result file = fileAccess::check(parameter, fileAccess::kListLimit);
        if (file.problem != fileAccess::Problem::Missing)
            message = fileAccess::withCause(message, file.reason);
    }
    return message + QStringLiteral("\nОткрыть окно выбора файлов?");
}

QString missingFileMessage(const QString& pendingFileMessage)
{
    return pendingFileMessage + QStringLiteral("\nОткрыть окно выбора файлов?");
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
    // True for a file that can be read; otherwise the first such file is
    // reported: missing, or why it cannot be read (a folder, a pipe).
    const auto usable = [&pending](const char* what, const QString& name, qint64 limit) {
        const fileAccess::Result file = fileAccess::check(name, limit);
        if (file.ok())
            return true;
        if (pending.isEmpty()) {
            const QString named = QString::fromUtf8(what) + QLatin1Char('\n') + quoted(name);
            pending = file.problem == fileAccess::Problem::Missing
                ? QStringLiteral("Не найден файл ") + named
                : fileAccess::withCause(QStringLiteral("Нельзя открыть файл ") + named, file.reason);
        }
        return false;
    };
    if (parameters.size() > 1) {
        const QString& name = parameters[1];
        if (usable("шаблона документа", name, fileAccess::kTemplateLimit))
            fields.templateFile = name;
    }
    if (parameters.size() > 2) {
        const QString& name = parameters[2];
        if (usable("списка идентификаторов", name, fileAccess::kListLimit)) {
            fields.identifierFile = name;
            if (parameters.size() < 4)
                fields.setUseListReplacements(true);
        }
    }
    if (parameters.size() > 3) {
        const QString& name = parameters[3];
        const bool reportedBefore = !pending.isEmpty();
        if (usable("списка замен", name, fileAccess::kListLimit)) {
            fields.setUseListReplacements(false);
            fields.replacementFile = name;
        } else if (!reportedBefore) {
            fields.setUseListReplacements(false);
        }
    }
    return pending;
}

} // namespace startup
