#pragma once

#include "filling/FillJob.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What a filler needs from the program around it while it fills a job: what
// the windows show (the main window's status bar, the range window, the busy
// cursor). A host without windows, such as the fill command's, keeps the
// defaults, which show nothing. Nothing here needs a widget.
class FillingHost {
public:
    virtual ~FillingHost() = default;

    // Status panel 1, repainted at once.
    virtual void showProgress(const QString& text) {}
    // Repaints the main window after the range window covered it.
    virtual void repaintMain() {}
    // The range a workbook is filled in: the range window's, shown modally,
    // or none when the user cancels it. Without a window, the job's own.
    virtual std::optional<RangeSelection> chooseRange(const RangeSelection& jobRange) { return jobRange; }
    // On while the run works with the office: a busy cursor (the range
    // window, shown meanwhile, keeps the normal one).
    virtual void showBusy(bool busy) {}
    // What the run waits for the office to do ("Запуск LibreOffice..."), shown
    // in the status bar in place of its text; an empty text ends the wait and
    // brings that text back.
    virtual void showWaiting(const QString& text) {}
    // Which of the texts the template holds: what `ask` finds in the
    // document just opened from it. A host that opens one template for
    // many documents may answer from an earlier one while the file is
    // unchanged.
    virtual QList<bool> templateHolds(const QStringList& texts, const std::function<QList<bool>()>& ask)
    {
        return ask();
    }
};
