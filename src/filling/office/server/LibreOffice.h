#pragma once

#include "filling/office/Automation.h"

// The automation server backed by LibreOffice: "Word.Application" is Writer,
// "Excel.Application" is Calc, both reached over the pipe of
// LibreOfficeSettings.h.
namespace office {

AutomationServer& libreOffice();

} // namespace office
