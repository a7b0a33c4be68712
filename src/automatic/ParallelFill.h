#pragma once

#include "automatic/FillCommand.h"

#include <QList>
#include <functional>
#include <memory>

// The documents of a batch made by several workers at once (--jobs). A
// worker is a process of the program ("kvilmar fill --job-worker") with an
// office, a profile and a pipe of its own; it makes the documents it is
// handed one at a time and reports each. The command keeps everything else:
// the plan, the lines it tells, the summary and the report, so that they
// are the same as with one office. Requests and reports travel as frames
// (a length, then the data) over the worker's standard input and output; a
// worker ends when its input does, so it never outlives its command.
namespace automatic {

class ParallelFill {
public:
    ParallelFill(const WorkerCommand& command, int jobs, Console& console);
    ~ParallelFill();
    ParallelFill(const ParallelFill&) = delete;
    ParallelFill& operator=(const ParallelFill&) = delete;

    // Hands the documents of `order` (indexes into plan.documents()) out in
    // that order, each to the next free worker; `done` takes each attempt
    // as it comes and says whether later documents are to be begun. Also
    // stops handing out once the console asks to stop. Returns when every
    // worker has reported on what it was handed and has ended.
    void run(const BatchPlan& plan, const QList<int>& order, const std::function<bool(int, Attempt)>& done);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A worker's console: what it has to tell goes to its command as frames on
// `out`.
class WorkerConsole : public Console {
public:
    explicit WorkerConsole(int out) : out_(out) {}
    void out(const QString&) override {}
    void err(const QString& text) override;
    bool errIsTerminal() const override { return false; }

private:
    int out_;
};

// The worker's side: makes each document requested on `in` through the
// office and reports it on `out`, until `in` ends or fails.
void serveJobs(FillOffice& office, int in, int out);

} // namespace automatic
