#pragma once

#include <QStringList>

// Makes the program's first windows, the start window and the main window;
// every other window is made when first needed (common/windows/LazyWindows.h)
// and linked to the others then. destroyWindows() deletes every window made.
void createWindows(const QStringList& parameters);
void destroyWindows();
