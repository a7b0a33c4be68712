#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What a fill command tells while it works and when it ends: a line per
// document, a progress bar for a terminal, the summary and the exit code.
namespace automatic {

enum ExitCode { kAllMade = 0, kSomeFailed = 1, kBadInput = 2 };

// Goes back to the start of a terminal's line and clears it.
inline constexpr char kClearLine[] = "\r\x1b[K";

struct JobOutcome {
    QString output{};
    int line = 0; // the data row's line in its table; 0 without a table
    bool made = false;
    QString reason{}; // why it was not made
    qint64 msecs = 0;
    bool skipped = false; // not tried: the command stopped before it
    QString note{}; // about a document made: what it still holds
    int number = 0; // {N}: the data row's number
    QStringList left{}; // identifiers the document made still holds
    bool existing = false; // made before: its file was there (--skip-existing)
};

// kAllMade when every document was made, kSomeFailed otherwise.
int exitCodeFor(const QList<JobOutcome>& outcomes);

// "[17/40] name — 2,1 с", with ". note" when there is one, or "— не сделан: reason".
QString progressLine(int number, int total, const JobOutcome& outcome);

// "[#####-----] 17/40, осталось около 1:05": done of total after elapsed
// milliseconds, the time left estimated from the mean so far. No estimate
// before the first document is done.
QString progressBar(int done, int total, qint64 elapsedMsecs, int width = 30);

// "m:ss", or "h:mm:ss" from an hour on.
QString clockTime(qint64 msecs);

// Made of how many (those made before among them), the failed ones with
// their reasons, how many were not tried, the total time.
QString summaryText(const QList<JobOutcome>& outcomes, qint64 totalMsecs);

// The report of --report, in UTF-8 after a byte-order mark: a header, then a
// line per outcome with the row's number, the file, "да" or "нет", why not
// (on one line), and the identifiers the document still holds; ';' between
// cells, quoted as RFC 4180 says. A cell that would begin with "=", "+",
// "-", "@", a tab, a carriage return or an apostrophe begins with an added
// apostrophe, so that no spreadsheet takes it for a formula.
QByteArray reportCsv(const QList<JobOutcome>& outcomes);

} // namespace automatic
