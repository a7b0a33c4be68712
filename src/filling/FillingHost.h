#pragma once

#include <QString>

// What a filler needs from the windows around it: the main window's template
// box and status bar, and the range window.
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
};
