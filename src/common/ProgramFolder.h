#pragma once

#include <QString>

// The folder that holds the program's settings files, with a trailing '/':
// the executable's folder, or KVILMAR_PROGRAM_DIR when that is set (tests and
// portable setups).
QString programFolder();

// A file of the program folder, by its bare name.
QString programFile(const QString& name);
