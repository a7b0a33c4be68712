#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// One copy of the program per user: a lock file named after "KVILMAR_EXIST"
// in the user's private folder (common/PrivateFolder.h), held until the
// process ends. Never in a shared folder, where another user could take the
// name first and keep the program from starting. A lock left by a copy that
// crashed names a process that is gone and is taken over.
class SingleInstanceGuard {
public:
    // The lock in the given folder; by default the user's private folder.
    explicit SingleInstanceGuard(const QString& folder = QString());

    // True when this process now holds the lock; waits at most 10 ms.
    bool acquire();

    // Why there is no place for the lock (Russian); empty when there is.
    QString problem() const { return problem_; }
    QString lockFileName() const { return fileName_; }
    // Where the copy holding the lock takes list files from later starts.
    QString handoverName() const { return handover_; }

private:
    QString problem_;
    QString fileName_;
    QString handover_;
    std::unique_ptr<QLockFile> lock_;
};
