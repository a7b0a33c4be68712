#pragma once

#include "filling/FillingRunCore.h"

class FillingHost;
class TFormVelGeneral;

// The Start command: checks the template and the list, fills the template
// (FillingRunCore.h), then reports the elapsed time and what was left undone.
// Errors of the office reach the caller, which runs guarded.
void runFilling(TFormVelGeneral& form);

// The same for any host and job (tests give their own).
void runFilling(FillingHost& host, const FillJob& job);
