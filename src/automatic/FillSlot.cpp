#include "automatic/FillSlot.h"

#include "common/KvilmarError.h"
#include "common/PrivateFolder.h"
#include "filling/office/connection/OfficeProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace automatic {

namespace {

// Runs side by side of one user: --jobs at most 16 each, and a few runs.
constexpr int kPlaces = 64;

QString recordFile(const QString& place)
{
    return place + QStringLiteral("/office");
}

// The recorded office's mark and pipe.
QStringList recordedOffice(const QString& place)
{
    QFile record(recordFile(place));
    if (!record.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(record.read(256)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void emptyFolder(const QString& folder)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!dir.remove(name))
            QDir(dir.filePath(name)).removeRecursively();
}

QString randomHex()
{
    std::array<quint32, 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(random.data()), sizeof random).toHex());
}

// What a run that held the place left: its office and its staged files.
void tidy(const QString& place)
{
    const QStringList office = recordedOffice(place);
    office::lo::endMarkedOffices(office.value(0), std::chrono::milliseconds(2000));
    office::lo::removePipeSocket(office.value(1));
    QFile::remove(recordFile(place));
    emptyFolder(place + QStringLiteral("/staging"));
    office::lo::removeEndedOfficeFolders(place + QStringLiteral("/profile"));
}

// The place's lock, taken without waiting; -1 when another run holds it.
int lockPlace(const QString& place)
{
    const int fd = ::open(QFile::encodeName(place + QStringLiteral("/lock")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::unique_ptr<FillSlot> FillSlot::take()
{
    QString problem;
    const QString folder = privateFolder::ownFolder(QStringLiteral("fill"), &problem);
    if (folder.isEmpty())
        throw KvilmarError(QStringLiteral("Команде fill негде хранить свои файлы: %1.").arg(problem));
    std::unique_ptr<FillSlot> taken;
    for (int k = 1; k <= kPlaces; ++k) {
        const QString place = folder + QLatin1Char('/') + QString::number(k);
        const bool exists = QFileInfo::exists(place);
        if ((!exists && taken) || (!exists && ::mkdir(QFile::encodeName(place).constData(), 0700) != 0))
            continue;
        const int lock = lockPlace(place);
        if (lock < 0)
            continue;
        tidy(place);
        if (taken) {
            ::close(lock);
            continue;
        }
        taken.reset(new FillSlot(place, lock));
    }
    if (!taken)
        throw KvilmarError(QStringLiteral("Команде fill негде хранить свои файлы: все %1 мест в папке \"%2\" заняты "
                                          "другими работающими командами.")
                               .arg(kPlaces)
                               .arg(folder));
    return taken;
}

FillSlot::FillSlot(QString folder, int lock)
    : folder_(std::move(folder)), staging_(folder_ + QStringLiteral("/staging")),
      profile_(folder_ + QStringLiteral("/profile")), lock_(lock)
{
    ::mkdir(QFile::encodeName(staging_).constData(), 0700);
    ::mkdir(QFile::encodeName(profile_).constData(), 0700);
}

FillSlot::~FillSlot()
{
    endOffice(std::chrono::milliseconds(5000));
    emptyFolder(staging_);
    ::close(lock_);
}

QString FillSlot::newOfficePipe()
{
    return QStringLiteral("kvilmar_fill_%1_%2").arg(::getuid()).arg(randomHex());
}

QString FillSlot::newOfficeMark(const QString& pipe)
{
    // The office this place had is gone before another is recorded.
    endOffice(std::chrono::milliseconds(0));
    const QString mark = randomHex();
    QSaveFile record(recordFile(folder_));
    if (!record.open(QIODevice::WriteOnly) || record.write((mark + '\n' + pipe + '\n').toLatin1()) < 0
        || !record.commit())
        throw KvilmarError(
            QStringLiteral("Не удается записать файл \"%1\": %2").arg(recordFile(folder_), record.errorString()));
    const std::lock_guard lock(mutex_);
    mark_ = mark;
    pipe_ = pipe;
    return mark;
}

void FillSlot::endOffice(std::chrono::milliseconds grace)
{
    QString mark, pipe;
    {
        const std::lock_guard lock(mutex_);
        mark = std::exchange(mark_, QString());
        pipe = std::exchange(pipe_, QString());
    }
    if (mark.isEmpty())
        return;
    office::lo::endMarkedOffices(mark, grace);
    office::lo::removePipeSocket(pipe);
    office::lo::removeEndedOfficeFolders(profile_);
    QFile::remove(recordFile(folder_));
}

void FillSlot::endAtOnce() noexcept
{
    try {
        // An office being started meanwhile is found with the rest.
        office::lo::forbidOfficeStarts();
        QString mark;
        {
            const std::lock_guard lock(mutex_);
            mark = mark_;
        }
        office::lo::endMarkedOffices(mark, std::chrono::milliseconds(0));
        emptyFolder(staging_);
        QFile::remove(recordFile(folder_));
    } catch (...) {
    }
}

} // namespace automatic
