#pragma once

// "kvilmar fill ...": the fill command under a QCoreApplication, so it needs
// no display, and without the windowed program's one-copy lock, so a batch
// runs while the windows are open. Returns the command's exit code.
int fillMain(int argc, char** argv);
