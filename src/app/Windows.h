#pragma once

// Makes the program's first window, the main window: the start window and
// every other window are made when first needed (common/windows/LazyWindows.h,
// app/ProgramStart.h) and linked to the others then. destroyWindows()
// deletes every window made.
void createWindows();
void destroyWindows();
