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
// every enabled identifier within the block of each sheet, showing progress,
// then tells the run which identifiers the workbook lacked and which it still
// holds. Errors while replacing end the replacing quietly, except the loss of
// the office; errors before it end the filler. The status panel is empty
// after the filler, however it ends.
void fillExcel(FillingHost& host, office::AutomationServer& server);
