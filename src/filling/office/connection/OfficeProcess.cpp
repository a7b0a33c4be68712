#include "filling/office/connection/OfficeProcess.h"

#include "common/KvilmarError.h"
#include "filling/office/connection/LibreOfficeSettings.h"
#include "filling/office/connection/OfficePipe.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <langinfo.h>
#include <linux/close_range.h>
#include <locale.h>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace office::lo {

namespace {

// The variable that marks the processes of an office (endMarkedOffices).
constexpr char kMarkVariable[] = "KVILMAR_OFFICE_MARK";
// How long the processes of an office ended at once may take to go.
constexpr std::chrono::seconds kGoneWait{5};
// The configuration LibreOffice keeps of a profile, one item a line.
constexpr char kConfiguration[] = "/user/registrymodifications.xcu";
// A configuration file larger than this is not the office's.
constexpr qint64 kMaxConfigurationBytes = 16 * 1024 * 1024;

// Held from the decision to start an office until its program runs (only
// then does its environment carry its mark).
std::mutex startingMutex;
bool startsForbidden = false;

bool processExists(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool groupExists(qint64 group)
{
    return group > 1 && (::kill(static_cast<pid_t>(-group), 0) == 0 || errno == EPERM);
}

// The fields of /proc/PID/stat after the program's name, and that name.
struct ProcessStat {
    QString name;
    QList<QByteArray> fields; // from the state on
};

std::optional<ProcessStat> statOf(const QString& pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = file.read(4096);
    const qsizetype open = line.indexOf('(');
    const qsizetype close = line.lastIndexOf(')');
    if (open < 0 || close < open)
        return std::nullopt;
    return ProcessStat{QString::fromUtf8(line.mid(open + 1, close - open - 1)), line.mid(close + 2).split(' ')};
}

// The processes of this user, with their process group.
QList<std::pair<qint64, qint64>> ownProcesses()
{
    QList<std::pair<qint64, qint64>> found;
    const uid_t self = ::getuid();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        struct stat st {};
        if (!number || ::stat(QFile::encodeName(QStringLiteral("/proc/") + entry).constData(), &st) != 0
            || st.st_uid != self)
            continue;
        // State, parent, then the process group.
        if (const auto stat = statOf(entry); stat && stat->fields.size() > 2)
            found.append({pid, stat->fields.at(2).toLongLong()});
    }
    return found;
}

QList<qint64> membersOf(qint64 group)
{
    QList<qint64> members;
    for (const auto& [pid, pgrp] : ownProcesses())
        if (pgrp == group)
            members << pid;
    return members;
}

bool carriesMark(qint64 pid, const QByteArray& entry)
{
    QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray environment = '\0' + file.read(1024 * 1024);
    return environment.contains('\0' + entry + '\0') || environment.endsWith('\0' + entry);
}

// Gives the groups `grace` to end (told so by SIGTERM, unless they were
// told before), then kills what is left and waits until it is gone.
void endGroups(const QList<qint64>& groups, std::chrono::milliseconds grace, bool tell,
               const std::function<void()>& reap = {})
{
    const auto anyLeft = [&] {
        if (reap)
            reap();
        // A launcher this process started is collected here, or it would
        // stay in its group until this process ends.
        for (const qint64 group : groups)
            while (group > 1 && ::waitpid(static_cast<pid_t>(-group), nullptr, WNOHANG) > 0) {
            }
        return std::any_of(groups.begin(), groups.end(), groupExists);
    };
    const auto signalAll = [&](int signo) {
        for (const qint64 group : groups)
            if (group > 1 && group != ::getpgrp())
                ::kill(static_cast<pid_t>(-group), signo);
    };
    if (grace.count() > 0) {
        if (tell)
            signalAll(SIGTERM);
        QDeadlineTimer deadline(grace);
        while (anyLeft() && !deadline.hasExpired())
            QThread::msleep(20);
    }
    signalAll(SIGKILL);
    QDeadlineTimer deadline(kGoneWait);
    while (anyLeft() && !deadline.hasExpired())
        QThread::msleep(20);
}

QString temporaryFolders(const QString& profile)
{
    return profile + QStringLiteral("/tmp");
}

QByteArray variable(const QByteArrayList& environment, const char* name)
{
    const QByteArray prefix = QByteArray(name) + '=';
    for (const QByteArray& entry : environment)
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size());
    return {};
}

// The Java the office's launcher runs to look for a Java runtime leaves
// nothing in /tmp (hsperfdata files, left behind when it is killed).
QByteArrayList withoutJavaTraces(QByteArrayList environment)
{
    const QByteArray name = "JAVA_TOOL_OPTIONS=";
    const QByteArray option = "-XX:-UsePerfData";
    for (QByteArray& entry : environment) {
        if (entry.startsWith(name)) {
            if (!entry.contains(option))
                entry += ' ' + option;
            return environment;
        }
    }
    environment << name + option;
    return environment;
}

bool isUtf8Locale(const QByteArray& name)
{
    if (name.isEmpty())
        return false;
    const locale_t locale = ::newlocale(LC_CTYPE_MASK, name.constData(), static_cast<locale_t>(nullptr));
    if (!locale)
        return false;
    const char* codeset = ::nl_langinfo_l(CODESET, locale);
    const bool utf8 = codeset && std::strcmp(codeset, "UTF-8") == 0;
    ::freelocale(locale);
    return utf8;
}

// The configuration items the program sets, by their names.
struct Item {
    const char* path;
    const char* name;
    QByteArray value;
};

QByteArray itemLine(const Item& item)
{
    return QByteArrayLiteral("<item oor:path=\"") + item.path + QByteArrayLiteral("\"><prop oor:name=\"") + item.name
        + QByteArrayLiteral("\" oor:op=\"fuse\"><value>") + item.value + QByteArrayLiteral("</value></prop></item>\n");
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QByteArrayList officeEnvironment(const QByteArrayList& caller)
{
    const QByteArray all = variable(caller, "LC_ALL");
    QByteArray ctype = all;
    if (ctype.isEmpty())
        ctype = variable(caller, "LC_CTYPE");
    if (ctype.isEmpty())
        ctype = variable(caller, "LANG");
    if (isUtf8Locale(ctype))
        return withoutJavaTraces(caller);
    // The caller's language in UTF-8, else one that every system has.
    const QByteArray language = ctype.split('.').first().split('@').first();
    QByteArray chosen;
    for (const QByteArray& candidate : {language + ".UTF-8", QByteArray("C.UTF-8"), QByteArray("en_US.UTF-8")}) {
        if (!candidate.startsWith('.') && isUtf8Locale(candidate)) {
            chosen = candidate;
            break;
        }
    }
    if (chosen.isEmpty())
        return withoutJavaTraces(caller); // none on this machine
    QByteArrayList environment;
    for (const QByteArray& entry : caller) {
        // LC_ALL overrode every category: what it said becomes their default.
        if (entry.startsWith("LC_CTYPE=") || entry.startsWith("LC_ALL=")
            || (!all.isEmpty() && (entry.startsWith("LC_") || entry.startsWith("LANG="))))
            continue;
        environment << entry;
    }
    if (!all.isEmpty())
        environment << "LANG=" + all;
    environment << "LC_CTYPE=" + chosen;
    return withoutJavaTraces(environment);
}

void prepareProfile(const QString& profile, const QString& pipe)
{
    const QString user = profile + QStringLiteral("/user");
    if (!QDir().mkpath(user))
        throw KvilmarError(QStringLiteral("Не удается создать папку профиля LibreOffice \"%1\".").arg(user));
    const QList<Item> items{
        // The pipe: an office started with this profile and no --accept
        // opens it.
        {"/org.openoffice.Setup/Office", "ooSetupConnectionURL",
         QStringLiteral("pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipe).toLatin1()},
        // A linked picture or file is not fetched from where it points.
        {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
    };
    const QString path = profile + QLatin1String(kConfiguration);
    QByteArray content;
    QFile old(path);
    if (QFileInfo(path).isFile() && old.size() <= kMaxConfigurationBytes && old.open(QIODevice::ReadOnly))
        content = old.readAll();
    const qsizetype end = content.lastIndexOf("</oor:items>");
    QByteArray kept;
    if (end < 0) {
        kept =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
            "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    } else {
        // The office writes one item a line: the program's own are replaced.
        for (const QByteArray& line : content.left(end).split('\n')) {
            const bool ours = std::any_of(items.begin(), items.end(), [&](const Item& item) {
                return line.contains(QByteArrayLiteral("oor:name=\"") + item.name + '"');
            });
            if (!ours && !line.isEmpty())
                kept += line + '\n';
        }
    }
    for (const Item& item : items)
        kept += itemLine(item);
    kept += "</oor:items>\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kept) != kept.size() || !file.commit())
        throw KvilmarError(QStringLiteral("Не удается записать настройки LibreOffice в файл \"%1\": %2")
                               .arg(path, file.errorString()));
}

std::unique_ptr<OfficeProcess> OfficeProcess::start(const Settings& settings)
{
    const QString program = settings.program.contains(QLatin1Char('/'))
        ? settings.program
        : QStandardPaths::findExecutable(settings.program);
    const auto cannotStart = [&](const QString& why) {
        return KvilmarError(QStringLiteral("Не удается запустить LibreOffice: программа \"%1\" %2.\n"
                                           "Установите LibreOffice (пакеты libreoffice-writer и libreoffice-calc).")
                                .arg(settings.program, why));
    };
    if (program.isEmpty())
        throw cannotStart(QStringLiteral("не найдена"));
    if (settings.profile.isEmpty())
        throw KvilmarError(QStringLiteral("LibreOffice негде хранить свой профиль: %1.").arg(settings.profileProblem));
    removeEndedOfficeFolders(settings.profile);
    const QString folders = temporaryFolders(settings.profile);
    if (!QDir().mkpath(folders))
        throw KvilmarError(QStringLiteral("Не удается создать папку \"%1\".").arg(folders));

    // Everything the child needs is made here: between fork and exec it
    // may only call what is safe in a process of several threads.
    std::vector<std::string> arguments{QFile::encodeName(program).toStdString()};
    for (const QString& argument : settings.startArguments())
        arguments.push_back(argument.toUtf8().toStdString());
    QByteArrayList caller;
    for (char** entry = environ; *entry; ++entry)
        caller << QByteArray(*entry);
    std::vector<std::string> environment;
    const QByteArray mark = QByteArray(kMarkVariable) + '=';
    for (const QByteArray& entry : officeEnvironment(caller))
        if (!entry.startsWith("TMPDIR=") && !entry.startsWith(mark))
            environment.push_back(entry.toStdString());
    environment.push_back((mark + settings.mark.toLatin1()).toStdString());
    // TMPDIR=<folders>/<the office's process id>, the number written in by
    // the child.
    const std::string tmpPrefix = "TMPDIR=" + QFile::encodeName(folders).toStdString() + '/';
    std::vector<char> tmpEntry(tmpPrefix.size() + 24, '\0');
    std::memcpy(tmpEntry.data(), tmpPrefix.data(), tmpPrefix.size());
    std::vector<char*> argv, envp;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(tmpEntry.data());
    envp.push_back(nullptr);

    struct rlimit memory {};
    const bool capped = settings.headless && settings.addressSpaceBytes > 0 && ::getrlimit(RLIMIT_AS, &memory) == 0;
    if (capped)
        memory.rlim_cur = memory.rlim_max =
            std::min<rlim_t>(static_cast<rlim_t>(settings.addressSpaceBytes), memory.rlim_max);

    const std::lock_guard starting(startingMutex);
    if (startsForbidden)
        throw KvilmarError(QStringLiteral("Работа прервана."));
    int report[2]; // the child's errno, when its exec fails
    const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nothing < 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        if (nothing >= 0)
            ::close(nothing);
        throw cannotStart(systemError(errno));
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(nothing, STDOUT_FILENO);
        ::dup2(nothing, STDERR_FILENO);
        // Nothing of the program's stays open in the office.
        ::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction standard {};
        standard.sa_handler = SIG_DFL;
        for (int signo = 1; signo < NSIG; ++signo)
            if (signo != SIGKILL && signo != SIGSTOP)
                ::sigaction(signo, &standard, nullptr);
        if (capped)
            ::setrlimit(RLIMIT_AS, &memory);
        char digits[24];
        int count = 0;
        for (pid_t n = ::getpid(); n > 0; n /= 10)
            digits[count++] = static_cast<char>('0' + n % 10);
        char* at = tmpEntry.data() + tmpPrefix.size();
        while (count > 0)
            *at++ = digits[--count];
        *at = '\0';
        ::mkdir(tmpEntry.data() + 7, 0700);
        ::execve(argv[0], argv.data(), envp.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(report[1]);
    ::close(nothing);
    if (pid < 0) {
        ::close(report[0]);
        throw cannotStart(systemError(forkError));
    }
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == sizeof error) {
        ::waitpid(pid, nullptr, 0);
        throw cannotStart(error == ENOENT ? QStringLiteral("не найдена") : systemError(error));
    }
    return std::unique_ptr<OfficeProcess>(
        new OfficeProcess(pid, folders + QLatin1Char('/') + QString::number(pid), settings.pipe));
}

OfficeProcess::~OfficeProcess() = default;

std::optional<int> OfficeProcess::exitStatus()
{
    if (status_)
        return status_;
    int status = 0;
    const pid_t got = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
    if (got == pid_)
        status_ = status;
    else if (got < 0 && errno == ECHILD)
        status_ = -1; // collected elsewhere: ended, how is not known
    return status_;
}

bool OfficeProcess::asksRestart(int status)
{
    // The office's own codes: a restart asked for, after a crash or not.
    return WIFEXITED(status) && (WEXITSTATUS(status) == 79 || WEXITSTATUS(status) == 81);
}

QString OfficeProcess::describe(int status)
{
    if (status >= 0 && WIFEXITED(status))
        return QStringLiteral("код выхода %1").arg(WEXITSTATUS(status));
    if (status >= 0 && WIFSIGNALED(status))
        return QStringLiteral("сигнал %1").arg(WTERMSIG(status));
    return QStringLiteral("причина неизвестна");
}

bool OfficeProcess::groupGone()
{
    exitStatus(); // the launcher, once ended, is collected
    if (!gone_ && !groupExists(pid_))
        gone_ = true;
    return gone_;
}

bool OfficeProcess::running()
{
    return !groupGone();
}

QList<qint64> OfficeProcess::processes() const
{
    return gone_ ? QList<qint64>() : membersOf(pid_);
}

qint64 OfficeProcess::residentBytes() const
{
    qint64 bytes = 0;
    for (const qint64 pid : processes()) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.read(16 * 1024).split('\n'))
            if (line.startsWith("VmRSS:"))
                bytes += line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return bytes;
}

qint64 OfficeProcess::officeProcess() const
{
    for (const qint64 pid : processes())
        if (const auto stat = statOf(QString::number(pid)); stat && stat->name == QLatin1String("soffice.bin"))
            return pid;
    return pid_;
}

void OfficeProcess::suffer(int signo)
{
    if (groupGone())
        return;
    if (signo == SIGSTOP) {
        ::kill(static_cast<pid_t>(-pid_), SIGSTOP);
        return;
    }
    const qint64 office = officeProcess();
    ::kill(static_cast<pid_t>(office), signo);
    QDeadlineTimer deadline(kGoneWait);
    // The launcher, when it is the office, is collected meanwhile.
    while (!deadline.hasExpired() && !(office == pid_ ? exitStatus().has_value() : !processExists(office)))
        QThread::msleep(10);
}

void OfficeProcess::end(std::chrono::milliseconds grace)
{
    if (!groupGone())
        endGroups({pid_}, grace, false, [this] { groupGone(); });
    if (!groupGone())
        return;
    QDir(tmpFolder_).removeRecursively();
    removePipeSocket(pipe_);
}

void removePipeSocket(const QString& pipe)
{
    if (pipe.isEmpty() || checkPipe(pipe).state != PipeCheck::Ours)
        return;
    ::unlink(QFile::encodeName(pipeSocketPath(pipe)).constData());
}

void forbidOfficeStarts()
{
    const std::lock_guard starting(startingMutex);
    startsForbidden = true;
}

void removeEndedOfficeFolders(const QString& profile)
{
    QDir folders(temporaryFolders(profile));
    for (const QString& name : folders.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        bool number = false;
        const qint64 group = name.toLongLong(&number);
        if (number && !groupExists(group))
            QDir(folders.filePath(name)).removeRecursively();
    }
}

void endMarkedOffices(const QString& mark, std::chrono::milliseconds grace)
{
    if (mark.isEmpty())
        return;
    const QByteArray entry = QByteArray(kMarkVariable) + '=' + mark.toLatin1();
    QList<qint64> groups;
    for (const auto& [pid, group] : ownProcesses())
        if (pid != ::getpid() && carriesMark(pid, entry) && !groups.contains(group))
            groups << group;
    if (!groups.isEmpty())
        endGroups(groups, grace, true);
}

} // namespace office::lo
