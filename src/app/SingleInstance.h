#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// One copy of the program per user: a lock file named after "KVILMAR_EXIST"
// in the user's runtime folder, held until the process ends. A lock left by
// a copy that crashed names a process that is gone and is taken over.
class SingleInstanceGuard {
public:
    // The lock in the given folder; by default the user's runtime folder.
    explicit SingleInstanceGuard(const QString& folder = QString());

    // True when this process now holds the lock; waits at most 10 ms.
    bool acquire();

    static QString defaultFolder();
    QString lockFileName() const { return fileName_; }

private:
    QString fileName_;
    std::unique_ptr<QLockFile> lock_;
};
