#pragma once

#include "common/windows/Dialogs.h"

// The dialog seam as the user sees it: Qt's message boxes and dialogs.
class QtDialogs : public Dialogs {
public:
    MessageAnswer message(MessageKind kind, const QString& text, MessageButtons buttons) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial, int minPoints,
                                         int maxPoints) override;
};

// "A|*.a|B|*.b" as a Qt name filter list: "A (*.a);;B (*.b)".
QString qtNameFilters(const QString& barFilter);

// Qt's own dialogs and buttons in Russian, whatever the user's locale: the
// whole interface is Russian.
void installRussianQtTexts();
