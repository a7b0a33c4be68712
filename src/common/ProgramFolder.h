#pragma once

#include <QString>

// The program folder: the folder that holds the program's settings files
// (nstrtxt.dan, nstrfon.dan, nstrbol.dan, nstrint.dan) and kvilmar.ini, with a
// trailing '/'. Decided here and nowhere else:
//   1. KVILMAR_PROGRAM_DIR when it is set (tests, portable setups);
//   2. the executable's folder when the program may write there (a build
//      folder, a copy kept in the user's own folder), which it never may
//      under /usr, the system's read-only tree, not even when run by root;
//   3. otherwise the user's configuration folder
//      (QStandardPaths::AppConfigLocation), as for an installed program whose
//      folder belongs to the system; it is created when missing.
QString programFolder();

// A file of the program folder, by its bare name.
QString programFile(const QString& name);

// Whether the executable's folder may hold the settings files (rule 2).
bool programMayWriteIn(const QString& executableFolder);

// The rule above for a given executable's folder and its writability.
QString programFolderFor(const QString& executableFolder, bool executableFolderWritable);
