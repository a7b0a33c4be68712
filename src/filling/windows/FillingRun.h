#pragma once

#include "filling/FillingRunCore.h"

class FillingHost;

// The Start command: checks the template and the list, fills the job
// (FillingRunCore.h) with the host's windows (the main window's are the main
// window and the range window), then reports the elapsed time and what was
// left undone. Errors of the office reach the caller, which runs guarded.
void runFilling(FillingHost& host, const FillJob& job);
