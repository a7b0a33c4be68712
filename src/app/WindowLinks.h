#pragma once

// Connects what the windows hand one another, those of them that stand: the
// amount and VAT windows' result to the main window's replacement box, the
// options window's font to the main window's input boxes, the amount
// picker's pick to the window it fills. At start-up once every window is
// made, and in the window tests.
void connectWindows();
