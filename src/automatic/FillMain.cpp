#include "automatic/FillMain.h"

#include "automatic/FillSlot.h"
#include "automatic/OfficeFill.h"
#include "automatic/ParallelFill.h"
#include "automatic/StdConsole.h"
#include "common/ProgramInfo.h"
#include "filling/office/connection/OfficeWait.h"

#include <QCoreApplication>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The hidden switch of a worker of the command (--jobs, ParallelFill.h).
constexpr char kWorkerSwitch[] = "--job-worker";

// The run's own place, or none when the user has none (then documents are
// staged in a temporary folder and the office is the connection's).
std::unique_ptr<automatic::FillSlot> takeSlot(automatic::Console& console)
{
    try {
        return automatic::FillSlot::take();
    } catch (const KvilmarError& e) {
        automatic::tellLine(console, e.text());
        return nullptr;
    }
}

int commandMain()
{
    // An office started on the program's pipe (without a place of the run's
    // own) shows no windows; one that already answers there is used as it is.
    if (!qEnvironmentVariableIsSet("KVILMAR_OFFICE_HEADLESS"))
        qputenv("KVILMAR_OFFICE_HEADLESS", "1");
    std::unique_ptr<automatic::FillSlot> slot;
    automatic::StdConsole console;
    // What the office layer has to tell (a pipe of another user refused) is
    // a line of its own, over the progress bar.
    office::setNoticeSink([&console](const QString& text) { automatic::tellLine(console, text); });
    slot = takeSlot(console);
    console.onEndNow([&slot] {
        if (slot)
            slot->endAtOnce();
    });
    console.onCutNow([] {
        office::cutOfficeWait(QStringLiteral("работа прервана раньше, чем LibreOffice доделал документ, "
                                             "и связь с ним прервана."));
    });
    automatic::OfficeFill office(&console, slot.get());
    const int code = automatic::runFillCommand(
        QCoreApplication::arguments(), office, console,
        {QCoreApplication::applicationFilePath(), {QStringLiteral("fill"), QString::fromLatin1(kWorkerSwitch)}});
    office.endOwnOffice();
    return code;
}

int workerMain()
{
    // The frames to the command go through a descriptor of their own, which
    // no office inherits; what else would be printed goes to standard error.
    // A command gone away makes writing fail, not end the worker before it
    // ends its office.
    const int frames = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    std::signal(SIGPIPE, SIG_IGN);
    automatic::StdConsole stopping(automatic::StdConsole::Role::Worker);
    automatic::WorkerConsole console(frames);
    office::setNoticeSink([&console](const QString& text) { automatic::tellLine(console, text); });
    const std::unique_ptr<automatic::FillSlot> slot = takeSlot(console);
    if (!slot)
        return automatic::kBadInput;
    stopping.onEndNow([&slot] { slot->endAtOnce(); });
    automatic::OfficeFill office(&console, slot.get(), automatic::OfficeFill::Choice::OwnOnly);
    automatic::serveJobs(office, STDIN_FILENO, frames);
    office.endOwnOffice();
    return automatic::kAllMade;
}

} // namespace

int fillMain(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(programInfo::name());
    return argc > 2 && std::strcmp(argv[2], kWorkerSwitch) == 0 ? workerMain() : commandMain();
}
