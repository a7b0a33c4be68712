#pragma once

#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

// An office this program starts, as a process the program owns. Debian's
// soffice is a script that becomes oosplash, which starts soffice.bin, the
// office itself: so the launcher is started in a session of its own, whose
// process group then holds every process of the office and nothing else.
// That group is what the program looks at, signals and waits for.
//
// The office gets an environment of its own: a UTF-8 character type
// whatever the caller's locale (an office under LANG=C cannot read a path
// in Cyrillic), a temporary folder of its own inside its profile folder
// (removed once the office has ended), and a mark by which the user's own
// offices of a run are found again after that run was killed.
namespace office::lo {

struct Settings;

class OfficeProcess {
public:
    // Starts the office the settings name with their profile (prepared by
    // prepareProfile) and, for a hidden office, its address space capped.
    // Throws KvilmarError when the program cannot be started at all.
    static std::unique_ptr<OfficeProcess> start(const Settings& settings);
    // Leaves the office running: a visible one outlives the program.
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    // The launcher's process id, which is the office's process group too.
    qint64 id() const { return pid_; }

    // How the launcher ended (a wait status), once it has; nullopt while it
    // runs.
    std::optional<int> exitStatus();
    // Whether an office that ended so asked to be started again (its first
    // start with a new profile does).
    static bool asksRestart(int status);
    // The ending in words: "код выхода 1", "сигнал 11".
    static QString describe(int status);

    // Whether any process of the office is still there.
    bool running();
    // The processes of the office, and their resident memory added up.
    QList<qint64> processes() const;
    qint64 residentBytes() const;

    // Ends every process of the office: gives it `grace` to end by itself
    // (it was told to), kills what is left, waits a few seconds at most for
    // it to go, and removes the office's temporary folder and its pipe's
    // socket.
    void end(std::chrono::milliseconds grace);

    // The office's own process (soffice.bin), or the launcher when none is
    // known.
    qint64 officeProcess() const;

    // Does a fault to the office (OfficeFaults.h): SIGSTOP stops every
    // process of it; another signal hits the office's own process, and
    // returns once that has gone (a few seconds at most).
    void suffer(int signo);

private:
    OfficeProcess(qint64 pid, QString tmpFolder, QString pipe)
        : pid_(pid), tmpFolder_(std::move(tmpFolder)), pipe_(std::move(pipe))
    {
    }
    bool groupGone();

    qint64 pid_;
    QString tmpFolder_;
    QString pipe_;
    std::optional<int> status_;
    bool gone_ = false;
};

// Makes the profile folder (and its "user" folder) if need be, and writes
// into its configuration what every office of the program runs with: the
// pipe it accepts on, so that the pipe's name is on no command line, and
// links to other places not followed. The rest of the configuration stays.
// Throws KvilmarError naming the file when it cannot be written.
void prepareProfile(const QString& profile, const QString& pipe);

// The environment the office is started with, from the caller's (`caller`
// as environ holds it: "NAME=value"): a character type of UTF-8 when the
// caller's is not (C.UTF-8, or the caller's language in UTF-8, as far as
// the machine has it), Java told to leave no files in /tmp; the rest as it
// was.
QByteArrayList officeEnvironment(const QByteArrayList& caller);

// Removes the temporary folders of the profile's offices that have ended
// (each is named after its office's process group).
void removeEndedOfficeFolders(const QString& profile);

// Removes the socket a pipe of this user's leaves in /tmp (a killed office
// does not remove it), when it is there and the user's.
void removePipeSocket(const QString& pipe);

// From any thread, for a program that ends at once: no office is started
// from now on; one being started is running its own program on return, so
// that endMarkedOffices finds it.
void forbidOfficeStarts();

// Ends the offices of this user whose environment carries the mark (an
// office a killed run started): SIGTERM, SIGKILL after `grace`.
void endMarkedOffices(const QString& mark, std::chrono::milliseconds grace);

} // namespace office::lo
