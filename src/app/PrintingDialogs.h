#pragma once

#include "common/windows/Dialogs.h"

// A dialog seam for runs without a user (KVILMAR_DIALOGS=print): every box is
// written to the standard error stream as "<title>: <text>" and answered with
// its safe choice (OK, No, Cancel); file and font dialogs are cancelled.
class PrintingDialogs : public Dialogs {
public:
    MessageAnswer message(MessageKind kind, const QString& text, MessageButtons buttons) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial, int minPoints,
                                         int maxPoints) override;
};
