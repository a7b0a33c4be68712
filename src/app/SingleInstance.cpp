#include "app/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

SingleInstanceGuard::SingleInstanceGuard(const QString& folder)
    : fileName_((folder.isEmpty() ? defaultFolder() : folder) + QStringLiteral("/KVILMAR_EXIST.lock"))
    , lock_(std::make_unique<QLockFile>(fileName_))
{
    // Only a lock whose process is gone counts as stale, however old a live one is.
    lock_->setStaleLockTime(0);
}

QString SingleInstanceGuard::defaultFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    return folder;
}

bool SingleInstanceGuard::acquire()
{
    return lock_->tryLock(10);
}
