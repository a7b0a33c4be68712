#pragma once

#include <QString>

// What a filler needs from the windows around it: the main window's template
// box and status bar, and the range window. Nothing here needs a widget, so
// a console can be the host as well.
class FillingHost {
public:
    virtual ~FillingHost() = default;
    // The template box's text as it is now; read again at each use.
    virtual QString templateName() = 0;
    // Status panel 1, repainted at once.
    virtual void showProgress(const QString& text) = 0;
    // Repaints the main window after the range window covered it.
    virtual void repaintMain() = 0;
    // Shows the range window modally; it sets or clears runConfirmed.
    virtual void showRangeWindow() = 0;
    // On while the run works with the office: a busy cursor (the range
    // window, shown meanwhile, keeps the normal one).
    virtual void showBusy(bool busy) = 0;
    // What the run waits for the office to do ("Запуск LibreOffice..."), shown
    // in the status bar in place of its text; an empty text ends the wait and
    // brings that text back.
    virtual void showWaiting(const QString& text) = 0;
};
