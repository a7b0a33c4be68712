#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <initializer_list>
#include <optional>

class QWidget;

// The dialog seam: every message box and every file and font dialog of the
// program goes through the installed Dialogs. The program installs the Qt
// implementation; tests install a scripted one.

enum class MessageKind { Error, Information, Confirmation, ApplicationError };
enum class MessageButtons { Ok, YesNo, YesCancel, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// A file dialog request. The filter is written as pairs of description and
// pattern separated by vertical bars: "Список полей|*.fdp|Все файлы|*.*".
// A font with its colour, as the font dialog offers them.
struct FontChoice {
    QFont font;
    QColor color;
};

struct FileDialogRequest {
    QString filter;
    QString fileName; // preset name (may be empty)
    QString title;
    QString folder; // where the dialog starts; empty: the working folder
};

// The folder a file dialog starts in: that of the first named file whose
// folder exists (the file last used for the purpose), else empty.
QString startFolder(std::initializer_list<QString> lastUsedFiles);

// The filter of the template choice: every file, then every kind of
// template the program fills at once, then each kind alone.
QString templateFilter();

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MessageAnswer message(MessageKind kind, const QString& text, MessageButtons buttons) = 0;
    // The chosen file, or an empty string when the user cancelled.
    virtual QString openFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString saveFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    // The chosen font and colour, or nullopt when the user cancelled. Sizes
    // outside minPoints..maxPoints are not accepted.
    virtual std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial, int minPoints,
                                                 int maxPoints) = 0;
};

// The installed seam. Installing nullptr restores the Qt implementation.
Dialogs& dialogs();
void installDialogs(Dialogs* seam);

// Shorthands for the three kinds of box.
void showError(const QString& text);
void showInformation(const QString& text);
// Confirmation with Yes and No; true on Yes.
bool askYesNo(const QString& text);
// Confirmation with Yes and Cancel; true on Yes.
bool askYesCancel(const QString& text);
// Confirmation with Yes, No and Cancel (also Escape).
MessageAnswer askYesNoCancel(const QString& text);

// The title of each kind of box.
QString messageTitle(MessageKind kind);
