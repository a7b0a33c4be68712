#pragma once

#include <QString>

// A folder that only this user can reach, for what other users must neither
// take over nor read: the single-instance lock, the office pipe's name. A
// name in a shared folder such as /tmp could be taken first by anyone.
namespace privateFolder {

// Why the folder is not private, in Russian; empty when it is: a folder
// itself (not a link to one), owned by this user, closed to everyone else.
QString problemWith(const QString& folder);

// The user's private folder: XDG_RUNTIME_DIR when it is private, else
// "kvilmar" in the user's cache folder (~/.cache), made with mode 0700 when
// missing. Empty when neither can be had; `why` then says why.
QString path(QString* why = nullptr);

// A folder of the program's own in the user's cache folder
// ("~/.cache/kvilmar/<name>"), made closed to others from the start, each
// level of it. Empty when it cannot be had or is not private; `why` then
// says why.
QString cacheFolder(const QString& name, QString* why = nullptr);

// The login name of a user, or the number when the system knows no name.
QString userName(unsigned uid);

} // namespace privateFolder
