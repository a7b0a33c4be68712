#include "common/windows/Dialogs.h"

#include "common/windows/QtDialogs.h"

#include <QFileInfo>
#include <QStringList>

namespace {

Dialogs* installedSeam = nullptr;

Dialogs& qtSeam()
{
    static QtDialogs seam;
    return seam;
}

} // namespace

Dialogs& dialogs()
{
    return installedSeam ? *installedSeam : qtSeam();
}

void installDialogs(Dialogs* seam)
{
    installedSeam = seam;
}

QString startFolder(std::initializer_list<QString> lastUsedFiles)
{
    for (const QString& file : lastUsedFiles) {
        if (file.isEmpty())
            continue;
        const QFileInfo folder(QFileInfo(file).absolutePath());
        if (folder.isDir())
            return folder.absoluteFilePath();
    }
    return {};
}

QString templateFilter()
{
    static const QStringList kinds{"doc", "docx", "odt", "rtf", "txt", "xls", "xlsx", "ods"};
    QStringList patterns, each;
    for (const QString& kind : kinds) {
        patterns << QStringLiteral("*.") + kind;
        each << patterns.last() << patterns.last();
    }
    return QStringLiteral("Все файлы|*.*|Все шаблоны|") + patterns.join(QLatin1Char(' ')) + QLatin1Char('|')
        + each.join(QLatin1Char('|'));
}

QString messageTitle(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error: return QStringLiteral("Ошибка");
    case MessageKind::Information: return QStringLiteral("Информация");
    case MessageKind::Confirmation: return QStringLiteral("Подтверждение");
    case MessageKind::ApplicationError: return QStringLiteral("Квилмар");
    }
    return {};
}

void showError(const QString& text)
{
    dialogs().message(MessageKind::Error, text, MessageButtons::Ok);
}

void showInformation(const QString& text)
{
    dialogs().message(MessageKind::Information, text, MessageButtons::Ok);
}

bool askYesNo(const QString& text)
{
    return dialogs().message(MessageKind::Confirmation, text, MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool askYesCancel(const QString& text)
{
    return dialogs().message(MessageKind::Confirmation, text, MessageButtons::YesCancel) == MessageAnswer::Yes;
}

MessageAnswer askYesNoCancel(const QString& text)
{
    return dialogs().message(MessageKind::Confirmation, text, MessageButtons::YesNoCancel);
}
