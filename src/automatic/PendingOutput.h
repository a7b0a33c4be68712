#pragma once

#include "common/KvilmarError.h"

#include <QString>
#include <QTemporaryFile>
#include <mutex>

// A document's file while it is made. The office writes it into a folder of
// the run's own (its staging folder), never into the target's folder, where
// its lock and temporary files would be left behind by a failure. Only the
// whole document reaches the target's folder, as a file without a name that
// gets the target's name in one step: a full disk, a folder made read-only
// or a kill leaves nothing there.
namespace automatic {

// A write that every later document in that place would meet too: the disk
// is full, the folder or disk refuses writing.
class StorageError : public KvilmarError {
public:
    using KvilmarError::KvilmarError;
};

class PendingOutput {
public:
    // Makes the staged file in stagingFolder. Throws KvilmarError naming
    // the folder.
    PendingOutput(const QString& target, const QString& stagingFolder);
    // Removes the staged file.
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Where the document is to be written.
    QString path() const { return staged_.fileName(); }

    // Copies the written document into the target's folder and gives it the
    // target's name, as saveCopies::putWhole does; an existing target is
    // replaced (in one step, keeping its permissions) only when `replace`, so
    // a file that appeared meanwhile is never lost. Throws StorageError or
    // KvilmarError naming the target.
    void commit(bool replace);

    // Held while a document takes its name: a program that must end at once
    // waits for it, so that no name is left half given.
    static std::timed_mutex& naming();

private:
    QString target_;
    QTemporaryFile staged_;
};

// Why a folder's disk cannot take a document (full, read-only, closed to
// this user), in Russian; empty when nothing is known against it.
QString storageProblem(const QString& folder);

} // namespace automatic
