#include "filling/office/connection/OfficeFaults.h"

#include "filling/office/connection/LibreOfficeConnection.h"

namespace office::lo {

namespace {

FaultPlan& installedPlan()
{
    static FaultPlan plan;
    return plan;
}

} // namespace

void planFaults(FaultPlan plan)
{
    installedPlan() = std::move(plan);
}

void reachStep(OfficeStep step)
{
    if (!installedPlan())
        return;
    if (const std::optional<OfficeFault> fault = installedPlan()(step))
        Connection::instance().inflict(*fault);
}

} // namespace office::lo
