#pragma once

#include "automatic/FillCommand.h"

#include <functional>

// The terminal of the fill command: standard output and standard error in
// UTF-8, and SIGINT, SIGTERM and SIGHUP, each answered at once by a thread of
// their own, whatever the program is doing meanwhile:
// - while documents are being made, the first asks the batch to stop after
//   the document being made, and says so; an office call still waited for
//   a few seconds later is cut (onCutNow);
// - before that (reading the inputs), while the office is being started or
//   reached, after the batch, or the second time, the program ends at once:
//   what was given to onEndNow runs (the run's own office is killed, what it
//   staged removed), no document is left half given its name, and the exit
//   code is kSomeFailed.
// A worker of the command (--jobs) leaves the batch to its command, which
// hands out no more documents; it ends at once on SIGTERM, and on SIGINT
// or SIGHUP while its office is being started.
namespace automatic {

class StdConsole : public Console {
public:
    enum class Role { Command, Worker };
    explicit StdConsole(Role role = Role::Command);
    ~StdConsole() override;
    StdConsole(const StdConsole&) = delete;
    StdConsole& operator=(const StdConsole&) = delete;
    void out(const QString& text) override;
    void err(const QString& text) override;
    bool errIsTerminal() const override;
    bool stopRequested() const override;
    void batchBegins() override;
    void batchEnds() override;
    void reachingOffice(bool reaching) override;
    void onEndNow(std::function<void()> hook) override;
    void onCutNow(std::function<void()> hook) override;
};

} // namespace automatic
