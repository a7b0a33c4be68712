#pragma once

#include "filling/FillJob.h"

class FillingHost;
namespace office {
class AutomationServer;
}

// The part of the Start command that needs no window, shared by the main
// window, the start window's automatic mode and the fill command.

// The job «Старт» fills: the template named, the list's records as they
// stand, traced in the diagnostic mode of the word processor.
FillJob startJob(const QString& templateName, const QList<IdentifierRecord>& records);

// Fills the job: the spreadsheet filler when the office makes a spreadsheet
// of the template, the word-processor filler otherwise. Meanwhile the host
// shows it is busy and what the office is waited for. Returns when the
// filler ended; errors of the office reach the caller.
FillResult fillTemplate(FillingHost& host, office::AutomationServer& server, const FillJob& job);

// The office the runs use: LibreOffice, unless a test installed another.
office::AutomationServer& fillingServer();
void installFillingServer(office::AutomationServer* server);
