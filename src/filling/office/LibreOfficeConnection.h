#pragma once

#include "filling/office/LibreOfficeSettings.h"

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <QString>
#include <functional>

// The one connection of the program to LibreOffice, over a named pipe. It is
// made on first need, kept for later runs, and made again when the office
// went away. The program never closes or quits the office it reaches.
namespace office::lo {

class Connection {
public:
    static Connection& instance();

    // The office's desktop. Connects to an office that answers on the pipe, or
    // starts one and waits for it with bounded retries, the windows painting
    // meanwhile (OfficeWait.h). Throws KvilmarError with a Russian text when
    // the office is missing or does not answer.
    css::uno::Reference<css::frame::XDesktop2> desktop();
    css::uno::Reference<css::uno::XComponentContext> remoteContext();
    // The desktop of the office last reached, not asked whether it still
    // answers: it tells one office from another.
    css::uno::Reference<css::frame::XDesktop2> lastDesktop() const { return desktop_; }

    // Drops the bridge after the office was found gone, so the next call
    // connects anew.
    void forget();
    // True when the office no longer answers (the bridge is then dropped).
    bool lost();

    // The process this program last started for an office that then
    // answered; 0 if none (an office already answered on the pipe).
    qint64 startedProcessId() const { return startedPid_; }

private:
    Connection() = default;
    css::uno::Reference<css::uno::XComponentContext> localContext();
    css::uno::Reference<css::uno::XComponentContext> tryResolve(const Settings& settings);
    qint64 startOffice(const Settings& settings);
    void startAndWait(const Settings& settings);
    bool alive();

    css::uno::Reference<css::uno::XComponentContext> local_;
    css::uno::Reference<css::uno::XComponentContext> remote_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
    qint64 startedPid_ = 0;
};

// Runs an office call (waiting as OfficeWait.h says) and turns every failure
// of the office into OfficeError with the office's own text, prefixed by what
// was being done; an office that went away becomes ConnectionLost, and the
// connection forgets it. KvilmarError thrown by the call passes unchanged.
// `waiting`, when not empty, says what the windows show while they wait.
void callOffice(const QString& doing, const std::function<void()>& call, const QString& waiting = QString());

} // namespace office::lo
