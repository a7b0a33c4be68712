#include "common/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace privateFolder {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString userName(unsigned uid)
{
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("с номером %1").arg(uid);
}

QString problemWith(const QString& folder)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return QStringLiteral("папка \"%1\" недоступна: %2").arg(folder, systemError(errno));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("\"%1\" — не папка").arg(folder);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("папка \"%1\" принадлежит пользователю %2").arg(folder, userName(st.st_uid));
    if ((st.st_mode & 077) != 0)
        return QStringLiteral("папка \"%1\" открыта другим пользователям").arg(folder);
    return {};
}

namespace {

// The folder, made closed from the start so that no one can step in
// meanwhile; why it is not private, empty when it is.
QString madePrivate(const QString& folder)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno == EEXIST) {
        // Ours but opened to others (by the user's own chmod): closed again.
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
            && (st.st_mode & 077) != 0)
            ::chmod(name.constData(), 0700);
    }
    return problemWith(folder);
}

QString cacheFolder(QString* why)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString own = cache + QStringLiteral("/kvilmar");
    const QString problem = cache.isEmpty() || !QDir().mkpath(cache)
        ? QStringLiteral("папку \"%1\" не удается создать").arg(cache)
        : madePrivate(own);
    if (problem.isEmpty())
        return own;
    if (why)
        *why = problem;
    return {};
}

} // namespace

QString path(QString* why)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && problemWith(runtime).isEmpty())
        return runtime;
    return cacheFolder(why);
}

QString ownFolder(const QString& name, QString* why)
{
    const QString base = cacheFolder(why);
    if (base.isEmpty())
        return {};
    const QString folder = base + QLatin1Char('/') + name;
    const QString problem = madePrivate(folder);
    if (problem.isEmpty())
        return folder;
    if (why)
        *why = problem;
    return {};
}

} // namespace privateFolder
