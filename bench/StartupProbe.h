#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

// Start-up of a windowed program on the X display named by DISPLAY, as a
// person sees it: from starting the process until its first top-level window
// is mapped, and the most memory it has held once that window stands.
struct StartupFigures {
    double secondsToWindow = 0;
    double peakMiB = 0;
};

// Starts the program, waits for its first window (at most 60 s), lets it
// settle for a second, reads its peak resident memory and ends it. Empty when
// no window came or the display cannot be opened.
std::optional<StartupFigures> measureStartup(const QString& program, const QStringList& arguments,
                                             const QProcessEnvironment& environment);
