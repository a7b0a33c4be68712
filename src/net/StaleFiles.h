#pragma once

#include <QString>
#include <QStringList>

// What a run that was killed can leave behind, and the clean-up at the next
// start. Only what the program can prove it made goes:
//  - the folders of version-check transfers ("kvilmar-<pid>-XXXXXX" holding
//    kvilmar.iss), which are made in a folder that is the program's alone
//    (privateFolder::ownFolder), never in the shared temporary folder, and
//    removed from there once the process named in them is gone;
//  - the copies of saves that were cut off, which common/SaveCopies.h
//    records and removes (saveCopies::removeLeftoverCopies).
namespace staleFiles {

// The folder template of one transfer: the program's own folder of
// transfers, "kvilmar-", this process's id, "-XXXXXX". Empty when there is
// no such folder.
QString transferFolderTemplate();

// Removes the transfer folders in `folder` whose process has ended. Only
// real folders of this user holding no folder of their own are touched;
// one named after a running process stays. Returns the folders removed.
QStringList removeStaleTransferFolders(const QString& folder);

// At start-up: removes the stale transfer folders and the leftover copies.
void cleanUpAtStartup();

} // namespace staleFiles
