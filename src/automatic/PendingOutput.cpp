#include "automatic/PendingOutput.h"

#include "common/FileAccess.h"
#include "common/SaveCopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace automatic {

namespace {

// Less than this left on a disk is taken as full.
constexpr unsigned long long kFullBelowBytes = 1024 * 1024;

QString shown(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

// What the user can do something about, said plainly; empty for the rest.
QString storageReason(int error)
{
    return fileAccess::isStorageFailure(error) ? fileAccess::writeFailure(error) : QString();
}

bool copyInto(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!fileAccess::writeAll(to, buffer, got))
            return false;
    }
}

} // namespace

QString storageProblem(const QString& folder)
{
    const QByteArray name = QFile::encodeName(folder);
    struct statvfs disk {};
    if (::statvfs(name.constData(), &disk) == 0) {
        if (disk.f_flag & ST_RDONLY)
            return storageReason(EROFS);
        if (static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize < kFullBelowBytes)
            return storageReason(ENOSPC);
    }
    if (::access(name.constData(), W_OK) != 0)
        return storageReason(errno);
    return {};
}

std::timed_mutex& PendingOutput::naming()
{
    static std::timed_mutex mutex;
    return mutex;
}

PendingOutput::PendingOutput(const QString& target, const QString& stagingFolder)
    : target_(QFileInfo(target).absoluteFilePath()),
      staged_(stagingFolder + QStringLiteral("/document-XXXXXX.") + QFileInfo(target).suffix())
{
    if (!staged_.open())
        throw KvilmarError(QStringLiteral("В папке \"%1\" не удается создать файл для \"%2\": %3")
                               .arg(shown(stagingFolder), QFileInfo(target_).fileName(), staged_.errorString()));
    staged_.close();
}

PendingOutput::~PendingOutput() = default;

void PendingOutput::commit(bool replace)
{
    const QString folder = QFileInfo(target_).absolutePath();
    const auto failed = [&](int error) {
        if (error == EEXIST)
            throw KvilmarError(QStringLiteral("Файл \"%1\" уже существует: он появился, пока документ делался. "
                                              "Чтобы заменить, укажите --force.")
                                   .arg(shown(target_)));
        const QString reason = storageReason(error);
        const QString text =
            QStringLiteral("Не удается записать файл \"%1\": %2")
                .arg(shown(target_), reason.isEmpty() ? QString::fromLocal8Bit(std::strerror(error)) : reason);
        if (reason.isEmpty())
            throw KvilmarError(text);
        throw StorageError(text
                           + (error == EACCES || error == EPERM ? QStringLiteral(" в папку \"%1\".").arg(shown(folder))
                                                                : QStringLiteral(".")));
    };
    const int from = ::open(QFile::encodeName(path()).constData(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        failed(errno);
    const int error = saveCopies::putWhole(
        target_, [from](int to) { return copyInto(from, to); },
        replace ? saveCopies::Existing::Replace : saveCopies::Existing::Keep, &PendingOutput::naming());
    ::close(from);
    if (error)
        failed(error);
}

} // namespace automatic
