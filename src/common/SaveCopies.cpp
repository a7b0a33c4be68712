#include "common/SaveCopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

namespace saveCopies {

namespace {

bool isOwnOldFile(const QString& path, const QDateTime& before)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_uid != ::geteuid())
        return false;
    const qint64 written = qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000;
    return written < before.toMSecsSinceEpoch();
}

} // namespace

QStringList leftoverCopies(const QString& filePath)
{
    const QFileInfo file(filePath);
    const QString name = file.fileName();
    if (name.isEmpty())
        return {};
    // Six letters of both cases with a capital past the first: what
    // QSaveFile's random letters are but about one time in thirty, and what
    // a word (backup, Backup, BACKUP) never is.
    static const QRegularExpression random(QStringLiteral("^(?=.*[a-z])[A-Za-z](?=.*[A-Z])[A-Za-z]{5}$"));
    QStringList copies;
    const QDir folder = file.absoluteDir();
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.size() == name.size() + 7 && entry.startsWith(name) && entry.at(name.size()) == QLatin1Char('.')
            && random.match(entry.mid(name.size() + 1)).hasMatch())
            copies << folder.filePath(entry);
    }
    return copies;
}

QDateTime runStart()
{
    static const QDateTime start = QDateTime::currentDateTimeUtc();
    return start;
}

QStringList removeLeftoverCopies(const QString& filePath, const QDateTime& before)
{
    QStringList removed;
    for (const QString& copy : leftoverCopies(filePath)) {
        if (isOwnOldFile(copy, before) && QFile::remove(copy))
            removed << copy;
    }
    return removed;
}

} // namespace saveCopies
