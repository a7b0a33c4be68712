#pragma once

class FillingHost;
namespace office { class AutomationServer; }

// Opens the template in the word processor and replaces every enabled
// identifier of the list, in list order. Errors of the office end the filler.
void fillWord(FillingHost& host, office::AutomationServer& server);

// The same steps, writing the progress codes "500" to "545" to the trace log,
// and "599" on every exit.
void fillWordTraced(FillingHost& host, office::AutomationServer& server);
