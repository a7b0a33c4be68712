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

QString path(QString* why)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && problemWith(runtime).isEmpty())
        return runtime;

    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString own = cache + QStringLiteral("/kvilmar");
    const QByteArray name = QFile::encodeName(own);
    // Made closed from the start, so that no one can step in meanwhile.
    if (!cache.isEmpty() && QDir().mkpath(cache) && ::mkdir(name.constData(), 0700) != 0 && errno == EEXIST) {
        // Ours but opened to others (by the user's own chmod): closed again.
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
            && (st.st_mode & 077) != 0)
            ::chmod(name.constData(), 0700);
    }
    const QString problem = problemWith(own);
    if (problem.isEmpty())
        return own;
    if (why)
        *why = problem;
    return {};
}

QString cacheFolder(const QString& name, QString* why)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                           + QStringLiteral("/kvilmar/") + name;
    QString made;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(made).constData(), 0700) != 0 && errno != EEXIST) {
            if (why)
                *why = QStringLiteral("папку \"%1\" не удается создать").arg(made);
            return {};
        }
    }
    const QString problem = problemWith(made);
    if (problem.isEmpty())
        return made;
    if (why)
        *why = problem;
    return {};
}

} // namespace privateFolder
