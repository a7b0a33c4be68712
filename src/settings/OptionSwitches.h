#pragma once

// The options window's switch "Устанавливать при старте диапазон ячеек…" as
// the rest of the program reads it: what the window's check box shows now,
// saved or not (the window keeps it up to date). Off until the window says
// otherwise.
namespace optionSwitches {

bool restoreRange();
void setRestoreRange(bool on);

} // namespace optionSwitches
