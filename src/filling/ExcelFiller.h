#pragma once

#include "filling/FillJob.h"

class FillingHost;
namespace office {
class AutomationServer;
}

// Asks the host for the range (the range window; a host without windows
// takes the job's), opens a new workbook from the template and replaces
// every enabled identifier within the block of each sheet, showing progress,
// then tells which identifiers the workbook lacked and which it still holds.
// Errors while replacing end the replacing quietly, except the loss of the
// office; errors before it end the filler. The status panel is empty after
// the filler, however it ends.
FillResult fillExcel(FillingHost& host, office::AutomationServer& server, const FillJob& job);
