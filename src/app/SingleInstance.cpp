#include "app/SingleInstance.h"

#include "common/PrivateFolder.h"

SingleInstanceGuard::SingleInstanceGuard(const QString& folder)
{
    QString why;
    const QString place = folder.isEmpty() ? privateFolder::path(&why) : folder;
    if (place.isEmpty()) {
        problem_ = QStringLiteral("Не удается проверить, не запущена ли уже программа Квилмар: %1.").arg(why);
        return;
    }
    fileName_ = place + QStringLiteral("/KVILMAR_EXIST.lock");
    handover_ = place + QStringLiteral("/KVILMAR_EXIST.socket");
    lock_ = std::make_unique<QLockFile>(fileName_);
    // Only a lock whose process is gone counts as stale, however old a live one is.
    lock_->setStaleLockTime(0);
}

bool SingleInstanceGuard::acquire()
{
    return lock_ && lock_->tryLock(10);
}
