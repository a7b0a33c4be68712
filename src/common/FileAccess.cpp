#include "common/FileAccess.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileAccess {

namespace {

// The errors reading and writing have in common.
QString commonFailure(int error)
{
    switch (error) {
    case ENOENT: return QStringLiteral("файл не найден");
    case ENOTDIR: return QStringLiteral("папка в пути не существует");
    case EISDIR: return QStringLiteral("это папка");
    case ENAMETOOLONG: return QStringLiteral("слишком длинное имя файла");
    case ELOOP: return QStringLiteral("символические ссылки в пути ведут по кругу");
    case EIO: return QStringLiteral("сбой ввода-вывода на диске");
    default:
        return QStringLiteral("системная ошибка %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("это папка");
    if (S_ISFIFO(mode))
        return QStringLiteral("это именованный канал, а не обычный файл");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("это устройство, а не обычный файл");
    if (S_ISSOCK(mode))
        return QStringLiteral("это сокет, а не обычный файл");
    return QStringLiteral("это не обычный файл");
}

Result refused(Problem problem, QString reason)
{
    Result result;
    result.problem = problem;
    result.reason = std::move(reason);
    return result;
}

Result failedWith(int error)
{
    const bool missing = error == ENOENT || error == ENOTDIR;
    const QString reason =
        error == EACCES || error == EPERM ? QStringLiteral("нет прав на чтение") : commonFailure(error);
    return refused(missing ? Problem::Missing : Problem::Unreadable, reason);
}

Result tooLarge(qint64 limit)
{
    return refused(Problem::TooLarge, QStringLiteral("файл слишком велик (больше %1)").arg(sizeText(limit)));
}

// A regular file within the limit, or why not.
Result judge(const struct stat& status, qint64 limit)
{
    if (!S_ISREG(status.st_mode))
        return refused(Problem::NotRegular, kindOf(status.st_mode));
    if (status.st_size > limit)
        return tooLarge(limit);
    return {};
}

// The name's own status first: a device is never opened at all.
Result inspect(const QByteArray& name, qint64 limit)
{
    struct stat status {};
    if (name.isEmpty())
        return failedWith(ENOENT);
    if (::stat(name.constData(), &status) != 0)
        return failedWith(errno);
    return judge(status, limit);
}

} // namespace

Result check(const QString& path, qint64 limit)
{
    const QByteArray name = QFile::encodeName(path);
    Result result = inspect(name, limit);
    if (result.ok() && ::access(name.constData(), R_OK) != 0)
        return failedWith(errno);
    return result;
}

Result read(const QString& path, qint64 limit)
{
    const QByteArray name = QFile::encodeName(path);
    Result result = inspect(name, limit);
    if (!result.ok())
        return result;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failedWith(errno);
    // Checked again on what was opened: the name may lead elsewhere by now.
    struct stat status {};
    result = ::fstat(fd, &status) == 0 ? judge(status, limit) : failedWith(errno);
    if (result.ok()) {
        result.content.resize(qsizetype(status.st_size) + 1);
        qsizetype got = 0;
        // One byte past the limit tells a file that grew meanwhile.
        while (got <= limit) {
            if (got == result.content.size())
                result.content.resize(qMin<qsizetype>(got * 2, limit + 1));
            const ssize_t n = ::read(fd, result.content.data() + got, size_t(result.content.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                result = failedWith(errno);
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        if (result.ok() && got > limit)
            result = tooLarge(limit);
        else if (result.ok())
            result.content.truncate(got);
    }
    ::close(fd);
    return result;
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    for (qsizetype done = 0; done < size;) {
        const ssize_t put = ::write(fd, data + done, static_cast<size_t>(size - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put == 0)
            errno = EIO; // no progress and no error: nothing more will go
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 kKilo = 1024, kMega = 1024 * 1024;
    if (bytes >= kMega && bytes % kMega == 0)
        return QStringLiteral("%1 МБ").arg(bytes / kMega);
    return QStringLiteral("%1 КБ").arg((bytes + kKilo - 1) / kKilo);
}

QString writeFailure(int error)
{
    switch (error) {
    case 0: return {};
    case ENOSPC: return QStringLiteral("нет места на диске");
    case EDQUOT: return QStringLiteral("исчерпана дисковая квота");
    case EACCES:
    case EPERM: return QStringLiteral("нет прав на запись");
    case EROFS: return QStringLiteral("диск доступен только для чтения");
    case EFBIG: return QStringLiteral("файл больше, чем позволяет диск");
    case ENOENT: return QStringLiteral("папка не существует");
    default: return commonFailure(error);
    }
}

bool isStorageFailure(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EACCES || error == EPERM || error == EROFS;
}

QString withCause(const QString& message, const QString& cause)
{
    return cause.isEmpty() ? message : message + QStringLiteral("\nПричина: %1.").arg(cause);
}

} // namespace fileAccess
