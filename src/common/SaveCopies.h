#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// What a save leaves behind when the program is killed in it. Every file is
// written through a QSaveFile, which puts the new content beside the file
// under the file's name, a dot and six random letters ("list.fdp.McgBnZ")
// and then renames it over the old one. Killed in between, the old file is
// still whole and the copy is nobody's: it is removed the next time the
// program may be sure of that.
namespace saveCopies {

// The copies beside a file, by their names alone: the file's name, a dot
// and six letters that look random (both cases, a capital past the first
// letter), so that a "list.fdp.backup" or "list.fdp.Backup" of the user's
// own is never taken for one.
QStringList leftoverCopies(const QString& filePath);

// When this run of the program began (the first call, which start-up
// makes). Only one copy of the program runs per user, and the fill command
// writes no list or settings files, so a copy last written before this
// moment belongs to no save that is still going on.
QDateTime runStart();

// Removes the copies beside a file that are surely the program's own: a
// regular file of this user (not a link), last written before `before`.
// Returns those removed.
QStringList removeLeftoverCopies(const QString& filePath, const QDateTime& before = runStart());

} // namespace saveCopies
