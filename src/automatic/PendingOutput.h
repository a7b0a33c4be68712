#pragma once

#include <QString>
#include <QTemporaryFile>

// A document's file while the office writes it: a hidden temporary file in
// the target's own folder, renamed to the target only when complete, so a
// failure or a kill never leaves a half-written document under its name.
namespace automatic {

class PendingOutput {
public:
    // Makes the temporary file. Throws KvilmarError naming the folder.
    explicit PendingOutput(const QString& target);
    // Removes the temporary file unless it became the target.
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Where the document is to be written.
    QString path() const { return temporary_.fileName(); }

    // Gives the written file the permissions of a new file and renames it to
    // the target, in one step; an existing target is replaced only when
    // `replace`, so a file that appeared meanwhile is never lost. Throws
    // KvilmarError naming the target.
    void commit(bool replace);

private:
    QString target_;
    QTemporaryFile temporary_;
};

} // namespace automatic
