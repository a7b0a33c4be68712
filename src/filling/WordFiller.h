#pragma once

class FillingHost;
namespace office { class AutomationServer; }

// Opens the template in the word processor and replaces every enabled
// identifier of the list, in list order, then tells the run which identifiers
// the template lacked and which the filled document still holds. Errors of
// the office end the filler.
void fillWord(FillingHost& host, office::AutomationServer& server);

// The same steps, writing the progress codes "500" to "545" to the trace log,
// and "599" on every exit. Before "545" come the identifiers left undone
// ("546"/"547", LeftIdentifiers.h); an office failure writes "598" and the
// office's own words before "599".
void fillWordTraced(FillingHost& host, office::AutomationServer& server);
