#include "filling/office/connection/OfficePipe.h"

#include "common/PrivateFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace office::lo {

namespace {

// The name of this run when no private folder keeps one.
QString& nameOfThisRun()
{
    static QString name;
    return name;
}

QString storeFile()
{
    const QString folder = privateFolder::path();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/office-pipe");
}

bool isOwnPipeName(const QString& name)
{
    static const QRegularExpression shape(QStringLiteral("^kvilmar_office_(\\d+)_[0-9a-f]{32}$"));
    const QRegularExpressionMatch match = shape.match(name);
    return match.hasMatch() && match.captured(1) == QString::number(::getuid());
}

QString storedName(const QString& file)
{
    const QFileInfo info(file);
    QFile stored(file);
    if (info.isSymLink() || !info.isFile() || !stored.open(QIODevice::ReadOnly))
        return {};
    const QString name = QString::fromLatin1(stored.read(128)).trimmed();
    return isOwnPipeName(name) ? name : QString();
}

} // namespace

QString ownPipeName()
{
    if (!nameOfThisRun().isEmpty())
        return nameOfThisRun();
    const QString file = storeFile();
    const QString stored = file.isEmpty() ? QString() : storedName(file);
    return stored.isEmpty() ? newOwnPipeName() : stored;
}

QString newOwnPipeName()
{
    std::array<quint32, 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    const QByteArray bits(reinterpret_cast<const char*>(random.data()), sizeof random);
    const QString name = QStringLiteral("kvilmar_office_%1_%2").arg(::getuid()).arg(QString::fromLatin1(bits.toHex()));
    const QString file = storeFile();
    QSaveFile store(file);
    if (file.isEmpty() || !store.open(QIODevice::WriteOnly) || store.write(name.toLatin1() + '\n') < 0
        || !store.commit())
        nameOfThisRun() = name;
    return name;
}

QString pipeSocketPath(const QString& pipe)
{
    // As LibreOffice's own pipe code chooses the folder.
    const QString folder = ::access("/tmp", W_OK) == 0 ? QStringLiteral("/tmp") : QStringLiteral("/var/tmp");
    return QStringLiteral("%1/OSL_PIPE_%2_%3").arg(folder).arg(::getuid()).arg(pipe);
}

PipeCheck checkPipe(const QString& pipe)
{
    // The name goes into a file name and into the office's connection string.
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_.-]{1,64}$"));
    if (!allowed.match(pipe).hasMatch())
        return {PipeCheck::Foreign,
                QStringLiteral("Имя канала LibreOffice \"%1\" недопустимо: в нем могут быть только латинские буквы, "
                               "цифры и знаки \"_\", \".\", \"-\", не больше 64")
                    .arg(pipe)};
    const QString path = pipeSocketPath(pipe);
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return {PipeCheck::Missing, {}};
        return {PipeCheck::Foreign,
                QStringLiteral("Канал LibreOffice \"%1\" не удается проверить: %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno)))};
    }
    if (S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid())
        return {PipeCheck::Ours, {}};
    const QString owner = privateFolder::userName(st.st_uid);
    return {PipeCheck::Foreign,
            S_ISSOCK(st.st_mode)
                ? QStringLiteral("Канал LibreOffice \"%1\" принадлежит пользователю %2: по чужому каналу "
                                 "заполняемые данные попали бы к нему")
                      .arg(path, owner)
                : QStringLiteral("На месте канала LibreOffice \"%1\" лежит не канал, а файл пользователя %2")
                      .arg(path, owner)};
}

} // namespace office::lo
