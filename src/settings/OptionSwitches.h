#pragma once

// The options window's two switches as the rest of the program reads them,
// whether that window was made yet or not: what its check boxes show, saved
// or not (the window keeps them up to date), or else what nstrbol.dan last
// said. Off until one of them says otherwise.
namespace optionSwitches {

// «Предлагать выбор файлов и выбор режима работы перед запуском программы»
bool offerStartWindow();
void setOfferStartWindow(bool on);
// «Устанавливать при старте диапазон ячеек…»
bool restoreRange();
void setRestoreRange(bool on);

// Reads nstrbol.dan, when it is there, over the switches it holds.
void readSwitchFile();

} // namespace optionSwitches
