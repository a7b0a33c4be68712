#pragma once

#include <QStringList>

// Creates every window of the program once, in the program's fixed order,
// and destroys them again at the end.
void createWindows(const QStringList& parameters);
void destroyWindows();
