#pragma once

#include "filling/FillJob.h"

class FillingHost;
namespace office {
class AutomationServer;
}

// Opens the job's template in the word processor and replaces every enabled
// identifier, in list order, then tells which identifiers the template
// lacked and which the filled document still holds. With job.trace, writes
// the progress codes "500" to "545" to the trace log and "599" on every exit;
// before "545" come the identifiers left undone ("546"/"547",
// LeftIdentifiers.h), and an office failure writes "598" and the office's own
// words before "599". Errors of the office end the filler.
FillResult fillWord(FillingHost& host, office::AutomationServer& server, const FillJob& job);
