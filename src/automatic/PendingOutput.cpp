#include "automatic/PendingOutput.h"

#include "common/KvilmarError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace automatic {

namespace {

QString shown(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

// The mode a new file gets here: read and write for all, less the umask.
mode_t newFileMode()
{
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

PendingOutput::PendingOutput(const QString& target)
    : target_(QFileInfo(target).absoluteFilePath()),
      temporary_(QFileInfo(target_).absolutePath() + QStringLiteral("/.") + QFileInfo(target_).fileName()
                 + QStringLiteral(".XXXXXX"))
{
    if (!temporary_.open())
        throw KvilmarError(QStringLiteral("В папке \"%1\" не удается создать файл для \"%2\": %3")
                               .arg(shown(QFileInfo(target_).absolutePath()), QFileInfo(target_).fileName(),
                                    temporary_.errorString()));
    temporary_.close();
}

PendingOutput::~PendingOutput() = default;

void PendingOutput::commit(bool replace)
{
    const QByteArray from = QFile::encodeName(path());
    const QByteArray to = QFile::encodeName(target_);
    if (::chmod(from.constData(), newFileMode()) != 0)
        throw KvilmarError(QStringLiteral("Не удается записать файл \"%1\": %2").arg(shown(target_), systemError(errno)));
    int result = replace ? std::rename(from.constData(), to.constData())
                         : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (result != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system that cannot refuse to replace in the rename itself.
        if (QFileInfo::exists(target_))
            errno = EEXIST;
        else
            result = std::rename(from.constData(), to.constData());
    }
    if (result != 0) {
        if (errno == EEXIST)
            throw KvilmarError(QStringLiteral("Файл \"%1\" уже существует: он появился, пока документ делался. "
                                              "Чтобы заменить, укажите --force.")
                                   .arg(shown(target_)));
        throw KvilmarError(QStringLiteral("Не удается записать файл \"%1\": %2").arg(shown(target_), systemError(errno)));
    }
    temporary_.setAutoRemove(false);
}

} // namespace automatic
