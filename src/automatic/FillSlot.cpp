#include "automatic/FillSlot.h"

#include "common/KvilmarError.h"
#include "common/PrivateFolder.h"

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
// A process that does not go after SIGKILL is waited for no longer.
constexpr std::chrono::seconds kGoneWait{5};

QString placesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/kvilmar/fill");
}

// Makes the folder and the ones it is in, each closed to others from the
// start.
bool makeClosed(const QString& folder)
{
    QString made;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(made).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

QString recordFile(const QString& place)
{
    return place + QStringLiteral("/office");
}

QString recordedPipe(const QString& place)
{
    QFile record(recordFile(place));
    if (!record.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(record.read(128)).trimmed();
}

void emptyFolder(const QString& folder)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!dir.remove(name))
            QDir(dir.filePath(name)).removeRecursively();
}

// What a run that held the place left: its office and its staged files.
void tidy(const QString& place)
{
    const QString pipe = recordedPipe(place);
    if (!pipe.isEmpty())
        endOfficeProcesses(pipe, std::chrono::milliseconds(2000));
    QFile::remove(recordFile(place));
    emptyFolder(place + QStringLiteral("/staging"));
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

QByteArray commandLine(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.read(256 * 1024) : QByteArray();
}

bool runs(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

QList<qint64> officeProcesses(const QString& pipe)
{
    QList<qint64> found;
    if (pipe.isEmpty())
        return found;
    const QByteArray accepts = "pipe,name=" + pipe.toLatin1() + ';';
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && pid != ::getpid() && commandLine(pid).contains(accepts))
            found << pid;
    }
    return found;
}

qint64 residentBytes(const QList<qint64>& processes)
{
    qint64 bytes = 0;
    for (const qint64 pid : processes) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.read(16 * 1024).split('\n'))
            if (line.startsWith("VmRSS:"))
                bytes += line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return bytes;
}

void endOfficeProcesses(const QString& pipe, std::chrono::milliseconds grace)
{
    QList<qint64> processes = officeProcesses(pipe);
    for (const qint64 pid : processes)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    QDeadlineTimer deadline(grace);
    const auto anyRuns = [&] { return std::any_of(processes.begin(), processes.end(), runs); };
    while (anyRuns() && !deadline.hasExpired())
        QThread::msleep(20);
    // Found again: the office's own process may have been started meanwhile.
    processes = officeProcesses(pipe);
    for (const qint64 pid : processes)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    deadline.setRemainingTime(kGoneWait);
    while (anyRuns() && !deadline.hasExpired())
        QThread::msleep(20);
}

std::unique_ptr<FillSlot> FillSlot::take()
{
    const QString folder = placesFolder();
    const QString problem = makeClosed(folder) ? privateFolder::problemWith(folder)
                                               : QStringLiteral("папку \"%1\" не удается создать").arg(folder);
    if (!problem.isEmpty())
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
    makeClosed(staging_);
    makeClosed(profile_);
}

FillSlot::~FillSlot()
{
    endOffice(std::chrono::milliseconds(5000));
    emptyFolder(staging_);
    ::close(lock_);
}

QString FillSlot::newOfficePipe()
{
    std::array<quint32, 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    const QByteArray bits(reinterpret_cast<const char*>(random.data()), sizeof random);
    const QString pipe = QStringLiteral("kvilmar_fill_%1_%2").arg(::getuid()).arg(QString::fromLatin1(bits.toHex()));
    QSaveFile record(recordFile(folder_));
    if (!record.open(QIODevice::WriteOnly) || record.write(pipe.toLatin1() + '\n') < 0 || !record.commit())
        throw KvilmarError(QStringLiteral("Не удается записать файл \"%1\": %2")
                               .arg(recordFile(folder_), record.errorString()));
    const std::lock_guard lock(mutex_);
    pipe_ = pipe;
    return pipe;
}

void FillSlot::endOffice(std::chrono::milliseconds grace)
{
    QString pipe;
    {
        const std::lock_guard lock(mutex_);
        pipe = std::exchange(pipe_, QString());
    }
    if (pipe.isEmpty())
        return;
    endOfficeProcesses(pipe, grace);
    QFile::remove(recordFile(folder_));
}

void FillSlot::endAtOnce() noexcept
{
    try {
        QString pipe;
        {
            const std::lock_guard lock(mutex_);
            pipe = pipe_;
        }
        endOfficeProcesses(pipe, std::chrono::milliseconds(300));
        emptyFolder(staging_);
        QFile::remove(recordFile(folder_));
    } catch (...) {
    }
}

} // namespace automatic
