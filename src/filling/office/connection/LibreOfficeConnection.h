#pragma once

#include "filling/office/connection/LibreOfficeSettings.h"
#include "filling/office/connection/OfficeFaults.h"

#include <com/sun/star/connection/XConnection.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <QSet>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QThread;

namespace office::lo {
class OfficeProcess;
}

// The one connection of the program to LibreOffice, over a named pipe. It is
// made on first need, kept for later runs, and made again when the office
// went away. The program never closes or quits the office it reaches; one it
// started hidden it ends when that office hangs. Every office reached is
// first told to take nothing from the network (no http, ftp or WebDAV
// access for as long as it runs), so that no linked picture of a template
// is ever fetched.
//
// The connection has one owner, the application's thread (without an
// application object, the thread that first used it): every call enters
// there, and a call from anywhere else is a fault of the program. The office
// calls themselves run on the helper of OfficeWait.h, which hands results
// back; the members change on the owner's thread only, never during a wait.
namespace office::lo {

class Connection {
public:
    static Connection& instance();

    // The office's desktop. Connects to an office that answers on the pipe, or
    // starts one and waits for it with bounded retries, the windows painting
    // meanwhile (OfficeWait.h). Only a socket of this user is connected to
    // (OfficePipe.h): another user's is refused, the user told so, and the
    // user's own pipe used instead. Throws KvilmarError with a Russian text
    // when the office is missing or does not answer within its wait.
    css::uno::Reference<css::frame::XDesktop2> desktop();
    css::uno::Reference<css::uno::XComponentContext> remoteContext();
    // The desktop of the office last reached, not asked whether it still
    // answers: it tells one office from another. Also read by the office
    // calls on the helper, while the owner waits for them.
    css::uno::Reference<css::frame::XDesktop2> lastDesktop() const;
    // The component context of that office, read as lastDesktop is.
    css::uno::Reference<css::uno::XComponentContext> lastRemoteContext() const;

    // Where offices are reached from now on: an office of the caller's own
    // (a fill run's, on a pipe and profile of its own), or, without one, the
    // pipe the environment names (settingsFromEnvironment). The bridge to
    // the office reached until then is dropped.
    void reachAt(std::optional<Settings> own);
    // Connects to an office that answers where offices are reached, but
    // starts none: false when none answers. Throws as desktop() does.
    bool connectToRunning();

    // Drops the bridge after the office was found gone, so the next call
    // connects anew.
    void forget();
    // True when the office no longer answers (the bridge is then dropped).
    // An office that hangs is given up after its wait (KVILMAR_OFFICE_WAIT).
    bool lost();
    // Drops the bridge to an office found gone; a hidden one this program
    // started is ended, every process of it, and collected.
    void dropLost();
    // Cuts the bridge to an office that hangs, so that the call waiting on
    // it ends; a hidden office started for this bridge is ended too, every
    // process of it, as it holds no document of the user's. On the owner's
    // thread, during a wait.
    void cutOff();

    // Whether the office reached reads the file or folder under its path:
    // an office this program started does, as it was started to; one found
    // answering is asked (an office started under LANG=C does not read a
    // path in Cyrillic). Throws as callOffice does.
    bool seesPath(const QString& path);
    // Why the bridge was cut for a hang, until an office is reached again:
    // a later call on the dead bridge says this rather than a plain loss.
    void setHung(const QString& text) { hung_ = text; }
    const QString& hung() const { return hung_; }

    // The process this program last started for an office that then
    // answered (its launcher, whose process group holds the office); 0 if
    // none (an office already answered on the pipe). Read from any thread.
    qint64 startedProcessId() const { return startedPid_; }
    // The office reached, when this program started it; nullptr otherwise.
    OfficeProcess* startedOffice() const;
    // Whether that office was started without windows.
    bool startedHidden() const;
    // Drops the bridge and ends the office this program started, every
    // process of it: what is left after `grace` (for an office told to end)
    // is killed.
    void endStartedOffice(std::chrono::milliseconds grace);

    // Does the fault to the office this program started (OfficeFaults.h).
    void inflict(OfficeFault fault);

private:
    Connection();
    ~Connection();
    bool onOwnerThread() const;
    css::uno::Reference<css::uno::XComponentContext> localContext();
    bool answers();
    QString pipeOfOurOwn(const QString& wanted);
    css::uno::Reference<css::frame::XDesktop2> reach(bool mayStart);

    QThread* const firstUser_;
    css::uno::Reference<css::uno::XComponentContext> local_;
    css::uno::Reference<css::uno::XComponentContext> remote_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
    css::uno::Reference<css::connection::XConnection> link_;
    // The offices this program started, by their pipe, while they run.
    struct Started {
        std::unique_ptr<OfficeProcess> process;
        bool hidden = false;
    };
    std::map<QString, Started> started_;
    QString pipe_; // of the office reached
    int answerWaitSeconds_ = 60;
    QString hung_;
    std::atomic<qint64> startedPid_ = 0;
    // Sockets of others the user has been told of; told once a run.
    QSet<QString> refused_;
    std::optional<Settings> own_;
};

// Runs an office call (waiting as OfficeWait.h says) and turns every failure
// of the office into OfficeError with the office's own text, prefixed by what
// was being done; an office that went away becomes ConnectionLost, and the
// connection forgets it. A call that takes longer than callWaitSeconds()
// cuts the connection off and becomes OfficeHung. KvilmarError thrown by the
// call passes unchanged.
// `waiting`, when not empty, says what the windows show while they wait.
void callOffice(const QString& doing, const std::function<void()>& call, const QString& waiting = QString());

} // namespace office::lo
