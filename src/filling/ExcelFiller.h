#pragma once

#include <QString>

class FillingHost;
namespace office { class AutomationServer; }

// What the range window hands to the spreadsheet filler.
struct RangeSelection {
    int sheetCount = 1;
    QString rangeText = QStringLiteral("A1:A10");
};

RangeSelection& rangeSelection();

// Asks for the range, opens a new workbook from the template and replaces
// every enabled identifier within the block of each sheet, showing progress.
// Errors while replacing end the replacing quietly; errors before it end the
// filler.
void fillExcel(FillingHost& host, office::AutomationServer& server);
