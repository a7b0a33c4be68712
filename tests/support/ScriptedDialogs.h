#pragma once

#include "common/windows/Dialogs.h"

#include <QList>
#include <QStringList>

// The dialog seam for tests: answers boxes and dialogs from queues given in
// advance, in order, and records everything it was shown. A box or dialog
// with no queued answer is recorded as unexpected; tests check
// unexpected() at the end (KV_VERIFY_DIALOGS does it).
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        MessageKind kind;
        QString text;
        MessageButtons buttons;
    };

    ScriptedDialogs();   // installs itself
    ~ScriptedDialogs() override;  // restores the Qt seam

    void answer(MessageAnswer a) { answers_.append(a); }
    // An empty name answers the file dialog with a cancel.
    void answerFile(const QString& name) { files_.append(name); }
    void answerFont(const std::optional<FontChoice>& choice) { fonts_.append(choice); }

    const QList<Shown>& shown() const { return shown_; }
    QStringList shownTexts() const;
    // Filters of the file dialogs run so far, in order.
    const QStringList& fileFilters() const { return fileFilters_; }
    // The folders they started in, in order.
    const QStringList& fileFolders() const { return fileFolders_; }
    const QStringList& unexpected() const { return unexpected_; }
    bool allAnswersUsed() const { return answers_.isEmpty() && files_.isEmpty() && fonts_.isEmpty(); }
    void clear();

    MessageAnswer message(MessageKind kind, const QString& text, MessageButtons buttons) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial,
                                         int minPoints, int maxPoints) override;

private:
    QString nextFile(const FileDialogRequest& request);

    QList<MessageAnswer> answers_;
    QStringList files_;
    QList<std::optional<FontChoice>> fonts_;
    QList<Shown> shown_;
    QStringList fileFilters_;
    QStringList fileFolders_;
    QStringList unexpected_;
};

// Fails the test when a box or dialog came that the test did not answer, or
// when an answer was left unused.
#define KV_VERIFY_DIALOGS(d)                                                        \
    do {                                                                           \
        QVERIFY2((d).unexpected().isEmpty(), qPrintable((d).unexpected().join(" | "))); \
        QVERIFY2((d).allAnswersUsed(), "an answer was left unused");             \
    } while (0)
