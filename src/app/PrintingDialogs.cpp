#include "app/PrintingDialogs.h"

#include <cstdio>

MessageAnswer PrintingDialogs::message(MessageKind kind, const QString& text, MessageButtons buttons)
{
    const QByteArray line = (messageTitle(kind) + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::YesNo: return MessageAnswer::No;
    case MessageButtons::YesCancel:
    case MessageButtons::YesNoCancel: return MessageAnswer::Cancel;
    }
    return MessageAnswer::Ok;
}

QString PrintingDialogs::openFileName(QWidget*, const FileDialogRequest&)
{
    return {};
}

QString PrintingDialogs::saveFileName(QWidget*, const FileDialogRequest&)
{
    return {};
}

std::optional<FontChoice> PrintingDialogs::chooseFont(QWidget*, const FontChoice&, int, int)
{
    return std::nullopt;
}
