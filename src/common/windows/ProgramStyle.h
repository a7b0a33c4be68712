#pragma once

// Makes the windows' style the one Qt picked for the application (a "-style"
// on the command line or QT_STYLE_OVERRIDE included), with the overflow
// arrows of menu bars and tool bars read from their picture files only when
// first drawn. Reading one at once makes Qt load every image format plugin it
// has (GIF, ICO, JPEG and libjpeg), which the main window's menu bar never
// needs: it always fits. Called once, before the first window is made.
void installProgramStyle();
