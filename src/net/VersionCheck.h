#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The rules of the version check, apart from its window.
namespace versionCheck {

// The largest version file taken, in bytes.
constexpr qint64 kVersionFileLimit = 65536;

// "http://" + the maker's server + "/brennic/kvilmar.iss".
QByteArray versionFileUrl();
// "http://" + the maker's server + "/brennic", shown while connecting.
QString siteAddress();

// The running version from the about window's version caption: the caption
// without its first two characters ("v 1.0.0.32" gives "1.0.0.32"); a caption
// of two characters or fewer keeps the previous value.
QString versionFromCaption(const QString& caption, const QString& previous);

// The seconds shown in the countdown: 30 less the whole seconds since the
// start, rounded half to even. Goes negative after 30 seconds.
int countdownSeconds(const QDateTime& start, const QDateTime& now);

// True when a response to the version file request holds the version file:
// only a 200 reply does. A status of 400 or more is an error page, 204 and
// 206 hold nothing or a part, and a status outside 100–599 or a response
// without a readable status line is no HTTP answer at all.
bool holdsVersionFile(qint16 replyStatus);

// True when the bytes are a version file: text lines (no control character
// but tab, CR and LF before the byte 26 that ends a text file) whose first
// line is a version written as the program writes its own: numbers joined by
// dots, such as "1.0.0.32". A web page, a coded body or random bytes are
// none.
bool isVersionFileText(const QByteArray& content);
// The same for a file; false when it cannot be read or passes
// kVersionFileLimit.
bool isVersionFile(const QString& path);

// What the version file says, compared with the running version.
struct VersionFileResult {
    QByteArray NewVersion; // line 1
    bool Newer = false; // line 1 differs from the running version
    QByteArray NewDate; // line 2; only when Newer
    QList<QByteArray> Lines; // the lines above the running version's own; only when Newer
};

// Reads a version file (code page 1251, CR LF lines). Raises KvilmarError
// when the file cannot be read.
VersionFileResult readVersionFile(const QString& path, const QByteArray& currentVersion);

} // namespace versionCheck
