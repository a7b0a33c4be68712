#pragma once

#include <functional>
#include <optional>

// Where the tests make the office fail: the office layer names the steps of
// a document's making as it reaches them, on the connection's own thread,
// just before the step's call into the office; a plan the test installed
// may answer with a fault, which is done to the office the connection
// started before the step goes on. So a fault always meets the same step,
// without a thread of the test's own and without waiting for a moment.
// The program itself installs no plan.
namespace office::lo {

enum class OfficeStep {
    Open, // a template is about to be loaded
    Replace, // a replace is about to be sent
    Export, // a document is about to be stored
    Saved, // a document was stored and put in its place
    Keep, // a batch's template is about to be taken back for the next
};

enum class OfficeFault {
    Freeze, // every process of the office stopped (SIGSTOP): it hangs
    Kill, // the office killed (SIGKILL)
    Crash, // the office crashes (SIGSEGV)
};

using FaultPlan = std::function<std::optional<OfficeFault>(OfficeStep)>;

// Installs the plan asked at every step; an empty one for none.
void planFaults(FaultPlan plan);

// Called by the office layer at each step.
void reachStep(OfficeStep step);

} // namespace office::lo
