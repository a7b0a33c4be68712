#pragma once

#include <QString>
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

// Runs work, which blocks until the office answers. Called on the
// application's thread, the work runs on a helper thread while this thread
// keeps processing events other than user input, so windows repaint and
// timers fire; what, when not empty, is told to the listener for the time of
// the wait. Called anywhere else, the work simply runs. Exceptions of the work
// reach the caller.
void waitForOffice(const QString& what, const std::function<void()>& work);

} // namespace office
