#include "automatic/StdConsole.h"

#include "automatic/BatchReport.h"
#include "automatic/PendingOutput.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace automatic {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// How long the document being made may take after a stop was asked for.
constexpr int kStopGraceMsecs = 5000;

// The handler only wakes the watching thread, by a byte through this pipe.
int wakePipe[2] = {-1, -1};
std::atomic<bool> batchRunning{false};
std::atomic<bool> stopAsked{false};
std::atomic<bool> officeReached{false};
// Set once the program ends at once: what the run says meanwhile (a
// document failing as its office is ended under it) is not said.
std::atomic<bool> endingNow{false};
std::mutex hooksMutex;
std::vector<std::function<void()>> endHooks;
std::vector<std::function<void()>> cutHooks;
std::thread watcher;

extern "C" void signalled(int signo)
{
    const int saved = errno;
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    errno = saved;
}

void runHooks(const std::vector<std::function<void()>>& which)
{
    std::vector<std::function<void()>> hooks;
    {
        const std::lock_guard lock(hooksMutex);
        hooks = which;
    }
    for (const auto& hook : hooks) {
        try {
            hook();
        } catch (...) {
        }
    }
}

// Whether a byte arrives within the time (a signal, or the end).
bool wokenWithin(int msecs)
{
    pollfd waiting{wakePipe[0], POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&waiting, 1, msecs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

[[noreturn]] void endNow(Console* console)
{
    if (console)
        tellLine(*console, QStringLiteral("Работа прервана."));
    endingNow = true;
    // A document being given its name gets it whole; no later one does.
    [[maybe_unused]] const bool naming = PendingOutput::naming().try_lock_for(std::chrono::seconds(2));
    runHooks(endHooks);
    std::fflush(nullptr);
    ::_exit(kSomeFailed);
}

void watch(Console* console, StdConsole::Role role)
{
    for (int count = 1;; ++count) {
        char byte = 0;
        const ssize_t got = ::read(wakePipe[0], &byte, 1);
        if (got < 0 && errno == EINTR) {
            --count;
            continue;
        }
        if (got <= 0 || byte == 0)
            return;
        if (role == StdConsole::Role::Worker) {
            if (byte == SIGTERM || officeReached)
                endNow(nullptr);
            continue;
        }
        if (count == 1 && batchRunning && !officeReached) {
            stopAsked = true;
            tellLine(*console,
                     QStringLiteral("Работа прерывается: начатый документ доделывается, следующие не начинаются."));
            // An office that hangs is not waited for: what it is doing (the
            // document, or closing it after the batch) is cut.
            if (!wokenWithin(kStopGraceMsecs))
                runHooks(cutHooks);
            continue;
        }
        endNow(console);
    }
}

} // namespace

StdConsole::StdConsole(Role role)
{
    if (::pipe2(wakePipe, O_CLOEXEC) != 0)
        return;
    watcher = std::thread(watch, this, role);
    struct sigaction action {};
    action.sa_handler = signalled;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signo : kSignals)
        sigaction(signo, &action, nullptr);
}

StdConsole::~StdConsole()
{
    for (const int signo : kSignals)
        std::signal(signo, SIG_DFL);
    if (!watcher.joinable())
        return;
    const char quit = 0;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &quit, 1);
    watcher.join();
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
}

void StdConsole::out(const QString& text)
{
    if (endingNow)
        return;
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void StdConsole::err(const QString& text)
{
    if (endingNow)
        return;
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

bool StdConsole::errIsTerminal() const
{
    return isatty(fileno(stderr)) == 1;
}

bool StdConsole::stopRequested() const
{
    return stopAsked;
}

void StdConsole::batchBegins()
{
    batchRunning = true;
}

void StdConsole::batchEnds()
{
    batchRunning = false;
}

void StdConsole::reachingOffice(bool reaching)
{
    officeReached = reaching;
}

void StdConsole::onEndNow(std::function<void()> hook)
{
    const std::lock_guard lock(hooksMutex);
    endHooks.push_back(std::move(hook));
}

void StdConsole::onCutNow(std::function<void()> hook)
{
    const std::lock_guard lock(hooksMutex);
    cutHooks.push_back(std::move(hook));
}

} // namespace automatic
