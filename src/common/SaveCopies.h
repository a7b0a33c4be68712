#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

// How every file of the program takes its place whole: list and settings
// files, the fill command's documents and report. The new content is written
// into a file without a name in the target's folder (O_TMPFILE), which a
// failure or a kill takes with it, and gets its name only when it is whole.
// Only two things need a named copy beside the target: a file system without
// such files, and the moment a replacing file has a name of its own before it
// takes the target's in one step. That copy has a hidden name no user would
// choose (".kvilmar-" and 12 hexadecimal digits) and is recorded, before it
// exists, in a folder only the program uses (privateFolder::ownFolder). A
// copy is removed later only when it is recorded there and the save that
// recorded it has ended unfinished: never by the shape of a name.
namespace saveCopies {

enum class Existing { Replace, Keep };

// Puts a new file at `target`, written by `write` into a descriptor (false,
// errno set, when it fails). With Keep an existing target is never replaced
// (EEXIST). A replaced file keeps its permissions; a link is followed to
// the file it names. Returns 0, or the system's error number of the step
// that failed: the target is then as it was, and no copy is left.
// `naming`, when given, is held while the whole file takes its name.
int putWhole(const QString& target, const std::function<bool(int fd)>& write, Existing existing,
             std::timed_mutex* naming = nullptr);

// The copies recorded by saves that ended unfinished (the program was
// killed in them) and that are still there.
QStringList leftoverCopies();

// Removes those copies and their records; returns the copies removed. A
// copy whose save is still going on (another run, another thread) stays.
QStringList removeLeftoverCopies();

// In the diagnostic mode, writes the leftover copies into the trace log, one
// full name a line; does nothing when there are none or the mode is off. The
// log's own failure is not the caller's.
void traceLeftoverCopies();

// For tests: called at each named step of a save. "no unnamed file": true
// makes the save go as on a file system without files without a name.
// "copy named": the copy has its hidden name and is recorded.
void setStepHook(std::function<bool(const char* step)> hook);

} // namespace saveCopies
