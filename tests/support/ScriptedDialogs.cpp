#include "ScriptedDialogs.h"

ScriptedDialogs::ScriptedDialogs()
{
    installDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    installDialogs(nullptr);
}

QStringList ScriptedDialogs::shownTexts() const
{
    QStringList texts;
    for (const Shown& s : shown_)
        texts << s.text;
    return texts;
}

void ScriptedDialogs::clear()
{
    answers_.clear();
    files_.clear();
    fonts_.clear();
    shown_.clear();
    fileFilters_.clear();
    fileFolders_.clear();
    unexpected_.clear();
}

MessageAnswer ScriptedDialogs::message(MessageKind kind, const QString& text, MessageButtons buttons)
{
    shown_.append({kind, text, buttons});
    if (answers_.isEmpty()) {
        unexpected_ << QStringLiteral("box: ") + text;
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok
             : buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                : MessageAnswer::Cancel;
    }
    return answers_.takeFirst();
}

QString ScriptedDialogs::nextFile(const FileDialogRequest& request)
{
    fileFilters_ << request.filter;
    fileFolders_ << request.folder;
    if (files_.isEmpty()) {
        unexpected_ << QStringLiteral("file dialog: ") + request.filter;
        return {};
    }
    return files_.takeFirst();
}

QString ScriptedDialogs::openFileName(QWidget*, const FileDialogRequest& request)
{
    return nextFile(request);
}

QString ScriptedDialogs::saveFileName(QWidget*, const FileDialogRequest& request)
{
    return nextFile(request);
}

std::optional<FontChoice> ScriptedDialogs::chooseFont(QWidget*, const FontChoice&, int, int)
{
    if (fonts_.isEmpty()) {
        unexpected_ << QStringLiteral("font dialog");
        return std::nullopt;
    }
    return fonts_.takeFirst();
}
