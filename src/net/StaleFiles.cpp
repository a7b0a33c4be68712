#include "net/StaleFiles.h"

#include "common/PrivateFolder.h"
#include "common/SaveCopies.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace staleFiles {

namespace {

const QString kTransferPrefix = QStringLiteral("kvilmar-");

QString transfersFolder()
{
    return privateFolder::ownFolder(QStringLiteral("transfers"));
}

// A process with this id exists (ours or anyone's): its folder is not stale.
bool processExists(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// A folder itself (not a link to one) that belongs to this user.
bool isOwnFolder(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode)
        && status.st_uid == ::getuid();
}

// Removes the folder and the files in it; a folder that holds a folder is
// not one of ours as we make them, and stays.
bool removeTransferFolder(const QString& path)
{
    QDir folder(path);
    const QFileInfoList entries =
        folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            return false;
    }
    for (const QFileInfo& entry : entries)
        QFile::remove(entry.filePath()); // a link goes, not what it points to
    return folder.rmdir(path);
}

} // namespace

QString transferFolderTemplate()
{
    const QString folder = transfersFolder();
    if (folder.isEmpty())
        return {};
    return folder + QLatin1Char('/') + kTransferPrefix + QString::number(QCoreApplication::applicationPid())
        + QStringLiteral("-XXXXXX");
}

QStringList removeStaleTransferFolders(const QString& folder)
{
    static const QRegularExpression name(QStringLiteral("^kvilmar-(\\d{1,10})-[A-Za-z0-9]{6}$"));
    QStringList removed;
    const QStringList entries = QDir(folder).entryList({kTransferPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch match = name.match(entry);
        if (!match.hasMatch() || processExists(match.captured(1).toLongLong()))
            continue;
        const QString path = QDir(folder).filePath(entry);
        if (isOwnFolder(path) && removeTransferFolder(path))
            removed << path;
    }
    return removed;
}

void cleanUpAtStartup()
{
    const QString transfers = transfersFolder();
    if (!transfers.isEmpty())
        removeStaleTransferFolders(transfers);
    saveCopies::removeLeftoverCopies();
}

} // namespace staleFiles
