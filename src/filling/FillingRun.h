#pragma once

class FillingHost;
class TFormVelGeneral;
namespace office { class AutomationServer; }

// The Start command: checks the template and the list, dispatches to the
// spreadsheet filler when the office makes a spreadsheet of the template and
// to the word-processor filler (traced in diagnostic mode 1) otherwise, then
// reports the elapsed time and what was left undone. Errors of the office
// reach the caller, which runs guarded.
void runFilling(TFormVelGeneral& form);

// The same for any host (tests give their own).
void runFilling(FillingHost& host);

// The office the runs use: LibreOffice, unless a test installed another.
office::AutomationServer& fillingServer();
void installFillingServer(office::AutomationServer* server);
