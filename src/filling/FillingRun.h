#pragma once

#include "filling/FillingRunCore.h"

class FillingHost;
class TFormVelGeneral;

// The Start command: checks the template and the list, fills the job
// (FillingRunCore.h) with the main window and the range window as its host,
// then reports the elapsed time and what was left undone. Errors of the
// office reach the caller, which runs guarded.
void runFilling(TFormVelGeneral& form, const FillJob& job);

// The same for any host and job (tests give their own).
void runFilling(FillingHost& host, const FillJob& job);
