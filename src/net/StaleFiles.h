#pragma once

#include <QString>
#include <QStringList>

// What a run that was killed can leave behind, and the clean-up at the next
// start. Two kinds of leftovers:
//  - the folder of a version-check transfer in the temporary folder
//    ("kvilmar-<pid>-XXXXXX" holding kvilmar.iss): the program's own, removed
//    once the process named in it is gone;
//  - the copy a save leaves beside the file it was replacing
//    ("list.fdp.McgBnZ"), when the kill came before the rename: removed by
//    common/SaveCopies.h beside the settings files at start-up and beside a
//    list file when the list is next loaded or saved; those still there are
//    named in the trace log when the user switches the diagnostic mode on.
namespace staleFiles {

// The folder template of one transfer: the temporary folder, "kvilmar-",
// this process's id, "-XXXXXX".
QString transferFolderTemplate();

// Removes the transfer folders in tempFolder whose process has ended. Only
// real folders of this user holding no folder of their own are touched;
// one named after a running process stays. Returns the folders removed.
QStringList removeStaleTransferFolders(const QString& tempFolder);

// The files the program saves whole: the remembered list file and the
// settings files of the program folder.
QStringList savedFiles();

// In the diagnostic mode, writes the leftover copies beside the saved files
// into the trace log, one full name a line; does nothing when there are
// none or the mode is off. The log's own failure is not the caller's.
void traceLeftoverCopies();

// At start-up: removes the stale transfer folders.
void cleanUpAtStartup();

} // namespace staleFiles
