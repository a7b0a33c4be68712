#pragma once

#include <QString>

#include <chrono>
#include <memory>
#include <mutex>

// What a fill run keeps of its own while it runs, in a place of the user's
// cache folder that only one run holds at a time (a lock the system lets go
// when the run ends, however it ends): the folder its documents are staged
// in, the profile of the office it starts, and a record of the mark that
// office's processes carry in their environment (OfficeProcess.h), which
// only this user can read. A run that finds a place nobody holds but with
// a mark recorded knows that office's run died: it ends the processes with
// that mark and removes what that run staged. An office the user's windows
// use, or another live run, is never recorded in a free place, so never
// ended.
namespace automatic {

class FillSlot {
public:
    // Takes a free place, after tidying every free place a dead run left.
    // Throws KvilmarError when the user has no private cache folder for it
    // or every place is taken.
    static std::unique_ptr<FillSlot> take();
    // Ends the recorded office if it still runs, empties the staging folder
    // and lets the place go.
    ~FillSlot();
    FillSlot(const FillSlot&) = delete;
    FillSlot& operator=(const FillSlot&) = delete;

    const QString& stagingFolder() const { return staging_; }
    const QString& profileFolder() const { return profile_; }

    // A new random pipe for an office about to be started.
    static QString newOfficePipe();
    // A new random mark for an office about to be started on the pipe,
    // recorded with the pipe before it starts.
    QString newOfficeMark(const QString& pipe);
    // Ends the recorded office, if any, every process of it, and forgets it.
    void endOffice(std::chrono::milliseconds grace);

    // For a program that must end now, from any thread: kills the recorded
    // office and empties the staging folder.
    void endAtOnce() noexcept;

private:
    FillSlot(QString folder, int lock);
    QString folder_, staging_, profile_;
    int lock_ = -1;
    std::mutex mutex_;
    QString mark_, pipe_;
};

} // namespace automatic
