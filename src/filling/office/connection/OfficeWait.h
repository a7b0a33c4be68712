#pragma once

#include <QString>
#include <chrono>
#include <functional>

// Waiting for the office without freezing the program's windows.
namespace office {

// Told, on the application's thread, what the program waits for the office
// to do ("Запуск LibreOffice..."), and when that wait is over.
class WaitListener {
public:
    virtual ~WaitListener() = default;
    virtual void officeWaitBegins(const QString& what) = 0;
    virtual void officeWaitEnds() = 0;
};

// The listener told about waits while it is installed; nullptr for none.
void setWaitListener(WaitListener* listener);

// What the user should know about the office although nothing failed (a pipe
// of another user refused). The program with windows installs a sink that
// shows a box; without one the text goes to stderr, where the fill command
// speaks.
void setNoticeSink(std::function<void(const QString&)> sink);
void tellNotice(const QString& text);

// Runs work, which blocks until the office answers. Called on the
// application's thread, the work runs on a helper thread while this thread
// keeps processing events other than user input, so windows repaint and
// timers fire; what, when not empty, is told to the listener for the time of
// the wait. Called anywhere else, the work simply runs. Exceptions of the work
// reach the caller. Waits do not nest: a call from an event handled during a
// wait throws KvilmarError, since the helper is busy with the one awaited.
void waitForOffice(const QString& what, const std::function<void()>& work);
// As waitForOffice, for an office that may hang: when `limit` passes without
// an answer, `cut` is called on this thread and must make the work end (by
// cutting the connection it waits on); the wait then goes on until it has,
// so the work may use what the caller holds.
void waitForOffice(const QString& what, const std::function<void()>& work, std::chrono::milliseconds limit,
                   const std::function<void()>& cut);

// As waitForOffice, but gives up after `limit` and returns false. `giveUp`,
// called then on this thread, must make the work end (by closing what it
// waits on). Should the work still not end within a few seconds, its helper
// is left to it and another serves later calls; so the work must own all it
// touches. The work's exceptions after giving up are dropped.
bool waitForOfficeWithin(const QString& what, std::chrono::milliseconds limit, std::function<void()> work,
                         const std::function<void()>& giveUp);

// From any thread: the wait for the office now in progress, or else the
// next one that can be cut, ends as if its time had run out, and `why`
// says why (a stop asked for and not reached in time).
void cutOfficeWait(const QString& why);
// While a wait is cut for cutOfficeWait: its reason; empty otherwise (its
// time ran out).
QString cutReason();

// True on the helper thread, which runs the application thread's calls.
bool onOfficeThread();
// True while the application's thread waits for the office.
bool officeAwaited();

} // namespace office
