#pragma once

#include <QDateTime>

class FillingHost;
namespace office { class AutomationServer; }

// The part of the Start command that needs no window, shared by the main
// window, the start window's automatic mode and the fill command.

// Fills the template the host names with the process-wide identifier list:
// the spreadsheet filler when the office makes a spreadsheet of the file, the
// word-processor filler (traced in diagnostic mode 1) otherwise. Meanwhile
// the host shows it is busy and what the office is waited for. Returns when
// the filler ended; errors of the office reach the caller.
QDateTime fillTemplate(FillingHost& host, office::AutomationServer& server);

// The office the runs use: LibreOffice, unless a test installed another.
office::AutomationServer& fillingServer();
void installFillingServer(office::AutomationServer* server);
