#pragma once

#include <QString>
#include <QStringList>

// How the program reaches LibreOffice. Read from the environment each time an
// office is needed, so a test can set them before its first run:
//   KVILMAR_OFFICE_PIPE      name of the named pipe the office accepts on;
//                            default the user's own pipe, whose name no one
//                            else knows (OfficePipe.h). Either is used only
//                            while its socket is the user's own.
//   KVILMAR_OFFICE_HEADLESS  "1": start the office without any window and keep
//                            documents hidden (tests, benchmarks). Default: a
//                            normal visible office.
//   KVILMAR_OFFICE_PROFILE   a folder for the office's own profile
//                            (-env:UserInstallation); default the program's
//                            own, "kvilmar/office" in the user's cache folder,
//                            never the user's own LibreOffice profile.
//   KVILMAR_OFFICE_PROGRAM   the office program to start; default "soffice".
//   KVILMAR_OFFICE_WAIT      seconds to wait for an office to answer on the
//                            pipe, started or found there; default 60, at
//                            most an hour. An office that answered before
//                            and no longer does is given up after as long.
//   KVILMAR_OFFICE_CALL_WAIT seconds one step of a filling (a load, a
//                            replace, a save) may take before the office is
//                            taken for hung; default 600, at most a day.
//   KVILMAR_OFFICE_MEMORY    megabytes of resident memory above which a
//                            hidden office of the program's own is started
//                            afresh between documents; default 768. Its
//                            address space is capped at four times as much,
//                            2 GB at least.
// The pipe is not passed on the office's command line, which every user can
// read, but written into the profile's configuration (OfficeProcess.h).
namespace office::lo {

constexpr int kMaxWaitSeconds = 3600;
constexpr int kMaxCallWaitSeconds = 24 * 3600;

struct Settings {
    QString pipe;
    bool headless = false;
    QString profile;
    // Why there is no profile folder, when there is none.
    QString profileProblem;
    QString program;
    int waitSeconds = 60;
    // What the office's processes carry in their environment, so that they
    // are found again (OfficeProcess.h); a random one when empty.
    QString mark;
    // The cap on the address space of a hidden office, 0 for none.
    qint64 addressSpaceBytes = 0;

    // The arguments soffice is started with.
    QStringList startArguments() const;
};

Settings settingsFromEnvironment();
// KVILMAR_OFFICE_CALL_WAIT, read anew each time.
int callWaitSeconds();
// KVILMAR_OFFICE_MEMORY in bytes, read anew each time.
qint64 officeMemoryLimit();

} // namespace office::lo
