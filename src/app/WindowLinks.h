#pragma once

// Connects what the windows hand one another, those of them that stand: the
// amount and VAT windows' result to the main window's replacement box, the
// options window's font to the main window's input boxes, the amount
// picker's pick to the window it fills, the debugger's acceptance to the
// trace of left save copies. Runs each time a window is made, and in the
// window tests; a link made once is not made twice.
void connectWindows();
