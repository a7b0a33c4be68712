#include "common/SaveCopies.h"

#include "common/Codec1251.h"
#include "common/FileAccess.h"
#include "common/PrivateFolder.h"
#include "common/TraceLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace saveCopies {

namespace {

std::function<bool(const char*)>& stepHook()
{
    static std::function<bool(const char*)> hook;
    return hook;
}

bool step(const char* name)
{
    const auto& hook = stepHook();
    return hook && hook(name);
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString journalFolder()
{
    return privateFolder::ownFolder(QStringLiteral("saves"));
}

QString randomHex(int digits)
{
    QString text;
    while (text.size() < digits)
        text += QString::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, QLatin1Char('0'));
    return text.left(digits);
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// One entry of the journal: the hidden name of a copy, held (flock) by the
// save that made it for as long as that save runs. A save killed in the
// middle leaves it unheld, which is how a later clean-up knows it ended.
class Record {
public:
    // Records the copy before it exists. Without a journal (no private
    // folder) the copy goes unrecorded, and nothing ever removes it.
    explicit Record(const QByteArray& copy)
    {
        const QString folder = journalFolder();
        for (int attempt = 0; !folder.isEmpty() && attempt < 3 && fd_.get() < 0; ++attempt) {
            path_ = encoded(folder + QLatin1Char('/') + randomHex(16));
            Descriptor fd(::open(path_.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600));
            struct stat st {};
            // A clean-up may have taken the empty record before it was held.
            if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX) == 0 && ::fstat(fd.get(), &st) == 0 && st.st_nlink > 0)
                fd_.reset(fd.release());
        }
        if (fd_.get() >= 0 && !append(copy + '\n'))
            drop();
    }
    ~Record()
    {
        if (dropped_)
            ::unlink(path_.constData());
    }
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    // The copy exists: what it is, so that a clean-up removes that file and
    // no other of the same name.
    void noteFile(int fd)
    {
        struct stat st {};
        if (fd_.get() >= 0 && ::fstat(fd, &st) == 0)
            append(QByteArray::number(qulonglong(st.st_dev)) + ' ' + QByteArray::number(qulonglong(st.st_ino)) + '\n');
    }
    // The copy is gone: so is its record.
    void drop() { dropped_ = fd_.get() >= 0; }

private:
    bool append(const QByteArray& line) const { return fileAccess::writeAll(fd_.get(), line.constData(), line.size()); }

    QByteArray path_;
    Descriptor fd_;
    bool dropped_ = false;
};

// A hidden name in the folder that nothing has now; short, whatever the
// target's length, so it is never the name too long for the file system.
QByteArray freeHiddenName(const QString& folder)
{
    for (;;) {
        const QByteArray name = encoded(folder + QStringLiteral("/.kvilmar-") + randomHex(12));
        struct stat st {};
        if (::lstat(name.constData(), &st) != 0)
            return name; // free, or what is wrong shows when it is made
    }
}

// A named copy beside the target, recorded for as long as it exists.
class NamedCopy {
public:
    explicit NamedCopy(const QString& folder) : name_(freeHiddenName(folder)), record_(name_) {}
    ~NamedCopy()
    {
        if (!gone_ && (::unlink(name_.constData()) == 0 || errno == ENOENT))
            record_.drop();
    }
    NamedCopy(const NamedCopy&) = delete;
    NamedCopy& operator=(const NamedCopy&) = delete;

    const char* name() const { return name_.constData(); }
    void made(int fd)
    {
        record_.noteFile(fd);
        step("copy named");
    }
    // It has taken the target's name.
    void renamed()
    {
        gone_ = true;
        record_.drop();
    }

private:
    QByteArray name_;
    Record record_;
    bool gone_ = false;
};

struct Entry {
    QString copy;
    bool there = false; // the copy exists and is the file that was recorded
};

// Calls `take` for each record whose save has ended, holding it meanwhile;
// `take` returns whether the record is done with.
void forEachEnded(const std::function<bool(const Entry&)>& take)
{
    const QString folder = journalFolder();
    if (folder.isEmpty())
        return;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QByteArray record = encoded(folder + QLatin1Char('/') + name);
        const Descriptor fd(::open(record.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat st {};
        if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || ::fstat(fd.get(), &st) != 0
            || !S_ISREG(st.st_mode) || st.st_nlink == 0)
            continue; // a save still going on
        char buffer[8192];
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        const QList<QByteArray> lines = QByteArray(buffer, got > 0 ? got : 0).split('\n');
        Entry entry;
        struct stat copy {};
        if (lines.size() >= 2 && !lines.at(0).isEmpty() && ::lstat(lines.at(0).constData(), &copy) == 0
            && S_ISREG(copy.st_mode) && copy.st_uid == ::geteuid()) {
            const QList<QByteArray> id = lines.at(1).split(' ');
            // Killed before the copy was noted, the name was still the
            // program's own choice of a moment before.
            entry.there =
                id.size() != 2 || (id.at(0).toULongLong() == copy.st_dev && id.at(1).toULongLong() == copy.st_ino);
        }
        entry.copy = QFile::decodeName(lines.at(0));
        if (take(entry))
            ::unlink(record.constData());
    }
}

} // namespace

int putWhole(const QString& target, const std::function<bool(int fd)>& write, Existing existing,
             std::timed_mutex* naming)
{
    // Once a run: what saves of killed runs left.
    static std::once_flag tidied;
    std::call_once(tidied, [] { removeLeftoverCopies(); });

    QString path = QFileInfo(target).absoluteFilePath();
    if (existing == Existing::Replace && QFileInfo(path).isSymLink()) {
        const QString named = QFileInfo(path).canonicalFilePath();
        path = named.isEmpty() ? QFileInfo(path).symLinkTarget() : named;
    }
    const QByteArray to = encoded(path);
    const QString folder = QFileInfo(path).absolutePath();
    struct stat old {};
    const bool replacing = existing == Existing::Replace && ::stat(to.constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return EISDIR;

    // A file without a name first: should anything fail, or the program be
    // killed, it goes with its descriptor.
    Descriptor file;
    if (step("no unnamed file"))
        errno = EOPNOTSUPP;
    else
        file.reset(::open(encoded(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    std::optional<NamedCopy> copy;
    if (file.get() < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
        copy.emplace(folder);
        file.reset(::open(copy->name(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
        if (file.get() < 0)
            return errno;
        copy->made(file.get());
    }
    if (replacing)
        ::fchmod(file.get(), old.st_mode & 07777);
    // Synced before it takes the name: after a power failure the name holds
    // the old content or the whole new one.
    if (!write(file.get()) || ::fdatasync(file.get()) != 0)
        return errno;

    std::unique_lock<std::timed_mutex> named;
    if (naming)
        named = std::unique_lock(*naming);

    if (!copy) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(file.get());
        if (existing == Existing::Keep)
            return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
        // Replacing: the whole file takes a hidden name first, then the
        // target's in one step.
        copy.emplace(folder);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, copy->name(), AT_SYMLINK_FOLLOW) != 0)
            return errno;
        copy->made(file.get());
    }
    int result = existing == Existing::Replace
        ? std::rename(copy->name(), to.constData())
        : ::renameat2(AT_FDCWD, copy->name(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (result != 0 && existing == Existing::Keep && (errno == EINVAL || errno == ENOSYS)) {
        // A file system that cannot refuse to replace in the rename itself.
        struct stat st {};
        if (::lstat(to.constData(), &st) == 0)
            errno = EEXIST;
        else
            result = std::rename(copy->name(), to.constData());
    }
    if (result != 0)
        return errno;
    copy->renamed();
    return 0;
}

QStringList leftoverCopies()
{
    QStringList copies;
    forEachEnded([&copies](const Entry& entry) {
        if (entry.there)
            copies << entry.copy;
        return false;
    });
    return copies;
}

QStringList removeLeftoverCopies()
{
    QStringList removed;
    forEachEnded([&removed](const Entry& entry) {
        if (!entry.there)
            return true;
        if (::unlink(QFile::encodeName(entry.copy).constData()) != 0)
            return errno == ENOENT;
        removed << entry.copy;
        return true;
    });
    return removed;
}

void setStepHook(std::function<bool(const char* step)> hook)
{
    stepHook() = std::move(hook);
}

void traceLeftoverCopies()
{
    if (diagnosticMode() == DiagnosticMode::Off)
        return;
    const QStringList copies = saveCopies::leftoverCopies();
    if (copies.isEmpty())
        return;
    try {
        traceLog::open();
        for (const QString& copy : copies)
            traceLog::write(cp1251::fromUnicode(QDir::toNativeSeparators(copy)));
        traceLog::close();
    } catch (...) {
        // A trace that cannot be written must not stop the program.
    }
}

} // namespace saveCopies
