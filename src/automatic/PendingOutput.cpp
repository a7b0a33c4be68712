#include "automatic/PendingOutput.h"

#include "common/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
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

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// A hidden name in the folder no file has: short, whatever the target's
// length, so it is never the name too long for the file system.
QString freeHiddenName(const QString& folder)
{
    for (;;) {
        const QString name = folder + QStringLiteral("/.kvilmar-%1")
                                          .arg(QRandomGenerator::system()->generate64() & 0xffffffffffffULL, 12, 16,
                                               QLatin1Char('0'));
        struct stat st {};
        if (::lstat(QFile::encodeName(name).constData(), &st) != 0 && errno == ENOENT)
            return name;
    }
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
        const QString text = QStringLiteral("Не удается записать файл \"%1\": %2")
                                 .arg(shown(target_), reason.isEmpty() ? QString::fromLocal8Bit(std::strerror(error)) : reason);
        if (reason.isEmpty())
            throw KvilmarError(text);
        throw StorageError(text + (error == EACCES || error == EPERM ? QStringLiteral(" в папку \"%1\".").arg(shown(folder))
                                                                       : QStringLiteral(".")));
    };
    const Descriptor from(::open(QFile::encodeName(path()).constData(), O_RDONLY | O_CLOEXEC));
    if (from.get() < 0)
        failed(errno);

    const std::lock_guard naming(PendingOutput::naming());
    const QByteArray to = QFile::encodeName(target_);
    // A file without a name until it is whole: should anything fail, or the
    // program be killed, it goes with its descriptor.
    const Descriptor unnamed(::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    QString named;   // a file system without such files: a hidden name
    int written = unnamed.get();
    if (written < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            failed(errno);
        named = freeHiddenName(folder);
        written = ::open(QFile::encodeName(named).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (written < 0)
            failed(errno);
    }
    const Descriptor namedFile(named.isEmpty() ? -1 : written);
    const auto removeNamed = [&] {
        if (!named.isEmpty())
            ::unlink(QFile::encodeName(named).constData());
    };
    if (!copyInto(from.get(), written)) {
        const int error = errno;
        removeNamed();
        failed(error);
    }
    if (named.isEmpty() && !replace) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(written);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0)
            return;
        failed(errno);
    }
    if (named.isEmpty()) {
        // Replacing: the whole file takes a hidden name first, then the
        // target's in one step.
        named = freeHiddenName(folder);
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(written);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(named).constData(), AT_SYMLINK_FOLLOW) != 0)
            failed(errno);
    }
    const QByteArray hidden = QFile::encodeName(named);
    int result = replace ? std::rename(hidden.constData(), to.constData())
                         : ::renameat2(AT_FDCWD, hidden.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (result != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system that cannot refuse to replace in the rename itself.
        if (QFileInfo::exists(target_))
            errno = EEXIST;
        else
            result = std::rename(hidden.constData(), to.constData());
    }
    if (result == 0)
        return;
    const int error = errno;
    removeNamed();
    failed(error);
}

} // namespace automatic
